#include "render/bar_geometry.h"

#include <algorithm>
#include <cmath>

int RoundEdge(double v) {
    v = std::clamp(v, -1e9, 1e9);
    return static_cast<int>(std::floor(v + 0.5));
}

namespace {

// The sign of b − a, without computing a difference that may not fit.
int Direction(int a, int b) {
    return (b > a) - (b < a);
}

} // namespace

std::optional<CLogicalRect> BarArea(CPoint from, CPoint to, int penWidth) {
    if (penWidth <= 0) return std::nullopt;
    const double w = penWidth, h = penWidth / 2;
    const int dx = Direction(from.x, to.x), dy = Direction(from.y, to.y);
    if ((dx == 0) == (dy == 0)) return std::nullopt; // a point, or slanted
    if (dx == 0) { // along y: the symbol advances along +x when the line runs down
        const double x0 = dy > 0 ? from.x - h : from.x + h - w;
        return CLogicalRect{x0, static_cast<double>(std::min(from.y, to.y)), x0 + w,
                            static_cast<double>(std::max(from.y, to.y))};
    }
    // along x: the symbol advances along -y when the line runs right
    const double y0 = dx > 0 ? from.y + h - w : from.y - h;
    return CLogicalRect{static_cast<double>(std::min(from.x, to.x)), y0,
                        static_cast<double>(std::max(from.x, to.x)), y0 + w};
}
