#include "shell/app.h"
#include "shell/command_ids.h"
#include "shell/main_frame.h"
#include "shell/quillmark_view.h"
#include "tests/support/dialog_script.h"
#include "tests/support/settings_fixture.h"

#include <QApplication>
#include <QImage>
#include <QLayout>
#include <QWheelEvent>

#include <cmath>
#include <set>

#include <gtest/gtest.h>

class ViewTest : public SettingsTest {
protected:
    void SetUp() override {
        app.CreateMainWindow();
        ASSERT_TRUE(app.OnFileNew());
        view = app.GetMainFrame()->GetActiveView();
        // The frame lays its view out; give it room for a symbol at 800 %.
        app.GetMainFrame()->resize(900, 700);
        app.GetMainFrame()->layout()->activate();
    }
    // The black pixels of the view as it paints itself.
    QRect InkBox() {
        const QImage img = view->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
        QRect box;
        for (int y = 0; y < img.height(); ++y) {
            const uchar* row = img.constScanLine(y);
            for (int x = 0; x < img.width(); ++x)
                if (row[x] < 128) box |= QRect(x, y, 1, 1);
        }
        return box;
    }
    DialogScript dialogs;
    CQuillmarkApp app;
    CQuillmarkView* view = nullptr;
};

TEST_F(ViewTest, ZoomStaysBetweenOneAndEightAndRotationCycles) {
    EXPECT_EQ(view->m_nZoom, 2);
    for (int i = 0; i < 6; ++i)
        app.GetMainFrame()->RouteCommand(cmd::kZoomIn);
    EXPECT_EQ(view->m_nZoom, 8);
    app.GetMainFrame()->RouteCommand(cmd::kZoomIn);
    EXPECT_EQ(view->m_nZoom, 8);
    for (int i = 0; i < 9; ++i)
        app.GetMainFrame()->RouteCommand(cmd::kZoomOut);
    EXPECT_EQ(view->m_nZoom, 1);

    for (int i = 0; i < 4; ++i)
        app.GetMainFrame()->RouteCommand(cmd::kRotateLeft);
    EXPECT_EQ(view->m_nRotation, 0);
    app.GetMainFrame()->RouteCommand(cmd::kRotateRight);
    EXPECT_EQ(view->m_nRotation, 3);
    app.GetMainFrame()->RouteCommand(cmd::kRotateLeft);
    EXPECT_EQ(view->m_nRotation, 0);
    EXPECT_FALSE(app.GetDocument().IsModified()); // display changes are not edits
}

TEST_F(ViewTest, WheelAwayFromTheUserZoomsOut) {
    const auto wheel = [this](int dy) {
        QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, dy), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &e);
    };
    wheel(120);
    EXPECT_EQ(view->m_nZoom, 1);
    wheel(-360); // one step, whatever the distance
    EXPECT_EQ(view->m_nZoom, 2);
    wheel(0);
    EXPECT_EQ(view->m_nZoom, 2);
}

TEST_F(ViewTest, SymbolIsCentredInEveryRotationByWhatItDraws) {
    // In the grab's device pixels.
    const double ratio = view->devicePixelRatioF();
    const QPointF centre(std::lround(view->width() * ratio) / 2.0,
                         std::lround(view->height() * ratio) / 2.0);
    const double pxPerMil = view->m_nZoom * view->logicalDpiX() * ratio / 1000.0;
    for (const char* symbology : {"Code 39", "EAN 13", "Code 128"}) {
        app.GetMainFrame()->OnSymbologyChosen(symbology);
        for (bool text : {false, true}) {
            view->m_bShowText = text;
            for (int rotation = 0; rotation < 4; ++rotation) {
                view->m_nRotation = rotation;
                const QRect ink = InkBox();
                ASSERT_TRUE(ink.isValid());
                const QPointF inkCentre((ink.left() + ink.right() + 1) / 2.0,
                                        (ink.top() + ink.bottom() + 1) / 2.0);
                EXPECT_NEAR(inkCentre.x(), centre.x(), 1.5) << symbology << rotation << text;
                EXPECT_NEAR(inkCentre.y(), centre.y(), 1.5) << symbology << rotation << text;
                // The size read-out is the size of what is drawn, in this rotation; on the
                // screen's dots the module is two pixels (10.4 mils at 192 dpi), so the drawing
                // is up to 5 % larger along the bars' advance.
                const CSize size = view->GetSymbolSize();
                EXPECT_NEAR(ink.width(), size.cx * pxPerMil, 2.5 + 0.05 * ink.width())
                    << symbology << rotation << text;
                EXPECT_NEAR(ink.height(), size.cy * pxPerMil, 2.5 + 0.05 * ink.height())
                    << symbology << rotation << text;
            }
        }
    }
}

TEST_F(ViewTest, SizeReadoutInInchesAndCentimetres) {
    auto& bc = *app.GetDocument().m_pBarcode;
    bc.SetData("HALVERNX"); // 10 characters of 145 mils, the last without its gap of 10
    bc.m_nHeight = 1000;
    view->m_bShowText = false;
    EXPECT_EQ(view->SizeReadout(), "1.44in x 1.00in");
    SettingsStore().WriteInt("Options", "Unit", 1);
    EXPECT_EQ(view->SizeReadout(), "3.66cm x 2.54cm");
    // The same at every zoom.
    for (int zoom = 1; zoom <= 8; ++zoom) {
        view->m_nZoom = zoom;
        EXPECT_EQ(view->SizeReadout(), "3.66cm x 2.54cm") << zoom;
    }

    view->m_bShowText = true; // the text line adds to the height
    EXPECT_GT(view->GetSymbolSize().cy, 1000);
}

TEST_F(ViewTest, PostnetIsAsLargeAsItsBars) {
    app.GetMainFrame()->RouteCommand(cmd::kPostnet);
    view->m_bShowText = true;
    const CSize with = view->GetSymbolSize();
    view->m_bShowText = false;
    const CSize without = view->GetSymbolSize();
    // It draws no text: its full bars' height, whatever the bar height and the text switch.
    EXPECT_EQ(without, with);
    EXPECT_EQ(without.cy, 125);
    // "HALVERN" leaves no digits: frame and check bars only, seven bars of 20 with six spaces.
    EXPECT_EQ(without.cx, 7 * 20 + 6 * 27);
}

// On a scaled screen (a device pixel ratio of 2 at 192 dpi, say) 100 % is still the printed
// size counted in the screen's own pixels, and the bars are drawn on those pixels: whole
// device pixels wide, black on white, not logical pixels scaled up. Also run with
// QT_SCALE_FACTOR=2 (tests/shell/CMakeLists.txt).
TEST_F(ViewTest, TrueSizeInTheScreensOwnPixelsWithSharpBars) {
    auto& bc = *app.GetDocument().m_pBarcode;
    bc.SetData("HALVERNX"); // Code 39: modules of 10 and 25 mils
    bc.m_nHeight = 1000;
    view->m_bShowText = false;
    const double ratio = view->devicePixelRatioF();
    for (int zoom = 1; zoom <= 3; ++zoom) {
        SCOPED_TRACE(zoom);
        view->m_nZoom = zoom;
        const double dotsPerMil = zoom * view->logicalDpiX() * ratio / 1000.0;
        const QImage img = view->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
        ASSERT_EQ(img.width(), std::lround(view->width() * ratio));
        QRect ink;
        std::set<int> shades;
        std::set<long> bars;
        for (int y = 0; y < img.height(); ++y) {
            const uchar* row = img.constScanLine(y);
            for (int x = 0; x < img.width(); ++x) {
                shades.insert(row[x]);
                if (row[x] < 128) ink |= QRect(x, y, 1, 1);
            }
        }
        ASSERT_TRUE(ink.isValid());
        const uchar* middle = img.constScanLine(ink.center().y());
        for (int x = ink.left(), run = 0; x <= ink.right() + 1; ++x) {
            if (x <= ink.right() && middle[x] < 128) {
                ++run;
            } else if (run > 0) {
                bars.insert(run);
                run = 0;
            }
        }
        EXPECT_EQ(shades, (std::set<int>{0, 255}));
        // The bar height is exact; the width is what the elements add up to on the grid: ten
        // characters of six narrow and three wide elements, nine narrow gaps between them.
        const long narrow = std::lround(10 * dotsPerMil), wide = std::lround(narrow * 2.5);
        EXPECT_EQ(bars, (std::set<long>{narrow, wide}));
        EXPECT_NEAR(ink.height(), 1000 * dotsPerMil, 1.0);
        EXPECT_EQ(ink.width(), 10 * (6 * narrow + 3 * wide) + 9 * narrow);
    }
}
