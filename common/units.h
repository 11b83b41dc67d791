#pragma once
// The program's units and the one factor between them: lengths of labels are kept in
// thousandths of a centimetre, symbols are drawn in mils (thousandths of an inch), bar heights
// may be given in hundredths of a millimetre.

#include <cmath>
#include <cstdint>
#include <limits>

namespace units {

// Mils in one thousandth of a centimetre (and in one hundredth of a millimetre): 1 / 2.54.
inline constexpr double kMilsPerThousandthCm = 0.39370078740157477;
// Thousandths of a centimetre in one inch.
inline constexpr double kThousandthsCmPerInch = 2540.0;

// A length in thousandths of a centimetre as whole mils, truncated toward zero and held to int.
inline int ThousandthsCmToMils(double thousandthsCm) {
    const double mils = std::trunc(thousandthsCm * kMilsPerThousandthCm);
    if (!(mils > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (!(mils < std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(mils);
}

} // namespace units
