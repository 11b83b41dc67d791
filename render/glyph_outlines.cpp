#include "render/glyph_outlines.h"

#include "common/shared_library.h"
#include "render/outline_store.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <initializer_list>
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
    decltype(&::FT_Get_Char_Index) Get_Char_Index = nullptr;
    decltype(&::FT_Load_Glyph) Load_Glyph = nullptr;
    decltype(&::FT_Outline_Decompose) Outline_Decompose = nullptr;
    decltype(&::FT_Outline_Embolden) Outline_Embolden = nullptr;
    decltype(&::FT_Select_Charmap) Select_Charmap = nullptr;
};

bool TakeOutlines(CSharedLibrary& so, OutlineLibrary& f) {
    return so.Take(f.Init_FreeType, "FT_Init_FreeType") &&
           so.Take(f.Done_FreeType, "FT_Done_FreeType") && so.Take(f.New_Face, "FT_New_Face") &&
           so.Take(f.Done_Face, "FT_Done_Face") && so.Take(f.Get_Char_Index, "FT_Get_Char_Index") &&
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

// Records a decomposed outline as the store keeps it: font units, y up, conic segments as 'Q'.
struct RecordingSink {
    CStoredOutline* glyph;
    void Add(char op, std::initializer_list<const FT_Vector*> points) {
        glyph->ops.push_back(op);
        for (const FT_Vector* v : points) {
            glyph->coords.push_back(static_cast<std::int32_t>(v->x));
            glyph->coords.push_back(static_cast<std::int32_t>(v->y));
        }
    }
    static RecordingSink& Of(void* user) { return *static_cast<RecordingSink*>(user); }
    static int Move(const FT_Vector* to, void* user) {
        Of(user).Add('M', {to});
        return 0;
    }
    static int Line(const FT_Vector* to, void* user) {
        Of(user).Add('L', {to});
        return 0;
    }
    static int Conic(const FT_Vector* control, const FT_Vector* to, void* user) {
        Of(user).Add('Q', {control, to});
        return 0;
    }
    static int Cubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        Of(user).Add('C', {c1, c2, to});
        return 0;
    }
};

// A face's outlines, from the store or learned from the font file.
struct FaceOutlines {
    CFontFile file;
    COutlineSet set;
    bool dirty = false;     // learned glyphs the store does not hold yet
    FT_Face face = nullptr; // opened for the first glyph the store does not hold
    bool unusable = false;  // the font file cannot be drawn as outlines
};

} // namespace

struct CGlyphOutlines::Impl {
    CFontLocator& fonts;
    const OutlineLibrary* ft = nullptr;
    FT_Library library = nullptr;
    std::map<std::pair<std::string, int>, FaceOutlines> faces; // by file and index
    FaceOutlines* current = nullptr;
    bool italic = false;
    double em = 0;

    explicit Impl(CFontLocator& locator) : fonts(locator) {}
    ~Impl();
    // FreeType's face of the font file, opened when first needed; null when it cannot be.
    FT_Face Face(FaceOutlines& f);
    FaceOutlines* Take(const CFontFile& file);
    const CStoredOutline& Glyph(char32_t c);
};

CGlyphOutlines::Impl::~Impl() {
    for (auto& [key, f] : faces) {
        if (f.dirty) WriteOutlineStore(OutlineStoreFile(fonts.Folder(), f.file), f.file, f.set);
        if (f.face) ft->Done_Face(f.face);
    }
    if (library) ft->Done_FreeType(library);
}

FT_Face CGlyphOutlines::Impl::Face(FaceOutlines& f) {
    if (f.face || f.unusable) return f.face;
    if (!ft) {
        ft = FreeType();
        if (!ft || ft->Init_FreeType(&library) != 0) {
            ft = nullptr;
            f.unusable = true;
            return nullptr;
        }
    }
    FT_Face opened = nullptr;
    if (ft->New_Face(library, f.file.path.c_str(), f.file.index, &opened) != 0) opened = nullptr;
    // Only outline fonts can be drawn as paths.
    if (!opened || !FT_IS_SCALABLE(opened) || opened->units_per_EM == 0) {
        if (opened) ft->Done_Face(opened);
        f.unusable = true;
        return nullptr;
    }
    ft->Select_Charmap(opened, FT_ENCODING_UNICODE);
    if (f.set.unitsPerEm != opened->units_per_EM) f.set = {opened->units_per_EM, {}};
    f.face = opened;
    return opened;
}

FaceOutlines* CGlyphOutlines::Impl::Take(const CFontFile& file) {
    const auto key = std::make_pair(file.path, file.index);
    auto [it, fresh] = faces.try_emplace(key);
    FaceOutlines& f = it->second;
    if (fresh) {
        f.file = file;
        if (auto stored = ReadOutlineStore(OutlineStoreFile(fonts.Folder(), file), file))
            f.set = std::move(*stored);
        else if (!Face(f))
            return nullptr;
    }
    return f.unusable && f.set.unitsPerEm == 0 ? nullptr : &f;
}

const CStoredOutline& CGlyphOutlines::Impl::Glyph(char32_t c) {
    static const CStoredOutline kNone;
    FaceOutlines& f = *current;
    if (const auto it = f.set.glyphs.find(c); it != f.set.glyphs.end()) return it->second;
    FT_Face face = Face(f);
    if (!face) return kNone;
    CStoredOutline& glyph = f.set.glyphs[c];
    f.dirty = true;
    const FT_UInt index = ft->Get_Char_Index(face, c);
    if (index == 0 ||
        ft->Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) !=
            0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return glyph;
    FT_Outline* outline = &face->glyph->outline;
    // A family without a bold face: its regular glyphs thickened by a 24th of the em.
    if (f.file.embolden) ft->Outline_Embolden(outline, face->units_per_EM / 24);
    RecordingSink sink{&glyph};
    FT_Outline_Funcs funcs{};
    funcs.move_to = &RecordingSink::Move;
    funcs.line_to = &RecordingSink::Line;
    funcs.conic_to = &RecordingSink::Conic;
    funcs.cubic_to = &RecordingSink::Cubic;
    glyph.present = ft->Outline_Decompose(outline, &funcs, &sink) == 0;
    glyph.advance = static_cast<std::int32_t>(face->glyph->advance.x);
    return glyph;
}

CGlyphOutlines::CGlyphOutlines(CFontLocator& fonts) : m(std::make_unique<Impl>(fonts)) {}

CGlyphOutlines::~CGlyphOutlines() = default;

bool CGlyphOutlines::Select(const std::string& family, bool bold, bool italic, double em) {
    m->current = nullptr;
    const std::optional<CFontFile> file = m->fonts.Find(family, bold);
    return file && Select(*file, italic, em);
}

bool CGlyphOutlines::Select(const CFontFile& file, bool slanted, double em) {
    m->current = m->Take(file);
    m->em = std::clamp(em, 1.0, 1e5);
    m->italic = slanted;
    return m->current != nullptr;
}

bool CGlyphOutlines::Append(char32_t c, const CGlyphPlacement& at, CPath& path) {
    if (!m->current) return false;
    const CStoredOutline& glyph = m->Glyph(c);
    if (!glyph.present) return false;
    const double scale = m->em / m->current->set.unitsPerEm;
    const double slant = m->italic ? kItalicSlant : 0.0;
    std::size_t k = 0;
    // The next point in glyph units (y down, leaning for italic), then on the page.
    const auto next = [&]() {
        const double x = glyph.coords[k] * scale, y = -glyph.coords[k + 1] * scale;
        k += 2;
        return CPath::Point{x - slant * y, y};
    };
    const auto page = [&at](CPath::Point g) {
        return CPath::Point{at.originX + at.xx * g.x + at.xy * g.y,
                            at.originY + at.yx * g.x + at.yy * g.y};
    };
    CPath::Point last;
    for (const char op : glyph.ops) {
        if (op == 'M' || op == 'L') {
            last = next();
            op == 'M' ? path.MoveTo(page(last)) : path.LineTo(page(last));
        } else if (op == 'Q') {
            // The conic segment as the cubic curve it equals.
            const CPath::Point c = next(), p = next();
            const CPath::Point c1{last.x + 2.0 / 3.0 * (c.x - last.x),
                                  last.y + 2.0 / 3.0 * (c.y - last.y)};
            const CPath::Point c2{p.x + 2.0 / 3.0 * (c.x - p.x), p.y + 2.0 / 3.0 * (c.y - p.y)};
            path.CurveTo(page(c1), page(c2), page(p));
            last = p;
        } else {
            const CPath::Point c1 = next(), c2 = next();
            last = next();
            path.CurveTo(page(c1), page(c2), page(last));
        }
    }
    return true;
}

double CGlyphOutlines::Advance(char32_t c) {
    if (!m->current) return 0;
    const CStoredOutline& glyph = m->Glyph(c);
    return glyph.present ? glyph.advance * m->em / m->current->set.unitsPerEm : 0;
}
