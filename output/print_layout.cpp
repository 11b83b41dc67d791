#include "output/print_layout.h"

#include "common/settings_keys.h"
#include "engine/primitives.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr double kMilsPerThousandthCm = 0.39370078740157477;
constexpr double kHalfMilsPerThousandthCm = 0.19685039370078738;

using engine::TruncToInt;

// The columns (or rows) worth visiting: those whose position, `start + i × pitch` device dots,
// lies within a page's length either side of the page. With no pitch every label falls on the
// first one's spot.
struct Range {
    std::int64_t first = 0, last = -1;
};
Range VisibleRange(int count, double startDots, double pitchDots, double pageDots) {
    Range r;
    if (count <= 0) return r;
    r.last = count - 1;
    if (pitchDots == 0) {
        r.last = 0;
        return r;
    }
    const double lo = -pageDots - 1, hi = 2 * pageDots + 1;
    double a = (lo - startDots) / pitchDots, b = (hi - startDots) / pitchDots;
    if (a > b) std::swap(a, b);
    r.first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::max(a, -1.0)));
    r.last = std::min<std::int64_t>(count - 1, static_cast<std::int64_t>(std::min(b, 4e18)) + 1);
    return r;
}

} // namespace

CPrintSettings CPrintSettings::FromStore() {
    CPrintSettings s;
    s.useLabel = settings::Get(settings::kUseLabelPrinting);
    s.fullPage = settings::Get(settings::kFullPage);
    s.row = settings::Get(settings::kRow);
    s.column = settings::Get(settings::kColumn);
    s.geometry = ReadPrintGeometry();
    return s;
}

CPoint PrintableMargins(const CPrintSettings& s, const CPrinterFacts& p) {
    const CLabelGeometry& g = s.geometry;
    // The printer's offsets in mils, truncated, then in thousandths of a centimetre.
    const int ox = p.lpx > 0 ? static_cast<int>(static_cast<std::int64_t>(p.ox) * 1000 / p.lpx) : 0;
    const int oy = p.lpy > 0 ? static_cast<int>(static_cast<std::int64_t>(p.oy) * 1000 / p.lpy) : 0;
    return {TruncToInt(g.sideMargin - ox * 2.54), TruncToInt(g.topMargin - oy * 2.54)};
}

std::vector<CPoint> LabelCentres(const CPrintSettings& s, const CPrinterFacts& p) {
    std::vector<CPoint> out;
    if (s.useLabel == 0) return out;
    const CLabelGeometry& g = s.geometry;
    const CPoint m = PrintableMargins(s, p);
    const auto x = [&](std::int64_t c) {
        return TruncToInt(
            ((static_cast<double>(c * g.horizontalPitch) + m.x) * kMilsPerThousandthCm +
             g.width * kHalfMilsPerThousandthCm) *
            p.lpx * 0.001);
    };
    if (s.fullPage == 1) {
        const std::int64_t c = static_cast<std::int64_t>(s.row) - 1;
        const std::int64_t r = static_cast<std::int64_t>(s.column) - 1;
        const int y =
            TruncToInt(((static_cast<double>(r * g.verticalPitch) + m.y) * kMilsPerThousandthCm +
                        g.height * kHalfMilsPerThousandthCm) *
                       p.lpy * 0.001);
        out.push_back({x(c), y});
        return out;
    }
    const auto y = [&](std::int64_t r) {
        return TruncToInt(p.lpy *
                          ((static_cast<double>(r * g.verticalPitch) + m.y) * kMilsPerThousandthCm +
                           g.height * kHalfMilsPerThousandthCm) *
                          0.001);
    };
    const double dotsPerX = g.horizontalPitch * kMilsPerThousandthCm * p.lpx * 0.001;
    const double dotsPerY = g.verticalPitch * kMilsPerThousandthCm * p.lpy * 0.001;
    const Range cols = VisibleRange(g.numberAcross, x(0), dotsPerX, std::max(p.printableWidth, 1));
    const Range rows = VisibleRange(g.numberDown, y(0), dotsPerY, std::max(p.printableHeight, 1));
    for (std::int64_t r = rows.first; r <= rows.last; ++r)
        for (std::int64_t c = cols.first; c <= cols.last; ++c)
            out.push_back({x(c), y(r)});
    return out;
}

std::vector<CMilRect> LabelOutlines(const CPrintSettings& s, const CPrinterFacts& p) {
    std::vector<CMilRect> out;
    if (s.useLabel == 0) return out;
    const CLabelGeometry& g = s.geometry;
    const CPoint m = PrintableMargins(s, p);
    const int left = TruncToInt(m.x * kMilsPerThousandthCm);
    const int top = TruncToInt(m.y * kMilsPerThousandthCm);
    const int right =
        engine::ClampToInt(std::int64_t{left} + TruncToInt(g.width * kMilsPerThousandthCm));
    const int bottom =
        engine::ClampToInt(std::int64_t{top} + TruncToInt(g.height * kMilsPerThousandthCm));
    // In mils; the page in mils for the visible range.
    const double pageW = p.lpx > 0 ? p.printableWidth * 1000.0 / p.lpx : 0;
    const double pageH = p.lpy > 0 ? p.printableHeight * 1000.0 / p.lpy : 0;
    const Range cols = VisibleRange(g.numberAcross, left, g.horizontalPitch * kMilsPerThousandthCm,
                                    std::max(pageW, 1.0));
    const Range rows = VisibleRange(g.numberDown, top, g.verticalPitch * kMilsPerThousandthCm,
                                    std::max(pageH, 1.0));
    for (std::int64_t r = rows.first; r <= rows.last; ++r)
        for (std::int64_t c = cols.first; c <= cols.last; ++c) {
            const int dx =
                TruncToInt(static_cast<double>(c * g.horizontalPitch) * kMilsPerThousandthCm);
            const int dy =
                TruncToInt(static_cast<double>(r * g.verticalPitch) * kMilsPerThousandthCm);
            out.push_back({engine::ClampToInt(std::int64_t{left} + dx),
                           engine::ClampToInt(std::int64_t{top} + dy),
                           engine::ClampToInt(std::int64_t{right} + dx),
                           engine::ClampToInt(std::int64_t{bottom} + dy)});
        }
    return out;
}
