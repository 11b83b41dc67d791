#include "render/raster_image.h"

#include "render/label_drawing.h"

#include "common/settings_keys.h"
#include "engine/primitives.h"
#include "render/mono_surface.h"

#include <algorithm>
#include <cmath>

namespace {

// 1000 logical units per inch at `dpi`, the logical origin in the middle of the image.
void CentreMapping(CMappedSurface& surface, int dpi, const MonoImage& image) {
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({dpi, dpi});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportOrg({image.width / 2, image.height / 2});
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

CImagePlan PlanSymbolImage(const CDrawnExtent& extent, int quiet, int rotation, int dpi) {
    if (extent.marks.empty || dpi <= 0) return {};
    const CExtentRect& m = extent.marks;
    const CExtentRect& b = extent.bars.empty ? m : extent.bars;
    const bool acrossX = engine::NormalizeOrientation(rotation) % 2 == 0; // advance along x
    const double qx = acrossX ? quiet : 0, qy = acrossX ? 0 : quiet;
    return {2 * HalfSide(m.left, m.right, b.left, b.right, qx, dpi),
            2 * HalfSide(m.top, m.bottom, b.top, b.bottom, qy, dpi)};
}

CDrawnExtent MeasureSymbolMono(const CBarcode& barcode, int dpi, const CSymbolView& view,
                               CFontLocator* fonts) {
    MonoImage scratch;
    scratch.Allocate(1, 1);
    CMonoSurface surface(scratch, dpi, fonts);
    CentreMapping(surface, dpi, scratch);
    return MeasureLabel(CLabelContent::Of(&barcode, view), surface);
}

CMapping DrawSymbolMono(const CBarcode& barcode, MonoImage& image, int dpi, const CSymbolView& view,
                        CFontLocator* fonts) {
    CMonoSurface surface(image, dpi, fonts);
    CentreMapping(surface, dpi, image);
    surface.SetBarWidthReduction(settings::Get(settings::kImageBarReduction));
    DrawLabel(CLabelContent::Of(&barcode, view), surface);
    return surface.Mapping();
}

CMonoRaster RenderSymbolMono(const CBarcode& barcode, int dpi, const CSymbolView& view,
                             CFontLocator* fonts) {
    if (dpi <= 0) return {};
    const CSize quiet = barcode.GetQuietZones();
    const CImagePlan plan = PlanSymbolImage(MeasureSymbolMono(barcode, dpi, view, fonts),
                                            std::max(quiet.cx, quiet.cy), view.rotation, dpi);
    CMonoRaster out;
    out.plan = plan;
    if (!plan.Drawable() ||
        !out.image.Allocate(static_cast<int>(plan.width), static_cast<int>(plan.height)))
        return out;
    out.mapping = DrawSymbolMono(barcode, out.image, dpi, view, fonts);
    return out;
}

namespace {

// The image around a label with lines: the label itself when it has a size, else its block and
// a tenth of it each way; even sides, so that the centre is a pixel corner.
CImagePlan PlanLabelImage(const CLabelContent& content, int dpi, CFontLocator* fonts) {
    const auto pixels = [dpi](double mils) {
        const double p = std::ceil(mils * dpi / 2000.0 - 1e-9);
        return p > 4e18 ? std::int64_t{1} << 61 : 2 * static_cast<std::int64_t>(std::max(p, 0.0));
    };
    if (content.label.cx > 0 && content.label.cy > 0)
        return {pixels(content.label.cx), pixels(content.label.cy)};
    MonoImage scratch;
    scratch.Allocate(1, 1);
    CMonoSurface surface(scratch, dpi, fonts);
    CentreMapping(surface, dpi, scratch);
    const CExtentRect block = MeasureLabel(content, surface).marks;
    if (block.empty) return {};
    return {pixels(block.Width() * 1.2), pixels(block.Height() * 1.2)};
}

} // namespace

CMonoRaster RenderLabelMono(const CLabelContent& content, int dpi, CFontLocator* fonts) {
    if (content.lines.empty())
        return content.symbol ? RenderSymbolMono(*content.symbol, dpi, content.view, fonts)
                              : CMonoRaster{};
    if (dpi <= 0) return {};
    CMonoRaster out;
    out.plan = PlanLabelImage(content, dpi, fonts);
    if (!out.plan.Drawable() ||
        !out.image.Allocate(static_cast<int>(out.plan.width), static_cast<int>(out.plan.height)))
        return out;
    CMonoSurface surface(out.image, dpi, fonts);
    CentreMapping(surface, dpi, out.image);
    surface.SetBarWidthReduction(settings::Get(settings::kImageBarReduction));
    DrawLabel(content, surface);
    out.mapping = surface.Mapping();
    return out;
}

void DrawLabelOnPage(const CLabelContent& content, MonoImage& page, int dpi, CPoint centre,
                     int reduction, CFontLocator* fonts) {
    if (dpi <= 0 || page.width <= 0 || page.height <= 0) return;
    CMonoSurface surface(page, dpi, fonts);
    surface.SetWindowExt({1000, 1000});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportExt({dpi, dpi});
    surface.SetBarWidthReduction(reduction);
    DrawLabelAt(content, surface, centre);
}
