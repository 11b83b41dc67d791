#pragma once
// A print job as ZPL, the page language of thermal label printers: each label one
// "^XA ... ^XZ" block, drawn at the printer's resolution on a page laid out as printing lays it
// out, so that a ZPL printer prints Quillmark's own dots. The command line's ZPL export and the
// window's write through here.

#include "job/print_job.h"
#include "render/export_files.h"
#include "render/font_locator.h"

#include <cstdint>
#include <optional>
#include <string>

// The resolutions of the printers that take ZPL, in dots per inch.
bool IsZplResolution(int dpi);

// What a symbol measures on the one-bit surface of `dpi`, in mils.
CSymbolMeasure MonoMeasure(const CSymbolView& view, int dpi, CFontLocator* fonts);

// Appends one label's block: on a roll or tape product (`page`) a page of the label's size with
// the label centred where printing centres it (`settings` the job's), otherwise a page as large
// as the label's image; printed `copies` times. False when the page cannot be drawn.
bool AppendZplPage(const CLabelContent& content, const CPrintSettings& settings,
                   const std::optional<CRollPage>& page, int dpi, std::int64_t copies,
                   CFontLocator* fonts, std::string& out);

// Every label of the job in one text: on a roll or tape product one page per label, otherwise
// each label alone; the same symbol on every label one block printed as many times (^PQ).
// Empty, or why the run could not be made.
CMessage MakeZplJob(CPrintJob job, int dpi, CFontLocator* fonts, std::string& out);

// The window's ZPL export of one label, on the print settings' roll or tape product when they
// name one; written as an image export is.
CExportResult ExportZplLabel(const CLabelContent& label, const std::string& path, int dpi,
                             CFontLocator* fonts = nullptr);
