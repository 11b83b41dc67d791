#include "tests/output/mono_symbol.h"

#include "output/raster.h"
#include "output/symbol_drawing.h"

#include <cstring>

namespace {

void PrepareMapping(CMappedSurface& surface, int dpi, int width, int height) {
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({dpi, dpi});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportOrg({width / 2, height / 2});
}

} // namespace

MonoSymbol RenderSymbolMono(const CBarcode& barcode, int dpi, int rotation, bool showText,
                            std::optional<CSize> symbolSize) {
    if (!symbolSize) {
        MonoImage scratch;
        scratch.Allocate(1, 1);
        CMonoSurface surface(scratch, dpi);
        PrepareMapping(surface, dpi, 1, 1);
        symbolSize = MeasureSymbol(barcode, surface, showText);
    }
    const CImagePlan plan = PlanSymbolImage(*symbolSize, dpi, rotation);
    MonoSymbol out;
    if (!plan.Drawable() ||
        !out.image.Allocate(static_cast<int>(plan.width), static_cast<int>(plan.height)))
        return {};
    CMonoSurface surface(out.image, dpi);
    PrepareMapping(surface, dpi, out.image.width, out.image.height);
    DrawSymbolCentred(barcode, surface, rotation, showText, *symbolSize);
    out.mapping = surface.Mapping();
    return out;
}

QImage ToQImage(const MonoImage& image) {
    QImage out(image.width, image.height, QImage::Format_Mono);
    if (out.isNull()) return {};
    out.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < image.height; ++y)
        std::memcpy(out.scanLine(y),
                    image.bits.data() + static_cast<std::size_t>(y) * image.Stride(),
                    image.Stride());
    return out;
}
