// Roll and tape labels: the page each label prints on, where the label lies on it, the copies
// asked of the printer, and the whole job written as ZPL, read back by the test decoder and a
// barcode reader.

#include "job/print_job.h"
#include "job/zpl_job.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/zpl_decode.h"

#include <gtest/gtest.h>

namespace {

// 2.25 x 1.25 in die-cut labels with a 1/8 in gap, and 62 mm tape.
constexpr CLabelGeometry kRoll{0, 5715, 3175, 0, 0, 5715, 3493, 1, 1, 1};
constexpr CLabelGeometry kTape{0, 6200, 0, 0, 0, 6200, 0, 1, 1, 2};

CPrintSettings On(const CLabelGeometry& g) {
    return {.useLabel = 1, .fullPage = 0, .geometry = g};
}

} // namespace

TEST(RollPage, IsTheLabelOrTheTapeCutToItsContent) {
    CLabelGeometry tapeWithLength = kTape;
    tapeWithLength.height = 10000;
    const struct {
        CLabelGeometry geometry;
        int content;
        CRollPage page;
    } cases[] = {
        {kRoll, 9999, {5715, 3175}},           // the gap is the printer's to skip
        {kTape, 4000, {6200, 4600}},           // 3 mm at each end
        {kTape, -5, {6200, 600}},              // nothing measured: the ends alone
        {tapeWithLength, 4000, {6200, 10000}}, // a length of its own
    };
    for (const auto& c : cases)
        EXPECT_EQ(RollPage(c.geometry, c.content), c.page) << c.geometry.height << " " << c.content;
    EXPECT_TRUE(OnRoll(On(kRoll)) && OnRoll(On(kTape)));
    EXPECT_FALSE(OnSheet(On(kRoll)));
    EXPECT_FALSE(OnRoll({.useLabel = 0, .geometry = kRoll})) << "plain paper";
}

TEST(RollPage, InPrinterDotsWithTheLabelCentredAndTheOffsetApplied) {
    // 2.25 in is 456.75 dots at 203 dpi, 1.25 in 253.75; the centre is half of each, truncated.
    const struct {
        int dpi;
        CPoint offset; // thousandths of a centimetre
        CPageDots dots;
    } cases[] = {
        {203, {0, 0}, {457, 254, {228, 126}}},
        {300, {0, 0}, {675, 375, {337, 187}}},
        {203, {100, -100}, {457, 254, {236, 118}}}, // 1 mm is 7.99 dots at 203 dpi
    };
    for (const auto& c : cases) {
        const CPageDots dots = RollPageDots(On(kRoll), {5715, 3175}, c.dpi, c.offset);
        EXPECT_EQ(dots.width, c.dots.width) << c.dpi;
        EXPECT_EQ(dots.height, c.dots.height) << c.dpi;
        EXPECT_EQ(dots.centre, c.dots.centre) << c.dpi << " " << c.offset.x;
    }
}

TEST(RollJob, CopiesOfOnePageWhereEveryPageIsTheSame) {
    CPrintJob job;
    job.settings = On(kRoll);
    job.run.count = 5;
    const CRollPage label{5715, 3175}, letter{21590, 27940};
    const CRollJob same = RollJob(job, label, label, true);
    EXPECT_EQ(same.copies, 5);
    EXPECT_EQ(same.job.run.count, 1);
    EXPECT_TRUE(same.job.rollPages);
    EXPECT_EQ(RollJob(job, label, label, false).copies, 1) << "a PDF file makes no copies";
    EXPECT_EQ(RollJob(job, label, label, false).job.run.count, 5);
    job.run.kind = CLabelRunChoice::Kind::Numbered;
    EXPECT_EQ(RollJob(job, label, label, true).copies, 1);
    // On a larger paper the label lies in its middle.
    const CLabelGeometry& g = RollJob(job, label, letter, true).job.settings.geometry;
    EXPECT_EQ(CPoint(g.sideMargin, g.topMargin), (CPoint{7937, 12382}));
    EXPECT_EQ(CPoint(g.width, g.height), (CPoint{5715, 3175}));
}

class ZplJobTest : public SettingsTest {
protected:
    // A numbered run of Code 128 symbols reading, ...
    CPrintJob Job(const CLabelGeometry& label, int count) {
        code128 = CreateBarcode("C128Barcode");
        code128->SetData("1");
        CPrintJob job;
        job.barcode = code128.get();
        job.settings = On(label);
        job.run.kind = CLabelRunChoice::Kind::Numbered;
        job.run.first = "1";
        job.run.last = std::to_string(count);
        job.run.prefix = "R-";
        return job;
    }
    std::unique_ptr<CBarcode> code128;
};

TEST_F(ZplJobTest, EachLabelOfARunIsAPageOfTheRollsSize) {
    for (const int dpi : {203, 300}) {
        std::string zpl;
        ASSERT_TRUE(MakeZplJob(Job(kRoll, 3), dpi, nullptr, zpl).Empty());
        const ZplDocument doc = DecodeZpl(zpl);
        ASSERT_EQ(doc.error, "");
        ASSERT_EQ(doc.labels.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const ZplLabel& l = doc.labels[static_cast<std::size_t>(i)];
            EXPECT_EQ(l.width, dpi == 203 ? 457 : 675);
            EXPECT_EQ(l.height, dpi == 203 ? 254 : 375);
            EXPECT_EQ(ScanGrey(l.grey.data(), l.width, l.height, l.width).text,
                      "R-" + std::to_string(i + 1));
        }
    }
}

TEST_F(ZplJobTest, TapeIsCutToTheSymbolAndTheSameSymbolIsPrintedAsCopies) {
    CPrintJob job = Job(kTape, 1);
    job.run.kind = CLabelRunChoice::Kind::Same;
    job.run.count = 4;
    std::string zpl;
    ASSERT_TRUE(MakeZplJob(job, 203, nullptr, zpl).Empty());
    const ZplDocument doc = DecodeZpl(zpl);
    ASSERT_EQ(doc.labels.size(), 1u);
    const ZplLabel& l = doc.labels[0];
    EXPECT_EQ(l.copies, 4);
    EXPECT_EQ(l.width, 496) << "62 mm at 203 dpi";
    // The symbol's height and 3 mm (24 dots) at each end, nothing of it cut off.
    int first = l.height, last = -1;
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x)
            if (l.Black(x, y)) first = std::min(first, y), last = std::max(last, y);
    EXPECT_NEAR(first, 24, 2);
    EXPECT_NEAR(l.height - 1 - last, 24, 2);
    EXPECT_EQ(ScanGrey(l.grey.data(), l.width, l.height, l.width).text, "1");
}

// Lines above and below the symbol make the tape longer by what they take: the whole label on
// the tape with its ends' margins, nothing cut off.
TEST_F(ZplJobTest, TapeIsCutToTheSymbolAndItsLines) {
    CPrintJob job = Job(kTape, 1);
    job.run.kind = CLabelRunChoice::Kind::Same;
    std::string bare;
    ASSERT_TRUE(MakeZplJob(job, 203, nullptr, bare).Empty());
    job.design.lines = {
        {"Property of Halvern", "DejaVu Sans", 10, true, false, LineAlign::Centre,
         LinePlace::Above},
        {"Asset {n}", "DejaVu Sans", 8, false, false, LineAlign::Centre, LinePlace::Below}};
    std::string zpl;
    ASSERT_TRUE(MakeZplJob(job, 203, nullptr, zpl).Empty());
    const ZplDocument without = DecodeZpl(bare), with = DecodeZpl(zpl);
    ASSERT_EQ(without.labels.size(), 1u);
    ASSERT_EQ(with.labels.size(), 1u);
    const ZplLabel& l = with.labels[0];
    // Two lines of 10 and 8 points take at least a quarter inch more (50 dots).
    EXPECT_GT(l.height, without.labels[0].height + 50);
    int first = l.height, last = -1;
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x)
            if (l.Black(x, y)) first = std::min(first, y), last = std::max(last, y);
    EXPECT_GE(first, 16);
    EXPECT_GE(l.height - 1 - last, 16);
    EXPECT_EQ(ScanGrey(l.grey.data(), l.width, l.height, l.width).text, "1");
}

// A tape of no set length is as long as its content, but no wider than it is.
TEST_F(ZplJobTest, ASymbolWiderThanTheTapeIsSaid) {
    CPrintJob job = Job(kTape, 2);
    const auto measure = [](int widthMils) {
        return [widthMils](const CBarcode&) { return CSize{widthMils, 600}; };
    };
    EXPECT_EQ(CheckPrintJob(job, measure(2400), true).problemCount, 0);
    const CRunReport report = CheckPrintJob(job, measure(3000), true);
    EXPECT_EQ(report.problemCount, 2);
    ASSERT_FALSE(report.problems.empty());
    ASSERT_EQ(report.problems[0].why.size(), 1u);
    EXPECT_EQ(MessageText(report.problems[0].why[0]),
              "the symbol, 3.00 x 0.60 in, is wider than the tape, 2.44 in");
}

TEST(ZplResolution, OnlyThoseOfZplPrinters) {
    for (const int dpi : {152, 203, 300, 600})
        EXPECT_TRUE(IsZplResolution(dpi)) << dpi;
    for (const int dpi : {0, 72, 96, 200, 204, 1200})
        EXPECT_FALSE(IsZplResolution(dpi)) << dpi;
}
