#pragma once
// The geometry of a label product: its paper, the size of one label, where the first label sits
// and how far the next ones follow, and how many there are; and whether the labels come on
// sheets or on a roll. Lengths are integers in thousandths of a centimetre, as the label
// database and the "Print" settings keep them.

#include "common/settings_keys.h"

#include <array>

// How a label product comes: sheets of labels in rows and columns; a roll of die-cut labels one
// across, each printed as a page of its own; or continuous tape of a width, cut to each label's
// length.
enum class LabelKind : int { Sheet = 0, Roll = 1, Continuous = 2 };

struct CLabelGeometry {
    int paperSize = 0; // index into the table of paper sizes
    int width = 0;
    int height = 0;
    int topMargin = 0;  // paper's top edge to the first row's top edge
    int sideMargin = 0; // paper's left edge to the first column's left edge
    int horizontalPitch = 0;
    int verticalPitch = 0;
    int numberAcross = 0;
    int numberDown = 0;
    // A LabelKind. On a roll the vertical pitch is the label's height and the gap to the next
    // one; on continuous tape the height is the label's length, 0 for the length of what it
    // holds.
    int kind = 0;
    friend bool operator==(const CLabelGeometry&, const CLabelGeometry&) = default;
};

// The most labels one printed page is laid out with. A page of N × M printer dots has N × M
// spots to tell labels apart by, millions, but each label is a whole symbol sent to the printer:
// this many take about a second to lay out and draw, and are still 37 times the labels of the
// fullest sheet of the label stock (270). Printing stops at this many, and the print dialog
// refuses a sheet of more.
inline constexpr int kMaxLabelsPerPage = 10'000;

// One field of the geometry: the column of table labels that holds it, the value a new row gets
// when none is written, and the "Print" settings row it is kept in for printing (none for the
// paper size, which printing does not need).
struct LabelGeometryColumn {
    int CLabelGeometry::*field;
    const char* column;
    int columnDefault;
    const IntSetting* printKey;
};

// Every field of the geometry, in the order of the labels table's columns and of the label
// stock seed file.
inline constexpr std::array<LabelGeometryColumn, 10> kLabelGeometryColumns = {{
    {&CLabelGeometry::paperSize, "PaperSize", 0, nullptr},
    {&CLabelGeometry::width, "Width", 0, &settings::kLabelWidth},
    {&CLabelGeometry::height, "Height", 0, &settings::kLabelHeight},
    {&CLabelGeometry::topMargin, "TopMargin", 0, &settings::kTopMargin},
    {&CLabelGeometry::sideMargin, "SideMargin", 0, &settings::kSideMargin},
    {&CLabelGeometry::horizontalPitch, "HorizontalPitch", 0, &settings::kHorzPitch},
    {&CLabelGeometry::verticalPitch, "VerticalPitch", 0, &settings::kVertPitch},
    {&CLabelGeometry::numberAcross, "NumberAcross", 1, &settings::kNumberAcross},
    {&CLabelGeometry::numberDown, "NumberDown", 1, &settings::kNumberDown},
    {&CLabelGeometry::kind, "Kind", 0, &settings::kLabelKind},
}};

// The kind of a geometry; anything unknown is a sheet.
inline LabelKind KindOf(const CLabelGeometry& g) {
    return g.kind == 1 ? LabelKind::Roll : g.kind == 2 ? LabelKind::Continuous : LabelKind::Sheet;
}
// Whether each label of the product is printed as a page of its own.
inline bool IsRollKind(const CLabelGeometry& g) {
    return KindOf(g) != LabelKind::Sheet;
}

// The geometry printing reads from the "Print" settings, each field with its row's default;
// the paper size is 0.
CLabelGeometry ReadPrintGeometry();
// Writes every field that has a "Print" row; false when any of them could not be written (the
// others are written all the same).
bool WritePrintGeometry(const CLabelGeometry& geometry);
