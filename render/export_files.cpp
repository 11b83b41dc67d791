#include "render/export_files.h"

#include "common/atomic_file.h"
#include "engine/barcode_file.h"
#include "render/image_encoders.h"
#include "render/raster_image.h"

#include <algorithm>
#include <cctype>

namespace {

class ExportCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "export"; }
    std::string message(int e) const override {
        switch (static_cast<ExportError>(e)) {
        case ExportError::MetafileNotWritten:
            return "the metafile could not be written";
        case ExportError::PictureTooLarge:
            return "the picture would be too large";
        case ExportError::UnknownFormat:
            return "no format is written under this extension";
        case ExportError::PdfNotMade:
            return "the PDF page could not be drawn";
        case ExportError::ImageTooLarge:
            return "the image would be too large";
        case ExportError::ImageEmpty:
            return "the image would have no pixels";
        case ExportError::ImageNotMade:
            return "no memory for the image";
        case ExportError::NothingToDraw:
            return "the symbology cannot encode the data, so nothing is drawn";
        }
        return "export failed";
    }
};

} // namespace

std::error_code make_error_code(ExportError e) {
    static const ExportCategory category;
    return {static_cast<int>(e), category};
}

std::string ExportExtension(std::string_view path) {
    std::string ext = FileExtension(path);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "jpeg") return "jpg";
    if (ext == "tiff") return "tif";
    return ext;
}

bool IsKnownExportExtension(std::string_view path) {
    const std::string ext = ExportExtension(path);
    return std::find(std::begin(kExportExtensions), std::end(kExportExtensions), ext) !=
           std::end(kExportExtensions);
}

bool IsVectorExtension(std::string_view path) {
    const std::string ext = ExportExtension(path);
    return ext == "wmf" || ext == "emf" || ext == "svg" || ext == "pdf";
}

CExportResult ExportImageOrDocument(const CBarcode& barcode, const std::string& path,
                                    const CSymbolView& view, int dpi,
                                    const CFileWriteOptions& write, CFontLocator* fonts) {
    CExportResult result;
    AtomicWriteOptions options;
    options.sync = write.sync;
    options.manyFiles = write.manyFiles;
    const std::string ext = ExportExtension(path);
    const auto writeBytes = [&](std::vector<std::uint8_t> bytes) {
        return write.sink ? write.sink->Write(path, std::move(bytes), options)
                          : WriteFileAtomically(path, bytes, options);
    };
    if (ext == "qmx") {
        result.error = writeBytes(StoreBarcode(&barcode));
        return result;
    }
    const CMonoRaster raster = RenderSymbolMono(barcode, dpi, view, fonts);
    result.imageWidth = raster.plan.width;
    result.imageHeight = raster.plan.height;
    if (raster.plan.width <= 0 || raster.plan.height <= 0) {
        // No pixels: a resolution too low, or no marks at all (data the symbology cannot
        // encode), which no resolution mends.
        const bool nothing = MeasureSymbolMono(barcode, 1000, view, fonts).marks.empty;
        result.error = nothing ? ExportError::NothingToDraw : ExportError::ImageEmpty;
        return result;
    }
    if (!raster.plan.Drawable()) {
        result.error = ExportError::ImageTooLarge;
        return result;
    }
    if (raster.image.width <= 0) {
        result.error = ExportError::ImageNotMade;
        return result;
    }
    const ImageFileType type = ImageFileTypeForExtension(ext);
    std::vector<std::uint8_t> bytes;
    result.error = type == ImageFileType::Jpeg ? EncodeJpeg(ToGreyscale(raster.image), dpi, bytes)
                                               : EncodeImage(type, raster.image, dpi, bytes);
    if (!result.error) result.error = writeBytes(std::move(bytes));
    return result;
}
