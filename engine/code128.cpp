#include "engine/code128.h"

#include "engine/primitives.h"

#include <array>

namespace {

// Code 128 symbol characters, ISO/IEC 15417 table: eleven modules each, three bars and three
// spaces; the stop (106) carries its two-module termination bar.
constexpr std::array<std::string_view, 107> kCode128Table = {
    "bbsbbssbbss", "bbssbbsbbss", "bbssbbssbbs",   "bssbssbbsss", // 0-3
    "bssbsssbbss", "bsssbssbbss", "bssbbssbsss",   "bssbbsssbss", // 4-7
    "bsssbbssbss", "bbssbssbsss", "bbssbsssbss",   "bbsssbssbss", // 8-11
    "bsbbssbbbss", "bssbbsbbbss", "bssbbssbbbs",   "bsbbbssbbss", // 12-15
    "bssbbbsbbss", "bssbbbssbbs", "bbssbbbssbs",   "bbssbsbbbss", // 16-19
    "bbssbssbbbs", "bbsbbbssbss", "bbssbbbsbss",   "bbbsbbsbbbs", // 20-23
    "bbbsbssbbss", "bbbssbsbbss", "bbbssbssbbs",   "bbbsbbssbss", // 24-27
    "bbbssbbsbss", "bbbssbbssbs", "bbsbbsbbsss",   "bbsbbsssbbs", // 28-31
    "bbsssbbsbbs", "bsbsssbbsss", "bsssbsbbsss",   "bsssbsssbbs", // 32-35
    "bsbbsssbsss", "bsssbbsbsss", "bsssbbsssbs",   "bbsbsssbsss", // 36-39
    "bbsssbsbsss", "bbsssbsssbs", "bsbbsbbbsss",   "bsbbsssbbbs", // 40-43
    "bsssbbsbbbs", "bsbbbsbbsss", "bsbbbsssbbs",   "bsssbbbsbbs", // 44-47
    "bbbsbbbsbbs", "bbsbsssbbbs", "bbsssbsbbbs",   "bbsbbbsbsss", // 48-51
    "bbsbbbsssbs", "bbsbbbsbbbs", "bbbsbsbbsss",   "bbbsbsssbbs", // 52-55
    "bbbsssbsbbs", "bbbsbbsbsss", "bbbsbbsssbs",   "bbbsssbbsbs", // 56-59
    "bbbsbbbbsbs", "bbssbssssbs", "bbbbsssbsbs",   "bsbssbbssss", // 60-63
    "bsbssssbbss", "bssbsbbssss", "bssbssssbbs",   "bssssbsbbss", // 64-67
    "bssssbssbbs", "bsbbssbssss", "bsbbssssbss",   "bssbbsbssss", // 68-71
    "bssbbssssbs", "bssssbbsbss", "bssssbbssbs",   "bbssssbssbs", // 72-75
    "bbssbsbssss", "bbbbsbbbsbs", "bbssssbsbss",   "bsssbbbbsbs", // 76-79
    "bsbssbbbbss", "bssbsbbbbss", "bssbssbbbbs",   "bsbbbbssbss", // 80-83
    "bssbbbbsbss", "bssbbbbssbs", "bbbbsbssbss",   "bbbbssbsbss", // 84-87
    "bbbbssbssbs", "bbsbbsbbbbs", "bbsbbbbsbbs",   "bbbbsbbsbbs", // 88-91
    "bsbsbbbbsss", "bsbsssbbbbs", "bsssbsbbbbs",   "bsbbbbsbsss", // 92-95
    "bsbbbbsssbs", "bbbbsbsbsss", "bbbbsbsssbs",   "bsbbbsbbbbs", // 96-99
    "bsbbbbsbbbs", "bbbsbsbbbbs", "bbbbsbsbbbs",   "bbsbssssbss", // 100-103
    "bbsbssbssss", "bbsbssbbbss", "bbsssbbbsbsbb",                // 104-106
};
static_assert(kCode128Table.size() == kCode128Stop + 1);

constexpr int CountBars(std::string_view p) {
    int bars = 0;
    for (std::size_t i = 0; i < p.size(); ++i)
        bars += p[i] == 'b' && (i == 0 || p[i - 1] == 's');
    return bars;
}

constexpr bool EveryCharacterIsElevenModulesOfThreeBars() {
    for (int v = 0; v < kCode128Stop; ++v) {
        const std::string_view p = kCode128Table[v];
        if (p.size() != 11 || p.front() != 'b' || p.back() != 's' || CountBars(p) != 3)
            return false;
    }
    const std::string_view stop = kCode128Table[kCode128Stop];
    return stop.size() == 13 && stop.substr(11) == "bb" && CountBars(stop) == 4;
}
static_assert(EveryCharacterIsElevenModulesOfThreeBars());

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string_view Code128Pattern(int value) {
    if (value < 0 || value >= static_cast<int>(kCode128Table.size())) return {};
    return kCode128Table[static_cast<std::size_t>(value)];
}

// Character codes and their values:
//   code       set A      set B
//   0-31       64-95      -
//   32-95      0-63       0-63
//   96-126     -          64-94
//   195-206    95-106     95-106   (the control characters of the data)
int Code128Value(unsigned char c, int codeSet) {
    if (c >= 195 && c <= 206) return c - 100;
    if (codeSet == 0) {
        if (c < 32) return c + 64;
        if (c <= 95) return c - 32;
    } else if (codeSet == 1) {
        if (c >= 32 && c <= 126) return c - 32;
    }
    return -1;
}

Code128Symbol Code128Encode(std::string_view data, int codeSet) {
    int set = codeSet >= 0 && codeSet <= 2 ? codeSet : 0;
    Code128Symbol symbol;
    symbol.start = kCode128StartA + set;
    symbol.values.reserve(data.size());
    std::size_t i = 0;
    while (i < data.size()) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (set == 2) {
            // Set C knows three of the control characters by their set-A value; every other
            // position starts a pair of digits.
            const int a = Code128Value(c, 0);
            if (a == kCode128CodeA || a == kCode128CodeB || a == kCode128Fnc1) {
                symbol.values.push_back(a);
                if (a == kCode128CodeA) set = 0;
                if (a == kCode128CodeB) set = 1;
                ++i;
                continue;
            }
            const std::string_view pair = data.substr(i, 2);
            i += pair.size();
            if (!IsDigit(pair.front()) || !IsDigit(pair.back())) continue;
            int value = 0;
            for (char d : pair)
                value = value * 10 + (d - '0');
            symbol.values.push_back(value);
            continue;
        }
        const int v = Code128Value(c, set);
        ++i;
        // A start or stop character inside the data would end the symbol for every reader.
        if (v < 0 || v >= kCode128StartA) continue;
        symbol.values.push_back(v);
        // CODE A/B/C switch sets; SHIFT is drawn but changes nothing here.
        if (v == kCode128CodeC)
            set = 2;
        else if (set == 0 && v == kCode128CodeB)
            set = 1;
        else if (set == 1 && v == kCode128CodeA)
            set = 0;
    }
    // Weights count the values from 1; reducing both modulo 103 as we go keeps any data
    // length from overflowing.
    int sum = symbol.start % 103;
    for (std::size_t k = 0; k < symbol.values.size(); ++k)
        sum = (sum + symbol.values[k] * static_cast<int>((k + 1) % 103)) % 103;
    symbol.check = sum;
    return symbol;
}

// ---- C128Barcode ----

IMPLEMENT_SERIAL(C128Barcode, CBarcode, 256)

void C128Barcode::Serialize(CArchive& ar) {
    CBarcode::Serialize(ar);
    if (ar.IsStoring())
        ar << m_nCodeSet;
    else
        ar >> m_nCodeSet;
}

void C128Barcode::SetData(std::string_view text) {
    m_strData = text;
    for (char& c : m_strData)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    m_nCodeSet = 0;
}

int C128Barcode::GetWidth() const {
    const std::int64_t n = static_cast<std::int64_t>(m_strData.size());
    return engine::ClampToInt(12LL * engine::ReadDensity() * (n + 3));
}

CSize C128Barcode::GetQuietZones() const {
    const int q = engine::ClampToInt(10LL * engine::ReadDensity());
    return {q, q};
}

std::string Code128Text(std::string_view data) {
    std::string text;
    text.reserve(data.size());
    for (char c : data) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 195 || code > 206) text.push_back(c);
    }
    return text;
}

std::string C128Barcode::GetPattern(int value) const {
    return std::string(Code128Pattern(value));
}

void C128Barcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                       int orientation) const {
    const engine::CBarCursor bars = DrawCode128Symbol(
        surface, origin, barHeight, orientation, Code128Encode(m_strData, m_nCodeSet),
        [this](int value) { return GetPattern(value); });
    if (showText) DrawHumanText(surface, bars, barHeight, Code128Text(m_strData));
}

engine::CBarCursor DrawCode128Symbol(CDrawSurface& surface, CPoint& origin, int barHeight,
                                     int orientation, const Code128Symbol& symbol,
                                     const std::function<std::string(int)>& pattern) {
    engine::CBarCursor bars(surface, origin, orientation);
    const auto draw = [&](int value) { bars.Modules(pattern(value), barHeight); };
    draw(symbol.start);
    for (int v : symbol.values)
        draw(v);
    draw(symbol.check);
    draw(kCode128Stop);
    origin = bars.Position();
    return bars;
}
