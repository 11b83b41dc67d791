#include "job/print_layout.h"

#include "common/units.h"

#include "common/settings_keys.h"
#include "engine/primitives.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

using units::kMilsPerThousandthCm;
constexpr double kHalfMilsPerThousandthCm = 0.19685039370078738;

using engine::TruncToInt;

// Indexes first..last of a sheet's columns (or rows); empty when last < first.
struct Range {
    std::int64_t first = 0, last = -1;
    std::int64_t Size() const { return last - first + 1; }
};

// The columns (or rows) whose position, `start + i × pitch` device dots, lies between lo and hi,
// give or take one. With no pitch every label falls on the first one's spot.
Range RangeWithin(int count, double startDots, double pitchDots, double lo, double hi) {
    Range r;
    if (count <= 0) return r;
    r.last = count - 1;
    if (pitchDots == 0) {
        r.last = 0;
        return r;
    }
    double a = (lo - startDots) / pitchDots, b = (hi - startDots) / pitchDots;
    if (a > b) std::swap(a, b);
    // Clamped before the conversion, which is undefined for a double beyond the integer's range.
    a = std::clamp(a, -1.0, 4e18);
    b = std::clamp(b, -2.0, 4e18);
    r.first = std::max<std::int64_t>(0, static_cast<std::int64_t>(a));
    r.last = std::min<std::int64_t>(count - 1, static_cast<std::int64_t>(b) + 1);
    return r;
}

// Where a sheet's labels are centred on the printer, in device dots.
class DotLayout {
public:
    DotLayout(const CPrintSettings& s, const CPrinterFacts& p)
        : m_g(s.geometry), m_p(p), m_margins(PrintableMargins(s, p)) {}

    // Column c, across the sheet.
    int X(std::int64_t c) const {
        return TruncToInt(
            ((static_cast<double>(c * m_g.horizontalPitch) + m_margins.x) * kMilsPerThousandthCm +
             m_g.width * kHalfMilsPerThousandthCm) *
            m_p.lpx * 0.001);
    }
    // Row r of the whole sheet.
    int Y(std::int64_t r) const {
        return TruncToInt(
            m_p.lpy *
            ((static_cast<double>(r * m_g.verticalPitch) + m_margins.y) * kMilsPerThousandthCm +
             m_g.height * kHalfMilsPerThousandthCm) *
            0.001);
    }
    // Row r of a single label.
    int SingleY(std::int64_t r) const {
        return TruncToInt(
            ((static_cast<double>(r * m_g.verticalPitch) + m_margins.y) * kMilsPerThousandthCm +
             m_g.height * kHalfMilsPerThousandthCm) *
            m_p.lpy * 0.001);
    }
    // The pitches in device dots.
    double PitchX() const { return m_g.horizontalPitch * kMilsPerThousandthCm * m_p.lpx * 0.001; }
    double PitchY() const { return m_g.verticalPitch * kMilsPerThousandthCm * m_p.lpy * 0.001; }

private:
    const CLabelGeometry& m_g;
    const CPrinterFacts& m_p;
    CPoint m_margins;
};

// One axis of a sheet: where label i lands (`at`, in device dots), the labels within reach, and
// whether only those landing on the page are kept.
template <class At> struct Axis {
    At at;
    Range range;
    int pageDots = 1;
    bool onPageOnly = false;

    bool Keeps(int position) const { return !onPageOnly || (position >= 0 && position < pageDots); }
};

// The labels within a page's length either side of the page; where those outnumber the page's
// dots (they cannot all be told apart), only the labels centred on the page.
template <class At> Axis<At> MakeAxis(At at, int count, double pitchDots, int pageDots) {
    const double start = at(0);
    Axis<At> axis{at, RangeWithin(count, start, pitchDots, -pageDots - 1.0, 2.0 * pageDots + 1),
                  pageDots};
    if (axis.range.Size() <= pageDots) return axis;
    // Positions move one way along the axis, so the ends of the range bound the dots it covers.
    const std::int64_t dots =
        std::abs(std::int64_t{at(axis.range.last)} - std::int64_t{at(axis.range.first)}) + 1;
    if (dots > pageDots) {
        axis.range = RangeWithin(count, start, pitchDots, 0, pageDots - 1.0);
        axis.onPageOnly = true;
    }
    return axis;
}

// The first index after i, up to last + 1, whose position differs from that of i. Positions move
// one way along the axis, so every label in between shares the dot of i; a run of labels closer
// together than a dot is crossed by doubling steps and then halving, not label by label.
template <class At> std::int64_t NextDistinct(const At& at, std::int64_t i, std::int64_t last) {
    const int here = at(i);
    std::int64_t same = i, other = last + 1;
    for (std::int64_t step = 1; step <= last - i; step *= 2) {
        if (at(i + step) != here) {
            other = i + step;
            break;
        }
        same = i + step;
    }
    while (other - same > 1) {
        const std::int64_t middle = same + (other - same) / 2;
        (at(middle) == here ? same : other) = middle;
    }
    return other;
}

// Calls fn(i) for each label of the axis within reach, kept, and on a dot of its own, in order;
// false as soon as fn returns false.
template <class At, class Fn> bool ForEachDistinct(const Axis<At>& axis, const Fn& fn) {
    for (std::int64_t i = axis.range.first; i <= axis.range.last;
         i = NextDistinct(axis.at, i, axis.range.last))
        if (axis.Keeps(axis.at(i)) && !fn(i)) return false;
    return true;
}

// Calls fn(column, row) for the labels of the whole sheet that ForEachLabelCentre describes, in
// printing order, until fn returns false.
template <class Fn>
void ForEachSheetLabel(const CPrintSettings& s, const CPrinterFacts& p, const DotLayout& dots,
                       const Fn& fn) {
    const auto across =
        MakeAxis([&dots](std::int64_t c) { return dots.X(c); }, s.geometry.numberAcross,
                 dots.PitchX(), std::max(p.printableWidth, 1));
    const auto down = MakeAxis([&dots](std::int64_t r) { return dots.Y(r); }, s.geometry.numberDown,
                               dots.PitchY(), std::max(p.printableHeight, 1));
    int left = kMaxLabelsPerPage;
    ForEachDistinct(down, [&](std::int64_t r) {
        return ForEachDistinct(across, [&](std::int64_t c) { return fn(c, r) && --left > 0; });
    });
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

bool OnSheet(const CPrintSettings& s) {
    return s.useLabel != 0 && s.fullPage != 1 && !IsRollKind(s.geometry);
}

bool OnRoll(const CPrintSettings& s) {
    return s.useLabel != 0 && IsRollKind(s.geometry);
}

CRollPage RollPage(const CLabelGeometry& g, int contentLength) {
    CRollPage page{std::max(g.width, 0), std::max(g.height, 0)};
    if (KindOf(g) == LabelKind::Continuous && page.height == 0)
        page.height = engine::ClampToInt(std::int64_t{std::max(contentLength, 0)} +
                                         std::int64_t{2} * kTapeEndMargin);
    return page;
}

CPrintSettings RollPageSettings(const CPrintSettings& s, const CRollPage& page,
                                const CRollPage& paper) {
    CPrintSettings out = s;
    out.useLabel = 1;
    out.fullPage = 1;
    out.row = out.column = 1;
    out.geometry = {.paperSize = s.geometry.paperSize,
                    .width = page.width,
                    .height = page.height,
                    .topMargin = (paper.height - page.height) / 2,
                    .sideMargin = (paper.width - page.width) / 2,
                    .horizontalPitch = page.width,
                    .verticalPitch = page.height,
                    .numberAcross = 1,
                    .numberDown = 1,
                    .kind = s.geometry.kind};
    return out;
}

CPoint PrintableMargins(const CPrintSettings& s, const CPrinterFacts& p) {
    const CLabelGeometry& g = s.geometry;
    // The printer's offsets in mils, truncated, then in thousandths of a centimetre.
    const int ox = p.lpx > 0 ? static_cast<int>(static_cast<std::int64_t>(p.ox) * 1000 / p.lpx) : 0;
    const int oy = p.lpy > 0 ? static_cast<int>(static_cast<std::int64_t>(p.oy) * 1000 / p.lpy) : 0;
    return {TruncToInt(g.sideMargin + static_cast<double>(p.offsetAcross) - ox * 2.54),
            TruncToInt(g.topMargin + static_cast<double>(p.offsetDown) - oy * 2.54)};
}

bool LabelsFitPrinter(const CPrintSettings& s, const CPrinterFacts& p) {
    const CLabelGeometry& g = s.geometry;
    if (s.useLabel == 0 || (g.width == 0 && g.height == 0)) return true;
    // A length in device dots: thousandths of a centimetre to mils, then lpx dots per 1000 mils.
    return g.width * kMilsPerThousandthCm * p.lpx * 0.001 >= 1 &&
           g.height * kMilsPerThousandthCm * p.lpy * 0.001 >= 1;
}

CPageDots RollPageDots(const CPrintSettings& s, const CRollPage& page, int dpi, CPoint offset) {
    // Thousandths of a centimetre to dots, to the nearest.
    const auto dots = [dpi](int length) {
        return engine::ClampToInt(
            (std::int64_t{std::max(length, 0)} * std::max(dpi, 0) * 2 + 2540) / (2 * 2540));
    };
    CPageDots out{dots(page.width), dots(page.height), {}};
    CPrinterFacts facts;
    facts.lpx = facts.lpy = dpi;
    facts.printableWidth = out.width;
    facts.printableHeight = out.height;
    facts.offsetAcross = offset.x;
    facts.offsetDown = offset.y;
    ForEachLabelCentre(RollPageSettings(s, page, page), facts,
                       [&out](CPoint centre) { out.centre = centre; });
    return out;
}

void ForEachLabelCentre(const CPrintSettings& s, const CPrinterFacts& p,
                        const std::function<void(CPoint)>& fn) {
    if (s.useLabel == 0 || !LabelsFitPrinter(s, p)) return;
    const DotLayout dots(s, p);
    if (s.fullPage == 1) {
        fn({dots.X(static_cast<std::int64_t>(s.row) - 1),
            dots.SingleY(static_cast<std::int64_t>(s.column) - 1)});
        return;
    }
    ForEachSheetLabel(s, p, dots, [&](std::int64_t c, std::int64_t r) {
        fn({dots.X(c), dots.Y(r)});
        return true;
    });
}

void ForEachRunLabelCentre(const CPrintSettings& s, const CPrinterFacts& p, std::int64_t first,
                           const std::function<bool(CPoint)>& fn) {
    if (s.useLabel == 0 || !LabelsFitPrinter(s, p)) return;
    const DotLayout dots(s, p);
    const std::int64_t across = std::max(s.geometry.numberAcross, 1);
    ForEachSheetLabel(s, p, dots, [&](std::int64_t c, std::int64_t r) {
        return r * across + c < first || fn({dots.X(c), dots.Y(r)});
    });
}

std::vector<CPoint> LabelCentres(const CPrintSettings& s, const CPrinterFacts& p) {
    std::vector<CPoint> out;
    ForEachLabelCentre(s, p, [&out](CPoint centre) { out.push_back(centre); });
    return out;
}

void ForEachLabelOutline(const CPrintSettings& s, const CPrinterFacts& p,
                         const std::function<void(const CMilRect&)>& fn) {
    if (s.useLabel == 0 || !LabelsFitPrinter(s, p)) return;
    const CLabelGeometry& g = s.geometry;
    const CPoint m = PrintableMargins(s, p);
    const int left = TruncToInt(m.x * kMilsPerThousandthCm);
    const int top = TruncToInt(m.y * kMilsPerThousandthCm);
    const int right =
        engine::ClampToInt(std::int64_t{left} + TruncToInt(g.width * kMilsPerThousandthCm));
    const int bottom =
        engine::ClampToInt(std::int64_t{top} + TruncToInt(g.height * kMilsPerThousandthCm));
    ForEachSheetLabel(s, p, DotLayout(s, p), [&](std::int64_t c, std::int64_t r) {
        const int dx =
            TruncToInt(static_cast<double>(c * g.horizontalPitch) * kMilsPerThousandthCm);
        const int dy = TruncToInt(static_cast<double>(r * g.verticalPitch) * kMilsPerThousandthCm);
        fn({engine::ClampToInt(std::int64_t{left} + dx), engine::ClampToInt(std::int64_t{top} + dy),
            engine::ClampToInt(std::int64_t{right} + dx),
            engine::ClampToInt(std::int64_t{bottom} + dy)});
        return true;
    });
}

std::vector<CMilRect> LabelOutlines(const CPrintSettings& s, const CPrinterFacts& p) {
    std::vector<CMilRect> out;
    ForEachLabelOutline(s, p, [&out](const CMilRect& outline) { out.push_back(outline); });
    return out;
}
