// The drawing of a label sheet's corner: mapping, what is drawn, and a real render.

#include "labels/label_static.h"

#include <QImage>

#include "tests/labels/labels_test_support.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// A 228 × 89 dialog-unit control at 96 pixels per inch with an 8-point font.
const QRect kClient(0, 0, 342, 145);

class RecordingCanvas : public CPreviewCanvas {
public:
    struct Caption {
        QPoint at;
        QString text;
        bool alignTop;
    };
    std::vector<QRect> labels;
    std::vector<Caption> captions;
    std::vector<std::pair<QPoint, QPoint>> lines;
    int triangles = 0;
    QRect sheet;

    void FrameClient(const QRect&) override {}
    void SetClip(const std::optional<QRect>&) override {}
    void Sheet(const QRect& rect) override { sheet = rect; }
    void Label(const QRect& rect, int) override { labels.push_back(rect); }
    void Line(QPoint from, QPoint to) override { lines.push_back({from, to}); }
    void Triangle(const std::array<QPoint, 3>&) override { ++triangles; }
    // Seven pixels a character, eleven high: what an 8-point face gives at 96 dpi.
    QSize TextExtent(const QString& text) override { return QSize(7 * int(text.size()), 11); }
    void Text(QPoint at, const QString& text, bool alignTop) override {
        captions.push_back({at, text, alignTop});
    }

    QStringList Texts() const {
        QStringList out;
        for (const Caption& c : captions)
            out << c.text;
        return out;
    }
    const Caption* Find(const QString& text) const {
        for (const Caption& c : captions)
            if (c.text == text) return &c;
        return nullptr;
    }
};

// Widgets may read settings; each test has settings and data folders of its own.
class LabelPreview : public ::testing::Test {
protected:
    TempEnv env;
};

RecordingCanvas Draw(const LabelSheetGeometry& g) {
    RecordingCanvas canvas;
    DrawLabelPreview(canvas, g, kClient, 96, 96);
    return canvas;
}

TEST_F(LabelPreview, MappingOfTheInitialProperties) {
    const PreviewMapping m = ComputePreviewMapping(LabelSheetGeometry{}, kClient, 96, 96);
    // W = 10160/4 + 10630 + 400 + 3200 = 16770, W' = 18447; H = 2540/4 + 2540 + 1270 + 2200
    // = 6645, H' = 7309. Width available 342 px = 9048.75 units: 0.4905 of W'; height
    // 145 px = 3836.46 units: 0.5249 of H'. The width is the narrower fit.
    EXPECT_EQ(m.windowExtX, 18447);
    EXPECT_EQ(m.windowExtY, -18447);
    EXPECT_EQ(m.viewportExtX, 342);
    EXPECT_EQ(m.viewportExtY, 342);
    EXPECT_EQ(m.viewportOrgX, 171);
    EXPECT_EQ(m.viewportOrgY, 72);
    EXPECT_EQ(m.windowOrgX, 18447 / 2 - 3200);
    EXPECT_EQ(m.windowOrgY, 1700 - 7309 / 2);
    // The needed extent starts at the control's left edge, and y grows upward.
    EXPECT_EQ(m.ToDevicePoint(-3200, 0).x(), 0);
    EXPECT_LT(m.ToDevicePoint(0, 0).y(), m.ToDevicePoint(0, -1000).y());

    const LogicalRect first = FirstLabelRect(LabelSheetGeometry{});
    EXPECT_EQ(first.left, 400);
    EXPECT_EQ(first.top, -1270);
    EXPECT_EQ(first.right, 10560);
    EXPECT_EQ(first.bottom, -3810);

    // A wide, low control fits the height instead.
    const PreviewMapping wide =
        ComputePreviewMapping(LabelSheetGeometry{}, QRect(0, 0, 1000, 100), 96, 96);
    EXPECT_EQ(wide.viewportExtX, 100);
    EXPECT_EQ(wide.windowExtX, 7309);
    EXPECT_EQ(wide.windowExtY, -7309);
}

TEST_F(LabelPreview, InitialPropertiesShowEveryCaption) {
    const RecordingCanvas c = Draw(LabelSheetGeometry{});
    EXPECT_EQ(c.Texts(),
              QStringList({"Width", "Height", "Number across", "Number", "down", "Horizontal pitch",
                           "Side margins", "Vertical pitch", "Top margin"}));
    const PreviewMapping m = ComputePreviewMapping(LabelSheetGeometry{}, kClient, 96, 96);
    // The pitch arrows lie above the sheet and left of it.
    EXPECT_LT(c.Find("Horizontal pitch")->at.y(), m.ToDevicePoint(0, 0).y());
    EXPECT_LT(c.Find("Vertical pitch")->at.x(), m.ToDevicePoint(0, 0).x());
    EXPECT_TRUE(c.Find("Side margins")->alignTop);
    // The first label, drawn first, where the mapping puts it.
    ASSERT_FALSE(c.labels.empty());
    EXPECT_EQ(c.labels[0],
              QRect(m.ToDevicePoint(400, -1270), m.ToDevicePoint(10560, -3810)).normalized());
    // Only labels near the corner: two columns of the two rows that reach it.
    EXPECT_LE(c.labels.size(), 6u);
    // Twelve arrowheads: four double arrows and four single ones.
    EXPECT_EQ(c.triangles, 12);
}

TEST_F(LabelPreview, OneColumnOrOneRow) {
    LabelSheetGeometry across1;
    across1.labels.numberAcross = 1;
    const RecordingCanvas a = Draw(across1);
    EXPECT_FALSE(a.Texts().contains("Horizontal pitch"));
    // W drops the label width ÷ 4: 10630 + 400 + 3200 = 14230, W' = 15653 (seen where the
    // width decides the fit).
    EXPECT_EQ(ComputePreviewMapping(across1, QRect(0, 0, 342, 1000), 96, 96).windowExtX, 15653);
    // The sheet edge rises only to the caption height: 11 px.
    const PreviewMapping ma = ComputePreviewMapping(across1, kClient, 96, 96);
    const QPoint edgeTop = ma.ToDevicePoint(0, std::llround(11 / ma.Scale()));
    EXPECT_TRUE(std::any_of(a.lines.begin(), a.lines.end(),
                            [&](const auto& l) { return l.second == edgeTop; }));

    LabelSheetGeometry down1;
    down1.labels.numberDown = 1;
    const RecordingCanvas d = Draw(down1);
    EXPECT_FALSE(d.Texts().contains("Vertical pitch"));
    const PreviewMapping md = ComputePreviewMapping(down1, kClient, 96, 96);
    EXPECT_EQ(d.Find("Top margin")->at, md.ToDevicePoint(0, 0));
}

TEST_F(LabelPreview, EmptyLabelSizes) {
    // No width: the fit uses the usual geometry, the drawing the real one.
    LabelSheetGeometry noWidth;
    noWidth.labels.width = 0;
    noWidth.labels.horizontalPitch = 3000;
    const PreviewMapping fit = ComputePreviewMapping(noWidth, kClient, 96, 96);
    const PreviewMapping usual = ComputePreviewMapping(LabelSheetGeometry{}, kClient, 96, 96);
    EXPECT_EQ(fit.windowExtX, usual.windowExtX);
    const LogicalRect r = FirstLabelRect(noWidth);
    EXPECT_EQ(r.left, r.right);

    // Neither: both use the initial values, counts and sheet included.
    LabelSheetGeometry none;
    none.labels.width = none.labels.height = 0;
    none.labels.numberAcross = none.labels.numberDown = 1;
    none.paperWidth = 5;
    EXPECT_EQ(FirstLabelRect(none).right, 10560);
    const RecordingCanvas c = Draw(none);
    const PreviewMapping m = ComputePreviewMapping(none, kClient, 96, 96);
    EXPECT_EQ(c.sheet, QRect(m.ToDevicePoint(0, 0), m.ToDevicePoint(20320, -27940)).normalized());
    EXPECT_FALSE(c.Texts().contains("Horizontal pitch")) << "the properties decide the captions";
}

TEST_F(LabelPreview, HugeCountsAndTinyPitchesDrawOnlyWhatShows) {
    LabelSheetGeometry huge;
    huge.labels.numberAcross = huge.labels.numberDown = 999'999'999;
    const RecordingCanvas c = Draw(huge);
    EXPECT_GE(c.labels.size(), 4u);
    EXPECT_LE(c.labels.size(), 9u);

    // Thousands of labels per pixel: each position is drawn once.
    LabelSheetGeometry dense = huge;
    dense.labels.horizontalPitch = dense.labels.verticalPitch = 1;
    dense.labels.width = dense.labels.height = 1;
    const RecordingCanvas d = Draw(dense);
    EXPECT_LE(d.labels.size(), std::size_t(kClient.width() * kClient.height()));

    // Values at the ends of the range draw without overflow.
    LabelSheetGeometry extreme;
    extreme.labels.topMargin = extreme.labels.sideMargin = INT_MIN;
    extreme.labels.horizontalPitch = extreme.labels.verticalPitch = INT_MAX;
    extreme.labels.width = extreme.labels.height = INT_MAX;
    extreme.labels.numberAcross = extreme.labels.numberDown = INT_MAX;
    Draw(extreme);
    extreme.labels.horizontalPitch = extreme.labels.width = -1;
    Draw(extreme);
}

TEST_F(LabelPreview, RendersTheCorner) {
    CBWLabelStatic preview;
    preview.resize(kClient.size());
    const QImage image = preview.grab().toImage();
    SaveForALook(image, "qm_label_preview.png");
    ASSERT_EQ(image.size(), kClient.size());
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black)) << "frame";
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white)) << "outside the sheet";
    const PreviewMapping m = ComputePreviewMapping(LabelSheetGeometry{}, kClient,
                                                   preview.logicalDpiX(), preview.logicalDpiY());
    // Between the sheet's left edge and the first label: the sheet's grey.
    const QPoint inMargin = m.ToDevicePoint(200, -3500);
    EXPECT_EQ(image.pixelColor(inMargin), QColor(192, 192, 192));
    // Inside the first label, clear of its arrows and captions: white.
    const QPoint inLabel = m.ToDevicePoint(1200, -3500);
    EXPECT_EQ(image.pixelColor(inLabel), QColor(Qt::white));
    // Beyond the corner region nothing of the sheet is drawn.
    const QPoint beyond = m.ToDevicePoint(10160 / 4 + 10630 + 400 + 300, -1000);
    EXPECT_NE(image.pixelColor(beyond), QColor(192, 192, 192));
}

} // namespace
