#pragma once
// Where printing puts the symbol: once in the middle of the page, on every label of a sheet, or
// on one label; and the label outlines of the print preview.

#include "common/geometry.h"
#include "common/label_geometry.h"

#include <cstdint>
#include <functional>
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

// Whether the settings print a run over a sheet's labels, rather than one label a page (a
// single label of the sheet, a roll or tape label, or the middle of a plain page).
bool OnSheet(const CPrintSettings& settings);
// Whether the settings print each label of a roll or of continuous tape as a page of its own.
bool OnRoll(const CPrintSettings& settings);

// The page a roll or tape label prints on, in thousandths of a centimetre: the label's width and
// length (a roll's gap is the printer's to skip, not part of the page).
struct CRollPage {
    int width = 0, height = 0;
    friend bool operator==(const CRollPage&, const CRollPage&) = default;
};
// Room left at each end of continuous tape cut to the length of what the label holds (3 mm).
inline constexpr int kTapeEndMargin = 300;
// The page of a roll or tape label; continuous tape with no length of its own is as long as
// `contentLength` (thousandths of a centimetre) and kTapeEndMargin at each end.
CRollPage RollPage(const CLabelGeometry& geometry, int contentLength);
// The settings a roll or tape label's page is laid out with: the label alone in the middle of
// `paper` (the label's own page, or a larger paper of the printer), printed as a single label,
// so that the printer's offset moves it as on a sheet.
CPrintSettings RollPageSettings(const CPrintSettings& settings, const CRollPage& label,
                                const CRollPage& paper);

// The printer's resolution (dots per inch), the printable area's offset from the paper's
// top-left corner and its size, in device dots. The device origin is the printable area's
// top-left corner.
struct CPrinterFacts {
    int lpx = 600, lpy = 600;
    int ox = 0, oy = 0;
    int printableWidth = 0, printableHeight = 0;
    // Dots every bar is made narrower by, to make up for ink or heat that spreads it.
    int barWidthReduction = 0;
    // The printer's calibration: everything printed on a label sheet is moved this far across
    // (right) and down, in thousandths of a centimetre, to make up for where the printer puts
    // the page.
    int offsetAcross = 0, offsetDown = 0;
};

// The margins measured from the printable area, in thousandths of a centimetre (may be
// negative): S and T, each moved by the printer's offset.
CPoint PrintableMargins(const CPrintSettings& s, const CPrinterFacts& p);

// False when the sheet's labels are narrower or shorter than one dot of the printer: nothing of
// such a sheet is laid out, neither symbols nor outlines. A sheet with no label size at all
// (width and height 0, as before any label was saved) is not refused; its symbols go to the
// labels' corners.
bool LabelsFitPrinter(const CPrintSettings& s, const CPrinterFacts& p);

// A roll or tape label's page in a printer's dots, each side to the nearest dot, and the dot its
// label is centred on: where printing on a printer of `dpi` centres it, moved by the printer's
// offset (`offset`, thousandths of a centimetre). For page languages that take a page's dots.
struct CPageDots {
    int width = 0, height = 0;
    CPoint centre;
};
CPageDots RollPageDots(const CPrintSettings& settings, const CRollPage& page, int dpi,
                       CPoint offset = {});

// Calls `fn` with each device point the symbol is centred on, in printing order (row by row, left
// to right), one at a time, so that no sheet's labels are ever held at once. Nothing for a plain
// page, where the symbol goes to the middle of the printable area, and nothing for labels that
// LabelsFitPrinter refuses. The sheet's labels are bounded thus:
// - labels that land more than a page's length outside the page are left out, so a sheet
//   claiming a billion labels still prints at once;
// - a label centred on the same printer dot as the one before it in its row, or a row on the
//   same dot as the row above, is left out: every point is distinct;
// - along each axis no more labels than the page has dots: where more are within reach, only
//   those centred on the page itself are kept;
// - at most kMaxLabelsPerPage labels, the first ones in printing order.
void ForEachLabelCentre(const CPrintSettings& s, const CPrinterFacts& p,
                        const std::function<void(CPoint)>& fn);
// The same points collected, at most kMaxLabelsPerPage of them.
std::vector<CPoint> LabelCentres(const CPrintSettings& s, const CPrinterFacts& p);

// The labels of one whole sheet that a run prints on, as ForEachLabelCentre lays them out for
// a full page, from the label with index `first` on (0 top left, counting across first, so
// row r and column c, from 0, have index r × across + c). `fn` returns false to stop. Nothing
// on a plain page or for a sheet LabelsFitPrinter refuses.
void ForEachRunLabelCentre(const CPrintSettings& s, const CPrinterFacts& p, std::int64_t first,
                           const std::function<bool(CPoint)>& fn);

// The preview's label outlines in mils from the printable area's top-left corner, each as
// left, top, right, bottom: one for each label of the whole sheet that ForEachLabelCentre would
// print a symbol on, also when a single label is chosen, in the same order.
struct CMilRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const CMilRect&, const CMilRect&) = default;
};
void ForEachLabelOutline(const CPrintSettings& s, const CPrinterFacts& p,
                         const std::function<void(const CMilRect&)>& fn);
std::vector<CMilRect> LabelOutlines(const CPrintSettings& s, const CPrinterFacts& p);

// Corner size (ellipse width and height) of the preview outlines, in mils.
constexpr int kOutlineCorner = 550;
