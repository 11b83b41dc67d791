#pragma once
// The height grammar of the height box: a number with an optional unit.

#include <string_view>

struct CMeasurement {
    int value = 0; // 0: no height was given
    int unit = 0;  // 0: mils, 1: hundredths of a millimetre
    friend bool operator==(const CMeasurement&, const CMeasurement&) = default;
};

// "2 inches", "1.5 cm", "25mm", "250 mils", or a bare number in the unit of the options (a
// value above 10 taken in its small measure, mils or hundredths of a millimetre). Blanks,
// signs, commas and every letter outside the unit words are dropped before reading.
// `optionsUnit` is "Options"/"Unit": 0 inch, anything else centimetre.
CMeasurement ParseMeasurement(std::string_view text, int optionsUnit);
