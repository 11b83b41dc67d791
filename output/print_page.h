#pragma once
// The one routine that lays out and paints a printed page; printing and the print preview both
// call it.

#include "engine/barcode.h"
#include "output/export.h"
#include "output/print_layout.h"

class QPainter;

// Paints the symbol once in the middle of the printable area, on every label of the sheet, or
// on one label, as `settings` say, each centred by what it draws; the preview also draws the
// labels' outlines beneath.
void PaintSymbolPage(QPainter& painter, const CPrinterFacts& printer,
                     const CPrintSettings& settings, const CBarcode& barcode,
                     const CSymbolView& view, bool preview);
