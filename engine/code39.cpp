#include "engine/code39.h"

#include "common/filter.h"
#include "engine/primitives.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::string_view kCode39Alphabet = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ+-.*$/%";

struct Code39Row {
    char ch;
    std::string_view pattern; // nine elements, then the narrow gap
};

// Code 39 character patterns, ISO/IEC 16388 table: bar, space, ... bar; three elements wide.
constexpr std::array<Code39Row, 44> kCode39Table = {{
    {'0', "nnnwwnwnnn"}, {'1', "wnnwnnnnwn"}, {'2', "nnwwnnnnwn"}, {'3', "wnwwnnnnnn"},
    {'4', "nnnwwnnnwn"}, {'5', "wnnwwnnnnn"}, {'6', "nnwwwnnnnn"}, {'7', "nnnwnnwnwn"},
    {'8', "wnnwnnwnnn"}, {'9', "nnwwnnwnnn"}, {'A', "wnnnnwnnwn"}, {'B', "nnwnnwnnwn"},
    {'C', "wnwnnwnnnn"}, {'D', "nnnnwwnnwn"}, {'E', "wnnnwwnnnn"}, {'F', "nnwnwwnnnn"},
    {'G', "nnnnnwwnwn"}, {'H', "wnnnnwwnnn"}, {'I', "nnwnnwwnnn"}, {'J', "nnnnwwwnnn"},
    {'K', "wnnnnnnwwn"}, {'L', "nnwnnnnwwn"}, {'M', "wnwnnnnwnn"}, {'N', "nnnnwnnwwn"},
    {'O', "wnnnwnnwnn"}, {'P', "nnwnwnnwnn"}, {'Q', "nnnnnnwwwn"}, {'R', "wnnnnnwwnn"},
    {'S', "nnwnnnwwnn"}, {'T', "nnnnwnwwnn"}, {'U', "wwnnnnnnwn"}, {'V', "nwwnnnnnwn"},
    {'W', "wwwnnnnnnn"}, {'X', "nwnnwnnnwn"}, {'Y', "wwnnwnnnnn"}, {'Z', "nwwnwnnnnn"},
    {'-', "nwnnnnwnwn"}, {'.', "wwnnnnwnnn"}, {' ', "nwwnnnwnnn"}, {'*', "nwnnwnwnnn"},
    {'$', "nwnwnwnnnn"}, {'/', "nwnwnnnwnn"}, {'+', "nwnnnwnwnn"}, {'%', "nnnwnwnwnn"},
}};
// The table holds the data alphabet plus the space, which only data from a file can contain.
static_assert(kCode39Table.size() == kCode39Alphabet.size() + 1);

constexpr bool EveryPatternHasThreeWide() {
    for (const Code39Row& row : kCode39Table) {
        int wide = 0;
        for (char c : row.pattern)
            wide += c == 'w';
        if (row.pattern.size() != 10 || wide != 3 || row.pattern.back() != 'n') return false;
    }
    return true;
}
static_assert(EveryPatternHasThreeWide());

struct FullAsciiRow {
    unsigned char code;
    std::string_view expansion;
};

// Code 39 full-ASCII table: every 7-bit code as one or two Code 39 characters.
constexpr std::array<FullAsciiRow, 128> kFullAsciiTable = {{
    {0, "%U"},   // NUL
    {1, "$A"},   // ^A
    {2, "$B"},   // ^B
    {3, "$C"},   // ^C
    {4, "$D"},   // ^D
    {5, "$E"},   // ^E
    {6, "$F"},   // ^F
    {7, "$G"},   // ^G
    {8, "$H"},   // ^H
    {9, "$I"},   // ^I
    {10, "$J"},  // ^J
    {11, "$K"},  // ^K
    {12, "$L"},  // ^L
    {13, "$M"},  // ^M
    {14, "$N"},  // ^N
    {15, "$O"},  // ^O
    {16, "$P"},  // ^P
    {17, "$Q"},  // ^Q
    {18, "$R"},  // ^R
    {19, "$S"},  // ^S
    {20, "$T"},  // ^T
    {21, "$U"},  // ^U
    {22, "$V"},  // ^V
    {23, "$W"},  // ^W
    {24, "$X"},  // ^X
    {25, "$Y"},  // ^Y
    {26, "$Z"},  // ^Z
    {27, "%A"},  // ^[
    {28, "%B"},  // FS
    {29, "%C"},  // ^]
    {30, "%D"},  // ^^
    {31, "%E"},  // ^_
    {32, " "},   // space
    {33, "/A"},  // !
    {34, "/B"},  // "
    {35, "/C"},  // #
    {36, "/D"},  // $
    {37, "/E"},  // %
    {38, "/F"},  // &
    {39, "/G"},  // '
    {40, "/H"},  // (
    {41, "/I"},  // )
    {42, "/J"},  // *
    {43, "/K"},  // +
    {44, "/L"},  // ,
    {45, "-"},   // -
    {46, "."},   // .
    {47, "/O"},  // /
    {48, "0"},   // 0
    {49, "1"},   // 1
    {50, "2"},   // 2
    {51, "3"},   // 3
    {52, "4"},   // 4
    {53, "5"},   // 5
    {54, "6"},   // 6
    {55, "7"},   // 7
    {56, "8"},   // 8
    {57, "9"},   // 9
    {58, "/Z"},  // :
    {59, "%F"},  // ;
    {60, "%G"},  // <
    {61, "%H"},  // =
    {62, "%I"},  // >
    {63, "%J"},  // ?
    {64, "%V"},  // @
    {65, "A"},   // A
    {66, "B"},   // B
    {67, "C"},   // C
    {68, "D"},   // D
    {69, "E"},   // E
    {70, "F"},   // F
    {71, "G"},   // G
    {72, "H"},   // H
    {73, "I"},   // I
    {74, "J"},   // J
    {75, "K"},   // K
    {76, "L"},   // L
    {77, "M"},   // M
    {78, "N"},   // N
    {79, "O"},   // O
    {80, "P"},   // P
    {81, "Q"},   // Q
    {82, "R"},   // R
    {83, "S"},   // S
    {84, "T"},   // T
    {85, "U"},   // U
    {86, "V"},   // V
    {87, "W"},   // W
    {88, "X"},   // X
    {89, "Y"},   // Y
    {90, "Z"},   // Z
    {91, "%K"},  // [
    {92, "%L"},  // backslash
    {93, "%M"},  // ]
    {94, "%N"},  // ^
    {95, "%O"},  // _
    {96, "%W"},  // `
    {97, "+A"},  // a
    {98, "+B"},  // b
    {99, "+C"},  // c
    {100, "+D"}, // d
    {101, "+E"}, // e
    {102, "+F"}, // f
    {103, "+G"}, // g
    {104, "+H"}, // h
    {105, "+I"}, // i
    {106, "+J"}, // j
    {107, "+K"}, // k
    {108, "+L"}, // l
    {109, "+M"}, // m
    {110, "+N"}, // n
    {111, "+O"}, // o
    {112, "+P"}, // p
    {113, "+Q"}, // q
    {114, "+R"}, // r
    {115, "+S"}, // s
    {116, "+T"}, // t
    {117, "+U"}, // u
    {118, "+V"}, // v
    {119, "+W"}, // w
    {120, "+X"}, // x
    {121, "+Y"}, // y
    {122, "+Z"}, // z
    {123, "%P"}, // {
    {124, "%Q"}, // |
    {125, "%R"}, // }
    {126, "%S"}, // ~
    {127, "%T"}, // DEL
}};

constexpr bool FullAsciiIndexedByCode() {
    for (std::size_t i = 0; i < kFullAsciiTable.size(); ++i)
        if (kFullAsciiTable[i].code != i) return false;
    return true;
}
static_assert(FullAsciiIndexedByCode());

// Modulo-43 values: digits, letters, then "-. $/+%"; '*' and everything else count 0.
int Mod43Value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    constexpr std::string_view kSymbols = "-. $/+%";
    const auto at = kSymbols.find(c);
    return at == std::string_view::npos ? 0 : 36 + static_cast<int>(at);
}

} // namespace

std::string_view Code39Pattern(char c) {
    for (const Code39Row& row : kCode39Table)
        if (row.ch == c) return row.pattern;
    return {};
}

std::string_view Code39FullAscii(unsigned char c) {
    return c < kFullAsciiTable.size() ? kFullAsciiTable[c].expansion : std::string_view{};
}

char Code39Mod43Check(std::string_view data) {
    int sum = 0;
    for (char c : data)
        sum = (sum + Mod43Value(c)) % 43;
    if (sum < 10) return static_cast<char>('0' + sum);
    if (sum < 36) return static_cast<char>('A' + sum - 10);
    return "-. $/+%"[sum - 36];
}

// ---- C39Barcode ----

IMPLEMENT_SERIAL(C39Barcode, CBarcode, 256)

void C39Barcode::SetData(std::string_view text) {
    m_strData = FilterToCharset(text, kCode39Alphabet);
}

int C39Barcode::CharacterWidth() {
    const int x = engine::ReadDensity();
    const int r = engine::ReadRatio();
    return engine::TruncToInt(3.0 * x * r * 0.1 + 7.0 * x);
}

int C39Barcode::GetWidth() const {
    const double x = engine::ReadDensity();
    const double r = engine::ReadRatio();
    const double n = static_cast<double>(m_strData.size());
    return engine::TruncToInt((n + 2) * ((3 * x * r) * 0.1 + 7 * x));
}

std::string C39Barcode::GetPattern(char c) const {
    return std::string(Code39Pattern(c));
}

CSize C39Barcode::GetQuietZones() const {
    const int q = engine::ClampToInt(10LL * engine::ReadDensity());
    return {q, q};
}

void C39Barcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                      int orientation) const {
    engine::CBarCursor bars(surface, origin, orientation);
    bars.WideNarrow(GetPattern('*'), barHeight);
    for (char c : m_strData)
        bars.WideNarrow(GetPattern(c), barHeight);
    bars.WideNarrow(GetPattern('*'), barHeight);
    origin = bars.Position();
    if (showText) DrawHumanText(surface, bars, barHeight, m_strData);
}

// ---- C39Mod43Barcode ----

IMPLEMENT_SERIAL(C39Mod43Barcode, C39Barcode, 256)

int C39Mod43Barcode::GetWidth() const {
    return engine::ClampToInt(static_cast<std::int64_t>(CharacterWidth()) + C39Barcode::GetWidth());
}

CBarcode::CDataCheck C39Mod43Barcode::CheckData(std::string_view typed) const {
    CDataCheck check = C39Barcode::CheckData(typed);
    check.reads += Code39Mod43Check(check.reads);
    return check;
}

void C39Mod43Barcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                           int orientation) const {
    const char check = Code39Mod43Check(m_strData);
    engine::CBarCursor bars(surface, origin, orientation);
    bars.WideNarrow(GetPattern('*'), barHeight);
    for (char c : m_strData)
        bars.WideNarrow(GetPattern(c), barHeight);
    bars.WideNarrow(GetPattern(check), barHeight);
    bars.WideNarrow(GetPattern('*'), barHeight);
    origin = bars.Position();
    if (showText) DrawHumanText(surface, bars, barHeight, m_strData + "  (" + check + ")");
}

// ---- C39ExtBarcode ----

IMPLEMENT_SERIAL(C39ExtBarcode, C39Barcode, 256)

void C39ExtBarcode::SetData(std::string_view text) {
    m_strData.clear();
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 1 && code <= 127) m_strData.push_back(c);
    }
}

int C39ExtBarcode::GetWidth() const {
    std::int64_t k = 0;
    for (char c : m_strData)
        k += static_cast<std::int64_t>(Code39FullAscii(static_cast<unsigned char>(c)).size());
    return engine::ClampToInt(CharacterWidth() * (k + 2));
}

std::string C39ExtBarcode::GetPattern(char c) const {
    std::string pattern;
    for (char part : Code39FullAscii(static_cast<unsigned char>(c)))
        pattern += Code39Pattern(part);
    return pattern;
}

void C39ExtBarcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                         int orientation) const {
    // Start and stop come from the plain table: '*' has no full-ASCII meaning of its own.
    engine::CBarCursor bars(surface, origin, orientation);
    bars.WideNarrow(Code39Pattern('*'), barHeight);
    for (char c : m_strData)
        bars.WideNarrow(GetPattern(c), barHeight);
    bars.WideNarrow(Code39Pattern('*'), barHeight);
    origin = bars.Position();
    if (showText) DrawHumanText(surface, bars, barHeight, m_strData);
}
