#pragma once
// Writing the symbol to a file: a vector picture, a raster image or a copy of the document,
// chosen by the file's extension. The window's Export and the command line both come here.

#include "engine/barcode.h"
#include "output/symbol_drawing.h"
#include "output/vector_common.h"

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <type_traits>
#include <vector>

struct CExportOptions {
    CSymbolView view;
    int dpi = 96; // raster images
    // The vector picture's reference device.
    CReferenceScreen screen;
};

// The resolution of raster exports: "Options"/"CopyResolution", or the screen's when it is 0.
int ExportResolution();

// Whether the extension of `path` is `lowerExtension`, letter case ignored.
bool FileExtensionIs(std::string_view path, std::string_view lowerExtension);

// The symbol's size on paper in mils, as the size read-out gives it: the width and height of
// its marks measured at a resolution fine enough (1000 dpi) that no zoom or device rounds it.
CSize SymbolPaperSize(const CBarcode& barcode, const CSymbolView& view);

// The symbol at true size as an enhanced metafile, and the same drawing as an SVG document;
// empty when the picture would be too large (kMaxPictureBytes).
std::vector<std::uint8_t> RecordMetafile(const CBarcode& barcode, const CExportOptions& options);
std::string RecordSvg(const CBarcode& barcode, const CExportOptions& options);

enum class ExportError {
    MetafileNotWritten = 1, // the metafile could not be written
    PictureTooLarge,        // the vector picture would pass kMaxPictureBytes
    ImageTooLarge,          // the raster image would have more than kMaxImagePixels
    ImageEmpty,             // the raster image would have no pixels
    ImageNotMade,           // no memory for the raster image
};
namespace std {
template <> struct is_error_code_enum<ExportError> : true_type {};
} // namespace std
std::error_code make_error_code(ExportError e);

struct CExportResult {
    // File-system failures in the generic category with errno's value, the encoders' in
    // ImageEncodeCategory(), the rest as ExportError.
    std::error_code error;
    // A raster image's width and height in pixels as planned, for the messages.
    std::int64_t imageWidth = 0, imageHeight = 0;
    explicit operator bool() const { return !error; }
};

// Writes `path` by its extension (letter case ignored): "qmx" the document's bytes, "wmf" the
// metafile, every other extension a raster image (see ImageFileTypeForExtension).
CExportResult ExportSymbol(const CBarcode& barcode, const std::string& path,
                           const CExportOptions& options);
