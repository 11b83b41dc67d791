#pragma once
// The symbologies encoded by the system's encoder library (engine/zint_library.h): one class
// for all of them, each symbology a class record of its own made from its row in the
// symbology table (engine/symbologies.h), which says how it is encoded and drawn. The program
// draws the library's module rows itself, every module whole device dots on a grid.

#include "engine/barcode.h"
#include "engine/zint_library.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct SymbologyInfo;

// How a symbology's modules are laid out and how tall its rows are.
enum class ZintShape : std::uint8_t {
    Linear,  // bars as tall as the symbol's bar height (rows of a postal code share it)
    Stacked, // rows of bars, each as many modules tall as the encoder says (PDF417, DataBar
             // stacked), with a quiet zone on every side
    Matrix,  // square modules with a quiet zone on every side
    Maxi,    // MaxiCode's hexagons around its bull's eye
};

// The choices a symbology of the encoder offers, each mapped onto the encoder's options.
enum class ZintOption : std::uint8_t {
    QrLevel,
    QrVersion,
    MicroQrLevel,
    MicroQrVersion,
    DmShape,
    DmSize,
    PdfLevel,
    PdfColumns,
    MicroPdfColumns,
    AztecLevel,
    AztecGs1,
    ExpandedColumns,
    AddOnDigits,
    MsiCheck,
    Code11Check,
    QuietZone,
    Count
};

// A symbology row's encoder part.
struct ZintKind {
    int id = 0; // the encoder's symbology number; 0: drawn by the program's own engine
    ZintShape shape = ZintShape::Linear;
    int inputMode = 0;         // bytes (Latin-1), Unicode (UTF-8) or GS1 element strings
    std::uint32_t options = 0; // bit (1 << ZintOption) for each choice offered
    int quiet = 0; // quiet zone in modules: on every side of a 2D symbol, else before and
                   // after the bars
    // The choice a file of an earlier version stored after the common fields, as a bare
    // number (QR Code's level, Data Matrix's shape); Count for none.
    ZintOption legacy = ZintOption::Count;
};

constexpr std::uint32_t ZintOptions(std::initializer_list<ZintOption> options) {
    std::uint32_t bits = 0;
    for (ZintOption o : options)
        bits |= 1u << static_cast<unsigned>(o);
    return bits;
}

class CZintBarcode : public CBarcode {
public:
    static const CRuntimeClass classCZintBarcode; // the abstract record all of them derive from

    explicit CZintBarcode(const CRuntimeClass* cls); // options of new symbols from the settings
    CZintBarcode(const CZintBarcode& other);
    CZintBarcode& operator=(const CZintBarcode&) = delete;

    const CRuntimeClass* GetRuntimeClass() const override { return m_cls; }
    const SymbologyInfo& Info() const;
    const ZintKind& Kind() const;

    // The common fields, then the options by name (a file of an earlier version: the one
    // choice it knew, and the data as Latin-1).
    void Serialize(CArchive& ar) override;
    // Stores the text as it is: the encoder says in CheckData why it cannot encode it.
    void SetData(std::string_view text) override;
    // The symbol's length along the advance, a 2D symbol's quiet zone included; 0 when the
    // data cannot be encoded.
    int GetWidth() const override;
    CSize GetQuietZones() const override;
    int GetQuietModules() const override;
    // Draws the modules from `origin`, the text of a linear symbol below; nothing when the
    // data cannot be encoded.
    void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
              int orientation) const override;
    CDataCheck CheckData(std::string_view typed) const override;

    std::span<const COption> GetOptions() const override;
    using CBarcode::GetOptionValue;
    using CBarcode::SetOptionValue;
    int GetOptionValue(std::size_t option) const override;
    void SetOptionValue(std::size_t option, int value) override;
    bool HoldsUtf8() const override;
    bool HasText() const override;

    // The value of the choice `which` (its first value when the symbology does not offer it).
    int Choice(ZintOption which) const;
    // What the encoder is asked for the data `data` with the options in force (Data Matrix's
    // rectangles: the request of the first size tried).
    ZintRequest Request(std::string_view data) const;
    // The encoded symbol of the data, kept until the data or an option changes.
    std::shared_ptr<const ZintSymbol> Encoded() const;
    // The encoded symbol of `data` with the options in force, kept as Encoded keeps its own.
    std::shared_ptr<const ZintSymbol> EncodedFor(std::string_view data) const;
    // Encodes `data` with the options in force (the library's symbols are kept a while: see
    // ZintEncodeKept).
    ZintSymbol EncodeData(std::string_view data) const;
    std::shared_ptr<const ZintSymbol> EncodeShared(std::string_view data) const;
    // The human-readable text drawn under a linear symbol (Latin-1), empty for none.
    std::string HumanText(const ZintSymbol& symbol) const;

private:
    struct Cache {
        std::mutex lock;
        std::string data;
        std::vector<std::int32_t> options;
        std::shared_ptr<const ZintSymbol> symbol;
    };

    void DrawLinear(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                    int orientation, const ZintSymbol& symbol) const;
    void DrawRows(CDrawSurface& surface, CPoint& origin, int barHeight, int orientation,
                  const ZintSymbol& symbol) const;
    CMessage WhyNotEncodable(std::string_view data, const ZintSymbol& failed) const;

    const CRuntimeClass* m_cls;
    std::vector<std::int32_t> m_options; // one per option of GetOptions, in its order
    mutable std::unique_ptr<Cache> m_cache;
};

// A class record per symbology, made from its class name: the rows of the symbology table
// name theirs with ZintClass<"CPdf417Barcode">.
namespace zint_detail {
template <std::size_t N> struct ClassName {
    char text[N];
    constexpr ClassName(const char (&s)[N]) { std::copy_n(s, N, text); }
};
template <ClassName Name> CObject* Create();
template <ClassName Name> CObject* Copy(const CObject& object);
template <ClassName Name>
inline constexpr CRuntimeClass kRecord = {
    Name.text,     static_cast<int>(sizeof(CZintBarcode)), 256,
    &Create<Name>, &CZintBarcode::classCZintBarcode,       &Copy<Name>};
template <ClassName Name> CObject* Create() {
    return new CZintBarcode(&kRecord<Name>);
}
template <ClassName Name> CObject* Copy(const CObject& object) {
    return new CZintBarcode(static_cast<const CZintBarcode&>(object));
}
} // namespace zint_detail

template <zint_detail::ClassName Name> constexpr const CRuntimeClass* ZintClass() {
    return &zint_detail::kRecord<Name>;
}
