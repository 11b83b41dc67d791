// Where a label's lines and symbol go: measured on the surface that draws them, stacked above
// and below the symbol and beside it, fitted to the label and centred on it as one block.

#include "render/label_drawing.h"

#include "common/latin1.h"
#include "engine/primitives.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPointsPerInch = 72.0;

int PointsToMils(double points) {
    return engine::ClampToInt(std::llround(points * 1000.0 / kPointsPerInch));
}

CFontSpec LineFont(const CLabelLine& line, double points, int orientation) {
    return {Utf8ToLatin1(line.face), PointsToMils(points), line.bold ? 700 : 400,
            engine::Escapement(orientation), line.italic};
}

CSize MeasureLine(CDrawSurface& surface, const CLabelLine& line, double points) {
    surface.SelectFont(LineFont(line, points, 0));
    const CSize cell = surface.GetTextExtentUtf8(line.text);
    surface.RestoreFont();
    return cell;
}

// The symbol with its quiet zone in the label's frame, relative to the centre of its marks.
CExtentRect SymbolBlock(const CLabelContent& content, CDrawSurface& surface) {
    CExtentRect block;
    if (!content.symbol) return block;
    const CDrawnExtent drawn = MeasureSymbol(*content.symbol, surface, {0, content.view.showText});
    if (drawn.marks.empty) return block;
    const CSize quiet = content.symbol->GetQuietZones();
    const CExtentRect& bars = drawn.bars.empty ? drawn.marks : drawn.bars;
    const double cx = drawn.marks.CentreX(), cy = drawn.marks.CentreY();
    block.Include(drawn.marks.left - cx, drawn.marks.top - cy, drawn.marks.right - cx,
                  drawn.marks.bottom - cy);
    block.Include(bars.left - quiet.cx - cx, bars.top - cy, bars.right + quiet.cy - cx,
                  bars.bottom - cy);
    return block;
}

// Lines measured and set, each in its place.
struct Column {
    std::vector<CLabelLayout::Line> lines;
    int Width() const {
        int w = 0;
        for (const auto& l : lines)
            w = std::max(w, l.cell.cx);
        return w;
    }
    int Height(int gap) const {
        int h = 0;
        for (const auto& l : lines)
            h += l.cell.cy;
        return lines.empty() ? 0 : h + gap * static_cast<int>(lines.size() - 1);
    }
};

struct Fitter {
    const CLabelContent& content;
    CDrawSurface& surface;
    Column above, below, left, right;
    int symbolWidth = 0, symbolHeight = 0;
    std::vector<std::size_t> tooLong;

    Column& Of(LinePlace place) {
        switch (place) {
        case LinePlace::Below:
            return below;
        case LinePlace::Left:
            return left;
        case LinePlace::Right:
            return right;
        case LinePlace::Above:
            break;
        }
        return above;
    }
    int Gap() const { return 30; } // mils between the lines and the symbol, and between lines
    int SideGap(const Column& c) const { return c.lines.empty() ? 0 : Gap(); }
    int CentreWidth() const { return std::max({symbolWidth, above.Width(), below.Width()}); }
    int Width() const {
        return left.Width() + SideGap(left) + CentreWidth() + SideGap(right) + right.Width();
    }
    int CentreHeight() const {
        const int parts = (above.lines.empty() ? 0 : 1) + (below.lines.empty() ? 0 : 1);
        return above.Height(Gap()) + symbolHeight + below.Height(Gap()) + parts * Gap();
    }
    int Height() const {
        return std::max({CentreHeight(), left.Height(Gap()), right.Height(Gap())});
    }
    // Sets each line of `column` wider than `room` smaller, down to the smallest size.
    void Shrink(Column& column, int room) {
        for (auto& l : column.lines) {
            if (l.cell.cx <= room || room <= 0) continue;
            const CLabelLine& line = content.lines[l.index];
            double points =
                std::max(kMinLinePoints, std::floor(l.points * room / l.cell.cx * 10) / 10);
            l.cell = MeasureLine(surface, line, points);
            // Rounding may leave it a hair too wide: a tenth of a point less at a time.
            while (l.cell.cx > room && points > kMinLinePoints) {
                points = std::max(kMinLinePoints, points - 0.1);
                l.cell = MeasureLine(surface, line, points);
            }
            l.points = points;
        }
    }
    // Sets every line a tenth smaller at a time while the block is taller than `room`.
    void FitHeight(int room) {
        for (int step = 0; step < 20 && Height() > room; ++step) {
            bool smaller = false;
            for (Column* c : {&above, &below, &left, &right})
                for (auto& l : c->lines) {
                    if (l.points <= kMinLinePoints) continue;
                    l.points = std::max(kMinLinePoints, std::floor(l.points * 9) / 10);
                    l.cell = MeasureLine(surface, content.lines[l.index], l.points);
                    smaller = true;
                }
            if (!smaller) return;
        }
    }
    void Fit(CSize room) {
        FitHeight(room.cy);
        for (int pass = 0; pass < 2; ++pass) {
            Shrink(above, room.cx - left.Width() - SideGap(left) - right.Width() - SideGap(right));
            Shrink(below, room.cx - left.Width() - SideGap(left) - right.Width() - SideGap(right));
            const int sides = (left.lines.empty() ? 0 : 1) + (right.lines.empty() ? 0 : 1);
            if (sides == 0) continue;
            const int sideRoom = (room.cx - CentreWidth() - SideGap(left) - SideGap(right)) / sides;
            Shrink(left, sideRoom);
            Shrink(right, sideRoom);
        }
    }
};

// Lines of a column stacked downwards from `top`, each aligned within [x0, x0 + width).
int Stack(Column& column, int x0, int width, int top, int gap, const CLabelContent& content) {
    for (auto& l : column.lines) {
        const LineAlign align = content.lines[l.index].align;
        const int x = align == LineAlign::Left    ? x0
                      : align == LineAlign::Right ? x0 + width - l.cell.cx
                                                  : x0 + (width - l.cell.cx) / 2;
        l.topLeft = {x, top};
        top += l.cell.cy + gap;
    }
    return top;
}

} // namespace

CLabelLayout LayOutLabel(const CLabelContent& content, CDrawSurface& surface) {
    Fitter f{content, surface, {}, {}, {}, {}, 0, 0, {}};
    const CExtentRect symbol = SymbolBlock(content, surface);
    f.symbolWidth = engine::ClampToInt(std::llround(symbol.Width()));
    f.symbolHeight = engine::ClampToInt(std::llround(symbol.Height()));
    for (std::size_t i = 0; i < content.lines.size(); ++i) {
        const CLabelLine& line = content.lines[i];
        f.Of(line.place)
            .lines.push_back({i, {}, MeasureLine(surface, line, line.points), line.points});
    }
    CLabelLayout layout;
    if (content.label.cx > 0 && content.label.cy > 0) {
        // The label's frame turns with the view: a quarter turn lays the lines along its height.
        const bool turned = engine::NormalizeOrientation(content.view.rotation) % 2 == 1;
        const CSize room{(turned ? content.label.cy : content.label.cx) - 2 * kLabelMarginMils,
                         (turned ? content.label.cx : content.label.cy) - 2 * kLabelMarginMils};
        f.Fit(room);
        for (Column* c : {&f.above, &f.below, &f.left, &f.right})
            for (const auto& l : c->lines)
                if (l.cell.cx > room.cx) layout.tooLong.push_back(l.index);
        std::sort(layout.tooLong.begin(), layout.tooLong.end());
        layout.tooTall = f.Height() > room.cy;
    }
    const int w = f.Width(), h = f.Height(), gap = f.Gap();
    const int x0 = -w / 2, y0 = -h / 2;
    const int centreX = x0 + f.left.Width() + f.SideGap(f.left), centreW = f.CentreWidth();
    int y = y0 + (h - f.CentreHeight()) / 2;
    y = Stack(f.above, centreX, centreW, y, gap, content);
    const int symbolTop = y;
    layout.symbolCentre = {engine::ClampToInt(std::llround(centreX + centreW / 2.0 -
                                                           (symbol.left + symbol.right) / 2)),
                           engine::ClampToInt(std::llround(symbolTop - symbol.top))};
    if (!symbol.empty)
        layout.symbolBlock.Include(
            symbol.left + layout.symbolCentre.x, symbol.top + layout.symbolCentre.y,
            symbol.right + layout.symbolCentre.x, symbol.bottom + layout.symbolCentre.y);
    y = symbolTop + f.symbolHeight + (f.below.lines.empty() ? 0 : gap);
    Stack(f.below, centreX, centreW, y, gap, content);
    Stack(f.left, x0, f.left.Width(), y0 + (h - f.left.Height(gap)) / 2, gap, content);
    Stack(f.right, x0 + w - f.right.Width(), f.right.Width(), y0 + (h - f.right.Height(gap)) / 2,
          gap, content);
    for (Column* c : {&f.above, &f.below, &f.left, &f.right})
        layout.lines.insert(layout.lines.end(), c->lines.begin(), c->lines.end());
    layout.block.Include(x0, y0, x0 + w, y0 + h);
    return layout;
}
