#include "engine/barcode.h"
#include "engine/code39.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/messages.h"
#include "tests/support/recording_surface.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<CBarcode> Create(const char* className) {
    return CreateBarcode(className);
}
std::vector<std::uint8_t> Store(const CObject& obj) {
    return StoreObject(obj);
}
std::unique_ptr<CBarcode> Load(const std::vector<std::uint8_t>& bytes) {
    return LoadBarcode(bytes);
}

// Every concrete class with its base and the bytes it stores beyond the five common fields.
struct ClassCase {
    const char* name;
    const char* base;
    size_t extraBytes;
};
const ClassCase kClasses[] = {
    {"C39Barcode", "CBarcode", 0},
    {"C39Mod43Barcode", "C39Barcode", 0},
    {"C39ExtBarcode", "C39Barcode", 0},
    {"C93Barcode", "CBarcode", 0},
    {"C128Barcode", "CBarcode", 4},
    {"CI25Barcode", "CBarcode", 0},
    {"CPostnetBarcode", "CBarcode", 0},
    {"CUPCABarcode", "CBarcode", 0},
    {"CUPCEBarcode", "CBarcode", 0},
    {"CEAN13Barcode", "CBarcode", 0},
    {"CEAN8Barcode", "CBarcode", 0},
    {"CGS1128Barcode", "CBarcode", 0},
    // The encoder's symbologies: QR Code's and Data Matrix's choice as earlier versions stored
    // it, then every option as the number of them and (key, value) pairs.
    {"CQRBarcode", "CZintBarcode", 4 + 4 + (1 + 3 + 4) + (1 + 7 + 4) + (1 + 5 + 4)},
    {"CDataMatrixBarcode", "CZintBarcode", 4 + 4 + (1 + 5 + 4) + (1 + 4 + 4) + (1 + 5 + 4)},
    {"CPDF417Barcode", "CZintBarcode", 4 + (1 + 3 + 4) + (1 + 7 + 4) + (1 + 5 + 4)},
    {"CCodabarBarcode", "CZintBarcode", 4},
};

} // namespace

class BarcodeTest : public SettingsTest {};

TEST_F(BarcodeTest, ClassesAreCreatedByTheirExactNames) {
    for (const ClassCase& c : kClasses) {
        const CRuntimeClass* cls = CRuntimeClass::FromName(c.name);
        ASSERT_NE(cls, nullptr) << c.name;
        EXPECT_EQ(cls->m_wSchema, 256u);
        EXPECT_STREQ(cls->m_pBaseClass->m_lpszClassName, c.base);
        EXPECT_TRUE(cls->IsDerivedFrom(RUNTIME_CLASS(CBarcode)));
        auto obj = cls->CreateObject();
        ASSERT_NE(obj, nullptr);
        EXPECT_STREQ(obj->GetRuntimeClass()->m_lpszClassName, c.name);
    }
    EXPECT_TRUE(RUNTIME_CLASS(C39Mod43Barcode)->IsDerivedFrom(RUNTIME_CLASS(C39Barcode)));
    EXPECT_FALSE(RUNTIME_CLASS(C39Barcode)->IsDerivedFrom(RUNTIME_CLASS(C39ExtBarcode)));

    // The abstract base has a record that creates nothing; names match exactly.
    const CRuntimeClass* base = CRuntimeClass::FromName("CBarcode");
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(base->m_wSchema, 256u);
    EXPECT_EQ(base->CreateObject(), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("c39barcode"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("C39Barcode "), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(""), nullptr);
}

TEST_F(BarcodeTest, NewObjectTakesDefaultsAndTheStoredFont) {
    auto fresh = Create("C39Barcode");
    EXPECT_EQ(fresh->m_strFontName, "Courier New");
    EXPECT_EQ(fresh->m_nFontSize, 8);
    EXPECT_EQ(fresh->m_nHeight, 750);
    EXPECT_EQ(fresh->m_nHeightUnit, 0);
    EXPECT_EQ(fresh->m_strData, "");

    SettingsStore s;
    s.WriteString("Options", "Font Name", "Liberation Sans");
    s.WriteInt("Options", "Font Size", 12);
    auto later = Create("C39ExtBarcode");
    EXPECT_EQ(later->m_strFontName, "Liberation Sans");
    EXPECT_EQ(later->m_nFontSize, 12);
}

TEST_F(BarcodeTest, SetDataKeepsWhatTheSymbologyEncodes) {
    const struct {
        const char* cls;
        std::string input, stored;
    } cases[] = {
        {"C39Barcode", "abc-12", "-12"}, // lower case is dropped, not converted
        {"C39Barcode", "A B", "AB"},     // no space in the data alphabet
        {"C39Barcode", "*$/+%.-", "*$/+%.-"},
        {"C39Mod43Barcode", "x1y2Z", "12Z"},
        {"C39ExtBarcode", "a1 ~\x7f", "a1 ~\x7f"},
        {"C39ExtBarcode", std::string("A\x80\xff\x01", 4), "A\x01"}, // codes 1..127 only
    };
    for (const auto& c : cases) {
        auto bc = Create(c.cls);
        bc->SetData(c.input);
        EXPECT_EQ(bc->m_strData, c.stored) << c.cls << " " << c.input;
    }
}

TEST_F(BarcodeTest, NominalWidths) {
    SetDensityRatio(10, 25); // one Code 39 character counts 145 mils
    const struct {
        const char* cls;
        const char* data;
        int width;
    } cases[] = {
        {"C39Barcode", "CODE39", 1160},      {"C39Barcode", "", 290},
        {"C39Mod43Barcode", "CODE39", 1305}, {"C39Mod43Barcode", "", 435},
        {"C39ExtBarcode", "a1", 725}, // +A and 1: three characters plus start and stop
        {"C39ExtBarcode", "$", 580},  // /D
        {"C39ExtBarcode", "AB", 580},
    };
    for (const auto& c : cases) {
        auto bc = Create(c.cls);
        bc->SetData(c.data);
        EXPECT_EQ(bc->GetWidth(), c.width) << c.cls << " " << c.data;
    }
}

TEST_F(BarcodeTest, WidthCountsWideElementsAtTheirExactFraction) {
    // X = 7, R = 25: a character counts 3 × 17.5 + 49 = 101.5; three characters give 304.5.
    SetDensityRatio(7, 25);
    auto bc = Create("C39Barcode");
    bc->SetData("A");
    EXPECT_EQ(bc->GetWidth(), 304);
    auto mod43 = Create("C39Mod43Barcode");
    mod43->SetData("A");
    EXPECT_EQ(mod43->GetWidth(), 101 + 304);
    auto ext = Create("C39ExtBarcode");
    ext->SetData("A");
    EXPECT_EQ(ext->GetWidth(), 101 * 3);
}

TEST_F(BarcodeTest, BarHeightInMils) {
    auto bc = Create("C39Barcode");
    bc->m_nHeight = 2000; // 2 cm in hundredths of a millimetre
    bc->m_nHeightUnit = 1;
    EXPECT_EQ(bc->GetBarHeightMils(), 787);
    bc->m_nHeightUnit = 0;
    EXPECT_EQ(bc->GetBarHeightMils(), 2000);
}

TEST_F(BarcodeTest, NewDocumentObjectStoresAsTheFamiliar48Bytes) {
    auto bc = Create("C39Barcode");
    bc->SetData("HALVERN");
    const std::vector<std::uint8_t> expected = {
        0xff, 0xff, 0x00, 0x01, 0x0a, 0x00, 'C',  '3',  '9',  'B',  'a',  'r',
        'c',  'o',  'd',  'e',  0x07, 'H',  'A',  'L',  'V',  'E',  'R',  'N',
        0x0b, 'C',  'o',  'u',  'r',  'i',  'e',  'r',  ' ',  'N',  'e',  'w',
        0x08, 0x00, 0x00, 0x00, 0xee, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Store(*bc), expected);
}

TEST_F(BarcodeTest, EveryClassRoundTripsByteForByte) {
    for (const ClassCase& c : kClasses) {
        const char* name = c.name;
        for (size_t length : {0u, 254u, 255u, 65533u, 65534u}) {
            auto bc = Create(name);
            bc->m_strData = std::string(length, 'Q');
            bc->m_strFontName = "Liberation Mono";
            bc->m_nFontSize = -3;
            bc->m_nHeight = 2000;
            bc->m_nHeightUnit = 1;
            const auto bytes = Store(*bc);
            auto back = Load(bytes);
            ASSERT_NE(back, nullptr);
            EXPECT_STREQ(back->GetRuntimeClass()->m_lpszClassName, name);
            EXPECT_EQ(back->m_strData, bc->m_strData);
            EXPECT_EQ(back->m_strFontName, "Liberation Mono");
            EXPECT_EQ(back->m_nFontSize, -3);
            EXPECT_EQ(back->m_nHeight, 2000);
            EXPECT_EQ(back->m_nHeightUnit, 1);
            EXPECT_EQ(Store(*back), bytes) << name << " " << length;
            // The class header, the five common fields, and the class's own extras.
            const size_t prefix = length < 255 ? 1 : length < 65534 ? 3 : 7;
            EXPECT_EQ(bytes.size(),
                      6 + std::strlen(name) + prefix + length + 1 + 15 + 12 + c.extraBytes);
        }
    }
}

TEST_F(BarcodeTest, LoadingTrustsTheStoredData) {
    auto bc = Create("C39Barcode");
    bc->m_strData = "a b"; // what SetData would never produce
    auto back = Load(Store(*bc));
    EXPECT_EQ(back->m_strData, "a b");
}

TEST_F(BarcodeTest, ArchiveRefusesTheAbstractBaseAndForeignClasses) {
    // A well-formed header naming CBarcode itself.
    std::vector<std::uint8_t> bytes = {0xff, 0xff, 0x00, 0x01, 0x08, 0x00, 'C', 'B',
                                       'a',  'r',  'c',  'o',  'd',  'e',  0x00};
    try {
        Load(bytes);
        FAIL() << "CBarcode must not load";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetCause(), CArchiveException::abstractClass);
    }
    // CObject is known but is not a barcode.
    bytes = {0xff, 0xff, 0xff, 0xff, 0x07, 0x00, 'C', 'O', 'b', 'j', 'e', 'c', 't'};
    try {
        Load(bytes);
        FAIL() << "CObject must not load as a barcode";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetCause(), CArchiveException::unsuitableClass);
    }
}

// Settings and files may hold any 32-bit value; the engine draws within what a page can hold
// and computes without overflow (the sanitizers of the test build catch any that is left).
TEST_F(BarcodeTest, ExtremeSettingsAndFieldsAreHeldToWhatCanBeDrawn) {
    std::vector<int> atLimits;
    SetDensityRatio(20, 30);
    for (const ClassCase& c : kClasses) {
        auto bc = Create(c.name);
        bc->SetData("12345");
        atLimits.push_back(bc->GetWidth());
    }
    SetDensityRatio(2147483647, 2147483647);
    for (std::size_t i = 0; i < std::size(kClasses); ++i) {
        auto bc = Create(kClasses[i].name);
        bc->SetData("12345");
        EXPECT_EQ(bc->GetWidth(), atLimits[i]) << kClasses[i].name;
        for (const int height : {-2147483647 - 1, 2147483647})
            for (const int unit : {0, 1}) {
                bc->m_nHeight = height;
                bc->m_nHeightUnit = unit;
                EXPECT_GE(bc->GetBarHeightMils(), 0);
                EXPECT_LE(bc->GetBarHeightMils(), CBarcode::kMaxBarHeightMils);
            }
        bc->m_nFontSize = 2147483647;
        EXPECT_EQ(bc->GetFontHeightMils(), CBarcode::kMaxFontPoints * 1000 / 72 + 1);
        for (int rotation = 0; rotation < 4; ++rotation) {
            RecordingSurface surface;
            CPoint origin{2147483000, -2147483000};
            bc->Draw(surface, origin, bc->GetBarHeightMils(), true, rotation);
        }
    }
    auto bc = Create("C39Barcode");
    bc->SetData("12345");
    SetDensityRatio(-2147483647 - 1, -2147483647 - 1);
    const int belowRange = bc->GetWidth();
    SetDensityRatio(7, 20);
    EXPECT_EQ(belowRange, bc->GetWidth());
}

// What the user is told when the symbol will not carry exactly what was typed.
TEST_F(BarcodeTest, CheckDataSaysWhatIsEncodedAndWhy) {
    const struct {
        const char* className;
        const char* typed;
        const char* input; // what SetData is given
        const char* reads; // what a reader reads back
        CMessages change;
    } cases[] = {
        {"CEAN13Barcode",
         "5901234123458",
         "590123412345",
         "5901234123457",
         {MakeMessage(Msg::CheckDigitReplaced, "8", "7")}},
        {"CEAN13Barcode", "5901234123457", "590123412345", "5901234123457", {}},
        {"CEAN13Barcode",
         "590-123-412-345-7",
         "590123412345",
         "5901234123457",
         {MakeMessage(Msg::CharactersRemoved, "4", "EAN 13")}},
        {"CEAN13Barcode",
         "59012341234",
         "590123412340",
         "5901234123402",
         {MakeMessage(Msg::ZeroAddedToLength, "12")}},
        {"CEAN13Barcode",
         "59012341234512",
         "590123412345",
         "5901234123457",
         {MakeMessage(Msg::DigitsAfterLeftOut, "12")}},
        // UPC-E in its eight-digit printed form stands for its six digits.
        {"CUPCEBarcode", "01234565", "123456", "01234565", {}},
        {"CUPCEBarcode",
         "01234569",
         "123456",
         "01234565",
         {MakeMessage(Msg::CheckDigitReplaced, "9", "5")}},
        {"CUPCABarcode", "036000291452", "03600029145", "036000291452", {}},
        {"CEAN8Barcode",
         "96385070",
         "9638507",
         "96385074",
         {MakeMessage(Msg::CheckDigitReplaced, "0", "4")}},
        {"C39Barcode",
         "abc-12",
         "abc-12",
         "-12",
         {MakeMessage(Msg::CharactersRemoved, "3", "Code 39")}},
        {"C128Barcode", "ab1", "ab1", "AB1", {MakeMessage(Msg::LettersMadeCapitals)}},
        {"CI25Barcode", "123", "123", "1230", {MakeMessage(Msg::ZeroAddedForPairs)}},
        {"CPostnetBarcode",
         "12345-6789",
         "12345-6789",
         "123456789",
         {MakeMessage(Msg::CharacterRemoved, "Postnet")}},
        {"C93Barcode", "any text", "any text", "any text", {}},
    };
    for (const auto& c : cases) {
        const auto bc = Create(c.className);
        const CBarcode::CDataCheck check = bc->CheckData(c.typed);
        EXPECT_EQ(check.input, c.input) << c.className << " " << c.typed;
        EXPECT_EQ(check.reads, c.reads) << c.className << " " << c.typed;
        EXPECT_EQ(check.change, c.change) << c.className << " " << c.typed;
    }
}
