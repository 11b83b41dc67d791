#pragma once
// The command line's export form: the symbol it describes, written to its file, every message
// on standard error. No Qt; the window program runs the same with a writer that also makes
// vector pictures.

#include "cli/command_line.h"
#include "common/label_geometry.h"
#include "job/label_design.h"
#include "render/export_files.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

// Writes one file of a label (its symbol as the view shows it, and its lines) at `dpi`.
using CSymbolWriter = std::function<CExportResult(
    const CLabelContent& label, const std::string& path, int dpi, const CFileWriteOptions& write)>;

// The document the export form names (or a new one) with its symbology, data and height
// options applied by the window's rules (job/document_edit.h); on failure the exit status and
// the message (without the program's name). `notes` say what the symbol carries where it is not
// what was given.
struct CExportSymbol {
    std::unique_ptr<CBarcode> barcode;
    int status = 0;
    std::string message;
    CMessages notes;
    // The label's lines (the document's, or those of --line) and, with lines, the label's size
    // in mils from the print settings' label product (none on plain paper); a run's data
    // template when --data holds fields.
    CLabelDesign design;
    CSize label;
    // Why the data as given encodes nothing (empty while it encodes something): the symbol's
    // own data may say less, a symbology having left out what it cannot take.
    CMessages why;
};
CExportSymbol MakeExportSymbol(const CCommandLineInfo& info);

// The whole export form; returns the exit status. When the command line names no resolution
// and the settings hold none, images take engine::DefaultImageResolution of `screenDpi`. A ZPL
// file is written on `label` (the product --label names, read by the window program) when
// given, else on the print settings' label product.
int RunExport(const CCommandLineInfo& info, const CSymbolWriter& write, int screenDpi,
              const std::optional<CLabelGeometry>& label = std::nullopt);

// A path made absolute from the working folder, without . and .. parts.
std::string AbsolutePath(const std::string& path);

// One line on standard error: "quillmark: " and the text, its line breaks made ": ".
void ReportError(const std::string& text);
// A message in English, the same way; a list of them a line each.
void ReportError(const CMessage& message);
void ReportErrors(const CMessages& messages);
