#include "render/text_raster.h"

#include "render/glyph_store.h"

#include "common/shared_library.h"

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

#include <dlfcn.h>

namespace {

// Glyphs up to this many bytes of bitmap are kept once rendered; larger ones (huge type at a
// high resolution) are rendered again each time, and only where visible, in bands of this size.
constexpr std::size_t kBandBytes = kKeptGlyphMaxBytes;
// What all kept glyphs of one raster may take together.
constexpr std::size_t kKeptGlyphBytes = 16 * 1024 * 1024;

// The fsSelection bit that asks for the typographic ascender and descender.
constexpr FT_UShort kUseTypoMetrics = 1 << 7;

// The Latin-1 control characters (C0, DEL and C1) have no glyph: they take no room and leave no
// ink, as in the window's own text, instead of each showing the font's missing-glyph box.
constexpr bool IsControl(unsigned char c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

using Glyph = CGlyphBitmap;

// FreeType, loaded for the first face or glyph that the glyph store does not hold: a start that
// draws only glyphs drawn before never needs it.
struct FreeTypeLibrary {
    decltype(&::FT_Activate_Size) Activate_Size = nullptr;
    decltype(&::FT_Bitmap_Init) Bitmap_Init = nullptr;
    decltype(&::FT_Done_FreeType) Done_FreeType = nullptr;
    decltype(&::FT_Done_Size) Done_Size = nullptr;
    decltype(&::FT_Get_Char_Index) Get_Char_Index = nullptr;
    decltype(&::FT_Get_Kerning) Get_Kerning = nullptr;
    decltype(&::FT_Get_Sfnt_Table) Get_Sfnt_Table = nullptr;
    decltype(&::FT_GlyphSlot_Embolden) GlyphSlot_Embolden = nullptr;
    decltype(&::FT_Init_FreeType) Init_FreeType = nullptr;
    decltype(&::FT_Load_Glyph) Load_Glyph = nullptr;
    decltype(&::FT_New_Face) New_Face = nullptr;
    decltype(&::FT_New_Size) New_Size = nullptr;
    decltype(&::FT_Outline_Get_Bitmap) Outline_Get_Bitmap = nullptr;
    decltype(&::FT_Outline_Get_CBox) Outline_Get_CBox = nullptr;
    decltype(&::FT_Outline_Translate) Outline_Translate = nullptr;
    decltype(&::FT_Select_Charmap) Select_Charmap = nullptr;
    decltype(&::FT_Set_Charmap) Set_Charmap = nullptr;
    decltype(&::FT_Set_Pixel_Sizes) Set_Pixel_Sizes = nullptr;
    std::string path; // the library's file, which the glyph store names
};

bool TakeFreeType(CSharedLibrary& so, FreeTypeLibrary& f) {
    if (!(so.Take(f.Activate_Size, "FT_Activate_Size") &&
          so.Take(f.Bitmap_Init, "FT_Bitmap_Init") &&
          so.Take(f.Done_FreeType, "FT_Done_FreeType") && so.Take(f.Done_Size, "FT_Done_Size") &&
          so.Take(f.Get_Char_Index, "FT_Get_Char_Index") &&
          so.Take(f.Get_Kerning, "FT_Get_Kerning") &&
          so.Take(f.Get_Sfnt_Table, "FT_Get_Sfnt_Table") &&
          so.Take(f.GlyphSlot_Embolden, "FT_GlyphSlot_Embolden") &&
          so.Take(f.Init_FreeType, "FT_Init_FreeType") && so.Take(f.Load_Glyph, "FT_Load_Glyph") &&
          so.Take(f.New_Face, "FT_New_Face") && so.Take(f.New_Size, "FT_New_Size") &&
          so.Take(f.Outline_Get_Bitmap, "FT_Outline_Get_Bitmap") &&
          so.Take(f.Outline_Get_CBox, "FT_Outline_Get_CBox") &&
          so.Take(f.Outline_Translate, "FT_Outline_Translate") &&
          so.Take(f.Select_Charmap, "FT_Select_Charmap") &&
          so.Take(f.Set_Charmap, "FT_Set_Charmap") &&
          so.Take(f.Set_Pixel_Sizes, "FT_Set_Pixel_Sizes")))
        return false;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(f.Init_FreeType), &info) != 0 && info.dli_fname)
        f.path = info.dli_fname;
    return true;
}

const FreeTypeLibrary* FreeType() {
    return LoadLibraryOnce("libfreetype.so.6", TakeFreeType).Get();
}

struct SizedFont {
    CFontFile file;
    int pixelSize = 0;
    CFaceFacts facts;
    // The face at this size, opened for the first thing the facts do not hold yet.
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    bool opened = false, openFailed = false;
    std::array<FT_UInt, 256> index{};
    bool learned = false; // the facts hold something their store does not
};

std::int64_t Scaled(FT_Long units, int pixelSize, FT_UShort unitsPerEm) {
    return std::llround(static_cast<double>(units) * pixelSize * 64.0 / unitsPerEm);
}

// The line's ascent and descent in 1/64 pixel: the OS/2 table's typographic values where the
// font asks for them, its Windows values otherwise, the horizontal header's where it has no
// OS/2 table.
std::pair<std::int64_t, std::int64_t> LineMetrics(const FreeTypeLibrary& ft, FT_Face face,
                                                  int pixelSize) {
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0)
        return {face->size->metrics.ascender, -face->size->metrics.descender};
    const FT_UShort em = face->units_per_EM;
    if (const auto* os2 = static_cast<const TT_OS2*>(ft.Get_Sfnt_Table(face, FT_SFNT_OS2));
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
        // What was learned is kept for the next start.
        if (ft)
            for (const auto& [key, font] : fonts)
                if (font && font->learned && font->opened)
                    WriteGlyphStore(GlyphStoreFile(locator.Folder(), font->file, font->pixelSize),
                                    font->file, font->pixelSize, ft->path, font->facts);
        // Sizes go with their faces, faces with the library.
        if (library) ft->Done_FreeType(library);
    }

    FT_Face Face(const CFontFile& file);
    SizedFont* Open(const std::string& family, bool bold, int pixelSize);
    // Opens the font's face at its size for something its facts do not hold; when the face
    // was found from the store, what is computed now must agree with the store, and does, as
    // the store is used only for the same font file and library. False when it cannot be had.
    bool Opened(SizedFont& f);
    // Loads the current font's glyph for `c` into the face's slot, emboldened where asked;
    // false when there is no outline to draw.
    bool Load(unsigned char c);
    // The loaded outline's box on the pixel grid; not an outline when it covers no pixel.
    Glyph Box() const;
    // Renders the loaded outline's bitmap rows [r0, r1) and columns [c0, c1) of `box` into
    // `bits` (rows of (c1 - c0 + 7) / 8 bytes).
    void Render(const Glyph& box, int r0, int r1, int c0, int c1, std::vector<std::uint8_t>& bits);

    CFontLocator& locator;
    const FreeTypeLibrary* ft = nullptr;
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
    if (ft->New_Face(library, file.path.c_str(), file.index, &face) != 0) face = nullptr;
    // Engine text is Latin-1, whose bytes are their own Unicode code points.
    if (face && ft->Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0)
        ft->Set_Charmap(face, face->charmaps[0]);
    faces.emplace(key, face);
    return face;
}

bool CTextRaster::Impl::Opened(SizedFont& f) {
    if (f.opened || f.openFailed) return f.opened;
    f.openFailed = true;
    if (!library && !libraryFailed) {
        ft = FreeType();
        libraryFailed = !ft || ft->Init_FreeType(&library) != 0;
    }
    if (!library) return false;
    FT_Face face = Face(f.file);
    FT_Size size = nullptr;
    if (!face || ft->New_Size(face, &size) != 0) return false;
    if (ft->Activate_Size(size) != 0 ||
        ft->Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(f.pixelSize)) != 0) {
        ft->Done_Size(size);
        return false;
    }
    f.face = face;
    f.size = size;
    f.opened = true;
    f.openFailed = false;
    for (int c = 0; c < 256; ++c)
        f.index[static_cast<std::size_t>(c)] = ft->Get_Char_Index(face, static_cast<FT_ULong>(c));
    return true;
}

SizedFont* CTextRaster::Impl::Open(const std::string& family, bool bold, int pixelSize) {
    const auto key = std::make_tuple(family, bold, pixelSize);
    if (const auto it = fonts.find(key); it != fonts.end()) return it->second.get();
    std::unique_ptr<SizedFont> font;
    if (const std::optional<CFontFile> file = locator.Find(family, bold)) {
        font = std::make_unique<SizedFont>();
        font->file = *file;
        font->pixelSize = pixelSize;
        if (std::optional<CFaceFacts> stored = ReadGlyphStore(
                GlyphStoreFile(locator.Folder(), *file, pixelSize), *file, pixelSize)) {
            font->facts = std::move(*stored);
            for (const auto& g : font->facts.glyphs)
                if (g) keptBytes += g->bits.size();
        } else if (Opened(*font)) {
            FT_Face face = font->face;
            CFaceFacts& facts = font->facts;
            std::tie(facts.ascent, facts.descent) = LineMetrics(*ft, face, pixelSize);
            facts.kerns = FT_HAS_KERNING(face);
            // The face's box at this size, widened for hinting and for thickening.
            const double scale = FT_IS_SCALABLE(face) && face->units_per_EM != 0
                                     ? static_cast<double>(pixelSize) / face->units_per_EM
                                     : 0.0;
            const std::int64_t margin = 2 + pixelSize / 8;
            facts.reach = {static_cast<std::int64_t>(std::floor(face->bbox.xMin * scale)) - margin,
                           static_cast<std::int64_t>(std::floor(-face->bbox.yMax * scale)) - margin,
                           static_cast<std::int64_t>(std::ceil(face->bbox.xMax * scale)) + margin,
                           static_cast<std::int64_t>(std::ceil(-face->bbox.yMin * scale)) + margin};
            if (scale == 0.0) facts.reach = {-65536, -65536, 65536, 65536};
            font->learned = true;
        } else {
            font.reset();
        }
    }
    SizedFont* result = font.get();
    fonts.emplace(key, std::move(font));
    return result;
}

bool CTextRaster::Impl::Load(unsigned char c) {
    SizedFont& f = *current;
    if (IsControl(c) || !Opened(f) || ft->Activate_Size(f.size) != 0) return false;
    // Hinted for one-bit output, as aliased text is drawn on screen; outlines only, so that
    // every glyph can be clipped and drawn in bands.
    if (ft->Load_Glyph(f.face, f.index[c], FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0)
        return false;
    FT_GlyphSlot slot = f.face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    if (f.file.embolden) ft->GlyphSlot_Embolden(slot);
    return true;
}

Glyph CTextRaster::Impl::Box() const {
    FT_BBox box;
    ft->Outline_Get_CBox(&current->face->glyph->outline, &box);
    const std::int64_t left = FloorPixel(box.xMin), right = CeilPixel(box.xMax);
    const std::int64_t bottom = FloorPixel(box.yMin), top = CeilPixel(box.yMax);
    Glyph g;
    if (right > left && top > bottom && right - left < kMaxGlyphSide &&
        top - bottom < kMaxGlyphSide) {
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
    ft->Bitmap_Init(&target);
    target.rows = static_cast<unsigned>(rows);
    target.width = static_cast<unsigned>(width);
    target.pitch = pitch;
    target.buffer = bits.data();
    target.pixel_mode = FT_PIXEL_MODE_MONO;
    target.num_grays = 2;
    // The band's bottom-left corner onto the bitmap's origin (outline y grows upwards), and
    // back again: whole pixels, so both moves are exact.
    const FT_Pos dx = -(box.left + c0) * 64, dy = (box.top + r1) * 64;
    ft->Outline_Translate(&outline, dx, dy);
    ft->Outline_Get_Bitmap(library, &outline, &target);
    ft->Outline_Translate(&outline, -dx, -dy);
}

CTextRaster::CTextRaster(CFontLocator& locator) : m(std::make_unique<Impl>(locator)) {}

CTextRaster::~CTextRaster() = default;

bool CTextRaster::Select(const std::string& family, bool bold, int pixelSize) {
    m->current = m->Open(family, bold, std::clamp(pixelSize, 1, 65535));
    return m->current != nullptr;
}

bool CTextRaster::UsedFreeType() const {
    return m->ft != nullptr;
}

std::int64_t CTextRaster::Ascent() const {
    return m->current ? m->current->facts.ascent : 0;
}

std::int64_t CTextRaster::Descent() const {
    return m->current ? m->current->facts.descent : 0;
}

std::int64_t CTextRaster::Advance(unsigned char c) {
    SizedFont* f = m->current;
    if (!f) return 0;
    CFaceFacts& facts = f->facts;
    if (!facts.measured[c]) {
        std::int64_t advance = 0;
        if (!IsControl(c) && m->Opened(*f) && m->ft->Activate_Size(f->size) == 0 &&
            m->ft->Load_Glyph(f->face, f->index[c], FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0) {
            FT_GlyphSlot slot = f->face->glyph;
            // The advance as designed, not as hinted, to 1/64 pixel: text keeps its length
            // at every size instead of growing by each character's rounding.
            advance = slot->linearHoriAdvance >> 10;
            if (f->file.embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
                const FT_Pos before = slot->advance.x;
                m->ft->GlyphSlot_Embolden(slot);
                advance += slot->advance.x - before;
            }
        }
        facts.advance[c] = advance;
        facts.measured[c] = true;
        f->learned = true;
    }
    return facts.advance[c];
}

bool CTextRaster::InkBox(unsigned char c, CPixelRect& box) {
    SizedFont* f = m->current;
    if (!f) return false;
    CFaceFacts& facts = f->facts;
    if (!facts.boxed[c]) {
        // The drawn outline's box on the pixel grid, around the glyph's origin.
        Glyph g;
        if (m->Load(c)) g = m->Box();
        facts.inked[c] = g.outline;
        facts.ink[c] = {g.left, g.top, g.left + g.width, g.top + g.rows};
        facts.boxed[c] = true;
        f->learned = true;
    }
    box = facts.ink[c];
    return facts.inked[c];
}

std::int64_t CTextRaster::Kerning(unsigned char left, unsigned char right) {
    SizedFont* f = m->current;
    if (!f || IsControl(left) || IsControl(right) || !f->facts.kerns) return 0;
    const auto pair = static_cast<std::uint16_t>(left << 8 | right);
    if (const auto it = f->facts.kerning.find(pair); it != f->facts.kerning.end())
        return it->second;
    FT_Vector kerning{0, 0};
    // Unfitted: as exact as the advances, which are not rounded either.
    if (!m->Opened(*f) || m->ft->Activate_Size(f->size) != 0 ||
        m->ft->Get_Kerning(f->face, f->index[left], f->index[right], FT_KERNING_UNFITTED,
                           &kerning) != 0)
        kerning.x = 0;
    f->facts.kerning.emplace(pair, kerning.x);
    f->learned = true;
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
    const CPixelRect& reach = f->facts.reach;
    // A glyph far outside what is visible is not even loaded.
    if (x + reach.x1 <= clip.x0 || x + reach.x0 >= clip.x1 || y + reach.y1 <= clip.y0 ||
        y + reach.y0 >= clip.y1)
        return;
    std::unique_ptr<Glyph>& kept = f->facts.glyphs[c];
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
            f->learned = true;
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
