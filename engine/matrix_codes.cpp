#include "engine/matrix_codes.h"

#include "common/latin1.h"
#include "common/settings_keys.h"
#include "common/shared_library.h"
#include "engine/primitives.h"

#include <dmtx.h>
#include <qrencode.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

// The ECI assignment number of UTF-8.
constexpr unsigned kEciUtf8 = 26;

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The encoding libraries, loaded when a symbol of theirs is first drawn: the other symbologies,
// and every command that draws none of these, never load them.
struct QrLibrary {
    decltype(&::QRcode_encodeString) EncodeString = nullptr;
    decltype(&::QRcode_encodeInput) EncodeInput = nullptr;
    decltype(&::QRcode_free) Free = nullptr;
    decltype(&::QRinput_new2) InputNew2 = nullptr;
    decltype(&::QRinput_appendECIheader) InputAppendEciHeader = nullptr;
    decltype(&::QRinput_append) InputAppend = nullptr;
    decltype(&::QRinput_free) InputFree = nullptr;
};

bool TakeQr(CSharedLibrary& so, QrLibrary& q) {
    return so.Take(q.EncodeString, "QRcode_encodeString") &&
           so.Take(q.EncodeInput, "QRcode_encodeInput") && so.Take(q.Free, "QRcode_free") &&
           so.Take(q.InputNew2, "QRinput_new2") &&
           so.Take(q.InputAppendEciHeader, "QRinput_appendECIheader") &&
           so.Take(q.InputAppend, "QRinput_append") && so.Take(q.InputFree, "QRinput_free");
}

const CLoadedLibrary<QrLibrary>& Qr() {
    return LoadLibraryOnce("libqrencode.so.4", TakeQr);
}

struct DmtxLibrary {
    decltype(&::dmtxEncodeCreate) EncodeCreate = nullptr;
    decltype(&::dmtxEncodeDestroy) EncodeDestroy = nullptr;
    decltype(&::dmtxEncodeSetProp) EncodeSetProp = nullptr;
    decltype(&::dmtxEncodeDataMatrix) EncodeDataMatrix = nullptr;
    decltype(&::dmtxGetSymbolAttribute) GetSymbolAttribute = nullptr;
    decltype(&::dmtxSymbolModuleStatus) SymbolModuleStatus = nullptr;
};

bool TakeDmtx(CSharedLibrary& so, DmtxLibrary& d) {
    return so.Take(d.EncodeCreate, "dmtxEncodeCreate") &&
           so.Take(d.EncodeDestroy, "dmtxEncodeDestroy") &&
           so.Take(d.EncodeSetProp, "dmtxEncodeSetProp") &&
           so.Take(d.EncodeDataMatrix, "dmtxEncodeDataMatrix") &&
           so.Take(d.GetSymbolAttribute, "dmtxGetSymbolAttribute") &&
           so.Take(d.SymbolModuleStatus, "dmtxSymbolModuleStatus");
}

const CLoadedLibrary<DmtxLibrary>& Dmtx() {
    return LoadLibraryOnce("libdmtx.so.0", TakeDmtx);
}

// What to say when a symbology's library cannot be loaded.
CMessage MissingLibrary(const char* symbology, const std::string& error) {
    return MakeMessage(Msg::LibraryNotLoaded, symbology, error);
}

struct QrCodeFree {
    void operator()(QRcode* code) const { Qr().Get()->Free(code); }
};
struct QrInputFree {
    void operator()(QRinput* input) const { Qr().Get()->InputFree(input); }
};
struct DmtxEncodeFree {
    void operator()(DmtxEncode* enc) const { Dmtx().Get()->EncodeDestroy(&enc); }
};

std::unique_ptr<QRcode, QrCodeFree> QrSymbol(const QrLibrary& lib, std::string_view latin1,
                                             QRecLevel level) {
    // Text of ASCII characters but NUL goes through the library's own choice of numeric,
    // alphanumeric and byte segments.
    if (IsAscii(latin1) && latin1.find('\0') == std::string_view::npos) {
        const std::string text(latin1);
        return std::unique_ptr<QRcode, QrCodeFree>(
            lib.EncodeString(text.c_str(), 0, level, QR_MODE_8, 1));
    }
    std::unique_ptr<QRinput, QrInputFree> input(lib.InputNew2(0, level));
    if (!input) return nullptr;
    std::string bytes(latin1);
    if (!IsAscii(latin1)) {
        bytes = Latin1ToUtf8(latin1);
        if (lib.InputAppendEciHeader(input.get(), kEciUtf8) != 0) return nullptr;
    }
    if (lib.InputAppend(input.get(), QR_MODE_8, static_cast<int>(bytes.size()),
                        reinterpret_cast<const unsigned char*>(bytes.data())) != 0)
        return nullptr;
    return std::unique_ptr<QRcode, QrCodeFree>(lib.EncodeInput(input.get()));
}

// The QR Code holds at most 7089 digits; anything longer cannot fit whatever it is.
constexpr std::size_t kQrMostCharacters = 7089;
// Data Matrix holds at most 3116 digits.
constexpr std::size_t kDataMatrixMostCharacters = 3116;

constexpr std::array<const char*, 4> kLevelNames = {"L", "M", "Q", "H"};
// As the lists offer them: the share of the symbol that can be lost and still read.
constexpr std::array<const char*, 4> kLevelChoices = {"L 7%", "M 15%", "Q 25%", "H 30%"};
constexpr std::array<const char*, 2> kShapeNames = {"Square", "Rectangle"};

} // namespace

engine::CModuleMatrix EncodeQrCode(std::string_view latin1, int level) {
    const QrLibrary* lib = Qr().Get();
    if (!lib || latin1.empty() || latin1.size() > kQrMostCharacters || level < 0 || level > 3)
        return {};
    const auto code = QrSymbol(*lib, latin1, static_cast<QRecLevel>(level));
    if (!code || code->width <= 0) return {};
    engine::CModuleMatrix m;
    m.rows = m.cols = code->width;
    m.dark.resize(static_cast<std::size_t>(code->width) * static_cast<std::size_t>(code->width));
    // Bit 0 of each module's byte is its colour, 1 dark.
    for (std::size_t i = 0; i < m.dark.size(); ++i)
        m.dark[i] = code->data[i] & 1;
    return m;
}

engine::CModuleMatrix EncodeDataMatrix(std::string_view latin1, bool rectangular) {
    const DmtxLibrary* lib = Dmtx().Get();
    if (!lib || latin1.empty() || latin1.size() > kDataMatrixMostCharacters) return {};
    const std::unique_ptr<DmtxEncode, DmtxEncodeFree> enc(lib->EncodeCreate());
    if (!enc) return {};
    // The ASCII encodation: digits in pairs, bytes above 127 behind the upper shift.
    lib->EncodeSetProp(enc.get(), DmtxPropScheme, DmtxSchemeAscii);
    lib->EncodeSetProp(enc.get(), DmtxPropSizeRequest,
                       rectangular ? DmtxSymbolRectAuto : DmtxSymbolSquareAuto);
    lib->EncodeSetProp(enc.get(), DmtxPropMarginSize, 0);
    lib->EncodeSetProp(enc.get(), DmtxPropModuleSize, 1);
    std::vector<unsigned char> bytes(latin1.begin(), latin1.end());
    if (lib->EncodeDataMatrix(enc.get(), static_cast<int>(bytes.size()), bytes.data()) != DmtxPass)
        return {};
    const int size = enc->region.sizeIdx;
    engine::CModuleMatrix m;
    m.rows = lib->GetSymbolAttribute(DmtxSymAttribSymbolRows, size);
    m.cols = lib->GetSymbolAttribute(DmtxSymAttribSymbolCols, size);
    if (m.rows <= 0 || m.cols <= 0) return {};
    m.dark.resize(static_cast<std::size_t>(m.rows) * static_cast<std::size_t>(m.cols));
    // The library counts its rows from the bottom.
    for (int r = 0; r < m.rows; ++r)
        for (int c = 0; c < m.cols; ++c)
            m.dark[static_cast<std::size_t>(r) * static_cast<std::size_t>(m.cols) +
                   static_cast<std::size_t>(c)] =
                (lib->SymbolModuleStatus(enc->message, size, m.rows - 1 - r, c) &
                 DmtxModuleOnRGB) != 0;
    return m;
}

// ---- CMatrixBarcode ----

void CMatrixBarcode::Serialize(CArchive& ar) {
    CBarcode::Serialize(ar);
    if (ar.IsStoring()) {
        ar << StoredChoice();
    } else {
        std::int32_t choice = 0;
        ar >> choice;
        StoreChoice(choice);
    }
}

void CMatrixBarcode::SetData(std::string_view text) {
    m_strData = text;
}

int CMatrixBarcode::GetWidth() const {
    const engine::CModuleMatrix m = Encode();
    if (m.Empty()) return 0;
    return engine::ClampToInt(static_cast<std::int64_t>(m.cols + 2 * GetQuietModules()) *
                              engine::ReadDensity());
}

CSize CMatrixBarcode::GetQuietZones() const {
    const int q =
        engine::ClampToInt(static_cast<std::int64_t>(GetQuietModules()) * engine::ReadDensity());
    return {q, q};
}

void CMatrixBarcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                          int orientation) const {
    (void)barHeight; // a matrix symbol is as tall as its modules make it
    const engine::CModuleMatrix m = Encode();
    if (m.Empty()) return;
    const int o = engine::NormalizeOrientation(orientation);
    const engine::CMatrixPlacement placed =
        engine::DrawModuleMatrix(surface, origin, o, m, GetQuietModules());
    if (showText) DrawTextCentred(surface, placed.first, placed.last, placed.below, o, m_strData);
    engine::Advance(origin, placed.length, o);
}

CBarcode::CDataCheck CMatrixBarcode::CheckData(std::string_view typed) const {
    CDataCheck check{std::string(typed), std::string(typed), {}};
    if (CMessage why = WhyNotEncodable(typed); !why.Empty()) {
        check.change.push_back(std::move(why));
        check.reads.clear();
    }
    return check;
}

int CMatrixBarcode::GetOptionValue() const {
    const COption* option = GetOption();
    const std::int32_t v = StoredChoice();
    return v >= 0 && static_cast<std::size_t>(v) < option->choices.size() ? v : option->preset->def;
}

void CMatrixBarcode::SetOptionValue(int value) {
    if (value >= 0 && static_cast<std::size_t>(value) < GetOption()->choices.size())
        StoreChoice(value);
}

// ---- CQRBarcode ----

IMPLEMENT_SERIAL(CQRBarcode, CBarcode, 256)

CQRBarcode::CQRBarcode() : m_nLevel(settings::Get(settings::kQrErrorCorrection)) {}

const CBarcode::COption* CQRBarcode::GetOption() const {
    static const COption option{"Error correction", kLevelChoices, &settings::kQrErrorCorrection};
    return &option;
}

engine::CModuleMatrix CQRBarcode::Encode() const {
    return EncodeQrCode(m_strData, GetOptionValue());
}

CMessage CQRBarcode::WhyNotEncodable(std::string_view data) const {
    if (data.empty()) return MakeMessage(Msg::NoDataToEncode);
    if (!Qr().Get()) return MissingLibrary("QR Code", Qr().error);
    const int level = GetOptionValue();
    if (!EncodeQrCode(data, level).Empty()) return {};
    const char* name = kLevelNames[static_cast<std::size_t>(level)];
    // The highest level below that still holds it, if any.
    for (int lower = level - 1; lower >= 0; --lower)
        if (!EncodeQrCode(data, lower).Empty())
            return MakeMessage(Msg::QrTooLongLowerHolds, name,
                               kLevelNames[static_cast<std::size_t>(lower)]);
    return MakeMessage(level > 0 ? Msg::QrTooLongAnyLevel : Msg::QrTooLongAtLevel, name);
}

// ---- CDataMatrixBarcode ----

IMPLEMENT_SERIAL(CDataMatrixBarcode, CBarcode, 256)

CDataMatrixBarcode::CDataMatrixBarcode() : m_nShape(settings::Get(settings::kDataMatrixShape)) {}

const CBarcode::COption* CDataMatrixBarcode::GetOption() const {
    static const COption option{"Shape", kShapeNames, &settings::kDataMatrixShape};
    return &option;
}

engine::CModuleMatrix CDataMatrixBarcode::Encode() const {
    return EncodeDataMatrix(m_strData, GetOptionValue() == 1);
}

CMessage CDataMatrixBarcode::WhyNotEncodable(std::string_view data) const {
    if (data.empty()) return MakeMessage(Msg::NoDataToEncode);
    if (!Dmtx().Get()) return MissingLibrary("Data Matrix", Dmtx().error);
    const bool rectangular = GetOptionValue() == 1;
    if (!EncodeDataMatrix(data, rectangular).Empty()) return {};
    if (rectangular && !EncodeDataMatrix(data, false).Empty())
        return MakeMessage(Msg::DataMatrixRectTooLong);
    return MakeMessage(Msg::DataMatrixTooLong);
}
