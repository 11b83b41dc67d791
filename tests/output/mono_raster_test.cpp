// The one-bit surface held against the painter's raster (the printer's and the screen's
// surface, drawn into an image): the bars fall on the same pixels, and text lands where the
// painter puts it.
#include "engine/primitives.h"
#include "engine/symbologies.h"
#include "output/painter_surface.h"
#include "output/qimage_mono.h"
#include "output/raster.h"
#include "render/bar_geometry.h"
#include "render/mono_surface.h"
#include "render/symbol_drawing.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/symbology_samples.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

// One sample of data for each symbology, by class name; UPC and EAN put their text line this
// many mils before the end of the bars, the linear others where the bars end, and the matrix
// symbols below their modules' quiet zone (whatever the bar height).
struct Sample {
    const char* data;
    int textRise;
    bool matrix = false;
};
const std::map<std::string, Sample>& Samples() {
    static const std::map<std::string, Sample> samples = {
        {"C39Barcode", {"HALVERN-2026", 0}},
        {"C39Mod43Barcode", {"CODE39", 0}},
        {"C39ExtBarcode", {"Halvern 2026", 0}},
        {"C93Barcode", {"Halvern 93", 0}},
        {"C128Barcode", {"HALVERN 128", 0}},
        {"CI25Barcode", {"0123456789", 0}},
        {"CUPCABarcode", {"03600029145", 60}},
        {"CUPCEBarcode", {"425261", 60}},
        {"CEAN13Barcode", {"590123412345", 60}},
        {"CEAN8Barcode", {"9638507", 60}},
        {"CPostnetBarcode", {"123456789", 0}},
        {"CGS1128Barcode", {"(01)09501101530003(10)ABC123", 0}},
    };
    return samples;
}

// Pixels that differ between the two images, leaving out those `skip` names.
int Differences(const MonoImage& a, const MonoImage& b,
                const std::function<bool(int, int)>& skip = nullptr) {
    if (a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if ((!skip || !skip(x, y)) && a.IsWhite(x, y) != b.IsWhite(x, y)) ++n;
    return n;
}

// The symbol drawn by the painter on its grid into an image of the one-bit path's plan, centred
// by the painter's own measure, as printing draws it.
MonoImage PaintedRaster(const CBarcode& bc, int dpi, const CSymbolView& view) {
    const CSize quiet = bc.GetQuietZones();
    const CImagePlan plan = PlanSymbolImage(MeasureSymbolAt(bc, dpi, view),
                                            std::max(quiet.cx, quiet.cy), view.rotation, dpi);
    QImage grey(static_cast<int>(plan.width), static_cast<int>(plan.height),
                QImage::Format_Grayscale8);
    grey.fill(Qt::white);
    {
        QPainter painter(&grey);
        CPainterSurface surface(painter);
        surface.SetDeviceGrid(true);
        surface.SetWindowExt({1000, 1000});
        surface.SetViewportExt({dpi, dpi});
        surface.SetViewportOrg({grey.width() / 2, grey.height() / 2});
        DrawSymbolCentred(bc, surface, view);
    }
    return MonoImageFromQImage(grey);
}

} // namespace

class MonoRasterTest : public SettingsTest, public ::testing::WithParamInterface<int> {};

TEST_P(MonoRasterTest, LinesFallOnThePaintersPixelsInEveryRotation) {
    const int dpi = GetParam();
    // The encoder's symbologies with their samples: the 2D ones have no text line.
    std::map<std::string, Sample> samples = Samples();
    for (const auto& [name, data] : EncoderSamples()) {
        const SymbologyInfo* info = FindSymbology(CRuntimeClass::FromName(name));
        ASSERT_NE(info, nullptr) << name;
        samples.emplace(name, Sample{data.c_str(), 0, info->zint.shape != ZintShape::Linear});
    }
    for (const SymbologyInfo& info : Symbologies()) {
        const auto sample = samples.find(info.cls->m_lpszClassName);
        ASSERT_NE(sample, samples.end()) << "no sample for " << info.cls->m_lpszClassName;
        auto bc = CreateBarcode(info.cls->m_lpszClassName);
        ASSERT_NE(bc, nullptr);
        bc->SetData(sample->second.data);
        for (int rotation = 0; rotation < 4; ++rotation) {
            for (bool showText : {false, true}) {
                SCOPED_TRACE(std::string(info.cls->m_lpszClassName) + " rotation " +
                             std::to_string(rotation) + (showText ? " text" : ""));
                const CSymbolView view{rotation, showText};
                const MonoImage painted = PaintedRaster(*bc, dpi, view);
                ASSERT_GT(painted.width, 0);
                // The painter's image, mapping and start point (the centre of what it measured),
                // the one-bit surface drawing as DrawSymbolCentred draws.
                MonoImage mono;
                ASSERT_TRUE(mono.Allocate(painted.width, painted.height));
                CMonoSurface surface(mono, dpi);
                surface.SetWindowExt({1000, 1000});
                surface.SetViewportExt({dpi, dpi});
                surface.SetViewportOrg({mono.width / 2, mono.height / 2});
                surface.SetBkModeOpaque(true);
                const CPoint start = CentredStart(MeasureSymbolAt(*bc, dpi, view));
                // Its own measure of the text's ink puts the centre within a pixel of that.
                const CPoint own = CentredStart(MeasureSymbol(*bc, surface, view));
                EXPECT_LE(std::abs(own.x - start.x), 1000 / dpi + 1);
                EXPECT_LE(std::abs(own.y - start.y), 1000 / dpi + 1);
                CPoint at = start;
                bc->Draw(surface, at, bc->GetBarHeightMils(), showText, rotation);
                if (!showText) {
                    EXPECT_EQ(Differences(painted, mono), 0);
                    continue;
                }
                // With text, alike outside the text line, which begins where the bars end (or
                // textRise before) and runs to the end of the image.
                // A matrix symbol's text begins beyond the end of its modules.
                const CExtentRect modules = MeasureSymbolAt(*bc, dpi, {rotation, false}).bars;
                const int matrixEnd = engine::TruncToInt(rotation == 0   ? modules.bottom
                                                         : rotation == 1 ? modules.right
                                                         : rotation == 2 ? -modules.top
                                                                         : -modules.left);
                const CPoint line = engine::AlongBar(
                    start,
                    sample->second.matrix ? matrixEnd
                                          : bc->GetBarHeightMils() - sample->second.textRise,
                    rotation);
                const int lineX = RoundEdge(surface.Mapping().ToDeviceX(line.x));
                const int lineY = RoundEdge(surface.Mapping().ToDeviceY(line.y));
                const auto onTextLine = [&](int x, int y) {
                    switch (rotation) {
                    case 0:
                        return y >= lineY; // bars run down the page
                    case 1:
                        return x >= lineX; // bars run right
                    case 2:
                        return y < lineY;
                    default:
                        return x < lineX;
                    }
                };
                EXPECT_EQ(Differences(painted, mono, onTextLine), 0);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Resolutions, MonoRasterTest, ::testing::Values(150, 300, 600),
                         [](const auto& info) { return std::to_string(info.param) + "dpi"; });

namespace {

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1; // [x0, x1) × [y0, y1); empty: x1 < 0
    void Add(int x, int y) {
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1),
        y1 = std::max(y1, y + 1);
    }
};

// The box of the pixels that are black (or white) in the image.
Box BoxOf(const MonoImage& image, bool black) {
    Box box;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.IsWhite(x, y) != black) box.Add(x, y);
    return box;
}

// Draws on both surfaces with one unit per pixel and the logical origin at (0, 0).
std::pair<MonoImage, MonoImage> DrawOnBoth(int size,
                                           const std::function<void(CMappedSurface&)>& draw) {
    QImage grey(size, size, QImage::Format_Grayscale8);
    grey.fill(Qt::white);
    {
        QPainter painter(&grey);
        CPainterSurface s(painter);
        s.SetWindowExt({1000, 1000});
        s.SetViewportExt({1000, 1000});
        draw(s);
    }
    MonoImage mono;
    mono.Allocate(size, size);
    CMonoSurface s(mono, 1000);
    s.SetWindowExt({1000, 1000});
    s.SetViewportExt({1000, 1000});
    draw(s);
    return {MonoImageFromQImage(grey), std::move(mono)};
}

} // namespace

class MonoTextTest : public SettingsTest {};

TEST_F(MonoTextTest, TextLandsWhereThePainterPutsItInEveryOrientation) {
    for (const char* face : {"Courier New", "Arial"}) {
        for (int escapement : {0, 900, 1800, -900}) {
            SCOPED_TRACE(std::string(face) + " escapement " + std::to_string(escapement));
            CSize painterExtent, monoExtent;
            // Glyphs alone on white, then the opaque cell on a black field.
            const auto glyphs = DrawOnBoth(400, [&](CMappedSurface& s) {
                s.SelectFont({face, 37, 400, escapement});
                (dynamic_cast<CMonoSurface*>(&s) ? monoExtent : painterExtent) =
                    s.GetTextExtent("HALVERN 128");
                s.TextOut({200, 200}, "HALVERN 128");
            });
            const auto cells = DrawOnBoth(400, [&](CMappedSurface& s) {
                s.DrawLine({0, 200}, {400, 200}, 400);
                s.SetBkModeOpaque(true);
                s.SelectFont({face, 37, 400, escapement});
                s.TextOut({200, 200}, "HALVERN 128");
            });
            EXPECT_EQ(monoExtent, painterExtent);
            const Box p = BoxOf(glyphs.first, true), m = BoxOf(glyphs.second, true);
            ASSERT_GE(m.x1, 0) << "no glyphs drawn";
            EXPECT_NEAR(m.x0, p.x0, 2);
            EXPECT_NEAR(m.y0, p.y0, 2);
            EXPECT_NEAR(m.x1, p.x1, 2);
            EXPECT_NEAR(m.y1, p.y1, 2);
            const Box pc = BoxOf(cells.first, false), mc = BoxOf(cells.second, false);
            EXPECT_NEAR(mc.x0, pc.x0, 1);
            EXPECT_NEAR(mc.y0, pc.y0, 1);
            EXPECT_NEAR(mc.x1, pc.x1, 1);
            EXPECT_NEAR(mc.y1, pc.y1, 1);
        }
    }
}
