#pragma once
// The symbol as the view draws it: measured with its text line and centred on the logical
// origin in any of the four rotations. The screen, printing and export all draw through this.

#include "engine/barcode.h"
#include "render/mapped_surface.h"

// Width: the barcode's nominal width. Height: the bar height plus, when the text is shown, the
// height of one line of text in the barcode's own font (measured on "HALVERN"), whatever the
// symbology draws as text.
CSize MeasureSymbol(const CBarcode& barcode, CDrawSurface& surface, bool showText);

struct CSymbolPlacement {
    CPoint startCorner; // where Draw begins
    CPoint windowOrg;   // shifts the block of bars and text onto the origin
};
// w: nominal width, h: bar height, height: the measured block height (h or more).
CSymbolPlacement PlaceSymbol(int w, int h, int height, int rotation);

// Draws the symbol centred on the logical origin; `symbolSize` is MeasureSymbol's result.
void DrawSymbolCentred(const CBarcode& barcode, CMappedSurface& surface, int rotation,
                       bool showText, CSize symbolSize);
