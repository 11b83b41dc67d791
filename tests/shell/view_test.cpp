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

TEST_F(ViewTest, SymbolIsCentredInEveryRotation) {
    const QPoint centre(view->width() / 2, view->height() / 2);
    const double pxPerMil = view->m_nZoom * view->logicalDpiX() / 1000.0;
    for (bool text : {false, true}) {
        view->m_bShowText = text;
        const CSize size = view->GetSymbolSize();
        const int h = app.GetDocument().m_pBarcode->GetBarHeightMils();
        for (int rotation = 0; rotation < 4; ++rotation) {
            view->m_nRotation = rotation;
            const QRect ink = InkBox();
            ASSERT_TRUE(ink.isValid());
            const bool upright = rotation % 2 == 0;
            // Across the bars: centred on the nominal width (Code 39 draws exactly it).
            const double acrossCentre = upright ? (ink.left() + ink.right() + 1) / 2.0
                                                : (ink.top() + ink.bottom() + 1) / 2.0;
            EXPECT_NEAR(acrossCentre, upright ? centre.x() : centre.y(), 1.0) << rotation;
            // Along the bars: the block of bars and text line is centred, so the bars' far
            // edge from the text lies half the block height from the centre.
            const double half = size.cy * pxPerMil / 2;
            int farEdge = 0;
            double expected = 0;
            switch (rotation) {
            case 0:
                farEdge = ink.top(), expected = centre.y() - half;
                break;
            case 1:
                farEdge = ink.left(), expected = centre.x() - half;
                break;
            case 2:
                farEdge = ink.bottom() + 1, expected = centre.y() + half;
                break;
            default:
                farEdge = ink.right() + 1, expected = centre.x() + half;
                break;
            }
            EXPECT_NEAR(farEdge, expected, 1.0) << "rotation " << rotation << " text " << text;
            if (!text) {
                const int along = upright ? ink.height() : ink.width();
                EXPECT_NEAR(along, h * pxPerMil, 1.0);
            }
        }
    }
}

TEST_F(ViewTest, SizeReadoutInInchesAndCentimetres) {
    auto& bc = *app.GetDocument().m_pBarcode;
    bc.SetData("HALVERNX"); // 10 characters of 145 mils
    bc.m_nHeight = 1000;
    view->m_bShowText = false;
    EXPECT_EQ(view->SizeReadout(), "1.45in x 1.00in");
    SettingsStore().WriteInt("Options", "Unit", 1);
    EXPECT_EQ(view->SizeReadout(), "3.68cm x 2.54cm");

    view->m_bShowText = true; // the text line adds to the height
    EXPECT_GT(view->GetSymbolSize().cy, 1000);
}

TEST_F(ViewTest, PostnetReservesTheTextLine) {
    app.GetMainFrame()->RouteCommand(cmd::kPostnet);
    view->m_bShowText = true;
    const CSize with = view->GetSymbolSize();
    view->m_bShowText = false;
    const CSize without = view->GetSymbolSize();
    EXPECT_EQ(without.cy, 750);
    EXPECT_GT(with.cy, without.cy);
    EXPECT_EQ(with.cx, 47 * 7); // "HALVERN" leaves no digits: frame and check bars only
}
