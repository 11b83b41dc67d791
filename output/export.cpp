#include "output/export.h"

#include "common/atomic_file.h"
#include "common/file_io.h"
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

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

// The vector pictures are drawn at true size (1000 units to the inch on the reference device),
// the symbol's marks from the device's origin onwards, so readers find the picture where its
// frame says. The frame takes in all the marks, a matrix symbol's quiet zone with them, though
// that draws nothing.
template <class Surface>
void DrawPicture(const CBarcode& barcode, Surface& surface, const CExportOptions& options) {
    surface.SetWindowExt({1000, 1000});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportExt({options.screen.dpiX, options.screen.dpiY});
    const CLabelContent label{&barcode, options.view};
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

// One PDF page as large as the raster image would be at 1000 dpi (the symbol with its quiet
// zones and a tenth as margin), the bars as filled rectangles and the text with its font.
bool WritePdf(const CBarcode& barcode, const std::string& path, const CSymbolView& view,
              std::error_code& ec) {
    constexpr int kPdfDpi = 1200;
    const CSize quiet = barcode.GetQuietZones();
    const CImagePlan plan = PlanSymbolImage(MeasureSymbolAt(barcode, 1000, view),
                                            std::max(quiet.cx, quiet.cy), view.rotation, 1000);
    if (!plan.Drawable() || plan.width > 200'000 || plan.height > 200'000) return false;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Quillmark"));
        writer.setResolution(kPdfDpi);
        // The page in points (1/72 inch) from the plan in mils.
        writer.setPageSize(QPageSize(QSizeF(plan.width * 0.072, plan.height * 0.072),
                                     QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&writer)) return false;
        CPainterSurface surface(painter, true);
        surface.SetWindowExt({1000, 1000});
        surface.SetWindowOrg({0, 0});
        surface.SetViewportExt({kPdfDpi, kPdfDpi});
        surface.SetViewportOrg({engine::ClampToInt(plan.width * kPdfDpi / 2000),
                                engine::ClampToInt(plan.height * kPdfDpi / 2000)});
        DrawLabel({&barcode, view}, surface);
        painter.end();
    }
    const QByteArray& bytes = buffer.data();
    ec = WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             static_cast<std::size_t>(bytes.size())));
    return true;
}

} // namespace

int ExportResolution() {
    const int r = settings::Get(settings::kCopyResolution);
    return r > 0 ? std::max(r, 10) : CReferenceScreen::Primary().dpiX;
}

bool FileExtensionIs(std::string_view path, std::string_view lowerExtension) {
    return ExportExtension(path) == lowerExtension;
}

CSize LabelPaperSize(const CLabelContent& content) {
    return ExtentSize(MeasureLabelAt(content, 1000).marks);
}

CSize SymbolPaperSize(const CBarcode& barcode, const CSymbolView& view) {
    return LabelPaperSize({&barcode, view});
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
    const std::string ext = ExportExtension(path);
    if (options.strictExtension && !IsKnownExportExtension(path)) {
        result.error = ExportError::UnknownFormat;
        return result;
    }
    // A picture of nothing is no export: the symbology cannot encode the data.
    if (IsVectorExtension(path) && MeasureSymbolAt(barcode, 1000, options.view).marks.empty) {
        result.error = ExportError::NothingToDraw;
        return result;
    }
    if (ext == "svg") {
        const std::string svg = RecordSvg(barcode, options);
        result.error = svg.empty() ? make_error_code(ExportError::PictureTooLarge)
                                   : WriteFileAtomically(path, AsBytes(svg));
        return result;
    }
    if (ext == "pdf") {
        if (!WritePdf(barcode, path, options.view, result.error))
            result.error = ExportError::PdfNotMade;
        return result;
    }
    if (ext == "wmf" || ext == "emf") {
        const std::vector<std::uint8_t> bytes = RecordMetafile(barcode, options);
        if (bytes.empty())
            result.error = ExportError::PictureTooLarge;
        else if (WriteFileAtomically(path, bytes))
            result.error = ExportError::MetafileNotWritten;
        return result;
    }
    return ExportImageOrDocument(barcode, path, options.view, options.dpi);
}
