// QR Code and Data Matrix in the engine: where the modules and the text go in every orientation,
// with and without a device grid; what CheckData says of data no symbol holds; the choice of
// each (level, shape) as new symbols take it, as files hold it and as it is drawn.
#include "engine/matrix_codes.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/recording_surface.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
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

// Every run of dark modules is one line, on whole modules from the start corner of the quiet
// zone: X mils each without a grid, whole dots on a grid (round(X × dpi / 1000) along each
// axis at its own resolution). Put back together the runs give the encoder's matrix upright in
// every orientation, and the text lies below the quiet zone, centred on the modules.
TEST_F(MatrixCodesTest, RunsLieOnWholeModulesAndRebuildTheMatrixInEveryOrientation) {
    SetDensityRatio(13, 25);
    for (const char* name : {"CQRBarcode", "CDataMatrixBarcode"}) {
        for (const bool grid : {false, true}) {
            for (int o = 0; o < 4; ++o) {
                SCOPED_TRACE(std::string(name) + (grid ? " on a grid" : "") + ", orientation " +
                             std::to_string(o));
                auto bc = CreateBarcode(name);
                ASSERT_NE(bc, nullptr);
                bc->SetData("Halvern 2026");
                const engine::CModuleMatrix m = static_cast<CMatrixBarcode&>(*bc).Encode();
                ASSERT_FALSE(m.Empty());
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
                    const int r = static_cast<int>(
                        std::lround(grid ? v.lo * dpiV / 1000.0 / b : v.lo / double(b)));
                    ASSERT_EQ(u.lo, Logical(c0 * a, dpiU));
                    ASSERT_EQ(u.hi, Logical(c1 * a, dpiU));
                    ASSERT_EQ(v.lo, Logical(r * b, dpiV));
                    ASSERT_EQ(v.hi, Logical((r + 1) * b, dpiV));
                    ASSERT_GE(c0, q);
                    ASSERT_LE(c1, q + m.cols);
                    ASSERT_GE(r, q);
                    ASSERT_LT(r, q + m.rows);
                    for (int c = c0; c < c1; ++c)
                        rebuilt[static_cast<std::size_t>(r - q) * m.cols + (c - q)] = 1;
                }
                EXPECT_EQ(rebuilt, m.dark);
                // Past the quiet zone after the last column.
                EXPECT_EQ(U(origin, start, o), Logical((m.cols + 2 * q) * a, dpiU));
                EXPECT_EQ(V(origin, start, o), 0);

                const std::vector<RecordedText> texts = surface.Texts();
                ASSERT_EQ(texts.size(), 1u);
                EXPECT_EQ(texts[0].text, "Halvern 2026");
                const int cx =
                    static_cast<int>(texts[0].text.size()) * texts[0].font.height * 6 / 10;
                const int first = Logical(q * a, dpiU), last = Logical((q + m.cols) * a, dpiU);
                EXPECT_EQ(U(texts[0].at, start, o), first + (last - first - cx) / 2);
                EXPECT_EQ(V(texts[0].at, start, o), Logical((m.rows + 2 * q) * b, dpiV));
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
                 {"CDataMatrixBarcode", settings::kDataMatrixShape, 2}};
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
        auto& matrix = static_cast<CMatrixBarcode&>(*later);
        later->SetOptionValue(c.setting.def);
        const engine::CModuleMatrix asDefault = matrix.Encode();
        std::vector<std::uint8_t> bytes = StoreObject(*later);
        bytes[bytes.size() - 4] = 0x39; // the choice is the last field: 57
        auto loaded = LoadBarcode(bytes);
        EXPECT_EQ(StoreObject(*loaded), bytes);
        EXPECT_EQ(loaded->GetOptionValue(), c.setting.def);
        EXPECT_EQ(static_cast<CMatrixBarcode&>(*loaded).Encode().dark, asDefault.dark);
    }
    EXPECT_EQ(CreateBarcode("C128Barcode")->GetOption(), nullptr);
}
