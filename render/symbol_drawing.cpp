#include "render/symbol_drawing.h"

#include "engine/primitives.h"

#include <cmath>

CDrawnExtent MeasureSymbol(const CBarcode& barcode, CDrawSurface& surface,
                           const CSymbolView& view) {
    return MeasureDrawnExtent(barcode, surface, barcode.GetBarHeightMils(), view.showText,
                              engine::NormalizeOrientation(view.rotation));
}

CSize ExtentSize(const CExtentRect& rect) {
    return {engine::ClampToInt(static_cast<std::int64_t>(std::ceil(rect.Width() - 1e-9))),
            engine::ClampToInt(static_cast<std::int64_t>(std::ceil(rect.Height() - 1e-9)))};
}

CPoint CentredStart(const CDrawnExtent& extent) {
    if (extent.marks.empty) return {};
    return {engine::TruncToInt(std::round(-extent.marks.CentreX())),
            engine::TruncToInt(std::round(-extent.marks.CentreY()))};
}

void DrawSymbolCentred(const CBarcode& barcode, CMappedSurface& surface, const CSymbolView& view,
                       const CDrawnExtent* measured, CPoint at) {
    surface.SetBkModeOpaque(true);
    surface.SetWindowOrg({0, 0});
    CPoint start = CentredStart(measured ? *measured : MeasureSymbol(barcode, surface, view));
    start = {engine::ClampToInt(std::int64_t{start.x} + at.x),
             engine::ClampToInt(std::int64_t{start.y} + at.y)};
    barcode.Draw(surface, start, barcode.GetBarHeightMils(), view.showText,
                 engine::NormalizeOrientation(view.rotation));
}
