// GS1-128 in the engine: what is encoded of typed element strings and why, and the fewest
// symbol characters for them.
#include "engine/gs1_128.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/recording_surface.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <string>

class Gs1Test : public SettingsTest {};

// Each field is checked against its identifier: the symbol carries the fields it can, with
// their check digits right, and the user is told of every change.
TEST_F(Gs1Test, CheckDataSaysWhatIsEncodedAndWhy) {
    const struct {
        const char* typed;
        const char* reads;
        const char* change;
    } cases[] = {
        {"(00)123456789012345675", "(00)123456789012345675", ""},
        {"(01)09501101530003(17)261231(10)ABC123", "(01)09501101530003(17)261231(10)ABC123", ""},
        {"(3103)000750(8020)A-1", "(3103)000750(8020)A-1", ""},
        {"(01)09501101530004", "(01)09501101530003", "the check digit 4 of (01) was replaced by 3"},
        {"(00)123456789012345670(10)X", "(00)123456789012345675(10)X",
         "the check digit 0 of (00) was replaced by 5"},
        {"(414)950110153000", "(414)9501101530003", "the check digit 3 was added to (414)"},
        {"(01)0950110153(17)2612(10)A", "(10)A",
         "(01)\"0950110153\" was left out: (01) takes 14 digits; (17)\"2612\" was left out: "
         "(17) takes 6 digits"},
        {"(10)ABCDEFGHIJKLMNOPQRSTU", "",
         "(10)\"ABCDEFGHIJKLMNOPQRSTU\" was left out: (10) takes 1 to 20 characters"},
        {"(01)095011015300AB", "", "(01)\"095011015300AB\" was left out: (01) takes digits only"},
        {"(10)AB~C(20)01", "(20)01",
         "(10)\"AB~C\" was left out: \"~\" is not a character of GS1 fields"},
        {"(999)1(3106)000001(10)Z", "(10)Z",
         "the unknown application identifier (999) was left out; the unknown application "
         "identifier (3106) was left out"},
        {"(17)", "", "(17) was left out: (17) takes 6 digits"},
        {"(01) 09501101530003", "(01)09501101530003", "spaces were left out"},
        {"lot(10)A", "(10)A", "\"lot\" before the first application identifier was left out"},
        {"(10(21)7", "(21)7",
         "\"(10\" was left out: its application identifier has no closing parenthesis"},
        {"0109501101530003", "",
         "GS1-128 data is written as application identifiers in parentheses, each followed by "
         "its field, such as (01)09501101530003(10)ABC123"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        auto bc = CreateBarcode("CGS1128Barcode");
        ASSERT_NE(bc, nullptr);
        const CBarcode::CDataCheck check = bc->CheckData(c.typed);
        EXPECT_EQ(check.input, c.typed);
        EXPECT_EQ(check.reads, c.reads);
        EXPECT_EQ(MessageText(check.change), c.change);
        // What SetData keeps is what a reader reads, and the text under the bars.
        bc->SetData(c.typed);
        EXPECT_EQ(bc->m_strData, c.reads);
        RecordingSurface surface;
        CPoint origin{0, 0};
        bc->Draw(surface, origin, 500, true, 0);
        const std::vector<RecordedText> texts = surface.Texts();
        EXPECT_EQ(texts.empty() ? "" : texts[0].text, c.reads);
        EXPECT_EQ(surface.Lines().empty(), std::string(c.reads).empty());
    }
}

// Digits go in pairs in set C where that is shorter, the rest in set B, FNC1 leads and ends each
// variable-length field that another follows: the fewest symbol characters (between the start
// character and the check character), counted by hand.
TEST_F(Gs1Test, FieldsTakeTheFewestSymbolCharacters) {
    SetDensityRatio(10, 25);
    const struct {
        const char* data;
        std::size_t values;
    } cases[] = {
        // FNC1, then ten pairs.
        {"(00)123456789012345675", 11},
        // FNC1, 10 in C, CODE B, A B C 1 2 3; or all of it in B.
        {"(10)ABC123", 9},
        // FNC1, eight pairs, 10, CODE B, A B C 1, CODE C, 23, FNC1, five pairs.
        {"(01)09501101530003(10)ABC123(21)12345678", 23},
        // FNC1, 30, 12, CODE B, 3; or FNC1 3, CODE C, 01, 23.
        {"(30)123", 5},
        // FNC1, thirteen pairs (no separator after a field of predefined length), CODE B,
        // A B C 1 2 3.
        {"(01)09501101530003(17)261231(10)ABC123", 21},
    };
    for (const auto& c : cases) {
        const Code128Symbol symbol = Gs1Code128(ParseGs1(c.data).elements);
        EXPECT_EQ(symbol.values.size(), c.values) << c.data;
        ASSERT_FALSE(symbol.values.empty());
        EXPECT_EQ(symbol.values.front(), kCode128Fnc1) << c.data;
        // Start, values, check and stop: eleven modules each, two more for the stop.
        auto bc = CreateBarcode("CGS1128Barcode");
        bc->SetData(c.data);
        EXPECT_EQ(bc->GetWidth(), static_cast<int>(11 * (c.values + 3) + 2) * 10) << c.data;
    }
    EXPECT_TRUE(Gs1Code128({}).values.empty());
}
