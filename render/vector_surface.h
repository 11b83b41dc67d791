#pragma once
// A drawing surface that records a vector picture of what is drawn on it, without Qt, for the
// SVG, EPS, PDF and metafile writers (render/vector_writers.h): bars as exact rectangles, the
// rectangles of one run of drawing merged into one filled path (a renderer shows no seam
// between adjacent modules of one bar), and text as the outlines of the glyphs of the font the
// image export draws with, measured exactly as a 1000 dpi image measures it.

#include "render/font_locator.h"
#include "render/glyph_outlines.h"
#include "render/image_encoders.h"
#include "render/label_drawing.h"
#include "render/mapped_surface.h"
#include "render/mono_surface.h"

#include <cstddef>
#include <string_view>
#include <vector>

// What a picture holds, in mils from the device's origin (y down): filled paths, in the order
// drawn, each black or white, and the frame that takes in what was drawn.
struct CVectorPicture {
    struct Fill {
        bool white = false;
        CPath path;
    };
    std::vector<Fill> fills;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0; // the frame
    bool empty = true;                     // nothing drawn or included
    bool tooLarge = false;                 // given up beyond kMaxPictureBytes

    double Width() const { return empty ? 0 : x1 - x0; }
    double Height() const { return empty ? 0 : y1 - y0; }
    void Include(double x, double y);
};

class CVectorSurface : public CMappedSurface {
public:
    explicit CVectorSurface(CFontLocator& fonts);
    ~CVectorSurface() override;

    void DrawLine(CPoint from, CPoint to, int penWidth) override;
    void SelectFont(const CFontSpec& font) override;
    void RestoreFont() override;
    CSize GetTextExtent(std::string_view text) override;
    CTextInk GetTextInk(std::string_view text) override;
    void TextOut(CPoint at, std::string_view text) override;
    CSize GetTextExtentUtf8(std::string_view utf8) override;
    CTextInk GetTextInkUtf8(std::string_view utf8) override;
    void TextOutUtf8(CPoint at, std::string_view utf8) override;
    // A picture's device: 1000 dots to the inch, so that a dot is a mil.
    int DeviceDpiX() const override { return 1000; }
    int DeviceDpiY() const override { return 1000; }

    // Counts the logical rectangle [x0, x1) × [y0, y1) within the frame, though nothing is
    // drawn there (a matrix symbol's quiet zone).
    void IncludeArea(double x0, double y0, double x1, double y1);
    // What was recorded; the surface is left empty.
    CVectorPicture Take();

private:
    CPath::Point ToPage(double logicalX, double logicalY) const;
    // The path that black (or white) marks are added to now: the last one when it is of that
    // colour, so a run of bars is one shape.
    CPath* Target(bool white);
    // The measuring surface with this surface's mapping.
    CMonoSurface& Measure();
    // Draws the text's glyph outlines with its cell's top-left corner at `at`, each glyph where
    // the measure's advances put it.
    void DrawText(CPoint at, std::u32string_view text, bool latin1, CSize cell);
    // The text cell painted white under the text (an opaque background).
    void PaintCell(CPoint at, CSize cell);
    // One glyph of the selected outlines, added to the black marks.
    void AppendGlyph(char32_t c, const CGlyphPlacement& at);
    // The placement of glyphs whose baseline starts `pen` units along the text and `baseline`
    // units down from the cell's top-left corner at `at`.
    CGlyphPlacement Place(CPoint at, double pen, double baseline) const;

    CFontLocator& m_fonts;
    CGlyphOutlines& m_outlines;
    MonoImage m_none; // the measuring surface draws nothing
    CMonoSurface m_measure;
    std::vector<CFontSpec> m_selectedFonts;
    CVectorPicture m_picture;
    std::size_t m_points = 0;
};

// The label drawn at true size, with the centre of its marks half its size from the origin, as
// every vector picture frames it; the frame takes in a matrix symbol's quiet zone.
CVectorPicture RecordLabelPicture(const CLabelContent& label, CFontLocator& fonts);
