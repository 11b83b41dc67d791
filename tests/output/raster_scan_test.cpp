// Every symbology rendered into a real raster as the program renders it (text included) and
// read back by a real barcode reader, in all four rotations: through the painter at two
// resolutions, and drawn on the one-bit surface at three.
#include "engine/barcode.h"
#include "engine/symbologies.h"
#include "output/qimage_mono.h"
#include "output/raster.h"
#include "render/raster_image.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/image_scan.h"
#include "tests/support/settings_fixture.h"

#include <QImage>
#include <QTransform>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

std::unique_ptr<CBarcode> Create(const char* className) {
    return CreateBarcode(className);
}

// POSTNET, which the reader does not know: turn the image upright, then read each bar as full
// or half by its height. Returns the digits between the frame bars, check digit last.
std::string ReadPostnet(const QImage& mono, int rotation) {
    const QImage img = mono.transformed(QTransform().rotate(90.0 * rotation))
                           .convertToFormat(QImage::Format_Grayscale8);
    std::vector<int> heights;
    bool inBar = false;
    for (int x = 0; x < img.width(); ++x) {
        int count = 0;
        for (int y = 0; y < img.height(); ++y)
            count += qGray(img.pixel(x, y)) < 128;
        if (count > 0 && !inBar) heights.push_back(0);
        if (count > 0) heights.back() = std::max(heights.back(), count);
        inBar = count > 0;
    }
    if (heights.size() < 2) return {};
    const int tallest = *std::max_element(heights.begin(), heights.end());
    std::string bits;
    for (int h : heights)
        bits.push_back(h > tallest * 7 / 10 ? '1' : '0');
    if (bits.front() != '1' || bits.back() != '1' || (bits.size() - 2) % 5 != 0) return "?" + bits;
    static const char* const kDigits[] = {"11000", "00011", "00101", "00110", "01001",
                                          "01010", "01100", "10001", "10010", "10100"};
    std::string digits;
    for (size_t i = 1; i + 1 < bits.size(); i += 5) {
        const std::string group = bits.substr(i, 5);
        int d = 0;
        while (d < 10 && group != kDigits[d])
            ++d;
        digits.push_back(d < 10 ? static_cast<char>('0' + d) : '?');
    }
    return digits;
}

struct ScanCase {
    const char* className;
    std::string data;
    const char* format; // the reader's name
    std::string expected;
};

std::vector<ScanCase> Cases() {
    std::string ascii1, ascii2;
    for (int c = 1; c < 64; ++c)
        ascii1.push_back(static_cast<char>(c));
    for (int c = 64; c < 128; ++c)
        ascii2.push_back(static_cast<char>(c));
    std::vector<ScanCase> cases = {
        {"C39Barcode", "HALVERN-2026", "Code39", "HALVERN-2026"},
        {"C39Mod43Barcode", "CODE39", "Code39", "CODE39W"},
        {"C39ExtBarcode", ascii1, "Code39", ascii1},
        {"C39ExtBarcode", ascii2, "Code39", ascii2},
        {"C93Barcode", "TEST93", "Code93", "TEST93"},
        {"C93Barcode", ascii1, "Code93", ascii1},
        {"C93Barcode", ascii2, "Code93", ascii2},
        {"C128Barcode", "HALVERN 128", "Code128", "HALVERN 128"},
        {"C128Barcode",
         "AB\xC7"
         "123456\xC8{|}~",
         "Code128", "AB123456{|}~"},
        // A lone last digit in set C is the value 7, which a reader shows as the pair 07.
        {"C128Barcode",
         "\xC7"
         "1234567",
         "Code128", "12345607"},
        {"CI25Barcode", "12345", "ITF", "123450"}, // readers want six digits at least
        {"CI25Barcode", "0123456789012345", "ITF", "0123456789012345"},
        {"CUPCABarcode", "03600029145", "UPC-A", "036000291452"},
        {"CEAN8Barcode", "9638507", "EAN-8", "96385074"},
        {"CUPCEBarcode", "425261", "UPC-E", "04252614"},
        {"CUPCEBarcode", "123456", "UPC-E", "01234565"},
        {"CUPCEBarcode", "654324", "UPC-E", "06543240"},
        {"CUPCEBarcode", "012340", "UPC-E", "00123406"},
        {"CUPCEBarcode", "123453", "UPC-E", "01234531"},
        {"CUPCEBarcode", "123454", "UPC-E", "01234543"},
        {"CGS1128Barcode", "(01)09501101530003(10)ABC123", "Code128",
         "0109501101530003"
         "10ABC123"},
    };
    // Every first digit of EAN-13 selects another parity pattern.
    for (char first = '0'; first <= '9'; ++first) {
        std::string data = std::string(1, first) + "90123412345";
        int sum = 0;
        for (size_t i = 0; i < data.size(); ++i)
            sum += (data[i] - '0') * (i % 2 ? 3 : 1);
        const char check = static_cast<char>('0' + (10 - sum % 10) % 10);
        cases.push_back({"CEAN13Barcode", data, first == '0' ? "UPC-A" : "EAN-13",
                         first == '0' ? data.substr(1) + check : data + check});
    }
    return cases;
}

struct Raster {
    int dpi;
    int density;
    bool mono; // drawn on the one-bit surface instead of through the painter
};

QImage Render(const Raster& raster, const CBarcode& barcode, int rotation) {
    if (raster.mono)
        return QImageFromMonoImage(RenderSymbolMono(barcode, raster.dpi, {rotation, true}).image);
    return RenderSymbolImage(barcode, raster.dpi, {rotation, true});
}

} // namespace

class RasterScanTest : public SettingsTest, public ::testing::WithParamInterface<Raster> {};

TEST_P(RasterScanTest, EverySymbologyScansInEveryRotation) {
    const Raster raster = GetParam();
    SetDensityRatio(raster.density, 25);
    std::set<std::string> covered = {"CPostnetBarcode"}; // read by its own test below
    for (const ScanCase& c : Cases()) {
        covered.insert(c.className);
        auto bc = Create(c.className);
        ASSERT_NE(bc, nullptr) << c.className;
        bc->SetData(c.data);
        for (int rotation = 0; rotation < 4; ++rotation) {
            const QImage img = Render(raster, *bc, rotation);
            ASSERT_FALSE(img.isNull());
            const ScanResult d = ScanImage(img, std::string_view(c.className) == "C39ExtBarcode"
                                                    ? ScanMode::Code39Extended
                                                    : ScanMode::Plain);
            EXPECT_TRUE(d.ok) << c.className << " " << c.data << " rotation " << rotation;
            EXPECT_EQ(d.format, c.format) << c.className << " rotation " << rotation;
            EXPECT_EQ(d.text, c.expected) << c.className << " rotation " << rotation;
        }
    }
    // The encoder's symbologies are read back by symbology_scan_test.cpp.
    for (const SymbologyInfo& info : Symbologies())
        if (info.zint.id == 0) {
            EXPECT_TRUE(covered.count(info.cls->m_lpszClassName)) << info.cls->m_lpszClassName;
        }
}

TEST_P(RasterScanTest, PostnetBarsReadBackAsDigitsAndCheckDigit) {
    const Raster raster = GetParam();
    SetDensityRatio(raster.density, 25); // POSTNET ignores both
    const struct {
        const char* data;
        const char* expected;
    } cases[] = {{"12345", "123455"}, {"123456789", "1234567895"}, {"00000", "000000"}};
    for (const auto& c : cases) {
        auto bc = Create("CPostnetBarcode");
        ASSERT_NE(bc, nullptr);
        bc->SetData(c.data);
        for (int rotation = 0; rotation < 4; ++rotation) {
            const QImage img = Render(raster, *bc, rotation);
            ASSERT_FALSE(img.isNull());
            EXPECT_EQ(ReadPostnet(img, rotation), c.expected) << c.data << " rotation " << rotation;
        }
    }
}

// At 150 dpi a 10-mil module is 1.5 dots, which leaves Code 39 and Interleaved 2 of 5 with
// wide and narrow elements a reader cannot tell apart on either surface; 20 mils is 3 dots.
INSTANTIATE_TEST_SUITE_P(Resolutions, RasterScanTest,
                         ::testing::Values(Raster{300, 10, false}, Raster{600, 7, false},
                                           Raster{150, 20, true}, Raster{300, 10, true},
                                           Raster{600, 7, true}),
                         [](const auto& info) {
                             return std::string(info.param.mono ? "Mono" : "Painter") +
                                    std::to_string(info.param.dpi) + "dpi_X" +
                                    std::to_string(info.param.density);
                         });

TEST(RasterImage, PlanKeepsATenthAsMarginAndTheQuietZonesBesideTheBars) {
    // Marks w × h centred on the origin; the bars are the marks.
    const auto extent = [](double w, double h) {
        CDrawnExtent e;
        e.marks.Include(-w / 2, -h / 2, w / 2, h / 2);
        e.bars = e.marks;
        return e;
    };
    const struct {
        CDrawnExtent extent;
        int quiet, rotation, dpi;
        std::int64_t width, height;
    } cases[] = {
        // 2000 × 1000 mils: 1.2 × 2000 × 96 / 1000 = 230.4, each half rounded up to 116.
        {extent(2000, 1000), 0, 0, 96, 232, 116},
        {extent(2000, 1000), 0, 0, 300, 720, 360},
        // A quiet zone of 300 mils beyond bars 2000 wide: half 1300 mils, 390 pixels.
        {extent(2000, 1000), 300, 0, 300, 780, 360},
        {extent(2000, 1000), 300, 2, 300, 780, 360},
        // Turned a quarter, the bars advance along y: the quiet zone lies above and below.
        {extent(1000, 2000), 300, 1, 300, 360, 780},
        {extent(1000, 2000), 300, 3, 300, 360, 780},
        // A quiet zone within the tenth's margin changes nothing.
        {extent(2000, 1000), 50, 0, 300, 720, 360},
    };
    for (const auto& c : cases) {
        const CImagePlan plan = PlanSymbolImage(c.extent, c.quiet, c.rotation, c.dpi);
        EXPECT_EQ(plan.width, c.width) << c.quiet << " " << c.rotation << " " << c.dpi;
        EXPECT_EQ(plan.height, c.height) << c.quiet << " " << c.rotation << " " << c.dpi;
    }
    EXPECT_FALSE(PlanSymbolImage(CDrawnExtent{}, 0, 0, 300).Drawable());
    EXPECT_FALSE(PlanSymbolImage(extent(2147483647.0, 2147483647.0), 0, 0, 600).Drawable());
}

namespace {

// The runs of dark and light pixels along the direction of advance, from the first dark pixel
// to the last, on a line across the bars near the side where they start (away from the text;
// POSTNET's bars all end on one line, so its line lies near their ends).
std::vector<int> RunsAcrossTheBars(const QImage& mono, int rotation, bool nearEnd) {
    // Turned upright, the bars start at the top and advance to the right.
    const QImage img = mono.transformed(QTransform().rotate(90.0 * rotation))
                           .convertToFormat(QImage::Format_Grayscale8);
    int top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    const int y = nearEnd ? bottom - 1 : top + 1;
    std::vector<int> runs;
    int x = 0;
    while (x < img.width() && qGray(img.pixel(x, y)) >= 128)
        ++x;
    int last = img.width() - 1;
    while (last >= 0 && qGray(img.pixel(last, y)) >= 128)
        --last;
    while (x <= last) {
        const bool dark = qGray(img.pixel(x, y)) < 128;
        int n = 0;
        while (x <= last && (qGray(img.pixel(x, y)) < 128) == dark)
            ++x, ++n;
        runs.push_back(n);
    }
    return runs;
}

} // namespace

// On a raster every module is a whole number of pixels, x = max(1, round(X × dpi / 1000)), and
// every wide element max(x + 1, round(R × x / 10)): each bar and space is exactly its element's
// count of modules, at every resolution; and every symbol scans, the screen's 96 dpi included.
TEST_F(RasterScanTest, EveryElementIsAWholeNumberOfModulesOfWholePixels) {
    for (const int dpi : {96, 150, 203, 300, 600}) {
        const int x = std::max(1, (10 * dpi + 500) / 1000);
        const int wide = std::max(x + 1, (25 * x + 5) / 10);
        for (const ScanCase& c : Cases()) {
            auto bc = Create(c.className);
            bc->SetData(c.data);
            const std::string_view name = c.className;
            const bool wideNarrow = name.starts_with("C39") || name == "CI25Barcode";
            for (const int rotation : {0, 1, 2, 3}) {
                SCOPED_TRACE(std::string(name) + " at " + std::to_string(dpi) + " dpi, rotation " +
                             std::to_string(rotation));
                const QImage img = RenderSymbolImage(*bc, dpi, {rotation, true});
                ASSERT_FALSE(img.isNull());
                for (const int run : RunsAcrossTheBars(img, rotation, false)) {
                    if (wideNarrow)
                        EXPECT_TRUE(run == x || run == wide) << run;
                    else
                        EXPECT_EQ(run % x, 0) << run;
                }
                // The reader finds no Data Matrix whose modules are single pixels, with or
                // without text.
                if (name == "CDataMatrixBarcode" && x == 1) continue;
                const ScanResult d = ScanImage(
                    img, name == "C39ExtBarcode" ? ScanMode::Code39Extended : ScanMode::Plain);
                EXPECT_EQ(d.text, c.expected);
            }
        }
        // POSTNET: bars of 20 mils and spaces of 27, each at least a pixel.
        auto postnet = Create("CPostnetBarcode");
        postnet->SetData("12345");
        const int bar = std::max(1, (20 * dpi + 500) / 1000);
        const int space = std::max(1, (27 * dpi + 500) / 1000);
        const std::vector<int> runs =
            RunsAcrossTheBars(RenderSymbolImage(*postnet, dpi, {0, true}), 0, true);
        ASSERT_EQ(runs.size(), 2u * 32 - 1) << dpi;
        for (std::size_t i = 0; i < runs.size(); ++i)
            EXPECT_EQ(runs[i], i % 2 == 0 ? bar : space) << dpi << " element " << i;
    }
}

// Nothing a symbol draws touches the image's border: no digit of UPC-E or any other is cut off,
// at any resolution.
TEST_F(RasterScanTest, NoMarkTouchesTheImagesBorder) {
    for (const int dpi : {72, 96, 200, 203, 300}) {
        for (const ScanCase& c : Cases()) {
            auto bc = Create(c.className);
            bc->SetData(c.data);
            for (const int rotation : {0, 1, 2, 3}) {
                const QImage img = RenderSymbolImage(*bc, dpi, {rotation, true})
                                       .convertToFormat(QImage::Format_Grayscale8);
                ASSERT_FALSE(img.isNull());
                int dark = 0;
                for (int x = 0; x < img.width(); ++x)
                    dark += (qGray(img.pixel(x, 0)) < 128) +
                            (qGray(img.pixel(x, img.height() - 1)) < 128);
                for (int y = 0; y < img.height(); ++y)
                    dark += (qGray(img.pixel(0, y)) < 128) +
                            (qGray(img.pixel(img.width() - 1, y)) < 128);
                EXPECT_EQ(dark, 0) << c.className << " at " << dpi << " dpi, rotation " << rotation;
            }
        }
    }
}
