#include "output/svg_surface.h"

#include "common/latin1.h"

#include "common/atomic_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// Plain decimal, three places for mils: a thousandth of a mil is far below any printer's dot.
std::string Num(double v, int places = 3) {
    if (!std::isfinite(v)) v = 0;
    const double unit = std::pow(10.0, places);
    v = std::round(v * unit) / unit;
    if (v == 0) v = 0; // no "-0"
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, places);
    std::string s(buf, res.ptr);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

void AppendEscaped(std::string& out, char32_t c) {
    switch (c) {
    case '&':
        out += "&amp;";
        return;
    case '<':
        out += "&lt;";
        return;
    case '>':
        out += "&gt;";
        return;
    case '"':
        out += "&quot;";
        return;
    default:
        break;
    }
    // XML cannot hold control characters; they show as the replacement character.
    if (c < 0x20) c = 0xFFFD;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Latin-1 bytes as escaped UTF-8 text.
std::string XmlText(std::string_view latin1) {
    std::string out;
    for (char c : latin1)
        AppendEscaped(out, static_cast<unsigned char>(c));
    return out;
}

// UTF-8 text as escaped UTF-8 text.
std::string XmlTextUtf8(std::string_view utf8) {
    std::string out;
    for (const char32_t c : Utf8ToCodePoints(utf8))
        AppendEscaped(out, c);
    return out;
}

// A face name as a quoted CSS family name, then escaped for the attribute.
std::string FamilyAttribute(std::string_view face) {
    std::string quoted = "'";
    for (char c : face) {
        if (c == '\'' || c == '\\') quoted.push_back('\\');
        quoted.push_back(c);
    }
    quoted.push_back('\'');
    return XmlText(quoted);
}

// CSS weights that every reader knows are the hundreds from 100 to 900.
int CssWeight(int weight) {
    if (weight <= 0) return 400;
    return std::clamp((weight + 50) / 100 * 100, 100, 900);
}

} // namespace

CSvgSurface::CSvgSurface(const CReferenceScreen& screen) : m_screen(screen) {
    m_screen.dpiX = std::max(m_screen.dpiX, 1);
    m_screen.dpiY = std::max(m_screen.dpiY, 1);
}

double CSvgSurface::ToSvgX(double logicalX) const {
    return (m_mapping.ToDeviceX(logicalX) - m_mapping.viewportOrg.x) * 1000.0 / m_screen.dpiX;
}

double CSvgSurface::ToSvgY(double logicalY) const {
    return (m_mapping.ToDeviceY(logicalY) - m_mapping.viewportOrg.y) * 1000.0 / m_screen.dpiY;
}

void CSvgSurface::Include(double logicalX, double logicalY) {
    const double x = ToSvgX(logicalX), y = ToSvgY(logicalY);
    if (m_empty) {
        m_x0 = m_x1 = x;
        m_y0 = m_y1 = y;
        m_empty = false;
        return;
    }
    m_x0 = std::min(m_x0, x);
    m_y0 = std::min(m_y0, y);
    m_x1 = std::max(m_x1, x);
    m_y1 = std::max(m_y1, y);
}

void CSvgSurface::IncludeArea(double x0, double y0, double x1, double y1) {
    Include(x0, y0);
    Include(x1, y1);
}

CScreenTextMetrics CSvgSurface::Metrics() const {
    return CScreenTextMetrics(m_fonts.empty() ? nullptr : &m_fonts.back(), m_screen.dpiX,
                              m_screen.dpiY);
}

bool CSvgSurface::OutOfRoom() {
    if (!m_tooLarge && !MakeRoomInPicture(m_body)) {
        m_tooLarge = true;
        m_body = {};
    }
    return m_tooLarge;
}

void CSvgSurface::DrawLine(CPoint from, CPoint to, int penWidth) {
    if (OutOfRoom()) return;
    if (const auto area = BarArea(from, to, penWidth)) {
        const double x0 = ToSvgX(area->x0), x1 = ToSvgX(area->x1);
        const double y0 = ToSvgY(area->y0), y1 = ToSvgY(area->y1);
        m_body += "<rect x=\"" + Num(std::min(x0, x1)) + "\" y=\"" + Num(std::min(y0, y1)) +
                  "\" width=\"" + Num(std::abs(x1 - x0)) + "\" height=\"" + Num(std::abs(y1 - y0)) +
                  "\" fill=\"#000000\"/>\n";
        Include(area->x0, area->y0);
        Include(area->x1, area->y1);
        return;
    }
    if (penWidth <= 0 || from == to) return;
    // Slanted lines: the engine draws none, but the pen is honoured all the same.
    const double scale = (std::abs(m_mapping.ScaleX()) * 1000.0 / m_screen.dpiX +
                          std::abs(m_mapping.ScaleY()) * 1000.0 / m_screen.dpiY) /
                         2.0;
    m_body += "<line x1=\"" + Num(ToSvgX(from.x)) + "\" y1=\"" + Num(ToSvgY(from.y)) + "\" x2=\"" +
              Num(ToSvgX(to.x)) + "\" y2=\"" + Num(ToSvgY(to.y)) +
              "\" stroke=\"#000000\" stroke-width=\"" + Num(penWidth * scale) +
              "\" stroke-linecap=\"butt\" stroke-linejoin=\"bevel\"/>\n";
    for (const auto& [x, y] : StrokeCorners(from, to, penWidth))
        Include(x, y);
}

void CSvgSurface::SelectFont(const CFontSpec& font) {
    m_fonts.push_back(font);
}

void CSvgSurface::RestoreFont() {
    if (!m_fonts.empty()) m_fonts.pop_back();
}

CSize CSvgSurface::GetTextExtent(std::string_view text) {
    return Metrics().Extent(FromLatin1(text));
}

CSize CSvgSurface::GetTextExtentUtf8(std::string_view utf8) {
    return Metrics().Extent(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

CTextInk CSvgSurface::GetTextInkUtf8(std::string_view utf8) {
    return Metrics().Ink(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

void CSvgSurface::TextOut(CPoint at, std::string_view text) {
    if (text.empty()) return;
    DrawText(at, FromLatin1(text), XmlText(text));
}

void CSvgSurface::TextOutUtf8(CPoint at, std::string_view utf8) {
    if (utf8.empty()) return;
    DrawText(at, QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())),
             XmlTextUtf8(utf8));
}

void CSvgSurface::DrawText(CPoint at, const QString& text, const std::string& escaped) {
    if (OutOfRoom()) return;
    const CScreenTextMetrics metrics = Metrics();
    const CSize extent = metrics.Extent(text);
    const CFontSpec* font = m_fonts.empty() ? nullptr : &m_fonts.back();
    const int escapement = font ? font->escapement : 0;
    const double size = font && font->height != 0 ? std::abs(static_cast<double>(font->height))
                                                  : 12.0 * 1000.0 / m_screen.dpiY;

    // The cell is laid out in logical units around its reference point, turned there, and
    // then taken through the mapping's scale.
    const double sx = m_mapping.ScaleX() * 1000.0 / m_screen.dpiX;
    const double sy = m_mapping.ScaleY() * 1000.0 / m_screen.dpiY;
    std::string transform = "translate(" + Num(ToSvgX(at.x)) + " " + Num(ToSvgY(at.y)) + ")";
    if (sx != 1.0 || sy != 1.0) transform += " scale(" + Num(sx) + " " + Num(sy) + ")";
    if (escapement % 3600 != 0) transform += " rotate(" + Num(-escapement / 10.0) + ")";

    m_body += "<g transform=\"" + transform + "\">\n";
    if (IsBkModeOpaque())
        m_body += "<rect x=\"0\" y=\"0\" width=\"" + Num(extent.cx) + "\" height=\"" +
                  Num(extent.cy) + "\" fill=\"#ffffff\"/>\n";
    m_body += "<text x=\"0\" y=\"" + Num(metrics.Ascent()) + "\" font-family=\"" +
              FamilyAttribute(font ? font->faceName : std::string()) + "\" font-size=\"" +
              Num(size) + "\" font-weight=\"" + std::to_string(CssWeight(font ? font->weight : 0)) +
              (font && font->italic ? "\" font-style=\"italic" : "") +
              "\" fill=\"#000000\" textLength=\"" + Num(extent.cx) + "\" xml:space=\"preserve\">" +
              escaped + "</text>\n</g>\n";

    for (const auto& [x, y] : TextCellCorners(at, extent, escapement))
        Include(x, y);
}

std::string CSvgSurface::Document() const {
    if (m_tooLarge) return {};
    const double w = m_empty ? 0 : m_x1 - m_x0, h = m_empty ? 0 : m_y1 - m_y0;
    const double x = m_empty ? 0 : m_x0, y = m_empty ? 0 : m_y0;
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
                      Num(w / 1000.0, 6) + "in\" height=\"" + Num(h / 1000.0, 6) +
                      "in\" viewBox=\"" + Num(x) + " " + Num(y) + " " + Num(w) + " " + Num(h) +
                      "\" shape-rendering=\"crispEdges\">\n";
    doc += m_body;
    doc += "</svg>\n";
    return doc;
}

std::error_code CSvgSurface::WriteFile(const std::string& path) const {
    if (m_tooLarge) return std::make_error_code(std::errc::value_too_large);
    const std::string doc = Document();
    return WriteFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(doc.data()), doc.size()));
}
