#include "output/painter_surface.h"

#include "output/vector_common.h"

#include "engine/primitives.h"

#include <QFontMetricsF>
#include <QPaintDevice>

#include <algorithm>
#include <cmath>
#include <optional>

CPainterSurface::CPainterSurface(QPainter& painter, bool antialiased)
    : m_painter(painter), m_antialiased(antialiased) {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, antialiased);
    m_painter.setRenderHint(QPainter::TextAntialiasing, antialiased);
}

CPainterSurface::~CPainterSurface() {
    m_painter.restore();
}

int CPainterSurface::DeviceDpiX() const {
    return m_painter.device() ? m_painter.device()->logicalDpiX() : 96;
}

int CPainterSurface::DeviceDpiY() const {
    return m_painter.device() ? m_painter.device()->logicalDpiY() : 96;
}

QRect CPainterSurface::DeviceRect(double x0, double y0, double x1, double y1) const {
    int dx0 = RoundEdge(m_mapping.ToDeviceX(x0)), dx1 = RoundEdge(m_mapping.ToDeviceX(x1));
    int dy0 = RoundEdge(m_mapping.ToDeviceY(y0)), dy1 = RoundEdge(m_mapping.ToDeviceY(y1));
    if (dx0 > dx1) std::swap(dx0, dx1);
    if (dy0 > dy1) std::swap(dy0, dy1);
    return QRect(QPoint(dx0, dy0), QPoint(dx1 - 1, dy1 - 1));
}

void CPainterSurface::DrawLine(CPoint from, CPoint to, int penWidth) {
    if (penWidth <= 0) return;
    if (from == to) return; // a flat-ended pen draws nothing for a zero-length line

    if (const std::optional<CLogicalRect> bar = BarArea(from, to, penWidth)) {
        QRect r = DeviceRect(bar->x0, bar->y0, bar->x1, bar->y1);
        // A bar narrower than a pixel (the screen at 100 %) still shows as one pixel.
        if (r.width() <= 0) r.setWidth(1);
        if (r.height() <= 0) r.setHeight(1);
        m_painter.fillRect(r, Qt::black);
        return;
    }

    // Slanted lines: never drawn by the engine, kept correct for completeness.
    QPen pen(Qt::black);
    pen.setWidthF(penWidth * std::abs(m_mapping.ScaleX()));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::BevelJoin);
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF(m_mapping.ToDeviceX(from.x), m_mapping.ToDeviceY(from.y)),
                       QPointF(m_mapping.ToDeviceX(to.x), m_mapping.ToDeviceY(to.y)));
}

int CPainterSurface::GridDotsPerInch(int orientation) const {
    if (!m_grid) return 0;
    const double scale = engine::NormalizeOrientation(orientation) % 2 == 0
                             ? std::abs(m_mapping.ScaleX())
                             : std::abs(m_mapping.ScaleY());
    return static_cast<int>(std::lround(scale * 1000.0));
}

std::pair<int, int> CPainterSurface::GridSpan(CPoint start, int direction, int fromDot,
                                              int count) const {
    const int d = engine::NormalizeOrientation(direction);
    const bool alongX = d % 2 == 0;
    // Its logical direction (0: +x, 1: -y, 2: -x, 3: +y), turned round by a mirrored mapping.
    const double scale = alongX ? m_mapping.ScaleX() : m_mapping.ScaleY();
    const bool rising = (d == 0 || d == 3) == (scale >= 0);
    const int e = RoundEdge(alongX ? m_mapping.ToDeviceX(start.x) : m_mapping.ToDeviceY(start.y));
    const int lo = rising ? e + fromDot : e - fromDot - count;
    return {lo, lo + count};
}

void CPainterSurface::DrawGridBar(CPoint start, int orientation, int fromDot, int toDot, int offset,
                                  int length) {
    if (toDot <= fromDot) return;
    // The far edge comes in by the reduction; the start edge stays on the grid.
    const int o = engine::NormalizeOrientation(orientation);
    const auto [a0, a1] = GridSpan(start, o, fromDot, std::max(1, toDot - fromDot - m_reduction));
    // Along the bar: mapped and rounded as any bar's ends are.
    const CPoint p0 = engine::AlongBar(start, offset, o);
    const CPoint p1 = engine::AlongBar(p0, length, o);
    const bool alongX = o % 2 == 0; // the advance along x, the bars along y
    int b0 = RoundEdge(alongX ? m_mapping.ToDeviceY(p0.y) : m_mapping.ToDeviceX(p0.x));
    int b1 = RoundEdge(alongX ? m_mapping.ToDeviceY(p1.y) : m_mapping.ToDeviceX(p1.x));
    if (b0 > b1) std::swap(b0, b1);
    b1 = std::max(b1, b0 + 1);
    m_painter.fillRect(alongX ? QRect(a0, b0, a1 - a0, b1 - b0) : QRect(b0, a0, b1 - b0, a1 - a0),
                       Qt::black);
}

void CPainterSurface::DrawGridCells(CPoint start, int orientation, int fromDot, int toDot,
                                    int fromRow, int toRow) {
    if (toDot <= fromDot || toRow <= fromRow) return;
    const int o = engine::NormalizeOrientation(orientation);
    const auto [a0, a1] = GridSpan(start, o, fromDot, std::max(1, toDot - fromDot - m_reduction));
    // The bars of orientation o run the way orientation o + 3 advances.
    const auto [b0, b1] = GridSpan(start, o + 3, fromRow, toRow - fromRow);
    m_painter.fillRect(
        o % 2 == 0 ? QRect(a0, b0, a1 - a0, b1 - b0) : QRect(b0, a0, b1 - b0, a1 - a0), Qt::black);
}

void CPainterSurface::SelectFont(const CFontSpec& font) {
    m_fonts.push_back(font);
}

void CPainterSurface::RestoreFont() {
    if (!m_fonts.empty()) m_fonts.pop_back();
}

QFont CPainterSurface::CurrentFont() const {
    if (m_fonts.empty()) return QFont();
    return MakeDeviceFont(m_fonts.back(), m_mapping.ScaleY(), m_antialiased);
}

CSize CPainterSurface::GetTextExtent(std::string_view text) {
    return ExtentOf(FromLatin1(text));
}

CSize CPainterSurface::GetTextExtentUtf8(std::string_view utf8) {
    return ExtentOf(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

CTextInk CPainterSurface::GetTextInk(std::string_view text) {
    return InkOf(FromLatin1(text));
}

CTextInk CPainterSurface::GetTextInkUtf8(std::string_view utf8) {
    return InkOf(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

void CPainterSurface::TextOut(CPoint at, std::string_view text) {
    DrawString(at, FromLatin1(text));
}

void CPainterSurface::TextOutUtf8(CPoint at, std::string_view utf8) {
    DrawString(at, QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

CSize CPainterSurface::ExtentOf(const QString& text) const {
    const QFontMetricsF fm(CurrentFont());
    const double sx = std::abs(m_mapping.ScaleX()), sy = std::abs(m_mapping.ScaleY());
    if (sx == 0 || sy == 0) return {};
    // Measured unrotated, as a device context measures, and given back in logical units.
    return {RoundEdge(fm.horizontalAdvance(text) / sx), RoundEdge(fm.height() / sy)};
}

CTextInk CPainterSurface::InkOf(const QString& text) const {
    const QFontMetricsF fm(CurrentFont());
    const double sx = std::abs(m_mapping.ScaleX()), sy = std::abs(m_mapping.ScaleY());
    if (sx == 0 || sy == 0 || text.isEmpty()) return {};
    // Relative to the baseline's start; the cell's top lies the ascent above it.
    const QRectF ink = fm.tightBoundingRect(text);
    if (ink.isEmpty()) return {};
    const double top = ink.top() + fm.ascent();
    return {static_cast<int>(std::floor(ink.left() / sx)), static_cast<int>(std::floor(top / sy)),
            static_cast<int>(std::ceil(ink.right() / sx)),
            static_cast<int>(std::ceil((top + ink.height()) / sy))};
}

void CPainterSurface::DrawString(CPoint at, const QString& s) {
    const QFont font = CurrentFont();
    const QFontMetricsF fm(font);
    const double escapement = m_fonts.empty() ? 0 : m_fonts.back().escapement;

    m_painter.save();
    m_painter.translate(RoundEdge(m_mapping.ToDeviceX(at.x)), RoundEdge(m_mapping.ToDeviceY(at.y)));
    // Escapement turns counter-clockwise on the page; y grows downwards on the device.
    m_painter.rotate(-escapement / 10.0);
    const QRectF cell(0, 0, fm.horizontalAdvance(s), fm.height());
    if (m_opaque) m_painter.fillRect(cell, Qt::white);
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    m_painter.drawText(QPointF(0, fm.ascent()), s);
    m_painter.restore();
}
