// QR Code and Data Matrix drawn into one-bit images as every image export draws them and read
// back by a real reader in all four rotations at three resolutions: QR Code with each kind of
// content (any Unicode text) at each error-correction level, Data Matrix on both sides of every
// step up in size, the 144 x 144 one and 3,000 digits included.
#include "engine/zint_barcode.h"
#include "output/export.h"
#include "output/qimage_mono.h"
#include "output/raster.h"
#include "render/raster_image.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/image_scan.h"
#include "tests/support/run_command.h"
#include "tests/support/settings_fixture.h"

#include <QImage>
#include <QTransform>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Raster {
    int dpi;
    int density;
};

// The region of the image a person aims the reader at: the symbol's modules and as much again
// around them. The reader finds a small Data Matrix only near the middle of what it is shown,
// and with the text below, the middle of the whole image can lie between the two.
QImage AimedAtTheSymbol(const CBarcode& bc, int dpi, const CSymbolView& view) {
    const CMonoRaster raster = RenderSymbolMono(bc, dpi, view);
    const CDrawnExtent extent = MeasureSymbolMono(bc, dpi, view);
    const CPoint start = CentredStart(extent);
    const CMapping& m = raster.mapping;
    const double x0 = m.ToDeviceX(start.x + extent.bars.left);
    const double x1 = m.ToDeviceX(start.x + extent.bars.right);
    const double y0 = m.ToDeviceY(start.y + extent.bars.top);
    const double y1 = m.ToDeviceY(start.y + extent.bars.bottom);
    const QRectF box(QPointF(x0, y0), QPointF(x1, y1));
    const QRect around =
        box.adjusted(-box.width() / 2, -box.height() / 2, box.width() / 2, box.height() / 2)
            .toAlignedRect();
    const QImage image = QImageFromMonoImage(raster.image);
    return image.copy(around & image.rect());
}

} // namespace

class MatrixScanTest : public SettingsTest, public ::testing::WithParamInterface<Raster> {
protected:
    void SetUp() override { SetDensityRatio(GetParam().density, 25); }

    // Reads the symbol in each rotation: the reader's format, the text, upright (not mirrored),
    // and for QR Code the level it was made with.
    void ExpectReads(const CBarcode& bc, const char* format, const std::string& expected,
                     const std::string& ecLevel = {}, ScanMode mode = ScanMode::Plain) {
        for (int rotation = 0; rotation < 4; ++rotation) {
            SCOPED_TRACE("rotation " + std::to_string(rotation) + " at " +
                         std::to_string(GetParam().dpi) + " dpi");
            QImage img = AimedAtTheSymbol(bc, GetParam().dpi, {rotation, true});
            ASSERT_FALSE(img.isNull());
            // The pure-image mode reads a symbol upright only: the image is turned back first.
            if (mode == ScanMode::Pure) img = img.transformed(QTransform().rotate(90.0 * rotation));
            const ScanResult r = ScanImage(img, mode);
            EXPECT_TRUE(r.ok);
            EXPECT_EQ(r.format, format);
            EXPECT_EQ(r.text, expected);
            EXPECT_FALSE(r.mirrored);
            if (!ecLevel.empty()) {
                EXPECT_EQ(r.ecLevel, ecLevel);
            }
        }
    }
};

TEST_P(MatrixScanTest, QrCodeReadsBackEveryKindOfContentAtEveryLevel) {
    const std::string cases[] = {
        "0123456789012345678901234567890",      // numeric
        "HALVERN QUILLMARK $%*+-./: 2026",      // alphanumeric
        "Quillmark labels {ok} & <fine>; yes!", // bytes
        "Grüße aus Köln © ½ ÿ",                 // Latin-1 beyond ASCII
        "Grüße 東京 Ωμέγα ✓",                   // beyond Latin-1: UTF-8 after its ECI
    };
    for (const std::string& data : cases) {
        for (int level = 0; level < 4; ++level) {
            SCOPED_TRACE(data + " level " + std::to_string(level));
            auto bc = CreateBarcode("CQRBarcode");
            ASSERT_NE(bc, nullptr);
            bc->SetData(data);
            bc->SetOptionValue(level);
            ExpectReads(*bc, "QRCode", data, std::string(1, "LMQH"[level]));
        }
    }
}

TEST_P(MatrixScanTest, DataMatrixReadsBackOnBothSidesOfEveryStepInSize) {
    // Letters: the lengths at which the symbol grows are found from the encoder, then read on
    // both sides, the 144 x 144 symbol included (in the reader's pure-image mode).
    std::string letters;
    while (letters.size() < 4000) // more than any Data Matrix holds
        letters += "QuillmarkHalvernLabels";
    for (const int shape : {0, 1}) {
        auto bc = CreateBarcode("CDataMatrixBarcode");
        ASSERT_NE(bc, nullptr);
        bc->SetOptionValue(shape);
        const auto& dm = static_cast<const CZintBarcode&>(*bc);
        // The symbol's area for the first n letters (0: none holds them), which never falls as
        // n grows: each step up is found by halving.
        const auto area = [&dm, &letters](std::size_t n) {
            const ZintSymbol m = dm.EncodeData(letters.substr(0, n));
            return m.Ok() ? m.rows * m.width : 0;
        };
        std::vector<std::size_t> steps{1};
        int rows = 0;
        std::size_t n = 1;
        for (int a = area(1); a > 0;) {
            std::size_t lo = steps.back(), hi = letters.size(); // area(lo) == a != area(hi)
            ASSERT_EQ(area(hi), 0);
            while (hi - lo > 1) {
                const std::size_t mid = (lo + hi) / 2;
                (area(mid) == a ? lo : hi) = mid;
            }
            const int next = area(hi);
            EXPECT_TRUE(next > a || next == 0) << hi; // never smaller for more data
            n = hi;
            if (next == 0) break;
            steps.push_back(hi);
            a = next;
        }
        rows = dm.EncodeData(letters.substr(0, n - 1)).rows;
        // ECC 200 has 24 square sizes and 6 rectangular ones.
        EXPECT_EQ(steps.size(), shape == 1 ? 6u : 24u);
        if (shape == 0) {
            EXPECT_EQ(rows, 144); // the largest holds the most
        }
        for (const std::size_t step : steps) {
            for (const std::size_t length : {step - 1, step}) {
                if (length == 0) continue;
                SCOPED_TRACE((shape ? "rectangular, " : "square, ") + std::to_string(length) +
                             " letters");
                bc->SetData(letters.substr(0, length));
                ExpectReads(*bc, "DataMatrix", letters.substr(0, length), {}, ScanMode::Pure);
            }
        }
        // One past the last step holds nothing: nothing is drawn, and CheckData says why.
        bc->SetData(letters.substr(0, n));
        EXPECT_TRUE(RenderSymbolImage(*bc, GetParam().dpi, {0, true}).isNull());
        EXPECT_FALSE(bc->CheckData(bc->m_strData).change.empty());
    }
}

TEST_P(MatrixScanTest, DataMatrixOf3000DigitsReadsBack) {
    std::string digits;
    for (int i = 0; i < 3000; ++i)
        digits += static_cast<char>('0' + (i * 7 + i / 10) % 10);
    auto bc = CreateBarcode("CDataMatrixBarcode");
    bc->SetData(digits);
    ExpectReads(*bc, "DataMatrix", digits, {}, ScanMode::Pure);
}

TEST_P(MatrixScanTest, DataMatrixCarriesLatin1AndDigits) {
    for (const bool rectangular : {false, true}) {
        for (const std::string data : {"Grüße © ½", "0123456789012345", "Grüße 東京"}) {
            auto bc = CreateBarcode("CDataMatrixBarcode");
            bc->SetOptionValue(rectangular ? 1 : 0);
            bc->SetData(data);
            ExpectReads(*bc, "DataMatrix", data);
        }
    }
}

// On a raster every module is x = max(1, round(X × dpi / 1000)) pixels square: the modules'
// box is exactly columns × x by rows × x, every run of dark or light pixels along a row or a
// column is a whole number of modules, and each module's pixels are the encoder's module, the
// symbol upright (turned back by the rotation) and not mirrored.
class MatrixRasterTest : public SettingsTest {};

TEST_F(MatrixRasterTest, EveryModuleIsTheSameWholeNumberOfPixels) {
    SetDensityRatio(10, 25);
    for (const int dpi : {96, 150, 203, 300, 600}) {
        const int x = std::max(1, (10 * dpi + 500) / 1000);
        for (const char* name : {"CQRBarcode", "CDataMatrixBarcode"}) {
            auto bc = CreateBarcode(name);
            bc->SetData("Halvern 2026");
            const ZintSymbol z = *static_cast<const CZintBarcode&>(*bc).Encoded();
            const struct {
                int rows, cols;
                bool Dark(int r, int c) const { return symbol.Dark(r, c); }
                const ZintSymbol& symbol;
            } m{z.rows, z.width, z};
            for (const int rotation : {0, 1, 2, 3}) {
                SCOPED_TRACE(std::string(name) + " at " + std::to_string(dpi) + " dpi, rotation " +
                             std::to_string(rotation));
                const QImage img = RenderSymbolImage(*bc, dpi, {rotation, false})
                                       .transformed(QTransform().rotate(90.0 * rotation))
                                       .convertToFormat(QImage::Format_Grayscale8);
                ASSERT_FALSE(img.isNull());
                const auto dark = [&img](int px, int py) { return qGray(img.pixel(px, py)) < 128; };
                int x0 = img.width(), y0 = img.height(), x1 = -1, y1 = -1;
                for (int py = 0; py < img.height(); ++py)
                    for (int px = 0; px < img.width(); ++px)
                        if (dark(px, py)) {
                            x0 = std::min(x0, px), y0 = std::min(y0, py);
                            x1 = std::max(x1, px + 1), y1 = std::max(y1, py + 1);
                        }
                ASSERT_EQ(x1 - x0, m.cols * x);
                ASSERT_EQ(y1 - y0, m.rows * x);
                int badRuns = 0, badModules = 0;
                for (int py = y0; py < y1; ++py)
                    for (int px = x0, run = 1; px < x1; ++px, ++run)
                        if (px + 1 == x1 || dark(px + 1, py) != dark(px, py)) {
                            badRuns += run % x != 0;
                            run = 0;
                        }
                for (int px = x0; px < x1; ++px)
                    for (int py = y0, run = 1; py < y1; ++py, ++run)
                        if (py + 1 == y1 || dark(px, py + 1) != dark(px, py)) {
                            badRuns += run % x != 0;
                            run = 0;
                        }
                for (int r = 0; r < m.rows; ++r)
                    for (int c = 0; c < m.cols; ++c)
                        badModules += dark(x0 + c * x + x / 2, y0 + r * x + x / 2) != m.Dark(r, c);
                EXPECT_EQ(badRuns, 0);
                EXPECT_EQ(badModules, 0);
            }
        }
    }
}

// The vector pictures: the SVG drawn by an SVG renderer and the PDF page rasterised by
// pdftoppm, each read by the reader, the new symbologies' data as typed.
TEST_F(MatrixRasterTest, SvgAndPdfExportsReadBack) {
    const struct {
        const char* className;
        std::string data;
        std::string reads;
    } cases[] = {
        {"CQRBarcode", "Grüße aus Köln 東京", "Grüße aus Köln 東京"},
        {"CDataMatrixBarcode", "Halvern 2026", "Halvern 2026"},
        {"CGS1128Barcode", "(01)09501101530003(10)ABC123",
         "0109501101530003"
         "10ABC123"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        auto bc = CreateBarcode(c.className);
        bc->SetData(c.data);
        const std::string svgPath = (env.Root() / "m.svg").string();
        const std::string pdfPath = (env.Root() / "m.pdf").string();
        const std::string pagePath = (env.Root() / "page").string();
        ASSERT_FALSE(ExportSymbol(*bc, svgPath, {}).error);
        ASSERT_FALSE(ExportSymbol(*bc, pdfPath, {}).error);

        // The picture's frame is the symbol's size, a matrix symbol's quiet zone included (the
        // text left out: the picture counts its whole cell, the size its ink).
        CExportOptions bare;
        bare.view.showText = false;
        const std::string doc = RecordSvg(*bc, bare);
        double x = 0, y = 0, w = 0, h = 0;
        const std::size_t box = doc.find("viewBox=\"");
        ASSERT_NE(box, std::string::npos);
        ASSERT_EQ(std::sscanf(doc.c_str() + box, "viewBox=\"%lf %lf %lf %lf", &x, &y, &w, &h), 4);
        const CSize size = SymbolPaperSize(*bc, bare.view);
        EXPECT_NEAR(w, size.cx, 1.0);
        EXPECT_NEAR(h, size.cy, 1.0);

        const QImage drawn = RenderSvgFile(QString::fromStdString(svgPath), 4);
        ASSERT_FALSE(drawn.isNull());
        EXPECT_EQ(ScanImage(drawn).text, c.reads) << "SVG";

        bool ok = false;
        const std::string out =
            RunCommand("pdftoppm -r 300 -png -singlefile " + pdfPath + " " + pagePath, &ok, true);
        ASSERT_TRUE(ok) << out;
        EXPECT_EQ(ScanImage(QImage(QString::fromStdString(pagePath + ".png"))).text, c.reads)
            << "PDF";
    }
}

// Data the symbology cannot encode draws nothing, and no export pretends otherwise: every format
// is refused with the reason, and no file is left.
TEST_F(MatrixRasterTest, ExportOfASymbolThatDrawsNothingIsRefused) {
    auto qr = CreateBarcode("CQRBarcode");
    qr->SetData(std::string(8000, '7')); // more than any QR Code holds
    auto gs1 = CreateBarcode("CGS1128Barcode");
    gs1->SetData("HALVERN"); // no application identifier
    for (const CBarcode* bc : {qr.get(), gs1.get()})
        for (const char* ext : {"png", "tif", "svg", "pdf", "wmf"}) {
            const std::string path = (env.Root() / (std::string("none.") + ext)).string();
            const CExportResult r = ExportSymbol(*bc, path, {});
            EXPECT_EQ(r.error, ExportError::NothingToDraw) << ext;
            EXPECT_FALSE(std::filesystem::exists(path)) << ext;
        }
}

// At 150 dpi a 10-mil module is 2 dots; at 600 dpi a 7-mil module is 4.
INSTANTIATE_TEST_SUITE_P(Resolutions, MatrixScanTest,
                         ::testing::Values(Raster{150, 10}, Raster{300, 10}, Raster{600, 7}),
                         [](const auto& info) {
                             return std::to_string(info.param.dpi) + "dpi_X" +
                                    std::to_string(info.param.density);
                         });
