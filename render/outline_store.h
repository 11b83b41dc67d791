#pragma once
// The glyph outlines of one font file as the file holds them (font units, unscaled), kept in a
// file beside the font cache, so that a later vector picture draws the text it has drawn before
// without loading FreeType or opening the font. The file names the font file with its size and
// modification time and ends with a digest: one that is damaged, or whose font has changed
// since, is not used, and is written again.

#include "render/font_locator.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

// One character's glyph in font units, y up.
struct CStoredOutline {
    bool present = false; // the face has a glyph for the character
    std::int32_t advance = 0;
    // 'M' and 'L' take one point, 'Q' a control point and its end, 'C' two and the end.
    std::vector<char> ops;
    std::vector<std::int32_t> coords; // x, y of each point in order
};

struct COutlineSet {
    int unitsPerEm = 0;
    std::map<char32_t, CStoredOutline> glyphs;
};

// The store file of a font in `folder` (the font cache's); empty without one.
std::filesystem::path OutlineStoreFile(const std::filesystem::path& folder, const CFontFile& font);
// The outlines kept in `file`, when it is whole and was learned from this font file, unchanged.
std::optional<COutlineSet> ReadOutlineStore(const std::filesystem::path& file,
                                            const CFontFile& font);
// Keeps the outlines. A failure only costs a later picture the work again.
void WriteOutlineStore(const std::filesystem::path& file, const CFontFile& font,
                       const COutlineSet& set);
