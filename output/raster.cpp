#include "output/raster.h"

#include "output/painter_surface.h"
#include "output/qimage_mono.h"

#include <QPainter>

#include <cmath>

CDrawnExtent MeasureLabelAt(const CLabelContent& content, int dpi) {
    QImage scratch(1, 1, QImage::Format_Grayscale8);
    QPainter painter(&scratch);
    CPainterSurface surface(painter);
    surface.SetDeviceGrid(true);
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({dpi, dpi});
    return MeasureLabel(content, surface);
}

CDrawnExtent MeasureSymbolAt(const CBarcode& barcode, int dpi, const CSymbolView& view) {
    return MeasureLabelAt(CLabelContent::Of(&barcode, view), dpi);
}

QImage RenderSymbolImage(const CBarcode& barcode, int dpi, const CSymbolView& view) {
    const CMonoRaster raster = RenderSymbolMono(barcode, dpi, view);
    if (raster.image.width <= 0) return {};
    QImage image = QImageFromMonoImage(raster.image);
    if (image.isNull()) return {};
    const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    return image;
}
