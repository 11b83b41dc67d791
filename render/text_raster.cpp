#include "render/text_raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// Glyphs up to this many bytes of bitmap are kept once rendered; larger ones (huge type at a
// high resolution) are rendered again each time, and only where visible, in bands of this size.
constexpr std::size_t kBandBytes = 64 * 1024;
// What all kept glyphs of one raster may take together.
constexpr std::size_t kKeptGlyphBytes = 16 * 1024 * 1024;

// The fsSelection bit that asks for the typographic ascender and descender.
constexpr FT_UShort kUseTypoMetrics = 1 << 7;

// The Latin-1 control characters (C0, DEL and C1) have no glyph: they take no room and leave no
// ink, as in the window's own text, instead of each showing the font's missing-glyph box.
constexpr bool IsControl(unsigned char c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

struct Glyph {
    bool outline = false; // false: nothing to draw (a space, or a glyph without an outline)
    // The bitmap's box relative to the origin, in pixels, y down: columns [left, left + width),
    // rows [top, top + rows).
    std::int64_t left = 0, top = 0;
    int width = 0, rows = 0;
    std::vector<std::uint8_t> bits; // kept glyphs: rows of (width + 7) / 8 bytes, top row first
};

struct SizedFont {
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    bool embolden = false;
    std::int64_t ascent = 0, descent = 0;
    // Pixels every glyph lies within around its origin, y down, from the face's bounding box.
    CPixelRect reach;
    std::array<FT_UInt, 256> index{};
    std::array<std::int64_t, 256> advance{};
    std::array<bool, 256> measured{};
    std::array<std::unique_ptr<Glyph>, 256> glyphs; // those worth keeping
    std::array<CPixelRect, 256> ink{};              // InkBox's answers, where boxed[c]
    std::array<bool, 256> boxed{};
    std::array<bool, 256> inked{};
};

std::int64_t Scaled(FT_Long units, int pixelSize, FT_UShort unitsPerEm) {
    return std::llround(static_cast<double>(units) * pixelSize * 64.0 / unitsPerEm);
}

// The line's ascent and descent in 1/64 pixel: the OS/2 table's typographic values where the
// font asks for them, its Windows values otherwise, the horizontal header's where it has no
// OS/2 table.
std::pair<std::int64_t, std::int64_t> LineMetrics(FT_Face face, int pixelSize) {
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0)
        return {face->size->metrics.ascender, -face->size->metrics.descender};
    const FT_UShort em = face->units_per_EM;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->version != 0xFFFF) {
        if ((os2->fsSelection & kUseTypoMetrics) &&
            (os2->sTypoAscender != 0 || os2->sTypoDescender != 0))
            return {Scaled(os2->sTypoAscender, pixelSize, em),
                    Scaled(-static_cast<FT_Long>(os2->sTypoDescender), pixelSize, em)};
        if (os2->usWinAscent != 0 || os2->usWinDescent != 0)
            return {Scaled(os2->usWinAscent, pixelSize, em),
                    Scaled(os2->usWinDescent, pixelSize, em)};
    }
    return {Scaled(face->ascender, pixelSize, em),
            Scaled(-static_cast<FT_Long>(face->descender), pixelSize, em)};
}

std::int64_t FloorPixel(FT_Pos v) {
    return v >= 0 ? v / 64 : -((-v + 63) / 64);
}

std::int64_t CeilPixel(FT_Pos v) {
    return -FloorPixel(-v);
}

// The runs of set bits of one bitmap row, columns [from, to), drawn at row y with column 0 at x.
void EmitRow(const std::uint8_t* row, int from, int to, std::int64_t x, std::int64_t y,
             CPixelRunSink& sink) {
    int c = from;
    while (c < to) {
        // Skip clear bits a byte at a time where possible.
        if ((c & 7) == 0 && c + 8 <= to && row[c >> 3] == 0) {
            c += 8;
            continue;
        }
        if (!((row[c >> 3] >> (7 - (c & 7))) & 1)) {
            ++c;
            continue;
        }
        int end = c + 1;
        while (end < to) {
            if ((end & 7) == 0 && end + 8 <= to && row[end >> 3] == 0xFF) {
                end += 8;
                continue;
            }
            if (!((row[end >> 3] >> (7 - (end & 7))) & 1)) break;
            ++end;
        }
        sink.Run(y, x + c, x + end);
        c = end;
    }
}

} // namespace

struct CTextRaster::Impl {
    explicit Impl(CFontLocator& l) : locator(l) {}
    ~Impl() {
        // Sizes go with their faces, faces with the library.
        if (library) FT_Done_FreeType(library);
    }

    FT_Face Face(const CFontFile& file);
    SizedFont* Open(const std::string& family, bool bold, int pixelSize);
    // Loads the current font's glyph for `c` into the face's slot, emboldened where asked;
    // false when there is no outline to draw.
    bool Load(unsigned char c);
    // The loaded outline's box on the pixel grid; not an outline when it covers no pixel.
    Glyph Box() const;
    // Renders the loaded outline's bitmap rows [r0, r1) and columns [c0, c1) of `box` into
    // `bits` (rows of (c1 - c0 + 7) / 8 bytes).
    void Render(const Glyph& box, int r0, int r1, int c0, int c1, std::vector<std::uint8_t>& bits);

    CFontLocator& locator;
    FT_Library library = nullptr;
    bool libraryFailed = false;
    std::map<std::pair<std::string, int>, FT_Face> faces; // null: could not be read
    std::map<std::tuple<std::string, bool, int>, std::unique_ptr<SizedFont>> fonts;
    SizedFont* current = nullptr;
    std::size_t keptBytes = 0;
    std::vector<std::uint8_t> band;
};

FT_Face CTextRaster::Impl::Face(const CFontFile& file) {
    const auto key = std::make_pair(file.path, file.index);
    if (const auto it = faces.find(key); it != faces.end()) return it->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) face = nullptr;
    // Engine text is Latin-1, whose bytes are their own Unicode code points.
    if (face && FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0)
        FT_Set_Charmap(face, face->charmaps[0]);
    faces.emplace(key, face);
    return face;
}

SizedFont* CTextRaster::Impl::Open(const std::string& family, bool bold, int pixelSize) {
    const auto key = std::make_tuple(family, bold, pixelSize);
    if (const auto it = fonts.find(key); it != fonts.end()) return it->second.get();
    std::unique_ptr<SizedFont> font;
    if (!library && !libraryFailed) libraryFailed = FT_Init_FreeType(&library) != 0;
    const std::optional<CFontFile> file = library ? locator.Find(family, bold) : std::nullopt;
    FT_Face face = file ? Face(*file) : nullptr;
    FT_Size size = nullptr;
    if (face && FT_New_Size(face, &size) == 0) {
        if (FT_Activate_Size(size) == 0 &&
            FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0) {
            font = std::make_unique<SizedFont>();
            font->face = face;
            font->size = size;
            font->embolden = file->embolden;
            std::tie(font->ascent, font->descent) = LineMetrics(face, pixelSize);
            // The face's box at this size, widened for hinting and for thickening.
            const double scale = FT_IS_SCALABLE(face) && face->units_per_EM != 0
                                     ? static_cast<double>(pixelSize) / face->units_per_EM
                                     : 0.0;
            const std::int64_t margin = 2 + pixelSize / 8;
            font->reach = {static_cast<std::int64_t>(std::floor(face->bbox.xMin * scale)) - margin,
                           static_cast<std::int64_t>(std::floor(-face->bbox.yMax * scale)) - margin,
                           static_cast<std::int64_t>(std::ceil(face->bbox.xMax * scale)) + margin,
                           static_cast<std::int64_t>(std::ceil(-face->bbox.yMin * scale)) + margin};
            if (scale == 0.0) font->reach = {-65536, -65536, 65536, 65536};
            for (int c = 0; c < 256; ++c)
                font->index[static_cast<std::size_t>(c)] =
                    FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
        } else {
            FT_Done_Size(size);
        }
    }
    SizedFont* result = font.get();
    fonts.emplace(key, std::move(font));
    return result;
}

bool CTextRaster::Impl::Load(unsigned char c) {
    SizedFont& f = *current;
    if (IsControl(c) || FT_Activate_Size(f.size) != 0) return false;
    // Hinted for one-bit output, as aliased text is drawn on screen; outlines only, so that
    // every glyph can be clipped and drawn in bands.
    if (FT_Load_Glyph(f.face, f.index[c], FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0)
        return false;
    FT_GlyphSlot slot = f.face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    if (f.embolden) FT_GlyphSlot_Embolden(slot);
    return true;
}

Glyph CTextRaster::Impl::Box() const {
    FT_BBox box;
    FT_Outline_Get_CBox(&current->face->glyph->outline, &box);
    const std::int64_t left = FloorPixel(box.xMin), right = CeilPixel(box.xMax);
    const std::int64_t bottom = FloorPixel(box.yMin), top = CeilPixel(box.yMax);
    Glyph g;
    // A glyph larger than any bitmap can be is no glyph of a real font.
    if (right > left && top > bottom && right - left < (1 << 24) && top - bottom < (1 << 24)) {
        g.outline = true;
        g.left = left;
        g.top = -top;
        g.width = static_cast<int>(right - left);
        g.rows = static_cast<int>(top - bottom);
    }
    return g;
}

void CTextRaster::Impl::Render(const Glyph& box, int r0, int r1, int c0, int c1,
                               std::vector<std::uint8_t>& bits) {
    FT_Outline& outline = current->face->glyph->outline;
    const int width = c1 - c0, rows = r1 - r0;
    const int pitch = (width + 7) / 8;
    bits.assign(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(rows), 0);
    FT_Bitmap target;
    FT_Bitmap_Init(&target);
    target.rows = static_cast<unsigned>(rows);
    target.width = static_cast<unsigned>(width);
    target.pitch = pitch;
    target.buffer = bits.data();
    target.pixel_mode = FT_PIXEL_MODE_MONO;
    target.num_grays = 2;
    // The band's bottom-left corner onto the bitmap's origin (outline y grows upwards), and
    // back again: whole pixels, so both moves are exact.
    const FT_Pos dx = -(box.left + c0) * 64, dy = (box.top + r1) * 64;
    FT_Outline_Translate(&outline, dx, dy);
    FT_Outline_Get_Bitmap(library, &outline, &target);
    FT_Outline_Translate(&outline, -dx, -dy);
}

CTextRaster::CTextRaster(CFontLocator& locator) : m(std::make_unique<Impl>(locator)) {}

CTextRaster::~CTextRaster() = default;

bool CTextRaster::Select(const std::string& family, bool bold, int pixelSize) {
    m->current = m->Open(family, bold, std::clamp(pixelSize, 1, 65535));
    return m->current != nullptr;
}

std::int64_t CTextRaster::Ascent() const {
    return m->current ? m->current->ascent : 0;
}

std::int64_t CTextRaster::Descent() const {
    return m->current ? m->current->descent : 0;
}

std::int64_t CTextRaster::Advance(unsigned char c) {
    SizedFont* f = m->current;
    if (!f) return 0;
    if (!f->measured[c]) {
        std::int64_t advance = 0;
        if (!IsControl(c) && FT_Activate_Size(f->size) == 0 &&
            FT_Load_Glyph(f->face, f->index[c], FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0) {
            FT_GlyphSlot slot = f->face->glyph;
            // The advance as designed, not as hinted, to 1/64 pixel: text keeps its length
            // at every size instead of growing by each character's rounding.
            advance = slot->linearHoriAdvance >> 10;
            if (f->embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
                const FT_Pos before = slot->advance.x;
                FT_GlyphSlot_Embolden(slot);
                advance += slot->advance.x - before;
            }
        }
        f->advance[c] = advance;
        f->measured[c] = true;
    }
    return f->advance[c];
}

bool CTextRaster::InkBox(unsigned char c, CPixelRect& box) {
    SizedFont* f = m->current;
    if (!f) return false;
    if (!f->boxed[c]) {
        // The drawn outline's box on the pixel grid, around the glyph's origin.
        Glyph g;
        if (m->Load(c)) g = m->Box();
        f->inked[c] = g.outline;
        f->ink[c] = {g.left, g.top, g.left + g.width, g.top + g.rows};
        f->boxed[c] = true;
    }
    box = f->ink[c];
    return f->inked[c];
}

std::int64_t CTextRaster::Kerning(unsigned char left, unsigned char right) {
    SizedFont* f = m->current;
    if (!f || IsControl(left) || IsControl(right) || !FT_HAS_KERNING(f->face) ||
        FT_Activate_Size(f->size) != 0)
        return 0;
    FT_Vector kerning{0, 0};
    // Unfitted: as exact as the advances, which are not rounded either.
    if (FT_Get_Kerning(f->face, f->index[left], f->index[right], FT_KERNING_UNFITTED, &kerning) !=
        0)
        return 0;
    return kerning.x;
}

std::int64_t CTextRaster::Width(std::string_view text) {
    std::int64_t width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (i > 0) width += Kerning(static_cast<unsigned char>(text[i - 1]), c);
        width += Advance(c);
    }
    return width;
}

void CTextRaster::Draw(unsigned char c, std::int64_t x, std::int64_t y, const CPixelRect& clip,
                       CPixelRunSink& sink) {
    SizedFont* f = m->current;
    if (!f) return;
    // A glyph far outside what is visible is not even loaded.
    if (x + f->reach.x1 <= clip.x0 || x + f->reach.x0 >= clip.x1 || y + f->reach.y1 <= clip.y0 ||
        y + f->reach.y0 >= clip.y1)
        return;
    std::unique_ptr<Glyph>& kept = f->glyphs[c];
    Glyph large; // a glyph too large to keep, its outline left loaded in the face's slot
    const Glyph* glyph = kept.get();
    if (!glyph) {
        Glyph fresh;
        if (m->Load(c)) fresh = m->Box();
        const std::size_t bytes =
            static_cast<std::size_t>((fresh.width + 7) / 8) * static_cast<std::size_t>(fresh.rows);
        if (!fresh.outline || (bytes <= kBandBytes && m->keptBytes + bytes <= kKeptGlyphBytes)) {
            if (fresh.outline) m->Render(fresh, 0, fresh.rows, 0, fresh.width, fresh.bits);
            m->keptBytes += bytes;
            kept = std::make_unique<Glyph>(std::move(fresh));
            glyph = kept.get();
        } else {
            large = std::move(fresh);
            glyph = &large;
        }
    }
    if (!glyph->outline) return;

    // What is visible of the glyph's box, in bitmap rows and columns.
    const std::int64_t gx = x + glyph->left, gy = y + glyph->top;
    const std::int64_t c0 = std::max<std::int64_t>(0, clip.x0 - gx);
    const std::int64_t c1 = std::min<std::int64_t>(glyph->width, clip.x1 - gx);
    const std::int64_t r0 = std::max<std::int64_t>(0, clip.y0 - gy);
    const std::int64_t r1 = std::min<std::int64_t>(glyph->rows, clip.y1 - gy);
    if (c0 >= c1 || r0 >= r1) return;

    if (glyph != &large) {
        const int pitch = (glyph->width + 7) / 8;
        for (std::int64_t r = r0; r < r1; ++r)
            EmitRow(glyph->bits.data() + r * pitch, static_cast<int>(c0), static_cast<int>(c1), gx,
                    gy + r, sink);
        return;
    }
    // Too large to keep: what is visible, a band of rows at a time.
    const int width = static_cast<int>(c1 - c0);
    const int bandRows = static_cast<int>(
        std::max<std::size_t>(1, kBandBytes / static_cast<std::size_t>((width + 7) / 8)));
    for (std::int64_t b0 = r0; b0 < r1; b0 += bandRows) {
        const std::int64_t b1 = std::min<std::int64_t>(r1, b0 + bandRows);
        m->Render(*glyph, static_cast<int>(b0), static_cast<int>(b1), static_cast<int>(c0),
                  static_cast<int>(c1), m->band);
        const int pitch = (width + 7) / 8;
        for (std::int64_t r = b0; r < b1; ++r)
            EmitRow(m->band.data() + (r - b0) * pitch, 0, width, gx + c0, gy + r, sink);
    }
}
