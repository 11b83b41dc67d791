// The label's lines edited in the panel beside the view with real key events and clicks, every
// edit of the document taken back and given again by Edit > Undo and Redo (and their keys), and
// the view showing the designed label at the chosen product's size.

#include "common/label_geometry.h"
#include "common/settings_store.h"
#include "render/label_drawing.h"
#include "shell/app.h"
#include "shell/command_ids.h"
#include "shell/label_panel.h"
#include "shell/main_frame.h"
#include "shell/quillmark_doc.h"
#include "shell/quillmark_view.h"
#include "tests/support/dialog_script.h"
#include "tests/support/settings_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class LabelPanelTest : public SettingsTest {
protected:
    void SetUp() override {
        app.CreateMainWindow();
        ASSERT_TRUE(app.OnFileNew());
        frame = app.GetMainFrame();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        panel = frame->LabelPanel();
        ASSERT_NE(panel, nullptr);
    }
    CQuillmarkDoc& Doc() { return app.GetDocument(); }
    const std::vector<CDesignLine>& Lines() { return Doc().GetDesign().lines; }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const CDesignLine& line : Lines())
            texts.push_back(line.text);
        return texts;
    }
    // Replaces the chosen line's text key by key, as a person types it.
    void TypeLine(const QString& text) {
        QLineEdit& field = panel->TextField();
        field.setFocus();
        QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&field, Qt::Key_Delete);
        QTest::keyClicks(&field, text);
    }
    void Toggle(QCheckBox& box) {
        box.setFocus();
        QTest::keyClick(&box, Qt::Key_Space);
    }
    void Undo() { frame->Action(cmd::kEditUndo)->trigger(); }
    void Redo() { frame->Action(cmd::kEditRedo)->trigger(); }

    DialogScript dialogs;
    CQuillmarkApp app;
    CMainFrame* frame = nullptr;
    CLabelPanel* panel = nullptr;
};

TEST_F(LabelPanelTest, LinesAreAddedTypedStyledOrderedAndRemoved) {
    // Hidden until asked for: a document without lines is the symbol alone.
    EXPECT_FALSE(panel->isVisible());
    QAction* toggle = panel->toggleViewAction();
    toggle->trigger();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->RemoveButton().isEnabled());

    QTest::mouseClick(&panel->AddButton(), Qt::LeftButton);
    ASSERT_EQ(Lines().size(), 1u);
    TypeLine(QStringLiteral("Price {price}"));
    EXPECT_EQ(Texts(), std::vector<std::string>{"Price {price}"});
    EXPECT_EQ(panel->Lines().item(0)->text(), "Price {price}");

    // A second line below the first, set as the first was; then styled and placed.
    QTest::mouseClick(&panel->AddButton(), Qt::LeftButton);
    TypeLine(QStringLiteral("Lot {lot}"));
    panel->SizeBox().setFocus();
    QTest::keyClick(&panel->SizeBox(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&panel->SizeBox(), "14");
    Toggle(panel->BoldBox());
    panel->PlaceList().setCurrentIndex(static_cast<int>(LinePlace::Below));
    panel->AlignList().setCurrentIndex(static_cast<int>(LineAlign::Right));
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_EQ(Lines()[1].text, "Lot {lot}");
    EXPECT_EQ(Lines()[1].points, 14);
    EXPECT_TRUE(Lines()[1].bold);
    EXPECT_EQ(Lines()[1].place, LinePlace::Below);
    EXPECT_EQ(Lines()[1].align, LineAlign::Right);
    EXPECT_FALSE(Lines()[0].bold);

    // Up puts the chosen line first, and it stays chosen.
    QTest::mouseClick(&panel->UpButton(), Qt::LeftButton);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Lot {lot}", "Price {price}"}));
    EXPECT_EQ(panel->Lines().currentRow(), 0);
    EXPECT_FALSE(panel->UpButton().isEnabled());
    EXPECT_EQ(panel->TextField().text(), "Lot {lot}");
    QTest::mouseClick(&panel->RemoveButton(), Qt::LeftButton);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Price {price}"});
    EXPECT_EQ(panel->TextField().text(), "Price {price}");
    EXPECT_TRUE(Doc().IsModified());

    // No more than a design holds.
    for (int i = 1; i < static_cast<int>(CLabelDesign::kMaxLines); ++i)
        QTest::mouseClick(&panel->AddButton(), Qt::LeftButton);
    EXPECT_EQ(Lines().size(), CLabelDesign::kMaxLines);
    EXPECT_FALSE(panel->AddButton().isEnabled());
}

// Typing one line's text is one step of Undo; every other edit, of the design or of the symbol,
// is a step of its own; Redo gives each back; a new edit ends what could be redone.
TEST_F(LabelPanelTest, UndoAndRedoTakeEditsBackStepByStep) {
    frame->OnIdleUpdate();
    EXPECT_FALSE(frame->Action(cmd::kEditUndo)->isEnabled());
    panel->toggleViewAction()->trigger();
    QTest::mouseClick(&panel->AddButton(), Qt::LeftButton);
    TypeLine(QStringLiteral("Species"));
    Toggle(panel->ItalicBox());
    frame->OnDataChosen(QStringLiteral("SAMPLE-7"));
    ASSERT_EQ(Doc().GetBarcode()->m_strData, "SAMPLE-7");
    frame->OnIdleUpdate();
    EXPECT_TRUE(frame->Action(cmd::kEditUndo)->isEnabled());
    EXPECT_FALSE(frame->Action(cmd::kEditRedo)->isEnabled());

    Undo(); // the data
    EXPECT_EQ(Doc().GetBarcode()->m_strData, "HALVERN");
    EXPECT_EQ(frame->DataBox()->currentText(), "HALVERN");
    EXPECT_TRUE(Lines().at(0).italic);
    Undo(); // italic
    EXPECT_FALSE(Lines().at(0).italic);
    EXPECT_FALSE(panel->ItalicBox().isChecked());
    EXPECT_EQ(Texts(), std::vector<std::string>{"Species"});
    Undo(); // all the keys typed into the line at once
    EXPECT_EQ(Texts(), std::vector<std::string>{"{data}"});
    EXPECT_EQ(panel->TextField().text(), "{data}");
    Undo(); // the line added
    EXPECT_TRUE(Lines().empty());
    frame->OnIdleUpdate();
    EXPECT_FALSE(frame->Action(cmd::kEditUndo)->isEnabled());

    Redo();
    Redo();
    EXPECT_EQ(Texts(), std::vector<std::string>{"Species"});
    // With the focus on the view, the keys a person presses.
    frame->GetActiveView()->setFocus();
    frame->OnIdleUpdate(); // the actions follow the history when the program is idle
    QTest::keyClick(frame, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(Lines().at(0).italic);
    frame->OnIdleUpdate();
    QTest::keyClick(frame, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(Lines().at(0).italic);
    // A new edit: nothing left to redo.
    frame->OnDataChosen(QStringLiteral("OTHER"));
    frame->OnIdleUpdate();
    EXPECT_FALSE(frame->Action(cmd::kEditRedo)->isEnabled());
    // A new document starts without a history.
    dialogs.answers = {IDNO}; // the save question: do not save
    ASSERT_TRUE(app.OnFileNew());
    frame->OnIdleUpdate();
    EXPECT_FALSE(frame->Action(cmd::kEditUndo)->isEnabled());
    EXPECT_TRUE(Lines().empty());
}

// A switch of symbology and what was typed for it come back together.
TEST_F(LabelPanelTest, UndoBringsBackTheSymbologyWithTheDataTypedForIt) {
    frame->OnDataChosen(QStringLiteral("abc-12"));
    const std::string before = Doc().GetBarcode()->m_strData;
    const std::string symbology = Doc().GetBarcode()->GetRuntimeClass()->m_lpszClassName;
    const int i = frame->SymbologyList()->findText(QStringLiteral("Code 39 Extended"));
    frame->SymbologyList()->setCurrentIndex(i);
    frame->OnSymbologyChosen(QStringLiteral("Code 39 Extended"));
    ASSERT_STREQ(Doc().GetBarcode()->GetRuntimeClass()->m_lpszClassName, "C39ExtBarcode");
    EXPECT_EQ(Doc().GetBarcode()->m_strData, "abc-12"); // as typed: all of ASCII
    Undo();
    EXPECT_EQ(Doc().GetBarcode()->GetRuntimeClass()->m_lpszClassName, symbology);
    EXPECT_EQ(Doc().GetBarcode()->m_strData, before);
    EXPECT_EQ(frame->SymbologyList()->currentText(), "Code 39");
    Redo();
    EXPECT_STREQ(Doc().GetBarcode()->GetRuntimeClass()->m_lpszClassName, "C39ExtBarcode");
    EXPECT_EQ(Doc().GetBarcode()->m_strData, "abc-12"); // as typed: all of ASCII
}

// A saved design opens with its panel showing its lines; a document without lines leaves the
// panel as the user left it.
TEST_F(LabelPanelTest, ASavedDesignOpensWithItsLinesInThePanel) {
    CLabelDesign design;
    design.lines = {
        {"Property of {name}", "DejaVu Sans", 9, true, false, LineAlign::Left, LinePlace::Above},
        {"No. {n}", "DejaVu Serif", 7, false, true, LineAlign::Right, LinePlace::Below}};
    design.dataTemplate = "{sku}";
    Doc().SetDesign(design);
    const QString path = QString::fromStdString((env.Root() / "asset.qmx").string());
    ASSERT_TRUE(Doc().OnSaveDocument(path));
    dialogs.answers = {IDNO};
    ASSERT_TRUE(app.OnFileNew());
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(panel->Lines().count(), 0);
    panel->hide();
    ASSERT_TRUE(app.OpenDocumentFile(path));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(Doc().GetDesign(), design);
    ASSERT_EQ(panel->Lines().count(), 2);
    EXPECT_EQ(panel->Lines().item(1)->text(), "No. {n}");
    EXPECT_EQ(panel->DataTemplateField().text(), "{sku}");
    panel->Lines().setCurrentRow(1);
    EXPECT_TRUE(panel->ItalicBox().isChecked());
    EXPECT_EQ(panel->SizeBox().value(), 7);
    EXPECT_EQ(panel->AlignList().currentIndex(), static_cast<int>(LineAlign::Right));
}

// With a label product chosen, the view holds the whole label: its size, its lines filled with
// the document's data, and the symbol.
TEST_F(LabelPanelTest, TheViewShowsTheDesignedLabelAtTheProductsSize) {
    SettingsStore store;
    ASSERT_TRUE(store.WriteInt("Print", "UseLabel", 1));
    ASSERT_TRUE(WritePrintGeometry({0, 6668, 2540, 1270, 476, 6985, 2540, 3, 10}));
    CLabelContent plain = frame->GetActiveView()->Label();
    EXPECT_TRUE(plain.lines.empty());
    panel->toggleViewAction()->trigger();
    QTest::mouseClick(&panel->AddButton(), Qt::LeftButton);
    TypeLine(QStringLiteral("Asset {data}"));
    const CLabelContent label = frame->GetActiveView()->Label();
    ASSERT_EQ(label.lines.size(), 1u);
    EXPECT_EQ(label.lines[0].text, "Asset HALVERN");
    // 2.625 × 1 inch in mils.
    EXPECT_NEAR(label.label.cx, 2625, 1);
    EXPECT_NEAR(label.label.cy, 1000, 1);
    // The picture of the view is the label's: wider than the symbol alone.
    EXPECT_GT(frame->GetActiveView()->GetSymbolSize().cx, LabelPaperSize(plain).cx);
}

} // namespace
