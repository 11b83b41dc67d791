// What a ZPL label printer is sent, read back (by zpl_queue_test.sh): the bytes a print queue
// with the print system's ZPL driver sent to a listener in a printer's place, and the file
// `quillmark --export run.zpl` wrote of the same run. Each label is one page of the label's
// size in dots, its bars whole numbers of the module's dots, its number read in order; and the
// exported labels' bars are the printed ones, dot for dot.

#include "tests/support/scan.h"
#include "tests/support/zpl_decode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

ZplDocument ReadZpl(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return DecodeZpl(text.str());
}

// The lengths of the dark and light runs across the middle row of the symbol's bars, from the
// first dark dot to the last: the bars begin at the first row with a dark dot.
std::vector<int> RunsAcrossTheBars(const ZplLabel& label) {
    int top = -1;
    for (int y = 0; y < label.height && top < 0; ++y)
        for (int x = 0; x < label.width && top < 0; ++x)
            if (label.Black(x, y)) top = y;
    std::vector<int> runs;
    if (top < 0) return runs;
    const int y = top + 4;
    int x = 0, last = label.width - 1;
    while (x <= last && !label.Black(x, y))
        ++x;
    while (last >= x && !label.Black(last, y))
        --last;
    while (x <= last) {
        const bool dark = label.Black(x, y);
        int n = 0;
        for (; x <= last && label.Black(x, y) == dark; ++x)
            ++n;
        runs.push_back(n);
    }
    return runs;
}

// The first row below the bars: the first whose dots differ from the bars' own row.
int BarsEnd(const ZplLabel& label) {
    int top = -1;
    for (int y = 0; y < label.height && top < 0; ++y)
        for (int x = 0; x < label.width && top < 0; ++x)
            if (label.Black(x, y)) top = y;
    if (top < 0) return 0;
    const auto same = [&label](int y, int z) {
        for (int x = 0; x < label.width; ++x)
            if (label.Black(x, y) != label.Black(x, z)) return false;
        return true;
    };
    int y = top;
    while (y < label.height && same(y, top))
        ++y;
    return y;
}

std::string Number(const std::string& prefix, int n) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", n);
    return prefix + digits;
}

// Each label of the size in dots, every element of the Code 128 symbol a whole number of the
// module's dots (10 mils, the default X), and the run's numbers read in order.
void ExpectTheRun(const ZplDocument& doc, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(doc.error, "");
    const int dpi = std::atoi(Env("QM_ZPL_DPI").c_str());
    const int count = std::atoi(Env("QM_ZPL_LABELS").c_str());
    // 2.25 x 1.25 in, to the nearest dot.
    const int width = (225 * dpi + 50) / 100, height = (125 * dpi + 50) / 100;
    const int module = (10 * dpi + 500) / 1000;
    ASSERT_EQ(static_cast<int>(doc.labels.size()), count);
    for (int i = 0; i < count; ++i) {
        const ZplLabel& label = doc.labels[static_cast<std::size_t>(i)];
        SCOPED_TRACE("label " + std::to_string(i + 1));
        EXPECT_EQ(label.width, width);
        EXPECT_EQ(label.height, height);
        const std::vector<int> runs = RunsAcrossTheBars(label);
        ASSERT_GT(runs.size(), 30u);
        for (std::size_t r = 0; r < runs.size(); ++r)
            EXPECT_EQ(runs[r] % module, 0) << "element " << r << ": " << runs[r] << " dots";
        EXPECT_EQ(ScanGrey(label.grey.data(), label.width, label.height, label.width).text,
                  Number(Env("QM_ZPL_PREFIX"), i + 1));
    }
}

} // namespace

TEST(ZplQueue, ThePrintedRunIsOneLabelAPageAtThePrintersDots) {
    if (Env("QM_ZPL_RECEIVED").empty()) GTEST_SKIP() << "run by zpl_queue_test.sh";
    ExpectTheRun(ReadZpl(Env("QM_ZPL_RECEIVED")), "printed");
}

// The bars come out dot for dot the same; the human-readable text below them does not: the
// printed page's text is set by Qt's glyph rasteriser, the export's by FreeType's monochrome
// one, which differ in a few dots of each glyph.
TEST(ZplQueue, TheExportedRunHasThePrintedLabelsBars) {
    if (Env("QM_ZPL_EXPORT").empty()) GTEST_SKIP() << "run by zpl_queue_test.sh";
    const ZplDocument exported = ReadZpl(Env("QM_ZPL_EXPORT"));
    ExpectTheRun(exported, "exported");
    const ZplDocument printed = ReadZpl(Env("QM_ZPL_RECEIVED"));
    ASSERT_EQ(exported.labels.size(), printed.labels.size());
    for (std::size_t i = 0; i < printed.labels.size(); ++i) {
        const ZplLabel &a = exported.labels[i], &b = printed.labels[i];
        ASSERT_EQ(a.grey.size(), b.grey.size());
        const int barsEnd = BarsEnd(b);
        ASSERT_GT(barsEnd, 0);
        EXPECT_EQ(BarsEnd(a), barsEnd) << "label " << i + 1;
        int differ = 0, firstX = -1, firstY = -1;
        for (int y = 0; y < barsEnd; ++y)
            for (int x = 0; x < a.width; ++x)
                if (a.Black(x, y) != b.Black(x, y) && differ++ == 0) firstX = x, firstY = y;
        EXPECT_EQ(differ, 0) << "label " << i + 1 << ": first at " << firstX << "," << firstY;
    }
}

// The same symbol on three labels: one page, the job's copies, which the printer receives as
// three labels of the same dots.
TEST(ZplQueue, TheSameSymbolThreeTimesIsThreeLabelsOfTheSameDots) {
    if (Env("QM_ZPL_COPIES").empty()) GTEST_SKIP() << "run by zpl_queue_test.sh";
    const ZplDocument doc = ReadZpl(Env("QM_ZPL_COPIES"));
    ASSERT_EQ(doc.error, "");
    int labels = 0;
    for (const ZplLabel& l : doc.labels) {
        labels += l.copies;
        EXPECT_EQ(l.grey, doc.labels.front().grey);
        EXPECT_EQ(ScanGrey(l.grey.data(), l.width, l.height, l.width).text, "1");
    }
    EXPECT_EQ(labels, 3);
}
