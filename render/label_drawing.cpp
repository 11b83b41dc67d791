#include "render/label_drawing.h"

CDrawnExtent MeasureLabel(const CLabelContent& content, CDrawSurface& surface) {
    if (!content.symbol) return {};
    return MeasureSymbol(*content.symbol, surface, content.view);
}

CSize LabelPaperSize(const CLabelContent& content, CDrawSurface& measuringSurface) {
    return ExtentSize(MeasureLabel(content, measuringSurface).marks);
}

void DrawLabel(const CLabelContent& content, CMappedSurface& surface,
               const CDrawnExtent* measured) {
    if (!content.symbol) return;
    DrawSymbolCentred(*content.symbol, surface, content.view, measured);
}

void DrawLabelAt(const CLabelContent& content, CMappedSurface& surface, CPoint centre) {
    surface.SetViewportOrg(centre);
    DrawLabel(content, surface);
}
