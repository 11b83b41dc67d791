// The toolbar's lists under a real X server, driven by the server's own pointer and keyboard
// events (xdotool), as a person's mouse and keys drive them: a real wheel turn moves focus the
// way synthetic events do not. Skipped on other platforms; ctest runs these on a private X
// server (FrameOnX11).

#include "engine/symbologies.h"
#include "shell/app.h"
#include "shell/main_frame.h"
#include "shell/quillmark_doc.h"
#include "tests/support/settings_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class FrameOnX11 : public SettingsTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server: the FrameOnX11 test runs these on one";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is not installed";
        app.CreateMainWindow();
        ASSERT_TRUE(app.OnFileNew());
        frame = app.GetMainFrame();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        frame->activateWindow();
        QTest::qWait(200);
    }
    // Runs xdotool with `args` and lets the program take the events it made.
    void X(const QStringList& args) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0)
            << args.join(' ').toStdString();
        QTest::qWait(150);
    }
    void PointAt(QWidget* widget) {
        const QPoint at = widget->mapToGlobal(widget->rect().center());
        X({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
    }
    const char* Symbology() {
        return app.GetDocument().GetBarcode()->GetRuntimeClass()->m_lpszClassName;
    }

    CQuillmarkApp app;
    CMainFrame* frame = nullptr;
};

TEST_F(FrameOnX11, TheWheelOverAListTheUserIsNotInChangesNothing) {
    // Data typed with the keyboard, then the pointer over the symbology list and five notches.
    frame->DataBox()->lineEdit()->selectAll();
    frame->DataBox()->setFocus();
    X({"type", "--delay", "20", "ABC-123"});
    X({"key", "Return"});
    ASSERT_EQ(app.GetDocument().GetBarcode()->m_strData, "ABC-123");
    PointAt(frame->SymbologyList());
    for (int i = 0; i < 5; ++i)
        X({"click", "5"});
    EXPECT_STREQ(Symbology(), "C39Barcode");
    EXPECT_EQ(frame->SymbologyList()->currentText(), "Code 39");
    EXPECT_EQ(app.GetDocument().GetBarcode()->m_strData, "ABC-123");
    // The same over the font size list.
    const QString size = frame->FontSizeList()->currentText();
    PointAt(frame->FontSizeList());
    X({"click", "4"});
    EXPECT_EQ(frame->FontSizeList()->currentText(), size);
}

TEST_F(FrameOnX11, EnterInAnOpenListChoosesItsHighlightedItem) {
    // Open the symbology list with a click, go down to Data Matrix and press Enter.
    QComboBox* list = frame->SymbologyList();
    PointAt(list);
    X({"click", "1"});
    ASSERT_TRUE(list->view()->isVisible());
    const int target = list->findText(QStringLiteral("Data Matrix"));
    ASSERT_GT(target, list->currentIndex());
    for (int i = list->currentIndex(); i < target; ++i)
        X({"key", "Down"});
    X({"key", "Return"});
    EXPECT_FALSE(list->view()->isVisible());
    EXPECT_STREQ(Symbology(), "CDataMatrixBarcode");
    // The font size list the same way.
    QComboBox* sizes = frame->FontSizeList();
    const int from = sizes->currentIndex();
    ASSERT_LT(from + 2, sizes->count());
    PointAt(sizes);
    X({"click", "1"});
    ASSERT_TRUE(sizes->view()->isVisible());
    X({"key", "Down"});
    X({"key", "Down"});
    X({"key", "Return"});
    EXPECT_EQ(app.GetDocument().GetBarcode()->m_nFontSize, sizes->itemText(from + 2).toInt());
}

} // namespace
