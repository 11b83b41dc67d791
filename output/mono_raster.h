#pragma once
// The symbol drawn on the one-bit surface (render/mono_surface.h), laid out as RenderSymbolImage
// lays it out: 1000 logical units per inch at the resolution, centred in an image 1.2 times its
// size. The drawing itself needs no Qt; the layout is the one output/ holds for every surface.

#include "engine/barcode.h"
#include "render/font_locator.h"
#include "render/image_encoders.h"
#include "render/mapped_surface.h"

#include <optional>

// The symbol's size measured on the one-bit surface at `dpi`, as MeasureSymbolAt measures it.
CSize MeasureSymbolMono(const CBarcode& barcode, int dpi, bool showText,
                        CFontLocator* fonts = nullptr);

// Draws the symbol centred on `image` (allocated, of the planned size) and gives back the
// mapping the drawing ended with (its window origin places the symbol).
CMapping DrawSymbolMono(const CBarcode& barcode, MonoImage& image, int dpi, int rotation,
                        bool showText, CSize symbolSize, CFontLocator* fonts = nullptr);

struct CMonoRaster {
    MonoImage image; // empty when the size is not drawable (see PlanSymbolImage)
    CMapping mapping;
};
// Measures (unless given the size), sizes and draws, as RenderSymbolImage does.
CMonoRaster RenderSymbolMono(const CBarcode& barcode, int dpi, int rotation, bool showText,
                             std::optional<CSize> symbolSize = std::nullopt,
                             CFontLocator* fonts = nullptr);
