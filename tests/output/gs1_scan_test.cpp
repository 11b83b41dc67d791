// GS1-128 drawn into one-bit images as every image export draws it and read back by a real
// reader in all four rotations at three resolutions: fields of fixed and of variable length,
// read as GS1 with FNC1 as the group separator.
#include "output/raster.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/image_scan.h"
#include "tests/support/settings_fixture.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>

class Gs1ScanTest : public SettingsTest, public ::testing::WithParamInterface<int> {};

TEST_P(Gs1ScanTest, FieldsReadBackAsGs1WithSeparatorsAfterVariableOnes) {
    SetDensityRatio(10, 25);
    const int dpi = GetParam();
    // The reader drops the leading FNC1 and gives each later one as GS (29).
    const struct {
        const char* data;
        std::string reads;
    } cases[] = {
        {"(00)123456789012345675", "00123456789012345675"},
        {"(01)09501101530003(17)261231(10)ABC123", "01095011015300031726123110ABC123"},
        {"(10)ABC123(01)09501101530003", "10ABC123\x1D"
                                         "0109501101530003"},
        {"(21)12345678(30)17(3103)000750", "2112345678\x1D"
                                           "3017\x1D"
                                           "3103000750"},
        // 47 of the 48 GS1 characters a symbol holds.
        {"(01)09501101530003(11)260101(422)528(8005)000450(91)L-a",
         "010950110153000311260101422528\x1D"
         "8005000450\x1D"
         "91L-a"},
        {"(414)9501101530003(20)01(37)5(400)PO-1", "41495011015300032001375\x1D"
                                                   "400PO-1"},
    };
    for (const auto& c : cases) {
        auto bc = CreateBarcode("CGS1128Barcode");
        ASSERT_NE(bc, nullptr);
        bc->SetData(c.data);
        ASSERT_EQ(bc->m_strData, c.data) << "not taken as typed";
        for (int rotation = 0; rotation < 4; ++rotation) {
            SCOPED_TRACE(std::string(c.data) + " rotation " + std::to_string(rotation));
            const ScanResult r = ScanImage(RenderSymbolImage(*bc, dpi, {rotation, true}));
            EXPECT_TRUE(r.ok);
            EXPECT_EQ(r.format, "Code128");
            EXPECT_EQ(r.identifier, "]C1");
            EXPECT_TRUE(r.gs1);
            EXPECT_EQ(r.text, c.reads);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Resolutions, Gs1ScanTest, ::testing::Values(150, 300, 600),
                         [](const auto& info) { return std::to_string(info.param) + "dpi"; });
