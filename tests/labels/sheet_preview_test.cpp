// The picture of a whole label sheet: where paper and labels lie, which labels are drawn, and
// what a render shows of a marked label.

#include "labels/sheet_preview.h"

#include "tests/labels/labels_test_support.h"
#include "tests/support/temp_env.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// A real sheet: three across, ten down, on letter paper.
const CLabelGeometry kSheet = {0, 6668, 2540, 1270, 476, 6985, 2540, 3, 10};
const QRect kClient(0, 0, 200, 260);

void ExpectRect(const QRectF& actual, const QRectF& expected, const char* what) {
    EXPECT_NEAR(actual.left(), expected.left(), 1e-6) << what;
    EXPECT_NEAR(actual.top(), expected.top(), 1e-6) << what;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-6) << what;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-6) << what;
}

TEST(SheetPreview, ThePaperIsScaledToFitAndCentred) {
    const struct {
        int paperSize;
        double scale;
        QRectF paper;
    } cases[] = {
        // Letter, 21590 × 27940, in 190 × 250 pixels: the width decides.
        {0, 190.0 / 21590, {5, 130 - 27940 * (190.0 / 21590) / 2, 190, 27940 * (190.0 / 21590)}},
        // A4 landscape, 29700 × 21000: lies on its side, the width decides.
        {3, 190.0 / 29700, {5, 130 - 21000 * (190.0 / 29700) / 2, 190, 21000 * (190.0 / 29700)}},
        // B4 JIS, 25700 × 36400: the height decides.
        {12, 250.0 / 36400, {100 - 25700 * (250.0 / 36400) / 2, 5, 25700 * (250.0 / 36400), 250}},
        // An index that names no paper: the first paper of the table, letter.
        {40, 190.0 / 21590, {5, 130 - 27940 * (190.0 / 21590) / 2, 190, 27940 * (190.0 / 21590)}},
    };
    for (const auto& c : cases) {
        CLabelGeometry g = kSheet;
        g.paperSize = c.paperSize;
        const SheetLayout layout = ComputeSheetLayout(SheetPaper(g), kClient, 5);
        EXPECT_DOUBLE_EQ(layout.scale, c.scale) << c.paperSize;
        ExpectRect(layout.paper, c.paper, "paper");
    }
}

// A roll is drawn as its label with the gap below it, tape as long as its label, or as long as
// it is wide where it is cut to each label's symbol.
TEST(SheetPreview, ARollIsItsLabelAndGapAndTapeItsLength) {
    const struct {
        CLabelGeometry g;
        QSizeF paper;
    } cases[] = {
        {{0, 5715, 3175, 0, 0, 5715, 3493, 1, 1, 1}, {5715, 3493}},
        {{0, 6200, 10000, 0, 0, 6200, 10000, 1, 1, 2}, {6200, 10000}},
        {{0, 6200, 0, 0, 0, 6200, 0, 1, 1, 2}, {6200, 6200}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SheetPaper(c.g), c.paper) << c.g.kind << " " << c.g.height;
        const SheetLayout layout = ComputeSheetLayout(SheetPaper(c.g), kClient, 5);
        EXPECT_NEAR(layout.LabelRect(c.g, {0, 0}).left(), layout.paper.left(), 0.01);
        EXPECT_NEAR(layout.LabelRect(c.g, {0, 0}).width(), layout.paper.width(), 0.01);
    }
}

TEST(SheetPreview, LabelsLieAtTheMarginsPlusWholePitches) {
    const SheetLayout layout = ComputeSheetLayout(SheetPaper(kSheet), kClient, 5);
    const double s = layout.scale;
    const QPointF o = layout.paper.topLeft();
    const struct {
        LabelPosition at;
        double left, top; // thousandths of a centimetre from the paper's corner
    } cases[] = {
        {{0, 0}, 476, 1270},
        {{2, 3}, 476 + 2 * 6985, 1270 + 3 * 2540},
        {{-1, 0}, 476 - 6985, 1270}, // a row of 0 prints one pitch before the first label
        // Far beyond the counts, past the int range of a count times a pitch.
        {{1'000'000, 2'000'000}, 476 + 6985e6, 1270 + 2540 * 2e6},
    };
    for (const auto& c : cases)
        ExpectRect(layout.LabelRect(kSheet, c.at),
                   {o.x() + c.left * s, o.y() + c.top * s, 6668 * s, 2540 * s}, "label");
}

TEST(SheetPreview, OnlyLabelsWithinReachAndAPixelApartAreDrawn) {
    const struct {
        double start, size, pitch;
        long long count;
        std::vector<long long> drawn; // empty with `atMost`: only the bound is checked
        std::size_t atMost = 0;
    } cases[] = {
        {10, 40, 50, 3, {0, 1, 2}},
        {10, 40, 50, 0, {}},
        {210, 40, 50, 3, {}},             // begins past the right edge
        {-120, 40, 50, 6, {2, 3, 4, 5}},  // the first two end before the left edge
        {10, 40, 0, 5, {0}},              // every label on the first one's spot
        {150, 10, -50, 10, {0, 1, 2, 3}}, // going the other way: 150, 100, 50, 0
        // A billion labels a hundredth of a pixel apart: one for each pixel or so.
        {0, 0.009, 0.01, 999'999'999, {}, 202},
    };
    for (const auto& c : cases) {
        const std::vector<long long> drawn =
            DrawnLabelIndexes(c.start, c.size, c.pitch, c.count, 0, 200);
        if (c.atMost) {
            EXPECT_LE(drawn.size(), c.atMost) << c.count;
            EXPECT_GE(drawn.size(), c.atMost - 4) << "the sheet still looks full";
        } else {
            EXPECT_EQ(drawn, c.drawn) << c.start << " " << c.pitch << " " << c.count;
        }
    }
}

// Widgets may read settings; each test has settings and data folders of its own.
class SheetPreviewWidget : public ::testing::Test {
protected:
    QColor At(const QImage& image, const QRectF& r) const {
        return image.pixelColor(r.center().toPoint());
    }
    TempEnv env;
};

TEST_F(SheetPreviewWidget, TheMarkedLabelIsFilledAndTheOthersAreNot) {
    CBWSheetPreview preview;
    preview.resize(kClient.size());
    preview.SetSheet(kSheet);
    const SheetLayout layout = preview.Layout();
    const QColor highlight = preview.palette().color(QPalette::Highlight);

    const QImage plain = preview.grab().toImage();
    EXPECT_EQ(At(plain, layout.LabelRect(kSheet, {1, 2})), QColor(Qt::white));
    // Half the top margin down from the paper's edge.
    const QPointF inMargin(layout.paper.center().x(), layout.paper.top() + 635 * layout.scale);
    EXPECT_EQ(plain.pixelColor(inMargin.toPoint()), QColor(192, 192, 192))
        << "the sheet's backing shows around the labels";

    preview.SetMarked({{1, 2}});
    const QImage marked = preview.grab().toImage();
    SaveForALook(marked, "qm_sheet_preview.png");
    EXPECT_EQ(At(marked, layout.LabelRect(kSheet, {1, 2})), highlight);
    for (const LabelPosition other : {LabelPosition{0, 2}, {2, 2}, {1, 1}, {1, 3}})
        EXPECT_EQ(At(marked, layout.LabelRect(kSheet, other)), QColor(Qt::white))
            << other.across << "," << other.down;

    // A label printed wholly off the paper: the picture says so.
    preview.SetMarked({{1000, 0}});
    EXPECT_NE(preview.grab().toImage(), plain);
    preview.SetMarked({});
    EXPECT_EQ(preview.grab().toImage(), plain);

    // No product: nothing but the background.
    preview.SetSheet(std::nullopt);
    const QImage empty = preview.grab().toImage();
    EXPECT_EQ(At(empty, layout.paper), preview.palette().color(QPalette::Window));
}

TEST_F(SheetPreviewWidget, UsedLabelsAreGreyedAndAClickSaysWhichLabel) {
    CBWSheetPreview preview;
    preview.resize(kClient.size());
    preview.SetSheet(kSheet);
    const SheetLayout layout = preview.Layout();
    // The run starts on the fifth label: the first four are used.
    preview.SetUsed(4);
    preview.SetMarked({{1, 1}});
    const QImage shown = preview.grab().toImage();
    SaveForALook(shown, "qm_sheet_preview_used.png");
    for (const LabelPosition used : {LabelPosition{0, 0}, {2, 0}, {0, 1}})
        EXPECT_EQ(At(shown, layout.LabelRect(kSheet, used)), QColor(150, 150, 150))
            << used.across << "," << used.down;
    EXPECT_EQ(At(shown, layout.LabelRect(kSheet, {1, 1})),
              preview.palette().color(QPalette::Highlight));
    EXPECT_EQ(At(shown, layout.LabelRect(kSheet, {2, 1})), QColor(Qt::white));

    std::vector<LabelPosition> clicked;
    QObject::connect(&preview, &CBWSheetPreview::LabelClicked,
                     [&clicked](LabelPosition at) { clicked.push_back(at); });
    for (const LabelPosition at : {LabelPosition{0, 0}, {2, 9}, {1, 4}})
        QTest::mouseClick(&preview, Qt::LeftButton, {},
                          layout.LabelRect(kSheet, at).center().toPoint());
    // Between two labels, and on the margin above the first row: no label.
    const QRectF first = layout.LabelRect(kSheet, {0, 0}),
                 second = layout.LabelRect(kSheet, {1, 0});
    QTest::mouseClick(&preview, Qt::LeftButton, {},
                      QPointF((first.right() + second.left()) / 2, first.center().y()).toPoint());
    QTest::mouseClick(
        &preview, Qt::LeftButton, {},
        QPointF(first.center().x(), (layout.paper.top() + first.top()) / 2).toPoint());
    EXPECT_EQ(clicked, (std::vector<LabelPosition>{{0, 0}, {2, 9}, {1, 4}}));
}

} // namespace
