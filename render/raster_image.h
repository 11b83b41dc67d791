#pragma once
// The symbol as a black-and-white image: its layout (measured by what it draws, centred, with
// margins and quiet zones) and its drawing on the one-bit surface (render/mono_surface.h). No Qt:
// the command line makes images without loading it.

#include "engine/barcode.h"
#include "render/font_locator.h"
#include "render/image_encoders.h"
#include "render/label_drawing.h"
#include "render/mapped_surface.h"
#include "render/symbol_drawing.h"

#include <cstdint>

// A one-bit image takes width × height / 8 bytes: beyond this it is refused instead of
// exhausting memory (a symbol from a damaged file can claim a width of two billion mils).
inline constexpr std::int64_t kMaxImageBytes = std::int64_t{256} << 20;

// The image's planned width and height, whatever they are (zero, negative or huge).
struct CImagePlan {
    std::int64_t width = 0, height = 0;
    bool Drawable() const {
        return width > 0 && height > 0 && width <= kMaxImageBytes * 8 / height;
    }
};

// The image around a measured symbol: on each side a tenth of the marks' size as margin, and
// at least the symbology's quiet zone (the larger of its two, `quiet` in mils) beside the bars
// along the direction of advance; the marks centred. Even widths and heights, so the centre is
// a pixel corner.
CImagePlan PlanSymbolImage(const CDrawnExtent& extent, int quiet, int rotation, int dpi);

// The symbol measured as the one-bit surface at `dpi` draws it (its text metrics and grid).
CDrawnExtent MeasureSymbolMono(const CBarcode& barcode, int dpi, const CSymbolView& view,
                               CFontLocator* fonts = nullptr);

// Draws the symbol centred on `image` (allocated, white), every bar narrowed by the images' bar
// width reduction, and gives back the mapping the drawing used.
CMapping DrawSymbolMono(const CBarcode& barcode, MonoImage& image, int dpi, const CSymbolView& view,
                        CFontLocator* fonts = nullptr);

struct CMonoRaster {
    CImagePlan plan;
    MonoImage image; // empty when the plan is not drawable or the memory cannot be had
    CMapping mapping;
};
// Measures, plans and draws.
CMonoRaster RenderSymbolMono(const CBarcode& barcode, int dpi, const CSymbolView& view,
                             CFontLocator* fonts = nullptr);
// A label: with lines, an image of the label's own size at `dpi` (as it lies on the sheet) with
// its content centred, or of the block the lines and symbol make with a tenth as margin when the
// content names no label; without lines, as RenderSymbolMono draws its symbol.
CMonoRaster RenderLabelMono(const CLabelContent& content, int dpi, CFontLocator* fonts = nullptr);

// Draws the label with its centre on the dot `centre` of `page` (allocated, white) at `dpi`,
// every bar narrowed by `reduction` dots: a printed page of a label printer as printing lays
// it out (job/print_layout.h), for page languages that take the page's dots.
void DrawLabelOnPage(const CLabelContent& content, MonoImage& page, int dpi, CPoint centre,
                     int reduction, CFontLocator* fonts = nullptr);
