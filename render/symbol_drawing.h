#pragma once
// The symbol as every output draws it: measured by what it draws (its true extent) and centred
// on the logical origin in any of the four rotations. The screen, printing and export all draw
// through this.

#include "engine/barcode.h"
#include "engine/extent.h"
#include "render/mapped_surface.h"

// How the symbol is shown: the display choices that are not part of the document.
struct CSymbolView {
    int rotation = 0; // quarter turns anticlockwise
    bool showText = true;
};

// What the symbol draws on `surface` (whose text metrics and device grid it uses) in the
// view's rotation, relative to its start point.
CDrawnExtent MeasureSymbol(const CBarcode& barcode, CDrawSurface& surface, const CSymbolView& view);
// The width and height of the marks, in whole logical units (rounded up).
CSize ExtentSize(const CExtentRect& rect);

// The start point that puts the centre of the marks on the logical origin.
CPoint CentredStart(const CDrawnExtent& extent);
// Draws the symbol with the centre of its marks on the logical point `at`; `measured`, when
// given, is MeasureSymbol's answer for this surface and view, which is then not measured again.
void DrawSymbolCentred(const CBarcode& barcode, CMappedSurface& surface, const CSymbolView& view,
                       const CDrawnExtent* measured = nullptr, CPoint at = {});
