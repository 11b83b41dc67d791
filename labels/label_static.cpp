#include "labels/label_static.h"

#include "ui/translation.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

// Device coordinates stay within this, whatever the lengths: a painter misbehaves far beyond.
constexpr double kDeviceLimit = 1e6;

constexpr double kArrowBase = 200;  // base width of every arrowhead, logical units
constexpr double kArrowAngle = 0.6; // radians

const LabelSheetGeometry kInitial{};

struct Pt {
    long long x, y;
};

class Diagram {
public:
    Diagram(CPreviewCanvas& canvas, const PreviewMapping& map) : m_canvas(canvas), m_map(map) {}

    QPoint Dev(double x, double y) const { return m_map.ToDevicePoint(x, y); }
    QRect DevRect(double x1, double y1, double x2, double y2) const {
        return QRect(Dev(x1, y1), Dev(x2, y2)).normalized();
    }

    void Line(Pt a, Pt b) { m_canvas.Line(Dev(a.x, a.y), Dev(b.x, b.y)); }

    // Line from a to b and a head with its tip at b.
    void SingleArrow(Pt a, Pt b) {
        Line(a, b);
        const double phi = std::atan2(double(b.y - a.y), double(b.x - a.x));
        Head(b, phi + std::numbers::pi, kArrowBase / std::tan(kArrowAngle));
    }

    // Heads at both ends: the one at a first, then a single arrow from its base to b.
    void DoubleArrow(Pt a, Pt b) {
        const double phi = std::atan2(double(b.y - a.y), double(b.x - a.x));
        const Pt m = Head(a, phi, (kArrowBase / 2) / std::tan(kArrowAngle / 2));
        SingleArrow(m, b);
    }

    // A head with its tip at `tip` whose base centre lies `depth` away in direction `phi`;
    // returns that base centre.
    Pt Head(Pt tip, double phi, double depth) {
        const double cx = tip.x + depth * std::cos(phi), cy = tip.y + depth * std::sin(phi);
        const double nx = -std::sin(phi) * kArrowBase / 2, ny = std::cos(phi) * kArrowBase / 2;
        const auto t = [](double v) { return static_cast<long long>(std::trunc(v)); };
        m_canvas.Triangle(
            {Dev(tip.x, tip.y), Dev(t(cx + nx), t(cy + ny)), Dev(t(cx - nx), t(cy - ny))});
        return {t(cx), t(cy)};
    }

    void Text(Pt at, const QString& text, bool alignTop) {
        m_canvas.Text(Dev(at.x, at.y), text, alignTop);
    }

private:
    CPreviewCanvas& m_canvas;
    const PreviewMapping& m_map;
};

void DrawLabels(CPreviewCanvas& canvas, const PreviewMapping& map, const LabelSheetGeometry& g,
                double x2, double y2) {
    // A margin around the corner so no label that touches it by a pixel is left out.
    const double margin = 1000;
    const double lw = g.labels.width, lh = g.labels.height;
    const auto cols = LabelIndexRange(g.labels.sideMargin, std::min(0.0, lw), std::max(0.0, lw),
                                      g.labels.horizontalPitch, g.labels.numberAcross,
                                      std::min(0.0, x2) - margin, std::max(0.0, x2) + margin);
    // Rows go down: row j's top is -topMargin - j·pitch, its bottom labelHeight lower.
    const auto rows =
        LabelIndexRange(-double(g.labels.topMargin), std::min(0.0, -lh), std::max(0.0, -lh),
                        -double(g.labels.verticalPitch), g.labels.numberDown,
                        std::min(0.0, y2) - margin, std::max(0.0, y2) + margin);
    const int corner = std::max(1, int(std::lround(550 * map.Scale())));
    // Tiny pitches put many labels on the same pixels; drawing one of them again in place
    // changes nothing, so only a change of position is drawn.
    std::optional<std::pair<int, int>> lastColumn;
    for (long long i = cols.first; i <= cols.second; ++i) {
        const double left = g.labels.sideMargin + double(i) * g.labels.horizontalPitch;
        const QRect colSpan = QRect(map.ToDevicePoint(left, 0), map.ToDevicePoint(left + lw, 0));
        const std::pair<int, int> column{colSpan.left(), colSpan.right()};
        if (lastColumn == column) continue;
        lastColumn = column;
        std::optional<QRect> lastRect;
        for (long long j = rows.first; j <= rows.second; ++j) {
            const double top = -double(g.labels.topMargin) - double(j) * g.labels.verticalPitch;
            const QRect rect =
                QRect(map.ToDevicePoint(left, top), map.ToDevicePoint(left + lw, top - lh))
                    .normalized();
            if (lastRect == rect) continue;
            lastRect = rect;
            canvas.Label(rect, corner);
        }
    }
}

} // namespace

std::pair<long long, long long> LabelIndexRange(double base, double lo, double hi, double pitch,
                                                long long count, double from, double to) {
    if (count <= 0) return {0, -1};
    double first = 0, last = 0;
    if (pitch > 0) {
        first = std::ceil((from - base - hi) / pitch);
        last = std::floor((to - base - lo) / pitch);
    } else if (pitch < 0) {
        first = std::ceil((to - base - lo) / pitch);
        last = std::floor((from - base - hi) / pitch);
    } else if (base + hi < from || base + lo > to) {
        return {0, -1};
    }
    const double top = double(count - 1);
    return {static_cast<long long>(std::clamp(first, 0.0, top)),
            static_cast<long long>(std::clamp(last, -1.0, top))};
}

QPointF PreviewMapping::ToDevice(double x, double y) const {
    return QPointF((x - double(windowOrgX)) * viewportExtX / double(windowExtX) + viewportOrgX,
                   (y - double(windowOrgY)) * viewportExtY / double(windowExtY) + viewportOrgY);
}

QPoint PreviewMapping::ToDevicePoint(double x, double y) const {
    const QPointF p = ToDevice(x, y);
    const auto fit = [](double v) {
        return int(std::lround(std::clamp(v, -kDeviceLimit, kDeviceLimit)));
    };
    return QPoint(fit(p.x()), fit(p.y()));
}

double PreviewMapping::Scale() const {
    return std::abs(double(viewportExtX) / double(windowExtX));
}

PreviewMapping ComputePreviewMapping(const LabelSheetGeometry& props, const QRect& client,
                                     double dpiX, double dpiY) {
    long long tm = props.labels.topMargin, sm = props.labels.sideMargin,
              vp = props.labels.verticalPitch, hp = props.labels.horizontalPitch,
              lh = props.labels.height, lw = props.labels.width;
    // Labels of no size still get a picture of a sensible size.
    if (lw == 0 || lh == 0) {
        tm = kInitial.labels.topMargin;
        sm = kInitial.labels.sideMargin;
        vp = kInitial.labels.verticalPitch;
        hp = kInitial.labels.horizontalPitch;
        lh = kInitial.labels.height;
        lw = kInitial.labels.width;
    }
    const long long w = (props.labels.numberAcross > 1 ? lw / 4 : 0) + hp + sm + 3200;
    const long long h = (props.labels.numberDown > 1 ? lh / 4 : 0) + vp + tm + 2200;
    // A needed extent of nothing (or less) would divide by zero below.
    const long long wx = std::max<long long>(1, static_cast<long long>(std::trunc(w * 1.1)));
    const long long hx = std::max<long long>(1, static_cast<long long>(std::trunc(h * 1.1)));

    const int cw = std::max(1, client.width()), ch = std::max(1, client.height());
    const double rx = (cw * 1000.0 * 2.54 / dpiX) / double(wx);
    const double ry = (ch * 1000.0 * 2.54 / dpiY) / double(hx);
    PreviewMapping m;
    if (rx < ry) {
        m.viewportExtX = m.viewportExtY = cw;
        m.windowExtX = wx;
        m.windowExtY = -wx;
    } else {
        m.viewportExtX = m.viewportExtY = ch;
        m.windowExtX = hx;
        m.windowExtY = -hx;
    }
    // GDI's client rectangle ends one past the last pixel.
    m.viewportOrgX = (client.left() + client.right() + 1) / 2;
    m.viewportOrgY = (client.top() + client.bottom() + 1) / 2;
    m.windowOrgX = wx / 2 - 3200;
    m.windowOrgY = 1700 - hx / 2;
    return m;
}

LogicalRect FirstLabelRect(const LabelSheetGeometry& props) {
    const LabelSheetGeometry& g =
        props.labels.width == 0 && props.labels.height == 0 ? kInitial : props;
    LogicalRect r;
    r.left = g.labels.sideMargin;
    r.top = -static_cast<long long>(g.labels.topMargin);
    r.right = r.left + g.labels.width;
    r.bottom = r.top - g.labels.height;
    return r;
}

namespace {

// The captions and arrows of the diagram, in the sheet's logical units.
struct PreviewMarks {
    Diagram& d;
    const LabelSheetGeometry& props; // as given (the counts decide which pitches are shown)
    long long tm, sm, vp, hp;        // of the sheet drawn
    long long x2, y2;                // the drawn corner's extent
    long long cy, h;                 // a caption's height, and half of it
};

// The label's width and height across the first label.
void MarkLabelSize(const PreviewMarks& m) {
    const LogicalRect f = FirstLabelRect(m.props);
    const long long l = f.left, t = f.top, r = f.right, b = f.bottom;
    const long long yw = t + (b - t) / 3;
    m.d.DoubleArrow({l, yw}, {r, yw});
    m.d.Text({l + (r - l) / 4, yw - m.h}, Quillmark::tr("Width"), false);
    const long long xh = l + 3 * (r - l) / 4;
    m.d.DoubleArrow({xh, t}, {xh, b});
    m.d.Text({xh, t + 3 * (b - t) / 4}, Quillmark::tr("Height"), false);
}

// The counts, the horizontal pitch and the side margin, around the corner.
void MarkCountsAndAcross(const PreviewMarks& m) {
    Diagram& d = m.d;
    d.SingleArrow({0, m.y2 - 500}, {m.x2, m.y2 - 500});
    d.Text({m.x2 / 4, m.y2 - 500 - m.h}, Quillmark::tr("Number across"), false);
    d.SingleArrow({m.x2 + 500, 0}, {m.x2 + 500, m.y2});
    d.Text({m.x2 + 500, (2 * m.y2) / 4}, Quillmark::tr("Number"), false);
    d.Text({m.x2 + 500, (2 * m.y2) / 4 - m.cy}, Quillmark::tr("down"), false);
    const long long l = FirstLabelRect(m.props).left;
    long long e = m.cy;
    if (m.props.labels.numberAcross > 1) {
        d.DoubleArrow({l, 500}, {l + m.hp, 500});
        d.Text({l + m.hp / 2, 500 - m.h}, Quillmark::tr("Horizontal pitch"), false);
        d.Line({l, 100 - m.tm}, {l, 700});
        d.Line({l + m.hp, 100 - m.tm}, {l + m.hp, 700});
        e = 700;
    }
    d.SingleArrow({m.sm / 2, 1200}, {m.sm / 2, 200});
    d.Text({m.sm / 2, 1200}, Quillmark::tr("Side margins"), true);
    d.Line({0, 100}, {0, e});
}

// The vertical pitch and the top margin, left of the sheet.
void MarkDown(const PreviewMarks& m) {
    Diagram& d = m.d;
    const long long l = FirstLabelRect(m.props).left, tm = m.tm, vp = m.vp;
    long long x = 0;
    if (m.props.labels.numberDown > 1) {
        d.DoubleArrow({-1200, -tm - vp}, {-1200, -tm});
        d.Text({-1200, -tm - vp + (2 * vp) / 4}, Quillmark::tr("Vertical pitch"), true);
        d.Line({l - 100, -tm - vp}, {-1400, -tm - vp});
        d.Line({l - 100, -tm}, {-1400, -tm});
        x = -1400;
    }
    d.Line({-100, 0}, {x, 0});
    d.Text({x, 0}, Quillmark::tr("Top margin"), false);
    d.Line({x - 200, 0}, {x - 200, -tm / 2});
    d.SingleArrow({x - 200, -tm / 2}, {x + 400, -tm / 2});
}

} // namespace

void DrawLabelPreview(CPreviewCanvas& canvas, const LabelSheetGeometry& props, const QRect& client,
                      double dpiX, double dpiY) {
    canvas.FrameClient(client);
    const PreviewMapping map = ComputePreviewMapping(props, client, dpiX, dpiY);
    canvas.SetClip(client);
    Diagram d(canvas, map);

    const LabelSheetGeometry& g =
        props.labels.width == 0 && props.labels.height == 0 ? kInitial : props;
    const long long tm = g.labels.topMargin, sm = g.labels.sideMargin, vp = g.labels.verticalPitch,
                    hp = g.labels.horizontalPitch;
    const long long x2 = g.labels.width / 4 + hp + sm;
    const long long y2 = -(g.labels.height / 4 + vp + tm);

    canvas.SetClip(d.DevRect(0, 0, x2, y2));
    canvas.Sheet(d.DevRect(0, 0, g.paperWidth, -static_cast<long long>(g.paperHeight)));
    DrawLabels(canvas, map, g, double(x2), double(y2));

    const QSize extent = canvas.TextExtent(Quillmark::tr("Width"));
    const long long cy = std::llround(extent.height() / map.Scale());
    const PreviewMarks marks{d, props, tm, sm, vp, hp, x2, y2, cy, cy / 2};
    MarkLabelSize(marks);
    // The remaining marks lie around the corner, outside it.
    canvas.SetClip(client);
    MarkCountsAndAcross(marks);
    MarkDown(marks);
    canvas.SetClip(std::nullopt);
}

// ---- the control ----

namespace {

class PainterCanvas : public CPreviewCanvas {
public:
    explicit PainterCanvas(QPainter& p) : m_p(p) {
        m_p.setRenderHint(QPainter::Antialiasing, false);
        m_p.setPen(QPen(Qt::black, 0));
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize(9);
        font.setWeight(QFont::Thin);
        m_p.setFont(font);
        // Captions are drawn opaque on white, so an arrow behind one is interrupted.
        m_p.setBackgroundMode(Qt::OpaqueMode);
        m_p.setBackground(Qt::white);
    }
    void FrameClient(const QRect& client) override {
        m_p.setBrush(Qt::white);
        m_p.drawRect(client.adjusted(0, 0, -1, -1));
    }
    void SetClip(const std::optional<QRect>& clip) override {
        if (clip)
            m_p.setClipRect(*clip);
        else
            m_p.setClipping(false);
    }
    void Sheet(const QRect& rect) override {
        m_p.setBrush(QColor(192, 192, 192));
        m_p.drawRect(rect);
    }
    void Label(const QRect& rect, int cornerDiameter) override {
        m_p.setBrush(Qt::white);
        m_p.drawRoundedRect(rect, cornerDiameter / 2.0, cornerDiameter / 2.0);
    }
    void Line(QPoint from, QPoint to) override { m_p.drawLine(from, to); }
    void Triangle(const std::array<QPoint, 3>& corners) override {
        m_p.setBrush(Qt::black);
        m_p.drawPolygon(corners.data(), 3);
    }
    QSize TextExtent(const QString& text) override {
        const QFontMetrics fm(m_p.font());
        return QSize(fm.horizontalAdvance(text), fm.height());
    }
    void Text(QPoint at, const QString& text, bool alignTop) override {
        const QSize size = TextExtent(text);
        const QRect box(at.x() - size.width() / 2, alignTop ? at.y() : at.y() - size.height(),
                        size.width(), size.height());
        m_p.fillRect(box, Qt::white);
        m_p.drawText(box, Qt::AlignCenter, text);
    }

private:
    QPainter& m_p;
};

} // namespace

CBWLabelStatic::CBWLabelStatic(QWidget* parent) : QWidget(parent) {
    // Every paint covers the whole control.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CBWLabelStatic::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    OnDraw(painter);
}

void CBWLabelStatic::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) update();
}

void CBWLabelStatic::OnDraw(QPainter& painter) {
    PainterCanvas canvas(painter);
    DrawLabelPreview(canvas, m_geometry, rect(), logicalDpiX(), logicalDpiY());
}
