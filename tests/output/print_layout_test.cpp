#include "engine/symbologies.h"
#include "job/print_layout.h"
#include "output/print_page.h"
#include "tests/support/label_geometry_printer.h"
#include "tests/support/settings_fixture.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <utility>

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

TEST(PrintLayout, ThePrintersOffsetMovesEveryLabelAndOutline) {
    CPrinterFacts moved = Printer600();
    moved.offsetAcross = 100; // 1 mm right
    moved.offsetDown = -50;   // half a millimetre up
    const auto before = LabelCentres(Sheet(), Printer600());
    const auto after = LabelCentres(Sheet(), moved);
    ASSERT_EQ(after.size(), before.size());
    // 600 / 25.4 = 23.6 dots to the millimetre, give or take the truncation of each.
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(after[i].x - before[i].x, 23.6, 1) << i;
        EXPECT_NEAR(after[i].y - before[i].y, -11.8, 1) << i;
    }
    const auto outlines = LabelOutlines(Sheet(), moved);
    EXPECT_NEAR(outlines[0].left - LabelOutlines(Sheet(), Printer600())[0].left, 39.4, 1);
    // A plain page is not a sheet: nothing to move.
    CPrintSettings plain = Sheet();
    plain.useLabel = 0;
    EXPECT_TRUE(LabelCentres(plain, moved).empty());
}

TEST(PrintLayout, ARunStartsOnAnyLabelOfTheSheet) {
    const auto all = LabelCentres(Sheet(), Printer600());
    const struct {
        std::int64_t first;
        std::size_t labels;
    } cases[] = {{0, 30}, {2, 28}, {10, 20}, {27, 3}, {29, 1}, {30, 0}};
    for (const auto& c : cases) {
        std::vector<CPoint> run;
        ForEachRunLabelCentre(Sheet(), Printer600(), c.first, [&run](CPoint p) {
            run.push_back(p);
            return true;
        });
        ASSERT_EQ(run.size(), c.labels) << "from " << c.first;
        // The labels from the first on, in the order of a full sheet: the corners where they are.
        for (std::size_t i = 0; i < run.size(); ++i)
            EXPECT_EQ(run[i], all[c.first + i]) << "from " << c.first;
    }
    // The run stops the sheet where its labels end.
    int taken = 0;
    ForEachRunLabelCentre(Sheet(), Printer600(), 4, [&taken](CPoint) { return ++taken < 5; });
    EXPECT_EQ(taken, 5);
}

// What ForEachLabelCentre hands out for one sheet. It gives up past the page's cap, so a layout
// that ran away fails here instead of running on.
struct Visited {
    std::vector<CPoint> centres;
    std::set<std::pair<int, int>> distinct;
    std::set<int> xs, ys;
};
Visited Visit(const CPrintSettings& s, const CPrinterFacts& p) {
    Visited v;
    ForEachLabelCentre(s, p, [&v](CPoint c) {
        if (v.centres.size() == static_cast<std::size_t>(kMaxLabelsPerPage))
            throw std::runtime_error("more labels than a page is laid out with");
        v.centres.push_back(c);
        v.distinct.insert({c.x, c.y});
        v.xs.insert(c.x);
        v.ys.insert(c.y);
    });
    return v;
}

TEST(PrintLayout, ATinyPitchLaysOutOnlyWhatThePageCanTellApart) {
    // Pitches of a thousandth of a centimetre (a quarter of a dot at 600 dpi): labels pile up
    // several to a dot.
    const struct {
        int pitch, count;
        bool capped; // more distinct spots on the page than a page is laid out with
    } cases[] = {
        {1, 400, false}, {-1, 400, false}, {1, 1000, true}, {1, 100000, true}, {-1, 100000, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "pitch " << c.pitch << ", " << c.count << " × " << c.count);
        CPrintSettings s = Sheet();
        s.geometry.horizontalPitch = s.geometry.verticalPitch = c.pitch;
        s.geometry.numberAcross = s.geometry.numberDown = c.count;
        Visited v;
        ASSERT_NO_THROW(v = Visit(s, Printer600()));
        ASSERT_FALSE(v.centres.empty());
        EXPECT_EQ(v.centres[0], (CPoint{800, 500})) << "the first label where it always is";
        EXPECT_EQ(v.distinct.size(), v.centres.size()) << "no two labels on one dot";
        // Row by row: each row's dots in order, every row on a dot of its own.
        for (std::size_t i = 1; i < v.centres.size(); ++i) {
            const CPoint a = v.centres[i - 1], b = v.centres[i];
            if (a.y == b.y)
                EXPECT_EQ(b.x - a.x, c.pitch) << "at " << i;
            else
                ASSERT_EQ(b.y - a.y, c.pitch) << "at " << i;
        }
        for (const CPoint& centre : v.centres) {
            ASSERT_GE(centre.x, -4900);
            ASSERT_LT(centre.x, 2 * 4900);
            ASSERT_GE(centre.y, -6400);
            ASSERT_LT(centre.y, 2 * 6400);
        }
        if (c.capped) {
            EXPECT_EQ(v.centres.size(), static_cast<std::size_t>(kMaxLabelsPerPage));
            // The first ones in printing order, every one of them on the page.
            EXPECT_GE(*v.xs.begin(), 0);
            EXPECT_LT(*v.xs.rbegin(), 4900);
        } else {
            // Every dot between the first label and the last holds one.
            EXPECT_EQ(v.centres.size(), v.xs.size() * v.ys.size());
            EXPECT_EQ(*v.xs.rbegin() - *v.xs.begin() + 1, static_cast<int>(v.xs.size()));
            EXPECT_EQ(*v.ys.rbegin() - *v.ys.begin() + 1, static_cast<int>(v.ys.size()));
            EXPECT_GT(v.xs.size(), 90u) << "400 labels over about 94 dots";
        }
        EXPECT_EQ(LabelOutlines(s, Printer600()).size(), v.centres.size())
            << "an outline for each label printed";
    }
}

TEST(PrintLayout, ARowOfMoreLabelsThanThePageHasDotsKeepsThoseOnThePage) {
    // A single row of a million labels a dot and a bit apart: more of them within a page's
    // length of the page than the page has dots across.
    CPrintSettings s = Sheet();
    s.geometry.width = 5;
    s.geometry.horizontalPitch = 5; // 1.18 dots at 600 dpi
    s.geometry.numberAcross = 1000000;
    s.geometry.numberDown = 1;
    Visited v;
    ASSERT_NO_THROW(v = Visit(s, Printer600()));
    EXPECT_LE(v.centres.size(), 4900u) << "no more labels than the page has dots across";
    EXPECT_GT(v.centres.size(), 3000u) << "every label from the first to the page's edge";
    EXPECT_EQ(v.distinct.size(), v.centres.size());
    EXPECT_GE(*v.xs.begin(), 0);
    EXPECT_LT(*v.xs.rbegin(), 4900);
}

TEST(PrintLayout, LabelsSmallerThanADotAreRefused) {
    // One dot is 4.23 thousandths of a centimetre at 600 dpi and 8.47 at 300 dpi.
    const CPrinterFacts p300{300, 300, 50, 50, 2450, 3200};
    const struct {
        int width, height;
        CPrinterFacts printer;
        bool fits;
    } cases[] = {
        {4, 2540, Printer600(), false}, {6668, 4, Printer600(), false},
        {1, 1, Printer600(), false},    {-6668, 2540, Printer600(), false},
        {0, 2540, Printer600(), false}, {5, 5, Printer600(), true},
        {5, 2540, p300, false},         {9, 9, p300, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << " × " << c.height << " at " << c.printer.lpx << " dpi");
        for (int fullPage : {0, 1}) {
            CPrintSettings s = Sheet();
            s.fullPage = fullPage;
            s.geometry.width = c.width;
            s.geometry.height = c.height;
            EXPECT_EQ(LabelsFitPrinter(s, c.printer), c.fits);
            EXPECT_EQ(LabelCentres(s, c.printer).empty(), !c.fits) << "full page " << fullPage;
            EXPECT_EQ(LabelOutlines(s, c.printer).empty(), !c.fits) << "full page " << fullPage;
        }
    }
    // The attack's sheet with labels as small as its pitch prints nothing.
    CPrintSettings s = Sheet();
    s.geometry = {0, 1, 1, 1270, 476, 1, 1, 100000, 100000};
    EXPECT_TRUE(Visit(s, Printer600()).centres.empty());
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

TEST(PrintRun, PagesBreakWhereTheSheetsEnd) {
    TempEnv env;
    QImage page(850, 1100, QImage::Format_Grayscale8); // letter at 100 dpi
    const CPrinterFacts printer{100, 100, 0, 0, 850, 1100};
    std::unique_ptr<CBarcode> barcode = NewDocumentBarcode();
    // Labels handed out and pages begun, each page with the labels handed out before it.
    const auto run = [&](const CPrintSettings& s, std::int64_t first, int labels) {
        int handed = 0;
        std::vector<int> breaks;
        page.fill(Qt::white);
        QPainter painter(&page);
        const CLabelContent label = CLabelContent::Of(barcode.get(), {});
        const int pages = PaintRunPages(
            painter, printer, s, first,
            [&]() -> const CLabelContent* {
                return handed < labels ? (++handed, &label) : nullptr;
            },
            [&] {
                breaks.push_back(handed - 1); // the label pending goes on the new page
                return true;
            },
            false);
        EXPECT_EQ(static_cast<std::size_t>(pages), breaks.size() + (labels > 0 ? 1 : 0));
        EXPECT_EQ(handed, labels);
        return breaks;
    };
    using V = std::vector<int>;
    // 65 labels from the eleventh (row 4, column 2) of a 3 × 10 sheet: 20, then 30, then 15.
    EXPECT_EQ(run(Sheet(), 10, 65), (V{20, 50}));
    EXPECT_EQ(run(Sheet(), 0, 30), V{});
    EXPECT_EQ(run(Sheet(), 29, 2), (V{1}));
    EXPECT_EQ(run(Sheet(), 0, 0), V{});
    // One label to a page on plain paper and on a single label.
    CPrintSettings plain = Sheet();
    plain.useLabel = 0;
    EXPECT_EQ(run(plain, 0, 3), (V{1, 2}));
    CPrintSettings single = Sheet();
    single.fullPage = 1;
    EXPECT_EQ(run(single, 0, 2), (V{1}));
}
