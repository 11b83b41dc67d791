#pragma once
// CBarcode: one printed symbol (data, text font, bar height) of one symbology.

#include "common/archive.h"
#include "common/geometry.h"
#include "common/object.h"
#include "common/settings_keys.h"
#include "engine/draw_surface.h"
#include "engine/primitives.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class CBarcode : public CObject {
    DECLARE_ABSTRACT_SERIAL(CBarcode)

public:
    CBarcode(); // takes the default font from the settings store
    ~CBarcode() override = default;

    std::string m_strFontName;
    std::int32_t m_nFontSize;
    std::int32_t m_nHeight;     // in m_nHeightUnit
    std::int32_t m_nHeightUnit; // 0 = mils, 1 = hundredths of a millimetre
    std::string m_strData;      // as normalised by SetData (or as loaded)

    void Serialize(CArchive& ar) override;
    // Replaces the data with what the symbology can encode; never fails.
    virtual void SetData(std::string_view text) = 0;
    // The symbol's nominal length along the direction of advance, in mils.
    virtual int GetWidth() const = 0;
    // Draws from the start corner `origin`, which is left at the running position after the
    // last element. Orientation is 0 to 3 quarter turns anticlockwise.
    virtual void Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                      int orientation) const = 0;

    // The bar height in mils: unit 1 is hundredths of a millimetre, divided by 2.54, truncated;
    // held between 0 and kMaxBarHeightMils, whatever a file says.
    int GetBarHeightMils() const;
    // The text's character height in mils from the font size in points, held to
    // ±kMaxFontPoints.
    int GetFontHeightMils() const;

    // No page is longer than this many mils (100 inches).
    static constexpr int kMaxBarHeightMils = 100'000;
    static constexpr int kMaxFontPoints = 1000;

    // What giving `typed` to SetData does: the text to hand it (`typed` itself, or what a
    // printed form of the number stands for), what a reader reads back from the symbol (check
    // digits included), and, when that is not what was typed, why.
    struct CDataCheck {
        std::string input;
        std::string reads;
        CMessages change; // empty: the symbol carries what was typed
    };
    virtual CDataCheck CheckData(std::string_view typed) const;
    // The symbology's name as the program shows it ("Code 39", "EAN 13", ...).
    std::string SymbologyName() const;

    // The room a reader needs free of marks before the first bar and after the last one, in
    // mils along the direction of advance: {before, after}. None by default.
    virtual CSize GetQuietZones() const { return {}; }
    // A matrix symbol's quiet zone, in modules on each of its four sides: counted in its extent
    // (MeasureDrawnExtent includes it), so centring, the size, images and labels include it.
    // None for the linear symbologies, whose quiet zones lie outside their extent.
    virtual int GetQuietModules() const { return 0; }

    // A symbology's own choices beyond the common fields (QR Code's error-correction level and
    // version, Data Matrix's shape and size, PDF417's columns, quiet zones, ...), as the Format
    // toolbar, the Options dialog and the command line offer them.
    struct COption {
        const char* name;                     // "Error correction"
        const char* key;                      // on the command line: "ecc"
        std::span<const char* const> choices; // the values 0, 1, ... as the lists show them
        const IntSetting* preset;             // the choice of new symbols; null: the first
    };
    // None for a symbology without choices of its own.
    virtual std::span<const COption> GetOptions() const { return {}; }
    // The choice the symbol is drawn with (a value a file gave that is not among the choices
    // reads as the preset's default); setting a value outside the choices changes nothing.
    virtual int GetOptionValue(std::size_t option) const {
        (void)option;
        return 0;
    }
    virtual void SetOptionValue(std::size_t option, int value) { (void)option, (void)value; }
    // The first of the options (null when there is none), and its value.
    const COption* GetOption() const {
        const std::span<const COption> options = GetOptions();
        return options.empty() ? nullptr : &options.front();
    }
    int GetOptionValue() const { return GetOptionValue(std::size_t{0}); }
    void SetOptionValue(int value) { SetOptionValue(std::size_t{0}, value); }
    // The index of the option whose command-line key is `key` (ASCII letter case ignored), or
    // -1.
    int FindOption(std::string_view key) const;

    // Whether the data is Unicode text held as UTF-8 (the symbologies that carry any text);
    // else it is Latin-1, one byte a character.
    virtual bool HoldsUtf8() const { return false; }
    // Whether the symbol has a human-readable text line at all (the 2D symbols have none).
    virtual bool HasText() const { return true; }

protected:
    // The text shared by every symbology but UPC/EAN: the object's font, centred on the bars
    // `bars` drew, its cell starting where the bars end.
    void DrawHumanText(CDrawSurface& surface, const engine::CBarCursor& bars, int barHeight,
                       std::string_view text) const;
    // The object's font, the cell's top `offset` along the bar direction from the line from
    // `first` to `last` (positions along the advance), the text centred on that span.
    void DrawTextCentred(CDrawSurface& surface, CPoint first, CPoint last, int offset,
                         int orientation, std::string_view text) const;
};

// A new barcode of class `cls`, with its class's defaults; null when `cls` makes no barcode.
std::unique_ptr<CBarcode> CreateBarcode(const CRuntimeClass* cls);
// A copy of `barcode`: symbology, data, font, height and every setting of its own.
std::unique_ptr<CBarcode> CloneBarcode(const CBarcode& barcode);

// Makes every barcode class findable by name through CRuntimeClass::FromName.
bool RegisterBarcodeClasses();

namespace quillmark_detail {
// Every program that includes this header links the registration, and with it every class,
// even when the classes come from a static library that nothing else references.
[[maybe_unused]] static const bool g_barcodeClassesRegistered = RegisterBarcodeClasses();
} // namespace quillmark_detail
