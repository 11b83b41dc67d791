#pragma once
// Text of any characters, for a label's lines: FreeType glyphs of the family's face as
// fontconfig matches it (bold and italic faces where the family has them, thickened or slanted
// where it does not), and for each character that face lacks, of the first face fontconfig
// offers that has it, so that a name in Greek, Cyrillic or Chinese shows whatever the family.
// Glyphs are rendered aliased for one-bit output. No Qt.

#include "render/text_raster.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The face that draws a character: its font file (thickened where the face is not as bold as
// asked) and whether it is slanted where the face is not italic as asked.
struct CUnicodeFace {
    CFontFile file;
    bool slanted = false;
};

class CUnicodeText {
public:
    CUnicodeText();
    ~CUnicodeText();
    CUnicodeText(const CUnicodeText&) = delete;
    CUnicodeText& operator=(const CUnicodeText&) = delete;

    // Chooses the font for what follows: family (UTF-8), weight, slant, em height in pixels
    // (held between 1 and 65535). False, and nothing measured or drawn, when no face at all can
    // be had.
    bool Select(const std::string& family, bool bold, bool italic, int pixelSize);

    // The line of the family's face, in 1/64 pixel: from the baseline up and down.
    std::int64_t Ascent() const;
    std::int64_t Descent() const;
    // The advances of the text, in 1/64 pixel.
    std::int64_t Width(std::u32string_view text);
    // The advance of one character, in 1/64 pixel, as Width counts it.
    std::int64_t Advance(char32_t c);
    // The face that draws the character in the chosen font; none when no face has it.
    std::optional<CUnicodeFace> FaceOf(char32_t c);
    // The pixels the text may ink, relative to its origin (the left end of its baseline, y
    // down); false when it inks nothing.
    bool InkBox(std::u32string_view text, CPixelRect& box);
    // Draws the text with its origin at pixel (x, y), handing the black runs within `clip` to
    // `sink`.
    void Draw(std::u32string_view text, std::int64_t x, std::int64_t y, const CPixelRect& clip,
              CPixelRunSink& sink);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
