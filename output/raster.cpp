#include "output/raster.h"

#include "engine/primitives.h"
#include "output/painter_surface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// 1000 logical units to the inch at the image's resolution, the logical origin at the centre.
void PrepareMapping(CMappedSurface& surface, int dpi, QSize image) {
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({dpi, dpi});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportOrg({image.width() / 2, image.height() / 2});
}

// Half the image along one axis, in pixels: the marks' half and a tenth of their size, or
// further when the bars need their quiet zone on that axis.
std::int64_t HalfSide(double lo, double hi, double barsLo, double barsHi, double quiet, int dpi) {
    const double centre = (lo + hi) / 2;
    double half = (hi - lo) * 0.6;
    if (quiet > 0) half = std::max({half, centre - (barsLo - quiet), (barsHi + quiet) - centre});
    const double pixels = std::ceil(half * dpi / 1000.0 - 1e-9);
    return pixels > 4e18 ? std::int64_t{1} << 62 : static_cast<std::int64_t>(pixels);
}

} // namespace

CDrawnExtent MeasureSymbolAt(const CBarcode& barcode, int dpi, const CSymbolView& view) {
    QImage scratch(1, 1, QImage::Format_Grayscale8);
    QPainter painter(&scratch);
    CPainterSurface surface(painter);
    PrepareMapping(surface, dpi, scratch.size());
    return MeasureSymbol(barcode, surface, view);
}

CImagePlan PlanSymbolImage(const CDrawnExtent& extent, int quiet, int rotation, int dpi) {
    if (extent.marks.empty || dpi <= 0) return {};
    const CExtentRect& m = extent.marks;
    const CExtentRect& b = extent.bars.empty ? m : extent.bars;
    const bool acrossX = engine::NormalizeOrientation(rotation) % 2 == 0; // advance along x
    const double qx = acrossX ? quiet : 0, qy = acrossX ? 0 : quiet;
    return {2 * HalfSide(m.left, m.right, b.left, b.right, qx, dpi),
            2 * HalfSide(m.top, m.bottom, b.top, b.bottom, qy, dpi)};
}

QImage RenderSymbolImage(const CBarcode& barcode, int dpi, const CSymbolView& view) {
    if (dpi <= 0) return {};
    const CDrawnExtent extent = MeasureSymbolAt(barcode, dpi, view);
    const CSize quiet = barcode.GetQuietZones();
    const CImagePlan plan =
        PlanSymbolImage(extent, std::max(quiet.cx, quiet.cy), view.rotation, dpi);
    if (!plan.Drawable()) return {};
    const QSize size(static_cast<int>(plan.width), static_cast<int>(plan.height));

    QImage grey(size, QImage::Format_Grayscale8);
    if (grey.isNull()) return {};
    grey.fill(Qt::white);
    {
        QPainter painter(&grey);
        CPainterSurface surface(painter);
        PrepareMapping(surface, dpi, size);
        DrawSymbolCentred(barcode, surface, view);
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
