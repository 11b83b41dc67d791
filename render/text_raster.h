#pragma once
// Text through FreeType: the font file from CFontLocator, each glyph hinted for one-bit output
// and rendered aliased, measured as the font gives its metrics at the pixel size. Glyphs are
// drawn one by one, clipped to what is visible, so a long line costs time in proportion to its
// length and its visible pixels; memory holds the glyphs kept once rendered (16 MiB at most)
// and one band of a glyph too large to keep (64 KiB). What is learned of a face at a size is
// kept on disk beside the font cache (render/glyph_store.h), so that text drawn before is drawn
// again without loading FreeType.

#include "render/font_locator.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Pixels [x0, x1) × [y0, y1), y down.
struct CPixelRect {
    std::int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Takes the black pixels of rendered text as runs along a row: pixels [x0, x1) of row y.
class CPixelRunSink {
public:
    virtual void Run(std::int64_t y, std::int64_t x0, std::int64_t x1) = 0;

protected:
    ~CPixelRunSink() = default;
};

class CTextRaster {
public:
    explicit CTextRaster(CFontLocator& locator);
    ~CTextRaster();
    CTextRaster(const CTextRaster&) = delete;
    CTextRaster& operator=(const CTextRaster&) = delete;

    // Chooses the font for what follows: the family (UTF-8), bold or regular, the em height in
    // pixels (held between 1 and 65535). False, and nothing measured or drawn until another
    // font is chosen, when no font file can be found or read.
    bool Select(const std::string& family, bool bold, int pixelSize);

    // Whether FreeType had to be loaded: something asked for was not in the glyph store.
    bool UsedFreeType() const;

    // Metrics of the chosen font in 1/64 pixel: from the baseline up to the top of the line and
    // down to its bottom; the line height is their sum.
    std::int64_t Ascent() const;
    std::int64_t Descent() const;
    // How far the pen moves for a Latin-1 character, in 1/64 pixel.
    std::int64_t Advance(unsigned char c);
    // How much closer (negative) or farther the font sets `right` after `left` than their
    // advances say, in 1/64 pixel; 0 for a font without kerning.
    std::int64_t Kerning(unsigned char left, unsigned char right);
    // The advances of a Latin-1 text with its kerning, in 1/64 pixel.
    std::int64_t Width(std::string_view text);

    // The pixels a Latin-1 character's glyph may ink, relative to its origin (y down); false
    // when it draws nothing.
    bool InkBox(unsigned char c, CPixelRect& box);

    // Draws a Latin-1 character with its origin (the left end of its baseline) at pixel (x, y),
    // handing the black runs within `clip` to `sink`.
    void Draw(unsigned char c, std::int64_t x, std::int64_t y, const CPixelRect& clip,
              CPixelRunSink& sink);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
