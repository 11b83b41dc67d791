#include "engine/i25_postnet.h"

#include "common/filter.h"
#include "engine/primitives.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::string_view kDigits = "0123456789";

struct DigitRow {
    char digit;
    std::string_view pattern;
};

// Interleaved 2 of 5 digit patterns, ISO/IEC 16390 table: five elements, two of them wide.
constexpr std::array<DigitRow, 10> kI25Table = {{
    {'0', "nnwwn"},
    {'1', "wnnnw"},
    {'2', "nwnnw"},
    {'3', "wwnnn"},
    {'4', "nnwnw"},
    {'5', "wnwnn"},
    {'6', "nwwnn"},
    {'7', "nnnww"},
    {'8', "wnnwn"},
    {'9', "nwnwn"},
}};
static_assert(kI25Table.size() == kDigits.size());

constexpr std::string_view kI25Start = "nnnn";
constexpr std::string_view kI25Stop = "wnn";

// POSTNET digit patterns, the published postal bar table: five bars, two of them full.
constexpr std::array<DigitRow, 10> kPostnetTable = {{
    {'0', "11000"},
    {'1', "00011"},
    {'2', "00101"},
    {'3', "00110"},
    {'4', "01001"},
    {'5', "01010"},
    {'6', "01100"},
    {'7', "10001"},
    {'8', "10010"},
    {'9', "10100"},
}};
static_assert(kPostnetTable.size() == kDigits.size());

// The frame bar at each end of a POSTNET symbol.
constexpr std::string_view kPostnetFrame = "1";

template <std::size_t N> constexpr bool IndexedByDigit(const std::array<DigitRow, N>& table) {
    for (std::size_t i = 0; i < N; ++i)
        if (table[i].digit != kDigits[i] || table[i].pattern.size() != 5) return false;
    return true;
}

constexpr bool TwoOfFive(std::string_view pattern, char marked) {
    int count = 0;
    for (char c : pattern)
        count += c == marked;
    return count == 2;
}

constexpr bool EveryRowTwoOfFive(const std::array<DigitRow, 10>& table, char marked) {
    for (const DigitRow& row : table)
        if (!TwoOfFive(row.pattern, marked)) return false;
    return true;
}

static_assert(IndexedByDigit(kI25Table) && EveryRowTwoOfFive(kI25Table, 'w'));
static_assert(IndexedByDigit(kPostnetTable) && EveryRowTwoOfFive(kPostnetTable, '1'));

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A lone last digit (only a file can hold an odd count) is paired with the '0' that SetData
// would have appended, so the bars never read past the data and always come in pairs.
std::string PaddedToPairs(std::string_view data) {
    std::string padded(data);
    if (padded.size() % 2 != 0) padded.push_back('0');
    return padded;
}

} // namespace

std::string I25PairPattern(char first, char second) {
    if (!IsDigit(first) || !IsDigit(second)) return {};
    const std::string_view bars = kI25Table[static_cast<std::size_t>(first - '0')].pattern;
    const std::string_view spaces = kI25Table[static_cast<std::size_t>(second - '0')].pattern;
    std::string pair;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        pair.push_back(bars[i]);
        pair.push_back(spaces[i]);
    }
    return pair;
}

int PostnetCheckDigit(std::string_view data) {
    int sum = 0; // kept modulo 10 so any length of data is safe
    for (char c : data)
        if (IsDigit(c)) sum = (sum + (c - '0')) % 10;
    return (10 - sum) % 10;
}

// ---- CI25Barcode ----

IMPLEMENT_SERIAL(CI25Barcode, CBarcode, 256)

void CI25Barcode::SetData(std::string_view text) {
    m_strData = PaddedToPairs(FilterToCharset(text, kDigits));
}

CSize CI25Barcode::GetQuietZones() const {
    const int q = engine::ClampToInt(10LL * engine::ReadDensity());
    return {q, q};
}

int CI25Barcode::GetWidth() const {
    const double x = engine::ReadDensity();
    const double r = engine::ReadRatio();
    // Counts the digits the bars carry, which for an odd count from a file includes the pad.
    const double n = static_cast<double>(m_strData.size() + m_strData.size() % 2);
    return engine::TruncToInt(((2 * r * 0.1 + 3) * n + r * 0.1 + 6) * x);
}

void CI25Barcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                       int orientation) const {
    const std::string digits = PaddedToPairs(m_strData);
    engine::CBarCursor bars(surface, origin, orientation);
    bars.WideNarrow(kI25Start, barHeight);
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bars.WideNarrow(I25PairPattern(digits[i], digits[i + 1]), barHeight);
    bars.WideNarrow(kI25Stop, barHeight);
    origin = bars.Position();
    if (showText) DrawHumanText(surface, bars, barHeight, digits);
}

// ---- CPostnetBarcode ----

IMPLEMENT_SERIAL(CPostnetBarcode, CBarcode, 256)

CPostnetBarcode::CPostnetBarcode()
    : m_nBarWidth(20), m_nSpaceWidth(27), m_nFullBarHeight(125), m_nHalfBarHeight(50) {}

void CPostnetBarcode::SetData(std::string_view text) {
    m_strData = FilterToCharset(text, kDigits);
}

int CPostnetBarcode::GetWidth() const {
    // Every bar with its following space: the frame bars, five per digit and five for the
    // check digit, so one space more than the drawn bars.
    const std::int64_t pitch = static_cast<std::int64_t>(m_nBarWidth) + m_nSpaceWidth;
    const std::int64_t bars = 5 * static_cast<std::int64_t>(m_strData.size()) + 7;
    return engine::ClampToInt(pitch * bars);
}

std::string CPostnetBarcode::GetPattern(char c) const {
    if (!IsDigit(c)) return {};
    return std::string(kPostnetTable[static_cast<std::size_t>(c - '0')].pattern);
}

void CPostnetBarcode::DrawPostnetBars(engine::CBarCursor& cursor, std::string_view bars) const {
    for (char c : bars) {
        if (c != '1' && c != '0') continue;
        const int length = c == '1' ? m_nFullBarHeight : m_nHalfBarHeight;
        // Half bars start further out so that every bar ends on the same line.
        const int rise = engine::ClampToInt(static_cast<std::int64_t>(m_nFullBarHeight) - length);
        cursor.FixedBar(m_nBarWidth, length, rise);
        cursor.FixedSpace(m_nSpaceWidth);
    }
}

void CPostnetBarcode::Draw(CDrawSurface& surface, CPoint& origin, int /*barHeight*/,
                           bool /*showText*/, int orientation) const {
    engine::CBarCursor cursor(surface, origin, orientation);
    DrawPostnetBars(cursor, kPostnetFrame);
    for (char c : m_strData)
        DrawPostnetBars(cursor, GetPattern(c));
    DrawPostnetBars(cursor, GetPattern(static_cast<char>('0' + PostnetCheckDigit(m_strData))));
    DrawPostnetBars(cursor, kPostnetFrame);
    origin = cursor.Position();
}
