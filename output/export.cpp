#include "output/export.h"

#include "common/atomic_file.h"
#include "common/settings_keys.h"
#include "engine/barcode_file.h"
#include "output/emf_surface.h"
#include "output/image_encoders.h"
#include "output/painter_surface.h"
#include "output/raster.h"
#include "output/svg_surface.h"
#include "output/symbol_drawing.h"

#include <QImage>
#include <QPainter>

#include <cctype>

namespace {

class ExportCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "export"; }
    std::string message(int e) const override {
        switch (static_cast<ExportError>(e)) {
        case ExportError::MetafileNotWritten:
            return "the metafile could not be written";
        case ExportError::ImageNotMade:
            return "the image could not be drawn";
        case ExportError::ImageNotEncoded:
            return "the image could not be encoded";
        }
        return "export failed";
    }
};

// The vector pictures are drawn at true size (1000 units to the inch on the reference device),
// centred on the given device point.
void DrawPicture(const CBarcode& barcode, CMappedSurface& surface, const CExportOptions& options) {
    surface.SetWindowExt({1000, 1000});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportExt({options.screen.dpiX, options.screen.dpiY});
    surface.SetViewportOrg(options.pictureCentre);
    const CSize size = MeasureSymbolOnScreen(barcode, options.view.showText, 1, options.screen.dpiX,
                                             options.screen.dpiY);
    DrawSymbolCentred(barcode, surface, options.view.rotation, options.view.showText, size);
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
    return r > 0 ? r : CReferenceScreen::Primary().dpiX;
}

bool FileExtensionIs(std::string_view path, std::string_view lowerExtension) {
    return LowerExtension(path) == lowerExtension;
}

std::error_code make_error_code(ExportError e) {
    static const ExportCategory category;
    return {static_cast<int>(e), category};
}

CSize MeasureSymbolOnScreen(const CBarcode& barcode, bool showText, int zoom, int dpiX, int dpiY) {
    QImage scratch(1, 1, QImage::Format_Grayscale8);
    QPainter painter(&scratch);
    CPainterSurface surface(painter, true);
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({zoom * dpiX, zoom * dpiY});
    return MeasureSymbol(barcode, surface, showText);
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

std::error_code ExportSymbol(const CBarcode& barcode, const std::string& path,
                             const CExportOptions& options) {
    const std::string ext = LowerExtension(path);
    if (ext == "qmx") return WriteFileAtomically(path, StoreBarcode(&barcode));
    if (ext == "wmf") {
        if (WriteFileAtomically(path, RecordMetafile(barcode, options)))
            return ExportError::MetafileNotWritten;
        return {};
    }
    const QImage image = RenderSymbolImage(barcode, options.dpi, options.view.rotation,
                                           options.view.showText, options.rasterSymbolSize);
    if (image.isNull()) return ExportError::ImageNotMade;
    const MonoImage mono = MonoImageFromQImage(image);
    const ImageFileType type = ImageFileTypeForExtension(ext);
    return type == ImageFileType::Jpeg ? WriteImageFile(path, ToGreyscale(mono), options.dpi)
                                       : WriteImageFile(path, type, mono, options.dpi);
}
