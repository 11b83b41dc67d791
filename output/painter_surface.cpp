#include "output/painter_surface.h"

#include <QFontMetricsF>
#include <QPaintDevice>

#include <algorithm>
#include <cmath>

namespace {

// The one rounding rule for every edge: half a pixel rounds up.
int RoundEdge(double v) {
    v = std::clamp(v, -1e9, 1e9);
    return static_cast<int>(std::floor(v + 0.5));
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

QString FromLatin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

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
    const double w = penWidth, h = penWidth / 2; // the engine's own halving of the width
    const int dx = Sign(to.x - from.x), dy = Sign(to.y - from.y);
    if (dx == 0 && dy == 0) return; // a flat-ended pen draws nothing for a zero-length line

    if (dx == 0 || dy == 0) {
        // The pen covers w units across the line. The engine offsets a bar by h = w / 2
        // (truncated) from the element's start, so for an odd width the extra unit lies on the
        // side the symbol advances to: the bar covers exactly its element's span.
        double x0, x1, y0, y1;
        if (dx == 0) { // along y; the symbol advances along +x when the line runs down
            const double c = from.x;
            x0 = dy > 0 ? c - h : c + h - w;
            x1 = x0 + w;
            y0 = std::min(from.y, to.y);
            y1 = std::max(from.y, to.y);
        } else { // along x; the symbol advances along -y when the line runs right
            const double c = from.y;
            y0 = dx > 0 ? c + h - w : c - h;
            y1 = y0 + w;
            x0 = std::min(from.x, to.x);
            x1 = std::max(from.x, to.x);
        }
        QRect r = DeviceRect(x0, y0, x1, y1);
        // A bar narrower than a pixel (the screen at 100 %) still shows as one pixel.
        if (r.width() <= 0) r.setWidth(1);
        if (r.height() <= 0) r.setHeight(1);
        m_painter.fillRect(r, Qt::black);
        return;
    }

    // Slanted lines: never drawn by the engine, kept correct for completeness.
    QPen pen(Qt::black);
    pen.setWidthF(w * std::abs(m_mapping.ScaleX()));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::BevelJoin);
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF(m_mapping.ToDeviceX(from.x), m_mapping.ToDeviceY(from.y)),
                       QPointF(m_mapping.ToDeviceX(to.x), m_mapping.ToDeviceY(to.y)));
}

void CPainterSurface::SelectFont(const CFontSpec& font) {
    m_fonts.push_back(font);
}

void CPainterSurface::RestoreFont() {
    if (!m_fonts.empty()) m_fonts.pop_back();
}

QFont CPainterSurface::CurrentFont() const {
    QFont font;
    if (m_fonts.empty()) return font;
    const CFontSpec& desc = m_fonts.back();
    font.setFamily(QString::fromLatin1(desc.faceName.c_str()));
    // The em height is given in logical units along y; 0 asks for a default size.
    const double em = desc.height == 0 ? 12.0 / std::max(std::abs(m_mapping.ScaleY()), 1e-9)
                                       : std::abs(static_cast<double>(desc.height));
    font.setPixelSize(std::clamp(RoundEdge(em * std::abs(m_mapping.ScaleY())), 1, 100000));
    if (desc.weight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(desc.weight, 1, 1000)));
    font.setStyleStrategy(m_antialiased ? QFont::PreferDefault : QFont::NoAntialias);
    return font;
}

CSize CPainterSurface::GetTextExtent(std::string_view text) {
    const QFontMetricsF fm(CurrentFont());
    const double sx = std::abs(m_mapping.ScaleX()), sy = std::abs(m_mapping.ScaleY());
    if (sx == 0 || sy == 0) return {};
    // Measured unrotated, as a device context measures, and given back in logical units.
    return {RoundEdge(fm.horizontalAdvance(FromLatin1(text)) / sx), RoundEdge(fm.height() / sy)};
}

void CPainterSurface::TextOut(CPoint at, std::string_view text) {
    const QFont font = CurrentFont();
    const QFontMetricsF fm(font);
    const QString s = FromLatin1(text);
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
