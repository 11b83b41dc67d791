#include "engine/extent.h"

#include "engine/primitives.h"

#include <algorithm>
#include <cmath>
#include <vector>

void CExtentRect::Include(double x0, double y0, double x1, double y1) {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    if (empty) {
        *this = {x0, y0, x1, y1, false};
        return;
    }
    left = std::min(left, x0);
    top = std::min(top, y0);
    right = std::max(right, x1);
    bottom = std::max(bottom, y1);
}

namespace {

// Records the area of every mark; text is measured, and the grid reported, by the surface the
// symbol will be drawn on.
class CExtentSurface : public CDrawSurface {
public:
    explicit CExtentSurface(CDrawSurface& like) : m_like(like) {}

    void DrawLine(CPoint from, CPoint to, int penWidth) override {
        if (penWidth <= 0 || from == to) return;
        // A flat-ended pen centred on the line: half the width (truncated, as the primitives
        // offset a bar) on the side the line turns to, the rest on the other.
        const double h = penWidth / 2, w = penWidth;
        double x0, y0, x1, y1;
        if (from.x == to.x) {
            const double left = to.y > from.y ? from.x - h : from.x + h - w;
            x0 = left, x1 = left + w;
            y0 = std::min(from.y, to.y), y1 = std::max(from.y, to.y);
        } else if (from.y == to.y) {
            const double top = to.x > from.x ? from.y + h - w : from.y - h;
            y0 = top, y1 = top + w;
            x0 = std::min(from.x, to.x), x1 = std::max(from.x, to.x);
        } else {
            x0 = std::min(from.x, to.x) - w / 2, x1 = std::max(from.x, to.x) + w / 2;
            y0 = std::min(from.y, to.y) - w / 2, y1 = std::max(from.y, to.y) + w / 2;
        }
        extent.marks.Include(x0, y0, x1, y1);
        extent.bars.Include(x0, y0, x1, y1);
    }

    void DrawGridBar(CPoint start, int orientation, int fromDot, int toDot, int offset,
                     int length) override {
        const int dpi = GridDotsPerInch(orientation);
        if (dpi <= 0 || toDot <= fromDot) return;
        // Along the advance in logical units from the start; the grid line the start snaps to
        // is at most half a dot away, which the extent need not know.
        const double a0 = fromDot * 1000.0 / dpi, a1 = toDot * 1000.0 / dpi;
        const CPoint b0 = engine::AlongBar(start, offset, orientation);
        const CPoint b1 = engine::AlongBar(b0, length, orientation);
        switch (engine::NormalizeOrientation(orientation)) {
        case 0:
            Include(start.x + a0, b0.y, start.x + a1, b1.y);
            break;
        case 1:
            Include(b0.x, start.y - a1, b1.x, start.y - a0);
            break;
        case 2:
            Include(start.x - a1, b0.y, start.x - a0, b1.y);
            break;
        default:
            Include(b0.x, start.y + a0, b1.x, start.y + a1);
            break;
        }
    }

    void DrawGridCells(CPoint start, int orientation, int fromDot, int toDot, int fromRow,
                       int toRow) override {
        const int dpiA = GridDotsPerInch(orientation), dpiB = GridDotsPerInch(orientation + 1);
        if (dpiA <= 0 || dpiB <= 0 || toDot <= fromDot || toRow <= fromRow) return;
        // From the start in logical units, as DrawGridBar measures.
        const double a0 = fromDot * 1000.0 / dpiA, a1 = toDot * 1000.0 / dpiA;
        const double b0 = fromRow * 1000.0 / dpiB, b1 = toRow * 1000.0 / dpiB;
        switch (engine::NormalizeOrientation(orientation)) {
        case 0: // advance +x, bars +y
            Include(start.x + a0, start.y + b0, start.x + a1, start.y + b1);
            break;
        case 1: // advance -y, bars +x
            Include(start.x + b0, start.y - a1, start.x + b1, start.y - a0);
            break;
        case 2: // advance -x, bars -y
            Include(start.x - a1, start.y - b1, start.x - a0, start.y - b0);
            break;
        default: // advance +y, bars -x
            Include(start.x - b1, start.y + a0, start.x - b0, start.y + a1);
            break;
        }
    }

    void SelectFont(const CFontSpec& font) override {
        m_like.SelectFont(font);
        m_escapements.push_back(font.escapement);
    }
    void RestoreFont() override {
        m_like.RestoreFont();
        if (!m_escapements.empty()) m_escapements.pop_back();
    }
    CSize GetTextExtent(std::string_view text) override { return m_like.GetTextExtent(text); }
    CTextInk GetTextInk(std::string_view text) override { return m_like.GetTextInk(text); }

    void TextOut(CPoint at, std::string_view text) override {
        if (text.empty()) return;
        // The glyphs' ink, not the whole cell: the cell's room above and below the characters is
        // white and must not shift the symbol off its centre.
        const CTextInk ink = m_like.GetTextInk(text);
        if (ink.right <= ink.left || ink.bottom <= ink.top) return;
        // Turned counter-clockwise on the page (y down) about the cell's top-left corner.
        const int escapement = m_escapements.empty() ? 0 : m_escapements.back();
        const double a = escapement / 10.0 * 3.14159265358979323846 / 180.0;
        const double c = std::round(std::cos(a) * 1e9) / 1e9,
                     s = std::round(std::sin(a) * 1e9) / 1e9;
        const double u[4] = {double(ink.left), double(ink.right), double(ink.right),
                             double(ink.left)};
        const double v[4] = {double(ink.top), double(ink.top), double(ink.bottom),
                             double(ink.bottom)};
        for (int i = 0; i < 4; ++i) {
            const double x = at.x + u[i] * c + v[i] * s, y = at.y - u[i] * s + v[i] * c;
            extent.marks.Include(x, y, x, y);
        }
    }

    int GridDotsPerInch(int orientation) const override {
        return m_like.GridDotsPerInch(orientation);
    }

    CDrawnExtent extent;

private:
    void Include(double x0, double y0, double x1, double y1) {
        extent.marks.Include(x0, y0, x1, y1);
        extent.bars.Include(x0, y0, x1, y1);
    }

    CDrawSurface& m_like;
    std::vector<int> m_escapements;
};

} // namespace

CDrawnExtent MeasureDrawnExtent(const CBarcode& barcode, CDrawSurface& like, int barHeight,
                                bool showText, int orientation) {
    CExtentSurface surface(like);
    CPoint origin{0, 0};
    barcode.Draw(surface, origin, barHeight, showText, orientation);
    CDrawnExtent extent = surface.extent;
    // A matrix symbol's dark modules reach its four edges (its finder patterns do): the quiet
    // zone lies that many modules beyond them on every side, and the marks include it.
    const int quiet = barcode.GetQuietModules();
    if (quiet > 0 && !extent.bars.empty) {
        const engine::CMatrixModule m = engine::MatrixModuleOn(like, orientation);
        const bool advanceAlongX = engine::NormalizeOrientation(orientation) % 2 == 0;
        const double qa = m.AlongAdvance(quiet), qb = m.AlongBars(quiet);
        const double qx = advanceAlongX ? qa : qb, qy = advanceAlongX ? qb : qa;
        const CExtentRect& b = extent.bars;
        extent.marks.Include(b.left - qx, b.top - qy, b.right + qx, b.bottom + qy);
    }
    return extent;
}
