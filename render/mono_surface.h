#pragma once
// A drawing surface that draws straight into a one-bit image: black marks on what the image
// holds (an allocated MonoImage is white), about one bit of memory per pixel plus a fixed
// amount for fonts.

#include "render/font_locator.h"
#include "render/image_encoders.h"
#include "render/mapped_surface.h"
#include "render/text_raster.h"
#include "render/unicode_text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// Bars are filled through the screen's rule (render/bar_geometry.h): each edge of the logical
// rectangle mapped and put on the grid by RoundEdge, a bar thinner than a pixel still one pixel
// wide, so that for the same mapping they fall on the same pixels as on the screen surface.
// Text is drawn aliased through FreeType, glyph by glyph, turned by quarter turns (an
// escapement between them is taken to the nearest).
class CMonoSurface : public CMappedSurface {
public:
    // Draws into `image`, which must outlive the surface; `dpi` is the resolution the surface
    // reports as its device's. Fonts are found through `fonts` (which must outlive the surface),
    // or through a locator of the surface's own on fontconfig and the default cache folder.
    CMonoSurface(MonoImage& image, int dpi, CFontLocator* fonts = nullptr);
    ~CMonoSurface() override;

    void DrawLine(CPoint from, CPoint to, int penWidth) override;
    void SelectFont(const CFontSpec& font) override;
    void RestoreFont() override;
    CSize GetTextExtent(std::string_view text) override;
    CTextInk GetTextInk(std::string_view text) override;
    void TextOut(CPoint at, std::string_view text) override;
    // Text all in Latin-1 and upright is measured and drawn as TextOut does; other text through
    // FreeType with fontconfig's fallback faces (render/unicode_text.h).
    CSize GetTextExtentUtf8(std::string_view utf8) override;
    CTextInk GetTextInkUtf8(std::string_view utf8) override;
    void TextOutUtf8(CPoint at, std::string_view utf8) override;

    int DeviceDpiX() const override { return m_dpi; }
    int DeviceDpiY() const override { return m_dpi; }

    // Device pixels per inch along the direction of advance, from the mapping (the viewport
    // extent over the window extent, at 1000 logical units per inch).
    int GridDotsPerInch(int orientation) const override;
    // Across the advance the bar covers the dots [fromDot, toDot) counted from E, the device
    // edge nearest to `start` (RoundEdge of its device coordinate): [E + fromDot, E + toDot)
    // where the advance runs to growing device coordinates, [E - toDot, E - fromDot) where it
    // runs to falling ones. Along the bars it is mapped and rounded as DrawLine maps a bar.
    void DrawGridBar(CPoint start, int orientation, int fromDot, int toDot, int offset,
                     int length) override;
    // A matrix symbol's cells: along each axis as DrawGridBar puts a bar across the advance,
    // from the device edge nearest to `start` on that axis.
    void DrawGridCells(CPoint start, int orientation, int fromDot, int toDot, int fromRow,
                       int toRow) override;
    // Every grid bar, and every run of matrix cells, is drawn `dots` narrower at its far edge
    // along the advance (the one the advance reaches last), never narrower than one dot, to
    // make up for ink or toner that spreads.
    void SetBarWidthReduction(int dots);

    // The device pixels a logical rectangle [x0, x1) × [y0, y1) fills: each edge through
    // RoundEdge, as the screen surface rounds them.
    CPixelRect DeviceRect(double x0, double y0, double x1, double y1) const;

private:
    // The device pixels [lo, hi) of `count` dots from the dot `fromDot` on, counted from the
    // device edge nearest to `start` in the direction of advance of `direction` (0 to 3).
    std::pair<std::int64_t, std::int64_t> GridSpan(CPoint start, int direction, int fromDot,
                                                   std::int64_t count) const;
    // Sets the pixels [x0, x1) × [y0, y1), clipped to the image, to black or white.
    void Fill(CPixelRect r, bool black);
    void FillSlanted(CPoint from, CPoint to, int penWidth);
    // Chooses the current font in the text raster; false when there is none to draw with.
    bool PrepareFont();
    // The same in the drawer of any text.
    CUnicodeText* PrepareUnicodeFont();
    // Whether the text needs that drawer: a character beyond Latin-1, or italic type.
    bool NeedsUnicode(std::string_view utf8) const;
    // Each black run of text drawn with its cell's top-left corner at device pixel (px, py),
    // turned `q` quarter turns, onto the image.
    class DeviceSink;
    // Hands each character of `text` with where its glyph starts along the line, in 1/64 pixel:
    // the pen moves by the exact advances and kerning.
    void PlaceGlyphs(std::string_view text,
                     const std::function<void(unsigned char, std::int64_t)>& place);

    MonoImage& m_image;
    int m_dpi;
    CFontLocator* m_locator;
    std::unique_ptr<CFontLocator> m_ownLocator;
    CTextRaster* m_text = nullptr; // the locator's, taken at the first text
    std::vector<CFontSpec> m_fonts;
    int m_barWidthReduction = 0;
};
