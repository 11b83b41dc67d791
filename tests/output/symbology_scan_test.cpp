// Every symbology of the encoder drawn into one-bit images as the exports draw them: read back
// by a real reader in all four rotations wherever it reads the symbology, and compared module
// for module with the encoder's own rows (asked directly of the library here) in all four
// rotations for every one; data one past the longest is refused with its reason. And for every
// symbology with a text line: what the text shows is what the reader reads from the bars.
#include "engine/barcode.h"
#include "engine/symbologies.h"
#include "engine/zint_barcode.h"
#include "output/qimage_mono.h"
#include "render/raster_image.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/image_scan.h"
#include "tests/support/messages.h"
#include "tests/support/recording_surface.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/symbology_samples.h"

#include <QImage>
#include <QTransform>

#include <gtest/gtest.h>

#include <zint.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kDpi = 300, kDensity = 10; // 3 dots a module

// The image the exports make, turned back upright.
QImage Upright(const CBarcode& bc, int rotation, bool text) {
    const CMonoRaster raster = RenderSymbolMono(bc, kDpi, {rotation, text});
    return QImageFromMonoImage(raster.image)
        .transformed(QTransform().rotate(90.0 * rotation))
        .convertToFormat(QImage::Format_Grayscale8);
}

// The library's own rows for the request the symbol makes, asked of it directly.
std::vector<std::vector<bool>> LibraryRows(const CZintBarcode& bc) {
    const ZintRequest r = bc.Request(bc.m_strData);
    zint_symbol* s = ZBarcode_Create();
    s->symbology = r.symbology;
    s->input_mode = r.inputMode;
    s->option_1 = r.option1;
    s->option_2 = r.option2;
    s->option_3 = r.option3;
    s->eci = r.eci;
    std::vector<std::vector<bool>> rows;
    if (ZBarcode_Encode(s, reinterpret_cast<const unsigned char*>(r.data.data()),
                        static_cast<int>(r.data.size())) < ZINT_ERROR)
        for (int y = 0; y < s->rows; ++y) {
            std::vector<bool>& row = rows.emplace_back();
            for (int x = 0; x < s->width; ++x)
                row.push_back((s->encoded_data[y][x >> 3] >> (x & 7)) & 1);
        }
    ZBarcode_Delete(s);
    return rows;
}

// The rows of modules an upright image shows: each run of pixel rows that sample alike at the
// module centres is one row; `firstColumn` is the first module column with a dark module.
std::vector<std::vector<bool>> ImageRows(const QImage& img, int columns, int firstColumn) {
    const auto dark = [&img](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    int x0 = img.width(), y0 = img.height(), y1 = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (dark(x, y)) x0 = std::min(x0, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    const int dots = (kDensity * kDpi + 500) / 1000;
    std::vector<std::vector<bool>> rows;
    for (int y = y0; y <= y1; ++y) {
        std::vector<bool> row;
        for (int c = 0; c < columns; ++c) {
            const int x = x0 + (c - firstColumn) * dots + dots / 2;
            row.push_back(x >= 0 && x < img.width() && dark(x, y));
        }
        if (rows.empty() || rows.back() != row) rows.push_back(row);
    }
    return rows;
}

// The library's rows as an image shows them: alike neighbours as one, no empty rows at the
// top or the bottom.
std::vector<std::vector<bool>> AsShown(std::vector<std::vector<bool>> rows) {
    const auto empty = [](const std::vector<bool>& r) {
        return std::none_of(r.begin(), r.end(), [](bool b) { return b; });
    };
    while (!rows.empty() && empty(rows.front()))
        rows.erase(rows.begin());
    while (!rows.empty() && empty(rows.back()))
        rows.pop_back();
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace

class SymbologyScanTest : public SettingsTest {
protected:
    void SetUp() override { SetDensityRatio(kDensity, 25); }
};

TEST_F(SymbologyScanTest, EverySymbologyOfTheEncoderReadsBackInEveryRotation) {
    for (const ReadCase& c : ReadCases()) {
        if (!c.format) continue;
        auto bc = CreateBarcode(c.className);
        ASSERT_NE(bc, nullptr) << c.className;
        bc->SetData(c.data);
        // Made, perhaps completed (check digits, identifiers), as the note says.
        EXPECT_FALSE(bc->CheckData(c.data).reads.empty())
            << c.className << ": " << MessageText(bc->CheckData(c.data).change);
        for (int rotation = 0; rotation < 4; ++rotation) {
            SCOPED_TRACE(std::string(c.className) + " \"" + c.data.substr(0, 40) + "\" rotation " +
                         std::to_string(rotation));
            QImage img = QImageFromMonoImage(RenderSymbolMono(*bc, kDpi, {rotation, true}).image);
            ASSERT_FALSE(img.isNull());
            // The pure-image mode reads a symbol upright only (MaxiCode's hexagons are sampled
            // where they lie): the image is turned back first.
            if (c.mode == ScanMode::Pure)
                img = img.transformed(QTransform().rotate(90.0 * rotation));
            const ScanResult r = ScanImage(img, c.mode);
            EXPECT_TRUE(r.ok);
            EXPECT_EQ(r.format, c.format);
            EXPECT_EQ(r.text, c.reads);
        }
    }
}

TEST_F(SymbologyScanTest, EverySymbologyOfTheEncoderDrawsTheLibrarysModules) {
    std::set<std::string> covered;
    for (const ReadCase& c : ReadCases()) {
        auto bc = CreateBarcode(c.className);
        ASSERT_NE(bc, nullptr) << c.className;
        covered.insert(c.className);
        const auto& zint = static_cast<const CZintBarcode&>(*bc);
        // MaxiCode's hexagons lie on no square grid; the reader reads it above.
        if (zint.Kind().shape == ZintShape::Maxi) continue;
        bc->SetData(c.data);
        const auto library = LibraryRows(zint);
        ASSERT_FALSE(library.empty()) << c.className;
        const int columns = static_cast<int>(library.front().size());
        int first = columns;
        for (const auto& row : library)
            for (int x = 0; x < columns; ++x)
                if (row[static_cast<std::size_t>(x)]) first = std::min(first, x);
        for (int rotation = 0; rotation < 4; ++rotation) {
            SCOPED_TRACE(std::string(c.className) + " rotation " + std::to_string(rotation));
            EXPECT_EQ(ImageRows(Upright(*bc, rotation, false), columns, first), AsShown(library));
        }
    }
    for (const SymbologyInfo& s : Symbologies())
        if (s.zint.id != 0) {
            EXPECT_TRUE(covered.count(s.cls->m_lpszClassName)) << s.listName;
        }
}

// One past the longest, and data a symbology cannot take: nothing is drawn, and the reason is
// said in words of its own.
TEST_F(SymbologyScanTest, DataNoSymbolHoldsIsRefusedWithItsReason) {
    const struct {
        const char* className;
        std::string data;
        Msg reason;
    } cases[] = {
        {"CMicroQRBarcode", std::string(36, '9'), Msg::EncoderTooLong},
        {"CQRBarcode", std::string(7090, '9'), Msg::QrTooLongAnyLevel},
        {"CDataMatrixBarcode", std::string(3117, '9'), Msg::DataMatrixTooLong},
        {"CAztecBarcode", std::string(3900, '9'), Msg::EncoderTooLong},
        {"CPDF417Barcode", std::string(2800, '9'), Msg::EncoderTooLong},
        {"CITF14Barcode", std::string(14, '1'), Msg::EncoderTooLong},
        {"CCodabarBarcode", "1234", Msg::EncoderCannotEncode},
        {"CDataBarExpandedBarcode", "(01)0950110153000", Msg::EncoderCannotEncode},
        {"CGS1DataMatrixBarcode", "(99", Msg::EncoderCannotEncode},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        auto bc = CreateBarcode(c.className);
        const CBarcode::CDataCheck check = bc->CheckData(c.data);
        ASSERT_EQ(check.change.size(), 1u);
        EXPECT_EQ(check.change.front().id, c.reason) << MessageText(check.change);
        EXPECT_EQ(check.reads, "");
        bc->SetData(c.data);
        EXPECT_EQ(bc->GetWidth(), 0);
        EXPECT_EQ(RenderSymbolMono(*bc, kDpi, {0, true}).image.width, 0);
    }
}

// What the text under a symbol shows is what a reader reads from its bars: every symbology
// with a text line that the reader knows, with ordinary and Latin-1 data. Digits that UPC and
// EAN set apart and the parentheses round GS1 application identifiers are how the text is
// written, not what it says.
TEST_F(SymbologyScanTest, TheTextShowsWhatTheReaderReads) {
    const struct {
        const char* className;
        std::string data;
        ScanMode mode = ScanMode::Plain;
        std::string before = {}; // what the text shows before what the reader gives
    } cases[] = {
        {"C39Barcode", "HALVERN-2026"},
        {"C39Mod43Barcode", "CODE39"},
        {"C39ExtBarcode", "Halvern 2026", ScanMode::Code39Extended},
        {"C93Barcode", "TEST93"},
        {"C128Barcode", "M\xDCNCHEN"},
        {"C128Barcode", "Gr\xFC\xDF"
                        "e {aus} K\xF6ln"},
        {"C128Barcode", "\xC7"
                        "1234567"},
        {"CGS1128Barcode", "(01)09501101530003(10)ABC123(21)X9"},
        {"CI25Barcode", "12345"},
        {"CUPCABarcode", "03600029145"},
        {"CUPCEBarcode", "425261"},
        {"CEAN13Barcode", "590123412345"},
        {"CEAN8Barcode", "9638507"},
        // The reader gives DataBar's GTIN without its identifier (01).
        {"CDataBarBarcode", "0950110153000", ScanMode::Plain, "(01)"},
        {"CDataBarExpandedBarcode", "(01)09501101530003(3103)000123"},
        {"CITF14Barcode", "1234567890123"},
        {"CEAN14Barcode", "1234567890123"},
        {"CSSCC18Barcode", "12345678901234567"},
        {"CEANAddOnBarcode", "9780201379624+12345", ScanMode::AddOn},
        {"CUPCAAddOnBarcode", "01234567890+12", ScanMode::AddOn},
        {"CISBNBarcode", "9780201379624"},
        {"CCodabarBarcode", "A1234-5678B"},
        {"CLOGMARSBarcode", "LOGMARS-1"},
        {"CVINBarcode", "1M8GDM9AXKP042788"},
    };
    const auto plain = [](std::string s) {
        std::erase_if(s, [](char c) {
            return c == ' ' || c == '(' || c == ')' || c == '+' || c == '\x1D' || c == '*';
        });
        return s;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.className) + " " + c.data);
        auto bc = CreateBarcode(c.className);
        ASSERT_NE(bc, nullptr);
        bc->SetData(c.data);
        RecordingSurface surface;
        CPoint origin{0, 0};
        bc->Draw(surface, origin, 600, true, 0);
        std::string shown;
        for (const RecordedText& t : surface.Texts())
            shown += t.text;
        ASSERT_TRUE(shown.starts_with(c.before)) << shown;
        shown.erase(0, c.before.size());
        ASSERT_FALSE(shown.empty());
        const ScanResult r = ScanBars(surface, 2, c.mode);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(plain(QString::fromLatin1(shown.data(), static_cast<qsizetype>(shown.size()))
                            .toStdString()),
                  plain(r.text));
        // What CheckData says a reader reads is the same.
        const std::string reads = bc->CheckData(c.data).reads.substr(c.before.size());
        EXPECT_EQ(plain(QString::fromLatin1(reads.data(), static_cast<qsizetype>(reads.size()))
                            .toStdString()),
                  plain(r.text));
    }
}
