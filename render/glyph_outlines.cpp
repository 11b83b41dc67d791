#include "render/glyph_outlines.h"

#include "common/shared_library.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

void CPath::MoveTo(Point p) {
    ops.push_back('M');
    points.push_back(p);
}

void CPath::LineTo(Point p) {
    ops.push_back('L');
    points.push_back(p);
}

void CPath::CurveTo(Point c1, Point c2, Point p) {
    ops.push_back('C');
    points.insert(points.end(), {c1, c2, p});
}

void CPath::Rectangle(double x0, double y0, double x1, double y1) {
    MoveTo({x0, y0});
    LineTo({x1, y0});
    LineTo({x1, y1});
    LineTo({x0, y1});
}

namespace {

// FreeType, loaded for the first glyph outline: a picture without text never needs it.
struct OutlineLibrary {
    decltype(&::FT_Init_FreeType) Init_FreeType = nullptr;
    decltype(&::FT_Done_FreeType) Done_FreeType = nullptr;
    decltype(&::FT_New_Face) New_Face = nullptr;
    decltype(&::FT_Done_Face) Done_Face = nullptr;
    decltype(&::FT_Set_Char_Size) Set_Char_Size = nullptr;
    decltype(&::FT_Get_Char_Index) Get_Char_Index = nullptr;
    decltype(&::FT_Load_Glyph) Load_Glyph = nullptr;
    decltype(&::FT_Outline_Decompose) Outline_Decompose = nullptr;
    decltype(&::FT_Outline_Embolden) Outline_Embolden = nullptr;
    decltype(&::FT_Select_Charmap) Select_Charmap = nullptr;
};

bool TakeOutlines(CSharedLibrary& so, OutlineLibrary& f) {
    return so.Take(f.Init_FreeType, "FT_Init_FreeType") &&
           so.Take(f.Done_FreeType, "FT_Done_FreeType") && so.Take(f.New_Face, "FT_New_Face") &&
           so.Take(f.Done_Face, "FT_Done_Face") && so.Take(f.Set_Char_Size, "FT_Set_Char_Size") &&
           so.Take(f.Get_Char_Index, "FT_Get_Char_Index") &&
           so.Take(f.Load_Glyph, "FT_Load_Glyph") &&
           so.Take(f.Outline_Decompose, "FT_Outline_Decompose") &&
           so.Take(f.Outline_Embolden, "FT_Outline_Embolden") &&
           so.Take(f.Select_Charmap, "FT_Select_Charmap");
}

const OutlineLibrary* FreeType() {
    return LoadLibraryOnce("libfreetype.so.6", TakeOutlines).Get();
}

// How far an italic glyph leans: the x it moves per unit of height above the baseline.
constexpr double kItalicSlant = 0.2;

// Takes a decomposed outline onto the page: FreeType's points (1/64 unit, y up) through the
// slant and the placement, conic segments as the cubic curves they equal.
struct OutlineSink {
    const CGlyphPlacement* at;
    double slant;
    CPath* path;
    CPath::Point last; // the current point in glyph units, for conic segments

    CPath::Point Glyph(const FT_Vector* v) const {
        const double x = static_cast<double>(v->x) / 64.0, y = -static_cast<double>(v->y) / 64.0;
        return {x - slant * y, y};
    }
    CPath::Point Page(CPath::Point g) const {
        return {at->originX + at->xx * g.x + at->xy * g.y,
                at->originY + at->yx * g.x + at->yy * g.y};
    }
    static OutlineSink& Of(void* user) { return *static_cast<OutlineSink*>(user); }

    static int Move(const FT_Vector* to, void* user) {
        OutlineSink& s = Of(user);
        s.last = s.Glyph(to);
        s.path->MoveTo(s.Page(s.last));
        return 0;
    }
    static int Line(const FT_Vector* to, void* user) {
        OutlineSink& s = Of(user);
        s.last = s.Glyph(to);
        s.path->LineTo(s.Page(s.last));
        return 0;
    }
    static int Conic(const FT_Vector* control, const FT_Vector* to, void* user) {
        OutlineSink& s = Of(user);
        const CPath::Point c = s.Glyph(control), p = s.Glyph(to), a = s.last;
        const CPath::Point c1{a.x + 2.0 / 3.0 * (c.x - a.x), a.y + 2.0 / 3.0 * (c.y - a.y)};
        const CPath::Point c2{p.x + 2.0 / 3.0 * (c.x - p.x), p.y + 2.0 / 3.0 * (c.y - p.y)};
        s.path->CurveTo(s.Page(c1), s.Page(c2), s.Page(p));
        s.last = p;
        return 0;
    }
    static int Cubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        OutlineSink& s = Of(user);
        s.last = s.Glyph(to);
        s.path->CurveTo(s.Page(s.Glyph(c1)), s.Page(s.Glyph(c2)), s.Page(s.last));
        return 0;
    }
};

} // namespace

struct CGlyphOutlines::Impl {
    CFontLocator& fonts;
    const OutlineLibrary* ft = nullptr;
    FT_Library library = nullptr;
    std::map<std::pair<std::string, int>, FT_Face> faces; // by file and index
    FT_Face face = nullptr;                               // the one selected
    bool embolden = false, italic = false;
    double em = 0;

    explicit Impl(CFontLocator& locator) : fonts(locator) {}
    ~Impl() {
        for (auto& [key, f] : faces)
            if (f) ft->Done_Face(f);
        if (library) ft->Done_FreeType(library);
    }
    FT_Face Open(const CFontFile& file);
    // Loads the character's outline at the selected size; null without a glyph.
    FT_Outline* Load(char32_t c);
};

FT_Face CGlyphOutlines::Impl::Open(const CFontFile& file) {
    const auto key = std::make_pair(file.path, file.index);
    if (const auto it = faces.find(key); it != faces.end()) return it->second;
    FT_Face opened = nullptr;
    if (ft->New_Face(library, file.path.c_str(), file.index, &opened) != 0) opened = nullptr;
    if (opened) ft->Select_Charmap(opened, FT_ENCODING_UNICODE);
    // Only outline fonts can be drawn as paths.
    if (opened && !FT_IS_SCALABLE(opened)) {
        ft->Done_Face(opened);
        opened = nullptr;
    }
    faces.emplace(key, opened);
    return opened;
}

FT_Outline* CGlyphOutlines::Impl::Load(char32_t c) {
    if (!face) return nullptr;
    const FT_UInt index = ft->Get_Char_Index(face, c);
    if (index == 0) return nullptr;
    if (ft->Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return nullptr;
    FT_Outline* outline = &face->glyph->outline;
    // A family without a bold face: its regular glyphs thickened by a 24th of the em.
    if (embolden) ft->Outline_Embolden(outline, static_cast<FT_Pos>(em * 64.0 / 24.0));
    return outline;
}

CGlyphOutlines::CGlyphOutlines(CFontLocator& fonts) : m(std::make_unique<Impl>(fonts)) {}

CGlyphOutlines::~CGlyphOutlines() = default;

bool CGlyphOutlines::Select(const std::string& family, bool bold, bool italic, double em) {
    m->face = nullptr;
    if (!m->ft) {
        m->ft = FreeType();
        if (!m->ft || m->ft->Init_FreeType(&m->library) != 0) {
            m->ft = nullptr;
            return false;
        }
    }
    const std::optional<CFontFile> file = m->fonts.Find(family, bold);
    if (!file) return false;
    FT_Face face = m->Open(*file);
    if (!face) return false;
    m->em = std::clamp(em, 1.0, 1e5);
    // 72 dots per inch make one point one unit: the em is `em` units, in 1/64 unit steps.
    if (m->ft->Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(m->em * 64)), 72, 72) !=
        0)
        return false;
    m->face = face;
    m->embolden = file->embolden;
    m->italic = italic;
    return true;
}

bool CGlyphOutlines::Append(char32_t c, const CGlyphPlacement& at, CPath& path) {
    FT_Outline* outline = m->Load(c);
    if (!outline) return false;
    OutlineSink sink{&at, m->italic ? kItalicSlant : 0.0, &path, {}};
    FT_Outline_Funcs funcs{};
    funcs.move_to = &OutlineSink::Move;
    funcs.line_to = &OutlineSink::Line;
    funcs.conic_to = &OutlineSink::Conic;
    funcs.cubic_to = &OutlineSink::Cubic;
    return m->ft->Outline_Decompose(outline, &funcs, &sink) == 0;
}

double CGlyphOutlines::Advance(char32_t c) {
    if (!m->Load(c)) return 0;
    return static_cast<double>(m->face->glyph->advance.x) / 64.0;
}
