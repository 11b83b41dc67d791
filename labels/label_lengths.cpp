#include "labels/label_lengths.h"

#include "common/length_text.h"
#include "ui/translation.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// trunc() of a product of decimals that should have been an exact integer, without binary
// floating point's habit of landing one unit in the last place below it.
int TruncateNudged(double x) {
    if (std::isnan(x)) return 0;
    const double nudged = x + std::copysign(std::max(std::abs(x), 1.0) * 1e-12, x);
    return static_cast<int>(std::clamp(std::trunc(nudged), double(INT_MIN), double(INT_MAX)));
}

} // namespace

const PaperSize* FindPaperSize(int index) {
    if (index < 0 || index >= static_cast<int>(kPaperSizes.size())) return nullptr;
    return &kPaperSizes[static_cast<std::size_t>(index)];
}

QString PaperSizeName(int index) {
    const PaperSize* paper = FindPaperSize(index);
    return paper ? QString::fromLatin1(paper->name) : QString();
}

int StoredLength(double displayValue, bool centimetres) {
    return TruncateNudged(displayValue * UnitFactor(centimetres) * 1000.0);
}

int DisplayThousandths(int stored, bool centimetres) {
    return TruncateNudged(stored / UnitFactor(centimetres));
}

QString FormatLength(int stored, bool centimetres) {
    return QString::fromStdString(LengthNumber(stored, centimetres)) +
           (centimetres ? Quillmark::tr(" cm") : Quillmark::tr(" in"));
}
