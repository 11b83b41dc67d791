// Feeds arbitrary bytes to the ".qmx" loader and draws whatever it accepted the way every
// output does: into every format of the export's table (raster images from the one-bit surface,
// the vector pictures, the document), with the painter, in all four rotations, and printed
// into a PDF file as the print path prints (which its check must find whole), under one of a
// table of extreme settings and field values chosen by the input. A damaged file must be
// refused, drawn or refused with a message, never crash, overflow or run away.

#include "common/settings_store.h"
#include "common/written_pdf.h"
#include "engine/barcode_file.h"
#include "output/export.h"
#include "output/print_page.h"
#include "output/qimage_mono.h"
#include "output/raster.h"
#include "render/export_formats.h"
#include "render/raster_image.h"

#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct Variant {
    int density, ratio;        // the store's "Options" values
    std::int64_t fontSize;     // the document's, or kAsLoaded
    std::int64_t height, unit; // the document's, or kAsLoaded
};
constexpr std::int64_t kAsLoaded = INT64_MIN;
constexpr Variant kVariants[] = {
    {10, 25, kAsLoaded, kAsLoaded, kAsLoaded},
    {7, 20, 0, 1, 0},
    {20, 30, 1000, 100000, 0},
    {INT_MAX, INT_MAX, INT_MAX, INT_MAX, 1},
    {INT_MIN, INT_MIN, INT_MIN, INT_MIN, 0},
    {-1, 0, -72, -750, 1},
    {13, 27, 72, 2147483, 7},
};

std::vector<std::string> g_configs; // one settings folder per variant

std::string g_pdf; // the print path's PDF file, written again for every input

// Images larger than this are only planned, not drawn: drawing them shows nothing new.
constexpr std::int64_t kMaxDrawnPixels = 1 << 21;

void Render(const CBarcode& barcode, int rotation, int dpi) {
    const CSymbolView view{rotation, true};
    const CSize quietZones = barcode.GetQuietZones();
    const int quiet = std::max(quietZones.cx, quietZones.cy);
    // The painter's measure, as printing and the window take it.
    (void)PlanSymbolImage(MeasureSymbolAt(barcode, dpi, view), quiet, rotation, dpi);
    // Images are drawn on the one-bit surface, so its own measure says how large they come out.
    // One font lookup serves every run.
    static CFontLocator fonts;
    const CImagePlan plan =
        PlanSymbolImage(MeasureSymbolMono(barcode, dpi, view, &fonts), quiet, rotation, dpi);
    const bool drawImages = plan.Drawable() && plan.width * plan.height <= kMaxDrawnPixels;
    CExportOptions options;
    options.view = view;
    options.dpi = dpi;
    options.fonts = &fonts;
    // Every format the export writes, into memory. Vector pictures stop at their size cap;
    // each must come back whole or with an error.
    std::vector<std::uint8_t> bytes;
    for (const ExportFormat& format : ExportFormats()) {
        if (format.kind == ExportKind::Raster && !drawImages) continue;
        bytes.clear();
        (void)EncodeExport(barcode, &format, options, bytes);
    }
    if (!drawImages) return;
    // The painter's image, as printing draws it, taken to one bit per pixel.
    const QImage image = RenderSymbolImage(barcode, dpi, view);
    if (!image.isNull()) (void)MonoImageFromQImage(image);
}

// The symbol printed as the print path prints it into a PDF file: a run of three labels on
// plain pages, painted by the page routine. The file Qt's writer leaves must pass the check that
// puts a printed PDF in place: whatever was drawn, a whole file is never taken for a cut one.
void PrintPdf(const CBarcode& barcode) {
    {
        QPdfWriter writer(QString::fromStdString(g_pdf));
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer)) std::abort();
        CPrinterFacts facts;
        facts.lpx = writer.logicalDpiX();
        facts.lpy = writer.logicalDpiY();
        const QRect paint = writer.pageLayout().paintRectPixels(writer.resolution());
        facts.printableWidth = paint.width();
        facts.printableHeight = paint.height();
        const CLabelContent label{&barcode, {0, true}};
        int labels = 0;
        PaintRunPages(
            painter, facts, CPrintSettings{}, 0,
            [&]() -> const CLabelContent* { return labels++ < 3 ? &label : nullptr; },
            [&writer] { return writer.newPage(); }, false);
        painter.end();
    }
    if (CheckWrittenPdf(g_pdf)) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static std::string dir = (std::filesystem::temp_directory_path() / "qmrender-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    setenv("XDG_CACHE_HOME", dir.c_str(), 1); // the font lookup's cache
    g_pdf = dir + "/print.pdf";
    for (std::size_t i = 0; i < std::size(kVariants); ++i) {
        const std::string config = dir + "/" + std::to_string(i);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        SettingsStore store;
        if (!store.WriteInt("Options", "Density", kVariants[i].density) ||
            !store.WriteInt("Options", "Ratio", kVariants[i].ratio))
            std::abort();
        g_configs.push_back(config);
    }
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Data of kilobytes only makes drawing slow, not more interesting.
    if (size > 4096) return 0;
    // The variant follows from the bytes, so every document, seeds included, loads as it is.
    std::size_t sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum += data[i];
    const std::size_t which = sum % std::size(kVariants);
    std::unique_ptr<CBarcode> barcode;
    try {
        barcode = LoadBarcode(std::span<const std::uint8_t>(data, size));
    } catch (const CArchiveException&) {
        return 0;
    }
    const Variant& v = kVariants[which];
    setenv("XDG_CONFIG_HOME", g_configs[which].c_str(), 1);
    if (v.fontSize != kAsLoaded) barcode->m_nFontSize = static_cast<std::int32_t>(v.fontSize);
    if (v.height != kAsLoaded) barcode->m_nHeight = static_cast<std::int32_t>(v.height);
    if (v.unit != kAsLoaded) barcode->m_nHeightUnit = static_cast<std::int32_t>(v.unit);
    const int dpi = size % 2 ? 72 : 150;
    for (int rotation = 0; rotation < 4; ++rotation)
        Render(*barcode, rotation, dpi);
    PrintPdf(*barcode);
    return 0;
}
