// A page printed through a print queue and read back at the queue's resolution (by
// dot_exact_queue_test.sh): every bar and space is a whole number of the printer's dots, the
// module's count of them, with the queue's bar-width reduction taken off each bar and given to
// each space; and the symbol scans.

#include "tests/support/image_scan.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int EnvInt(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : 0;
}

// The runs of dark and light dots, from the first dark dot to the last, on the line two dots
// below the top of the symbol (the bars start there; the text lies below them).
std::vector<int> RunsBelowTheTop(const QImage& grey) {
    int top = -1;
    for (int y = 0; y < grey.height() && top < 0; ++y) {
        const uchar* row = grey.constScanLine(y);
        if (std::any_of(row, row + grey.width(), [](uchar v) { return v < 128; })) top = y;
    }
    std::vector<int> runs;
    if (top < 0) return runs;
    const uchar* row = grey.constScanLine(top + 2);
    int x = 0, last = grey.width() - 1;
    while (x <= last && row[x] >= 128)
        ++x;
    while (last >= x && row[last] >= 128)
        --last;
    while (x <= last) {
        const bool dark = row[x] < 128;
        int n = 0;
        while (x <= last && (row[x] < 128) == dark)
            ++x, ++n;
        runs.push_back(n);
    }
    return runs;
}

} // namespace

TEST(DotExactQueue, EveryElementIsAWholeNumberOfTheQueuesDots) {
    const char* page = std::getenv("QM_DOT_PAGE");
    if (!page) GTEST_SKIP() << "run by dot_exact_queue_test.sh with a printed page";
    const int dpi = EnvInt("QM_DOT_DPI");
    const int reduction = EnvInt("QM_DOT_REDUCTION");
    const bool wideNarrow = std::string(std::getenv("QM_DOT_KIND") ?: "") == "widenarrow";
    // A letter page at 600 dpi is more than Qt reads by default.
    QImageReader::setAllocationLimit(0);
    const QImage grey =
        QImage(QString::fromLocal8Bit(page)).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_FALSE(grey.isNull()) << page;

    // X = 10 mil and a ratio of 2.5, the defaults.
    const int x = std::max(1, (10 * dpi + 500) / 1000);
    const int wide = std::max(x + 1, (25 * x + 5) / 10);
    const std::vector<int> runs = RunsBelowTheTop(grey);
    ASSERT_GT(runs.size(), 20u);
    bool narrowed = false;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const bool bar = i % 2 == 0;
        // The element as the symbol has it, before the printer's ink is allowed for.
        const int element = bar ? runs[i] + reduction : runs[i] - reduction;
        if (wideNarrow)
            EXPECT_TRUE(element == x || element == wide) << "element " << i << ": " << runs[i];
        else
            EXPECT_TRUE(element % x == 0 && element > 0) << "element " << i << ": " << runs[i];
        narrowed = narrowed || (bar && runs[i] == x - reduction);
    }
    EXPECT_TRUE(narrowed) << "no bar of one module is " << x - reduction << " dots wide";
    // Unspread by ink, a module of two dots narrowed to one is more than a reader allows for:
    // the page read back scans when nothing was taken off.
    if (reduction == 0) {
        EXPECT_EQ(ScanImage(grey).text, std::getenv("QM_DOT_DATA") ?: "");
    }
}
