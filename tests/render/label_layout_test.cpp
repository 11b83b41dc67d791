// A label's lines and symbol laid out together: centred as one block on the label, inside its
// margin, off the symbol and its quiet zone, in every place, alignment and rotation and at the
// resolutions of label printers; lines too wide set smaller; any character drawn.

#include "engine/symbologies.h"
#include "render/label_drawing.h"
#include "render/mono_surface.h"
#include "render/raster_image.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

class LabelLayoutTest : public SettingsTest {
protected:
    std::unique_ptr<CBarcode> Code128(const char* data) {
        auto bc = CreateBarcode("C128Barcode");
        bc->SetData(data);
        bc->m_nHeight = 400;
        return bc;
    }
    static std::vector<std::uint8_t> Grey(const MonoImage& image) {
        std::vector<std::uint8_t> grey(static_cast<std::size_t>(image.width) * image.height);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                grey[static_cast<std::size_t>(y) * image.width + x] = image.IsWhite(x, y) ? 255 : 0;
        return grey;
    }
};

bool Overlaps(const CExtentRect& a, CPoint at, CSize cell) {
    return !a.empty && at.x < a.right && a.left < at.x + cell.cx && at.y < a.bottom &&
           a.top < at.y + cell.cy;
}

TEST_F(LabelLayoutTest, EveryPlaceAndAlignmentFitsTheLabelInEveryRotation) {
    const auto symbol = Code128("QM-2026");
    MonoImage scratch;
    scratch.Allocate(1, 1);
    for (const int dpi : {203, 300, 600})
        for (const LinePlace place :
             {LinePlace::Above, LinePlace::Below, LinePlace::Left, LinePlace::Right})
            for (const LineAlign align : {LineAlign::Left, LineAlign::Centre, LineAlign::Right})
                for (int rotation = 0; rotation < 4; ++rotation) {
                    SCOPED_TRACE(::testing::Message()
                                 << dpi << " dpi, place " << int(place) << ", align " << int(align)
                                 << ", turn " << rotation);
                    CLabelContent content = CLabelContent::Of(symbol.get(), {rotation, true});
                    content.lines = {
                        {"Widget 12", "Liberation Sans", 9, true, false, align, place},
                        {"9.95 EUR", "Liberation Sans", 7, false, false, align, place}};
                    // 4 x 2 in, turned with the design where the view turns.
                    content.label = rotation % 2 == 0 ? CSize{4000, 2000} : CSize{2000, 4000};
                    CMonoSurface surface(scratch, dpi);
                    surface.SetWindowExt({1000, 1000});
                    surface.SetViewportExt({dpi, dpi});
                    const CLabelLayout layout = LayOutLabel(content, surface);
                    EXPECT_TRUE(layout.tooLong.empty());
                    EXPECT_FALSE(layout.tooTall);
                    // Centred within a quarter of a millimetre (10 mils).
                    EXPECT_LE(std::abs(layout.block.CentreX()), 10);
                    EXPECT_LE(std::abs(layout.block.CentreY()), 10);
                    for (const CLabelLayout::Line& l : layout.lines) {
                        EXPECT_GE(l.topLeft.x, -2000 + kLabelMarginMils);
                        EXPECT_LE(l.topLeft.x + l.cell.cx, 2000 - kLabelMarginMils);
                        EXPECT_GE(l.topLeft.y, -1000 + kLabelMarginMils);
                        EXPECT_LE(l.topLeft.y + l.cell.cy, 1000 - kLabelMarginMils);
                        EXPECT_FALSE(Overlaps(layout.symbolBlock, l.topLeft, l.cell));
                    }
                    // Drawn at the printer's dots, the symbol still reads.
                    const CMonoRaster raster = RenderLabelMono(content, dpi);
                    ASSERT_GT(raster.image.width, 0);
                    const std::vector<std::uint8_t> grey = Grey(raster.image);
                    const ScanResult read = ScanGrey(grey.data(), raster.image.width,
                                                     raster.image.height, raster.image.width);
                    EXPECT_TRUE(read.ok);
                    EXPECT_EQ(read.text, "QM-2026");
                }
}

TEST_F(LabelLayoutTest, ALineTooWideIsSetSmallerThenSaidToBeTooLong) {
    const auto symbol = Code128("12");
    MonoImage scratch;
    scratch.Allocate(1, 1);
    CMonoSurface surface(scratch, 300);
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({300, 300});
    CLabelContent content = CLabelContent::Of(symbol.get(), {});
    content.label = {2000, 1200};
    content.lines = {{"A product name a little too long", "Liberation Sans", 14, false, false,
                      LineAlign::Centre, LinePlace::Above}};
    CLabelLayout layout = LayOutLabel(content, surface);
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_LT(layout.lines[0].points, 14);
    EXPECT_GE(layout.lines[0].points, kMinLinePoints);
    EXPECT_LE(layout.lines[0].cell.cx, 2000 - 2 * kLabelMarginMils);
    EXPECT_TRUE(layout.tooLong.empty());
    // Far too long: even the smallest size does not fit.
    content.lines[0].text = std::string(300, 'W');
    layout = LayOutLabel(content, surface);
    EXPECT_EQ(layout.lines[0].points, kMinLinePoints);
    EXPECT_EQ(layout.tooLong, std::vector<std::size_t>{0});
    // Without a label a line keeps its size.
    content.label = {};
    EXPECT_EQ(LayOutLabel(content, surface).lines[0].points, 14);
}

TEST_F(LabelLayoutTest, LinesBeyondLatin1AndInItalicAreDrawn) {
    const auto symbol = Code128("1");
    const char* texts[] = {
        "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC", // Ελληνικά
        "\xD0\x9A\xD0\xB8\xD1\x80\xD0\xB8\xD0\xBB\xD0\xBB\xD0\xB8\xD1\x86\xD0\xB0",
        "\xE6\x9D\xB1\xE4\xBA\xAC", // 東京
        "Italic"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        CLabelContent content = CLabelContent::Of(symbol.get(), {});
        content.lines = {{text, "Liberation Sans", 24, false, std::string(text) == "Italic",
                          LineAlign::Centre, LinePlace::Above}};
        const CMonoRaster raster = RenderLabelMono(content, 300);
        ASSERT_GT(raster.image.width, 0);
        // Ink above the bars: the line shows.
        MonoImage scratch;
        scratch.Allocate(1, 1);
        CMonoSurface surface(scratch, 300);
        surface.SetWindowExt({1000, 1000});
        surface.SetViewportExt({300, 300});
        const CLabelLayout layout = LayOutLabel(content, surface);
        ASSERT_EQ(layout.lines.size(), 1u);
        const CMapping& m = raster.mapping;
        const auto px = [&](int x) { return static_cast<int>(std::lround(m.ToDeviceX(x))); };
        const auto py = [&](int y) { return static_cast<int>(std::lround(m.ToDeviceY(y))); };
        const CLabelLayout::Line& l = layout.lines[0];
        int ink = 0;
        for (int y = std::max(0, py(l.topLeft.y));
             y < std::min(raster.image.height, py(l.topLeft.y + l.cell.cy)); ++y)
            for (int x = std::max(0, px(l.topLeft.x));
                 x < std::min(raster.image.width, px(l.topLeft.x + l.cell.cx)); ++x)
                ink += raster.image.IsWhite(x, y) ? 0 : 1;
        EXPECT_GT(ink, 100) << "the line's cell holds its glyphs";
    }
}

} // namespace
