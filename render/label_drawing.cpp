#include "render/label_drawing.h"

#include "engine/primitives.h"

#include <cmath>

namespace {

// A point of the label's own frame in the view's rotation: quarter turns anticlockwise, y down.
CPoint Turned(CPoint p, int orientation) {
    switch (engine::NormalizeOrientation(orientation)) {
    case 1:
        return {p.y, -p.x};
    case 2:
        return {-p.x, -p.y};
    case 3:
        return {-p.y, p.x};
    default:
        return p;
    }
}

CExtentRect TurnedRect(const CExtentRect& r, int orientation) {
    CExtentRect out;
    if (r.empty) return out;
    for (const double x : {r.left, r.right})
        for (const double y : {r.top, r.bottom}) {
            const CPoint p =
                Turned({engine::ClampToInt(std::llround(x)), engine::ClampToInt(std::llround(y))},
                       orientation);
            out.Include(p.x, p.y, p.x, p.y);
        }
    return out;
}

void DrawLines(const CLabelContent& content, const CLabelLayout& layout, CDrawSurface& surface) {
    const int o = engine::NormalizeOrientation(content.view.rotation);
    for (const CLabelLayout::Line& placed : layout.lines) {
        const CLabelLine& line = content.lines[placed.index];
        surface.SelectFont({Utf8ToLatin1(line.face),
                            engine::ClampToInt(std::llround(placed.points * 1000.0 / 72.0)),
                            line.bold ? 700 : 400, engine::Escapement(o), line.italic});
        surface.TextOutUtf8(Turned(placed.topLeft, o), line.text);
        surface.RestoreFont();
    }
}

} // namespace

CDrawnExtent MeasureLabel(const CLabelContent& content, CDrawSurface& surface) {
    if (content.lines.empty()) {
        if (!content.symbol) return {};
        return MeasureSymbol(*content.symbol, surface, content.view);
    }
    const CLabelLayout layout = LayOutLabel(content, surface);
    CDrawnExtent extent;
    extent.marks = TurnedRect(layout.block, content.view.rotation);
    extent.bars = extent.marks;
    return extent;
}

CSize LabelPaperSize(const CLabelContent& content, CDrawSurface& measuringSurface) {
    return ExtentSize(MeasureLabel(content, measuringSurface).marks);
}

void DrawLabel(const CLabelContent& content, CMappedSurface& surface,
               const CDrawnExtent* measured) {
    if (content.lines.empty()) {
        if (content.symbol) DrawSymbolCentred(*content.symbol, surface, content.view, measured);
        return;
    }
    surface.SetBkModeOpaque(true);
    surface.SetWindowOrg({0, 0});
    const CLabelLayout layout = LayOutLabel(content, surface);
    if (content.symbol)
        DrawSymbolCentred(*content.symbol, surface, content.view, nullptr,
                          Turned(layout.symbolCentre, content.view.rotation));
    DrawLines(content, layout, surface);
}

void DrawLabelAt(const CLabelContent& content, CMappedSurface& surface, CPoint centre) {
    surface.SetViewportOrg(centre);
    DrawLabel(content, surface);
}
