#pragma once
// Writing the symbol into files without Qt: raster images, vector pictures (metafile, SVG, EPS,
// PDF) by their extension, and copies of the document. The window's export (output/export.h)
// comes here too, so an image or a picture is the same file from the window and from the
// command line.

#include "common/queued_file_writer.h"
#include "engine/barcode.h"
#include "render/export_formats.h"
#include "render/font_locator.h"
#include "render/label_drawing.h"
#include "render/symbol_drawing.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

// A vector picture stops recording beyond this size: no real symbol comes near it, and a
// damaged document's megabytes of data would otherwise take gigabytes.
inline constexpr std::size_t kMaxPictureBytes = std::size_t{64} << 20;

// Makes room in a picture's recording in steps that never take its buffer past
// kMaxPictureBytes (a buffer left to double itself would hold twice that, and the copy made
// while growing three times); false once the recording has no room for another record.
template <class Buffer> bool MakeRoomInPicture(Buffer& buffer) {
    constexpr std::size_t kLargeRecord = std::size_t{1} << 16;
    if (buffer.capacity() - buffer.size() >= kLargeRecord) return true;
    if (buffer.size() + kLargeRecord > kMaxPictureBytes) return false;
    buffer.reserve(std::min(kMaxPictureBytes, std::max(buffer.capacity() * 2, 4 * kLargeRecord)));
    return true;
}

enum class ExportError {
    MetafileNotWritten = 1, // the metafile could not be written
    PictureTooLarge,        // the vector picture would be too large
    UnknownFormat,          // an extension the program writes nothing for
    PdfNotMade,             // the PDF page could not be drawn
    ImageTooLarge,          // the raster image would be larger than kMaxImageBytes
    ImageEmpty,             // the raster image would have no pixels
    ImageNotMade,           // no memory for the raster image
    NothingToDraw,          // the symbology cannot encode the data: the symbol draws nothing
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
    // NothingToDraw: why the symbology encodes nothing (too long, not its format, no data).
    CMessages why;
    explicit operator bool() const { return !error; }
};

// A failure that is no more than its error.
CExportResult ExportFailed(std::error_code error);
// The failure of an export whose symbol draws nothing, with the symbology's reason.
CExportResult NothingToDraw(const CBarcode& barcode);

struct CFileWriteOptions {
    bool sync = true;       // each file reaches the disk before the call returns
    bool manyFiles = false; // without sync: one of many files written one after another
    // Takes the finished file's bytes to write, perhaps later; without one the file is written
    // before the call returns.
    CFileSink* sink = nullptr;
    // A document copy's bytes (a document with a label design); null: the barcode alone.
    const std::vector<std::uint8_t>* document = nullptr;
    // Without sync: the file's data reaches the disk before it takes its name; the caller makes
    // the names durable with SyncFolder, once per folder.
    bool syncData = false;
};

// Whether the format is a vector picture written here, without Qt.
bool WritesPictureWithoutQt(const ExportFormat* format);

// The bytes of `format` (a raster image, a vector picture of those written here, or the document;
// null or any other: a BMP image) with the image's planned size; nothing is written. A document
// copy is `document` where given (a document with a label design), else the symbol's barcode alone.
CExportResult EncodeImageOrDocument(const CLabelContent& label, const ExportFormat* format, int dpi,
                                    CFontLocator* fonts, std::vector<std::uint8_t>& bytes,
                                    const std::vector<std::uint8_t>* document = nullptr);
CExportResult EncodeImageOrDocument(const CBarcode& barcode, const ExportFormat* format,
                                    const CSymbolView& view, int dpi, CFontLocator* fonts,
                                    std::vector<std::uint8_t>& bytes);

// Writes a document copy as the document's bytes, a vector picture written here as that
// picture, and every other extension as a raster image at `dpi` (an unknown one as BMP), as
// EncodeImageOrDocument makes them.
CExportResult ExportImageOrDocument(const CBarcode& barcode, const std::string& path,
                                    const CSymbolView& view, int dpi,
                                    const CFileWriteOptions& write = {},
                                    CFontLocator* fonts = nullptr);
CExportResult ExportImageOrDocument(const CLabelContent& label, const std::string& path, int dpi,
                                    const CFileWriteOptions& write = {},
                                    CFontLocator* fonts = nullptr,
                                    const std::vector<std::uint8_t>* document = nullptr);
