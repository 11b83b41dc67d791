#pragma once
// The symbol rendered into a black-and-white image at a chosen resolution.

#include "engine/barcode.h"
#include "output/symbol_drawing.h"

#include <QImage>

#include <cstdint>

// Images above this many pixels are refused instead of exhausting memory: a symbol from a
// damaged file can claim a width of two billion mils.
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 28;

// The image's planned width and height, whatever they are (zero, negative or huge).
struct CImagePlan {
    std::int64_t width = 0, height = 0;
    bool Drawable() const { return width > 0 && height > 0 && width <= kMaxImagePixels / height; }
};

// The symbol measured as an image at `dpi` draws it (the image's text metrics and grid).
CDrawnExtent MeasureSymbolAt(const CBarcode& barcode, int dpi, const CSymbolView& view);

// The image around a measured symbol: on each side a tenth of the marks' size as margin, and
// at least the symbology's quiet zone (the larger of its two, `quiet` in mils) beside the bars
// along the direction of advance; the marks centred. Even widths and heights, so the centre is
// a pixel corner.
CImagePlan PlanSymbolImage(const CDrawnExtent& extent, int quiet, int rotation, int dpi);

// The symbol at `dpi` in an image planned as above, drawn aliased. Format_Mono with colour 0
// black and 1 white, its resolution recorded. A null image when the plan is not drawable
// (nothing to draw, too large) or the memory cannot be had.
QImage RenderSymbolImage(const CBarcode& barcode, int dpi, const CSymbolView& view);
