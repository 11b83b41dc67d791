#include "render/unicode_text.h"

#include "common/shared_library.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace {

// FreeType and fontconfig, loaded when a label's line is first drawn: a symbol alone never
// needs this table.
struct TextLibraries {
    decltype(&::FT_Init_FreeType) Init_FreeType = nullptr;
    decltype(&::FT_Done_FreeType) Done_FreeType = nullptr;
    decltype(&::FT_New_Face) New_Face = nullptr;
    decltype(&::FT_Set_Pixel_Sizes) Set_Pixel_Sizes = nullptr;
    decltype(&::FT_Get_Char_Index) Get_Char_Index = nullptr;
    decltype(&::FT_Load_Glyph) Load_Glyph = nullptr;
    decltype(&::FT_Render_Glyph) Render_Glyph = nullptr;
    decltype(&::FT_GlyphSlot_Embolden) GlyphSlot_Embolden = nullptr;
    decltype(&::FT_GlyphSlot_Oblique) GlyphSlot_Oblique = nullptr;
    decltype(&::FT_Select_Charmap) Select_Charmap = nullptr;
};

bool TakeFreeType(CSharedLibrary& so, TextLibraries& f) {
    return so.Take(f.Init_FreeType, "FT_Init_FreeType") &&
           so.Take(f.Done_FreeType, "FT_Done_FreeType") && so.Take(f.New_Face, "FT_New_Face") &&
           so.Take(f.Set_Pixel_Sizes, "FT_Set_Pixel_Sizes") &&
           so.Take(f.Get_Char_Index, "FT_Get_Char_Index") &&
           so.Take(f.Load_Glyph, "FT_Load_Glyph") && so.Take(f.Render_Glyph, "FT_Render_Glyph") &&
           so.Take(f.GlyphSlot_Embolden, "FT_GlyphSlot_Embolden") &&
           so.Take(f.GlyphSlot_Oblique, "FT_GlyphSlot_Oblique") &&
           so.Take(f.Select_Charmap, "FT_Select_Charmap");
}

struct MatchLibrary {
    decltype(&::FcInitLoadConfigAndFonts) InitLoadConfigAndFonts = nullptr;
    decltype(&::FcConfigDestroy) ConfigDestroy = nullptr;
    decltype(&::FcConfigSubstitute) ConfigSubstitute = nullptr;
    decltype(&::FcDefaultSubstitute) DefaultSubstitute = nullptr;
    decltype(&::FcFontSort) FontSort = nullptr;
    decltype(&::FcFontSetDestroy) FontSetDestroy = nullptr;
    decltype(&::FcPatternCreate) PatternCreate = nullptr;
    decltype(&::FcPatternDestroy) PatternDestroy = nullptr;
    decltype(&::FcPatternAddString) PatternAddString = nullptr;
    decltype(&::FcPatternAddInteger) PatternAddInteger = nullptr;
    decltype(&::FcPatternAddBool) PatternAddBool = nullptr;
    decltype(&::FcPatternGetString) PatternGetString = nullptr;
    decltype(&::FcPatternGetInteger) PatternGetInteger = nullptr;
    decltype(&::FcPatternGetCharSet) PatternGetCharSet = nullptr;
    decltype(&::FcCharSetHasChar) CharSetHasChar = nullptr;
};

bool TakeFontconfig(CSharedLibrary& so, MatchLibrary& f) {
    return so.Take(f.InitLoadConfigAndFonts, "FcInitLoadConfigAndFonts") &&
           so.Take(f.ConfigDestroy, "FcConfigDestroy") &&
           so.Take(f.ConfigSubstitute, "FcConfigSubstitute") &&
           so.Take(f.DefaultSubstitute, "FcDefaultSubstitute") &&
           so.Take(f.FontSort, "FcFontSort") && so.Take(f.FontSetDestroy, "FcFontSetDestroy") &&
           so.Take(f.PatternCreate, "FcPatternCreate") &&
           so.Take(f.PatternDestroy, "FcPatternDestroy") &&
           so.Take(f.PatternAddString, "FcPatternAddString") &&
           so.Take(f.PatternAddInteger, "FcPatternAddInteger") &&
           so.Take(f.PatternAddBool, "FcPatternAddBool") &&
           so.Take(f.PatternGetString, "FcPatternGetString") &&
           so.Take(f.PatternGetInteger, "FcPatternGetInteger") &&
           so.Take(f.PatternGetCharSet, "FcPatternGetCharSet") &&
           so.Take(f.CharSetHasChar, "FcCharSetHasChar");
}

const TextLibraries* FreeType() {
    return LoadLibraryOnce("libfreetype.so.6", TakeFreeType).Get();
}

const MatchLibrary* Fontconfig() {
    return LoadLibraryOnce("libfontconfig.so.1", TakeFontconfig).Get();
}

// One face fontconfig offers for a request, in its order of preference.
struct Candidate {
    std::string path;
    int index = 0;
    bool synthBold = false, synthItalic = false;
    FcCharSet* charset = nullptr; // held by the request's font set
    FT_Face face = nullptr;
    bool failed = false;
};

// A request's faces, the family's own first, and which of them draws each character.
struct FontChoice {
    std::vector<Candidate> candidates;
    std::unordered_map<char32_t, int> drawnBy; // -1: no face has it
};

} // namespace

struct CUnicodeText::Impl {
    ~Impl();
    FontChoice* Choose(const std::string& family, bool bold, bool italic);
    int FaceFor(char32_t c);
    FT_Face Opened(Candidate& candidate);
    // Loads the glyph of `c` into its face's slot at the chosen size, thickened or slanted
    // where the face is not what was asked for; null when there is nothing to draw.
    FT_GlyphSlot Load(char32_t c, bool render);

    const TextLibraries* ft = FreeType();
    const MatchLibrary* fc = Fontconfig();
    FT_Library library = nullptr;
    FcConfig* config = nullptr;
    // The face sets of each request, with their charsets held by the font set.
    std::map<std::tuple<std::string, bool, bool>, FontChoice> choices;
    std::vector<FcFontSet*> sets;
    FontChoice* current = nullptr;
    int pixelSize = 12;
    std::int64_t ascent = 0, descent = 0;
};

CUnicodeText::Impl::~Impl() {
    for (FcFontSet* set : sets)
        fc->FontSetDestroy(set);
    if (config) fc->ConfigDestroy(config);
    if (library) ft->Done_FreeType(library);
}

FontChoice* CUnicodeText::Impl::Choose(const std::string& family, bool bold, bool italic) {
    const auto key = std::make_tuple(family, bold, italic);
    if (const auto it = choices.find(key); it != choices.end()) return &it->second;
    if (!config) config = fc->InitLoadConfigAndFonts();
    FcPattern* pattern = config ? fc->PatternCreate() : nullptr;
    if (!pattern) return nullptr;
    fc->PatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    fc->PatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    fc->PatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    fc->PatternAddBool(pattern, FC_SCALABLE, FcTrue);
    fc->ConfigSubstitute(config, pattern, FcMatchPattern);
    fc->DefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* set = fc->FontSort(config, pattern, FcTrue, nullptr, &result);
    fc->PatternDestroy(pattern);
    FontChoice choice;
    if (set) {
        sets.push_back(set);
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* file = nullptr;
            int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
            if (fc->PatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
            fc->PatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
            fc->PatternGetInteger(set->fonts[i], FC_WEIGHT, 0, &weight);
            fc->PatternGetInteger(set->fonts[i], FC_SLANT, 0, &slant);
            FcCharSet* charset = nullptr;
            fc->PatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &charset);
            choice.candidates.push_back({reinterpret_cast<const char*>(file), index,
                                         bold && weight < FC_WEIGHT_DEMIBOLD,
                                         italic && slant == FC_SLANT_ROMAN, charset});
        }
    }
    return &choices.emplace(key, std::move(choice)).first->second;
}

FT_Face CUnicodeText::Impl::Opened(Candidate& c) {
    if (c.face || c.failed) return c.face;
    c.failed = true;
    if (!library && ft->Init_FreeType(&library) != 0) library = nullptr;
    if (!library || ft->New_Face(library, c.path.c_str(), c.index, &c.face) != 0) {
        c.face = nullptr;
        return nullptr;
    }
    ft->Select_Charmap(c.face, FT_ENCODING_UNICODE);
    c.failed = false;
    return c.face;
}

int CUnicodeText::Impl::FaceFor(char32_t c) {
    if (const auto it = current->drawnBy.find(c); it != current->drawnBy.end()) return it->second;
    int found = -1;
    // The charsets tell which faces have the character without opening each of them.
    for (std::size_t i = 0; i < current->candidates.size() && found < 0; ++i) {
        Candidate& candidate = current->candidates[i];
        if (candidate.charset && !fc->CharSetHasChar(candidate.charset, c)) continue;
        FT_Face face = Opened(candidate);
        if (face && ft->Get_Char_Index(face, c) != 0) found = static_cast<int>(i);
    }
    // A character no face has is drawn as the family's own missing-glyph box.
    if (found < 0 && !current->candidates.empty() && Opened(current->candidates.front())) found = 0;
    current->drawnBy.emplace(c, found);
    return found;
}

FT_GlyphSlot CUnicodeText::Impl::Load(char32_t c, bool render) {
    const int at = FaceFor(c);
    if (at < 0) return nullptr;
    Candidate& candidate = current->candidates[static_cast<std::size_t>(at)];
    FT_Face face = candidate.face;
    if (ft->Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0) return nullptr;
    if (ft->Load_Glyph(face, ft->Get_Char_Index(face, c),
                       FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0)
        return nullptr;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
    if (candidate.synthBold) ft->GlyphSlot_Embolden(slot);
    if (candidate.synthItalic) ft->GlyphSlot_Oblique(slot);
    if (render && ft->Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return nullptr;
    return slot;
}

CUnicodeText::CUnicodeText() : m(std::make_unique<Impl>()) {}
CUnicodeText::~CUnicodeText() = default;

bool CUnicodeText::Select(const std::string& family, bool bold, bool italic, int pixelSize) {
    m->current = nullptr;
    if (!m->ft || !m->fc) return false;
    FontChoice* choice = m->Choose(family, bold, italic);
    if (!choice || choice->candidates.empty()) return false;
    m->current = choice;
    m->pixelSize = std::clamp(pixelSize, 1, 65535);
    FT_Face face = m->Opened(choice->candidates.front());
    if (!face || m->ft->Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(m->pixelSize)) != 0) {
        m->current = nullptr;
        return false;
    }
    m->ascent = face->size->metrics.ascender;
    m->descent = -face->size->metrics.descender;
    return true;
}

std::int64_t CUnicodeText::Ascent() const {
    return m->current ? m->ascent : 0;
}

std::int64_t CUnicodeText::Descent() const {
    return m->current ? m->descent : 0;
}

std::int64_t CUnicodeText::Width(std::u32string_view text) {
    if (!m->current) return 0;
    std::int64_t pen = 0;
    for (const char32_t c : text)
        if (const FT_GlyphSlot slot = m->Load(c, false)) pen += slot->advance.x;
    return pen;
}

std::int64_t CUnicodeText::Advance(char32_t c) {
    if (!m->current) return 0;
    const FT_GlyphSlot slot = m->Load(c, false);
    return slot ? slot->advance.x : 0;
}

std::optional<CUnicodeFace> CUnicodeText::FaceOf(char32_t c) {
    if (!m->current) return std::nullopt;
    const int at = m->FaceFor(c);
    if (at < 0) return std::nullopt;
    const Candidate& candidate = m->current->candidates[static_cast<std::size_t>(at)];
    return CUnicodeFace{{candidate.path, candidate.index, candidate.synthBold},
                        candidate.synthItalic};
}

bool CUnicodeText::InkBox(std::u32string_view text, CPixelRect& box) {
    if (!m->current) return false;
    bool any = false;
    std::int64_t pen = 0;
    for (const char32_t c : text) {
        const FT_GlyphSlot slot = m->Load(c, true);
        if (!slot) continue;
        const FT_Bitmap& b = slot->bitmap;
        if (b.width > 0 && b.rows > 0) {
            const std::int64_t x0 = (pen + 32) / 64 + slot->bitmap_left, y0 = -slot->bitmap_top;
            const CPixelRect g{x0, y0, x0 + b.width, y0 + b.rows};
            box = any ? CPixelRect{std::min(box.x0, g.x0), std::min(box.y0, g.y0),
                                   std::max(box.x1, g.x1), std::max(box.y1, g.y1)}
                      : g;
            any = true;
        }
        pen += slot->advance.x;
    }
    return any;
}

void CUnicodeText::Draw(std::u32string_view text, std::int64_t x, std::int64_t y,
                        const CPixelRect& clip, CPixelRunSink& sink) {
    if (!m->current) return;
    std::int64_t pen = 0;
    for (const char32_t c : text) {
        const FT_GlyphSlot slot = m->Load(c, true);
        if (!slot) continue;
        const FT_Bitmap& b = slot->bitmap;
        const std::int64_t gx = x + (pen + 32) / 64 + slot->bitmap_left;
        const std::int64_t gy = y - slot->bitmap_top;
        for (unsigned r = 0; r < b.rows; ++r) {
            const std::int64_t row = gy + r;
            if (row < clip.y0 || row >= clip.y1) continue;
            const unsigned char* bits = b.buffer + static_cast<std::ptrdiff_t>(r) * b.pitch;
            for (unsigned col = 0; col < b.width;) {
                if (!((bits[col >> 3] >> (7 - (col & 7))) & 1)) {
                    ++col;
                    continue;
                }
                unsigned end = col + 1;
                while (end < b.width && ((bits[end >> 3] >> (7 - (end & 7))) & 1))
                    ++end;
                const std::int64_t x0 = std::max(gx + col, clip.x0);
                const std::int64_t x1 = std::min<std::int64_t>(gx + end, clip.x1);
                if (x0 < x1) sink.Run(row, x0, x1);
                col = end;
            }
        }
        pen += slot->advance.x;
    }
}
