// Bars on the one-bit surface: grid bars and matrix cells on whole device dots in each direction
// of advance, with and without a bar-width reduction, read back by a real reader; bars at the
// image's edges.
#include "engine/barcode.h"
#include "engine/primitives.h"
#include "render/mono_surface.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/recording_surface.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1; // [x0, x1) × [y0, y1); empty: x1 < 0
    int black = 0;
    friend bool operator==(const Box& a, const Box& b) {
        return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
    }
};

// The box around the black pixels, and how many there are.
Box BlackBox(const MonoImage& image) {
    Box box;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (!image.IsWhite(x, y)) {
                box.x0 = std::min(box.x0, x), box.y0 = std::min(box.y0, y);
                box.x1 = std::max(box.x1, x + 1), box.y1 = std::max(box.y1, y + 1);
                ++box.black;
            }
    return box;
}

// 1000 logical units per inch at `dpi` across and `dpiY` down, the origins together.
void MapAt(CMonoSurface& surface, int dpi, int dpiY) {
    surface.SetWindowExt({1000, 1000});
    surface.SetViewportExt({dpi, dpiY});
}

} // namespace

TEST(MonoSurface, GridBarsAndCellsCoverTheirDotsFromTheStartEdgesInEveryOrientation) {
    // 300 dpi. The start (335, 398) lies at device (100.5, 119.4): its edges are x 101, y 119.
    // A bar: dots 3 to 7, from 100 units along the bar for 200 units. Cells: dots 3 to 7 along
    // the advance, rows 10 to 12 along the bars. A reduction narrows either at its far end along
    // the advance.
    const CPoint start{335, 398};
    const struct {
        bool cells;
        int orientation;
        int reduction;
        Box expected;
    } cases[] = {
        // Advancing +x, bars down: x in [101 + 3, 101 + 7), y from 149.4 to 209.4.
        {false, 0, 0, {104, 149, 108, 209}},
        {false, 0, 1, {104, 149, 107, 209}},
        {false, 0, 9, {104, 149, 105, 209}}, // never narrower than a dot
        // Advancing -y, bars right: y in [119 - 7, 119 - 3), x from 130.5 to 190.5.
        {false, 1, 0, {131, 112, 191, 116}},
        {false, 1, 1, {131, 113, 191, 116}},
        {false, 1, 9, {131, 115, 191, 116}},
        // Advancing -x, bars up: x in [101 - 7, 101 - 3), y from 89.4 to 29.4.
        {false, 2, 0, {94, 29, 98, 89}},
        {false, 2, 1, {95, 29, 98, 89}},
        {false, 2, 9, {97, 29, 98, 89}},
        // Advancing +y, bars left: y in [119 + 3, 119 + 7), x from 70.5 to 10.5.
        {false, 3, 0, {11, 122, 71, 126}},
        {false, 3, 1, {11, 122, 71, 125}},
        {false, 3, 9, {11, 122, 71, 123}},
        // Cells: the rows counted from the start's edge the way the bars run.
        {true, 0, 0, {104, 129, 108, 131}}, // y in [119 + 10, 119 + 12)
        {true, 0, 1, {104, 129, 107, 131}},
        {true, 1, 0, {111, 112, 113, 116}}, // x in [101 + 10, 101 + 12)
        {true, 1, 1, {111, 113, 113, 116}},
        {true, 2, 0, {94, 107, 98, 109}}, // y in [119 - 12, 119 - 10)
        {true, 2, 1, {95, 107, 98, 109}},
        {true, 3, 0, {89, 122, 91, 126}}, // x in [101 - 12, 101 - 10)
        {true, 3, 1, {89, 122, 91, 125}},
    };
    for (const auto& c : cases) {
        MonoImage image;
        ASSERT_TRUE(image.Allocate(300, 300));
        CMonoSurface surface(image, 300);
        MapAt(surface, 300, 300);
        surface.SetBarWidthReduction(c.reduction);
        EXPECT_EQ(surface.GridDotsPerInch(c.orientation), 300);
        if (c.cells)
            surface.DrawGridCells(start, c.orientation, 3, 7, 10, 12);
        else
            surface.DrawGridBar(start, c.orientation, 3, 7, 100, 200);
        const Box box = BlackBox(image);
        EXPECT_EQ(box, c.expected)
            << (c.cells ? "cells" : "bar") << ", orientation " << c.orientation << " reduction "
            << c.reduction << ": " << box.x0 << "," << box.y0 << " " << box.x1 << "," << box.y1;
        EXPECT_EQ(box.black, (box.x1 - box.x0) * (box.y1 - box.y0)) << "not one solid rectangle";
    }
}

TEST(MonoSurface, GridResolutionFollowsTheMappingAlongTheAdvance) {
    MonoImage image;
    ASSERT_TRUE(image.Allocate(8, 8));
    CMonoSurface surface(image, 96);
    MapAt(surface, 300, 600);
    EXPECT_EQ(surface.GridDotsPerInch(0), 300); // advancing along x
    EXPECT_EQ(surface.GridDotsPerInch(2), 300);
    EXPECT_EQ(surface.GridDotsPerInch(1), 600); // advancing along y
    EXPECT_EQ(surface.GridDotsPerInch(3), 600);
    surface.SetWindowExt({0, 0}); // no mapping at all
    EXPECT_EQ(surface.GridDotsPerInch(0), 0);
}

class MonoSurfaceScan : public SettingsTest {};

TEST_F(MonoSurfaceScan, SymbolDrawnOnTheGridReadsBackInEveryOrientation) {
    // Code 128's bars as the engine lays them out, each put on whole dots (X = 10 mils: 3 dots
    // at 300 dpi, 6 at 600) and drawn as grid bars, made narrower or not, then read by a real
    // reader.
    auto bc = CreateBarcode("C128Barcode");
    ASSERT_NE(bc, nullptr);
    bc->SetData("HALVERN 128");
    const CPoint start{1700, 1700};
    for (int orientation = 0; orientation < 4; ++orientation) {
        RecordingSurface recorder;
        CPoint pos = start;
        bc->Draw(recorder, pos, 500, false, orientation);
        const std::vector<BarSpan> bars = recorder.Bars(orientation);
        ASSERT_FALSE(bars.empty());
        for (auto [dpi, reduction] : {std::pair{300, 0}, std::pair{300, 1}, std::pair{600, 2}}) {
            MonoImage image;
            ASSERT_TRUE(image.Allocate(dpi * 34 / 10, dpi * 34 / 10));
            CMonoSurface surface(image, dpi);
            MapAt(surface, dpi, dpi);
            surface.SetBarWidthReduction(reduction);
            // Distance from the start along the advance, in mils, then in dots.
            const int sign = orientation == 0 || orientation == 3 ? 1 : -1;
            const int origin = orientation % 2 == 0 ? start.x : start.y;
            const auto dot = [dpi](int mils) {
                return static_cast<int>(std::lround(mils * dpi / 1000.0));
            };
            // Code 128 draws a module at a time: neighbouring modules make one bar.
            std::vector<std::pair<int, int>> dots;
            for (const BarSpan& b : bars) {
                const int d0 = (b.lo - origin) * sign, d1 = (b.hi - origin) * sign;
                dots.emplace_back(dot(std::min(d0, d1)), dot(std::max(d0, d1)));
            }
            std::sort(dots.begin(), dots.end());
            for (std::size_t i = 0; i < dots.size();) {
                std::size_t j = i + 1;
                int to = dots[i].second;
                for (; j < dots.size() && dots[j].first <= to; ++j)
                    to = std::max(to, dots[j].second);
                surface.DrawGridBar(start, orientation, dots[i].first, to, 0, 500);
                i = j;
            }
            const GreyscaleImage grey = ToGreyscale(image);
            const ScanResult r = ScanGrey(grey.pixels.data(), grey.width, grey.height, grey.width);
            EXPECT_TRUE(r.ok) << "orientation " << orientation << " reduction " << reduction
                              << " dpi " << dpi;
            EXPECT_EQ(r.text, "HALVERN 128")
                << "orientation " << orientation << " reduction " << reduction;
        }
    }
}

TEST(MonoSurface, BarsAreClippedToTheImageAndNeverThinnerThanAPixel) {
    const struct {
        CPoint from, to;
        int width;
        Box expected;
    } cases[] = {
        // One unit per pixel. A bar from far outside on every side: the whole image.
        {{5, -2000000000}, {5, 2000000000}, 2000000000, {0, 0, 10, 10}},
        // Hanging over the left and top edges.
        {{-3, -4}, {-3, 3}, 8, {0, 0, 1, 3}},
        {{4, 2}, {4, 6}, 0, {}},   // a zero-width pen draws nothing
        {{9, 9}, {9, 9}, 3, {}},   // nor does a line without length
        {{20, 2}, {20, 6}, 4, {}}, // wholly outside
    };
    for (const auto& c : cases) {
        MonoImage image;
        ASSERT_TRUE(image.Allocate(10, 10));
        CMonoSurface surface(image, 1000);
        MapAt(surface, 1000, 1000);
        surface.DrawLine(c.from, c.to, c.width);
        EXPECT_EQ(BlackBox(image), c.expected)
            << c.from.x << "," << c.from.y << " width " << c.width;
    }
    // At 100 dpi a 3-mil bar is 0.3 pixels: one pixel column all the same.
    MonoImage image;
    ASSERT_TRUE(image.Allocate(10, 10));
    CMonoSurface surface(image, 100);
    MapAt(surface, 100, 100);
    surface.DrawLine({41, 0}, {41, 100}, 3);
    EXPECT_EQ(BlackBox(image), (Box{4, 0, 5, 10}));
    // A surface on an image without pixels draws nothing and does not fail.
    MonoImage empty;
    CMonoSurface none(empty, 300);
    none.DrawLine({0, 0}, {0, 100}, 10);
    none.DrawGridBar({0, 0}, 0, 0, 5, 0, 100);
    none.DrawGridCells({0, 0}, 0, 0, 5, 0, 5);
}
