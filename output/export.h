#pragma once
// Writing the symbol to a file: a vector picture, a raster image or a copy of the document,
// chosen by the file's extension. The window's Export and the command line both come here.

#include "engine/barcode.h"
#include "output/vector_common.h"
#include "render/export_files.h"
#include "render/label_drawing.h"
#include "render/symbol_drawing.h"

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <type_traits>
#include <vector>

struct CExportOptions {
    CSymbolView view;
    int dpi = 96; // raster images
    // Refuse an extension the program does not write (UnknownFormat), where the window's
    // dialog writes a BMP under it.
    bool strictExtension = false;
    // The vector picture's reference device.
    CReferenceScreen screen;
    // The font lookup of raster images; null: a lookup of their own.
    CFontLocator* fonts = nullptr;
    // A document copy's bytes (a document with a label design); null: the barcode alone.
    const std::vector<std::uint8_t>* document = nullptr;
};

// The resolution of raster exports: "Options"/"CopyResolution", or when it is 0 the default
// chosen from the screen's (engine::DefaultImageResolution).
int ExportResolution();

// The label's size on paper in mils, as the size read-out gives it: the width and height of
// its marks measured on a painter at a resolution fine enough (1000 dpi) that no zoom or device
// rounds it.
CSize LabelPaperSize(const CLabelContent& content);
// The same for a label holding the symbol alone.
CSize SymbolPaperSize(const CBarcode& barcode, const CSymbolView& view);

// The symbol at true size as an enhanced metafile, and the same drawing as an SVG document;
// empty when the picture would be too large (kMaxPictureBytes).
std::vector<std::uint8_t> RecordMetafile(const CBarcode& barcode, const CExportOptions& options);
std::string RecordSvg(const CBarcode& barcode, const CExportOptions& options);

// The bytes of a file in `format` (see ExportFormats(); null: a BMP image), nothing written: a
// vector picture through its writer, a raster image or the document as EncodeImageOrDocument
// makes them.
CExportResult EncodeExport(const CBarcode& barcode, const ExportFormat* format,
                           const CExportOptions& options, std::vector<std::uint8_t>& bytes);

// Writes `path` in the format of its extension (letter case ignored; see ExportFormats()): the
// metafile under "wmf" and "emf", the SVG picture, one PDF page the size of the symbol with its
// quiet zones (vector bars, the font embedded), and everything else as ExportImageOrDocument
// writes it.
CExportResult ExportSymbol(const CBarcode& barcode, const std::string& path,
                           const CExportOptions& options);

// The same for a label with its lines (the options' view is the label's): pictures and images of
// the label, at its size when it has one.
std::vector<std::uint8_t> RecordMetafile(const CLabelContent& label, const CExportOptions& options);
std::string RecordSvg(const CLabelContent& label, const CExportOptions& options);
CExportResult EncodeExport(const CLabelContent& label, const ExportFormat* format,
                           const CExportOptions& options, std::vector<std::uint8_t>& bytes);
CExportResult ExportLabel(const CLabelContent& label, const std::string& path,
                          const CExportOptions& options);
