#pragma once
// The tables the UPC and EAN symbologies share: digit number sets, guard patterns and the
// parity strings that carry an extra digit.

#include <array>
#include <cstddef>
#include <string_view>

namespace upc_ean {

inline constexpr std::string_view kDigits = "0123456789";

struct DigitRow {
    char digit;
    std::string_view pattern; // seven modules for a number set, O/E letters for a parity
};

// Number set A (odd parity, left half), ISO/IEC 15420 table of EAN/UPC number sets.
inline constexpr std::array<DigitRow, 10> kSetA = {{
    {'0', "sssbbsb"},
    {'1', "ssbbssb"},
    {'2', "ssbssbb"},
    {'3', "sbbbbsb"},
    {'4', "sbsssbb"},
    {'5', "sbbsssb"},
    {'6', "sbsbbbb"},
    {'7', "sbbbsbb"},
    {'8', "sbbsbbb"},
    {'9', "sssbsbb"},
}};

// Number set B (even parity, left half), same table.
inline constexpr std::array<DigitRow, 10> kSetB = {{
    {'0', "sbssbbb"},
    {'1', "sbbssbb"},
    {'2', "ssbbsbb"},
    {'3', "sbssssb"},
    {'4', "ssbbbsb"},
    {'5', "sbbbssb"},
    {'6', "ssssbsb"},
    {'7', "ssbsssb"},
    {'8', "sssbssb"},
    {'9', "ssbsbbb"},
}};

// Number set C (right half), same table.
inline constexpr std::array<DigitRow, 10> kSetC = {{
    {'0', "bbbssbs"},
    {'1', "bbssbbs"},
    {'2', "bbsbbss"},
    {'3', "bssssbs"},
    {'4', "bsbbbss"},
    {'5', "bssbbbs"},
    {'6', "bsbssss"},
    {'7', "bsssbss"},
    {'8', "bssbsss"},
    {'9', "bbbsbss"},
}};

// EAN-13 first-digit parity table, last five letters (the second digit is always O):
// the sets of the third to seventh digits, O = set A, E = set B.
inline constexpr std::array<DigitRow, 10> kEan13Parity = {{
    {'0', "OOOOO"},
    {'1', "OEOEE"},
    {'2', "OEEOE"},
    {'3', "OEEEO"},
    {'4', "EOOEE"},
    {'5', "EEOOE"},
    {'6', "EEEOO"},
    {'7', "EOEOE"},
    {'8', "EOEEO"},
    {'9', "EEOEO"},
}};

// UPC-E parity table for number system 0, indexed by the check digit: the sets of the six
// body digits, E = set B, O = set A.
inline constexpr std::array<DigitRow, 10> kUpcEParity = {{
    {'0', "EEEOOO"},
    {'1', "EEOEOO"},
    {'2', "EEOOEO"},
    {'3', "EEOOOE"},
    {'4', "EOEEOO"},
    {'5', "EOOEEO"},
    {'6', "EOOOEE"},
    {'7', "EOEOEO"},
    {'8', "EOEOOE"},
    {'9', "EOOEOE"},
}};

inline constexpr std::string_view kNormalGuard = "bsb";
inline constexpr std::string_view kCentreGuard = "sbsbs";
inline constexpr std::string_view kUpcEEndGuard = "sbsbsb";

namespace detail {

constexpr bool IndexedByDigit(const std::array<DigitRow, 10>& table, std::size_t length) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].digit != kDigits[i] || table[i].pattern.size() != length) return false;
    return true;
}

constexpr int Count(std::string_view s, char c) {
    int n = 0;
    for (char ch : s)
        n += ch == c;
    return n;
}

// The relations the published sets obey: C is A with bars and spaces swapped, B is C read
// backwards, A has an odd number of bar modules and B an even one.
constexpr bool SetsAreConsistent() {
    for (std::size_t d = 0; d < 10; ++d) {
        const std::string_view a = kSetA[d].pattern, b = kSetB[d].pattern, c = kSetC[d].pattern;
        for (std::size_t i = 0; i < 7; ++i) {
            if (c[i] != (a[i] == 'b' ? 's' : 'b')) return false;
            if (b[i] != c[6 - i]) return false;
        }
        if (Count(a, 'b') % 2 != 1 || Count(b, 'b') % 2 != 0) return false;
    }
    return true;
}

// Every EAN-13 parity has three E among the five letters but the one of 0; every UPC-E parity
// three E among six.
constexpr bool ParitiesAreBalanced() {
    for (std::size_t d = 0; d < 10; ++d) {
        if (Count(kEan13Parity[d].pattern, 'E') != (d == 0 ? 0 : 3)) return false;
        if (Count(kUpcEParity[d].pattern, 'E') != 3) return false;
        if (Count(kEan13Parity[d].pattern, 'O') + Count(kEan13Parity[d].pattern, 'E') != 5)
            return false;
        if (Count(kUpcEParity[d].pattern, 'O') + Count(kUpcEParity[d].pattern, 'E') != 6)
            return false;
    }
    return true;
}

} // namespace detail

static_assert(kSetA.size() == kDigits.size() && detail::IndexedByDigit(kSetA, 7));
static_assert(kSetB.size() == kDigits.size() && detail::IndexedByDigit(kSetB, 7));
static_assert(kSetC.size() == kDigits.size() && detail::IndexedByDigit(kSetC, 7));
static_assert(kEan13Parity.size() == kDigits.size() && detail::IndexedByDigit(kEan13Parity, 5));
static_assert(kUpcEParity.size() == kDigits.size() && detail::IndexedByDigit(kUpcEParity, 6));
static_assert(detail::SetsAreConsistent());
static_assert(detail::ParitiesAreBalanced());

} // namespace upc_ean
