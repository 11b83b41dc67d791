#include "output/vector_common.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <numbers>

CReferenceScreen CReferenceScreen::Primary() {
    CReferenceScreen screen;
    const QScreen* primary =
        QGuiApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
    if (!primary) return screen;
    const QSize size = primary->size();
    if (size.width() > 0 && size.height() > 0) {
        screen.widthPixels = size.width();
        screen.heightPixels = size.height();
    }
    const int dpiX = static_cast<int>(std::lround(primary->logicalDotsPerInchX()));
    const int dpiY = static_cast<int>(std::lround(primary->logicalDotsPerInchY()));
    if (dpiX > 0 && dpiY > 0) {
        screen.dpiX = dpiX;
        screen.dpiY = dpiY;
    }
    return screen;
}

std::array<std::pair<double, double>, 4> StrokeCorners(CPoint from, CPoint to, int penWidth) {
    const double dx = static_cast<double>(to.x) - from.x, dy = static_cast<double>(to.y) - from.y;
    const double len = std::hypot(dx, dy);
    const double nx = len == 0 ? 0 : -dy / len * penWidth / 2.0;
    const double ny = len == 0 ? 0 : dx / len * penWidth / 2.0;
    return {{{from.x + nx, from.y + ny},
             {from.x - nx, from.y - ny},
             {to.x + nx, to.y + ny},
             {to.x - nx, to.y - ny}}};
}

QFont MakeDeviceFont(const CFontSpec& font, double scaleY, bool antialiased) {
    QFont f;
    f.setFamily(QString::fromLatin1(font.faceName.c_str()));
    const double sy = std::max(std::abs(scaleY), 1e-9);
    const double em = font.height == 0 ? 12.0 / sy : std::abs(static_cast<double>(font.height));
    f.setPixelSize(std::clamp(RoundEdge(em * sy), 1, 100000));
    if (font.weight > 0) f.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    f.setItalic(font.italic);
    f.setStyleStrategy(antialiased ? QFont::PreferDefault : QFont::NoAntialias);
    return f;
}

CScreenTextMetrics::CScreenTextMetrics(const CFontSpec* font, int dpiX, int dpiY)
    : m_scaleX(std::max(dpiX, 1) / 1000.0), m_scaleY(std::max(dpiY, 1) / 1000.0) {
    // The same font the screen surface makes at 1000 logical units per inch of the screen.
    if (font) m_font = MakeDeviceFont(*font, m_scaleY);
}

namespace {

// Qt lays a line out whole, at about thirty bytes a character, so a damaged document's
// megabytes of text are measured a piece at a time; a real symbol's text is one piece.
constexpr qsizetype kMeasuredPiece = 4096;

// The ink of a line, pieces placed one after the other by their advances.
QRectF LineInk(const QFontMetricsF& fm, const QString& text) {
    if (text.size() <= kMeasuredPiece) return fm.tightBoundingRect(text);
    QRectF ink;
    double x = 0;
    for (qsizetype at = 0; at < text.size(); at += kMeasuredPiece) {
        const QString piece = text.mid(at, kMeasuredPiece);
        const QRectF part = fm.tightBoundingRect(piece);
        if (!part.isEmpty())
            ink = ink.isEmpty() ? part.translated(x, 0) : ink | part.translated(x, 0);
        x += fm.horizontalAdvance(piece);
    }
    return ink;
}

} // namespace

CSize CScreenTextMetrics::Extent(const QString& text) const {
    const QFontMetricsF fm(m_font);
    double advance = 0;
    for (qsizetype at = 0; at < text.size(); at += kMeasuredPiece)
        advance += fm.horizontalAdvance(text.mid(at, kMeasuredPiece));
    return {RoundEdge(advance / m_scaleX), RoundEdge(fm.height() / m_scaleY)};
}

CTextInk CScreenTextMetrics::Ink(const QString& text) const {
    const QFontMetricsF fm(m_font);
    const QRectF ink = LineInk(fm, text);
    if (text.isEmpty() || ink.isEmpty()) return {};
    const double top = ink.top() + fm.ascent();
    return {static_cast<int>(std::floor(ink.left() / m_scaleX)),
            static_cast<int>(std::floor(top / m_scaleY)),
            static_cast<int>(std::ceil(ink.right() / m_scaleX)),
            static_cast<int>(std::ceil((top + ink.height()) / m_scaleY))};
}

double CScreenTextMetrics::Ascent() const {
    return QFontMetricsF(m_font).ascent() / m_scaleY;
}

std::vector<int> CScreenTextMetrics::Positions(const QString& text) const {
    std::vector<int> positions(static_cast<std::size_t>(text.size()) + 1, 0);
    if (text.isEmpty()) return positions;
    // A line answers where a character starts by walking from the line's start, so asking it for
    // every character of a long text takes time that grows with the square of the length. The
    // text is asked in pieces instead: where a piece starts, from the whole line once, then each
    // character's place within the piece, from a line of the piece alone.
    constexpr qsizetype kPiece = 256;
    const auto layOut = [this](QTextLayout& layout) {
        layout.setFont(m_font);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        return line;
    };
    QTextLayout whole(text);
    const QTextLine line = layOut(whole);
    const int total = Extent(text).cx;
    for (qsizetype start = 0; start < text.size() && line.isValid(); start += kPiece) {
        const qsizetype length = std::min(kPiece, text.size() - start);
        const double origin = start == 0 ? 0.0 : line.cursorToX(static_cast<int>(start));
        QTextLayout piece(text.mid(start, length));
        const QTextLine pieceLine = layOut(piece);
        for (qsizetype j = start == 0 ? 1 : 0; j < length; ++j) {
            const double x =
                origin + (pieceLine.isValid() ? pieceLine.cursorToX(static_cast<int>(j)) : 0.0);
            positions[static_cast<std::size_t>(start + j)] =
                std::clamp(RoundEdge(x / m_scaleX), 0, total);
        }
    }
    positions.back() = total;
    // Shaping may place a later character before an earlier one; the array of advances must
    // not run backwards.
    for (std::size_t i = 1; i < positions.size(); ++i)
        positions[i] = std::max(positions[i], positions[i - 1]);
    return positions;
}

QString FromLatin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::array<std::pair<double, double>, 4> TextCellCorners(CPoint at, CSize extent, int escapement) {
    double c, s;
    if (escapement % 900 == 0) { // exact quarter turns keep the cell on whole units
        static constexpr double kCos[4] = {1, 0, -1, 0}, kSin[4] = {0, 1, 0, -1};
        const int q = ((escapement / 900) % 4 + 4) % 4;
        c = kCos[q];
        s = kSin[q];
    } else {
        const double a = escapement / 10.0 * std::numbers::pi / 180.0;
        c = std::cos(a);
        s = std::sin(a);
    }
    std::array<std::pair<double, double>, 4> corners;
    const double u[4] = {0, static_cast<double>(extent.cx), static_cast<double>(extent.cx), 0};
    const double v[4] = {0, 0, static_cast<double>(extent.cy), static_cast<double>(extent.cy)};
    for (int i = 0; i < 4; ++i)
        corners[static_cast<std::size_t>(i)] = {at.x + u[i] * c + v[i] * s,
                                                at.y - u[i] * s + v[i] * c};
    return corners;
}
