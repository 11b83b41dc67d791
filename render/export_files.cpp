#include "render/export_files.h"

#include "common/atomic_file.h"
#include "engine/barcode_file.h"
#include "render/emf_writer.h"
#include "render/image_encoders.h"
#include "render/raster_image.h"
#include "render/zpl_encoder.h"
#include "render/vector_surface.h"
#include "render/vector_writers.h"

#include <memory>

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

// The page of a PDF of one label: the label's own size when it has lines on a label, otherwise
// as large as the raster image would be at 1000 dpi (the symbol with its quiet zones and a
// tenth as margin).
CImagePlan PdfPage(const CLabelContent& label, CFontLocator& fonts) {
    if (!label.lines.empty() && label.label.cx > 0 && label.label.cy > 0)
        return {label.label.cx, label.label.cy};
    CVectorSurface surface(fonts);
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({1000, 1000});
    const CDrawnExtent extent = MeasureLabel(label, surface);
    const CSize quiet =
        label.symbol && label.lines.empty() ? label.symbol->GetQuietZones() : CSize{};
    return PlanSymbolImage(extent, std::max(quiet.cx, quiet.cy), label.view.rotation, 1000);
}

// A vector picture's bytes in the writer's format.
CExportResult EncodePicture(const CLabelContent& label, ExportWriter writer, CFontLocator* fonts,
                            std::vector<std::uint8_t>& bytes) {
    std::unique_ptr<CFontLocator> own;
    if (!fonts) fonts = (own = std::make_unique<CFontLocator>()).get();
    const CVectorPicture picture = RecordLabelPicture(label, *fonts);
    if (picture.empty)
        return label.symbol ? NothingToDraw(*label.symbol)
                            : ExportFailed(ExportError::NothingToDraw);
    if (picture.tooLarge) return ExportFailed(ExportError::PictureTooLarge);
    if (writer == ExportWriter::Metafile) {
        bytes = EmfDocument(picture);
        return {};
    }
    std::string text;
    if (writer == ExportWriter::Svg) {
        text = SvgDocument(picture);
    } else if (writer == ExportWriter::Eps) {
        text = EpsDocument(picture);
    } else {
        const CImagePlan page = PdfPage(label, *fonts);
        if (!page.Drawable() || page.width > 200'000 || page.height > 200'000)
            return ExportFailed(ExportError::PdfNotMade);
        text =
            PdfDocument(picture, static_cast<double>(page.width), static_cast<double>(page.height));
    }
    bytes.assign(text.begin(), text.end());
    return {};
}

} // namespace

bool WritesPictureWithoutQt(const ExportFormat* format) {
    return format && format->kind == ExportKind::Vector && format->withoutQt;
}

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
    if (WritesPictureWithoutQt(format)) return EncodePicture(label, format->writer, fonts, bytes);
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
    if (format && format->writer == ExportWriter::Zpl) {
        // The label alone, as large as its image; a roll's page is the job's (job/zpl_job.h).
        std::string zpl;
        AppendZplLabel(raster.image, 1, zpl);
        bytes.assign(zpl.begin(), zpl.end());
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
