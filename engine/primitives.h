#pragma once
// The drawing primitives every symbology draws its element patterns with, and the settings
// that size the elements.

#include "common/message.h"
#include "engine/draw_surface.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

// "Options"/"Density": the narrow element and module width X in mils. Read on every call.
int ReadDensity();
// "Options"/"Ratio": the wide-to-narrow ratio in tenths. Read on every call.
int ReadRatio();
// The drawn wide element: trunc(R × X × 0.1).
int WideWidth(int density, int ratio);

// Double to int, truncated toward zero and held inside the int range (NaN gives 0), so that
// values from hand-edited settings or damaged files never overflow.
int TruncToInt(double value);
int ClampToInt(std::int64_t value);

// Rounded a × b / c, or -1 when the result does not fit in an int or c is 0.
int MulDiv(int a, int b, int c);

// How `stored` differs from `typed` for a symbology that filters its data (characters it
// cannot encode removed, letters made capitals, zeros added to make pairs of digits); none
// when it does not.
CMessages DescribeChange(std::string_view typed, std::string_view stored,
                         std::string_view symbology);

// Text escapement in tenths of a degree for orientation 0 to 3.
int Escapement(int orientation);
// Orientation reduced to 0..3.
int NormalizeOrientation(int orientation);

// Moves a running position `distance` units in the direction of advance.
void Advance(CPoint& pos, int distance, int orientation);
// A point `distance` units from `p` along the bar direction.
CPoint AlongBar(CPoint p, int distance, int orientation);

// One bar of width `width` and length `length`, its span starting at `at` in the direction of
// advance; drawn as one line with a flat-ended pen.
void DrawBar(CDrawSurface& surface, CPoint at, int length, int width, int orientation);

// The module an output with `dpi` dots per inch draws for the X dimension in force: whole dots
// (max(1, round(X × dpi / 1000))) when bars snap to the device's dots, else exactly X.
struct CModuleOnDevice {
    int requestedMils = 0;
    int dots = 0;          // 0: not snapped
    double actualMils = 0; // what the module measures on the device
};
CModuleOnDevice ModuleOnDevice(int dpi);
// "X = 9.85 mil at 203 dpi".
CMessage DescribeModule(int dpi);
// When the device cannot draw the module well: a module that rounds to no dot, or a snapped
// module more than 15 % away from X. Empty otherwise.
CMessage ModuleWarning(int dpi);

// The resolution of an image export that names none: the smallest whole multiple of the
// screen's resolution at which the module of `xMils` is at least two dots and, snapped to whole
// dots (`snap`), within 15 % of X, so that a reader reads it and ModuleWarning has nothing to
// say. A whole multiple keeps the image a whole-number scale of the screen's picture.
int DefaultImageResolution(int screenDpi, int xMils, bool snap);
// The same for the X dimension and snapping of the Options.
int DefaultImageResolution(int screenDpi);

// Lays a symbol's elements out one after another along the direction of advance, from its
// start. On a surface with a device grid (CDrawSurface::GridDotsPerInch) every element is a
// whole number of dots: the module x = max(1, round(X × dpi / 1000)) dots, a wide element
// max(x + 1, round(R × x / 10)) dots, so that every bar and space keeps its exact ratio to the
// module; elsewhere the exact logical widths X and trunc(R × X / 10).
class CBarCursor {
public:
    CBarCursor(CDrawSurface& surface, CPoint start, int orientation);

    // 'b' one module of bar, anything else one module of space; neighbouring bar modules are
    // drawn as one bar.
    void Modules(std::string_view pattern, int length);
    // Alternating bar and space starting with a bar: 'n' narrow (X), 'w' wide.
    void WideNarrow(std::string_view pattern, int length);
    // A bar and a space of fixed logical widths (each at least a dot on a grid); the bar runs
    // from `offset` to `offset + length` along the bar direction.
    void FixedBar(int width, int length, int offset);
    void FixedSpace(int width);

    // Where the next element starts, in logical units.
    CPoint Position() const;
    int Orientation() const { return m_orientation; }
    // The span from the first bar's start to the last bar's end, as logical positions along the
    // advance: {start, end}; both the cursor's start when no bar was drawn.
    std::pair<CPoint, CPoint> BarSpan() const;
    // Whether elements go on a device grid, and its dots per inch.
    int GridDpi() const { return m_dpi; }

private:
    struct Width {
        int logical; // mils
        int dots;    // on the grid
    };
    Width Fixed(int logical) const;
    void Bar(Width w, int length, int offset);
    void Space(Width w);
    CPoint At(std::int64_t travelledLogical, std::int64_t travelledDots) const;

    CDrawSurface& m_surface;
    CPoint m_start;
    int m_orientation;
    int m_dpi;                              // 0: no grid
    bool m_joinModules;                     // neighbouring dark modules drawn as one bar
    Width m_narrow, m_wide;                 // the module and the wide element
    std::int64_t m_logical = 0, m_dots = 0; // travelled so far
    bool m_anyBar = false;
    std::int64_t m_firstBarLogical = 0, m_firstBarDots = 0;
    std::int64_t m_lastBarLogical = 0, m_lastBarDots = 0; // the end of the last bar
};
// A matrix symbol's modules, without its quiet zone.
struct CModuleMatrix {
    int rows = 0, cols = 0;
    std::vector<std::uint8_t> dark; // row by row from the top: 1 where the module is dark

    bool Empty() const { return rows <= 0 || cols <= 0; }
    bool Dark(int row, int col) const {
        return dark[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) +
                    static_cast<std::size_t>(col)] != 0;
    }
};

// A matrix symbol's module on `surface` in `orientation`. Its columns follow the direction of
// advance and its rows the bar direction. On a device grid (both axes with one, and snapping
// on) it is whole dots along each axis, max(1, round(X × dpi / 1000)) with that axis's dots
// per inch; elsewhere exactly X mils both ways.
struct CMatrixModule {
    int mils = 0;
    int dpiAdvance = 0, dpiAcross = 0; // 0: no grid
    int dotsAdvance = 0, dotsAcross = 0;

    bool OnGrid() const { return dpiAdvance > 0 && dpiAcross > 0; }
    // n modules along the advance, and along the bars, in logical units (unrounded).
    double AlongAdvance(std::int64_t n) const;
    double AlongBars(std::int64_t n) const;
};
CMatrixModule MatrixModuleOn(const CDrawSurface& surface, int orientation);

// Where DrawModuleMatrix put the symbol, in logical units.
struct CMatrixPlacement {
    CPoint first, last; // the first and the last column's outer edges, on the start's line
    int below = 0;      // from the start along the bars to the end of the quiet zone below
    int length = 0;     // from the start along the advance to the end of the quiet zone after
};
// Draws the dark modules of `matrix` from the start corner of its quiet zone, `quiet` modules
// wide on every side: row by row, each run of dark modules in a row as one element (as wide as
// the run along the advance, one module long along the bars), through DrawGridCells on a grid,
// else at exact multiples of X.
CMatrixPlacement DrawModuleMatrix(CDrawSurface& surface, CPoint start, int orientation,
                                  const CModuleMatrix& matrix, int quiet);

// 'b' draws one module bar, any other character leaves one module blank.
void DrawModules(CDrawSurface& surface, std::string_view pattern, CPoint& pos, int length,
                 int orientation);
// Alternating bar and space starting with a bar: 'n' is X wide, 'w' the wide width.
void DrawWideNarrow(CDrawSurface& surface, std::string_view pattern, CPoint& pos, int length,
                    int orientation);

} // namespace engine
