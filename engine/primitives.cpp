#include "engine/primitives.h"

#include "common/settings_keys.h"

#include <cmath>
#include <limits>

namespace engine {

int ReadDensity() {
    return settings::Get(settings::kDensity);
}

int ReadRatio() {
    return settings::Get(settings::kRatio);
}

int WideWidth(int density, int ratio) {
    return TruncToInt(static_cast<double>(ratio) * density * 0.1);
}

int TruncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

int ClampToInt(std::int64_t value) {
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    std::int64_t product = static_cast<std::int64_t>(a) * b;
    std::int64_t divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    // Round half away from zero.
    const std::int64_t half = divisor / 2;
    const std::int64_t q =
        product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
    if (q > std::numeric_limits<int>::max() || q < std::numeric_limits<int>::min()) return -1;
    return static_cast<int>(q);
}

int NormalizeOrientation(int orientation) {
    return ((orientation % 4) + 4) % 4;
}

int Escapement(int orientation) {
    static constexpr int kEscapement[4] = {0, 900, 1800, -900};
    return kEscapement[NormalizeOrientation(orientation)];
}

namespace {
int Add(int a, std::int64_t b) {
    return ClampToInt(static_cast<std::int64_t>(a) + b);
}
} // namespace

// Directions of advance: 0 → +x, 1 → -y, 2 → -x, 3 → +y.
void Advance(CPoint& pos, int distance, int orientation) {
    switch (NormalizeOrientation(orientation)) {
    case 0:
        pos.x = Add(pos.x, distance);
        break;
    case 1:
        pos.y = Add(pos.y, -static_cast<std::int64_t>(distance));
        break;
    case 2:
        pos.x = Add(pos.x, -static_cast<std::int64_t>(distance));
        break;
    default:
        pos.y = Add(pos.y, distance);
        break;
    }
}

// Bar directions: 0 → +y, 1 → +x, 2 → -y, 3 → -x.
CPoint AlongBar(CPoint p, int distance, int orientation) {
    switch (NormalizeOrientation(orientation)) {
    case 0:
        return {p.x, Add(p.y, distance)};
    case 1:
        return {Add(p.x, distance), p.y};
    case 2:
        return {p.x, Add(p.y, -static_cast<std::int64_t>(distance))};
    default:
        return {Add(p.x, -static_cast<std::int64_t>(distance)), p.y};
    }
}

void DrawBar(CDrawSurface& surface, CPoint at, int length, int width, int orientation) {
    // The pen is centred on the line, so the line runs half a width into the element's span.
    const int h = width / 2;
    CPoint from = at;
    switch (NormalizeOrientation(orientation)) {
    case 0:
        from.x = Add(at.x, h);
        break;
    case 1:
        from.y = Add(at.y, -static_cast<std::int64_t>(h));
        break;
    case 2:
        from.x = Add(at.x, -static_cast<std::int64_t>(h));
        break;
    default:
        from.y = Add(at.y, h);
        break;
    }
    surface.DrawLine(from, AlongBar(from, length, orientation), width);
}

void DrawModules(CDrawSurface& surface, std::string_view pattern, CPoint& pos, int length,
                 int orientation) {
    const int x = ReadDensity();
    for (char c : pattern) {
        if (c == 'b') DrawBar(surface, pos, length, x, orientation);
        Advance(pos, x, orientation);
    }
}

void DrawWideNarrow(CDrawSurface& surface, std::string_view pattern, CPoint& pos, int length,
                    int orientation) {
    const int x = ReadDensity();
    const int wide = WideWidth(x, ReadRatio());
    bool bar = true;
    for (char c : pattern) {
        const int w = c == 'w' ? wide : x;
        if (bar) DrawBar(surface, pos, length, w, orientation);
        Advance(pos, w, orientation);
        bar = !bar;
    }
}

} // namespace engine

void CDrawSurface::DrawGridBar(CPoint start, int orientation, int fromDot, int toDot, int offset,
                               int length) {
    const int dpi = GridDotsPerInch(orientation);
    if (dpi <= 0 || toDot <= fromDot) return;
    const auto mils = [dpi](int dots) {
        return engine::ClampToInt((static_cast<std::int64_t>(dots) * 1000 + dpi / 2) / dpi);
    };
    CPoint at = engine::AlongBar(start, offset, orientation);
    engine::Advance(at, mils(fromDot), orientation);
    engine::DrawBar(*this, at, length, mils(toDot) - mils(fromDot), orientation);
}
