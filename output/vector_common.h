#pragma once
// What the vector recorders (the metafile and the SVG picture) share: the screen they are made
// for and text measured as the screen measures it. Where a bar lies is render/bar_geometry.h's.

#include "engine/draw_surface.h"
#include "render/bar_geometry.h"
#include "render/export_files.h"

#include <QFont>
#include <QString>

#include <array>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

// The device a recording is made for: the screen the program shows the symbol on.
struct CReferenceScreen {
    int widthPixels = 1920;
    int heightPixels = 1080;
    int dpiX = 96;
    int dpiY = 96;

    // The primary screen when there is one; otherwise a 1920 × 1080 screen at 96 dpi.
    static CReferenceScreen Primary();
};

// The Qt font a device makes from a description: the em height in logical units at `scaleY`
// device pixels per unit, rounded to whole pixels (0 asks for a default size), the weight, and
// aliased glyphs unless asked otherwise.
QFont MakeDeviceFont(const CFontSpec& font, double scaleY, bool antialiased = false);

// The four corners of a line drawn with a flat-ended pen of `penWidth`: half the width on each
// side of the line, cut square at both ends. For the bounds of slanted lines.
std::array<std::pair<double, double>, 4> StrokeCorners(CPoint from, CPoint to, int penWidth);

// Text metrics of one font description in logical units, measured with the screen's font
// metrics at the given resolution exactly as the screen surface measures at zoom 100 %.
class CScreenTextMetrics {
public:
    CScreenTextMetrics(const CFontSpec* font, int dpiX, int dpiY);

    const QFont& Font() const { return m_font; }
    CSize Extent(const QString& text) const;
    // Where the glyphs put ink in the text's cell.
    CTextInk Ink(const QString& text) const;
    // Distance from the cell's top to the baseline.
    double Ascent() const;
    // Where each character starts, relative to the first, and the end of the last: n + 1
    // positions for n characters, the last equal to Extent(text).cx.
    std::vector<int> Positions(const QString& text) const;

private:
    QFont m_font;
    double m_scaleX, m_scaleY;
};

// Latin-1 bytes, the engine's text, as a string.
QString FromLatin1(std::string_view text);

// The corners of a text cell of `extent` with its top-left at `at`, turned counter-clockwise on
// the page (y down) by `escapement` tenths of a degree: top-left, top-right, bottom-right,
// bottom-left as the text reads.
std::array<std::pair<double, double>, 4> TextCellCorners(CPoint at, CSize extent, int escapement);
