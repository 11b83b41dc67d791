#pragma once
// A drawing surface that records every call, for checking what the engine draws.

#include "engine/draw_surface.h"

#include <string>
#include <variant>
#include <vector>

struct RecordedLine {
    CPoint from, to;
    int width;
};
struct RecordedSelectFont {
    CFontSpec font;
};
struct RecordedRestoreFont {};
struct RecordedExtent {
    std::string text;
    CSize size;
};
struct RecordedText {
    CPoint at;
    std::string text;
    CFontSpec font; // the font selected when the text was drawn
};

using RecordedCall = std::variant<RecordedLine, RecordedSelectFont, RecordedRestoreFont,
                                  RecordedExtent, RecordedText>;

// The span one bar covers across its length, in the direction of advance, and along it.
struct BarSpan {
    int lo, hi;           // across: [lo, hi)
    int alongLo, alongHi; // along the bar
    bool vertical;        // the bar runs along y (orientations 0 and 2)
};

class RecordingSurface : public CDrawSurface {
public:
    // Text metrics of a fixed-pitch face: each character 6/10 of the em height wide, cells one
    // em high. Real faces differ; what the tests check is where the engine puts the cell.
    void DrawLine(CPoint from, CPoint to, int penWidth) override;
    void SelectFont(const CFontSpec& font) override;
    void RestoreFont() override;
    CSize GetTextExtent(std::string_view text) override;
    void TextOut(CPoint at, std::string_view text) override;

    std::vector<RecordedCall> calls;

    std::vector<RecordedLine> Lines() const;
    std::vector<RecordedText> Texts() const;
    // Bars as the spans they cover, assuming the pen's odd unit lies on the advance side:
    // a bar drawn at running position p with width w covers [p, p + w] (or [p - w, p]).
    std::vector<BarSpan> Bars(int orientation) const;
    // Every call as one line of text, for golden comparisons.
    std::string Dump() const;

private:
    std::vector<CFontSpec> m_fonts;
};

// Black-on-white pixels of the recorded bars at one pixel per `milsPerPixel` mils, with a quiet
// zone around them, for a real barcode reader.
struct GreyImage {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels; // 0 black, 255 white, row-major
};
GreyImage RasterizeBars(const RecordingSurface& surface, int milsPerPixel, int quietZone);
