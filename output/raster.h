#pragma once
// The symbol rendered into a black-and-white image at a chosen resolution.

#include "engine/barcode.h"

#include <QImage>

#include <optional>

// The image is 1.2 times the symbol's size (a tenth of the width and of the height as margin on
// each side), the symbol centred and drawn aliased, rotation 1 and 3 swapping width and height.
// Format_Mono with colour 0 black and 1 white. `symbolSize` is the measured size when the caller
// has one (the view's); otherwise it is measured at `dpi`. A null image when the size is not
// drawable (nothing to draw, or too large to allocate).
QImage RenderSymbolImage(const CBarcode& barcode, int dpi, int rotation, bool showText,
                         std::optional<CSize> symbolSize = std::nullopt);

// The pixel size of that image: trunc(dpi × extent × 0.0012) on each axis; empty when it has
// no pixels or more than kMaxImagePixels.
QSize SymbolImageSize(CSize symbolSize, int dpi, int rotation);

// Images above this many pixels are refused instead of exhausting memory: a symbol from a
// damaged file can claim a width of two billion mils.
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 28;

// The image's planned width and height, whatever they are (zero, negative or huge).
struct CImagePlan {
    std::int64_t width = 0, height = 0;
    bool Drawable() const { return width > 0 && height > 0 && width <= kMaxImagePixels / height; }
};
CImagePlan PlanSymbolImage(CSize symbolSize, int dpi, int rotation);
// The symbol's size as RenderSymbolImage measures it at `dpi` when it is given none.
CSize MeasureSymbolAt(const CBarcode& barcode, int dpi, bool showText);
