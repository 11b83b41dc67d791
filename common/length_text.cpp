#include "common/length_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string LengthNumber(double thousandthsCm, bool centimetres) {
    if (!std::isfinite(thousandthsCm)) return "0.00";
    double hundredths = thousandthsCm / (centimetres ? 10.0 : 25.4);
    // Lengths are whole thousandths of a centimetre or whole mils, so a length that is not a
    // half in hundredths lies at least 1/254 of one from it; binary arithmetic leaves an exact
    // half (2625 mils: 262.5) a few units in the last place either side. The nudge takes those
    // above the half and moves nothing else across one.
    hundredths += std::copysign(std::max(std::abs(hundredths), 1.0) * 1e-9, hundredths);
    const long long rounded = std::llround(std::clamp(hundredths, -1e15, 1e15));
    const unsigned long long magnitude =
        rounded < 0 ? 0ULL - static_cast<unsigned long long>(rounded) : rounded;
    char text[32];
    std::snprintf(text, sizeof text, "%s%llu.%02llu", rounded < 0 ? "-" : "", magnitude / 100,
                  magnitude % 100);
    return text;
}
