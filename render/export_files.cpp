#include "render/export_files.h"

#include "common/atomic_file.h"
#include "engine/barcode_file.h"
#include "render/image_encoders.h"
#include "render/raster_image.h"

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

CExportResult ExportFailed(std::error_code error) {
    CExportResult result;
    result.error = error;
    return result;
}

CExportResult NothingToDraw(const CBarcode& barcode) {
    CExportResult result;
    result.error = ExportError::NothingToDraw;
    result.why = barcode.CheckData(barcode.m_strData).change;
    if (result.why.empty()) result.why.push_back(MakeMessage(Msg::NoDataToEncode));
    return result;
}

CExportResult EncodeImageOrDocument(const CLabelContent& label, const ExportFormat* format, int dpi,
                                    CFontLocator* fonts, std::vector<std::uint8_t>& bytes,
                                    const std::vector<std::uint8_t>* document) {
    CExportResult result;
    if (format && format->writer == ExportWriter::Store) {
        bytes = document ? *document : StoreBarcode(label.symbol);
        return result;
    }
    const CMonoRaster raster = RenderLabelMono(label, dpi, fonts);
    result.imageWidth = raster.plan.width;
    result.imageHeight = raster.plan.height;
    if (raster.plan.width <= 0 || raster.plan.height <= 0) {
        // No pixels: a resolution too low, or no marks at all (data the symbology cannot
        // encode), which no resolution mends.
        const bool nothing =
            !label.symbol ||
            (label.lines.empty() &&
             MeasureSymbolMono(*label.symbol, 1000, label.view, fonts).marks.empty);
        if (nothing) {
            CExportResult none = label.symbol ? NothingToDraw(*label.symbol)
                                              : ExportFailed(ExportError::NothingToDraw);
            none.imageWidth = result.imageWidth;
            none.imageHeight = result.imageHeight;
            return none;
        }
        result.error = ExportError::ImageEmpty;
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
    const bool image = format && format->writer == ExportWriter::Image;
    result.error =
        EncodeImage(image ? format->image : ImageFileType::Bmp, raster.image, dpi, bytes);
    return result;
}

CExportResult EncodeImageOrDocument(const CBarcode& barcode, const ExportFormat* format,
                                    const CSymbolView& view, int dpi, CFontLocator* fonts,
                                    std::vector<std::uint8_t>& bytes) {
    return EncodeImageOrDocument(CLabelContent::Of(&barcode, view), format, dpi, fonts, bytes);
}

CExportResult ExportImageOrDocument(const CBarcode& barcode, const std::string& path,
                                    const CSymbolView& view, int dpi,
                                    const CFileWriteOptions& write, CFontLocator* fonts) {
    return ExportImageOrDocument(CLabelContent::Of(&barcode, view), path, dpi, write, fonts);
}

CExportResult ExportImageOrDocument(const CLabelContent& label, const std::string& path, int dpi,
                                    const CFileWriteOptions& write, CFontLocator* fonts,
                                    const std::vector<std::uint8_t>* document) {
    std::vector<std::uint8_t> bytes;
    CExportResult result =
        EncodeImageOrDocument(label, FindExportFormat(path), dpi, fonts, bytes, document);
    if (result.error) return result;
    AtomicWriteOptions options;
    options.sync = write.sync;
    options.manyFiles = write.manyFiles;
    options.syncData = write.syncData;
    result.error = write.sink ? write.sink->Write(path, std::move(bytes), options)
                              : WriteFileAtomically(path, bytes, options);
    return result;
}
