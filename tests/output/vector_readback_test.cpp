// Every symbology as each vector picture the program writes without Qt (SVG, EPS, PDF and the
// metafile), drawn at 600 dpi by the renderers people view them with (librsvg, ghostscript,
// poppler, a metafile player), anti-aliased: the symbol reads back as its data with a real
// reader, and no mark shows a seam (a light pixel between dark ones, where two shapes would
// meet).
#include "engine/barcode.h"
#include "render/export_files.h"
#include "render/export_formats.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/image_scan.h"
#include "tests/support/run_command.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/symbology_samples.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// The picture drawn at 600 dpi in grey by the renderer of its format; null when it failed.
QImage Render(const fs::path& picture, const std::string& extension) {
    const fs::path png = picture.parent_path() / (extension + ".png");
    std::string command;
    if (extension == "svg")
        command = "rsvg-convert -b white -d 600 -p 600 " + picture.string() + " -o " + png.string();
    else if (extension == "emf")
        // A metafile player turns it into SVG, at the reference screen's 96 dots per inch.
        command = "emf2svg-conv -i " + picture.string() + " -o " + picture.string() +
                  ".svg && rsvg-convert -b white -z " + std::to_string(600.0 / 96) + " " +
                  picture.string() + ".svg -o " + png.string();
    else if (extension == "eps")
        command = "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=pnggray -r600 "
                  "-dGraphicsAlphaBits=4 -sOutputFile=" +
                  png.string() + " " + picture.string();
    else
        command = "pdftoppm -r 600 -gray -png -singlefile " + picture.string() + " " +
                  (picture.parent_path() / extension).string();
    bool ok = false;
    const std::string log = RunCommand(command, &ok, true);
    EXPECT_TRUE(ok) << command << ": " << log;
    return ok ? QImage(QString::fromStdString(png.string())) : QImage();
}

// Pixels lighter than near black between two near-black ones, across or down: where two shapes
// meet inside a mark. The anti-aliased edge of a mark has a light side, so it is not counted.
int SeamPixels(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const auto dark = [&grey](int x, int y) { return grey.constScanLine(y)[x] < 32; };
    int seams = 0;
    for (int y = 1; y + 1 < grey.height(); ++y)
        for (int x = 1; x + 1 < grey.width(); ++x)
            if (!dark(x, y) &&
                ((dark(x - 1, y) && dark(x + 1, y)) || (dark(x, y - 1) && dark(x, y + 1))))
                ++seams;
    return seams;
}

} // namespace

class VectorReadbackTest : public SettingsTest {};

TEST_F(VectorReadbackTest, EverySymbologyReadsBackFromEveryPictureWithoutSeams) {
    SetDensityRatio(13, 25);
    std::set<std::string> done;
    int read = 0;
    for (const ReadCase& c : ReadCases()) {
        // Each symbology's ordinary sample, where the reader knows the symbology.
        if (!c.format || !done.insert(c.className).second) continue;
        const std::unique_ptr<CBarcode> barcode = CreateBarcode(c.className);
        ASSERT_NE(barcode, nullptr) << c.className;
        barcode->SetData(c.data);
        for (const std::string extension : {"svg", "eps", "pdf", "emf"}) {
            SCOPED_TRACE(std::string(c.className) + " as " + extension);
            const fs::path file = env.Root() / ("symbol." + extension);
            // Without the human-readable text, whose letters have narrow light gaps of their own.
            ASSERT_TRUE(ExportImageOrDocument(*barcode, file.string(), {0, false}, 300));
            const QImage image = Render(file, extension);
            ASSERT_FALSE(image.isNull());
            // MaxiCode's hexagons stand apart by design.
            if (std::string_view(c.className) != "CMaxiCodeBarcode") {
                EXPECT_EQ(SeamPixels(image), 0);
            }
            const ScanResult scan = ScanImage(image, c.mode);
            EXPECT_EQ(scan.ok ? scan.text : "<nothing>", c.reads);
            ++read;
        }
    }
    // Every symbology the reader knows (the samples' table lists 20 of them), in each format.
    EXPECT_GE(done.size(), 20u);
    EXPECT_EQ(read, 4 * static_cast<int>(done.size()));
}
