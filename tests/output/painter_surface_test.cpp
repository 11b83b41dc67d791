#include "engine/primitives.h"
#include "output/painter_surface.h"
#include "tests/support/settings_fixture.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Draws into a white greyscale image with 1000 logical units per `dpi` pixels, the logical
// origin at `origin` pixels.
QImage Paint(QSize size, int dpi, QPoint origin,
             const std::function<void(CPainterSurface&)>& draw) {
    QImage img(size, QImage::Format_Grayscale8);
    img.fill(Qt::white);
    QPainter painter(&img);
    CPainterSurface s(painter);
    s.SetWindowExt({1000, 1000});
    s.SetViewportExt({dpi, dpi});
    s.SetViewportOrg({origin.x(), origin.y()});
    draw(s);
    return img;
}

bool Black(const QImage& img, int x, int y) {
    return qGray(img.pixel(x, y)) < 128;
}

// Runs of equal colour along a row: (black?, length).
std::vector<std::pair<bool, int>> Runs(const QImage& img, int y) {
    std::vector<std::pair<bool, int>> runs;
    for (int x = 0; x < img.width(); ++x) {
        const bool b = Black(img, x, y);
        if (runs.empty() || runs.back().first != b)
            runs.push_back({b, 1});
        else
            ++runs.back().second;
    }
    return runs;
}

} // namespace

class PainterSurfaceTest : public SettingsTest {};

TEST_F(PainterSurfaceTest, EqualWidthsGiveEqualPixelsWithoutSeamsOrOverlap) {
    // X = 7 mils at 300 dpi is 2.1 pixels: every element must be 2 or 3 pixels, and the
    // elements must tile the row exactly.
    SetDensityRatio(7, 25);
    const std::string pattern = "bsbbssbsbsbbbsssbsbsbsbsbbsbsbsbsbbbbsbsbsbsbsssbsbsbsb";
    const QImage img = Paint({200, 20}, 300, {10, 0}, [&](CPainterSurface& s) {
        CPoint pos{0, 0};
        engine::DrawModules(s, pattern, pos, 50, 0);
    });
    const auto runs = Runs(img, 5);
    // Leading margin, then the pattern's runs.
    ASSERT_GE(runs.size(), 3u);
    int modules = 0, pixels = 0;
    size_t i = 1;
    for (size_t m = 0; m < pattern.size(); ++i) {
        ASSERT_LT(i, runs.size());
        size_t n = 0;
        while (m + n < pattern.size() && pattern[m + n] == pattern[m])
            ++n;
        EXPECT_EQ(runs[i].first, pattern[m] == 'b');
        const double exact = n * 2.1;
        EXPECT_GE(runs[i].second, static_cast<int>(exact)) << "run " << i;
        EXPECT_LE(runs[i].second, static_cast<int>(exact) + 1) << "run " << i;
        modules += static_cast<int>(n);
        pixels += runs[i].second;
        m += n;
    }
    // The edges go through one rounding rule, so the total is the rounded total.
    EXPECT_NEAR(pixels, modules * 2.1, 1.0);
}

TEST_F(PainterSurfaceTest, OddWidthBarCoversItsElementInEveryOrientation) {
    // One logical unit per pixel. A 7-wide, 30-long bar at running position 20 covers [20, 27)
    // across when the symbol advances to +x or +y, and [13, 20) when it advances to -x or -y.
    const struct {
        int orientation;
        CPoint at;
        QRect covered;
    } cases[] = {
        {0, {20, 10}, QRect(QPoint(20, 10), QPoint(26, 39))},
        {1, {10, 20}, QRect(QPoint(10, 13), QPoint(39, 19))},
        {2, {20, 40}, QRect(QPoint(13, 10), QPoint(19, 39))},
        {3, {40, 20}, QRect(QPoint(10, 20), QPoint(39, 26))},
    };
    for (const auto& c : cases) {
        const QImage img = Paint({60, 60}, 1000, {0, 0}, [&](CPainterSurface& s) {
            engine::DrawBar(s, c.at, 30, 7, c.orientation);
        });
        QRect box;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x)
                if (Black(img, x, y)) box |= QRect(x, y, 1, 1);
        EXPECT_EQ(box, c.covered) << "orientation " << c.orientation;
    }
}

TEST_F(PainterSurfaceTest, OpaqueTextCellStartsAtTheReferencePointInEveryOrientation) {
    // A black field with text drawn at (300, 300): the white cell must lie in the quadrant the
    // escapement turns it to, starting at the reference point.
    const struct {
        int escapement;
        int dx, dy; // the quadrant: sign of the cell's extent along x and y
    } cases[] = {{0, 1, 1}, {900, 1, -1}, {1800, -1, -1}, {-900, -1, 1}};
    for (const auto& c : cases) {
        CSize extent;
        const QImage img = Paint({600, 600}, 1000, {0, 0}, [&](CPainterSurface& s) {
            s.DrawLine({0, 300}, {600, 300}, 600); // fills the field black
            s.SetBkModeOpaque(true);
            s.SelectFont({"Courier New", 40, 400, c.escapement});
            extent = s.GetTextExtent("WIDE TEXT");
            s.TextOut({300, 300}, "WIDE TEXT");
            s.RestoreFont();
        });
        int minX = 600, minY = 600, maxX = -1, maxY = -1;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 600; ++x)
                if (!Black(img, x, y)) {
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
        ASSERT_GE(maxX, 0) << "no text cell for escapement " << c.escapement;
        const bool upright = c.escapement == 0 || c.escapement == 1800;
        const int w = upright ? extent.cx : extent.cy, h = upright ? extent.cy : extent.cx;
        // The cell's corner at the reference point, within a pixel.
        EXPECT_NEAR(c.dx > 0 ? minX : maxX + 1, 300, 1) << c.escapement;
        EXPECT_NEAR(c.dy > 0 ? minY : maxY + 1, 300, 1) << c.escapement;
        EXPECT_NEAR(maxX + 1 - minX, w, 2) << c.escapement;
        EXPECT_NEAR(maxY + 1 - minY, h, 2) << c.escapement;
    }
}

TEST_F(PainterSurfaceTest, CourierNewMeasuresAsAFixedPitchFace) {
    // Resolved through fontconfig to a metric-compatible face: 0.6 em per character.
    QImage img(10, 10, QImage::Format_Grayscale8);
    QPainter painter(&img);
    CPainterSurface s(painter);
    s.SetWindowExt({1000, 1000});
    s.SetViewportExt({1000, 1000});
    s.SelectFont({"Courier New", 111, 400, 0});
    const CSize size = s.GetTextExtent("HALVERN");
    EXPECT_NEAR(size.cx, 7 * 66.6, 8);
    EXPECT_GE(size.cy, 111);
    EXPECT_LE(size.cy, 140);
    // Escapement does not change the measured extent.
    s.SelectFont({"Courier New", 111, 400, 900});
    EXPECT_EQ(s.GetTextExtent("HALVERN"), size);
}
