#include "engine/i25_postnet.h"
#include "tests/support/recording_surface.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

// One drawn bar measured from the origin along the direction of advance.
struct Element {
    int from, to;         // across the bar
    int alongLo, alongHi; // along the bar, as recorded
};

std::vector<Element> BarsFromOrigin(const RecordingSurface& s, int orientation) {
    std::vector<Element> out;
    for (const BarSpan& b : s.Bars(orientation)) {
        // Orientations 1 and 2 advance toward negative coordinates.
        const bool negative = orientation == 1 || orientation == 2;
        out.push_back({negative ? -b.hi : b.lo, negative ? -b.lo : b.hi, b.alongLo, b.alongHi});
    }
    std::sort(out.begin(), out.end(),
              [](const Element& a, const Element& b) { return a.from < b.from; });
    return out;
}

// Bar, space, bar, ... widths from the first bar on.
std::vector<int> ElementWidths(const RecordingSurface& s, int orientation) {
    std::vector<int> widths;
    const auto bars = BarsFromOrigin(s, orientation);
    for (std::size_t i = 0; i < bars.size(); ++i) {
        if (i > 0) widths.push_back(bars[i].from - bars[i - 1].to);
        widths.push_back(bars[i].to - bars[i].from);
    }
    return widths;
}

} // namespace

class I25Test : public SettingsTest {
protected:
    void SetUp() override { SetDensityRatio(10, 25); }
};

TEST_F(I25Test, SetDataKeepsDigits) {
    const struct {
        const char* input;
        const char* i25;
        const char* postnet;
    } cases[] = {
        {"123", "1230", "123"}, // an odd count gains a '0' in Interleaved 2 of 5 only
        {"12a34", "1234", "1234"},
        {"12345-6789", "1234567890", "123456789"},
        {"", "", ""},
        {"abc", "", ""},
        {"7", "70", "7"},
    };
    for (const auto& c : cases) {
        CI25Barcode i25;
        i25.SetData(c.input);
        EXPECT_EQ(i25.m_strData, c.i25) << c.input;
        CPostnetBarcode postnet;
        postnet.SetData(c.input);
        EXPECT_EQ(postnet.m_strData, c.postnet) << c.input;
    }
}

TEST_F(I25Test, PostnetGeometryIsNeverStored) {
    // A loaded POSTNET object keeps the constructor's geometry, which no file holds.
    CPostnetBarcode original;
    original.SetData("12345");
    original.m_nBarWidth = 99;
    std::vector<std::uint8_t> bytes;
    CArchive out(bytes);
    original.Serialize(out);
    CPostnetBarcode loaded;
    CArchive in(std::span<const std::uint8_t>(bytes.data(), bytes.size()));
    loaded.Serialize(in);
    EXPECT_EQ(loaded.m_strData, "12345");
    EXPECT_EQ(loaded.m_nBarWidth, 20);
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(I25Tables, PairPatternInterleavesBarsAndSpaces) {
    EXPECT_EQ(I25PairPattern('1', '2'), "wnnwnnnnww"); // 1 "wnnnw" in bars, 2 "nwnnw" in spaces
    EXPECT_EQ(I25PairPattern('0', '9'), "nnnwwnwwnn"); // 0 "nnwwn", 9 "nwnwn"
    EXPECT_EQ(I25PairPattern('a', '1'), "");
    EXPECT_EQ(I25PairPattern('1', '\0'), "");
}

TEST_F(I25Test, DrawnElementsOfOnePair) {
    for (int orientation = 0; orientation < 4; ++orientation) {
        SCOPED_TRACE(orientation);
        CI25Barcode bc;
        bc.SetData("12");
        RecordingSurface s;
        CPoint origin{0, 0};
        bc.Draw(s, origin, 750, false, orientation);
        const std::vector<int> expected = {
            10, 10, 10, 10,                         // start "nnnn"
            25, 10, 10, 25, 10, 10, 10, 10, 25, 25, // the pair "wnnwnnnnww"
            25, 10, 10,                             // stop "wnn"
        };
        EXPECT_EQ(ElementWidths(s, orientation), expected);
        const auto bars = BarsFromOrigin(s, orientation);
        EXPECT_EQ(bars.front().from, 0);
        // The symbol ends at the nominal width.
        const int end = orientation == 0   ? origin.x
                        : orientation == 1 ? -origin.y
                        : orientation == 2 ? -origin.x
                                           : origin.y;
        EXPECT_EQ(end, 245);
        EXPECT_EQ(bars.back().to, 245);
    }
}

TEST_F(I25Test, WidthFollowsDensityAndRatio) {
    const struct {
        int x, r;
        const char* data;
        int width;
    } cases[] = {
        {10, 25, "12", 245},     // ((5 + 3) × 2 + 2.5 + 6) × 10
        {7, 25, "1234", 283},    // ((5 + 3) × 4 + 8.5) × 7 = 283.5
        {10, 30, "123456", 630}, // ((6 + 3) × 6 + 3 + 6) × 10
        {10, 25, "", 85},        // start and stop alone: 8.5 × 10
    };
    for (const auto& c : cases) {
        SetDensityRatio(c.x, c.r);
        CI25Barcode bc;
        bc.SetData(c.data);
        EXPECT_EQ(bc.GetWidth(), c.width) << c.data;
    }
}

TEST_F(I25Test, TextIsTheDataWithItsPad) {
    CI25Barcode bc;
    bc.SetData("123");
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 750, true, 0);
    const auto texts = s.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "1230");
    // Centred on the nominal width 405; "1230" is 4 × 66 = 266 wide in the recording face.
    EXPECT_EQ(texts[0].at, (CPoint{(405 - 266) / 2, 750}));
}

// Data only a file can hold: an odd count and characters that are not digits.
TEST_F(I25Test, FileDataDrawsOnlyWholeDigitPairs) {
    CI25Barcode padded;
    padded.SetData("123");
    RecordingSurface expected;
    CPoint po{0, 0};
    padded.Draw(expected, po, 750, true, 0);

    CI25Barcode odd;
    odd.m_strData = "123"; // the lone 3 is paired with the '0' SetData would have appended
    RecordingSurface s;
    CPoint origin{0, 0};
    odd.Draw(s, origin, 750, true, 0);
    EXPECT_EQ(s.Dump(), expected.Dump());
    EXPECT_EQ(odd.GetWidth(), padded.GetWidth());
    EXPECT_EQ(odd.m_strData, "123");

    CI25Barcode bad;
    bad.m_strData = "12a4";
    RecordingSurface bs;
    CPoint bo{0, 0};
    bad.Draw(bs, bo, 750, false, 0);
    EXPECT_EQ(bs.Lines().size(), 2u + 5u + 2u); // start, the pair 12, stop
    EXPECT_EQ(bo.x, 40 + 160 + 45); // start, the pair 12, stop: the pair a4 leaves no room
}

TEST_F(I25Test, SymbolsScan) {
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"123456", "123456"},
        {"12345", "123450"}, // odd input gains its '0'
        {"0011223344556677889900", "0011223344556677889900"},
        {"9876543210987654321098765432109876543210", "9876543210987654321098765432109876543210"},
    };
    for (const auto& c : cases) {
        CI25Barcode bc;
        bc.SetData(c.input);
        for (int orientation = 0; orientation < 4; ++orientation) {
            RecordingSurface s;
            CPoint origin{0, 0};
            bc.Draw(s, origin, 1000, true, orientation);
            const ScanResult r = ScanBars(s, 5, ScanMode::Plain);
            EXPECT_TRUE(r.ok) << c.input << " orientation " << orientation;
            EXPECT_EQ(r.format, "ITF");
            EXPECT_EQ(r.text, c.expected) << "orientation " << orientation;
        }
    }
}

// ---- POSTNET ----

class PostnetTest : public SettingsTest {};

TEST(PostnetTables, CheckDigitCountsOnlyDigits) {
    const struct {
        const char* data;
        int check;
    } cases[] = {
        {"12345", 5},                          // sum 15
        {"123456789", 5},                      // sum 45
        {"00000", 0},     {"", 0}, {"1a2", 7}, // a file's stray letter adds nothing: sum 3
        {"9", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PostnetCheckDigit(c.data), c.check) << c.data;
}

TEST_F(PostnetTest, GeometryIsFixed) {
    CPostnetBarcode bc;
    EXPECT_EQ(bc.m_nBarWidth, 20);
    EXPECT_EQ(bc.m_nSpaceWidth, 27);
    EXPECT_EQ(bc.m_nFullBarHeight, 125);
    EXPECT_EQ(bc.m_nHalfBarHeight, 50);
    EXPECT_EQ(bc.GetPattern('0'), "11000");
    EXPECT_EQ(bc.GetPattern('7'), "10001");
    EXPECT_EQ(bc.GetPattern('-'), "");
}

TEST_F(PostnetTest, ZipCodeInOrientationZero) {
    SetDensityRatio(7, 30); // POSTNET ignores both
    CPostnetBarcode bc;
    bc.SetData("12345");
    EXPECT_EQ(bc.GetWidth(), 1504); // 47 × 32
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 750, true, 0);
    const auto bars = s.Bars(0);
    ASSERT_EQ(bars.size(), 32u); // frame, 5 × 5 digits, 5 check, frame
    EXPECT_EQ(origin, (CPoint{1504, 0}));
    // The frame bar is full, the first bar of 1 ("00011") half; both 20 wide, 47 apart.
    EXPECT_EQ(bars[0].lo, 0);
    EXPECT_EQ(bars[0].hi, 20);
    EXPECT_EQ(bars[0].alongLo, 0);
    EXPECT_EQ(bars[0].alongHi, 125);
    EXPECT_EQ(bars[1].lo, 47);
    EXPECT_EQ(bars[1].hi, 67);
    EXPECT_EQ(bars[1].alongLo, 75);
    EXPECT_EQ(bars[1].alongHi, 125);
    EXPECT_EQ(bars.back().hi - bars.front().lo, 1477);
    for (const RecordedLine& l : s.Lines())
        EXPECT_EQ(l.width, 20);
}

TEST_F(PostnetTest, BarHeightAndTextAreIgnored) {
    CPostnetBarcode bc;
    bc.SetData("12345");
    RecordingSurface a, b;
    CPoint oa{0, 0}, ob{0, 0};
    bc.Draw(a, oa, 750, true, 0);
    bc.Draw(b, ob, 10, false, 0);
    EXPECT_EQ(a.Dump(), b.Dump());
    EXPECT_TRUE(a.Texts().empty());
    for (const auto& call : a.calls)
        EXPECT_TRUE(std::holds_alternative<RecordedLine>(call));
}

// POSTNET's own decoding: bars 47 apart, full or half, standing on one line; each digit two
// full bars of five weighted 7, 4, 2, 1, 0, where 7 + 4 stands for 0.
TEST_F(PostnetTest, BarsDecodeToDataAndCheckDigit) {
    const struct {
        const char* data;
        const char* expected; // data and check digit
    } cases[] = {
        {"12345", "123455"},
        {"123456789", "1234567895"},
        {"00000", "000000"},
        {"98765432101", "987654321014"}, // 55 → 5
    };
    constexpr int kWeights[5] = {7, 4, 2, 1, 0};
    for (const auto& c : cases) {
        CPostnetBarcode bc;
        bc.SetData(c.data);
        for (int orientation = 0; orientation < 4; ++orientation) {
            SCOPED_TRACE(std::string(c.data) + " orientation " + std::to_string(orientation));
            RecordingSurface s;
            CPoint origin{0, 0};
            bc.Draw(s, origin, 750, false, orientation);
            const auto bars = BarsFromOrigin(s, orientation);
            ASSERT_EQ(bars.size(), 5 * std::string(c.expected).size() + 2);
            std::string tallShort;
            for (std::size_t i = 0; i < bars.size(); ++i) {
                EXPECT_EQ(bars[i].from, static_cast<int>(47 * i));
                EXPECT_EQ(bars[i].to - bars[i].from, 20);
                // The common line lies 125 from the running path in the bar direction.
                const bool barsGrowNegative = orientation >= 2;
                const int foot = barsGrowNegative ? bars[i].alongLo : bars[i].alongHi;
                EXPECT_EQ(foot, barsGrowNegative ? -125 : 125);
                const int length = bars[i].alongHi - bars[i].alongLo;
                ASSERT_TRUE(length == 125 || length == 50) << length;
                tallShort.push_back(length == 125 ? '1' : '0');
            }
            ASSERT_EQ(tallShort.front(), '1');
            ASSERT_EQ(tallShort.back(), '1');
            std::string decoded;
            for (std::size_t at = 1; at + 5 < tallShort.size(); at += 5) {
                int value = 0, full = 0;
                for (int k = 0; k < 5; ++k)
                    if (tallShort[at + k] == '1') {
                        value += kWeights[k];
                        ++full;
                    }
                EXPECT_EQ(full, 2);
                decoded.push_back(static_cast<char>('0' + (value == 11 ? 0 : value)));
            }
            EXPECT_EQ(decoded, c.expected);
        }
    }
}
