#include "output/export.h"

#include "job/zpl_job.h"
#include "common/settings_keys.h"
#include "engine/barcode_file.h"
#include "engine/primitives.h"
#include "output/emf_surface.h"
#include "output/painter_surface.h"
#include "output/qimage_mono.h"
#include "output/raster.h"
#include "output/svg_surface.h"
#include "render/image_encoders.h"
#include "render/symbol_drawing.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The vector pictures are drawn at true size (1000 units to the inch on the reference device),
// the symbol's marks from the device's origin onwards, so readers find the picture where its
// frame says. The frame takes in all the marks, a matrix symbol's quiet zone with them, though
// that draws nothing.
template <class Surface>
void DrawPicture(const CLabelContent& label, Surface& surface, const CExportOptions& options) {
    surface.SetWindowExt({1000, 1000});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportExt({options.screen.dpiX, options.screen.dpiY});
    const CDrawnExtent extent = MeasureLabel(label, surface);
    const CExtentRect& marks = extent.marks;
    const auto half = [](double logical, int dpi) {
        return engine::ClampToInt(static_cast<std::int64_t>(std::ceil(logical * dpi / 2000.0)));
    };
    surface.SetViewportOrg(
        {half(marks.Width(), options.screen.dpiX), half(marks.Height(), options.screen.dpiY)});
    // A vector surface has no device grid: where the origin lies does not change the measure.
    DrawLabel(label, surface, &extent);
    if (marks.empty) return;
    // Where DrawLabel put them: its start point is where the measure's origin lay.
    const CPoint start = CentredStart(extent);
    surface.IncludeArea(marks.left + start.x, marks.top + start.y, marks.right + start.x,
                        marks.bottom + start.y);
}

} // namespace

int ExportResolution() {
    const int r = settings::Get(settings::kCopyResolution);
    return r > 0 ? std::max(r, 10)
                 : engine::DefaultImageResolution(CReferenceScreen::Primary().dpiX);
}

CSize LabelPaperSize(const CLabelContent& content) {
    return ExtentSize(MeasureLabelAt(content, 1000).marks);
}

CSize SymbolPaperSize(const CBarcode& barcode, const CSymbolView& view) {
    return LabelPaperSize(CLabelContent::Of(&barcode, view));
}

std::vector<std::uint8_t> RecordMetafile(const CLabelContent& label,
                                         const CExportOptions& options) {
    CEmfSurface surface(options.screen);
    DrawPicture(label, surface, options);
    return surface.Bytes();
}

std::string RecordSvg(const CLabelContent& label, const CExportOptions& options) {
    CSvgSurface surface(options.screen);
    DrawPicture(label, surface, options);
    return surface.Document();
}

std::vector<std::uint8_t> RecordMetafile(const CBarcode& barcode, const CExportOptions& options) {
    return RecordMetafile(CLabelContent::Of(&barcode, options.view), options);
}

std::string RecordSvg(const CBarcode& barcode, const CExportOptions& options) {
    return RecordSvg(CLabelContent::Of(&barcode, options.view), options);
}

CExportResult EncodeExport(const CLabelContent& label, const ExportFormat* format,
                           const CExportOptions& options, std::vector<std::uint8_t>& bytes) {
    // Every format, the vector pictures too, is written without Qt, as the command line
    // writes it.
    return EncodeImageOrDocument(label, format, options.dpi, options.fonts, bytes,
                                 options.document);
}

CExportResult EncodeExport(const CBarcode& barcode, const ExportFormat* format,
                           const CExportOptions& options, std::vector<std::uint8_t>& bytes) {
    return EncodeExport(CLabelContent::Of(&barcode, options.view), format, options, bytes);
}

CExportResult ExportLabel(const CLabelContent& label, const std::string& path,
                          const CExportOptions& options) {
    const ExportFormat* format = FindExportFormat(path);
    CExportResult result;
    if (options.strictExtension && !format) {
        result.error = ExportError::UnknownFormat;
        return result;
    }
    // A label printer's page: on the print settings' roll or tape label, as it prints, at the
    // most common label printers' 203 dpi unless the export's resolution is a ZPL printer's.
    if (format && format->writer == ExportWriter::Zpl)
        return ExportZplLabel(label, path, IsZplResolution(options.dpi) ? options.dpi : 203,
                              options.fonts);
    return ExportImageOrDocument(label, path, options.dpi, {}, options.fonts, options.document);
}

CExportResult ExportSymbol(const CBarcode& barcode, const std::string& path,
                           const CExportOptions& options) {
    return ExportLabel(CLabelContent::Of(&barcode, options.view), path, options);
}
