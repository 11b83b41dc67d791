// One way to show a length, whatever it was measured in.

#include "common/length_text.h"

#include <gtest/gtest.h>

#include <limits>

TEST(LengthText, TwoDecimalsWithHalvesRoundedAwayFromZero) {
    const struct {
        double thousandthsCm;
        bool centimetres;
        const char* shown;
    } cases[] = {
        {6668, false, "2.63"}, // 2.6252 in
        {6668, true, "6.67"},
        {2540, false, "1.00"},
        {MilsInThousandthsCm(2625), false, "2.63"}, // exactly 2.625 in, which "%.2f" makes 2.62
        {MilsInThousandthsCm(2625), true, "6.67"},  // 6.6675 cm
        {MilsInThousandthsCm(1005), false, "1.01"}, // 1.005 in: binary holds a hair below it
        {6665, true, "6.67"},                       // 6.665 cm, a half
        {6664, true, "6.66"},
        {6667, false, "2.62"}, // 2.62480 in: just below the half, and stays below it
        {-6665, true, "-6.67"},
        {-1, true, "0.00"}, // no "-0.00"
        {0, false, "0.00"},
        {27940, false, "11.00"},
        {std::numeric_limits<double>::quiet_NaN(), true, "0.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LengthNumber(c.thousandthsCm, c.centimetres), c.shown)
            << c.thousandthsCm << (c.centimetres ? " cm" : " in");
}
