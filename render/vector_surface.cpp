#include "render/vector_surface.h"

#include "common/latin1.h"
#include "engine/primitives.h"
#include "render/bar_geometry.h"
#include "render/export_files.h"
#include "render/symbol_drawing.h"
#include "render/text_raster.h"
#include "render/unicode_text.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// A path point takes about this many bytes in any of the writers' files.
constexpr std::size_t kBytesPerPoint = 16;

// The em height of a font in logical units at the mapping's `scale` (device units per logical
// unit), in whole device units as the measuring surface sets it; 0 asks for 12 device units.
int FontPixels(const CFontSpec& font, double scale) {
    const double em = font.height == 0 ? 12.0 / scale : std::abs(static_cast<double>(font.height));
    return std::clamp(RoundEdge(em * scale), 1, 100000);
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

} // namespace

void CVectorPicture::Include(double x, double y) {
    if (empty) {
        x0 = x1 = x;
        y0 = y1 = y;
        empty = false;
        return;
    }
    x0 = std::min(x0, x), y0 = std::min(y0, y);
    x1 = std::max(x1, x), y1 = std::max(y1, y);
}

CVectorSurface::CVectorSurface(CFontLocator& fonts)
    : m_fonts(fonts), m_outlines(fonts.Outlines()), m_measure(m_none, 1000, &fonts) {}

CVectorSurface::~CVectorSurface() = default;

CPath::Point CVectorSurface::ToPage(double logicalX, double logicalY) const {
    return {m_mapping.ToDeviceX(logicalX) - m_mapping.viewportOrg.x,
            m_mapping.ToDeviceY(logicalY) - m_mapping.viewportOrg.y};
}

CPath* CVectorSurface::Target(bool white) {
    if (m_picture.tooLarge) return nullptr;
    if (m_points * kBytesPerPoint > kMaxPictureBytes) {
        m_picture.tooLarge = true;
        m_picture.fills = {};
        return nullptr;
    }
    if (m_picture.fills.empty() || m_picture.fills.back().white != white)
        m_picture.fills.push_back({white, {}});
    return &m_picture.fills.back().path;
}

CMonoSurface& CVectorSurface::Measure() {
    m_measure.SetWindowOrg(m_mapping.windowOrg);
    m_measure.SetWindowExt(m_mapping.windowExt);
    m_measure.SetViewportOrg(m_mapping.viewportOrg);
    m_measure.SetViewportExt(m_mapping.viewportExt);
    return m_measure;
}

void CVectorSurface::DrawLine(CPoint from, CPoint to, int penWidth) {
    CPath* path = Target(false);
    if (!path) return;
    std::array<CPath::Point, 4> corners;
    if (const auto area = BarArea(from, to, penWidth)) {
        corners = {ToPage(area->x0, area->y0), ToPage(area->x1, area->y0),
                   ToPage(area->x1, area->y1), ToPage(area->x0, area->y1)};
    } else {
        if (penWidth <= 0 || from == to) return;
        // A slanted line (the engine draws none): its flat-ended stroke as a quadrilateral.
        const double dx = to.x - from.x, dy = to.y - from.y, length = std::hypot(dx, dy);
        const double nx = -dy / length * penWidth / 2.0, ny = dx / length * penWidth / 2.0;
        corners = {ToPage(from.x + nx, from.y + ny), ToPage(to.x + nx, to.y + ny),
                   ToPage(to.x - nx, to.y - ny), ToPage(from.x - nx, from.y - ny)};
    }
    path->MoveTo(corners[0]);
    for (std::size_t i = 1; i < corners.size(); ++i)
        path->LineTo(corners[i]);
    for (const CPath::Point& p : corners)
        m_picture.Include(p.x, p.y);
    m_points += corners.size();
}

void CVectorSurface::SelectFont(const CFontSpec& font) {
    m_selectedFonts.push_back(font);
    Measure().SelectFont(font);
}

void CVectorSurface::RestoreFont() {
    if (!m_selectedFonts.empty()) m_selectedFonts.pop_back();
    Measure().RestoreFont();
}

CSize CVectorSurface::GetTextExtent(std::string_view text) {
    return Measure().GetTextExtent(text);
}

CTextInk CVectorSurface::GetTextInk(std::string_view text) {
    return Measure().GetTextInk(text);
}

CSize CVectorSurface::GetTextExtentUtf8(std::string_view utf8) {
    return Measure().GetTextExtentUtf8(utf8);
}

CTextInk CVectorSurface::GetTextInkUtf8(std::string_view utf8) {
    return Measure().GetTextInkUtf8(utf8);
}

void CVectorSurface::TextOut(CPoint at, std::string_view text) {
    if (text.empty()) return;
    const std::string utf8 = Latin1ToUtf8(text);
    DrawText(at, Utf8ToCodePoints(utf8), true, GetTextExtent(text));
}

void CVectorSurface::TextOutUtf8(CPoint at, std::string_view utf8) {
    if (utf8.empty()) return;
    const std::u32string text = Utf8ToCodePoints(utf8);
    const bool italic = !m_selectedFonts.empty() && m_selectedFonts.back().italic;
    const bool latin1 =
        !italic && std::all_of(text.begin(), text.end(), [](char32_t c) { return c <= 0xFF; });
    DrawText(at, text, latin1, GetTextExtentUtf8(utf8));
}

CGlyphPlacement CVectorSurface::Place(CPoint at, double pen, double baseline) const {
    const int escapement = m_selectedFonts.empty() ? 0 : m_selectedFonts.back().escapement;
    const double angle = escapement / 10.0 * std::numbers::pi / 180.0;
    const double c = std::cos(angle), s = std::sin(angle);
    // The text's frame (x along the line, y down) turned counter-clockwise on the page, then
    // through the mapping's scale.
    const double sx = m_mapping.ScaleX(), sy = m_mapping.ScaleY();
    const CPath::Point origin =
        ToPage(at.x + pen * c + baseline * s, at.y - pen * s + baseline * c);
    return {origin.x, origin.y, sx * c, sx * s, -sy * s, sy * c};
}

void CVectorSurface::DrawText(CPoint at, std::u32string_view text, bool latin1, CSize cell) {
    const CFontSpec font = m_selectedFonts.empty() ? CFontSpec{} : m_selectedFonts.back();
    const double sx = std::max(std::abs(m_mapping.ScaleX()), 1e-9);
    const double sy = std::max(std::abs(m_mapping.ScaleY()), 1e-9);
    const int pixels = FontPixels(font, sy);
    const std::string family = Latin1ToUtf8(font.faceName);
    const bool bold = font.weight >= 600;
    if (IsBkModeOpaque()) PaintCell(at, cell);
    // Latin-1 text in the family's face, placed by the hinted advances the measure uses.
    if (latin1) {
        CTextRaster& raster = m_fonts.Text();
        if (!raster.Select(family, bold, pixels) ||
            !m_outlines.Select(family, bold, false, pixels / sy))
            return;
        const double baseline = static_cast<double>(raster.Ascent()) / 64.0 / sy;
        std::int64_t pen = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (i > 0) pen += raster.Kerning(static_cast<unsigned char>(text[i - 1]), c);
            AppendGlyph(text[i], Place(at, static_cast<double>(pen) / 64.0 / sx, baseline));
            pen += raster.Advance(c);
        }
        return;
    }
    // Other text: each character in the face that has it, the family's or a fallback face.
    CUnicodeText& unicode = m_fonts.Unicode();
    if (!unicode.Select(family, bold, font.italic, pixels)) return;
    const double baseline = static_cast<double>(unicode.Ascent()) / 64.0 / sy;
    std::int64_t pen = 0;
    for (const char32_t c : text) {
        const std::optional<CUnicodeFace> face = unicode.FaceOf(c);
        if (face && m_outlines.Select(face->file, face->slanted, pixels / sy))
            AppendGlyph(c, Place(at, static_cast<double>(pen) / 64.0 / sx, baseline));
        pen += unicode.Advance(c);
    }
}

void CVectorSurface::PaintCell(CPoint at, CSize cell) {
    const CGlyphPlacement p = Place(at, 0, 0);
    CPath* white = Target(true);
    if (!white) return;
    const auto corner = [&](double x, double y) {
        const CPath::Point q{p.originX + p.xx * x + p.xy * y, p.originY + p.yx * x + p.yy * y};
        m_picture.Include(q.x, q.y);
        return q;
    };
    white->MoveTo(corner(0, 0));
    white->LineTo(corner(cell.cx, 0));
    white->LineTo(corner(cell.cx, cell.cy));
    white->LineTo(corner(0, cell.cy));
}

void CVectorSurface::AppendGlyph(char32_t c, const CGlyphPlacement& at) {
    if (IsControl(c)) return;
    CPath* black = Target(false);
    if (!black) return;
    const std::size_t before = black->points.size();
    m_outlines.Append(c, at, *black);
    for (std::size_t i = before; i < black->points.size(); ++i)
        m_picture.Include(black->points[i].x, black->points[i].y);
    m_points += black->points.size() - before;
}

void CVectorSurface::IncludeArea(double x0, double y0, double x1, double y1) {
    const CPath::Point a = ToPage(x0, y0), b = ToPage(x1, y1);
    m_picture.Include(a.x, a.y);
    m_picture.Include(b.x, b.y);
}

CVectorPicture CVectorSurface::Take() {
    CVectorPicture taken = std::move(m_picture);
    m_picture = {};
    m_points = 0;
    return taken;
}

CVectorPicture RecordLabelPicture(const CLabelContent& label, CFontLocator& fonts) {
    CVectorSurface surface(fonts);
    surface.SetWindowExt({1000, 1000});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportExt({1000, 1000});
    const CDrawnExtent extent = MeasureLabel(label, surface);
    const CExtentRect& marks = extent.marks;
    const auto half = [](double logical) {
        return engine::ClampToInt(static_cast<std::int64_t>(std::ceil(logical / 2.0)));
    };
    surface.SetViewportOrg({half(marks.Width()), half(marks.Height())});
    DrawLabel(label, surface, &extent);
    if (!marks.empty) {
        // Where DrawLabel put them: its start point is where the measure's origin lay.
        const CPoint start = CentredStart(extent);
        surface.IncludeArea(marks.left + start.x, marks.top + start.y, marks.right + start.x,
                            marks.bottom + start.y);
    }
    return surface.Take();
}
