#pragma once
// All the engine asks of a drawing surface, in logical units (mils, y down).

#include "common/geometry.h"
#include "common/latin1.h"

#include <string>
#include <string_view>

// A font made from a description: face, character (em) height in logical units, weight and
// escapement in tenths of a degree counter-clockwise; everything else at its default.
struct CFontSpec {
    std::string faceName;
    int height = 0;
    int weight = 400;
    int escapement = 0;
    bool italic = false; // a label's line may be set in italic; symbols never are
    friend bool operator==(const CFontSpec&, const CFontSpec&) = default;
};

// Where a text's glyphs put ink in its cell, in logical units with the cell's top-left corner at
// (0, 0): [left, right) × [top, bottom).
struct CTextInk {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const CTextInk&, const CTextInk&) = default;
};

// The caller sets the units (1000 per inch on both axes) and an opaque white text background
// before handing the surface to a barcode's Draw.
class CDrawSurface {
public:
    virtual ~CDrawSurface() = default;
    virtual void DrawLine(CPoint from, CPoint to, int penWidth) = 0; // solid black, flat ends
    virtual void SelectFont(const CFontSpec& font) = 0;              // until RestoreFont
    virtual void RestoreFont() = 0;
    virtual CSize GetTextExtent(std::string_view text) = 0;
    virtual void TextOut(CPoint at, std::string_view text) = 0; // reference point: cell's top-left

    // The grid of device dots the surface draws on along the direction of advance of
    // `orientation` (0 to 3), in dots per inch; 0 for a surface without one (a vector picture),
    // where elements keep their exact logical widths. With a grid, the drawing primitives make
    // every element a whole number of dots and draw bars through DrawGridBar.
    // Where the glyphs of `text` in the selected font put ink within its cell (see
    // GetTextExtent). The default is the whole cell.
    virtual CTextInk GetTextInk(std::string_view text) {
        const CSize cell = GetTextExtent(text);
        return {0, 0, cell.cx, cell.cy};
    }

    // Text in UTF-8, for a label's lines, which may hold any character: measured, its ink and
    // drawn as the Latin-1 methods do. The defaults draw what Latin-1 holds of it.
    virtual CSize GetTextExtentUtf8(std::string_view utf8) {
        return GetTextExtent(Utf8ToLatin1(utf8));
    }
    virtual CTextInk GetTextInkUtf8(std::string_view utf8) {
        return GetTextInk(Utf8ToLatin1(utf8));
    }
    virtual void TextOutUtf8(CPoint at, std::string_view utf8) { TextOut(at, Utf8ToLatin1(utf8)); }

    virtual int GridDotsPerInch(int orientation) const {
        (void)orientation;
        return 0;
    }
    // One bar on the device grid. Across the direction of advance it covers the dots fromDot to
    // toDot - 1, counted along the advance from the grid line nearest to where the symbol's start
    // point `start` lies; along the bars it runs from `start` moved `offset` logical units in the
    // bar direction, for `length` units, as a bar drawn with DrawLine would. The default draws it
    // through DrawLine at the nearest logical units.
    virtual void DrawGridBar(CPoint start, int orientation, int fromDot, int toDot, int offset,
                             int length);
    // One rectangle of a matrix symbol's cells on the device grid, whole dots both ways: along
    // the advance the dots fromDot to toDot - 1, as DrawGridBar counts them; along the bar
    // direction the dots fromRow to toRow - 1, counted the same way from the grid line nearest
    // to `start` on that axis (whose dots per inch are GridDotsPerInch(orientation + 1)). The
    // default draws it through DrawLine at the nearest logical units.
    virtual void DrawGridCells(CPoint start, int orientation, int fromDot, int toDot, int fromRow,
                               int toRow);
};
