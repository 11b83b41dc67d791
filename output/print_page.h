#pragma once
// The one routine that lays out and paints printed pages; printing and the print preview both
// call it.

#include "job/print_layout.h"
#include "render/label_drawing.h"

#include <cstdint>
#include <functional>

class QPainter;

// The labels of a run in printing order: each call gives what the next label holds, or null
// when the run has ended. A label is drawn before the next call, so one content may serve
// every label.
using CLabelFeed = std::function<const CLabelContent*()>;

// Paints a run's pages until the feed ends: on a label sheet from the label with index
// `first` (ForEachRunLabelCentre) of the first sheet on, then sheet after sheet from the top
// left; on a single label or a plain page one label to a page. `newPage` starts each page after
// the first (false from it stops). Returns the pages painted; no page is begun for a run with
// no labels, and a sheet that has no label to print on ends the run.
int PaintRunPages(QPainter& painter, const CPrinterFacts& printer, const CPrintSettings& settings,
                  std::int64_t first, const CLabelFeed& next, const std::function<bool()>& newPage,
                  bool preview);

// The calibration page: the outline of every label of the sheet, solid, and at each label's
// centre (where printing centres a symbol) a cross with a tick every millimetre, 5 mm each way,
// to read how far the printer's page lies from the sheet.
void PaintOutlinePage(QPainter& painter, const CPrinterFacts& printer,
                      const CPrintSettings& settings);
