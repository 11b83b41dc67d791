#include "engine/primitives.h"
#include "tests/support/messages.h"
#include "tests/support/recording_surface.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

using namespace engine;

class PrimitivesTest : public SettingsTest {};

TEST_F(PrimitivesTest, WideNarrowSpansInEveryOrientation) {
    SetDensityRatio(10, 25);
    struct Case {
        int orientation;
        std::vector<std::pair<int, int>> spans; // across the bar, in the advance axis
        CPoint end;
    };
    // "nwn": bar X, space W, bar X; the span starts at the running position and grows in the
    // direction of advance.
    const Case cases[] = {
        {0, {{0, 10}, {35, 45}}, {45, 0}},
        {1, {{-10, 0}, {-45, -35}}, {0, -45}},
        {2, {{-10, 0}, {-45, -35}}, {-45, 0}},
        {3, {{0, 10}, {35, 45}}, {0, 45}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        RecordingSurface s;
        CPoint pos{0, 0};
        DrawWideNarrow(s, "nwn", pos, 100, c.orientation);
        EXPECT_EQ(pos, c.end);
        const auto bars = s.Bars(c.orientation);
        ASSERT_EQ(bars.size(), c.spans.size());
        for (size_t i = 0; i < bars.size(); ++i) {
            EXPECT_EQ(bars[i].lo, c.spans[i].first);
            EXPECT_EQ(bars[i].hi, c.spans[i].second);
        }
    }
}

TEST_F(PrimitivesTest, BarLineEndpointsPerOrientation) {
    // Width 10, h = 5, at (100, 200), length 50.
    const struct {
        int orientation;
        CPoint from, to;
    } cases[] = {
        {0, {105, 200}, {105, 250}},
        {1, {100, 195}, {150, 195}},
        {2, {95, 200}, {95, 150}},
        {3, {100, 205}, {50, 205}},
    };
    for (const auto& c : cases) {
        RecordingSurface s;
        DrawBar(s, {100, 200}, 50, 10, c.orientation);
        const auto lines = s.Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].from, c.from) << c.orientation;
        EXPECT_EQ(lines[0].to, c.to) << c.orientation;
        EXPECT_EQ(lines[0].width, 10);
    }
    // An odd width halves by truncation: 7 gives an offset of 3.
    RecordingSurface s;
    DrawBar(s, {0, 0}, 10, 7, 0);
    EXPECT_EQ(s.Lines()[0].from, (CPoint{3, 0}));
}

// Neighbouring dark modules are one bar, one line: a vector picture shows no seam inside it.
TEST_F(PrimitivesTest, ModulesDrawOneLinePerBar) {
    SetDensityRatio(10, 25);
    RecordingSurface s;
    CPoint pos{0, 0};
    DrawModules(s, "bbsb", pos, 100, 0);
    EXPECT_EQ(pos, (CPoint{40, 0}));
    const auto bars = s.Bars(0);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0].lo, 0);
    EXPECT_EQ(bars[0].hi, 20);
    EXPECT_EQ(bars[1].lo, 30);
    EXPECT_EQ(bars[1].hi, 40);
    ASSERT_EQ(s.Lines().size(), 2u);
    EXPECT_EQ(s.Lines()[0].width, 20);
    EXPECT_EQ(s.Lines()[1].width, 10);
}

TEST_F(PrimitivesTest, SettingsAreReadOnEveryCall) {
    SetDensityRatio(7, 25);
    EXPECT_EQ(WideWidth(ReadDensity(), ReadRatio()), 17); // 17.5 truncated
    RecordingSurface s;
    CPoint pos{0, 0};
    DrawWideNarrow(s, "w", pos, 10, 0);
    EXPECT_EQ(pos.x, 17);
    SetDensityRatio(10, 30);
    DrawWideNarrow(s, "w", pos, 10, 0);
    EXPECT_EQ(pos.x, 17 + 30);
}

TEST(Primitives, FontHeightsAndRounding) {
    EXPECT_EQ(MulDiv(8, 1000, 72), 111);
    EXPECT_EQ(MulDiv(10, 1000, 72), 139);
    EXPECT_EQ(MulDiv(12, 1000, 72), 167);
    EXPECT_EQ(MulDiv(-8, 1000, 72), -111);
    EXPECT_EQ(MulDiv(1, 1, 2), 1); // halves round away from zero
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(0x7fffffff, 1000, 72), -1); // does not fit
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

TEST(Primitives, ValuesFromDamagedInputNeverOverflow) {
    EXPECT_EQ(TruncToInt(1e300), 2147483647);
    EXPECT_EQ(TruncToInt(-1e300), -2147483647 - 1);
    EXPECT_EQ(TruncToInt(-17.9), -17);
    CPoint p{2147483600, 0};
    Advance(p, 1000, 0);
    EXPECT_EQ(p.x, 2147483647);
    EXPECT_EQ(NormalizeOrientation(-1), 3);
    EXPECT_EQ(NormalizeOrientation(6), 2);
}

// The module each resolution draws, and when the program says it cannot be drawn well.
TEST(ModuleOnDeviceTest, SnappedModuleAndWarnings) {
    TempEnv env;
    SettingsStore().WriteInt("Options", "Density", 10);
    EXPECT_EQ(engine::DescribeModule(203), MakeMessage(Msg::ModuleReadout, "9.85", "203"));
    EXPECT_EQ(engine::DescribeModule(300), MakeMessage(Msg::ModuleReadout, "10.00", "300"));
    EXPECT_EQ(engine::DescribeModule(96), MakeMessage(Msg::ModuleReadout, "10.42", "96"));
    EXPECT_EQ(MessageText(engine::DescribeModule(203)), "X = 9.85 mil at 203 dpi");
    EXPECT_TRUE(engine::ModuleWarning(96).Empty()); // 0.96 dots: one dot, 4 % off
    EXPECT_TRUE(engine::ModuleWarning(203).Empty());
    // 10 mils at 150 dpi: 1.5 dots round to 2 (13.33 mil), 33 % larger.
    EXPECT_EQ(engine::ModuleWarning(150),
              MakeMessage(Msg::ModuleTooLarge, "150", "10", "2", "13.33", "33"));
    // 10 mils at 40 dpi: 0.4 dots, drawn as one (25 mil, 150 % larger).
    EXPECT_EQ(engine::ModuleWarning(40),
              MakeMessage(Msg::ModuleBelowOneDot, "40", "10", "25.00", "150"));
    SettingsStore().WriteInt("Options", "SnapToDots", 0);
    EXPECT_TRUE(engine::ModuleWarning(150).Empty()); // exact widths: nothing to say
    EXPECT_EQ(engine::DescribeModule(150), MakeMessage(Msg::ModuleReadout, "10.00", "150"));
}

// The resolution of an image export that names none: the first whole multiple of the screen's
// with at least two dots per module within 15 % of X.
TEST(ModuleOnDeviceTest, DefaultImageResolutionGivesTwoDotsCloseToX) {
    const struct {
        int screen, x;
        bool snap;
        int dpi;
    } cases[] = {
        {96, 10, true, 192},  // 1.92 dots: 2 (10.42 mil, 4 % off)
        {96, 7, true, 288},   // 192 gives 1.34 dots, 1; 288 gives 2.02, 2
        {96, 8, true, 288},   // 192 gives 2 dots of 10.42 mil, 30 % off; 288 gives 2 of 6.94
        {96, 13, true, 288},  // 192 gives 2 dots of 10.42 mil, 20 % off; 288 gives 4 of 13.89
        {96, 20, true, 96},   // 1.92 dots: 2
        {72, 10, true, 216},  // 144 gives 1.44 dots, 1
        {96, 13, false, 192}, // exact widths: 2.5 dots are two
        {0, 10, true, 192},   // no screen known: taken as 96 dpi
        {3000, 7, true, 3000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engine::DefaultImageResolution(c.screen, c.x, c.snap), c.dpi)
            << c.screen << " dpi, X = " << c.x << (c.snap ? "" : " unsnapped");
}
