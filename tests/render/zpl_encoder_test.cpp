// The ZPL a label is written as, read back by the test support's decoder: every dot where the
// image has it, however the rows compress (runs longer than the largest count letter, rows that
// end in white or black, rows the same as the one before, a last byte only partly the image's).

#include "render/zpl_encoder.h"
#include "tests/support/zpl_decode.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

MonoImage Image(int width, int height, const std::function<bool(int, int)>& black) {
    MonoImage image;
    EXPECT_TRUE(image.Allocate(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (black(x, y))
                image.bits[static_cast<std::size_t>(y) * image.Stride() + x / 8] &=
                    static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
    return image;
}

void ExpectSameDots(const MonoImage& image, const ZplLabel& label) {
    ASSERT_EQ(label.width, image.width);
    ASSERT_EQ(label.height, image.height);
    int wrong = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            wrong += label.Black(x, y) != !image.IsWhite(x, y);
    EXPECT_EQ(wrong, 0);
}

} // namespace

TEST(ZplEncoder, EveryDotComesBackHoweverTheRowsCompress) {
    std::mt19937 random(27);
    const struct {
        const char* what;
        int width, height;
        std::function<bool(int, int)> black;
    } cases[] = {
        {"random dots, a last byte of 5 dots", 13, 9, [&](int, int) { return random() % 2 == 0; }},
        // 1600 black dots are 400 'F' digits, one 'z'; 1604 are 401; 1680 are 420 ('z' 'g').
        {"runs up to and past the largest count", 3300, 4,
         [](int x, int y) {
             return x < (y == 0 ? 1600 : y == 1 ? 1604 : y == 2 ? 1680 : 3);
         }},
        {"rows all white, all black, ending black, repeated", 100, 6,
         [](int x, int y) { return y == 1 || y == 2 || (y >= 3 && x >= 50); }},
        {"stripes of one dot", 64, 3, [](int x, int) { return x % 2 == 0; }},
        {"one dot in the middle", 41, 41, [](int x, int y) { return x == 20 && y == 20; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const MonoImage image = Image(c.width, c.height, c.black);
        std::string zpl;
        AppendZplLabel(image, 1, zpl);
        AppendZplLabel(image, 7, zpl);
        const ZplDocument doc = DecodeZpl(zpl);
        ASSERT_EQ(doc.error, "");
        ASSERT_EQ(doc.labels.size(), 2u);
        ExpectSameDots(image, doc.labels[0]);
        EXPECT_EQ(doc.labels[0].copies, 1);
        EXPECT_EQ(doc.labels[1].copies, 7);
    }
}

TEST(ZplEncoder, AnEmptyImageWritesNothing) {
    std::string zpl;
    AppendZplLabel(MonoImage{}, 1, zpl);
    EXPECT_EQ(zpl, "");
}

// The form a print queue's driver sends: the page stored as a graphic, recalled on a label,
// then deleted by a label that prints nothing.
TEST(ZplDecoder, ReadsAStoredGraphicRecalledOnALabel) {
    const ZplDocument doc = DecodeZpl("~DGR:P.GRF,6,2,\nHFH0:0F0F\n"
                                      "^XA^PW16^FO0,0^XGR:P.GRF,1,1^FS^XZ\n"
                                      "^XA^IDR:P.GRF^FS^XZ\n");
    ASSERT_EQ(doc.error, "");
    ASSERT_EQ(doc.labels.size(), 1u);
    const ZplLabel& label = doc.labels[0];
    ASSERT_EQ(label.width, 16);
    ASSERT_EQ(label.height, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(label.Black(x, y), y < 2 ? x < 8 : (x / 4) % 2 == 1) << x << "," << y;
}

TEST(ZplDecoder, SaysWhatItCannotRead) {
    for (const char* zpl :
         {"^XA^FO0,0^GFA,4,4,2,FFFF^FS^XZ", "^XA^FO0,0^GFA,4,4,2,FFFFFFFFFF^FS^XZ",
          "^XA^FO0,0^XGR:NONE.GRF,1,1^FS^XZ", "^XA^FO0,0^GFB,2,2,1,xx^FS^XZ"})
        EXPECT_NE(DecodeZpl(zpl).error, "") << zpl;
}
