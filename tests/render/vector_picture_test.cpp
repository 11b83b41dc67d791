// The vector picture recorder and its writers: numbers written exactly as the picture holds
// them, and a label's line in any script drawn as glyph outlines, from fontconfig's fallback
// faces where the family has no glyph.
#include "engine/barcode.h"
#include "render/font_locator.h"
#include "render/unicode_text.h"
#include "render/vector_surface.h"
#include "render/vector_writers.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CVectorPicture Square(double x0, double y0, double x1, double y1) {
    CVectorPicture picture;
    picture.fills.push_back({false, {}});
    picture.fills.back().path.Rectangle(x0, y0, x1, y1);
    picture.Include(x0, y0);
    picture.Include(x1, y1);
    return picture;
}

// The black points a label's picture holds.
std::size_t BlackPoints(const CVectorPicture& picture) {
    std::size_t points = 0;
    for (const CVectorPicture::Fill& fill : picture.fills)
        points += fill.white ? 0 : fill.path.points.size();
    return points;
}

} // namespace

TEST(VectorWriters, NumbersAreWrittenToAThousandthWithoutTrailingZeros) {
    const struct {
        double x0, y0, x1, y1;
        const char* path;
    } cases[] = {
        {0, 0, 10, 20, "M 0 0 L 10 0 L 10 20 L 0 20 Z"},
        {-0.5, 0.25, 1.125, 3.0004, "M -0.5 0.25 L 1.125 0.25 L 1.125 3 L -0.5 3 Z"},
        {-0.0004, 1234567.0015, 7.1, 9.999, "M 0 1234567.002 L 7.1 1234567.002 L 7.1 9.999 L 0"},
    };
    for (const auto& c : cases) {
        const std::string svg = SvgDocument(Square(c.x0, c.y0, c.x1, c.y1));
        EXPECT_NE(svg.find(c.path), std::string::npos) << svg;
    }
    // The EPS bounding box holds the picture in whole points; its paths start at the corner.
    const std::string eps = EpsDocument(Square(100, 200, 1100, 700));
    EXPECT_NE(eps.find("%%BoundingBox: 0 0 72 36\n"), std::string::npos) << eps;
    EXPECT_NE(eps.find("0 0 m 1000 0 l 1000 500 l 0 500 l h\nfill"), std::string::npos) << eps;
}

TEST(VectorWriters, APdfOfManyPagesEndsWithItsTableWhereTheTrailerSays) {
    std::string pdf;
    CPdfWriter writer([&pdf](std::string_view bytes) {
        pdf += bytes;
        return true;
    });
    const CVectorPicture square = Square(0, 0, 100, 100);
    for (int page = 0; page < 3; ++page) {
        writer.BeginPage(8500, 11000);
        writer.Place(square, 1000 * page, 500);
        writer.EndPage();
    }
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(writer.Pages(), 3);
    const std::size_t start = pdf.rfind("startxref\n");
    ASSERT_NE(start, std::string::npos);
    const std::size_t table = std::stoul(pdf.substr(start + 10));
    EXPECT_EQ(pdf.compare(table, 4, "xref"), 0);
    EXPECT_NE(pdf.find("/Type /Pages /Count 3"), std::string::npos);
    // A sink that fails stops the document, and Finish says so.
    CPdfWriter failing([](std::string_view) { return false; });
    failing.BeginPage(100, 100);
    failing.EndPage();
    EXPECT_FALSE(failing.Finish());
}

TEST(VectorSurface, ALinesCharactersMissingFromItsFamilyComeFromAFallbackFace) {
    TempEnv env;
    CFontLocator fonts;
    CUnicodeText& unicode = fonts.Unicode();
    const std::optional<CUnicodeFace> family =
        unicode.Select("Liberation Sans", false, false, 100) ? unicode.FaceOf(U'A') : std::nullopt;
    const std::optional<CUnicodeFace> cjk = unicode.FaceOf(U'東');
    if (!family || !cjk || cjk->file == family->file)
        GTEST_SKIP() << "no face with the family and no other for Chinese";
    const std::unique_ptr<CBarcode> symbol = CreateBarcode("C128Barcode");
    symbol->SetData("LINE-1");
    CLabelContent label = CLabelContent::Of(symbol.get(), {0, false});
    label.lines.push_back({"A", "Liberation Sans"});
    const std::size_t latin = BlackPoints(RecordLabelPicture(label, fonts));
    label.lines.back().text = "A東京";
    const std::size_t chinese = BlackPoints(RecordLabelPicture(label, fonts));
    // Two Chinese characters have far more outline points than the bars or the letter.
    EXPECT_GT(chinese, latin + 40);
}
