#include "output/symbol_drawing.h"

#include "engine/primitives.h"

CSize MeasureSymbol(const CBarcode& barcode, CDrawSurface& surface, bool showText) {
    const int h = barcode.GetBarHeightMils();
    int t = 0;
    if (showText) {
        surface.SelectFont(
            CFontSpec{barcode.m_strFontName.substr(0, 31), barcode.GetFontHeightMils(), 400, 0});
        t = surface.GetTextExtent("HALVERN").cy;
        surface.RestoreFont();
    }
    return {barcode.GetWidth(), engine::ClampToInt(static_cast<std::int64_t>(h) + t)};
}

CSymbolPlacement PlaceSymbol(int w, int h, int height, int rotation) {
    const int s = engine::ClampToInt((static_cast<std::int64_t>(height) - h) / 2);
    switch (engine::NormalizeOrientation(rotation)) {
    case 0:
        return {{-(w / 2), -(h / 2)}, {0, s}};
    case 1:
        return {{-(h / 2), w / 2}, {s, 0}};
    case 2:
        return {{w / 2, h / 2}, {0, -s}};
    default:
        return {{h / 2, -(w / 2)}, {-s, 0}};
    }
}

void DrawSymbolCentred(const CBarcode& barcode, CMappedSurface& surface, int rotation,
                       bool showText, CSize symbolSize) {
    surface.SetBkModeOpaque(true);
    const int h = barcode.GetBarHeightMils();
    const CSymbolPlacement place = PlaceSymbol(barcode.GetWidth(), h, symbolSize.cy, rotation);
    surface.SetWindowOrg(place.windowOrg);
    CPoint corner = place.startCorner;
    barcode.Draw(surface, corner, h, showText, engine::NormalizeOrientation(rotation));
}
