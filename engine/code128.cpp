#include "engine/code128.h"

#include "common/latin1.h"
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

// The function and code-set characters the data's codes 195 to 206 stand for in set A.
constexpr const char* kControlNames[] = {"US",   "FNC3", "FNC2",    "SHIFT",   "CODE C",  "CODE B",
                                         "FNC4", "FNC1", "Start A", "Start B", "Start C", "Stop"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a seven-bit character in set A (0) or B (1), DEL included (value 95 of set B);
// -1 when that set has none.
int SevenBitValue(int c, int set) {
    if (set == 1 && c == 127) return 95;
    return Code128Value(static_cast<unsigned char>(c), set);
}

// A character without a value in the running set A or B (ISO/IEC 15417): one above 127 as FNC4
// and the character of its low seven bits, and a character of the other set behind SHIFT, so
// that a reader reads the character as typed.
void EncodeOutsideSet(unsigned char c, int set, std::vector<int>& values) {
    int low = c;
    if (c >= 128) {
        values.push_back(set == 0 ? kCode128CodeA : kCode128CodeB); // FNC4 in that set
        low = c - 128;
    }
    const int v = SevenBitValue(low, set);
    if (v >= 0) {
        values.push_back(v);
        return;
    }
    values.push_back(kCode128Shift);
    values.push_back(SevenBitValue(low, 1 - set));
}

// The character of value `v` in set A (0) or B (1).
char SetCharacter(int v, int set) {
    if (set == 0) return static_cast<char>(v < 64 ? v + 32 : v - 64);
    return static_cast<char>(v + 32);
}

} // namespace

std::string Code128Reading(const Code128Symbol& symbol) {
    std::string text;
    int set = symbol.start - kCode128StartA;
    bool shift = false, fnc4Next = false, fnc4All = false;
    for (std::size_t k = 0; k < symbol.values.size(); ++k) {
        const int v = symbol.values[k];
        const int in = shift ? 1 - set : set;
        shift = false;
        if (set == 2 && v < 100) {
            text += static_cast<char>('0' + v / 10);
            text += static_cast<char>('0' + v % 10);
            continue;
        }
        if (v == kCode128Fnc1) {
            // A reader gives FNC1 after the first position as the group separator.
            if (k > 0) text += '\x1D';
            continue;
        }
        if (set != 2 && v < 96) {
            const int c = static_cast<unsigned char>(SetCharacter(v, in));
            text += static_cast<char>(fnc4All != fnc4Next ? c + 128 : c);
            fnc4Next = false;
            continue;
        }
        if (v == kCode128CodeC)
            set = 2;
        else if (v == kCode128Shift && set != 2)
            shift = true;
        else if ((v == kCode128CodeA && set == 0) || (v == kCode128CodeB && set == 1)) {
            // FNC4: the next character 128 higher; twice, every character until two more.
            if (fnc4Next) fnc4All = !fnc4All;
            fnc4Next = !fnc4Next;
        } else if (v == kCode128CodeA)
            set = 0;
        else if (v == kCode128CodeB)
            set = 1;
    }
    return text;
}

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
        if (v >= kCode128StartA) continue;
        if (v < 0) {
            EncodeOutsideSet(c, set, symbol.values);
            continue;
        }
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

CBarcode::CDataCheck C128Barcode::CheckData(std::string_view typed) const {
    CDataCheck check{std::string(typed), {}, {}};
    C128Barcode probe;
    probe.SetData(typed);
    check.reads = Code128Reading(Code128Encode(probe.m_strData, probe.m_nCodeSet));
    if (check.reads == typed) return check;
    // The codes 195 to 206 are the data's function and code-set characters, not letters.
    for (const char c : typed) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 195 && code <= 206) {
            check.change.push_back(MakeMessage(Msg::Code128ControlCharacter,
                                               Latin1ToUtf8(std::string(1, c)),
                                               kControlNames[code - 195]));
            return check;
        }
    }
    check.change = engine::DescribeChange(typed, check.reads, SymbologyName());
    return check;
}

std::string C128Barcode::GetPattern(int value) const {
    return std::string(Code128Pattern(value));
}

void C128Barcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                       int orientation) const {
    const engine::CBarCursor bars = DrawCode128Symbol(
        surface, origin, barHeight, orientation, Code128Encode(m_strData, m_nCodeSet),
        [this](int value) { return GetPattern(value); });
    // The text is what a reader reads from the bars.
    if (showText)
        DrawHumanText(surface, bars, barHeight,
                      Code128Reading(Code128Encode(m_strData, m_nCodeSet)));
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
