#include "output/mono_raster.h"

#include "output/raster.h"
#include "render/mono_surface.h"

#include <algorithm>

namespace {

// 1000 logical units per inch at `dpi`, the logical origin in the middle of the image.
void CentreMapping(CMappedSurface& surface, int dpi, const MonoImage& image) {
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({dpi, dpi});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportOrg({image.width / 2, image.height / 2});
}

} // namespace

CDrawnExtent MeasureSymbolMono(const CBarcode& barcode, int dpi, const CSymbolView& view,
                               CFontLocator* fonts) {
    MonoImage scratch;
    scratch.Allocate(1, 1);
    CMonoSurface surface(scratch, dpi, fonts);
    CentreMapping(surface, dpi, scratch);
    return MeasureSymbol(barcode, surface, view);
}

CMapping DrawSymbolMono(const CBarcode& barcode, MonoImage& image, int dpi, const CSymbolView& view,
                        CFontLocator* fonts) {
    CMonoSurface surface(image, dpi, fonts);
    CentreMapping(surface, dpi, image);
    DrawSymbolCentred(barcode, surface, view);
    return surface.Mapping();
}

CMonoRaster RenderSymbolMono(const CBarcode& barcode, int dpi, const CSymbolView& view,
                             CFontLocator* fonts) {
    if (dpi <= 0) return {};
    const CSize quiet = barcode.GetQuietZones();
    const CImagePlan plan = PlanSymbolImage(MeasureSymbolMono(barcode, dpi, view, fonts),
                                            std::max(quiet.cx, quiet.cy), view.rotation, dpi);
    CMonoRaster out;
    if (!plan.Drawable() ||
        !out.image.Allocate(static_cast<int>(plan.width), static_cast<int>(plan.height)))
        return {};
    out.mapping = DrawSymbolMono(barcode, out.image, dpi, view, fonts);
    return out;
}
