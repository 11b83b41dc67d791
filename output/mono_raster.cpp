#include "output/mono_raster.h"

#include "output/raster.h"
#include "output/symbol_drawing.h"
#include "render/mono_surface.h"

namespace {

// 1000 logical units per inch at `dpi`, the logical origin in the middle of the image.
void CentreMapping(CMappedSurface& surface, int dpi, const MonoImage& image) {
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({dpi, dpi});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportOrg({image.width / 2, image.height / 2});
}

} // namespace

CSize MeasureSymbolMono(const CBarcode& barcode, int dpi, bool showText, CFontLocator* fonts) {
    MonoImage scratch;
    scratch.Allocate(1, 1);
    CMonoSurface surface(scratch, dpi, fonts);
    CentreMapping(surface, dpi, scratch);
    return MeasureSymbol(barcode, surface, showText);
}

CMapping DrawSymbolMono(const CBarcode& barcode, MonoImage& image, int dpi, int rotation,
                        bool showText, CSize symbolSize, CFontLocator* fonts) {
    CMonoSurface surface(image, dpi, fonts);
    CentreMapping(surface, dpi, image);
    DrawSymbolCentred(barcode, surface, rotation, showText, symbolSize);
    return surface.Mapping();
}

CMonoRaster RenderSymbolMono(const CBarcode& barcode, int dpi, int rotation, bool showText,
                             std::optional<CSize> symbolSize, CFontLocator* fonts) {
    if (dpi <= 0) return {};
    if (!symbolSize) symbolSize = MeasureSymbolMono(barcode, dpi, showText, fonts);
    const CImagePlan plan = PlanSymbolImage(*symbolSize, dpi, rotation);
    CMonoRaster out;
    if (!plan.Drawable() ||
        !out.image.Allocate(static_cast<int>(plan.width), static_cast<int>(plan.height)))
        return {};
    out.mapping = DrawSymbolMono(barcode, out.image, dpi, rotation, showText, *symbolSize, fonts);
    return out;
}
