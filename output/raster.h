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

// The pixel size of that image: trunc(dpi × extent × 0.0012) on each axis.
QSize SymbolImageSize(CSize symbolSize, int dpi, int rotation);
