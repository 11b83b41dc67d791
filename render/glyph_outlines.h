#pragma once
// The outlines of a font's glyphs as paths, for vector pictures: text drawn with the shapes of
// the font file that the image export draws with (found through CFontLocator), so a picture
// shows the same letters on any system, without embedding fonts. FreeType is loaded for the
// first glyph asked for. No Qt.

#include "render/font_locator.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A path of closed outlines in logical units (y down): each figure starts with 'M' and its
// segments are 'L' (one point) and 'C' (two control points and the end point), in `ops`, their
// points in order in `points`. Filled with the nonzero rule.
struct CPath {
    struct Point {
        double x = 0, y = 0;
    };
    std::vector<char> ops;
    std::vector<Point> points;

    void MoveTo(Point p);
    void LineTo(Point p);
    void CurveTo(Point c1, Point c2, Point p);
    // Appends a closed rectangle [x0, x1) × [y0, y1).
    void Rectangle(double x0, double y0, double x1, double y1);
    bool Empty() const { return ops.empty(); }
};

// Where a glyph goes: the pen position on the baseline and the page's turn of the text, as a
// linear map from the glyph's units (x right, y down from the baseline) to the page.
struct CGlyphPlacement {
    double originX = 0, originY = 0;       // the pen on the baseline, on the page
    double xx = 1, xy = 0, yx = 0, yy = 1; // page = origin + [xx xy; yx yy] · glyph
};

class CGlyphOutlines {
public:
    explicit CGlyphOutlines(CFontLocator& fonts);
    ~CGlyphOutlines();
    CGlyphOutlines(const CGlyphOutlines&) = delete;
    CGlyphOutlines& operator=(const CGlyphOutlines&) = delete;

    // Chooses the face of the family (UTF-8) that CFontLocator finds, bold or regular, slanted
    // for italic, at an em height of `em` logical units. False, and nothing drawn, when no face
    // can be had.
    bool Select(const std::string& family, bool bold, bool italic, double em);
    // The same with the font file given (a fallback face of a label's line), slanted or not.
    bool Select(const CFontFile& file, bool slanted, double em);
    // The character's glyph appended to `path`, placed by `at`; false when the face has no
    // glyph for it (nothing is appended).
    bool Append(char32_t c, const CGlyphPlacement& at, CPath& path);
    // The pen's advance for the character in logical units, unhinted; 0 without a glyph.
    double Advance(char32_t c);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
