#pragma once
// Paper sizes of label sheets and the arithmetic between stored lengths (thousandths of a
// centimetre) and the lengths the dialogs show (centimetres or inches).

#include <QString>

#include <array>

struct PaperSize {
    const char* name;
    int width;  // thousandths of a centimetre
    int height; // thousandths of a centimetre
};

// Indexed by the database's PaperSize column.
inline constexpr std::array<PaperSize, 13> kPaperSizes = {{
    {"Letter (8 1/2 x 11 inch)", 21590, 27940},
    {"Letter Landscape (11 x 8 1/2 inch)", 27940, 21590},
    {"A4 (21 x 29.7 cm)", 21000, 29700},
    {"A4 Landscape (29.7 x 21 cm)", 29700, 21000},
    {"A5 (14.8 x 21 cm)", 14800, 21000},
    {"A5 Landscape (21 x 14.8 cm)", 21000, 14800},
    {"B5 (182 x 25.7 cm)", 18200, 25700},
    {"Mini (4 1/4 x 5 inch)", 10795, 12700},
    {"Vertical Half Sheet (4 1/4 x 10 inch)", 10795, 25400},
    {"Vertical Half Sheet Landscape (10 x 4 1/4 inch)", 25400, 10795},
    {"Hagaki (10 x 14.8 cm)", 10000, 14800},
    {"Hagaki Landscape (14.8 x 10 cm)", 14800, 10000},
    {"B4 JIS ( 25.7 x 36.4 cm)", 25700, 36400},
}};

// Null for an index that names no paper.
const PaperSize* FindPaperSize(int index);
// The paper's name, or empty text for an index that names no paper.
QString PaperSizeName(int index);

// Centimetres per display unit: 1 for centimetres, 2.54 for inches.
inline double UnitFactor(bool centimetres) {
    return centimetres ? 1.0 : 2.54;
}

// A shown length as stored: trunc(value × f × 1000). The product is nudged by a few units in
// the last place first, so that a typed 1.005 cm is stored as 1005 and not as the 1004 that
// binary floating point would leave. Saturates at the int range; NaN stores 0.
int StoredLength(double displayValue, bool centimetres);
// A stored length in thousandths of the display unit, as the label setting dialog takes it.
int DisplayThousandths(int stored, bool centimetres);
// A stored length for a read-out: two decimals as every length is shown (LengthNumber), and
// " cm" or " in".
QString FormatLength(int stored, bool centimetres);
