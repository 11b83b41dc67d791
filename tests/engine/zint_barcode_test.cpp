// The encoder's symbologies in the engine: where the modules go in every orientation, with and
// without a device grid; what CheckData says of data no symbol holds; the options as new
// symbols take them, as files hold them (those of earlier versions included) and as they are
// drawn; the table's rows.
#include "common/latin1.h"
#include "engine/extent.h"
#include "engine/symbologies.h"
#include "engine/zint_barcode.h"
#include "engine/zint_options.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/recording_surface.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <string>

namespace {

// A recording surface on a device grid of 300 dpi across and 600 down, drawn through the
// surface's default grid cells (whole dots turned into the nearest logical units).
class GridRecordingSurface : public RecordingSurface {
public:
    int GridDotsPerInch(int orientation) const override { return orientation % 2 == 0 ? 300 : 600; }
};

// Distances from the start `s` in the direction orientation `d` advances (0: +x, 1: -y, 2: -x,
// 3: +y); the bars of orientation o run the way orientation o + 3 advances.
int Along(CPoint p, CPoint s, int d) {
    switch (d % 4) {
    case 0:
        return p.x - s.x;
    case 1:
        return s.y - p.y;
    case 2:
        return s.x - p.x;
    default:
        return p.y - s.y;
    }
}
struct Span {
    int lo, hi;
};
// The coordinates lo..hi on the axis of direction d, as distances from the start.
Span Along(int lo, int hi, CPoint s, int d) {
    const CPoint a{lo, lo}, b{hi, hi};
    const int u = Along(a, s, d), v = Along(b, s, d);
    return {std::min(u, v), std::max(u, v)};
}
int U(CPoint p, CPoint s, int o) {
    return Along(p, s, o);
}
int V(CPoint p, CPoint s, int o) {
    return Along(p, s, o + 3);
}

// The logical position of k dots at `dpi` (no grid: k mils), as the drawing rounds it.
int Logical(int k, int dpi) {
    return dpi == 0 ? k : static_cast<int>((static_cast<long long>(k) * 1000 + dpi / 2) / dpi);
}

} // namespace

class MatrixCodesTest : public SettingsTest {};

// Every run of dark modules (repeated unchanged in the rows below: one rectangle) is one line,
// on whole modules from the start corner of the quiet zone: X mils each without a grid, whole
// dots on a grid (round(X × dpi / 1000) along each axis at its own resolution). Put back
// together the runs give the encoder's modules upright in every orientation; a 2D symbol has
// no text.
TEST_F(MatrixCodesTest, RunsLieOnWholeModulesAndRebuildTheMatrixInEveryOrientation) {
    SetDensityRatio(13, 25);
    for (const char* name :
         {"CQRBarcode", "CDataMatrixBarcode", "CAztecBarcode", "CRMQRBarcode", "CHanXinBarcode"}) {
        for (const bool grid : {false, true}) {
            for (int o = 0; o < 4; ++o) {
                SCOPED_TRACE(std::string(name) + (grid ? " on a grid" : "") + ", orientation " +
                             std::to_string(o));
                auto bc = CreateBarcode(name);
                ASSERT_NE(bc, nullptr);
                bc->SetData("Halvern 2026");
                const auto symbol = static_cast<const CZintBarcode&>(*bc).Encoded();
                ASSERT_TRUE(symbol->Ok());
                const struct {
                    int rows, cols;
                    const std::vector<std::uint8_t>& dark;
                } m{symbol->rows, symbol->width, symbol->dark};
                const int q = bc->GetQuietModules();
                // Dots per inch along the advance and along the bars, and a module in dots.
                const int dpiU = grid ? (o % 2 == 0 ? 300 : 600) : 0;
                const int dpiV = grid ? (o % 2 == 0 ? 600 : 300) : 0;
                const int a = grid ? static_cast<int>(std::lround(13 * dpiU / 1000.0)) : 13;
                const int b = grid ? static_cast<int>(std::lround(13 * dpiV / 1000.0)) : 13;

                GridRecordingSurface gridSurface;
                RecordingSurface plain;
                RecordingSurface& surface = grid ? gridSurface : plain;
                const CPoint start{40000, 50000};
                CPoint origin = start;
                bc->Draw(surface, origin, 750, true, o);

                std::vector<std::uint8_t> rebuilt(m.dark.size(), 0);
                for (const BarSpan& bar : surface.Bars(o)) {
                    const Span u = Along(bar.lo, bar.hi, start, o);
                    const Span v = Along(bar.alongLo, bar.alongHi, start, o + 3);
                    // The module counts these positions stand for, and that they are exact.
                    const int c0 = static_cast<int>(
                        std::lround(grid ? u.lo * dpiU / 1000.0 / a : u.lo / double(a)));
                    const int c1 = static_cast<int>(
                        std::lround(grid ? u.hi * dpiU / 1000.0 / a : u.hi / double(a)));
                    const int r0 = static_cast<int>(
                        std::lround(grid ? v.lo * dpiV / 1000.0 / b : v.lo / double(b)));
                    const int r1 = static_cast<int>(
                        std::lround(grid ? v.hi * dpiV / 1000.0 / b : v.hi / double(b)));
                    ASSERT_EQ(u.lo, Logical(c0 * a, dpiU));
                    ASSERT_EQ(u.hi, Logical(c1 * a, dpiU));
                    ASSERT_EQ(v.lo, Logical(r0 * b, dpiV));
                    ASSERT_EQ(v.hi, Logical(r1 * b, dpiV));
                    ASSERT_GE(c0, q);
                    ASSERT_LE(c1, q + m.cols);
                    ASSERT_GE(r0, q);
                    ASSERT_LE(r1, q + m.rows);
                    for (int r = r0; r < r1; ++r)
                        for (int c = c0; c < c1; ++c) {
                            std::uint8_t& cell =
                                rebuilt[static_cast<std::size_t>(r - q) * m.cols + (c - q)];
                            ASSERT_EQ(cell, 0) << "drawn twice";
                            cell = 1;
                        }
                }
                EXPECT_EQ(rebuilt, m.dark);
                // Past the quiet zone after the last column.
                EXPECT_EQ(U(origin, start, o), Logical((m.cols + 2 * q) * a, dpiU));
                EXPECT_EQ(V(origin, start, o), 0);

                EXPECT_TRUE(surface.Texts().empty());
            }
        }
    }
}

// What the user is told when no symbol holds the data; nothing is drawn for it.
TEST_F(MatrixCodesTest, CheckDataSaysWhyNoSymbolHoldsTheData) {
    // QR Code at level H holds 3057 digits, at L 7089; Data Matrix holds 3116 digits square,
    // 98 rectangular.
    const std::string digits5000(5000, '7'), digits8000(8000, '7'), digits200(200, '7');
    const struct {
        const char* className;
        int choice;
        std::string typed;
        const char* change; // empty: the symbol carries the data
    } cases[] = {
        {"CQRBarcode", 3, "Halvern 2026", ""},
        {"CQRBarcode", 3, digits5000,
         "the data is too long for a QR Code at error-correction "
         "level H (level M holds it)"},
        {"CQRBarcode", 1, digits8000,
         "the data is too long for a QR Code at error-correction "
         "level M or any lower level"},
        {"CQRBarcode", 0, digits8000,
         "the data is too long for a QR Code at error-correction level L"},
        {"CQRBarcode", 1, "", "there is no data to encode"},
        {"CDataMatrixBarcode", 0, "Halvern 2026", ""},
        {"CDataMatrixBarcode", 1, digits200,
         "the data is too long for a rectangular Data Matrix (a square one holds it)"},
        {"CDataMatrixBarcode", 0, digits5000, "the data is too long for any Data Matrix"},
        {"CDataMatrixBarcode", 1, "", "there is no data to encode"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.className) + " choice " + std::to_string(c.choice) + ", " +
                     std::to_string(c.typed.size()) + " characters");
        auto bc = CreateBarcode(c.className);
        bc->SetOptionValue(c.choice);
        const CBarcode::CDataCheck check = bc->CheckData(c.typed);
        EXPECT_EQ(check.input, c.typed);
        EXPECT_EQ(MessageText(check.change), c.change);
        // Read back: the data itself, or nothing when no symbol is drawn.
        EXPECT_EQ(check.reads, check.change.empty() ? c.typed : "");
        bc->SetData(c.typed);
        EXPECT_EQ(bc->m_strData, c.typed); // kept as typed, never changed silently
        RecordingSurface surface;
        CPoint origin{0, 0};
        bc->Draw(surface, origin, 750, true, 0);
        EXPECT_EQ(surface.calls.empty(), !check.change.empty());
        EXPECT_EQ(bc->GetWidth() == 0, !check.change.empty());
    }
}

// New symbols take the choice from the Options; a file may hold any value, which is kept as it
// is and drawn as the default; the toolbar's choice takes only values the lists offer.
TEST_F(MatrixCodesTest, ChoiceComesFromTheOptionsAndAnyStoredValueIsKept) {
    const struct {
        const char* className;
        const IntSetting& setting;
        std::size_t choices;
    } cases[] = {{"CQRBarcode", settings::kQrErrorCorrection, 4},
                 {"CDataMatrixBarcode", settings::kDataMatrixShape, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        auto fresh = CreateBarcode(c.className);
        ASSERT_NE(fresh->GetOption(), nullptr);
        EXPECT_EQ(fresh->GetOption()->choices.size(), c.choices);
        EXPECT_EQ(fresh->GetOption()->preset, &c.setting);
        EXPECT_EQ(fresh->GetOptionValue(), c.setting.def);
        ASSERT_TRUE(settings::Set(c.setting, static_cast<int>(c.choices) - 1));
        auto later = CreateBarcode(c.className);
        EXPECT_EQ(later->GetOptionValue(), static_cast<int>(c.choices) - 1);

        later->SetOptionValue(static_cast<int>(c.choices)); // not offered: nothing changes
        later->SetOptionValue(-1);
        EXPECT_EQ(later->GetOptionValue(), static_cast<int>(c.choices) - 1);

        // A file's out-of-range value survives a load and a store, and draws as the default.
        later->SetData("Halvern 2026");
        later->SetOptionValue(c.setting.def);
        const auto asDefault = static_cast<const CZintBarcode&>(*later).Encoded();
        auto bytes = StoreObject(*later);
        auto odd = CreateBarcode(c.className);
        ASSERT_EQ(odd->FindOption(odd->GetOption()->key), 0);
        // The options follow the legacy choice as (count, key, value) from the end: the first
        // option's value is the last int32 of its pair, found by its key.
        const std::string key = odd->GetOption()->key;
        const auto at = std::search(bytes.begin(), bytes.end(), key.begin(), key.end());
        ASSERT_NE(at, bytes.end());
        at[static_cast<std::ptrdiff_t>(key.size())] = 0x39; // 57
        auto loaded = LoadBarcode(bytes);
        EXPECT_EQ(StoreObject(*loaded), bytes);
        EXPECT_EQ(loaded->GetOptionValue(), c.setting.def);
        EXPECT_EQ(static_cast<const CZintBarcode&>(*loaded).Encoded()->dark, asDefault->dark);
    }
    EXPECT_EQ(CreateBarcode("C128Barcode")->GetOption(), nullptr);
}

// A document of an earlier version holds QR Code's level or Data Matrix's shape as the last
// field and its data as Latin-1: it opens with that choice and the same characters (held as
// UTF-8 now), and is stored again in the form that names its options.
TEST_F(MatrixCodesTest, DocumentsOfEarlierVersionsOpenWithTheirChoiceAndText) {
    for (const auto& [className, choice] :
         {std::pair{"CQRBarcode", 3}, std::pair{"CDataMatrixBarcode", 1}}) {
        SCOPED_TRACE(className);
        std::vector<std::uint8_t> bytes;
        CArchive ar(bytes);
        ar.WriteUInt16(CArchive::kNewClassTag);
        ar.WriteUInt16(256);
        const std::string name = className;
        ar.WriteUInt16(static_cast<std::uint16_t>(name.size()));
        ar.WriteBytes(name.data(), name.size());
        ar << std::string("Gr\xFC\xDF"
                          "e 2026")
           << std::string("Arial") << std::int32_t{8} << std::int32_t{750} << std::int32_t{0}
           << std::int32_t{choice};
        auto loaded = LoadBarcode(bytes);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->m_strData, "Grüße 2026");
        EXPECT_EQ(loaded->GetOptionValue(), choice);
        const auto again = LoadBarcode(StoreObject(*loaded));
        EXPECT_EQ(again->m_strData, "Grüße 2026");
        EXPECT_EQ(again->GetOptionValue(), choice);
        EXPECT_TRUE(static_cast<const CZintBarcode&>(*again).Encoded()->Ok());
    }
}

// The encoder numbers Data Matrix's sizes 1 to 48; the Size list names each by what it makes.
TEST_F(MatrixCodesTest, DataMatrixSizeChoicesAreTheSizesTheEncoderMakes) {
    auto bc = CreateBarcode("CDataMatrixBarcode");
    const int size = bc->FindOption("size");
    ASSERT_GE(size, 0);
    const auto& choices = bc->GetOptions()[static_cast<std::size_t>(size)].choices;
    ASSERT_EQ(choices.size(), 49u);
    bc->SetData("1");
    for (int n = 1; n <= 48; ++n) {
        bc->SetOptionValue(static_cast<std::size_t>(size), n);
        const auto symbol = static_cast<const CZintBarcode&>(*bc).Encoded();
        ASSERT_TRUE(symbol->Ok()) << n;
        EXPECT_EQ(std::to_string(symbol->rows) + " x " + std::to_string(symbol->width),
                  choices[static_cast<std::size_t>(n)]);
        EXPECT_EQ(DataMatrixSizeOf(n).rows, symbol->rows);
    }
}

// One row per symbology: every name and command is its own, every class is found by its name,
// every row of the encoder makes a symbol of ordinary data, and every option's key is unique
// within its row.
TEST_F(MatrixCodesTest, EveryRowOfTheTableIsItsOwnAndDraws) {
    std::set<std::string> names, cliNames;
    std::set<int> commands;
    for (const SymbologyInfo& s : Symbologies()) {
        SCOPED_TRACE(s.listName);
        EXPECT_TRUE(names.insert(s.listName).second);
        EXPECT_TRUE(cliNames.insert(s.cliName).second);
        EXPECT_TRUE(commands.insert(s.command).second);
        EXPECT_EQ(CRuntimeClass::FromName(s.cls->m_lpszClassName), s.cls);
        EXPECT_NE(std::string(s.help), "");
        auto bc = CreateBarcode(s.cls);
        ASSERT_NE(bc, nullptr);
        std::set<std::string> keys;
        for (const CBarcode::COption& o : bc->GetOptions())
            EXPECT_TRUE(keys.insert(o.key).second) << o.key;
    }
    EXPECT_GE(Symbologies().size(), 50u);
}

// A 2D symbol has no text line, shown or not: what it draws, and so the size read-out, images
// and pictures, is the symbol with its quiet zone, whatever its data (2,700 digits of Data
// Matrix are a square of 1.44 inches at X = 10 mil, not a line of 180 inches).
TEST_F(MatrixCodesTest, A2DSymbolDrawsNoTextAndMeasuresAsTheSymbol) {
    SetDensityRatio(10, 25);
    for (const char* name :
         {"CDataMatrixBarcode", "CQRBarcode", "CPDF417Barcode", "CAztecBarcode"}) {
        SCOPED_TRACE(name);
        auto bc = CreateBarcode(name);
        bc->SetData(std::string(2700, '7'));
        EXPECT_FALSE(bc->HasText());
        RecordingSurface like;
        const CDrawnExtent shown = MeasureDrawnExtent(*bc, like, 750, true, 0);
        const CDrawnExtent hidden = MeasureDrawnExtent(*bc, like, 750, false, 0);
        EXPECT_EQ(shown.marks.Width(), hidden.marks.Width());
        EXPECT_EQ(shown.marks.Height(), hidden.marks.Height());
        EXPECT_NEAR(shown.marks.Width(), bc->GetWidth(), 1.0);
        RecordingSurface surface;
        CPoint origin{0, 0};
        bc->Draw(surface, origin, 750, true, 0);
        EXPECT_TRUE(surface.Texts().empty());
    }
    auto dm = CreateBarcode("CDataMatrixBarcode");
    dm->SetData(std::string(2700, '7'));
    RecordingSurface like;
    const CDrawnExtent e = MeasureDrawnExtent(*dm, like, 750, true, 0);
    EXPECT_EQ(e.marks.Width(), (144 + 2) * 10); // 144 modules and one on either side
    EXPECT_EQ(e.marks.Height(), (144 + 2) * 10);
}
