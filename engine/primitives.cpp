#include "engine/primitives.h"

#include "common/latin1.h"
#include "common/settings_keys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

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

CMessages DescribeChange(std::string_view typed, std::string_view stored,
                         std::string_view symbology) {
    if (typed == stored) return {};
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    // Letters made capitals, and nothing else.
    if (typed.size() == stored.size() && std::equal(typed.begin(), typed.end(), stored.begin(),
                                                    [&](char a, char b) { return upper(a) == b; }))
        return {MakeMessage(Msg::LettersMadeCapitals)};
    // Characters left out, keeping the order: `stored` is `typed` with some removed, and
    // perhaps padding added at the end.
    std::size_t i = 0, kept = 0;
    for (char c : typed)
        if (i < stored.size() && stored[i] == c) ++i, ++kept;
    const std::size_t removed = typed.size() - kept;
    const std::size_t added = stored.size() - i;
    const std::string name(symbology);
    CMessages reasons;
    if (removed > 0)
        reasons.push_back(removed == 1
                              ? MakeMessage(Msg::CharacterRemoved, name)
                              : MakeMessage(Msg::CharactersRemoved, std::to_string(removed), name));
    if (added > 0) {
        const std::string padding(stored.substr(i));
        if (padding.find_first_not_of('0') != std::string::npos)
            reasons.push_back(MakeMessage(Msg::TextAdded, Latin1ToUtf8(padding)));
        else if (added == 1)
            reasons.push_back(MakeMessage(Msg::ZeroAddedForPairs));
        else
            reasons.push_back(MakeMessage(Msg::ZerosAddedForPairs, std::to_string(added)));
    }
    if (reasons.empty()) reasons.push_back(MakeMessage(Msg::DataChanged, name));
    return reasons;
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

namespace {

// round(v × dpi / 1000) for non-negative v, in 64 bits.
std::int64_t ToDots(std::int64_t logical, int dpi) {
    return (logical * dpi + 500) / 1000;
}

} // namespace

CModuleOnDevice ModuleOnDevice(int dpi) {
    CModuleOnDevice m;
    m.requestedMils = ReadDensity();
    m.actualMils = m.requestedMils;
    if (dpi <= 0 || settings::Get(settings::kSnapToDots) == 0) return m;
    m.dots = static_cast<int>(std::clamp<std::int64_t>(ToDots(m.requestedMils, dpi), 1, 1 << 20));
    m.actualMils = m.dots * 1000.0 / dpi;
    return m;
}

namespace {
std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}
} // namespace

CMessage DescribeModule(int dpi) {
    const CModuleOnDevice m = ModuleOnDevice(dpi);
    return MakeMessage(Msg::ModuleReadout, Fixed(m.actualMils, 2), std::to_string(dpi));
}

CMessage ModuleWarning(int dpi) {
    const CModuleOnDevice m = ModuleOnDevice(dpi);
    if (m.dots == 0 || m.requestedMils <= 0) return {};
    const double exactDots = m.requestedMils * dpi / 1000.0;
    const double change = (m.actualMils - m.requestedMils) / m.requestedMils;
    // Below half a dot the module rounds to no dot at all and is drawn as one.
    if (exactDots < 0.5)
        return MakeMessage(Msg::ModuleBelowOneDot, std::to_string(dpi),
                           std::to_string(m.requestedMils), Fixed(m.actualMils, 2),
                           Fixed(change * 100, 0));
    if (std::abs(change) <= 0.15) return {};
    return MakeMessage(change > 0 ? Msg::ModuleTooLarge : Msg::ModuleTooSmall, std::to_string(dpi),
                       std::to_string(m.requestedMils), std::to_string(m.dots),
                       Fixed(m.actualMils, 2), Fixed(std::abs(change) * 100, 0));
}

int DefaultImageResolution(int screenDpi, int xMils, bool snap) {
    constexpr int kMaxDpi = 3000; // the most an export takes
    const int screen = screenDpi > 0 ? std::min(screenDpi, kMaxDpi) : 96;
    const int x = std::max(xMils, 1);
    int twoDots = 0; // the first multiple with two dots, should none be close enough to X
    for (int dpi = screen; dpi <= kMaxDpi; dpi += screen) {
        const double exact = x * dpi / 1000.0;
        const double dots =
            snap ? static_cast<double>(std::max<std::int64_t>(1, ToDots(x, dpi))) : exact;
        if (dots < 2) continue;
        if (twoDots == 0) twoDots = dpi;
        if (std::abs(dots - exact) <= 0.15 * exact) return dpi;
    }
    return twoDots > 0 ? twoDots : kMaxDpi;
}

int DefaultImageResolution(int screenDpi) {
    return DefaultImageResolution(screenDpi, ReadDensity(),
                                  settings::Get(settings::kSnapToDots) != 0);
}

CBarCursor::CBarCursor(CDrawSurface& surface, CPoint start, int orientation)
    : m_surface(surface), m_start(start), m_orientation(NormalizeOrientation(orientation)),
      m_dpi(settings::Get(settings::kSnapToDots) != 0
                ? std::max(0, surface.GridDotsPerInch(m_orientation))
                : 0),
      m_joinModules(m_dpi > 0 || surface.GridDotsPerInch(m_orientation) <= 0) {
    const int x = ReadDensity();
    const int r = ReadRatio();
    m_narrow = {x, 0};
    m_wide = {WideWidth(x, r), 0};
    if (m_dpi > 0) {
        const auto dots = static_cast<int>(std::clamp<std::int64_t>(ToDots(x, m_dpi), 1, 1 << 20));
        m_narrow.dots = dots;
        // R is in tenths: round(R × x / 10), never as narrow as the module.
        m_wide.dots = std::max(dots + 1, (r * dots + 5) / 10);
    }
}

CBarCursor::Width CBarCursor::Fixed(int logical) const {
    if (m_dpi == 0) return {logical, 0};
    const std::int64_t dots = ToDots(std::max(logical, 0), m_dpi);
    return {logical, static_cast<int>(std::clamp<std::int64_t>(dots, 1, 1 << 20))};
}

CPoint CBarCursor::At(std::int64_t travelledLogical, std::int64_t travelledDots) const {
    CPoint p = m_start;
    const std::int64_t logical =
        m_dpi == 0 ? travelledLogical : (travelledDots * 1000 + m_dpi / 2) / m_dpi;
    Advance(p, ClampToInt(logical), m_orientation);
    return p;
}

void CBarCursor::Bar(Width w, int length, int offset) {
    if (!m_anyBar) {
        m_anyBar = true;
        m_firstBarLogical = m_logical;
        m_firstBarDots = m_dots;
    }
    if (m_dpi == 0) {
        DrawBar(m_surface, AlongBar(At(m_logical, 0), offset, m_orientation), length, w.logical,
                m_orientation);
    } else {
        m_surface.DrawGridBar(m_start, m_orientation, ClampToInt(m_dots),
                              ClampToInt(m_dots + w.dots), offset, length);
    }
    Space(w);
    m_lastBarLogical = m_logical;
    m_lastBarDots = m_dots;
}

void CBarCursor::Space(Width w) {
    m_logical += w.logical;
    m_dots += w.dots;
}

void CBarCursor::Modules(std::string_view pattern, int length) {
    // Neighbouring dark modules are one bar. On a device grid a bar-width reduction takes its
    // dots off the bar once, not off each module (which would open gaps inside it); in a vector
    // picture one shape per bar leaves no seam for a viewer to show inside it. Only a raster
    // drawn without snapping keeps a line per module, as it always drew.
    for (std::size_t i = 0; i < pattern.size();) {
        std::size_t end = i + 1;
        while (m_joinModules && end < pattern.size() &&
               (pattern[end] == 'b') == (pattern[i] == 'b'))
            ++end;
        const int n = static_cast<int>(end - i);
        const Width w{m_narrow.logical * n, m_narrow.dots * n};
        if (pattern[i] == 'b')
            Bar(w, length, 0);
        else
            Space(w);
        i = end;
    }
}

void CBarCursor::WideNarrow(std::string_view pattern, int length) {
    bool bar = true;
    for (char c : pattern) {
        const Width w = c == 'w' ? m_wide : m_narrow;
        if (bar)
            Bar(w, length, 0);
        else
            Space(w);
        bar = !bar;
    }
}

void CBarCursor::FixedBar(int width, int length, int offset) {
    Bar(Fixed(width), length, offset);
}

void CBarCursor::FixedSpace(int width) {
    Space(Fixed(width));
}

CPoint CBarCursor::Position() const {
    return At(m_logical, m_dots);
}

std::pair<CPoint, CPoint> CBarCursor::BarSpan() const {
    if (!m_anyBar) return {m_start, m_start};
    return {At(m_firstBarLogical, m_firstBarDots), At(m_lastBarLogical, m_lastBarDots)};
}

double CMatrixModule::AlongAdvance(std::int64_t n) const {
    return OnGrid() ? static_cast<double>(n) * dotsAdvance * 1000.0 / dpiAdvance
                    : static_cast<double>(n) * mils;
}

double CMatrixModule::AlongBars(std::int64_t n) const {
    return OnGrid() ? static_cast<double>(n) * dotsAcross * 1000.0 / dpiAcross
                    : static_cast<double>(n) * mils;
}

CMatrixModule MatrixModuleOn(const CDrawSurface& surface, int orientation) {
    CMatrixModule m;
    m.mils = ReadDensity();
    if (settings::Get(settings::kSnapToDots) == 0) return m;
    const int o = NormalizeOrientation(orientation);
    const int along = surface.GridDotsPerInch(o), across = surface.GridDotsPerInch(o + 1);
    if (along <= 0 || across <= 0) return m;
    const auto dots = [&m](int dpi) {
        return static_cast<int>(std::clamp<std::int64_t>(ToDots(m.mils, dpi), 1, 1 << 20));
    };
    m.dpiAdvance = along;
    m.dpiAcross = across;
    m.dotsAdvance = dots(along);
    m.dotsAcross = dots(across);
    return m;
}

CMatrixPlacement DrawModuleMatrix(CDrawSurface& surface, CPoint start, int orientation,
                                  const CModuleMatrix& matrix, int quiet) {
    const int o = NormalizeOrientation(orientation);
    const CMatrixModule m = MatrixModuleOn(surface, o);
    const std::int64_t q = std::max(quiet, 0);
    // n modules from the start, along each axis: whole dots on a grid, X mils elsewhere.
    const auto advanceUnits = [&m](std::int64_t n) {
        return n * (m.OnGrid() ? m.dotsAdvance : m.mils);
    };
    const auto barUnits = [&m](std::int64_t n) { return n * (m.OnGrid() ? m.dotsAcross : m.mils); };
    for (int r = 0; r < matrix.rows; ++r) {
        for (int c = 0; c < matrix.cols;) {
            if (!matrix.Dark(r, c)) {
                ++c;
                continue;
            }
            int end = c + 1;
            while (end < matrix.cols && matrix.Dark(r, end))
                ++end;
            if (m.OnGrid()) {
                surface.DrawGridCells(start, o, ClampToInt(advanceUnits(q + c)),
                                      ClampToInt(advanceUnits(q + end)),
                                      ClampToInt(barUnits(q + r)), ClampToInt(barUnits(q + r + 1)));
            } else {
                CPoint at = AlongBar(start, ClampToInt(barUnits(q + r)), o);
                Advance(at, ClampToInt(advanceUnits(q + c)), o);
                DrawBar(surface, at, m.mils, ClampToInt(advanceUnits(end - c)), o);
            }
            c = end;
        }
    }
    // Positions on a grid are its dots rounded to the nearest logical unit, as the bars' are.
    const auto logical = [](std::int64_t units, int dpi) {
        return ClampToInt(dpi > 0 ? (units * 1000 + dpi / 2) / dpi : units);
    };
    const int dpiA = m.OnGrid() ? m.dpiAdvance : 0, dpiB = m.OnGrid() ? m.dpiAcross : 0;
    CMatrixPlacement placed;
    placed.first = placed.last = start;
    Advance(placed.first, logical(advanceUnits(q), dpiA), o);
    Advance(placed.last, logical(advanceUnits(q + matrix.cols), dpiA), o);
    placed.below = logical(barUnits(2 * q + matrix.rows), dpiB);
    placed.length = logical(advanceUnits(2 * q + matrix.cols), dpiA);
    return placed;
}

void DrawModules(CDrawSurface& surface, std::string_view pattern, CPoint& pos, int length,
                 int orientation) {
    CBarCursor cursor(surface, pos, orientation);
    cursor.Modules(pattern, length);
    pos = cursor.Position();
}

void DrawWideNarrow(CDrawSurface& surface, std::string_view pattern, CPoint& pos, int length,
                    int orientation) {
    CBarCursor cursor(surface, pos, orientation);
    cursor.WideNarrow(pattern, length);
    pos = cursor.Position();
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

void CDrawSurface::DrawGridCells(CPoint start, int orientation, int fromDot, int toDot, int fromRow,
                                 int toRow) {
    const int dpiAlong = GridDotsPerInch(orientation), dpiAcross = GridDotsPerInch(orientation + 1);
    if (dpiAlong <= 0 || dpiAcross <= 0 || toDot <= fromDot || toRow <= fromRow) return;
    const auto mils = [](int dots, int dpi) {
        return engine::ClampToInt((static_cast<std::int64_t>(dots) * 1000 + dpi / 2) / dpi);
    };
    const int from = mils(fromRow, dpiAcross);
    CPoint at = engine::AlongBar(start, from, orientation);
    engine::Advance(at, mils(fromDot, dpiAlong), orientation);
    engine::DrawBar(*this, at, mils(toRow, dpiAcross) - from,
                    mils(toDot, dpiAlong) - mils(fromDot, dpiAlong), orientation);
}
