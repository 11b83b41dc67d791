#pragma once
// What the text drawer learns of one face at one pixel size (line metrics, advances, ink boxes,
// kerning pairs and the bitmaps of glyphs small enough to keep), kept in a file beside the font
// cache so that a later start draws the glyphs it has drawn before without loading FreeType or
// opening the font. The file names the font file and the FreeType library it was learned from,
// each with its size and modification time, and ends with a digest: a file that is damaged,
// whose font or library has changed since, or whose sizes and metrics are none the face could
// have at its size, is not used, and is written again.

#include "render/font_locator.h"
#include "render/text_raster.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A glyph rendered for one-bit output.
struct CGlyphBitmap {
    bool outline = false; // false: nothing to draw (a space, or a glyph without an outline)
    // The bitmap's box relative to the origin, in pixels, y down: columns [left, left + width),
    // rows [top, top + rows).
    std::int64_t left = 0, top = 0;
    int width = 0, rows = 0;
    std::vector<std::uint8_t> bits; // rows of (width + 7) / 8 bytes, top row first
};

// Distances in 1/64 pixel unless named pixels; entries per Latin-1 character.
struct CFaceFacts {
    std::int64_t ascent = 0, descent = 0;
    // Pixels every glyph lies within around its origin, y down, from the face's bounding box.
    CPixelRect reach;
    bool kerns = false; // the face has a kerning table
    std::array<std::int64_t, 256> advance{};
    std::array<bool, 256> measured{};
    std::array<CPixelRect, 256> ink{}; // where boxed[c]; inked[c]: the glyph draws something
    std::array<bool, 256> boxed{};
    std::array<bool, 256> inked{};
    std::array<std::unique_ptr<CGlyphBitmap>, 256> glyphs; // those kept
    std::map<std::uint16_t, std::int64_t> kerning;         // (left << 8 | right) to its kerning
};

// A kept glyph's bitmap is at most this many bytes; larger ones are rendered where visible.
constexpr std::size_t kKeptGlyphMaxBytes = 64 * 1024;
// A glyph's box is narrower and shorter than this in pixels; a larger one is no real font's.
constexpr std::int64_t kMaxGlyphSide = 1 << 24;

// The store file of a face at a pixel size in `folder` (the font cache's); empty without one.
std::filesystem::path GlyphStoreFile(const std::filesystem::path& folder, const CFontFile& font,
                                     int pixelSize);

// The facts kept in `file`, when it is whole and was learned from this font file at this size
// with the FreeType library it names, both unchanged since.
std::optional<CFaceFacts> ReadGlyphStore(const std::filesystem::path& file, const CFontFile& font,
                                         int pixelSize);

// Keeps the facts, learned with the FreeType library at `libraryPath`. Failures only cost a
// later start the work again.
void WriteGlyphStore(const std::filesystem::path& file, const CFontFile& font, int pixelSize,
                     const std::string& libraryPath, const CFaceFacts& facts);
