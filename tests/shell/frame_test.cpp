#include "engine/symbologies.h"
#include "job/measurement.h"
#include "shell/app.h"
#include "shell/command_ids.h"
#include "shell/main_frame.h"
#include "shell/quillmark_view.h"
#include "shell/symbol_options_dialog.h"
#include "tests/support/dialog_script.h"
#include "tests/support/settings_fixture.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

TEST(ParseMeasurement, HeightGrammar) {
    const struct {
        const char* text;
        int optionsUnit;
        CMeasurement expected;
    } cases[] = {
        {"1.5 cm", 0, {1500, 1}},
        {"0.75 inch", 0, {750, 0}},
        {"2 inches", 0, {2000, 0}}, // the e is dropped: "inchs"
        {"250 mils", 0, {250, 0}},
        {"250 mil", 1, {250, 0}},
        {"25mm", 0, {2500, 1}},
        {"3 cms", 0, {3000, 1}},
        {"0.5", 0, {500, 0}},
        {"0.5", 1, {500, 1}},
        {"15", 0, {15, 0}}, // above 10: the small measure of the unit
        {"15", 1, {15, 1}},
        {"10", 0, {10000, 0}},
        {"1,5cm", 0, {15000, 1}},  // the comma is dropped
        {"-2 inch", 0, {2000, 0}}, // so is the sign
        {"2 INCH", 0, {2000, 0}},
        {".5 inch", 0, {500, 0}},
        {"1.2.3 inch", 0, {1200, 0}}, // one decimal point: ".3inch" is no known unit
        {"abc", 0, {0, 0}},
        {"", 1, {0, 1}},
        {"1e9 inch", 0, {19000, 0}}, // no exponent: "19inch" after dropping the e
        {"99999999999 inch", 0, {2147483647, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseMeasurement(c.text, c.optionsUnit), c.expected) << c.text;
}

class FrameTest : public SettingsTest {
protected:
    void SetUp() override {
        app.CreateMainWindow();
        ASSERT_TRUE(app.OnFileNew());
        frame = app.GetMainFrame();
    }
    CBarcode& Barcode() { return *app.GetDocument().m_pBarcode; }
    // Types into the box as a person does: the text replaces what it shows, key by key, and
    // then `key` (none: the text is left unconfirmed).
    void Type(QComboBox* box, const QString& text, int key = Qt::Key_Return) {
        QTest::keyClick(box->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box->lineEdit(), Qt::Key_Delete);
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(box->lineEdit(), c.toLatin1());
            else // a key of another layout: it brings its character
                QTest::sendKeyEvent(QTest::Click, box->lineEdit(), Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
        if (key) QTest::keyClick(box->lineEdit(), static_cast<Qt::Key>(key));
    }
    void Choose(QComboBox* box, const QString& item) {
        const int i = box->findText(item);
        ASSERT_GE(i, 0) << item.toStdString();
        box->setCurrentIndex(i);
        emit box->activated(i);
    }
    DialogScript dialogs;
    CQuillmarkApp app;
    CMainFrame* frame = nullptr;
};

TEST_F(FrameTest, WindowIsTitledSizedAndHasItsBars) {
    EXPECT_EQ(frame->windowTitle(), "Untitled[*] - Bellwick Quillmark");
    EXPECT_EQ(frame->height(), 490);
    EXPECT_GE(frame->width(), 620);
    // Every control of the Format bar in the bar itself, none behind its overflow button.
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    EXPECT_TRUE(frame->SymbologyList()->isVisible());
    EXPECT_TRUE(frame->Action(cmd::kSymbolOptions)->isVisible());
    EXPECT_LE(frame->FormatBar()->sizeHint().width(), frame->FormatBar()->width());
    EXPECT_EQ(frame->StandardBar()->windowTitle(), "Standard");
    EXPECT_EQ(frame->FormatBar()->windowTitle(), "Format");
    EXPECT_EQ(frame->toolBarArea(frame->StandardBar()), Qt::TopToolBarArea);
    EXPECT_EQ(frame->StandardBar()->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_EQ(frame->DataBox()->width(), 160);
    EXPECT_EQ(frame->SymbologyList()->count(), static_cast<int>(Symbologies().size()));
}

// The first window lies on the screen's free area, centred where it fits, also on a screen
// scaled so far that 620 × 490 does not fit (run again with QT_SCALE_FACTOR=2).
TEST_F(FrameTest, TheWindowLiesOnTheScreen) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    const QRect area = frame->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(frame->frameGeometry()))
        << "window " << frame->frameGeometry().x() << "," << frame->frameGeometry().y() << " "
        << frame->frameGeometry().width() << "x" << frame->frameGeometry().height() << " on "
        << area.width() << "x" << area.height();
    // Where it fits: 490 high and as wide as the Format bar needs (620 at least), centred on the
    // screen.
    const QRect screen = frame->screen()->geometry();
    const int width = std::max(620, frame->FormatBar()->sizeHint().width() + 16);
    if (area.width() >= width + 20 && area.height() >= 510) {
        EXPECT_EQ(frame->size(), QSize(width, 490));
        EXPECT_EQ(frame->pos(), QPoint(screen.width() / 2 - width / 2, screen.height() / 2 - 245));
    }
}

TEST_F(FrameTest, ControlsFollowTheNewBarcode) {
    EXPECT_EQ(frame->DataBox()->currentText(), "HALVERN");
    EXPECT_EQ(frame->HeightBox()->currentText(), "0.75 inch");
    EXPECT_EQ(frame->FontNameList()->currentText(), "Courier New");
    EXPECT_EQ(frame->FontSizeList()->currentText(), "8");
    EXPECT_EQ(frame->SymbologyList()->currentText(), "Code 39");
    EXPECT_TRUE(frame->ShowTextBox()->isChecked());
    frame->OnIdleUpdate();
    EXPECT_EQ(frame->PaneText(cmd::kPaneSymbology), "Code 39");
    EXPECT_EQ(frame->PaneText(cmd::kPaneZoom), "200%");
    EXPECT_TRUE(frame->PaneText(cmd::kPaneSize).endsWith("in"))
        << frame->PaneText(cmd::kPaneSize).toStdString();
    EXPECT_EQ(frame->MessagePaneText(), "Ready");
}

TEST_F(FrameTest, DataBoxAppliesTypedTextOnEnterAndEsc) {
    Type(frame->DataBox(), "abc-12"); // Code 39 keeps "-12"
    EXPECT_EQ(Barcode().m_strData, "-12");
    EXPECT_TRUE(app.GetDocument().IsModified());
    // The box shows what is encoded, and the status bar why it differs from what was typed.
    EXPECT_EQ(frame->DataBox()->currentText(), "-12");
    EXPECT_GE(frame->DataBox()->findText("-12"), 0);
    EXPECT_EQ(frame->MessagePaneText(),
              "Encoded -12: 3 characters that Code 39 cannot encode were removed");

    Type(frame->DataBox(), "QUILL", Qt::Key_Escape); // Esc applies like Enter
    EXPECT_EQ(Barcode().m_strData, "QUILL");

    // A text that leaves the barcode without data is applied but kept out of the history.
    Type(frame->DataBox(), "lower");
    EXPECT_EQ(Barcode().m_strData, "");
    EXPECT_LT(frame->DataBox()->findText("lower"), 0);

    // An empty box and the data already there change nothing.
    app.GetDocument().SetModifiedFlag(false);
    Type(frame->DataBox(), "");
    EXPECT_FALSE(app.GetDocument().IsModified());

    // Choosing from the list applies without appending.
    const int before = frame->DataBox()->count();
    Choose(frame->DataBox(), "HALVERN");
    EXPECT_EQ(Barcode().m_strData, "HALVERN");
    EXPECT_EQ(frame->DataBox()->count(), before);

    // Characters outside the single-byte set are dropped before the symbology sees them.
    Type(frame->DataBox(), QString::fromUtf8("AB\u20ACC"));
    EXPECT_EQ(Barcode().m_strData, "ABC");
    EXPECT_EQ(frame->MessagePaneText(),
              "Encoded ABC: 1 character outside the Latin-1 alphabet removed");
}

TEST_F(FrameTest, HistoryShowsTheShorterDataOfAnEarlierEntry) {
    Type(frame->DataBox(), "ABC");
    Barcode().m_strData = "AB";
    frame->UpdateBarcodeControls();
    EXPECT_EQ(frame->DataBox()->currentText(), "AB");
    EXPECT_GE(frame->DataBox()->findText("ABC"), 0);
}

TEST_F(FrameTest, HeightBoxStoresValueAndUnit) {
    Type(frame->HeightBox(), "1.5 cm");
    EXPECT_EQ(Barcode().m_nHeight, 1500);
    EXPECT_EQ(Barcode().m_nHeightUnit, 1);
    EXPECT_GE(frame->HeightBox()->findText("1.5 cm"), 0);
    Choose(frame->HeightBox(), "0.75 inch");
    EXPECT_EQ(Barcode().m_nHeight, 750);
    EXPECT_EQ(Barcode().m_nHeightUnit, 0);

    app.GetDocument().SetModifiedFlag(false);
    Type(frame->HeightBox(), "no digits"); // 0: ignored
    EXPECT_EQ(Barcode().m_nHeight, 750);
    EXPECT_FALSE(app.GetDocument().IsModified());
    EXPECT_LT(frame->HeightBox()->findText("no digits"), 0);
}

TEST_F(FrameTest, SymbologyListMenuAndPaneAgree) {
    Choose(frame->SymbologyList(), "Code 39 Mod 43");
    EXPECT_STREQ(Barcode().GetRuntimeClass()->m_lpszClassName, "C39Mod43Barcode");
    EXPECT_EQ(frame->SymbologyList()->currentText(), "Code 39 Mod 43");
    frame->OnIdleUpdate();
    EXPECT_TRUE(frame->Action(cmd::kCode39Mod43)->isChecked());
    EXPECT_FALSE(frame->Action(cmd::kCode39)->isChecked());
    EXPECT_EQ(frame->PaneText(cmd::kPaneSymbology), "Code 39 Mod 43");

    frame->Action(cmd::kPostnet)->trigger();
    EXPECT_EQ(frame->SymbologyList()->currentText(), "Postnet");
    frame->OnIdleUpdate();
    EXPECT_EQ(frame->PaneText(cmd::kPaneSymbology), "POSTNET");

    app.GetDocument().SetModifiedFlag(false);
    Choose(frame->SymbologyList(), "Postnet"); // in use already: nothing
    EXPECT_FALSE(app.GetDocument().IsModified());
}

// QR Code's level and Data Matrix's shape are chosen on the Format bar, which shows the list
// only while such a symbology is current; a choice is an edit of the document.
TEST_F(FrameTest, OptionListFollowsTheSymbologyAndEditsTheDocument) {
    QAction* shown = nullptr; // the list's place on the bar
    for (QAction* a : frame->FormatBar()->actions())
        if (frame->FormatBar()->widgetForAction(a) == frame->OptionList()) shown = a;
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(shown->isVisible()); // Code 39
    Choose(frame->SymbologyList(), "QR Code");
    ASSERT_TRUE(shown->isVisible());
    EXPECT_EQ(frame->OptionList()->count(), 4);
    EXPECT_EQ(frame->OptionList()->currentText(), "M 15%");
    EXPECT_EQ(frame->OptionList()->toolTip(), "Error correction");

    app.GetDocument().SetModifiedFlag(false);
    int changes = 0;
    QObject::connect(&app.GetDocument(), &CDocument::Changed, [&changes] { ++changes; });
    Choose(frame->OptionList(), "H 30%");
    EXPECT_EQ(Barcode().GetOptionValue(), 3);
    EXPECT_TRUE(app.GetDocument().IsModified());
    EXPECT_EQ(changes, 1);                // the view draws it again
    Choose(frame->OptionList(), "H 30%"); // unchanged: no edit
    EXPECT_EQ(changes, 1);

    Choose(frame->SymbologyList(), "Data Matrix");
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(frame->OptionList()->currentText(), "Square");
    Choose(frame->OptionList(), "Rectangle");
    EXPECT_EQ(Barcode().GetOptionValue(), 1);
    Choose(frame->SymbologyList(), "GS1-128");
    EXPECT_FALSE(shown->isVisible());
}

// The Symbology menu has a submenu per group of the table, each symbology in its own group;
// Symbol Options offers every option of the symbology, and its choices are edits of the
// document, saved with it.
TEST_F(FrameTest, SymbologyMenuIsGroupedAndSymbolOptionsEditTheDocument) {
    QMenu* symbology = nullptr;
    for (QAction* menu : frame->menuBar()->actions())
        if (menu->text() == "&Symbology") symbology = menu->menu();
    ASSERT_NE(symbology, nullptr);
    QStringList groups;
    int listed = 0;
    for (QAction* sub : symbology->actions()) {
        ASSERT_NE(sub->menu(), nullptr) << sub->text().toStdString();
        groups << sub->text();
        for (QAction* item : sub->menu()->actions()) {
            const auto s = std::find_if(
                Symbologies().begin(), Symbologies().end(),
                [&](const SymbologyInfo& info) { return frame->Action(info.command) == item; });
            ASSERT_NE(s, Symbologies().end()) << item->text().toStdString();
            EXPECT_EQ(GroupName(s->group), sub->text()) << s->listName;
            ++listed;
        }
    }
    EXPECT_EQ(groups, (QStringList{"Linear", "Retail", "GS1", "2D", "Postal"}));
    EXPECT_EQ(listed, static_cast<int>(Symbologies().size()));

    const auto offered = [this] {
        CCmdUI ui;
        ui.id = cmd::kSymbolOptions;
        frame->OnUpdateCommand(ui);
        return ui.enabled;
    };
    EXPECT_FALSE(offered()); // Code 39 has no options
    Choose(frame->SymbologyList(), "PDF417");
    EXPECT_TRUE(offered());
    frame->OnDataChosen(QStringLiteral("Ωμέγα"));
    CSymbolOptionsDialog dialog(Barcode(), frame);
    ASSERT_EQ(dialog.Choices().size(), 3u); // error correction, columns, quiet zone
    EXPECT_EQ(dialog.List(1)->count(), 31);
    dialog.List(1)->setCurrentIndex(4);
    EXPECT_EQ(dialog.Choices(), (std::vector<int>{0, 4, 0}));
    app.GetDocument().ApplyOption(1, 4);
    EXPECT_EQ(Barcode().GetOptionValue(1), 4);
    EXPECT_EQ(Barcode().m_strData, "Ωμέγα");
    EXPECT_TRUE(app.GetDocument().IsModified());
}

// Data no symbol can hold is kept as typed and the status bar says why nothing is drawn, also
// when a choice on the Format bar makes data that fitted too long.
TEST_F(FrameTest, StatusBarSaysWhyNothingIsEncoded) {
    Choose(frame->SymbologyList(), "Data Matrix");
    frame->OnDataChosen(QString(90, '7'));
    EXPECT_EQ(frame->MessagePaneText(), "Ready");
    Choose(frame->OptionList(), "Rectangle"); // 90 digits fit; 200 do not
    frame->OnDataChosen(QString(200, '7'));
    EXPECT_EQ(Barcode().m_strData, std::string(200, '7'));
    EXPECT_EQ(frame->MessagePaneText(), "Nothing encoded: the data is too long for a rectangular "
                                        "Data Matrix (a square one holds it)");
    Choose(frame->OptionList(), "Square");
    EXPECT_EQ(frame->MessagePaneText(), "Ready");
    Choose(frame->SymbologyList(), "GS1-128");
    frame->OnDataChosen("(01)09501101530004");
    EXPECT_EQ(frame->MessagePaneText(),
              "Encoded (01)09501101530003: the check digit 4 of (01) was replaced by 3");
    frame->OnDataChosen("(17)2612");
    EXPECT_EQ(frame->MessagePaneText(),
              "Nothing encoded: (17)\"2612\" was left out: (17) takes 6 digits");
}

// A note longer than the message pane is shown cut short with "…" and whole in its tool tip,
// without widening the window; the next edit's note replaces it.
TEST_F(FrameTest, ALongNoteIsShortenedAndWholeInItsToolTip) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    Choose(frame->SymbologyList(), "GS1-128");
    frame->OnDataChosen("(01)09501101530004(17)2612(10)ABC123(21)12345678901234567890XYZ");
    const QString note = frame->MessagePaneText();
    ASSERT_TRUE(note.startsWith("Encoded (01)09501101530003(10)ABC123")) << note.toStdString();
    ASSERT_GT(frame->fontMetrics().horizontalAdvance(note), frame->width());
    const int width = frame->width();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->width(), width);
    const QLabel* pane = frame->MessagePane();
    EXPECT_TRUE(pane->text().endsWith(QChar(0x2026))) << pane->text().toStdString();
    EXPECT_LE(pane->fontMetrics().horizontalAdvance(pane->text()), pane->contentsRect().width());
    EXPECT_EQ(pane->toolTip().toStdString(), note.toStdString());
    // A note that fits is shown whole, without a tool tip.
    frame->OnDataChosen("(01)09501101530003");
    EXPECT_EQ(frame->MessagePaneText(), "Ready");
    EXPECT_EQ(pane->text().toStdString(), "Ready");
    EXPECT_EQ(pane->toolTip().toStdString(), "");
}

TEST_F(FrameTest, FontListsChangeOnlyTheCurrentBarcode) {
    Choose(frame->FontSizeList(), "12");
    EXPECT_EQ(Barcode().m_nFontSize, 12);
    EXPECT_TRUE(app.GetDocument().IsModified());
    if (frame->FontNameList()->findText("Liberation Sans") >= 0) {
        Choose(frame->FontNameList(), "Liberation Sans");
        EXPECT_EQ(Barcode().m_strFontName, "Liberation Sans");
    }
    EXPECT_EQ(SettingsStore().GetInt("Options", "Font Size", 8), 8);

    // A size that is not in the list is appended when a barcode has it.
    SettingsStore().WriteInt("Options", "Font Size", 7);
    app.GetDocument().SetModifiedFlag(false);
    ASSERT_TRUE(app.OnFileNew());
    EXPECT_EQ(frame->FontSizeList()->currentText(), "7");
}

TEST_F(FrameTest, ShowTextBoxDrivesTheViewNotTheDocument) {
    frame->ShowTextBox()->click();
    EXPECT_FALSE(frame->GetActiveView()->m_bShowText);
    EXPECT_FALSE(app.GetDocument().IsModified());
}

TEST_F(FrameTest, RecentFileItemIsDisabledWhileTheListIsEmpty) {
    frame->OnIdleUpdate();
    EXPECT_FALSE(frame->Action(cmd::kFileMruFirst)->isEnabled());
    EXPECT_TRUE(frame->Action(cmd::kFileMruFirst)->isVisible());
    app.AddToRecentFileList("/tmp/somewhere/x.qmx");
    EXPECT_FALSE(frame->Action(cmd::kFileMruFirst)->isVisible());
}

// What the boxes show is what is used: typing is never completed from the history, and with a
// box's list open, Enter and Esc apply the text typed, not the item under the pointer.
TEST_F(FrameTest, TypedTextIsNeverCompletedOrReplacedByTheHistory) {
    Type(frame->DataBox(), "HAL");
    EXPECT_EQ(Barcode().m_strData, "HAL"); // "HALVERN" is in the history
    Type(frame->HeightBox(), "0.7");
    EXPECT_EQ(Barcode().m_nHeight, 700); // "0.75 inch" is in the history

    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        Type(frame->DataBox(), key == Qt::Key_Return ? "OPENLIST" : "OPENLIST2", 0);
        frame->DataBox()->showPopup();
        QTest::keyClick(frame->DataBox()->view(), Qt::Key_Down); // highlight a history item
        QTest::keyClick(frame->DataBox()->view(), static_cast<Qt::Key>(key));
        EXPECT_FALSE(frame->DataBox()->view()->isVisible());
        EXPECT_EQ(Barcode().m_strData, key == Qt::Key_Return ? "OPENLIST" : "OPENLIST2");
    }
}

// The wheel over a closed list that does not have the focus changes nothing.
TEST_F(FrameTest, WheelOverAnUnfocusedListChangesNothing) {
    frame->OnSymbologyChosen("Code 39 Extended");
    Type(frame->DataBox(), "abc");
    frame->DataBox()->setFocus();
    for (QComboBox* list : {frame->SymbologyList(), frame->FontNameList()}) {
        const QString before = list->currentText();
        for (const int dy : {-120, -120, -120, 120, 120, 120}) {
            QWheelEvent wheel(QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), QPoint(),
                              QPoint(0, dy), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(list, &wheel);
        }
        EXPECT_EQ(list->currentText(), before);
    }
    EXPECT_STREQ(Barcode().GetRuntimeClass()->m_lpszClassName, "C39ExtBarcode");
    EXPECT_EQ(Barcode().m_strData, "abc");
}

// Printing, exporting, copying, saving and closing use what the boxes hold, confirmed or not.
TEST_F(FrameTest, CommandsThatUseTheSymbolApplyUnconfirmedTyping) {
    const struct {
        int command;
        const char* data;
    } cases[] = {{cmd::kEditCopy, "COPIED"},
                 {cmd::kFileExport, "EXPORTED"},
                 {cmd::kFileSave, "SAVED"},
                 {cmd::kFileSaveDocumentAs, "SAVEDAS"}};
    for (const auto& c : cases) {
        Type(frame->DataBox(), c.data, 0); // no Enter
        Type(frame->HeightBox(), "1 inch", 0);
        frame->RouteCommand(c.command); // the file dialogs are cancelled
        EXPECT_EQ(Barcode().m_strData, c.data) << c.command;
        EXPECT_EQ(Barcode().m_nHeight, 1000) << c.command;
        Type(frame->HeightBox(), "0.75 inch");
    }
    Type(frame->DataBox(), "CLOSED", 0);
    dialogs.answers = {IDCANCEL}; // the save question: stay
    frame->close();
    EXPECT_EQ(Barcode().m_strData, "CLOSED");
    EXPECT_EQ(dialogs.messages.back(), "Save changes to Untitled?");
}

TEST_F(FrameTest, TitleShowsTheDocumentAndItsUnsavedChanges) {
    EXPECT_EQ(frame->windowTitle(), "Untitled[*] - Bellwick Quillmark");
    EXPECT_FALSE(frame->isWindowModified());
    Type(frame->DataBox(), "EDITED");
    EXPECT_TRUE(frame->isWindowModified());
    const QString path = QString::fromStdString((env.Root() / "named.qmx").string());
    dialogs.files = {path};
    frame->RouteCommand(cmd::kFileSaveDocumentAs);
    EXPECT_EQ(frame->windowTitle(), "named.qmx[*] - Bellwick Quillmark");
    EXPECT_FALSE(frame->isWindowModified());
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(FrameTest, MenusOfferSaveOneSymbologyMarkAndDistinctKeys) {
    EXPECT_EQ(frame->Action(cmd::kFileSave)->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(frame->Action(cmd::kFileSaveDocumentAs)->shortcut(), QKeySequence("Ctrl+Shift+S"));
    EXPECT_TRUE(frame->FileMenu()->actions().contains(frame->Action(cmd::kFileSave)));
    EXPECT_TRUE(frame->FileMenu()->actions().contains(frame->Action(cmd::kFileSaveDocumentAs)));
    // The symbologies are one group of exclusive choices (one check mark).
    QActionGroup* group = frame->Action(cmd::kCode39)->actionGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->isExclusive());
    EXPECT_EQ(group->actions().size(), static_cast<qsizetype>(Symbologies().size()));
    // In every menu each item has a key of its own.
    for (QAction* menu : frame->menuBar()->actions()) {
        QSet<QChar> keys;
        for (QAction* item : menu->menu()->actions()) {
            const QString text = item->text();
            const int amp = text.indexOf('&');
            if (amp < 0 || amp + 1 >= text.size()) continue;
            const QChar key = text[amp + 1].toLower();
            EXPECT_FALSE(keys.contains(key))
                << menu->text().toStdString() << " " << text.toStdString();
            keys.insert(key);
        }
    }
    // The symbology list shows its longest names whole.
    const QFontMetrics fm(frame->SymbologyList()->font());
    for (int i = 0; i < frame->SymbologyList()->count(); ++i)
        EXPECT_LT(fm.horizontalAdvance(frame->SymbologyList()->itemText(i)),
                  frame->SymbologyList()->width() - 24);
}
