#pragma once
// Where printing puts the symbol: once in the middle of the page, on every label of a sheet, or
// on one label; and the label outlines of the print preview.

#include "common/geometry.h"
#include "common/label_geometry.h"

#include <vector>

// The "Print" settings the print dialog leaves for printing: the choices and the label sheet.
struct CPrintSettings {
    int useLabel = 0; // 0: plain page, the symbol in the middle
    int fullPage = 0; // 1: a single label, anything else: every label of the sheet
    int row = 1;      // single label: position across the sheet, from 1
    int column = 1;   // single label: position down the sheet, from 1
    // The paper size is not read: printing goes by the printer's paper.
    CLabelGeometry geometry{.numberAcross = 1, .numberDown = 1};

    // Read afresh from the settings store, with printing's own defaults.
    static CPrintSettings FromStore();
};

// The printer's resolution (dots per inch), the printable area's offset from the paper's
// top-left corner and its size, in device dots. The device origin is the printable area's
// top-left corner.
struct CPrinterFacts {
    int lpx = 600, lpy = 600;
    int ox = 0, oy = 0;
    int printableWidth = 0, printableHeight = 0;
};

// The margins measured from the printable area, in thousandths of a centimetre (may be
// negative): S and T.
CPoint PrintableMargins(const CPrintSettings& s, const CPrinterFacts& p);

// The device points the symbol is centred on, in printing order (row by row, left to right).
// Empty for a plain page, where the symbol goes to the middle of the printable area. Labels
// that would land far outside the page are left out, so a sheet claiming a billion labels
// still prints at once; labels that all fall on the same spot are printed once.
std::vector<CPoint> LabelCentres(const CPrintSettings& s, const CPrinterFacts& p);

// The preview's label outlines in mils from the printable area's top-left corner, each as
// left, top, right, bottom; the same skipping as LabelCentres.
struct CMilRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const CMilRect&, const CMilRect&) = default;
};
std::vector<CMilRect> LabelOutlines(const CPrintSettings& s, const CPrinterFacts& p);

// Corner size (ellipse width and height) of the preview outlines, in mils.
constexpr int kOutlineCorner = 550;
