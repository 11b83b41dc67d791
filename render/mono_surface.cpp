#include "render/mono_surface.h"

#include "common/latin1.h"
#include "engine/primitives.h"
#include "render/bar_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {

// A quarter turn count, 0 to 3, counter-clockwise on the page, from tenths of a degree.
int QuarterTurns(int escapement) {
    const long long q = std::llround(escapement / 900.0);
    return static_cast<int>(((q % 4) + 4) % 4);
}

// Text space: x along the text, y down its lines, in pixels from the text's reference point
// `p` on the device, turned by `q` quarter turns counter-clockwise.
CPixelRect TextToDevice(std::int64_t px, std::int64_t py, int q, const CPixelRect& t) {
    switch (q) {
    case 0:
        return {px + t.x0, py + t.y0, px + t.x1, py + t.y1};
    case 1: // the text reads upwards, its lines go to the right
        return {px + t.y0, py - t.x1, px + t.y1, py - t.x0};
    case 2:
        return {px - t.x1, py - t.y1, px - t.x0, py - t.y0};
    default: // the text reads downwards, its lines go to the left
        return {px - t.y1, py + t.x0, px - t.y0, py + t.x1};
    }
}

// The text-space rectangle that TextToDevice takes onto the device rectangle [0, w) × [0, h).
CPixelRect DeviceToText(std::int64_t px, std::int64_t py, int q, std::int64_t w, std::int64_t h) {
    switch (q) {
    case 0:
        return {-px, -py, w - px, h - py};
    case 1:
        return {py - h, -px, py, w - px};
    case 2:
        return {px - w, py - h, px, py};
    default:
        return {-py, px - w, h - py, px};
    }
}

} // namespace

CMonoSurface::CMonoSurface(MonoImage& image, int dpi, CFontLocator* fonts)
    : m_image(image), m_dpi(dpi), m_locator(fonts) {}

CMonoSurface::~CMonoSurface() = default;

void CMonoSurface::SetBarWidthReduction(int dots) {
    m_barWidthReduction = std::max(dots, 0);
}

CPixelRect CMonoSurface::DeviceRect(double x0, double y0, double x1, double y1) const {
    int dx0 = RoundEdge(m_mapping.ToDeviceX(x0)), dx1 = RoundEdge(m_mapping.ToDeviceX(x1));
    int dy0 = RoundEdge(m_mapping.ToDeviceY(y0)), dy1 = RoundEdge(m_mapping.ToDeviceY(y1));
    if (dx0 > dx1) std::swap(dx0, dx1);
    if (dy0 > dy1) std::swap(dy0, dy1);
    return {dx0, dy0, dx1, dy1};
}

void CMonoSurface::Fill(CPixelRect r, bool black) {
    const std::size_t stride = m_image.Stride();
    if (m_image.width <= 0 || m_image.height <= 0 ||
        m_image.bits.size() < stride * static_cast<std::size_t>(m_image.height))
        return;
    r.x0 = std::max<std::int64_t>(r.x0, 0);
    r.y0 = std::max<std::int64_t>(r.y0, 0);
    r.x1 = std::min<std::int64_t>(r.x1, m_image.width);
    r.y1 = std::min<std::int64_t>(r.y1, m_image.height);
    if (r.x0 >= r.x1 || r.y0 >= r.y1) return;
    const std::size_t first = static_cast<std::size_t>(r.x0 >> 3);
    const std::size_t last = static_cast<std::size_t>((r.x1 - 1) >> 3);
    // Bits of the first and last byte inside the run, the leftmost pixel the highest bit.
    const auto headMask = static_cast<std::uint8_t>(0xFF >> (r.x0 & 7));
    const auto tailMask = static_cast<std::uint8_t>(0xFF << (7 - ((r.x1 - 1) & 7)));
    for (std::int64_t y = r.y0; y < r.y1; ++y) {
        std::uint8_t* row = m_image.bits.data() + static_cast<std::size_t>(y) * stride;
        // Black clears bits (0 is black), white sets them.
        const auto apply = [black, row](std::size_t i, std::uint8_t mask) {
            row[i] = black ? static_cast<std::uint8_t>(row[i] & ~mask)
                           : static_cast<std::uint8_t>(row[i] | mask);
        };
        if (first == last) {
            apply(first, static_cast<std::uint8_t>(headMask & tailMask));
            continue;
        }
        apply(first, headMask);
        if (last > first + 1) std::memset(row + first + 1, black ? 0x00 : 0xFF, last - first - 1);
        apply(last, tailMask);
    }
}

void CMonoSurface::DrawLine(CPoint from, CPoint to, int penWidth) {
    if (penWidth <= 0) return;
    if (from == to) return; // a flat-ended pen draws nothing for a zero-length line
    if (const std::optional<CLogicalRect> bar = BarArea(from, to, penWidth)) {
        CPixelRect r = DeviceRect(bar->x0, bar->y0, bar->x1, bar->y1);
        // A bar narrower than a pixel (the screen at 100 %) still shows as one pixel.
        if (r.x1 <= r.x0) r.x1 = r.x0 + 1;
        if (r.y1 <= r.y0) r.y1 = r.y0 + 1;
        Fill(r, true);
        return;
    }
    FillSlanted(from, to, penWidth);
}

// Slanted lines are never drawn by the engine: the stroke's quadrilateral, each pixel whose
// centre lies inside it.
void CMonoSurface::FillSlanted(CPoint from, CPoint to, int penWidth) {
    const double x0 = m_mapping.ToDeviceX(from.x), y0 = m_mapping.ToDeviceY(from.y);
    const double x1 = m_mapping.ToDeviceX(to.x), y1 = m_mapping.ToDeviceY(to.y);
    const double len = std::hypot(x1 - x0, y1 - y0);
    if (!(len > 0) || !std::isfinite(len)) return;
    const double half = penWidth * std::abs(m_mapping.ScaleX()) / 2.0;
    const double nx = -(y1 - y0) / len * half, ny = (x1 - x0) / len * half;
    const double cx[4] = {x0 + nx, x1 + nx, x1 - nx, x0 - nx};
    const double cy[4] = {y0 + ny, y1 + ny, y1 - ny, y0 - ny};
    const double top = std::max(*std::min_element(cy, cy + 4), 0.0);
    const double bottom = std::min(*std::max_element(cy, cy + 4), double(m_image.height));
    for (std::int64_t y = static_cast<std::int64_t>(std::floor(top));
         y < static_cast<std::int64_t>(std::ceil(bottom)); ++y) {
        const double yc = static_cast<double>(y) + 0.5;
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (int i = 0; i < 4; ++i) {
            const int j = (i + 1) % 4;
            if ((cy[i] <= yc) == (cy[j] <= yc)) continue; // the edge does not cross this row
            const double x = cx[i] + (yc - cy[i]) * (cx[j] - cx[i]) / (cy[j] - cy[i]);
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
        if (lo > hi) continue;
        lo = std::clamp(lo, -1.0, double(m_image.width) + 1);
        hi = std::clamp(hi, -1.0, double(m_image.width) + 1);
        Fill({static_cast<std::int64_t>(std::ceil(lo - 0.5)), y,
              static_cast<std::int64_t>(std::ceil(hi - 0.5)), y + 1},
             true);
    }
}

int CMonoSurface::GridDotsPerInch(int orientation) const {
    const double scale = engine::NormalizeOrientation(orientation) % 2 == 0 ? m_mapping.ScaleX()
                                                                            : m_mapping.ScaleY();
    return std::max(RoundEdge(std::abs(scale) * 1000.0), 0);
}

std::pair<std::int64_t, std::int64_t>
CMonoSurface::GridSpan(CPoint start, int direction, int fromDot, std::int64_t count) const {
    const int d = engine::NormalizeOrientation(direction);
    const bool alongX = d % 2 == 0;
    // Which way the direction runs on the device: its logical direction (0: +x, 1: -y, 2: -x,
    // 3: +y), turned round by a mirrored mapping.
    const double scale = alongX ? m_mapping.ScaleX() : m_mapping.ScaleY();
    const bool rising = (d == 0 || d == 3) == (scale >= 0);
    const std::int64_t e =
        RoundEdge(alongX ? m_mapping.ToDeviceX(start.x) : m_mapping.ToDeviceY(start.y));
    const std::int64_t lo = rising ? e + fromDot : e - fromDot - count;
    return {lo, lo + count};
}

void CMonoSurface::DrawGridBar(CPoint start, int orientation, int fromDot, int toDot, int offset,
                               int length) {
    if (toDot <= fromDot || length == 0) return;
    const int o = engine::NormalizeOrientation(orientation);
    const bool alongX = o % 2 == 0; // the direction of advance lies along x
    const auto [a0, a1] = GridSpan(start, o, fromDot,
                                   std::max<std::int64_t>(1, static_cast<std::int64_t>(toDot) -
                                                                 fromDot - m_barWidthReduction));

    const CPoint p0 = engine::AlongBar(start, offset, o);
    const CPoint p1 = engine::AlongBar(p0, length, o);
    std::int64_t b0 = RoundEdge(alongX ? m_mapping.ToDeviceY(p0.y) : m_mapping.ToDeviceX(p0.x));
    std::int64_t b1 = RoundEdge(alongX ? m_mapping.ToDeviceY(p1.y) : m_mapping.ToDeviceX(p1.x));
    if (b0 > b1) std::swap(b0, b1);
    if (b1 == b0) b1 = b0 + 1; // as DrawLine: a bar shorter than a pixel still shows
    Fill(alongX ? CPixelRect{a0, b0, a1, b1} : CPixelRect{b0, a0, b1, a1}, true);
}

void CMonoSurface::DrawGridCells(CPoint start, int orientation, int fromDot, int toDot, int fromRow,
                                 int toRow) {
    if (toDot <= fromDot || toRow <= fromRow) return;
    const int o = engine::NormalizeOrientation(orientation);
    const auto [a0, a1] = GridSpan(start, o, fromDot,
                                   std::max<std::int64_t>(1, static_cast<std::int64_t>(toDot) -
                                                                 fromDot - m_barWidthReduction));
    // The bars of orientation o run the way orientation o + 3 advances.
    const auto [b0, b1] =
        GridSpan(start, o + 3, fromRow, static_cast<std::int64_t>(toRow) - fromRow);
    Fill(o % 2 == 0 ? CPixelRect{a0, b0, a1, b1} : CPixelRect{b0, a0, b1, a1}, true);
}

void CMonoSurface::SelectFont(const CFontSpec& font) {
    m_fonts.push_back(font);
}

void CMonoSurface::RestoreFont() {
    if (!m_fonts.empty()) m_fonts.pop_back();
}

bool CMonoSurface::PrepareFont() {
    if (!m_text) {
        if (!m_locator) {
            m_ownLocator = std::make_unique<CFontLocator>();
            m_locator = m_ownLocator.get();
        }
        m_text = &m_locator->Text();
    }
    const CFontSpec font = m_fonts.empty() ? CFontSpec{} : m_fonts.back();
    // The em height in logical units at this mapping, in whole pixels; 0 asks for 12 pixels.
    const double sy = std::max(std::abs(m_mapping.ScaleY()), 1e-9);
    const double em = font.height == 0 ? 12.0 / sy : std::abs(static_cast<double>(font.height));
    const int pixels = std::clamp(RoundEdge(em * sy), 1, 100000);
    return m_text->Select(Latin1ToUtf8(font.faceName), font.weight >= 600, pixels);
}

CSize CMonoSurface::GetTextExtent(std::string_view text) {
    const double sx = std::abs(m_mapping.ScaleX()), sy = std::abs(m_mapping.ScaleY());
    if (sx == 0 || sy == 0 || !PrepareFont()) return {};
    const std::int64_t width = m_text->Width(text);
    // Measured unrotated, as a device context measures, and given back in logical units.
    const std::int64_t height = m_text->Ascent() + m_text->Descent();
    return {RoundEdge(static_cast<double>(width) / 64.0 / sx),
            RoundEdge(static_cast<double>(height) / 64.0 / sy)};
}

void CMonoSurface::PlaceGlyphs(std::string_view text,
                               const std::function<void(unsigned char, std::int64_t)>& place) {
    std::int64_t pen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (i > 0) pen += m_text->Kerning(static_cast<unsigned char>(text[i - 1]), c);
        place(c, pen);
        pen += m_text->Advance(c);
    }
}

CTextInk CMonoSurface::GetTextInk(std::string_view text) {
    const double sx = std::abs(m_mapping.ScaleX()), sy = std::abs(m_mapping.ScaleY());
    if (sx == 0 || sy == 0 || text.empty() || !PrepareFont()) return {};
    // The glyphs' boxes at the exact pen positions on the exact baseline, relative to the
    // cell's top-left corner, as a device context measures them (TextOut puts each glyph on the
    // nearest pixel, within half a pixel of this).
    const double baseline = static_cast<double>(m_text->Ascent()) / 64.0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool any = false;
    PlaceGlyphs(text, [&](unsigned char c, std::int64_t pen) {
        CPixelRect box;
        if (!m_text->InkBox(c, box)) return;
        const double x = static_cast<double>(pen) / 64.0;
        const double bx0 = x + static_cast<double>(box.x0), bx1 = x + static_cast<double>(box.x1);
        const double by0 = baseline + static_cast<double>(box.y0);
        const double by1 = baseline + static_cast<double>(box.y1);
        x0 = any ? std::min(x0, bx0) : bx0, y0 = any ? std::min(y0, by0) : by0;
        x1 = any ? std::max(x1, bx1) : bx1, y1 = any ? std::max(y1, by1) : by1;
        any = true;
    });
    if (!any) return {};
    const auto down = [](double v) { return engine::TruncToInt(std::floor(v)); };
    const auto up = [](double v) { return engine::TruncToInt(std::ceil(v)); };
    return {down(x0 / sx), down(y0 / sy), up(x1 / sx), up(y1 / sy)};
}

void CMonoSurface::TextOut(CPoint at, std::string_view text) {
    if (!PrepareFont()) return;
    const int q = QuarterTurns(m_fonts.empty() ? 0 : m_fonts.back().escapement);
    const std::int64_t px = RoundEdge(m_mapping.ToDeviceX(at.x));
    const std::int64_t py = RoundEdge(m_mapping.ToDeviceY(at.y));

    if (m_opaque) {
        const CPixelRect cell{
            0, 0, RoundEdge(static_cast<double>(m_text->Width(text)) / 64.0),
            RoundEdge(static_cast<double>(m_text->Ascent() + m_text->Descent()) / 64.0)};
        Fill(TextToDevice(px, py, q, cell), false);
    }

    // Each glyph's runs, in text space, onto the device.
    struct Sink final : CPixelRunSink {
        CMonoSurface& surface;
        std::int64_t px, py;
        int q;
        Sink(CMonoSurface& s, std::int64_t x, std::int64_t y, int turns)
            : surface(s), px(x), py(y), q(turns) {}
        void Run(std::int64_t y, std::int64_t x0, std::int64_t x1) override {
            surface.Fill(TextToDevice(px, py, q, {x0, y, x1, y + 1}), true);
        }
    } sink(*this, px, py, q);
    const CPixelRect clip = DeviceToText(px, py, q, m_image.width, m_image.height);
    // The baseline lies the ascent below the cell's top; each glyph starts at the pixel nearest
    // to the pen.
    const std::int64_t baseline = RoundEdge(static_cast<double>(m_text->Ascent()) / 64.0);
    PlaceGlyphs(text, [&](unsigned char c, std::int64_t pen) {
        m_text->Draw(c, RoundEdge(static_cast<double>(pen) / 64.0), baseline, clip, sink);
    });
}

// ---- text beyond Latin-1, and italic ----

class CMonoSurface::DeviceSink final : public CPixelRunSink {
public:
    DeviceSink(CMonoSurface& s, std::int64_t x, std::int64_t y, int turns)
        : m_surface(s), m_px(x), m_py(y), m_q(turns) {}
    void Run(std::int64_t y, std::int64_t x0, std::int64_t x1) override {
        m_surface.Fill(TextToDevice(m_px, m_py, m_q, {x0, y, x1, y + 1}), true);
    }

private:
    CMonoSurface& m_surface;
    std::int64_t m_px, m_py;
    int m_q;
};

bool CMonoSurface::NeedsUnicode(std::string_view utf8) const {
    if (!m_fonts.empty() && m_fonts.back().italic) return true;
    const std::u32string text = Utf8ToCodePoints(utf8);
    return std::any_of(text.begin(), text.end(), [](char32_t c) { return c > 0xFF; });
}

CUnicodeText* CMonoSurface::PrepareUnicodeFont() {
    if (!m_locator) {
        m_ownLocator = std::make_unique<CFontLocator>();
        m_locator = m_ownLocator.get();
    }
    CUnicodeText& text = m_locator->Unicode();
    const CFontSpec font = m_fonts.empty() ? CFontSpec{} : m_fonts.back();
    const double sy = std::max(std::abs(m_mapping.ScaleY()), 1e-9);
    const double em = font.height == 0 ? 12.0 / sy : std::abs(static_cast<double>(font.height));
    const int pixels = std::clamp(RoundEdge(em * sy), 1, 100000);
    return text.Select(Latin1ToUtf8(font.faceName), font.weight >= 600, font.italic, pixels)
               ? &text
               : nullptr;
}

CSize CMonoSurface::GetTextExtentUtf8(std::string_view utf8) {
    if (!NeedsUnicode(utf8)) return GetTextExtent(Utf8ToLatin1(utf8));
    const double sx = std::abs(m_mapping.ScaleX()), sy = std::abs(m_mapping.ScaleY());
    CUnicodeText* text = sx == 0 || sy == 0 ? nullptr : PrepareUnicodeFont();
    if (!text) return {};
    const std::int64_t width = text->Width(Utf8ToCodePoints(utf8));
    const std::int64_t height = text->Ascent() + text->Descent();
    return {RoundEdge(static_cast<double>(width) / 64.0 / sx),
            RoundEdge(static_cast<double>(height) / 64.0 / sy)};
}

CTextInk CMonoSurface::GetTextInkUtf8(std::string_view utf8) {
    if (!NeedsUnicode(utf8)) return GetTextInk(Utf8ToLatin1(utf8));
    const double sx = std::abs(m_mapping.ScaleX()), sy = std::abs(m_mapping.ScaleY());
    CUnicodeText* text = sx == 0 || sy == 0 ? nullptr : PrepareUnicodeFont();
    CPixelRect box;
    if (!text || !text->InkBox(Utf8ToCodePoints(utf8), box)) return {};
    const double baseline = static_cast<double>(text->Ascent()) / 64.0;
    const auto down = [](double v) { return engine::TruncToInt(std::floor(v)); };
    const auto up = [](double v) { return engine::TruncToInt(std::ceil(v)); };
    return {
        down(static_cast<double>(box.x0) / sx), down((baseline + static_cast<double>(box.y0)) / sy),
        up(static_cast<double>(box.x1) / sx), up((baseline + static_cast<double>(box.y1)) / sy)};
}

void CMonoSurface::TextOutUtf8(CPoint at, std::string_view utf8) {
    if (!NeedsUnicode(utf8)) {
        TextOut(at, Utf8ToLatin1(utf8));
        return;
    }
    CUnicodeText* text = PrepareUnicodeFont();
    if (!text) return;
    const std::u32string chars = Utf8ToCodePoints(utf8);
    const int q = QuarterTurns(m_fonts.empty() ? 0 : m_fonts.back().escapement);
    const std::int64_t px = RoundEdge(m_mapping.ToDeviceX(at.x));
    const std::int64_t py = RoundEdge(m_mapping.ToDeviceY(at.y));
    if (m_opaque) {
        const CPixelRect cell{
            0, 0, RoundEdge(static_cast<double>(text->Width(chars)) / 64.0),
            RoundEdge(static_cast<double>(text->Ascent() + text->Descent()) / 64.0)};
        Fill(TextToDevice(px, py, q, cell), false);
    }
    DeviceSink sink(*this, px, py, q);
    const CPixelRect clip = DeviceToText(px, py, q, m_image.width, m_image.height);
    text->Draw(chars, 0, RoundEdge(static_cast<double>(text->Ascent()) / 64.0), clip, sink);
}
