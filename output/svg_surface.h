#pragma once
// A drawing surface that records an SVG picture of what is drawn on it, at true size: the
// vector picture the clipboard offers as image/svg+xml beside the metafile.

#include "output/vector_common.h"
#include "render/mapped_surface.h"

#include <string>
#include <system_error>
#include <vector>

// Coordinates are logical units (mils) as the caller's mapping places them, measured from the
// viewport origin, so the picture keeps 1000 units to the inch whatever the screen. Bars are
// exact rectangles covering their elements' spans as on the screen; text is a <text> element
// with the font's family, size and weight, turned by its escapement, over a white cell when
// the background mode is opaque. Text is measured with the screen's font metrics.
class CSvgSurface : public CMappedSurface {
public:
    explicit CSvgSurface(const CReferenceScreen& screen = CReferenceScreen::Primary());

    void DrawLine(CPoint from, CPoint to, int penWidth) override;
    void SelectFont(const CFontSpec& font) override;
    void RestoreFont() override;
    CSize GetTextExtent(std::string_view text) override;
    CTextInk GetTextInk(std::string_view text) override { return Metrics().Ink(FromLatin1(text)); }
    void TextOut(CPoint at, std::string_view text) override;
    CSize GetTextExtentUtf8(std::string_view utf8) override;
    CTextInk GetTextInkUtf8(std::string_view utf8) override;
    void TextOutUtf8(CPoint at, std::string_view utf8) override;

    int DeviceDpiX() const override { return m_screen.dpiX; }
    int DeviceDpiY() const override { return m_screen.dpiY; }

    // Counts the logical rectangle [x0, x1) × [y0, y1) within the picture, though nothing
    // is drawn there (a matrix symbol's quiet zone).
    void IncludeArea(double x0, double y0, double x1, double y1);
    // Whether the recording passed kMaxPictureBytes and was given up.
    bool TooLarge() const { return m_tooLarge; }
    // The whole SVG document, UTF-8; its width and height in inches are those of what was
    // drawn and of the areas included, its viewBox in logical units. Empty when it was too large.
    std::string Document() const;
    // Writes Document() through a temporary file (see WriteFileAtomically).
    std::error_code WriteFile(const std::string& path) const;

private:
    double ToSvgX(double logicalX) const;
    double ToSvgY(double logicalY) const;
    void Include(double logicalX, double logicalY);
    CScreenTextMetrics Metrics() const;
    // The text's cell and its glyphs, measured as `text` and written as `escaped`.
    void DrawText(CPoint at, const QString& text, const std::string& escaped);
    // True once the recording is too large, which frees what it held.
    bool OutOfRoom();

    CReferenceScreen m_screen;
    std::vector<CFontSpec> m_fonts;
    std::string m_body;
    bool m_empty = true;
    double m_x0 = 0, m_y0 = 0, m_x1 = 0, m_y1 = 0;
    bool m_tooLarge = false;
};
