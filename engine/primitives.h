#pragma once
// The drawing primitives every symbology draws its element patterns with, and the settings
// that size the elements.

#include "engine/draw_surface.h"

#include <cstdint>
#include <string_view>

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
// 'b' draws one module bar, any other character leaves one module blank.
void DrawModules(CDrawSurface& surface, std::string_view pattern, CPoint& pos, int length,
                 int orientation);
// Alternating bar and space starting with a bar: 'n' is X wide, 'w' the wide width.
void DrawWideNarrow(CDrawSurface& surface, std::string_view pattern, CPoint& pos, int length,
                    int orientation);

} // namespace engine
