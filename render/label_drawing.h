#pragma once
// The label is the unit every output draws: what it holds and where it sits. Printing, the
// print preview, label images and the size read-out draw or measure a label through here, so
// that a new kind of content is added in one place.

#include "engine/barcode.h"
#include "engine/extent.h"
#include "render/mapped_surface.h"
#include "render/symbol_drawing.h"

// What one label holds: its symbol, shown as the view shows it.
struct CLabelContent {
    const CBarcode* symbol = nullptr;
    CSymbolView view;
};

// What the content draws on `surface` (whose text metrics and device grid it uses), relative to
// its own start point.
CDrawnExtent MeasureLabel(const CLabelContent& content, CDrawSurface& surface);
// The width and height of what the content draws, in mils, measured at a resolution fine
// enough (1000 dpi) that no zoom or device rounds it: what the size read-out shows.
CSize LabelPaperSize(const CLabelContent& content, CDrawSurface& measuringSurface);
// Draws the content with the centre of its marks on the surface's logical origin; `measured`,
// when given, is MeasureLabel's answer for this surface, which is then not measured again.
void DrawLabel(const CLabelContent& content, CMappedSurface& surface,
               const CDrawnExtent* measured = nullptr);
// The same with the logical origin put on `centre` (device units) first: where the label's
// centre lies on the device.
void DrawLabelAt(const CLabelContent& content, CMappedSurface& surface, CPoint centre);
