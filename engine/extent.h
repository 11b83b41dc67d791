#pragma once
// The true extent of what a barcode draws: its bars, and its text where it reaches beyond them,
// found by drawing onto a surface that only measures.

#include "engine/barcode.h"

// A rectangle in logical units, [left, right) × [top, bottom).
struct CExtentRect {
    double left = 0, top = 0, right = 0, bottom = 0;
    bool empty = true;

    double Width() const { return empty ? 0 : right - left; }
    double Height() const { return empty ? 0 : bottom - top; }
    double CentreX() const { return (left + right) / 2; }
    double CentreY() const { return (top + bottom) / 2; }
    void Include(double x0, double y0, double x1, double y1);
};

struct CDrawnExtent {
    CExtentRect marks; // every bar and text cell
    CExtentRect bars;  // the bars alone
};

// Draws `barcode` from the start point (0, 0) in `orientation` with the text metrics and the
// device grid of `like` (which is not drawn on) and returns what the drawing covers.
CDrawnExtent MeasureDrawnExtent(const CBarcode& barcode, CDrawSurface& like, int barHeight,
                                bool showText, int orientation);
