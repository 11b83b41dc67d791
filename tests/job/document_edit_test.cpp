// The edits the window and the command line share, for the symbologies of the encoder: typed
// text kept whole where the symbology holds any text and made Latin-1 elsewhere, options by
// index and by the command line's KEY=VALUE, each saying what became of the data.
#include "engine/symbologies.h"
#include "job/document_edit.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/messages.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <string>

class DocumentEditTest : public SettingsTest {};

TEST_F(DocumentEditTest, TypedTextIsKeptWholeWhereTheSymbologyHoldsAnyText) {
    const struct {
        const char* className;
        std::string typed;
        std::string stored;
        Msg said; // None: nothing to say
    } cases[] = {
        {"CQRBarcode", "Grüße 東京", "Grüße 東京", Msg::None},
        {"CDataMatrixBarcode", "Grüße 東京", "Grüße 東京", Msg::None},
        {"CAztecBarcode", "Ωμέγα", "Ωμέγα", Msg::None},
        {"CPDF417Barcode",
         "\xFC"
         "ber",
         "über", Msg::None}, // not UTF-8: taken as Latin-1
        // The program's own symbologies keep to Latin-1 and say what they leave out.
        {"C128Barcode", "Grüße 東京",
         "GR\xFC\xDF"
         "E ",
         Msg::OutsideLatin1RemovedN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        auto bc = CreateBarcode(c.className);
        const CEditResult r = ApplyTypedData(*bc, c.typed);
        EXPECT_TRUE(r.applied);
        EXPECT_EQ(bc->m_strData, c.stored);
        EXPECT_EQ(r.changes.empty() ? Msg::None : r.changes.front().id, c.said)
            << MessageText(r.changes);
    }
    // Switching keeps what the new symbology holds, and says what it leaves out.
    auto qr = CreateBarcode("CQRBarcode");
    ApplyTypedData(*qr, "Grüße 東京");
    const CSymbologySwitch toCode128 =
        SwitchSymbology(*qr, CRuntimeClass::FromName("C128Barcode"), qr->m_strData);
    EXPECT_EQ(toCode128.barcode->m_strData, "GR\xFC\xDF"
                                            "E ");
    ASSERT_FALSE(toCode128.result.changes.empty());
    EXPECT_EQ(toCode128.result.changes.front().id, Msg::OutsideLatin1RemovedN);
    const CSymbologySwitch toAztec =
        SwitchSymbology(*qr, CRuntimeClass::FromName("CAztecBarcode"), qr->m_strData);
    EXPECT_EQ(toAztec.barcode->m_strData, "Grüße 東京");
}

TEST_F(DocumentEditTest, OptionsByTheirKeyAndChoice) {
    const struct {
        const char* className;
        const char* assignment;
        const char* key; // the option that changes; null: refused
        int value;
        Msg note; // None: nothing to say
    } cases[] = {
        {"CQRBarcode", "ecc=H", "ecc", 3, Msg::None},
        {"CQRBarcode", "ECC=q 25%", "ecc", 2, Msg::None},
        {"CQRBarcode", "version=40", "version", 40, Msg::None},
        {"CQRBarcode", "quiet=off", "quiet", 1, Msg::None},
        {"CDataMatrixBarcode", "size=144x144", "size", 24, Msg::None},
        {"CDataMatrixBarcode", "size=8 x 48", "size", 31, Msg::None},
        {"CDataMatrixBarcode", "shape=rectangle", "shape", 1, Msg::None},
        {"CPDF417Barcode", "columns=7", "columns", 7, Msg::None},
        // The check digit it adds is said: "Encoded 123455: "5" was added".
        {"CMSIPlesseyBarcode", "check=Mod 11", "check", 3, Msg::EncodedAs},
        {"CQRBarcode", "ecc=Z", nullptr, 0, Msg::OptionNoSuchChoice},
        {"CQRBarcode", "colour=red", nullptr, 0, Msg::OptionUnknown},
        {"CDataMatrixBarcode", "size=8", nullptr, 0, Msg::OptionNoSuchChoice}, // 8 x 18 or 8 x 32?
        {"C39Barcode", "ecc=H", nullptr, 0, Msg::OptionUnknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.className) + " " + c.assignment);
        auto bc = CreateBarcode(c.className);
        bc->SetData("12345");
        const CEditResult r = ApplyNamedOption(*bc, c.assignment);
        EXPECT_EQ(r.refused, c.key == nullptr);
        EXPECT_EQ(r.note.id, c.note) << MessageText(r.note);
        if (c.key) {
            EXPECT_EQ(bc->GetOptionValue(static_cast<std::size_t>(bc->FindOption(c.key))), c.value);
        }
    }
}

// A choice the data no longer fits says so, with the words of the issue: which level holds it.
TEST_F(DocumentEditTest, AnOptionTheDataDoesNotFitSaysWhatWouldHoldIt) {
    auto qr = CreateBarcode("CQRBarcode");
    ApplyTypedData(*qr, std::string(3500, '7')); // more than H's 3,057 digits, less than Q's 3,993
    const CEditResult r = ApplyNamedOption(*qr, "ecc=H");
    EXPECT_TRUE(r.applied);
    EXPECT_EQ(MessageText(r.note),
              "Nothing encoded: the data is too long for a QR Code at error-correction level H "
              "(level Q holds it)");
    auto dm = CreateBarcode("CDataMatrixBarcode");
    ApplyTypedData(*dm, std::string(100, '7'));
    EXPECT_EQ(MessageText(ApplyNamedOption(*dm, "size=10x10").note),
              "Nothing encoded: the data is too long for Data Matrix of the chosen size "
              "(Automatic holds more)");
}
