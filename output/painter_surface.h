#pragma once
// The drawing surface on a QPainter: screen, printer and raster images.

#include "render/mapped_surface.h"

#include <QFont>
#include <QPainter>

#include <utility>
#include <vector>

// Bars are filled as device rectangles whose edges all go through one rounding rule, so equal
// logical widths give equal pixel widths (within one pixel) and neighbouring elements neither
// overlap nor leave seams. Drawing is aliased unless asked otherwise.
class CPainterSurface : public CMappedSurface {
public:
    explicit CPainterSurface(QPainter& painter, bool antialiased = false);
    ~CPainterSurface() override;

    void DrawLine(CPoint from, CPoint to, int penWidth) override;
    void SelectFont(const CFontSpec& font) override;
    void RestoreFont() override;
    CSize GetTextExtent(std::string_view text) override;
    CTextInk GetTextInk(std::string_view text) override;
    void TextOut(CPoint at, std::string_view text) override;
    CSize GetTextExtentUtf8(std::string_view utf8) override;
    CTextInk GetTextInkUtf8(std::string_view utf8) override;
    void TextOutUtf8(CPoint at, std::string_view utf8) override;

    int DeviceDpiX() const override;
    int DeviceDpiY() const override;

    // Whether the surface draws on a grid of dots that the bars snap to (images, printers,
    // the screen); a PDF page keeps exact widths. Off by default.
    void SetDeviceGrid(bool on) { m_grid = on; }
    // Every bar on the grid this many dots narrower at its far edge, never below one dot.
    void SetBarWidthReduction(int dots) { m_reduction = dots; }
    int GridDotsPerInch(int orientation) const override;
    void DrawGridBar(CPoint start, int orientation, int fromDot, int toDot, int offset,
                     int length) override;
    // Matrix cells, each axis counted from the device edge nearest to `start`; a run is made
    // narrower along the advance as a bar is.
    void DrawGridCells(CPoint start, int orientation, int fromDot, int toDot, int fromRow,
                       int toRow) override;

    // The device rectangle a logical rectangle [x0, x1) × [y0, y1) fills.
    QRect DeviceRect(double x0, double y0, double x1, double y1) const;

private:
    QFont CurrentFont() const;
    CSize ExtentOf(const QString& text) const;
    CTextInk InkOf(const QString& text) const;
    void DrawString(CPoint at, const QString& text);
    // The device pixels [lo, hi) of `count` dots from the dot `fromDot` on, counted from the
    // device edge nearest to `start` in the direction of advance of `direction` (0 to 3).
    std::pair<int, int> GridSpan(CPoint start, int direction, int fromDot, int count) const;

    QPainter& m_painter;
    bool m_antialiased;
    bool m_grid = false;
    int m_reduction = 0;
    std::vector<CFontSpec> m_fonts;
};
