// How the encoder's symbols are drawn: the module rows as bars and cells of whole device dots,
// MaxiCode's hexagons and bull's eye as slices, the text of a linear symbol in the program's
// font.

#include "engine/primitives.h"
#include "engine/symbologies.h"
#include "engine/zint_barcode.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using engine::ClampToInt;

// Distances from the symbol's start: along the advance and along the bars, in the units a cell
// is drawn in (device dots on a grid, mils elsewhere).
class CCells {
public:
    CCells(CDrawSurface& surface, CPoint start, int orientation)
        : m_surface(surface), m_start(start), m_o(orientation),
          m_module(engine::MatrixModuleOn(surface, orientation)) {}

    bool OnGrid() const { return m_module.OnGrid(); }
    // `modules` along each axis, in drawing units.
    std::int64_t Advance(double modules) const {
        return std::llround(modules * (OnGrid() ? m_module.dotsAdvance : m_module.mils));
    }
    std::int64_t Across(double modules) const {
        return std::llround(modules * (OnGrid() ? m_module.dotsAcross : m_module.mils));
    }
    // `mils` along the bars, in drawing units.
    std::int64_t AcrossMils(double mils) const {
        return OnGrid() ? std::llround(mils * m_module.dpiAcross / 1000.0) : std::llround(mils);
    }
    // Drawing units along the advance as logical units (a grid's dots rounded as bars are).
    int LogicalAdvance(std::int64_t units) const {
        const int dpi = OnGrid() ? m_module.dpiAdvance : 0;
        return ClampToInt(dpi > 0 ? (units * 1000 + dpi / 2) / dpi : units);
    }
    // The rectangle [a0, a1) along the advance by [b0, b1) along the bars.
    void Cell(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) const {
        if (a1 <= a0 || b1 <= b0) return;
        if (OnGrid()) {
            m_surface.DrawGridCells(m_start, m_o, ClampToInt(a0), ClampToInt(a1), ClampToInt(b0),
                                    ClampToInt(b1));
            return;
        }
        CPoint at = engine::AlongBar(m_start, ClampToInt(b0), m_o);
        engine::Advance(at, ClampToInt(a0), m_o);
        engine::DrawBar(m_surface, at, ClampToInt(b1 - b0), ClampToInt(a1 - a0), m_o);
    }
    // One drawing unit along the bars in modules: a grid's dot, or a fraction of X elsewhere.
    double SliceModules(int slicesPerModule) const {
        return OnGrid() ? 1.0 / m_module.dotsAcross : 1.0 / slicesPerModule;
    }

private:
    CDrawSurface& m_surface;
    CPoint m_start;
    int m_o;
    engine::CMatrixModule m_module;
};

// The dark runs of each row, [first, end) columns.
using Runs = std::vector<std::vector<std::pair<int, int>>>;
Runs DarkRuns(const ZintSymbol& s) {
    Runs runs(static_cast<std::size_t>(s.rows));
    for (int r = 0; r < s.rows; ++r)
        for (int c = 0; c < s.width;) {
            if (!s.Dark(r, c)) {
                ++c;
                continue;
            }
            int end = c + 1;
            while (end < s.width && s.Dark(r, end))
                ++end;
            runs[static_cast<std::size_t>(r)].emplace_back(c, end);
            c = end;
        }
    return runs;
}

// The rows' edges along the bars from the top, in modules: rows the encoder gives no height
// share what its whole height leaves.
std::vector<double> ModuleEdges(const ZintSymbol& s) {
    double fixed = 0;
    int shared = 0;
    for (float h : s.rowHeights)
        h > 0 ? fixed += h : ++shared;
    const double share = shared ? std::max(1.0, (s.height - fixed) / shared) : 0;
    std::vector<double> edges{0};
    for (float h : s.rowHeights)
        edges.push_back(edges.back() + (h > 0 ? h : share));
    return edges;
}

// The rows' edges in mils for a symbol as tall as `barHeight`: rows the encoder gives no height
// share what the others leave, the others keep theirs in modules; when every row has a height
// (a postal code's tracks), all grow in proportion.
std::vector<double> FittedEdges(const ZintSymbol& s, int barHeight, int density) {
    double fixed = 0;
    int shared = 0;
    for (float h : s.rowHeights)
        h > 0 ? fixed += h : ++shared;
    std::vector<double> edges{0};
    const double share =
        shared ? std::max<double>(density, (barHeight - fixed * density) / shared) : 0;
    const double scale = shared || fixed <= 0 ? density : barHeight / fixed;
    for (float h : s.rowHeights)
        edges.push_back(edges.back() + (h > 0 ? h * scale : share));
    return edges;
}

// Every dark run as a rectangle, a run repeated unchanged in the rows below drawn as one.
void DrawRuns(const CCells& cells, const ZintSymbol& s, int quiet,
              const std::vector<std::int64_t>& acrossEdges) {
    Runs runs = DarkRuns(s);
    for (int r = 0; r < s.rows; ++r) {
        for (const auto& run : runs[static_cast<std::size_t>(r)]) {
            if (run.first < 0) continue;
            int below = r + 1;
            for (; below < s.rows; ++below) {
                auto& next = runs[static_cast<std::size_t>(below)];
                const auto same = std::find(next.begin(), next.end(), run);
                if (same == next.end()) break;
                same->first = -1; // drawn with this one
            }
            cells.Cell(cells.Advance(quiet + run.first), cells.Advance(quiet + run.second),
                       acrossEdges[static_cast<std::size_t>(r)],
                       acrossEdges[static_cast<std::size_t>(below)]);
        }
    }
}

// Draws the horizontal slices of a shape whose half width at `dy` modules from its centre row
// is `halfWidth(dy)` (negative: nothing), between `top` and `bottom` modules along the bars.
template <class HalfWidths>
void DrawSlices(const CCells& cells, double centreX, double centreY, double top, double bottom,
                HalfWidths halfWidths) {
    const double step = cells.SliceModules(8);
    const std::int64_t first = cells.Across(top), last = cells.Across(bottom);
    for (std::int64_t b = first; b < last;) {
        // The slice [b, next) in drawing units, sampled at its middle.
        const double y0 = static_cast<double>(b) / static_cast<double>(cells.Across(1.0));
        const std::int64_t next = std::max(b + 1, cells.Across(y0 + step));
        const double mid = (y0 + static_cast<double>(next) / cells.Across(1.0)) / 2;
        for (const auto& [from, to] : halfWidths(mid - centreY))
            cells.Cell(cells.Advance(centreX + from), cells.Advance(centreX + to), b, next);
        b = next;
    }
}

using Spans = std::vector<std::pair<double, double>>;

// MaxiCode (ISO/IEC 16023): hexagons X wide (point up, X tall, √3/2 X across the flats) in 33
// rows √3/2 X apart, odd rows moved half a module on; the bull's eye's three dark rings round
// the middle of row 16.
void DrawMaxi(const CCells& cells, const ZintSymbol& s, int quiet) {
    const double pitch = std::sqrt(3.0) / 2, flat = std::sqrt(3.0) / 4;
    for (int r = 0; r < s.rows; ++r)
        for (int c = 0; c < s.width; ++c) {
            if (!s.Dark(r, c)) continue;
            const double cx = quiet + c + 0.5 + 0.5 * (r & 1), cy = quiet + 0.5 + r * pitch;
            DrawSlices(cells, cx, cy, cy - 0.5, cy + 0.5, [flat](double dy) {
                const double a = std::abs(dy);
                const double half = a <= 0.25 ? flat : flat * (0.5 - a) / 0.25;
                return half > 0 ? Spans{{-half, half}} : Spans{};
            });
        }
    constexpr double kRings[][2] = {{3.715, 4.500}, {2.146, 2.931}, {0.577, 1.362}};
    const double cx = quiet + 14.5, cy = quiet + 0.5 + 16 * pitch;
    DrawSlices(cells, cx, cy, cy - 4.5, cy + 4.5, [&kRings](double dy) {
        Spans spans;
        for (const auto& ring : kRings) {
            const double inner = ring[0], outer = ring[1];
            if (std::abs(dy) >= outer) continue;
            const double o = std::sqrt(outer * outer - dy * dy);
            if (std::abs(dy) >= inner) {
                spans.emplace_back(-o, o);
                continue;
            }
            const double i = std::sqrt(inner * inner - dy * dy);
            spans.emplace_back(-o, -i);
            spans.emplace_back(i, o);
        }
        return spans;
    });
}

// Where an EAN/UPC symbol's add-on starts, in modules; 0 for none.
int AddOnColumn(const ZintKind& kind, const std::string& text) {
    const std::size_t plus = text.find('+');
    if (plus == std::string::npos) return 0;
    if (kind.id == BARCODE_UPCE) return 51;
    if (kind.id == BARCODE_EANX && plus <= 8) return 67;
    return 95;
}

} // namespace

void CZintBarcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                        int orientation) const {
    const std::shared_ptr<const ZintSymbol> s = Encoded();
    if (!s->Ok()) return;
    const int o = engine::NormalizeOrientation(orientation);
    if (Kind().shape == ZintShape::Linear && s->rows == 1)
        DrawLinear(surface, origin, barHeight, showText, o, *s);
    else
        DrawRows(surface, origin, barHeight, o, *s);
}

void CZintBarcode::DrawLinear(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                              int orientation, const ZintSymbol& symbol) const {
    std::string pattern(static_cast<std::size_t>(symbol.width), 's');
    for (int c = 0; c < symbol.width; ++c)
        if (symbol.Dark(0, c)) pattern[static_cast<std::size_t>(c)] = 'b';
    const std::string text = showText ? HumanText(symbol) : std::string();
    const int addOn = std::min<int>(AddOnColumn(Kind(), text), symbol.width);
    engine::CBarCursor bars(surface, origin, orientation);
    bars.Modules(std::string_view(pattern).substr(0, static_cast<std::size_t>(addOn)), barHeight);
    const auto mainSpan = bars.BarSpan();
    // The add-on starts at its first bar, after the gap.
    const std::size_t firstBar = pattern.find('b', static_cast<std::size_t>(addOn));
    bars.Modules(std::string_view(pattern).substr(static_cast<std::size_t>(addOn),
                                                  firstBar - static_cast<std::size_t>(addOn)),
                 barHeight);
    const CPoint addOnStart = bars.Position();
    bars.Modules(std::string_view(pattern).substr(std::min(firstBar, pattern.size())), barHeight);
    origin = bars.Position();
    if (text.empty()) return;
    if (addOn == 0) {
        DrawHumanText(surface, bars, barHeight, text);
        return;
    }
    // The main digits under the main symbol, the add-on's under the add-on.
    const std::size_t plus = text.find('+');
    DrawTextCentred(surface, mainSpan.first, mainSpan.second, barHeight, orientation,
                    text.substr(0, plus));
    DrawTextCentred(surface, addOnStart, bars.BarSpan().second, barHeight, orientation,
                    text.substr(plus + 1));
}

void CZintBarcode::DrawRows(CDrawSurface& surface, CPoint& origin, int barHeight, int orientation,
                            const ZintSymbol& symbol) const {
    const CCells cells(surface, origin, orientation);
    const int quiet = GetQuietModules();
    const ZintShape shape = Kind().shape;
    double length = symbol.width + 2.0 * quiet;
    if (shape == ZintShape::Maxi) {
        DrawMaxi(cells, symbol, quiet);
        length = 30.5 + 2.0 * quiet;
    } else {
        std::vector<std::int64_t> across;
        if (shape == ZintShape::Linear)
            for (double mils : FittedEdges(symbol, barHeight, engine::ReadDensity()))
                across.push_back(cells.AcrossMils(mils));
        else
            for (double modules : ModuleEdges(symbol))
                across.push_back(cells.Across(quiet + modules));
        DrawRuns(cells, symbol, quiet, across);
    }
    engine::Advance(origin, cells.LogicalAdvance(cells.Advance(length)), orientation);
}
