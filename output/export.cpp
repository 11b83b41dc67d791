#include "output/export.h"

#include "common/atomic_file.h"
#include "common/settings_keys.h"
#include "engine/barcode_file.h"
#include "engine/primitives.h"
#include "output/emf_surface.h"
#include "output/painter_surface.h"
#include "output/qimage_mono.h"
#include "output/raster.h"
#include "output/svg_surface.h"
#include "output/symbol_drawing.h"
#include "render/image_encoders.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <cmath>

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
        case ExportError::ImageTooLarge:
            return "the image would be too large";
        case ExportError::ImageEmpty:
            return "the image would have no pixels";
        case ExportError::ImageNotMade:
            return "no memory for the image";
        }
        return "export failed";
    }
};

// The vector pictures are drawn at true size (1000 units to the inch on the reference device),
// the symbol's marks from the device's origin onwards, so readers find the picture where its
// frame says.
void DrawPicture(const CBarcode& barcode, CMappedSurface& surface, const CExportOptions& options) {
    surface.SetWindowExt({1000, 1000});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportExt({options.screen.dpiX, options.screen.dpiY});
    const CExtentRect marks = MeasureSymbol(barcode, surface, options.view).marks;
    const auto half = [](double logical, int dpi) {
        return engine::ClampToInt(static_cast<std::int64_t>(std::ceil(logical * dpi / 2000.0)));
    };
    surface.SetViewportOrg({half(marks.Width(), options.screen.dpiX),
                            half(marks.Height(), options.screen.dpiY)});
    DrawSymbolCentred(barcode, surface, options.view);
}

std::string LowerExtension(std::string_view path) {
    std::string ext = FileExtension(path);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

int ExportResolution() {
    const int r = settings::Get(settings::kCopyResolution);
    return r > 0 ? std::max(r, 10) : CReferenceScreen::Primary().dpiX;
}

bool FileExtensionIs(std::string_view path, std::string_view lowerExtension) {
    return LowerExtension(path) == lowerExtension;
}

std::error_code make_error_code(ExportError e) {
    static const ExportCategory category;
    return {static_cast<int>(e), category};
}

CSize SymbolPaperSize(const CBarcode& barcode, const CSymbolView& view) {
    return ExtentSize(MeasureSymbolAt(barcode, 1000, view).marks);
}

std::vector<std::uint8_t> RecordMetafile(const CBarcode& barcode, const CExportOptions& options) {
    CEmfSurface surface(options.screen);
    DrawPicture(barcode, surface, options);
    return surface.Bytes();
}

std::string RecordSvg(const CBarcode& barcode, const CExportOptions& options) {
    CSvgSurface surface(options.screen);
    DrawPicture(barcode, surface, options);
    return surface.Document();
}

CExportResult ExportSymbol(const CBarcode& barcode, const std::string& path,
                           const CExportOptions& options) {
    CExportResult result;
    const std::string ext = LowerExtension(path);
    if (ext == "qmx") {
        result.error = WriteFileAtomically(path, StoreBarcode(&barcode));
        return result;
    }
    if (ext == "wmf") {
        const std::vector<std::uint8_t> bytes = RecordMetafile(barcode, options);
        if (bytes.empty())
            result.error = ExportError::PictureTooLarge;
        else if (WriteFileAtomically(path, bytes))
            result.error = ExportError::MetafileNotWritten;
        return result;
    }
    const CSize quiet = barcode.GetQuietZones();
    const CImagePlan plan =
        PlanSymbolImage(MeasureSymbolAt(barcode, options.dpi, options.view),
                        std::max(quiet.cx, quiet.cy), options.view.rotation, options.dpi);
    result.imageWidth = plan.width;
    result.imageHeight = plan.height;
    if (plan.width <= 0 || plan.height <= 0) {
        result.error = ExportError::ImageEmpty;
        return result;
    }
    if (!plan.Drawable()) {
        result.error = ExportError::ImageTooLarge;
        return result;
    }
    const QImage image = RenderSymbolImage(barcode, options.dpi, options.view);
    if (image.isNull()) {
        result.error = ExportError::ImageNotMade;
        return result;
    }
    const MonoImage mono = MonoImageFromQImage(image);
    const ImageFileType type = ImageFileTypeForExtension(ext);
    result.error = type == ImageFileType::Jpeg
                       ? WriteImageFile(path, ToGreyscale(mono), options.dpi)
                       : WriteImageFile(path, type, mono, options.dpi);
    return result;
}
