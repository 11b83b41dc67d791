#pragma once
// The symbol as a QImage, for the screen's needs and for tests, drawn by the one path every
// image export takes (render/raster_image.h); and its measure on the printer's painter.

#include "engine/barcode.h"
#include "render/label_drawing.h"
#include "render/raster_image.h"

#include <QImage>

// The label measured as a painter (the printer's, the screen's) draws it at `dpi`.
CDrawnExtent MeasureLabelAt(const CLabelContent& content, int dpi);
// The same for a label holding the symbol alone.
CDrawnExtent MeasureSymbolAt(const CBarcode& barcode, int dpi, const CSymbolView& view);

// The image RenderSymbolMono makes, as a Format_Mono QImage with colour 0 black and 1 white and
// its resolution recorded; a null image when it cannot be made.
QImage RenderSymbolImage(const CBarcode& barcode, int dpi, const CSymbolView& view);
