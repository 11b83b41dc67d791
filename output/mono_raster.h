#pragma once
// The symbol drawn on the one-bit surface (render/mono_surface.h), laid out as RenderSymbolImage
// lays it out: 1000 logical units per inch at the resolution, measured by what it draws and
// centred in the image PlanSymbolImage plans. The drawing itself needs no Qt; the layout is the
// one output/ holds for every surface.

#include "engine/barcode.h"
#include "output/symbol_drawing.h"
#include "render/font_locator.h"
#include "render/image_encoders.h"
#include "render/mapped_surface.h"

// The symbol measured as the one-bit surface at `dpi` draws it (its text metrics and grid).
CDrawnExtent MeasureSymbolMono(const CBarcode& barcode, int dpi, const CSymbolView& view,
                               CFontLocator* fonts = nullptr);

// Draws the symbol centred on `image` (allocated, white) and gives back the mapping the
// drawing used.
CMapping DrawSymbolMono(const CBarcode& barcode, MonoImage& image, int dpi, const CSymbolView& view,
                        CFontLocator* fonts = nullptr);

struct CMonoRaster {
    MonoImage image; // empty when the plan is not drawable or the memory cannot be had
    CMapping mapping;
};
// Measures, plans and draws, as RenderSymbolImage does.
CMonoRaster RenderSymbolMono(const CBarcode& barcode, int dpi, const CSymbolView& view,
                             CFontLocator* fonts = nullptr);
