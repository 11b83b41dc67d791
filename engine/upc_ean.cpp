#include "engine/upc_ean.h"

#include "common/filter.h"
#include "engine/primitives.h"
#include "engine/upc_ean_tables.h"

#include <array>
#include <cstdint>

using namespace upc_ean;

namespace {

constexpr std::size_t kUpcALength = 11;
constexpr std::size_t kUpcELength = 6;
constexpr std::size_t kEan13Length = 12;
constexpr std::size_t kEan8Length = 7;

// The digit text has a font of its own, whatever the object's font fields say.
constexpr std::string_view kTextFace = "Courier New";
constexpr int kTextHeight = 111;
constexpr int kTextWeight = 100;
// The text line lies this far before the end of the bars; its opaque cells erase the lower
// ends of the digit bars, so the guards, which no text covers, look longer.
constexpr int kTextRise = 60;
// Room for the digit printed before the start guard.
constexpr int kLeadingDigitRoom = 83;

std::string_view Pattern(const std::array<DigitRow, 10>& table, char digit) {
    if (digit < '0' || digit > '9') return {};
    return table[static_cast<std::size_t>(digit - '0')].pattern;
}

// The check digit as a character. Drawing always works on normalised digits, so the -1 of a
// non-digit never reaches here; should it, '0' keeps the symbol drawable.
char CheckChar(int check) {
    return static_cast<char>('0' + (check < 0 ? 0 : check));
}

// Draws the module patterns and places the digit text, with the text font selected for the
// whole of one Draw and given back when the drawing ends, text shown or not.
// The origin is left at the running position after the last element when the painter ends.
class UpcPainter {
public:
    UpcPainter(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText, int orientation)
        : m_surface(surface), m_origin(origin), m_bars(surface, origin, orientation),
          m_barHeight(barHeight), m_showText(showText), m_orientation(orientation),
          m_textLine(engine::ClampToInt(static_cast<std::int64_t>(barHeight) - kTextRise)) {
        m_surface.SelectFont(
            {std::string(kTextFace), kTextHeight, kTextWeight, engine::Escapement(orientation)});
    }
    ~UpcPainter() {
        m_surface.RestoreFont();
        m_origin = m_bars.Position();
    }
    UpcPainter(const UpcPainter&) = delete;
    UpcPainter& operator=(const UpcPainter&) = delete;

    CPoint Position() const { return m_bars.Position(); }

    void Modules(std::string_view pattern) { m_bars.Modules(pattern, m_barHeight); }

    // The digit printed before the start guard, and the room it takes: only with text on,
    // otherwise the guard starts at the origin.
    void LeadingDigit(std::string_view text) {
        if (!m_showText) return;
        StartsAt(Position(), text);
        m_bars.FixedSpace(kLeadingDigitRoom);
    }

    void StartsAt(CPoint p, std::string_view text) {
        if (m_showText) m_surface.TextOut(OnTextLine(p), text);
    }

    // The text ends `gap` units before p; measured even with text off.
    void EndsAt(CPoint p, std::string_view text, int gap = 0) {
        const int cx = m_surface.GetTextExtent(text).cx;
        if (!m_showText) return;
        engine::Advance(p, engine::ClampToInt(-static_cast<std::int64_t>(cx) - gap), m_orientation);
        m_surface.TextOut(OnTextLine(p), text);
    }

    // The check digit nudged one unit off the end of the bars.
    void CheckDigitAfter(CPoint p, char digit) {
        if (!m_showText) return;
        p.x = engine::ClampToInt(static_cast<std::int64_t>(p.x) + 1);
        if (engine::NormalizeOrientation(m_orientation) != 2)
            p.y = engine::ClampToInt(static_cast<std::int64_t>(p.y) + 1);
        m_surface.TextOut(OnTextLine(p), std::string_view(&digit, 1));
    }

private:
    CPoint OnTextLine(CPoint p) const { return engine::AlongBar(p, m_textLine, m_orientation); }

    CDrawSurface& m_surface;
    CPoint& m_origin;
    engine::CBarCursor m_bars;
    int m_barHeight;
    bool m_showText;
    int m_orientation;
    int m_textLine;
};

int ModuleWidth(std::int64_t modules, std::int64_t extra) {
    return engine::ClampToInt(modules * engine::ReadDensity() + extra);
}

// Light margins in modules before the first bar and after the last one.
CSize LightMargins(int before, int after) {
    return {ModuleWidth(before, 0), ModuleWidth(after, 0)};
}

// What the retail symbologies make of typed digits: the first `length` digits are the data,
// a digit after them is taken for a check digit and compared with the one computed, and for
// UPC-E the eight-digit printed form (number system 0, six digits, check digit) stands for its
// six digits.
CBarcode::CDataCheck CheckRetailData(std::string_view typed, std::size_t length,
                                     const std::string& symbology, bool upcE) {
    const std::string digits = FilterToCharset(typed, kDigits);
    CMessages reasons;
    const std::size_t removed = typed.size() - digits.size();
    if (removed > 0)
        reasons.push_back(
            removed == 1 ? MakeMessage(Msg::CharacterRemoved, symbology)
                         : MakeMessage(Msg::CharactersRemoved, std::to_string(removed), symbology));
    std::string kept = digits;
    char typedCheck = 0;
    if (upcE && digits.size() == 8 && digits[0] == '0') {
        kept = digits.substr(1, 6);
        typedCheck = digits[7];
    } else if (digits.size() == length + 1) {
        kept = digits.substr(0, length);
        typedCheck = digits.back();
    } else if (digits.size() > length) {
        kept = digits.substr(0, length);
        reasons.push_back(MakeMessage(Msg::DigitsAfterLeftOut, std::to_string(length)));
    } else if (digits.size() < length) {
        kept.resize(length, '0');
        const std::size_t zeros = length - digits.size();
        reasons.push_back(zeros == 1 ? MakeMessage(Msg::ZeroAddedToLength, std::to_string(length))
                                     : MakeMessage(Msg::ZerosAddedToLength, std::to_string(zeros),
                                                   std::to_string(length)));
    }
    const std::string body = upcE ? ExpandUpcE(kept) : kept;
    // EAN-13's weights start one place later than UPC-A's; a leading 0 shifts them.
    const char check = CheckChar(UpcCheckDigit(length == kEan13Length ? "0" + body : body));
    if (typedCheck && typedCheck != check)
        reasons.push_back(MakeMessage(Msg::CheckDigitReplaced, std::string(1, typedCheck),
                                      std::string(1, check)));
    CBarcode::CDataCheck result;
    result.input = kept;
    result.reads = (upcE ? "0" : "") + kept + check;
    result.change = std::move(reasons);
    return result;
}

} // namespace

CBarcode::CDataCheck CUPCABarcode::CheckData(std::string_view typed) const {
    return CheckRetailData(typed, kUpcALength, SymbologyName(), false);
}

CBarcode::CDataCheck CUPCEBarcode::CheckData(std::string_view typed) const {
    return CheckRetailData(typed, kUpcELength, SymbologyName(), true);
}

CBarcode::CDataCheck CEAN13Barcode::CheckData(std::string_view typed) const {
    return CheckRetailData(typed, kEan13Length, SymbologyName(), false);
}

CBarcode::CDataCheck CEAN8Barcode::CheckData(std::string_view typed) const {
    return CheckRetailData(typed, kEan8Length, SymbologyName(), false);
}

int UpcCheckDigit(std::string_view digits) {
    int sum = 0;
    int weight = 3;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        sum = (sum + weight * (c - '0')) % 10;
        weight = 4 - weight;
    }
    return sum == 0 ? 0 : 10 - sum;
}

std::string ExpandUpcE(std::string_view body) {
    if (body.size() != kUpcELength) return {};
    const char d1 = body[0], d2 = body[1], d3 = body[2], d4 = body[3], d5 = body[4], d6 = body[5];
    switch (d6) {
    case '0':
    case '1':
    case '2':
        return {'0', d1, d2, d6, '0', '0', '0', '0', d3, d4, d5};
    case '3':
        return {'0', d1, d2, d3, '0', '0', '0', '0', '0', d4, d5};
    case '4':
        return {'0', d1, d2, d3, d4, '0', '0', '0', '0', '0', d5};
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        // The four zeros the full form would hold add nothing to the check digit and leave the
        // other digits' weights alone, so they are left out.
        return {'0', d1, d2, d3, d4, d5, d6};
    default:
        return {};
    }
}

std::string NormalizeUpcDigits(std::string_view text, std::size_t length) {
    std::string digits = FilterToCharset(text, kDigits);
    digits.resize(length, '0');
    return digits;
}

// ---- CUPCABarcode ----

IMPLEMENT_SERIAL(CUPCABarcode, CBarcode, 256)

void CUPCABarcode::SetData(std::string_view text) {
    m_strData = NormalizeUpcDigits(text, kUpcALength);
}

CSize CUPCABarcode::GetQuietZones() const {
    return LightMargins(9, 9);
}

int CUPCABarcode::GetWidth() const {
    return ModuleWidth(99, kLeadingDigitRoom);
}

void CUPCABarcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                        int orientation) const {
    const std::string d = NormalizeUpcDigits(m_strData, kUpcALength);
    const char check = CheckChar(UpcCheckDigit(d));
    UpcPainter paint(surface, origin, barHeight, showText, orientation);
    paint.LeadingDigit(d.substr(0, 1));
    paint.Modules(kNormalGuard);
    for (std::size_t i = 0; i < 6; ++i)
        paint.Modules(Pattern(kSetA, d[i]));
    paint.EndsAt(paint.Position(), d.substr(1, 5));
    paint.Modules(kCentreGuard);
    const CPoint rightHalf = paint.Position();
    for (std::size_t i = 6; i < kUpcALength; ++i)
        paint.Modules(Pattern(kSetC, d[i]));
    paint.Modules(Pattern(kSetC, check));
    paint.StartsAt(rightHalf, d.substr(6, 5));
    paint.Modules(kNormalGuard);
    paint.CheckDigitAfter(paint.Position(), check);
}

// ---- CUPCEBarcode ----

IMPLEMENT_SERIAL(CUPCEBarcode, CBarcode, 256)

void CUPCEBarcode::SetData(std::string_view text) {
    m_strData = NormalizeUpcDigits(text, kUpcELength);
}

CSize CUPCEBarcode::GetQuietZones() const {
    return LightMargins(9, 7);
}

int CUPCEBarcode::GetWidth() const {
    return ModuleWidth(51, kLeadingDigitRoom);
}

void CUPCEBarcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                        int orientation) const {
    const std::string d = NormalizeUpcDigits(m_strData, kUpcELength);
    const char check = CheckChar(UpcCheckDigit(ExpandUpcE(d)));
    const std::string_view parity = Pattern(kUpcEParity, check);
    UpcPainter paint(surface, origin, barHeight, showText, orientation);
    paint.LeadingDigit("0"); // the number system, always 0
    paint.Modules(kNormalGuard);
    for (std::size_t i = 0; i < kUpcELength; ++i)
        paint.Modules(Pattern(parity[i] == 'E' ? kSetB : kSetA, d[i]));
    paint.EndsAt(paint.Position(), d, 2);
    paint.Modules(kUpcEEndGuard);
    paint.CheckDigitAfter(paint.Position(), check);
}

// ---- CEAN13Barcode ----

IMPLEMENT_SERIAL(CEAN13Barcode, CBarcode, 256)

void CEAN13Barcode::SetData(std::string_view text) {
    m_strData = NormalizeUpcDigits(text, kEan13Length);
}

CSize CEAN13Barcode::GetQuietZones() const {
    return LightMargins(11, 7);
}

int CEAN13Barcode::GetWidth() const {
    return ModuleWidth(106, kLeadingDigitRoom);
}

void CEAN13Barcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                         int orientation) const {
    const std::string d = NormalizeUpcDigits(m_strData, kEan13Length);
    // The leading 0 shifts the weights so that the last data digit gets 3, as EAN-13 counts.
    const char check = CheckChar(UpcCheckDigit("0" + d));
    // The first digit is drawn by the parity of digits 3 to 7, not by bars of its own.
    const std::string_view parity = Pattern(kEan13Parity, d[0]);
    UpcPainter paint(surface, origin, barHeight, showText, orientation);
    paint.LeadingDigit(d.substr(0, 1));
    paint.Modules(kNormalGuard);
    paint.Modules(Pattern(kSetA, d[1]));
    for (std::size_t i = 2; i < 7; ++i)
        paint.Modules(Pattern(parity[i - 2] == 'E' ? kSetB : kSetA, d[i]));
    paint.EndsAt(paint.Position(), d.substr(1, 6));
    paint.Modules(kCentreGuard);
    const CPoint rightHalf = paint.Position();
    for (std::size_t i = 7; i < kEan13Length; ++i)
        paint.Modules(Pattern(kSetC, d[i]));
    paint.Modules(Pattern(kSetC, check));
    paint.StartsAt(rightHalf, d.substr(7, 5) + check);
    paint.Modules(kNormalGuard);
}

// ---- CEAN8Barcode ----

IMPLEMENT_SERIAL(CEAN8Barcode, CBarcode, 256)

void CEAN8Barcode::SetData(std::string_view text) {
    m_strData = NormalizeUpcDigits(text, kEan8Length);
}

CSize CEAN8Barcode::GetQuietZones() const {
    return LightMargins(7, 7);
}

int CEAN8Barcode::GetWidth() const {
    return ModuleWidth(64, 0);
}

void CEAN8Barcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                        int orientation) const {
    const std::string d = NormalizeUpcDigits(m_strData, kEan8Length);
    const char check = CheckChar(UpcCheckDigit(d));
    UpcPainter paint(surface, origin, barHeight, showText, orientation);
    paint.Modules(kNormalGuard);
    for (std::size_t i = 0; i < 4; ++i)
        paint.Modules(Pattern(kSetA, d[i]));
    paint.EndsAt(paint.Position(), d.substr(0, 4));
    paint.Modules(kCentreGuard);
    const CPoint rightHalf = paint.Position();
    for (std::size_t i = 4; i < kEan8Length; ++i)
        paint.Modules(Pattern(kSetC, d[i]));
    paint.Modules(Pattern(kSetC, check));
    paint.StartsAt(rightHalf, d.substr(4, 3) + check);
    paint.Modules(kNormalGuard);
}
