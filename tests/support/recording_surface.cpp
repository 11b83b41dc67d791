#include "tests/support/recording_surface.h"

#include <algorithm>
#include <climits>
#include <sstream>

void RecordingSurface::DrawLine(CPoint from, CPoint to, int penWidth) {
    calls.emplace_back(RecordedLine{from, to, penWidth});
}

void RecordingSurface::SelectFont(const CFontSpec& font) {
    m_fonts.push_back(font);
    calls.emplace_back(RecordedSelectFont{font});
}

void RecordingSurface::RestoreFont() {
    if (!m_fonts.empty()) m_fonts.pop_back();
    calls.emplace_back(RecordedRestoreFont{});
}

CSize RecordingSurface::GetTextExtent(std::string_view text) {
    const int em = m_fonts.empty() ? 0 : m_fonts.back().height;
    CSize size{static_cast<int>(text.size()) * em * 6 / 10, em};
    calls.emplace_back(RecordedExtent{std::string(text), size});
    return size;
}

void RecordingSurface::TextOut(CPoint at, std::string_view text) {
    calls.emplace_back(
        RecordedText{at, std::string(text), m_fonts.empty() ? CFontSpec{} : m_fonts.back()});
}

std::vector<RecordedLine> RecordingSurface::Lines() const {
    std::vector<RecordedLine> out;
    for (const auto& c : calls)
        if (auto* l = std::get_if<RecordedLine>(&c)) out.push_back(*l);
    return out;
}

std::vector<RecordedText> RecordingSurface::Texts() const {
    std::vector<RecordedText> out;
    for (const auto& c : calls)
        if (auto* t = std::get_if<RecordedText>(&c)) out.push_back(*t);
    return out;
}

std::vector<BarSpan> RecordingSurface::Bars(int orientation) const {
    std::vector<BarSpan> out;
    for (const RecordedLine& l : Lines()) {
        const int w = l.width, h = w / 2;
        BarSpan s{};
        switch (((orientation % 4) + 4) % 4) {
        case 0:
            s = {l.from.x - h, l.from.x - h + w, l.from.y, l.to.y, true};
            break;
        case 1:
            s = {l.from.y + h - w, l.from.y + h, l.from.x, l.to.x, false};
            break;
        case 2:
            s = {l.from.x + h - w, l.from.x + h, l.to.y, l.from.y, true};
            break;
        default:
            s = {l.from.y - h, l.from.y - h + w, l.to.x, l.from.x, false};
            break;
        }
        out.push_back(s);
    }
    return out;
}

std::string RecordingSurface::Dump() const {
    std::ostringstream os;
    for (const auto& c : calls) {
        if (auto* l = std::get_if<RecordedLine>(&c))
            os << "line (" << l->from.x << ',' << l->from.y << ")-(" << l->to.x << ',' << l->to.y
               << ") w" << l->width << '\n';
        else if (auto* f = std::get_if<RecordedSelectFont>(&c))
            os << "font \"" << f->font.faceName << "\" h" << f->font.height << " wt"
               << f->font.weight << " esc" << f->font.escapement << '\n';
        else if (std::get_if<RecordedRestoreFont>(&c))
            os << "restore font\n";
        else if (auto* e = std::get_if<RecordedExtent>(&c))
            os << "measure \"" << e->text << "\" = " << e->size.cx << 'x' << e->size.cy << '\n';
        else if (auto* t = std::get_if<RecordedText>(&c))
            os << "text (" << t->at.x << ',' << t->at.y << ") \"" << t->text << "\"\n";
    }
    return os.str();
}

GreyImage RasterizeBars(const RecordingSurface& surface, int milsPerPixel, int quietZone) {
    // Rectangles in mils: [x0, x1) × [y0, y1), whichever way the bar runs.
    struct Rect {
        int x0, y0, x1, y1;
    };
    std::vector<Rect> rects;
    for (const RecordedLine& l : surface.Lines()) {
        const int w = l.width, h = w / 2;
        if (l.from.x == l.to.x) { // vertical line, the pen spreads along x
            const bool down = l.to.y > l.from.y;
            const int x0 = down ? l.from.x - h : l.from.x + h - w;
            rects.push_back({x0, std::min(l.from.y, l.to.y), x0 + w, std::max(l.from.y, l.to.y)});
        } else {
            const bool right = l.to.x > l.from.x;
            const int y0 = right ? l.from.y + h - w : l.from.y - h;
            rects.push_back({std::min(l.from.x, l.to.x), y0, std::max(l.from.x, l.to.x), y0 + w});
        }
    }
    GreyImage img;
    if (rects.empty()) return img;
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    for (const Rect& r : rects) {
        minX = std::min(minX, r.x0);
        minY = std::min(minY, r.y0);
        maxX = std::max(maxX, r.x1);
        maxY = std::max(maxY, r.y1);
    }
    const int q = quietZone;
    img.width = (maxX - minX) / milsPerPixel + 2 * q + 1;
    img.height = (maxY - minY) / milsPerPixel + 2 * q + 1;
    img.pixels.assign(static_cast<size_t>(img.width) * img.height, 255);
    for (const Rect& r : rects) {
        const int px0 = (r.x0 - minX) / milsPerPixel + q, px1 = (r.x1 - minX) / milsPerPixel + q;
        const int py0 = (r.y0 - minY) / milsPerPixel + q, py1 = (r.y1 - minY) / milsPerPixel + q;
        for (int y = py0; y < py1; ++y)
            for (int x = px0; x < px1; ++x)
                img.pixels[static_cast<size_t>(y) * img.width + x] = 0;
    }
    return img;
}
