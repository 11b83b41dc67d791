#pragma once
// The label is the unit every output draws: what it holds and where it sits. Printing, the
// print preview, label images and the size read-out draw or measure a label through here, so
// that a new kind of content is added in one place.
//
// A label holds its symbol and up to eight lines of text above, below, left or right of it.
// The lines, the symbol and its quiet zone are laid out as one block in the label's own frame
// (x along the label, y down it), centred on the label; a line too wide for the label is set
// smaller, down to kMinLinePoints, and said to be too long when even that does not fit. The
// view's rotation turns the whole label.

#include "engine/barcode.h"
#include "engine/extent.h"
#include "render/mapped_surface.h"
#include "render/symbol_drawing.h"

#include <cstddef>
#include <string>
#include <vector>

// Where a line stands against the symbol.
enum class LinePlace : int { Above = 0, Below = 1, Left = 2, Right = 3 };
// How a line lies within the width its place has.
enum class LineAlign : int { Left = 0, Centre = 1, Right = 2 };

// One line of a label, its fields filled in.
struct CLabelLine {
    std::string text; // UTF-8
    std::string face; // the font family, UTF-8
    double points = 10;
    bool bold = false;
    bool italic = false;
    LineAlign align = LineAlign::Centre;
    LinePlace place = LinePlace::Above;
    friend bool operator==(const CLabelLine&, const CLabelLine&) = default;
};

// What one label holds: its symbol, shown as the view shows it, and its lines.
struct CLabelContent {
    const CBarcode* symbol = nullptr;
    CSymbolView view;
    std::vector<CLabelLine> lines;
    // The label's size in mils as it lies on the sheet, which the lines are fitted to; 0 × 0:
    // no label, the lines keep their size.
    CSize label;

    // A label of the symbol alone.
    static CLabelContent Of(const CBarcode* symbol, const CSymbolView& view) {
        CLabelContent content;
        content.symbol = symbol;
        content.view = view;
        return content;
    }
};

// Lines are never set smaller than this to fit a label.
inline constexpr double kMinLinePoints = 4;
// The room kept free inside the label's edge, in mils (1.27 mm).
inline constexpr int kLabelMarginMils = 50;

// Where everything of a label with lines goes, in the label's own frame (mils, origin at the
// label's centre, before the view's rotation).
struct CLabelLayout {
    struct Line {
        std::size_t index = 0; // in CLabelContent::lines
        CPoint topLeft;        // of the line's text cell
        CSize cell;
        double points = 0; // as set, after fitting
    };
    std::vector<Line> lines;
    CPoint symbolCentre;              // where the centre of the symbol's marks goes
    CExtentRect symbolBlock;          // the symbol with its quiet zone
    CExtentRect block;                // the lines, the symbol and its quiet zone
    std::vector<std::size_t> tooLong; // lines too wide for the label even at kMinLinePoints
    bool tooTall = false;             // the block is taller than the label
};
CLabelLayout LayOutLabel(const CLabelContent& content, CDrawSurface& surface);

// What the content draws on `surface` (whose text metrics and device grid it uses), relative to
// its own start point; with lines, the whole block turned by the view's rotation around the
// label's centre.
CDrawnExtent MeasureLabel(const CLabelContent& content, CDrawSurface& surface);
// The width and height of what the content draws, in mils: what the size read-out shows.
CSize LabelPaperSize(const CLabelContent& content, CDrawSurface& measuringSurface);
// Draws the content with the centre of its marks (with lines: the label's centre) on the
// surface's logical origin; `measured`, when given, is MeasureLabel's answer for this surface,
// which is then not measured again.
void DrawLabel(const CLabelContent& content, CMappedSurface& surface,
               const CDrawnExtent* measured = nullptr);
// The same with the logical origin put on `centre` (device units) first: where the label's
// centre lies on the device.
void DrawLabelAt(const CLabelContent& content, CMappedSurface& surface, CPoint centre);
