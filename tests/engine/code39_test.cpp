#include "engine/code39.h"
#include "tests/support/recording_surface.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <memory>

class Code39Test : public SettingsTest {
protected:
    void SetUp() override { SetDensityRatio(10, 25); }
};

TEST(Code39Tables, PatternsAndExpansions) {
    EXPECT_EQ(Code39Pattern('0'), "nnnwwnwnnn");
    EXPECT_EQ(Code39Pattern('1'), "wnnwnnnnwn");
    EXPECT_EQ(Code39Pattern('A'), "wnnnnwnnwn");
    EXPECT_EQ(Code39Pattern('*'), "nwnnwnwnnn");
    EXPECT_EQ(Code39Pattern('a'), "");
    EXPECT_EQ(Code39Pattern('\0'), "");
    EXPECT_EQ(Code39FullAscii(0), "%U");
    EXPECT_EQ(Code39FullAscii('a'), "+A");
    EXPECT_EQ(Code39FullAscii('$'), "/D");
    EXPECT_EQ(Code39FullAscii(127), "%T");
    EXPECT_EQ(Code39FullAscii(128), "");
}

TEST(Code39Tables, Mod43CheckCharacters) {
    const struct {
        const char* data;
        char check;
    } cases[] = {
        {"CODE39", 'W'},               // 12 + 24 + 13 + 14 + 3 + 9 = 75; 75 mod 43 = 32
        {"A", 'A'},      {"ABC", 'X'}, // 33
        {"*", '0'},                    // '*' counts 0
        {"", '0'},       {"-", '-'},   // 36 to 42 map to "-. $/+%"
        {" ", ' '},      {"%", '%'},   {"%%", '+'}, // 84 mod 43 = 41
    };
    for (const auto& c : cases)
        EXPECT_EQ(Code39Mod43Check(c.data), c.check) << c.data;
}

TEST_F(Code39Test, DrawsStartDataStopAndEndsAtTheNominalWidth) {
    C39Barcode bc;
    bc.SetData("CODE39");
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 750, false, 0);
    EXPECT_EQ(s.Lines().size(), 8u * 5); // eight characters of five bars
    EXPECT_EQ(origin, (CPoint{1160, 0}));
    EXPECT_TRUE(s.Texts().empty());
    // The first bars are those of '*': narrow bar, wide space, narrow bar, narrow space, wide bar.
    const auto bars = s.Bars(0);
    EXPECT_EQ(bars[0].lo, 0);
    EXPECT_EQ(bars[0].hi, 10);
    EXPECT_EQ(bars[1].lo, 35);
    EXPECT_EQ(bars[2].lo, 55);
    EXPECT_EQ(bars[2].hi, 80);
    EXPECT_EQ(bars[0].alongLo, 0);
    EXPECT_EQ(bars[0].alongHi, 750);
}

TEST_F(Code39Test, DrawnLengthTruncatesWideElements) {
    SetDensityRatio(7, 25); // wide 17 drawn, 17.5 counted
    C39Barcode bc;
    bc.SetData("A");
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 100, false, 0);
    EXPECT_EQ(origin.x, 3 * (3 * 17 + 7 * 7));
    EXPECT_EQ(bc.GetWidth(), 304);
}

TEST_F(Code39Test, CharacterWithoutPatternDrawsNothing) {
    C39Barcode bc;
    bc.m_strData = "A\x80"
                   "b"; // only a file can hold this
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 100, false, 0);
    EXPECT_EQ(s.Lines().size(), 3u * 5);
    EXPECT_EQ(origin.x, 3 * 145);
}

TEST_F(Code39Test, TextIsCentredOnTheBarsBelowThem) {
    // The recording face is 0.6 em per character: 8 pt is 111 units high, "CODE39" 399 wide.
    // Eight characters of 145 units less the gap after the last: the bars span 1150, so
    // d = (1150 - 399) / 2 = 375.
    const struct {
        int orientation;
        CPoint at;
        int escapement;
    } cases[] = {
        {0, {375, 750}, 0},
        {1, {750, -375}, 900},
        {2, {-375, -750}, 1800},
        {3, {-750, 375}, -900},
    };
    for (const auto& c : cases) {
        C39Barcode bc;
        bc.SetData("CODE39");
        RecordingSurface s;
        CPoint origin{0, 0};
        bc.Draw(s, origin, 750, true, c.orientation);
        const auto texts = s.Texts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, "CODE39");
        EXPECT_EQ(texts[0].at, c.at) << c.orientation;
        EXPECT_EQ(texts[0].font, (CFontSpec{"Courier New", 111, 400, c.escapement}));
        // Font selected once and given back.
        EXPECT_TRUE(std::holds_alternative<RecordedRestoreFont>(s.calls.back()));
    }
}

TEST_F(Code39Test, WideTextStartsBeforeTheSymbol) {
    C39Barcode bc;
    bc.SetData("CODE39");
    bc.m_nFontSize = 72;                     // 1000 units: "CODE39" is 3600 wide
    bc.m_strFontName = std::string(40, 'F'); // face names are cut to 31 characters
    RecordingSurface s;
    CPoint origin{100, 0};
    bc.Draw(s, origin, 500, true, 0);
    const auto texts = s.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].at, (CPoint{100 + (1150 - 3600) / 2, 500}));
    EXPECT_EQ(texts[0].font.faceName.size(), 31u);
}

TEST_F(Code39Test, Mod43TextShowsTheCheckCharacter) {
    C39Mod43Barcode bc;
    bc.SetData("CODE39");
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 750, true, 0);
    EXPECT_EQ(s.Lines().size(), 9u * 5);
    EXPECT_EQ(origin.x, 1305);
    ASSERT_EQ(s.Texts().size(), 1u);
    EXPECT_EQ(s.Texts()[0].text, "CODE39  (W)");
}

TEST_F(Code39Test, ExtendedDrawsExpansionsAndShowsTheDataAsTyped) {
    C39ExtBarcode bc;
    bc.SetData("a1");
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 750, true, 0);
    EXPECT_EQ(s.Lines().size(), 5u * 5); // *, +, A, 1, *
    EXPECT_EQ(origin.x, 725);
    EXPECT_EQ(s.Texts()[0].text, "a1");

    C39Barcode plain;
    plain.SetData("$");
    RecordingSurface ps;
    CPoint po{0, 0};
    plain.Draw(ps, po, 750, false, 0);
    EXPECT_EQ(ps.Lines().size(), 3u * 5); // '$' is one plain character
}

// What a real reader makes of the drawn bars, in every orientation.
TEST_F(Code39Test, SymbolsScan) {
    SetDensityRatio(10, 30); // wide elements of 6 pixels at 5 mils per pixel
    std::string fullAscii;
    for (int c = 1; c < 128; ++c)
        fullAscii.push_back(static_cast<char>(c));
    const struct {
        std::unique_ptr<CBarcode> bc;
        std::string data;
        ScanMode mode;
        std::string expected;
    } cases[] = {
        {std::make_unique<C39Barcode>(), "CODE39", ScanMode::Plain, "CODE39"},
        {std::make_unique<C39Barcode>(), "0123456789-. $/+%", ScanMode::Plain, "0123456789-.$/+%"},
        {std::make_unique<C39Barcode>(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ", ScanMode::Plain,
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
        {std::make_unique<C39Mod43Barcode>(), "CODE39", ScanMode::Plain, "CODE39W"},
        {std::make_unique<C39Mod43Barcode>(), "HALVERN-42", ScanMode::Code39CheckDigit,
         "HALVERN-42"},
        {std::make_unique<C39ExtBarcode>(), fullAscii.substr(0, 31), ScanMode::Code39Extended,
         fullAscii.substr(0, 31)},
        {std::make_unique<C39ExtBarcode>(), fullAscii.substr(31, 32), ScanMode::Code39Extended,
         fullAscii.substr(31, 32)},
        {std::make_unique<C39ExtBarcode>(), fullAscii.substr(63, 32), ScanMode::Code39Extended,
         fullAscii.substr(63, 32)},
        {std::make_unique<C39ExtBarcode>(), fullAscii.substr(95), ScanMode::Code39Extended,
         fullAscii.substr(95)},
    };
    for (const auto& c : cases) {
        c.bc->SetData(c.data);
        for (int orientation = 0; orientation < 4; ++orientation) {
            RecordingSurface s;
            CPoint origin{0, 0};
            c.bc->Draw(s, origin, 1000, false, orientation);
            const ScanResult r = ScanBars(s, 5, c.mode);
            EXPECT_TRUE(r.ok) << c.data << " orientation " << orientation;
            EXPECT_EQ(r.format, "Code39");
            EXPECT_EQ(r.text, c.expected) << "orientation " << orientation;
        }
    }
}
