#pragma once
// Where a bar lies on a device: the area a flat-ended line covers in logical units, and the one
// rounding rule that puts its edges on the pixel grid. Every raster surface fills bars through
// these, so the same mapping gives the same pixels on each.

#include "common/geometry.h"

#include <optional>

// The one rounding rule for every edge on a device: half a pixel rounds up.
int RoundEdge(double v);

struct CLogicalRect {
    double x0, y0, x1, y1; // x0 <= x1, y0 <= y1
};

// The area a flat-ended line of `penWidth` covers, as the screen draws a bar: the engine
// offsets a bar by half its width (truncated) from the element's start, so for an odd width the
// extra unit lies on the side the symbol advances to and the bar covers its element's span
// exactly. Nothing for a zero-length line, a width below 1, or a slanted line.
std::optional<CLogicalRect> BarArea(CPoint from, CPoint to, int penWidth);
