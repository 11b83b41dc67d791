#include "output/print_layout.h"
#include "tests/support/label_geometry_printer.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

namespace {

// A 3 × 10 sheet: top margin 1.27 cm, side margin 0.476 cm, labels 6.668 × 2.54 cm at pitches
// 6.985 and 2.54 cm.
CPrintSettings Sheet() {
    CPrintSettings s;
    s.useLabel = 1;
    s.fullPage = 0;
    s.geometry = {0, 6668, 2540, 1270, 476, 6985, 2540, 3, 10};
    return s;
}

// 600 dpi, the printable area 100 dots in from the paper's edges, US letter.
CPrinterFacts Printer600() {
    return {600, 600, 100, 100, 4900, 6400};
}

} // namespace

TEST(PrintLayout, MarginsFromThePrintableArea) {
    // The offsets are 166 mils: S = trunc(476 - 421.64), T = trunc(1270 - 421.64).
    EXPECT_EQ(PrintableMargins(Sheet(), Printer600()), (CPoint{54, 848}));
}

TEST(PrintLayout, FullPagePutsASymbolOnEveryLabelRowByRow) {
    const auto centres = LabelCentres(Sheet(), Printer600());
    ASSERT_EQ(centres.size(), 30u);
    EXPECT_EQ(centres[0], (CPoint{800, 500}));
    EXPECT_EQ(centres[1], (CPoint{2450, 500}));
    EXPECT_EQ(centres[3], (CPoint{800, 1100})); // the second row starts again at the left
    EXPECT_EQ(centres[29], (CPoint{4100, 5900}));
}

TEST(PrintLayout, SingleLabelByRowAcrossAndColumnDown) {
    CPrintSettings s = Sheet();
    s.fullPage = 1;
    s.row = 2;
    s.column = 3;
    EXPECT_EQ(LabelCentres(s, Printer600()), (std::vector<CPoint>{{2450, 1700}}));
    // Row 0 is one pitch left of the first column: no error.
    s.row = 0;
    s.column = 1;
    const auto one = LabelCentres(s, Printer600());
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].y, 500);
    EXPECT_LT(one[0].x, 0);
}

TEST(PrintLayout, PlainPageAndUnsavedSheet) {
    CPrintSettings s = Sheet();
    s.useLabel = 0;
    EXPECT_TRUE(LabelCentres(s, Printer600()).empty());
    EXPECT_TRUE(LabelOutlines(s, Printer600()).empty());
    // Labels never saved: the one symbol lands on the paper's corner, outside the printable area.
    CPrintSettings unsaved;
    unsaved.useLabel = 1;
    const auto c = LabelCentres(unsaved, Printer600());
    ASSERT_EQ(c.size(), 1u);
    EXPECT_LT(c[0].x, 0);
    EXPECT_LT(c[0].y, 0);
}

TEST(PrintLayout, ResolutionsMayDifferAcrossAndDown) {
    // 600 × 300 dpi with the same offsets in dots: ox uses LPX, oy uses LPY.
    const CPrinterFacts p{600, 300, 100, 100, 4900, 3200};
    EXPECT_EQ(PrintableMargins(Sheet(), p), (CPoint{54, 424})); // trunc(1270 - 333 × 2.54)
    const auto centres = LabelCentres(Sheet(), p);
    ASSERT_EQ(centres.size(), 30u);
    EXPECT_EQ(centres[0].x, 800);
    EXPECT_EQ(centres[0].y, 200); // trunc(300 × (424 + 1270) × 0.3937… × 0.001)
}

TEST(PrintLayout, PreviewOutlinesInMils) {
    const auto outlines = LabelOutlines(Sheet(), Printer600());
    ASSERT_EQ(outlines.size(), 30u);
    EXPECT_EQ(outlines[0], (CMilRect{21, 333, 2646, 1332}));
    EXPECT_EQ(outlines[1], (CMilRect{2770, 333, 5395, 1332}));
}

TEST(PrintLayout, AHugeSheetPrintsOnlyWhatCanReachThePage) {
    CPrintSettings s = Sheet();
    s.geometry.numberAcross = 999999999;
    s.geometry.numberDown = 999999999;
    const auto centres = LabelCentres(s, Printer600());
    EXPECT_GE(centres.size(), 30u);
    EXPECT_LT(centres.size(), 2000u);
    EXPECT_EQ(centres[0], (CPoint{800, 500}));
    // All labels on one spot print once.
    s.geometry.horizontalPitch = s.geometry.verticalPitch = 0;
    EXPECT_EQ(LabelCentres(s, Printer600()).size(), 1u);
}

TEST(PrintSettings, UseLabelIsOneValueWhateverItsSpelling) {
    TempEnv env;
    EXPECT_EQ(CPrintSettings::FromStore().useLabel, 0); // printing's default
    SettingsStore().WriteInt("Print", "UseLabel", 1);
    EXPECT_EQ(CPrintSettings::FromStore().useLabel, 1);
    EXPECT_EQ(CPrintSettings::FromStore().geometry.numberAcross, 1);
}

TEST(PrintSettings, EachGeometryKeyFillsItsOwnField) {
    TempEnv env;
    EXPECT_EQ(CPrintSettings::FromStore().geometry,
              (CLabelGeometry{.numberAcross = 1, .numberDown = 1}))
        << "printing's defaults";
    // Every value different, so a key read into another field shows.
    const struct {
        const char* key;
        int value;
    } stored[] = {{"LabelWidth", 101},   {"LabelHeight", 102}, {"TopMargin", 103},
                  {"SideMargin", 104},   {"HorzPitch", 105},   {"VertPitch", 106},
                  {"NumberAcross", 107}, {"NumberDown", 108},  {"PaperSize", 109}};
    SettingsStore store;
    for (const auto& s : stored)
        ASSERT_TRUE(store.WriteInt("Print", s.key, s.value));
    EXPECT_EQ(CPrintSettings::FromStore().geometry,
              (CLabelGeometry{0, 101, 102, 103, 104, 105, 106, 107, 108}))
        << "no paper size: printing does not read one";
}
