// Text on the one-bit surface: the opaque cell in every orientation, long lines measured and
// drawn by the exact advances, bold and Latin-1 faces, control characters, and no font at all.
#include "render/mono_surface.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

namespace {

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1; // [x0, x1) × [y0, y1); empty: x1 < 0
    int count = 0;
};

// The box around the pixels that are black (or white).
Box BoxOf(const MonoImage& image, bool black) {
    Box box;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.IsWhite(x, y) != black) {
                box.x0 = std::min(box.x0, x), box.y0 = std::min(box.y0, y);
                box.x1 = std::max(box.x1, x + 1), box.y1 = std::max(box.y1, y + 1);
                ++box.count;
            }
    return box;
}

// 1000 logical units per inch at `dpi`.
void MapAt(CMonoSurface& surface, int dpi) {
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({dpi, dpi});
}

class MonoText : public ::testing::Test {
protected:
    TempEnv env; // the font lookup's cache goes to a folder of the test's own
};

} // namespace

TEST_F(MonoText, OpaqueCellStartsAtTheReferencePointInEveryOrientation) {
    // A black field with text drawn at (300, 300), one unit per pixel: the white cell lies in
    // the quadrant the escapement turns it to, its corner on the reference point, its size the
    // measured extent.
    const struct {
        int escapement;
        int dx, dy; // the quadrant: the sign of the cell's extent along x and y
    } cases[] = {{0, 1, 1}, {900, 1, -1}, {1800, -1, -1}, {-900, -1, 1}};
    for (const auto& c : cases) {
        MonoImage image;
        ASSERT_TRUE(image.Allocate(600, 600));
        CMonoSurface s(image, 1000);
        MapAt(s, 1000);
        s.DrawLine({0, 300}, {600, 300}, 600);
        s.SetBkModeOpaque(true);
        s.SelectFont({"Courier New", 40, 400, c.escapement});
        const CSize extent = s.GetTextExtent("WIDE TEXT");
        s.TextOut({300, 300}, "WIDE TEXT");
        const Box cell = BoxOf(image, false);
        ASSERT_GE(cell.x1, 0) << "no cell for escapement " << c.escapement;
        const bool upright = c.escapement == 0 || c.escapement == 1800;
        EXPECT_EQ(c.dx > 0 ? cell.x0 : cell.x1, 300) << c.escapement;
        EXPECT_EQ(c.dy > 0 ? cell.y0 : cell.y1, 300) << c.escapement;
        EXPECT_EQ(cell.x1 - cell.x0, upright ? extent.cx : extent.cy) << c.escapement;
        EXPECT_EQ(cell.y1 - cell.y0, upright ? extent.cy : extent.cx) << c.escapement;
        // Glyphs are drawn inside it.
        EXPECT_GT(cell.count, 0);
        EXPECT_LT(cell.count, extent.cx * extent.cy) << "no glyph drawn for " << c.escapement;
    }
}

TEST_F(MonoText, LongLineMeasuresAndDrawsByTheExactAdvances) {
    // 1,000 characters at 600 dpi: the extent is the sum of the characters' advances, not of
    // advances rounded to pixels, and the drawn glyphs end where the extent says.
    std::string line;
    while (line.size() < 1000)
        line += "HALVERN 0123456789-";
    line.resize(1000);
    CFontLocator fonts;
    CTextRaster raster(fonts);
    // Courier New at 111 mils is 66.6 pixels, drawn at 67.
    ASSERT_TRUE(raster.Select("Courier New", false, 67));
    std::int64_t sum = 0;
    for (unsigned char c : line)
        sum += raster.Advance(c);
    // A fixed-pitch face: 0.6 em a character, about 40.2 pixels, a fraction that adds up.
    EXPECT_NEAR(sum / 64.0, 1000 * 0.6 * 67, 1000 * 67 * 0.001);
    EXPECT_EQ(raster.Width(line), sum);

    MonoImage image;
    ASSERT_TRUE(image.Allocate(40400, 100));
    CMonoSurface s(image, 600, &fonts);
    MapAt(s, 600);
    s.SelectFont({"Courier New", 111, 400, 0});
    const CSize extent = s.GetTextExtent(line);
    EXPECT_EQ(extent.cx, static_cast<int>(std::lround(sum / 64.0 / 0.6)));
    s.TextOut({0, 0}, line);
    const Box glyphs = BoxOf(image, true);
    const double end = sum / 64.0, pitch = raster.Advance('H') / 64.0;
    EXPECT_LE(glyphs.x0, 8); // the first glyph near the start
    EXPECT_GT(glyphs.x1, end - pitch);
    EXPECT_LE(glyphs.x1, end + 1);
}

TEST_F(MonoText, BoldAndLatin1CharactersComeFromTheRightFace) {
    const auto draw = [](const CFontSpec& font, const char* text) {
        MonoImage image;
        image.Allocate(200, 100);
        CMonoSurface s(image, 1000);
        MapAt(s, 1000);
        s.SelectFont(font);
        s.TextOut({10, 10}, text);
        return BoxOf(image, true);
    };
    const Box regular = draw({"Courier New", 50, 400, 0}, "HALVERN");
    const Box bold = draw({"Courier New", 50, 700, 0}, "HALVERN");
    EXPECT_GT(bold.count, regular.count * 5 / 4) << "bold strokes are no heavier";
    // É (0xC9 in Latin-1) is E with an accent above it, not a missing-glyph box.
    const Box e = draw({"Arial", 50, 400, 0}, "E");
    const Box eAcute = draw({"Arial", 50, 400, 0}, "\xC9");
    EXPECT_EQ(eAcute.y1, e.y1);
    EXPECT_LT(eAcute.y0, e.y0 - 5);
    EXPECT_NEAR(eAcute.x1 - eAcute.x0, e.x1 - e.x0, 2);
}

TEST_F(MonoText, ControlCharactersTakeNoRoomAndLeaveNoInk) {
    // Data read from a file or a damaged document may hold control characters; under the bars
    // they show nothing, not a row of missing-glyph boxes that widens the image.
    const auto draw = [](const std::string& text, CSize& extent) {
        MonoImage image;
        image.Allocate(400, 100);
        CMonoSurface s(image, 1000);
        MapAt(s, 1000);
        s.SelectFont({"Courier New", 50, 400, 0});
        extent = s.GetTextExtent(text);
        s.TextOut({10, 10}, text);
        return BoxOf(image, true);
    };
    CSize plainExtent, controlExtent, onlyControlExtent;
    const Box plain = draw("HALVERN", plainExtent);
    const Box control = draw(std::string("HAL\x01\x00\x1F\x7F\x85VERN", 12), controlExtent);
    const Box onlyControl = draw(std::string("\x00\x01\x02\x9F", 4), onlyControlExtent);
    EXPECT_EQ(controlExtent.cx, plainExtent.cx);
    EXPECT_EQ(control.count, plain.count);
    EXPECT_EQ(control.x1, plain.x1);
    EXPECT_EQ(onlyControlExtent.cx, 0);
    EXPECT_EQ(onlyControl.count, 0);
}

TEST_F(MonoText, WithoutAUsableFontNothingIsMeasuredOrDrawn) {
    const std::filesystem::path notAFont = env.Root() / "not-a-font.ttf";
    std::ofstream(notAFont) << "plain text, no font";
    const std::optional<CFontFile> answers[] = {std::nullopt, CFontFile{notAFont.string()}};
    for (const auto& answer : answers) {
        CFontLocator fonts(env.Root() / "fonts", [&](const std::string&, bool) { return answer; });
        MonoImage image;
        ASSERT_TRUE(image.Allocate(100, 100));
        CMonoSurface s(image, 1000, &fonts);
        MapAt(s, 1000);
        s.SetBkModeOpaque(true);
        s.SelectFont({"Courier New", 30, 400, 0});
        EXPECT_EQ(s.GetTextExtent("TEXT"), (CSize{0, 0}));
        s.TextOut({10, 10}, "TEXT");
        EXPECT_EQ(BoxOf(image, true).count, 0);
    }
}
