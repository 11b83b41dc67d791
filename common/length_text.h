#pragma once
// How every read-out and message shows a length: two decimals in centimetres or inches, a half
// rounded away from zero as the length's decimal value has it. One length so reads the same
// wherever it is shown: a label 2.625 inches wide is "2.63" in its read-out and in a message
// alike, whether it was measured in thousandths of a centimetre or in mils.

#include <string>

// `thousandthsCm` in centimetres (`centimetres`) or inches, with two decimals: "2.63", "-0.05".
std::string LengthNumber(double thousandthsCm, bool centimetres);

// A length in mils (thousandths of an inch) in thousandths of a centimetre, for LengthNumber.
inline constexpr double MilsInThousandthsCm(double mils) {
    return mils * 2.54;
}
