#include "engine/code93.h"
#include "engine/primitives.h"
#include "tests/support/module_string.h"
#include "tests/support/recording_surface.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The module string of a sequence of symbol-character values.
std::string Modules(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += Code93Pattern(v);
    return out;
}

} // namespace

class Code93Test : public SettingsTest {
protected:
    void SetUp() override { SetDensityRatio(10, 25); }
};

TEST(Code93Tables, Patterns) {
    EXPECT_EQ(Code93Pattern(0), "bsssbsbss");
    EXPECT_EQ(Code93Pattern(10), "bbsbsbsss"); // A
    EXPECT_EQ(Code93Pattern(42), "bbsbsbbbs"); // %
    EXPECT_EQ(Code93Pattern(46), "bssbbssbs"); // (+)
    EXPECT_EQ(Code93Pattern(kCode93Start), "bsbsbbbbs");
    EXPECT_EQ(Code93Pattern(kCode93StopBar), "bsbsbbbbsb");
    EXPECT_EQ(Code93Pattern(-1), "");
    EXPECT_EQ(Code93Pattern(49), "");
}

// Every character code against the full-ASCII table, row by row: a run of codes is encoded
// either as consecutive values, or as one shift and consecutive letter values.
TEST(Code93Tables, FullAsciiMapCoversEveryCode) {
    constexpr int kNone = -1, kDollar = 43, kPercent = 44, kSlash = 45, kPlus = 46;
    const struct {
        int first, last;
        int shift;
        int firstValue;
    } rows[] = {
        {'0', '9', kNone, 0},     {'A', 'Z', kNone, 10},    {' ', ' ', kNone, 38},
        {'$', '$', kNone, 39},    {'%', '%', kNone, 42},    {'+', '+', kNone, 41},
        {'-', '-', kNone, 36},    {'.', '.', kNone, 37},    {'/', '/', kNone, 40},
        {0, 0, kPercent, 30},     {1, 26, kDollar, 10},     {27, 31, kPercent, 10},
        {33, 35, kSlash, 10},     {38, 42, kSlash, 15},     {',', ',', kSlash, 21},
        {':', ':', kSlash, 35},   {59, 63, kPercent, 15},   {'@', '@', kPercent, 31},
        {91, 95, kPercent, 20},   {'`', '`', kPercent, 32}, {'a', 'z', kPlus, 10},
        {123, 127, kPercent, 25},
    };
    std::vector<int> seen(128, 0);
    for (const auto& row : rows) {
        for (int code = row.first; code <= row.last; ++code) {
            SCOPED_TRACE(code);
            ++seen[static_cast<std::size_t>(code)];
            const Code93Chars chars = Code93Map(static_cast<unsigned char>(code));
            const int letter = row.firstValue + (code - row.first);
            if (row.shift == kNone) {
                ASSERT_EQ(chars.count, 1);
                EXPECT_EQ(chars.values[0], letter);
            } else {
                ASSERT_EQ(chars.count, 2);
                EXPECT_EQ(chars.values[0], row.shift);
                EXPECT_EQ(chars.values[1], letter);
            }
        }
    }
    for (int code = 0; code < 128; ++code)
        EXPECT_EQ(seen[static_cast<std::size_t>(code)], 1) << "code " << code;
    for (int code = 128; code < 256; ++code)
        EXPECT_EQ(Code93Map(static_cast<unsigned char>(code)).count, 0) << "code " << code;
}

TEST(Code93Tables, CheckCharacters) {
    const struct {
        std::string data;
        std::vector<int> sequence;
        Code93CheckValues checks;
    } cases[] = {
        // C: 3·1 + 9·2 + 29·3 + 28·4 + 14·5 + 29·6 = 464 ≡ 41; K: 41·1 + 3·2 + ... = 617 ≡ 6.
        {"TEST93", {29, 14, 28, 29, 9, 3}, {41, 6}},
        {"CODE93", {12, 24, 13, 14, 9, 3}, {25, 31}},
        {"a", {46, 10}, {8, 25}}, // 10 + 46·2 = 102 ≡ 8; 8 + 10·2 + 46·3 = 166 ≡ 25
        {"", {}, {0, 0}},
        // The 21st value from the right weighs 1 again in C (21 would give 21), and the 22nd
        // weighs 7 in K: 1 + 1·7 = 8.
        {"1" + std::string(20, '0'), {}, {1, 8}},
        // Weight 16 in C; in K the 17th value from the right weighs 2: 16 + 1·2 = 18.
        {"1" + std::string(15, '0'), {}, {16, 18}},
        // 25 direct characters, values 10 to 34: C weighs them 1..20 from the right, then
        // 1..5 again, 4650 ≡ 44; K weighs C and them 1..15, 1..11.
        {"ABCDEFGHIJKLMNOPQRSTUVWXY", {}, {44, 21}},
        // Codes 128 to 255 have no value and leave the checks as without them.
        {"T\x80"
         "EST\xff"
         "93",
         {29, 14, 28, 29, 9, 3},
         {41, 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        const std::vector<int> sequence = Code93Sequence(c.data);
        if (!c.sequence.empty()) {
            EXPECT_EQ(sequence, c.sequence);
        }
        EXPECT_EQ(Code93Checks(sequence), c.checks);
    }
}

TEST_F(Code93Test, SetDataKeepsEverything) {
    C93Barcode bc;
    const std::string text("aZ \x01\x7f\x80\xff", 7);
    bc.SetData(text);
    EXPECT_EQ(bc.m_strData, text);
}

TEST_F(Code93Test, WidthIsTheDrawnLength) {
    const struct {
        std::string data;
        int density;
        int width;
    } cases[] = {
        {"TEST93", 10, 910}, // 10 symbol characters of 9 modules, plus the termination bar
        {"", 10, 370},
        {"a", 10, 550}, // a shift and a letter
        {"TEST93", 7, 637},
        {"A\x80"
         "B\xff",
         10, 550}, // codes 128 to 255 take no room
    };
    for (const auto& c : cases) {
        SetDensityRatio(c.density, 25);
        C93Barcode bc;
        bc.SetData(c.data);
        EXPECT_EQ(bc.GetWidth(), c.width) << c.data;
        for (int orientation = 0; orientation < 4; ++orientation) {
            RecordingSurface s;
            CPoint origin{100, 200};
            bc.Draw(s, origin, 500, false, orientation);
            CPoint end{100, 200};
            engine::Advance(end, c.width, orientation);
            EXPECT_EQ(origin, end) << c.data << " orientation " << orientation;
        }
    }
}

TEST_F(Code93Test, DrawsStartDataChecksAndStopModuleByModule) {
    const struct {
        std::string data;
        std::string modules;
    } cases[] = {
        {"", Modules({kCode93Start, 0, 0, kCode93StopBar})},
        {"a", Modules({kCode93Start, 46, 10, 8, 25, kCode93StopBar})},
        {"TEST93", Modules({kCode93Start, 29, 14, 28, 29, 9, 3, 41, 6, kCode93StopBar})},
        {"T\xe9", Modules({kCode93Start, 29, 29, 40, kCode93StopBar})}, // 'é' is skipped
    };
    for (const auto& c : cases) {
        C93Barcode bc;
        bc.SetData(c.data);
        RecordingSurface s;
        CPoint origin{0, 0};
        bc.Draw(s, origin, 750, false, 0);
        EXPECT_EQ(ModuleString(s, 10), c.modules) << c.data;
        for (const RecordedLine& line : s.Lines())
            EXPECT_EQ(line.to.y - line.from.y, 750);
        EXPECT_TRUE(s.Texts().empty());
    }
}

TEST_F(Code93Test, TextIsTheDataCentredOnTheWidth) {
    C93Barcode bc;
    bc.SetData("TEST93");
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 750, true, 0);
    const auto texts = s.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "TEST93");
    // "TEST93" measures 6 × 66.6 = 399 on the recording face: d = (910 - 399) / 2 = 255.
    EXPECT_EQ(texts[0].at, (CPoint{255, 750}));
    EXPECT_EQ(texts[0].font, (CFontSpec{"Courier New", 111, 400, 0}));
}

TEST_F(Code93Test, DataWithoutCode93ValuesSurvivesTheFile) {
    C93Barcode bc;
    bc.SetData("a\x80");
    bc.m_nHeight = 1234;
    std::vector<std::uint8_t> bytes;
    CArchive out(bytes);
    out.WriteObject(bc);
    CArchive in{std::span<const std::uint8_t>(bytes)};
    const std::unique_ptr<CObject> back = in.ReadObject(RUNTIME_CLASS(CBarcode));
    ASSERT_NE(back, nullptr);
    ASSERT_TRUE(back->IsKindOf(RUNTIME_CLASS(C93Barcode)));
    const auto& loaded = static_cast<const C93Barcode&>(*back);
    EXPECT_EQ(loaded.m_strData, "a\x80");
    EXPECT_EQ(loaded.m_nHeight, 1234);
    EXPECT_EQ(in.Remaining(), 0u); // nothing beyond the common fields
}

// What a real reader makes of the drawn bars, in every orientation, at two module sizes.
TEST_F(Code93Test, SymbolsScan) {
    std::string fullAscii;
    for (int c = 0; c < 128; ++c)
        fullAscii.push_back(static_cast<char>(c));
    const std::string cases[] = {
        "TEST93",
        "CODE93",
        "HALVERN-42 $/+%.",
        fullAscii.substr(0, 32),
        fullAscii.substr(32, 32),
        fullAscii.substr(64, 32),
        fullAscii.substr(96),
    };
    const struct { int density, milsPerPixel, barHeight; } sizes[] = {{10, 5, 1000}, {7, 1, 300}};
    for (const auto& size : sizes) {
        SetDensityRatio(size.density, 25);
        for (const std::string& data : cases) {
            C93Barcode bc;
            bc.SetData(data);
            for (int orientation = 0; orientation < 4; ++orientation) {
                SCOPED_TRACE(::testing::Message() << "X " << size.density << " orientation "
                                                  << orientation << " data " << data);
                RecordingSurface s;
                CPoint origin{0, 0};
                bc.Draw(s, origin, size.barHeight, false, orientation);
                const ScanResult r = ScanBars(s, size.milsPerPixel, ScanMode::Plain);
                EXPECT_TRUE(r.ok);
                EXPECT_EQ(r.format, "Code93");
                EXPECT_EQ(r.text, data);
            }
        }
    }
}
