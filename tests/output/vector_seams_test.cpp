// The vector pictures read back as viewers draw them: at 600 dpi, anti-aliased, by real
// renderers. A bar drawn as several shapes side by side shows a grey seam wherever their shared
// edge falls inside a pixel; one shape per bar shows none, and the symbol reads.
#include "engine/barcode.h"
#include "output/export.h"
#include "render/export_formats.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/image_scan.h"
#include "tests/support/run_command.h"
#include "tests/support/settings_fixture.h"

#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr CReferenceScreen kScreen{1920, 1080, 96, 96};
constexpr int kDpi = 600;

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Spill(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// Runs a converter; fails the test with its messages when it fails.
bool Convert(const std::string& command) {
    bool ok = false;
    const std::string log = RunCommand(command, &ok, true);
    EXPECT_TRUE(ok) << command << ": " << log;
    return ok;
}

// An SVG picture drawn anti-aliased at 600 dpi. Office suites ignore the crisp-edges hint the
// picture carries, so it is drawn without it, as they draw it.
QImage RenderSvg(const fs::path& svg, const fs::path& dir) {
    const QString text = QString::fromStdString(Slurp(svg))
                             .remove(QStringLiteral(" shape-rendering=\"crispEdges\""));
    Spill(dir / "plain.svg", text.toStdString());
    const fs::path png = dir / "svg.png";
    if (!Convert("rsvg-convert -b white -d 600 -p 600 " + (dir / "plain.svg").string() + " -o " +
                 png.string()))
        return {};
    return QImage(QString::fromStdString(png.string()));
}

// A metafile played by a real EMF converter into SVG, then drawn at 600 dpi. The converter
// places everything in the reference screen's pixels but strokes a geometric pen with its
// logical width unscaled (other players take it through the window-to-viewport scale): its
// stroke widths are scaled to pixels before drawing.
QImage RenderEmf(const fs::path& emf, const fs::path& dir) {
    const fs::path played = dir / "played.svg";
    if (!Convert("emf2svg-conv -i " + emf.string() + " -o " + played.string())) return {};
    QString svg = QString::fromStdString(Slurp(played));
    static const QRegularExpression stroke(QStringLiteral("stroke-width=\"([0-9.]+)\""));
    QString scaled;
    qsizetype at = 0;
    for (auto it = stroke.globalMatch(svg); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        scaled += svg.mid(at, m.capturedStart() - at) +
                  QStringLiteral("stroke-width=\"%1\"")
                      .arg(m.captured(1).toDouble() * kScreen.dpiX / 1000.0, 0, 'f', 4);
        at = m.capturedEnd();
    }
    scaled += svg.mid(at);
    Spill(dir / "scaled.svg", scaled.toStdString());
    const fs::path png = dir / "emf.png";
    if (!Convert("rsvg-convert -b white -z " + std::to_string(double(kDpi) / kScreen.dpiX) + " " +
                 (dir / "scaled.svg").string() + " -o " + png.string()))
        return {};
    return QImage(QString::fromStdString(png.string()));
}

// A PDF page drawn at 600 dpi by poppler's own renderer or through cairo.
QImage RenderPdf(const fs::path& pdf, const fs::path& dir, const std::string& tool) {
    const fs::path base = dir / tool;
    if (!Convert(tool + " -r 600 -gray -png -singlefile " + pdf.string() + " " + base.string()))
        return {};
    return QImage(QString::fromStdString(base.string() + ".png"));
}

// Along the middle row: the bars (runs darker than half grey) and the pixels inside them,
// their edge pixels aside, that are lighter than near black: a seam between two shapes.
struct BarRow {
    int bars = 0;
    int seamPixels = 0;
};
BarRow ReadBars(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const uchar* row = grey.constScanLine(grey.height() / 2);
    BarRow read;
    for (int x = 0; x < grey.width();) {
        if (row[x] >= 128) {
            ++x;
            continue;
        }
        const int start = x;
        while (x < grey.width() && row[x] < 128)
            ++x;
        ++read.bars;
        for (int inside = start + 1; inside < x - 1; ++inside)
            read.seamPixels += row[inside] > 32 ? 1 : 0;
    }
    return read;
}

// An EPS picture drawn at 600 dpi by ghostscript, cropped to its bounding box.
QImage RenderEps(const fs::path& eps, const fs::path& dir) {
    const fs::path png = dir / "eps.png";
    if (!Convert("gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=pnggray -r600 "
                 "-dGraphicsAlphaBits=4 -dTextAlphaBits=4 -sOutputFile=" +
                 png.string() + " " + eps.string()))
        return {};
    return QImage(QString::fromStdString(png.string()));
}

} // namespace

class VectorSeamTest : public SettingsTest {};

// Every vector output, exported and as the clipboard offers it, for symbols whose wide bars
// span several modules; at 13 mil a module is 7.8 dots of 600 dpi, so shared edges would fall
// inside pixels.
TEST_F(VectorSeamTest, EveryBarIsOneShapeWithoutASeamAndTheSymbolReads) {
    SetDensityRatio(13, 25);
    const struct {
        const char* className;
        const char* data;
        const char* reads;
    } symbols[] = {
        {"C128Barcode", "QM-1234", "QM-1234"},
        {"CGS1128Barcode", "(01)09501101530003", "0109501101530003"},
        {"C93Barcode", "CODE-93", "CODE-93"},
        {"CEAN8Barcode", "9638507", "96385074"},
    };
    const fs::path dir = env.Root();
    for (const auto& s : symbols) {
        auto barcode = CreateBarcode(s.className);
        ASSERT_NE(barcode, nullptr);
        barcode->SetData(s.data);
        CExportOptions options;
        options.screen = kScreen;
        const auto exported = [&](const char* extension) {
            const fs::path file = dir / (std::string("symbol.") + extension);
            EXPECT_TRUE(ExportSymbol(*barcode, file.string(), options)) << extension;
            return file;
        };
        const fs::path clipboardSvg = dir / "clipboard.svg", clipboardEmf = dir / "clipboard.emf";
        Spill(clipboardSvg, RecordSvg(*barcode, options));
        const std::vector<std::uint8_t> emf = RecordMetafile(*barcode, options);
        Spill(clipboardEmf, std::string(emf.begin(), emf.end()));
        const std::pair<const char*, QImage> renderings[] = {
            {"SVG", RenderSvg(exported("svg"), dir)},
            {"PDF (poppler)", RenderPdf(exported("pdf"), dir, "pdftoppm")},
            {"PDF (cairo)", RenderPdf(exported("pdf"), dir, "pdftocairo")},
            {"EPS", RenderEps(exported("eps"), dir)},
            {"EMF", RenderEmf(exported("emf"), dir)},
            {"WMF", RenderEmf(exported("wmf"), dir)},
            {"clipboard SVG", RenderSvg(clipboardSvg, dir)},
            {"clipboard EMF", RenderEmf(clipboardEmf, dir)},
        };
        for (const auto& [output, image] : renderings) {
            SCOPED_TRACE(std::string(s.className) + " as " + output);
            ASSERT_FALSE(image.isNull());
            const BarRow row = ReadBars(image);
            EXPECT_GT(row.bars, 10);
            EXPECT_EQ(row.seamPixels, 0);
            const ScanResult read = ScanImage(image);
            EXPECT_EQ(read.ok ? read.text : "<nothing>", s.reads);
        }
    }
}
