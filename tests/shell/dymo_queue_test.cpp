// What a DYMO label printer is sent for one label (by dymo_queue_test.sh): the print system's
// DYMO driver tells the printer the label's length in its dots, which is the job's page length;
// every bar of the label's rows is whole module dots of the printer, and they read back.

#include "tests/support/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The printer's stream as far as this test needs it: ESC L (the label's length in dots, high
// byte first), ESC D (the bytes of a row), SYN and a row, ESC f 1 n (n blank rows), and the
// one-byte commands in between. Rows of 1 bits printed.
struct DymoLabel {
    int length = -1;
    int rowBytes = 0;
    std::vector<std::vector<std::uint8_t>> rows;
    std::string error;
};

DymoLabel ReadDymo(const std::vector<std::uint8_t>& d) {
    DymoLabel label;
    for (std::size_t i = 0; i < d.size() && label.error.empty();) {
        const std::uint8_t c = d[i];
        const auto at = [&](std::size_t k) -> int { return i + k < d.size() ? d[i + k] : -1; };
        if (c == 0x16) {
            if (i + 1 + label.rowBytes > d.size())
                label.error = "a row cut short";
            else
                label.rows.emplace_back(d.begin() + i + 1, d.begin() + i + 1 + label.rowBytes);
            i += 1 + label.rowBytes;
        } else if (c == 0x1b && at(1) == 'L') {
            label.length = at(2) * 256 + at(3);
            i += 4;
        } else if (c == 0x1b && at(1) == 'D') {
            label.rowBytes = at(2);
            i += 3;
        } else if (c == 0x1b && at(1) == 'f') {
            for (int n = 0; n < at(3); ++n)
                label.rows.emplace_back(static_cast<std::size_t>(label.rowBytes), 0);
            i += 4;
        } else if (c == 0x1b && (at(1) == 'B' || at(1) == 'q')) {
            i += 3;
        } else if (c == 0x1b) {
            i += at(1) == 0x1b ? 1 : 2;
        } else {
            label.error = "unexpected byte " + std::to_string(c);
        }
    }
    return label;
}

} // namespace

TEST(DymoQueue, TheLabelIsThePagesLengthAndScans) {
    const char* path = std::getenv("QM_DYMO_RECEIVED");
    if (!path) GTEST_SKIP() << "run by dymo_queue_test.sh";
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const DymoLabel label = ReadDymo(bytes);
    ASSERT_EQ(label.error, "");
    const int dpi = std::atoi(std::getenv("QM_DYMO_DPI") ?: "0");
    // The length of the label product, in thousandths of an inch, at the queue's resolution
    // (to the dot: 3.5 in are 710.5 dots at 203 dpi).
    const int mils = std::atoi(std::getenv("QM_DYMO_LENGTH_MILS") ?: "0");
    EXPECT_NEAR(label.length, mils * dpi / 1000.0, 1.0);
    ASSERT_GT(label.rowBytes, 0);
    ASSERT_FALSE(label.rows.empty());
    EXPECT_LE(static_cast<int>(label.rows.size()), label.length) << "one label, one page";
    const int width = label.rowBytes * 8, height = static_cast<int>(label.rows.size());
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * height, 255);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((label.rows[y][x / 8] >> (7 - x % 8)) & 1) grey[y * width + x] = 0;
    // Every bar and space of the symbol a whole number of the module's dots (10 mils).
    const int module = (10 * dpi + 500) / 1000;
    int top = 0;
    while (top < height && std::all_of(label.rows[top].begin(), label.rows[top].end(),
                                       [](std::uint8_t b) { return b == 0; }))
        ++top;
    ASSERT_LT(top + 3, height);
    const auto black = [&](int x) { return grey[(top + 3) * width + x] == 0; };
    int x = 0, last = width - 1;
    while (x <= last && !black(x))
        ++x;
    while (last >= x && !black(last))
        --last;
    for (int elements = 0; x <= last; ++elements) {
        const int start = x;
        for (const bool dark = black(x); x <= last && black(x) == dark;)
            ++x;
        EXPECT_EQ((x - start) % module, 0) << "element " << elements << ": " << x - start;
    }
    if (const char* data = std::getenv("QM_DYMO_DATA")) {
        EXPECT_EQ(ScanGrey(grey.data(), width, height, width).text, data);
    }
}
