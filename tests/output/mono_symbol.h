#pragma once
// The symbol drawn on the one-bit surface as the raster export lays it out, for tests that hold
// it against the painter's raster or read it back.

#include "engine/barcode.h"
#include "render/mono_surface.h"

#include <QImage>

#include <optional>

struct MonoSymbol {
    MonoImage image;
    CMapping mapping; // as the drawing left it: the symbol's window origin included
};

// 1000 logical units per inch at `dpi`, the symbol centred in an image 1.2 times its size (see
// RenderSymbolImage); measured on the one-bit surface unless `symbolSize` is given. An empty
// image when the size is not drawable.
MonoSymbol RenderSymbolMono(const CBarcode& barcode, int dpi, int rotation, bool showText,
                            std::optional<CSize> symbolSize = std::nullopt);

// As a Format_Mono QImage, index 0 black and 1 white.
QImage ToQImage(const MonoImage& image);
