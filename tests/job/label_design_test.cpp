// A label's design in the document file, and the fields its lines are filled with.

#include "engine/barcode_file.h"
#include "engine/symbologies.h"
#include "job/label_design.h"
#include "job/label_fields.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

namespace {

CLabelDesign TwoLines() {
    CLabelDesign design;
    design.lines.push_back(
        {"{name}", "Liberation Serif", 14, true, false, LineAlign::Left, LinePlace::Above});
    design.lines.push_back({"Preis {price} \xE2\x82\xAC \xE6\x9D\xB1\xE4\xBA\xAC", "DejaVu Sans", 8,
                            false, true, LineAlign::Right, LinePlace::Below});
    design.dataTemplate = "{sku}-{lot}";
    return design;
}

class LabelDesignFile : public SettingsTest {};

TEST_F(LabelDesignFile, WithoutADesignTheFileIsTheBarcodeAlone) {
    const auto barcode = NewDocumentBarcode();
    EXPECT_EQ(StoreDocument(barcode.get(), {}), StoreBarcode(barcode.get()));
    const CLoadedDocument loaded = LoadDocument(StoreBarcode(barcode.get()));
    ASSERT_TRUE(loaded.barcode);
    EXPECT_EQ(loaded.barcode->m_strData, "HALVERN");
    EXPECT_TRUE(loaded.design.Empty());
}

TEST_F(LabelDesignFile, ADesignComesBackAsWrittenAndOnlyWhole) {
    auto barcode = NewDocumentBarcode();
    barcode->m_nHeight = 1234;
    const CLabelDesign design = TwoLines();
    const std::vector<std::uint8_t> bytes = StoreDocument(barcode.get(), design);
    const CLoadedDocument loaded = LoadDocument(bytes);
    ASSERT_TRUE(loaded.barcode);
    EXPECT_EQ(loaded.barcode->m_nHeight, 1234);
    EXPECT_EQ(loaded.design, design);
    // A reader that knows only barcodes refuses the file instead of dropping its lines.
    EXPECT_THROW(LoadBarcode(bytes), CArchiveException);
    // Every shorter file is refused.
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_THROW(LoadDocument(std::span(bytes.data(), n)), CArchiveException) << n;
}

TEST_F(LabelDesignFile, DesignsOutOfRangeAreRefused) {
    const auto barcode = NewDocumentBarcode();
    const auto refused = [&](const CLabelDesign& design) {
        EXPECT_THROW(LoadDocument(StoreDocument(barcode.get(), design)), CArchiveException);
    };
    CLabelDesign nine;
    nine.lines.assign(9, CDesignLine{});
    refused(nine);
    CLabelDesign huge;
    huge.lines.push_back({});
    huge.lines.back().points = CLabelDesign::kMaxPoints + 1;
    refused(huge);
    CLabelDesign place;
    place.lines.push_back({});
    place.lines.back().place = static_cast<LinePlace>(4);
    refused(place);
    // A later version of the record.
    std::vector<std::uint8_t> later = StoreDocument(barcode.get(), TwoLines());
    const std::string name = "CLabelDesignRecord";
    const std::size_t version = 6 + name.size();
    ASSERT_EQ(std::string(later.begin() + 6, later.begin() + 6 + name.size()), name);
    later[version] = CLabelDesign::kFileVersion + 1;
    EXPECT_THROW(LoadDocument(later), CArchiveException);
}

TEST(LabelFields, EachFieldIsFilledFromTheLabel) {
    CFieldValues v;
    v.data = "5901234123457";
    v.n = 12;
    v.number = "INV-00012";
    v.columns = {{"sku", "A-1"}, {"NAME", "Widget, large"}, {"3", "9.95"}};
    v.today = 1'780'000'000; // 2026-05-28 in every time zone around noon UTC
    const struct {
        const char* text;
        const char* filled;
        std::vector<std::string> unknown;
    } cases[] = {
        {"{data}", "5901234123457", {}},
        {"No. {n}: {number}", "No. 12: INV-00012", {}},
        {"{NAME} ({sku}) {3}", "Widget, large (A-1) 9.95", {}},
        {"{sku}-{lot}", "A-1-{lot}", {"lot"}},
        {"{4}{price}", "{4}{price}", {"4", "price"}},
        {"{{braces}} {", "{braces} {", {}},
        {"{date:%Y}", "2026", {}},
        {"", "", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> unknown;
        EXPECT_EQ(FillFields(c.text, v, &unknown), c.filled) << c.text;
        EXPECT_EQ(unknown, c.unknown) << c.text;
    }
    EXPECT_EQ(FillFields("{date}", v).size(), 10u); // 2026-05-28, ISO 8601
    EXPECT_EQ(FieldNames("{a}{b}{a}{{c}}"), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(HasFields("plain {{text}}"));
}

} // namespace
