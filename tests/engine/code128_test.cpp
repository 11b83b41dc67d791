#include "engine/code128.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/module_string.h"
#include "tests/support/recording_surface.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The data's control characters, named by what they stand for.
constexpr char kShift = '\xc6';
constexpr char kCodeC = '\xc7';
constexpr char kCodeB = '\xc8'; // FNC4 in set B
constexpr char kCodeA = '\xc9'; // FNC4 in set A
constexpr char kFnc1 = '\xca';

std::string Modules(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += Code128Pattern(v);
    return out;
}

std::vector<std::uint8_t> Store(const CObject& obj) {
    return StoreObject(obj);
}

} // namespace

class Code128Test : public SettingsTest {
protected:
    void SetUp() override { SetDensityRatio(10, 25); }
};

TEST(Code128Tables, Patterns) {
    EXPECT_EQ(Code128Pattern(0), "bbsbbssbbss");
    EXPECT_EQ(Code128Pattern(kCode128StartA), "bbsbssssbss");
    EXPECT_EQ(Code128Pattern(kCode128StartA + 1), "bbsbssbssss");
    EXPECT_EQ(Code128Pattern(kCode128StartA + 2), "bbsbssbbbss");
    EXPECT_EQ(Code128Pattern(kCode128Stop), "bbsssbbbsbsbb");
    EXPECT_EQ(Code128Pattern(-1), "");
    EXPECT_EQ(Code128Pattern(107), "");
    C128Barcode bc;
    EXPECT_EQ(bc.GetPattern(33), "bsbsssbbsss"); // A: 1 1 1 3 2 3
    EXPECT_EQ(bc.GetPattern(200), "");
}

TEST(Code128Tables, CharacterValuesInSetsAAndB) {
    const struct {
        int code;
        int a, b;
    } cases[] = {
        {0, 64, -1},   {31, 95, -1},  {32, 0, 0},      {'A', 33, 33},   {95, 63, 63},
        {96, -1, 64},  {'a', -1, 65}, {126, -1, 94},   {127, -1, -1},   {194, -1, -1},
        {195, 95, 95}, {199, 99, 99}, {200, 100, 100}, {201, 101, 101}, {206, 106, 106},
        {207, -1, -1}, {255, -1, -1},
    };
    for (const auto& c : cases) {
        const auto ch = static_cast<unsigned char>(c.code);
        EXPECT_EQ(Code128Value(ch, 0), c.a) << c.code;
        EXPECT_EQ(Code128Value(ch, 1), c.b) << c.code;
    }
}

TEST(Code128Tables, ReadsDataIntoValuesAndCheck) {
    const struct {
        std::string data;
        int codeSet;
        int start;
        std::vector<int> values;
        int check;
    } cases[] = {
        // 103 + 33 + 34·2 + 35·3 = 309 ≡ 0
        {"ABC", 0, 103, {33, 34, 35}, 0},
        {"12", 0, 103, {17, 18}, 53},
        {std::string{kCodeC} + "1234", 0, 103, {99, 12, 34}, 19},
        {std::string{kCodeC} + "123", 0, 103, {99, 12, 3}, 29}, // a lone last digit
        {"", 0, 103, {}, 0},
        {"AB", 1, 104, {33, 34}, 102},
        {"1234", 2, 105, {12, 34}, 82},
        // Set changes: CODE C and CODE A from A and C, CODE B from A and C, CODE A from B.
        {std::string{kCodeC} + "12" + kCodeA + "AB", 0, 103, {99, 12, 101, 33, 34}, 7},
        {std::string{kCodeB} + "`{", 0, 103, {100, 64, 91}, 89},
        {std::string("12") + kCodeB + "`", 2, 105, {12, 100, 64}, 97},
        {std::string{kCodeA} + "\x01", 1, 104, {101, 65}, 26},
        // SHIFT is drawn but the next character is still read in set A, where '`' has none:
        // it goes behind a SHIFT of its own. 103 + 98 + 98·2 + 64·3 = 589 ≡ 74.
        {std::string{kShift} + "`", 0, 103, {98, 98, 64}, 74},
        // FNC1 keeps set C.
        {std::string{kFnc1} + "12", 2, 105, {102, 12}, 25},
        {std::string("AB") + kFnc1 + "C", 0, 103, {33, 34, 102, 35}, 32},
        // Weights past 103: 103 + (1 + 2 + ... + 104) = 5563 ≡ 1.
        {std::string(104, '!'), 0, 103, std::vector<int>(104, 1), 1},
        // No value in the running set: above 127 as FNC4 and the low seven bits, one of the
        // other set behind SHIFT (ISO/IEC 15417), so that a reader reads it as it is.
        // 103 + 33 + 101·2 + 64·3 + 98·4 + 65·5 + 98·6 + 95·7 + 34·8 + 35·9 = 3087 ≡ 100.
        {"A\x80"
         "a\x7f"
         "BC",
         0,
         103,
         {33, 101, 64, 98, 65, 98, 95, 34, 35},
         100},
        // 104 + 98 + 65·2 + 33·3 + 34·4 = 567 ≡ 52.
        {"\x01"
         "AB",
         1,
         104,
         {98, 65, 33, 34},
         52},
        // Ü (220) in set A: FNC4, then 92 ('\\', value 60). 103 + 101 + 60·2 = 324 ≡ 15.
        {"\xDC", 0, 103, {101, 60}, 15},
        // ü (252) in set A: FNC4, then '|' behind SHIFT. 103 + 101 + 98·2 + 92·3 = 676 ≡ 58.
        {"\xFC", 0, 103, {101, 98, 92}, 58},
        {"1A"
         "-5"
         " 5"
         "+5"
         "1234",
         2,
         105,
         {12, 34},
         82},
        {std::string{kCodeC} + "1" + kCodeA + "123", 0, 103, {99, 12, 3}, 29}, // "1" + CODE A
        // Start and stop characters in the data would end the symbol early: skipped.
        // 103 + 33 + 34·2 = 204 ≡ 101.
        {"A\xCB"
         "B\xCE",
         0,
         103,
         {33, 34},
         101},
        {"\xCC\xCD"
         "AB",
         1,
         104,
         {33, 34},
         102},
        // A start set outside 0 to 2 (only from a file) is read as set A.
        {"ABC", 7, 103, {33, 34, 35}, 0},
        {"ABC", -1, 103, {33, 34, 35}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "set " << c.codeSet << " data " << c.data);
        const Code128Symbol symbol = Code128Encode(c.data, c.codeSet);
        EXPECT_EQ(symbol.start, c.start);
        EXPECT_EQ(symbol.values, c.values);
        EXPECT_EQ(symbol.check, c.check);
    }
}

TEST_F(Code128Test, SetDataUpperCasesLettersAndStartsInSetA) {
    C128Barcode bc;
    bc.m_nCodeSet = 2;
    const std::string text("ab1{~\xe9\xc7", 7);
    bc.SetData(text);
    EXPECT_EQ(bc.m_strData, std::string("AB1{~\xe9\xc7", 7)); // only a to z change
    EXPECT_EQ(bc.m_nCodeSet, 0);
}

TEST_F(Code128Test, NominalWidthCountsTwelveModulesPerCharacter) {
    const struct {
        std::string data;
        int density;
        int width;
    } cases[] = {
        {"ABC", 10, 720},
        {"", 10, 360},
        {"ABC", 7, 504},
        {std::string{kCodeC} + "1234", 10, 960}, // pairs count per character too
    };
    for (const auto& c : cases) {
        SetDensityRatio(c.density, 25);
        C128Barcode bc;
        bc.SetData(c.data);
        EXPECT_EQ(bc.GetWidth(), c.width) << c.data;
    }
}

TEST_F(Code128Test, DrawsStartValuesCheckAndStopModuleByModule) {
    C128Barcode bc;
    bc.SetData("ABC");
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 750, false, 0);
    EXPECT_EQ(ModuleString(s, 10), Modules({103, 33, 34, 35, 0, 106}));
    EXPECT_EQ(origin, (CPoint{680, 0})); // 5 × 11 + 13 modules: shorter than the nominal 720
    EXPECT_TRUE(s.Texts().empty());

    // The end of the drawing in the other orientations, from another origin.
    const CPoint ends[] = {{780, 50}, {100, -630}, {-580, 50}, {100, 730}};
    for (int orientation = 0; orientation < 4; ++orientation) {
        RecordingSurface r;
        CPoint o{100, 50};
        bc.Draw(r, o, 750, false, orientation);
        EXPECT_EQ(o, ends[orientation]) << orientation;
    }
}

TEST_F(Code128Test, StartSetFromTheObjectIsKeptAcrossDraws) {
    C128Barcode bc;
    bc.SetData("AB");
    bc.m_nCodeSet = 1; // as loaded from a file
    RecordingSurface first, second;
    CPoint a{0, 0}, b{0, 0};
    bc.Draw(first, a, 750, true, 0);
    bc.Draw(second, b, 750, true, 0);
    EXPECT_EQ(bc.m_nCodeSet, 1);
    EXPECT_EQ(first.Dump(), second.Dump());
    EXPECT_EQ(ModuleString(first, 10), Modules({104, 33, 34, 102, 106}));
}

TEST_F(Code128Test, TextIsTheDataWithoutControlCharactersCentredOnTheBars) {
    C128Barcode bc;
    bc.SetData(std::string{kCodeC} + "1234");
    RecordingSurface s;
    CPoint origin{0, 0};
    bc.Draw(s, origin, 600, true, 3);
    const auto texts = s.Texts();
    ASSERT_EQ(texts.size(), 1u);
    // CODE C is a code-set character, not something a person reads.
    EXPECT_EQ(texts[0].text, "1234");
    // Start, CODE C, 12, 34, check (11 modules each) and the 13-module stop: the bars span
    // 680 units; "1234" measures 266 on the recording face: d = (680 - 266) / 2 = 207, and in
    // orientation 3 the cell starts at (x0 - H, y0 + d).
    EXPECT_EQ(texts[0].at, (CPoint{-600, 207}));
    EXPECT_EQ(texts[0].font.escapement, -900);
}

TEST_F(Code128Test, StoresTheStartSetAfterTheCommonFields) {
    const CRuntimeClass* cls = CRuntimeClass::FromName("C128Barcode");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->m_wSchema, 256u);
    EXPECT_TRUE(cls->IsDerivedFrom(RUNTIME_CLASS(CBarcode)));

    C128Barcode bc;
    bc.SetData("1234");
    bc.m_nCodeSet = 2;
    const std::vector<std::uint8_t> bytes = Store(bc);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 4, bytes.end()),
              (std::vector<std::uint8_t>{2, 0, 0, 0}));

    CArchive in{std::span<const std::uint8_t>(bytes)};
    const std::unique_ptr<CObject> back = in.ReadObject(RUNTIME_CLASS(CBarcode));
    ASSERT_TRUE(back && back->IsKindOf(RUNTIME_CLASS(C128Barcode)));
    const auto& loaded = static_cast<const C128Barcode&>(*back);
    EXPECT_EQ(loaded.m_strData, "1234");
    EXPECT_EQ(loaded.m_nCodeSet, 2);
    EXPECT_EQ(Store(loaded), bytes);

    // The loaded start set is drawn: Start C and the pairs 12 and 34.
    RecordingSurface s;
    CPoint origin{0, 0};
    loaded.Draw(s, origin, 750, false, 0);
    EXPECT_EQ(ModuleString(s, 10), Modules({105, 12, 34, 82, 106}));
}

// What a real reader makes of the drawn bars, in every orientation, at two module sizes.
TEST_F(Code128Test, SymbolsScan) {
    std::string setA, setB, setC;
    for (int c = 0; c < 96; ++c)
        setA.push_back(static_cast<char>(c));
    for (int c = 32; c < 127; ++c)
        setB.push_back(static_cast<char>(c));
    for (int pair = 0; pair < 100; ++pair)
        setC += std::to_string(pair / 10) + std::to_string(pair % 10);
    const struct {
        std::string data;
        int codeSet;
        std::string expected;
    } cases[] = {
        {"ABC", 0, "ABC"},
        {"HALVERN-42", 0, "HALVERN-42"},
        {setA.substr(0, 48), 0, setA.substr(0, 48)}, // NUL and the control characters
        {setA.substr(48), 0, setA.substr(48)},
        {setB.substr(0, 48), 1, setB.substr(0, 48)},
        {setB.substr(48), 1, setB.substr(48)},
        {setC, 2, setC},
        {std::string{kCodeC} + "1234", 0, "1234"},
        {std::string{kCodeC} + "123", 0, "1203"}, // the lone last digit is the pair 03
        {std::string{kCodeC} + "1234" + kCodeA + "AB", 0, "1234AB"},
        {std::string("AB") + kCodeB + "`{|}~", 0, "AB`{|}~"},
        {std::string("12") + kCodeB + "`a", 2, "12`a"},
        {std::string("`a") + kCodeA + "\x01\x1f", 1, "`a\x01\x1f"},
        {std::string("AB") + kFnc1 + "CD", 0,
         "AB\x1d"
         "CD"}, // FNC1 inside reads as GS
        {std::string("A\x80"
                     "B"),
         0,
         "A\xC2\x80"
         "B"}, // FNC4 and NUL
        // Latin-1 letters scan as typed (the reader gives UTF-8).
        {"M\xDCNCHEN", 0,
         "M\xC3\x9C"
         "NCHEN"},
        {"Gr\xFC\xDF"
         "e",
         1,
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
    };
    const struct { int density, milsPerPixel, barHeight; } sizes[] = {{10, 5, 1000}, {7, 1, 300}};
    for (const auto& size : sizes) {
        SetDensityRatio(size.density, 25);
        for (const auto& c : cases) {
            C128Barcode bc;
            bc.m_strData = c.data; // as loaded: SetData would upper-case and reset the set
            bc.m_nCodeSet = c.codeSet;
            for (int orientation = 0; orientation < 4; ++orientation) {
                SCOPED_TRACE(::testing::Message() << "X " << size.density << " orientation "
                                                  << orientation << " data " << c.data);
                RecordingSurface s;
                CPoint origin{0, 0};
                bc.Draw(s, origin, size.barHeight, false, orientation);
                const ScanResult r = ScanBars(s, size.milsPerPixel, ScanMode::Plain);
                EXPECT_TRUE(r.ok);
                EXPECT_EQ(r.format, "Code128");
                EXPECT_EQ(r.text, c.expected);
            }
        }
    }
}

// What CheckData says a reader reads: Latin-1 letters as typed (FNC4 with the low seven bits),
// and a code of 195 to 206, which the data uses for a function character, said to be one.
TEST_F(Code128Test, CheckDataReadsLatin1AsTypedAndNamesFunctionCharacters) {
    C128Barcode bc;
    const CBarcode::CDataCheck munich = bc.CheckData("M\xDCNCHEN");
    EXPECT_EQ(munich.reads, "M\xDCNCHEN");
    EXPECT_TRUE(munich.change.empty());
    // É (201) is FNC4 in set A: the '-' after it reads as the soft hyphen (173).
    const CBarcode::CDataCheck cafe = bc.CheckData("CAF\xC9-9");
    EXPECT_EQ(cafe.reads, "CAF\xAD"
                          "9");
    ASSERT_EQ(cafe.change.size(), 1u);
    EXPECT_EQ(cafe.change.front().id, Msg::Code128ControlCharacter);
    EXPECT_EQ(MessageText(cafe.change.front()),
              "\"É\" is read as FNC4: in Code 128 the characters Ã to Î stand for its function "
              "and code-set characters");
    EXPECT_EQ(bc.CheckData("halvern").change.front().id, Msg::LettersMadeCapitals);
}
