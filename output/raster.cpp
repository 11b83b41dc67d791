#include "output/raster.h"

#include "output/painter_surface.h"
#include "output/symbol_drawing.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

void PrepareMapping(CMappedSurface& surface, int dpi, QSize image) {
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({dpi, dpi});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportOrg({image.width() / 2, image.height() / 2});
}

} // namespace

CImagePlan PlanSymbolImage(CSize symbolSize, int dpi, int rotation) {
    CSize s = symbolSize;
    if (rotation % 2 != 0) std::swap(s.cx, s.cy);
    // 1.2 × dpi × extent / 1000 in exact integer arithmetic: the same figure in floating point
    // (× 0.0012) truncates 720 to 719 at 300 dpi for a 2000-mil symbol.
    return {static_cast<std::int64_t>(dpi) * s.cx * 12 / 10000,
            static_cast<std::int64_t>(dpi) * s.cy * 12 / 10000};
}

QSize SymbolImageSize(CSize symbolSize, int dpi, int rotation) {
    const CImagePlan plan = PlanSymbolImage(symbolSize, dpi, rotation);
    if (!plan.Drawable()) return {};
    return QSize(static_cast<int>(plan.width), static_cast<int>(plan.height));
}

CSize MeasureSymbolAt(const CBarcode& barcode, int dpi, bool showText) {
    QImage scratch(1, 1, QImage::Format_Grayscale8);
    QPainter painter(&scratch);
    CPainterSurface surface(painter);
    PrepareMapping(surface, dpi, scratch.size());
    return MeasureSymbol(barcode, surface, showText);
}

QImage RenderSymbolImage(const CBarcode& barcode, int dpi, int rotation, bool showText,
                         std::optional<CSize> symbolSize) {
    if (dpi <= 0) return {};
    if (!symbolSize) symbolSize = MeasureSymbolAt(barcode, dpi, showText);
    const QSize size = SymbolImageSize(*symbolSize, dpi, rotation);
    if (size.isEmpty()) return {};

    QImage grey(size, QImage::Format_Grayscale8);
    if (grey.isNull()) return {};
    grey.fill(Qt::white);
    {
        QPainter painter(&grey);
        CPainterSurface surface(painter);
        PrepareMapping(surface, dpi, size);
        DrawSymbolCentred(barcode, surface, rotation, showText, *symbolSize);
    }
    // Aliased drawing leaves only pure black and white; pack it, most significant bit first,
    // with index 0 black and 1 white.
    QImage mono(size, QImage::Format_Mono);
    if (mono.isNull()) return {};
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < size.height(); ++y) {
        const uchar* in = grey.constScanLine(y);
        uchar* out = mono.scanLine(y);
        std::fill(out, out + mono.bytesPerLine(), 0);
        for (int x = 0; x < size.width(); ++x)
            if (in[x] >= 128) out[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
    }
    const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
    mono.setDotsPerMeterX(dpm);
    mono.setDotsPerMeterY(dpm);
    return mono;
}
