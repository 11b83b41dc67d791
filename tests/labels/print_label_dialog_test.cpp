// The print dialog with label selection: how it starts, what its lists, buttons and arrows do,
// and exactly what Save and OK store, on SQLite and on PostgreSQL.

#include "labels/print_label_dialog.h"

#include "common/settings_store.h"
#include "labels/filter_edit.h"
#include "labels/label_database.h"
#include "labels/label_lengths.h"
#include "labels/label_setting_dialog.h"
#include "labels/printer_settings.h"
#include "labels/sheet_preview.h"
#include "labels/spin_button.h"
#include "tests/labels/label_db_fixture.h"
#include "tests/labels/labels_test_support.h"
#include "tests/support/temp_env.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace {

using Engine = LabelConnectionParams::Engine;
using D = CBWLabelSettingDialog;

// Besides the user's own maker (22, no labels, first in the list): Acme (23) with A1 and A2,
// and Birch (24) with one label whose paper index names no paper.
std::vector<LabelStockRow> Stock() {
    return {
        {"Acme", "A1", "Address", {0, 6668, 2540, 1270, 476, 6985, 2540, 3, 10}},
        {"Acme", "A2", "Shipping", {2, 9906, 13900, 1000, 500, 10160, 14000, 2, 2}},
        {"Birch", "B7", "Cards", {40, 8500, 5400, 1300, 1500, 9000, 5500, 2, 5}},
    };
}
constexpr int kUserMaker = CLabelDatabase::kUserCompanyId;
constexpr int kAcme = 23;

constexpr int kAbsent = -424242;
int Stored(const char* key) {
    return SettingsStore().GetInt("Print", key, kAbsent);
}

QString SelectedText(const CBWPrintLabelDialog& d) {
    const QList<QListWidgetItem*> items = d.ProductList().selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
}

QStringList Readouts(const CBWPrintLabelDialog& d) {
    return {d.IdReadout().text(), d.TypeReadout().text(), d.HeightReadout().text(),
            d.WidthReadout().text(), d.PaperReadout().text()};
}

// Check boxes and radio buttons answer clicks on their box and text only, not on the rest of
// their row: click on the box.
void Click(QAbstractButton& button) {
    const int h = button.height() / 2;
    QTest::mouseClick(&button, Qt::LeftButton, {},
                      qobject_cast<QPushButton*>(&button) ? button.rect().center() : QPoint(h, h));
}

void ClickProduct(CBWPrintLabelDialog& d, int row) {
    QListWidget& list = d.ProductList();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(row)).center());
}

// Answers the label setting dialog: `edit` changes it, then OK is clicked.
CBWPrintLabelDialog::LabelSettingRunner AnswerWithOk(std::function<void(D&)> edit) {
    return [edit](D& s) {
        s.show();
        edit(s);
        Click(s.OkButton());
        return s.result();
    };
}

const PrinterChoices kTwoPrinters = {{"Office", "Labels"}, "Labels"};

class PrintLabelDialogTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(m_db.Create(GetParam(), Dir(), Stock()));
        ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                                m_db.Connection().toStdString()));
        // A job of no printer of the machine's: its papers are the toolkit's own.
        printer.setOutputFormat(QPrinter::PdfFormat);
    }

    QString Dir() const { return QString::fromStdString(env.Root().string()); }

    // Started and shown as exec() does, without its modal loop; with two printers to choose
    // from, so the result does not depend on the printers of the machine running the test.
    std::unique_ptr<CBWPrintLabelDialog> Open() {
        auto d = std::make_unique<CBWPrintLabelDialog>(&printer);
        d->SetPrinters(kTwoPrinters);
        EXPECT_TRUE(d->OnInitDialog());
        d->show();
        QApplication::processEvents();
        return d;
    }

    // The labels of one maker as a connection of its own reads them from the database.
    std::vector<LabelRecord> LabelsOf(int makerId) const {
        CLabelDatabase db(m_db.Params());
        std::vector<LabelRecord> labels;
        for (const LabelMaker& m : db.ListMakers())
            if (m.id == makerId)
                for (const LabelProduct& p : db.ListProducts(m.bookmark))
                    labels.push_back(db.ReadLabel(p.bookmark));
        return labels;
    }

    LabelRecord MyLabel() const {
        LabelRecord r;
        r.name1 = "Mine";
        r.name2 = "Notes";
        r.geometry = {.width = 10160, .height = 2540, .numberAcross = 2, .numberDown = 10};
        return r;
    }

    TempEnv env;
    ScratchLabelDatabase m_db;
    QPrinter printer;
};

TEST_P(PrintLabelDialogTest, FirstUseSelectsTheFirstProductOfTheTable) {
    auto d = Open();
    EXPECT_TRUE(d->UseLabelBox().isChecked());
    EXPECT_TRUE(d->IsExpanded());
    EXPECT_EQ(d->size(), d->ExpandedSize());
    EXPECT_TRUE(d->ProductList().isVisible());
    EXPECT_TRUE(d->FullPageRadio().isChecked());
    EXPECT_EQ(d->RowField().text(), "1");
    EXPECT_EQ(d->ColumnField().text(), "1");
    for (QWidget* w : std::initializer_list<QWidget*>{&d->RowField(), &d->ColumnField(),
                                                      &d->RowSpin(), &d->ColumnSpin()})
        EXPECT_FALSE(w->isEnabled());

    EXPECT_EQ(d->MakerList().count(), 3);
    EXPECT_EQ(d->MakerList().currentText(), "Acme");
    EXPECT_EQ(d->ProductList().count(), 2) << "Acme's products only";
    EXPECT_EQ(SelectedText(*d), "A1 - Address");
    // No unit set: inches.
    // The ID with the maker and number the command line's --label also takes.
    EXPECT_EQ(Readouts(*d), QStringList({"1 (Acme:A1)", "Address", "1.00 in", "2.63 in",
                                         "Letter (8 1/2 x 11 inch)"}));
    EXPECT_TRUE(d->DetailsButton().isEnabled());
    EXPECT_TRUE(d->NewLabelButton().isEnabled());
    EXPECT_FALSE(d->DeleteButton().isEnabled()) << "a stock label cannot be deleted";
    EXPECT_EQ(Stored("UseLabel"), kAbsent) << "opening stores nothing";
}

TEST_P(PrintLabelDialogTest, StartsFromTheSavedProductOrFallsBackToTheFirst) {
    int deleted = 0;
    {
        CLabelDatabase db(m_db.Params());
        deleted = db.InsertLabel(MyLabel()).id;
        for (const LabelMaker& m : db.ListMakers())
            if (m.id == kUserMaker) db.DeleteLabel(db.ListProducts(m.bookmark).at(0).bookmark);
    }
    const struct {
        int saved;
        const char* maker;
        const char* product;
        const char* paper;
    } cases[] = {
        {3, "Birch", "B7 - Cards", ""}, // a paper index that names no paper shows none
        {2, "Acme", "A2 - Shipping", "A4 (21 x 29.7 cm)"},
        {deleted, "Acme", "A1 - Address", "Letter (8 1/2 x 11 inch)"},
        {0, "Acme", "A1 - Address", "Letter (8 1/2 x 11 inch)"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SettingsStore().WriteInt("Print", "SavedLabelID", c.saved));
        auto d = Open();
        EXPECT_EQ(d->MakerList().currentText(), c.maker) << c.saved;
        EXPECT_EQ(SelectedText(*d), c.product) << c.saved;
        EXPECT_EQ(d->PaperReadout().text(), c.paper) << c.saved;
    }
}

TEST_P(PrintLabelDialogTest, RestoresTheStoredChoices) {
    const struct {
        int useLabel, fullPage, row, column;
        bool expanded, single;
        const char *rowText, *columnText;
    } cases[] = {
        {0, 1, 7, 3, false, true, "7", "3"},
        // Printing takes any FullPage but 1 for a full sheet; positions the fields cannot
        // hold show as the first label.
        {5, 2, -4, 2000000000, true, false, "1", "1"},
    };
    for (const auto& c : cases) {
        SettingsStore s;
        ASSERT_TRUE(s.WriteInt("Print", "UseLabel", c.useLabel));
        ASSERT_TRUE(s.WriteInt("Print", "FullPage", c.fullPage));
        ASSERT_TRUE(s.WriteInt("Print", "Row", c.row));
        ASSERT_TRUE(s.WriteInt("Print", "Column", c.column));
        auto d = Open();
        EXPECT_EQ(d->UseLabelBox().isChecked(), c.useLabel != 0);
        EXPECT_EQ(d->IsExpanded(), c.expanded);
        EXPECT_EQ(d->size(), c.expanded ? d->ExpandedSize() : d->CollapsedSize());
        EXPECT_EQ(d->ProductList().isVisible(), c.expanded);
        EXPECT_EQ(d->SingleLabelRadio().isChecked(), c.single);
        EXPECT_EQ(d->FullPageRadio().isChecked(), !c.single);
        EXPECT_EQ(d->RowField().isEnabled(), c.single);
        EXPECT_EQ(d->ColumnSpin().isEnabled(), c.single);
        EXPECT_EQ(d->RowField().text(), c.rowText);
        EXPECT_EQ(d->ColumnField().text(), c.columnText);
    }
}

TEST_P(PrintLabelDialogTest, ReadoutsFollowTheUnitSetting) {
    const struct {
        int unit;
        const char *height, *width;
    } cases[] = {{0, "1.00 in", "2.63 in"}, {1, "2.54 cm", "6.67 cm"}, {2, "2.54 cm", "6.67 cm"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(SettingsStore().WriteInt("Options", "Unit", c.unit));
        auto d = Open();
        EXPECT_EQ(d->HeightReadout().text(), c.height) << c.unit;
        EXPECT_EQ(d->WidthReadout().text(), c.width) << c.unit;
    }
}

TEST_P(PrintLabelDialogTest, StockLabelDetailsWriteNothingUnlessTheGeometryChanges) {
    auto d = Open();
    ASSERT_EQ(SelectedText(*d), "A1 - Address");

    int runs = 0;
    d->SetLabelSettingRunner(AnswerWithOk([&](D& s) {
        ++runs;
        EXPECT_EQ(s.GetLabelID(), 1);
        EXPECT_FALSE(s.NameBox().isEnabled());
        EXPECT_EQ(s.NameBox().text(), "A1");
        // Inches: 476 / 2.54 = 187.4 thousandths of an inch.
        EXPECT_EQ(s.LengthField(D::SideMargin).text(), "0.187");
        EXPECT_EQ(s.UnitCaption(D::SideMargin).text(), "in");
    }));
    Click(d->DetailsButton());
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(LabelsOf(kUserMaker).empty());
    EXPECT_EQ(SelectedText(*d), "A1 - Address");

    d->SetLabelSettingRunner(AnswerWithOk([](D& s) {
        s.Spin(D::SideMargin).Step(+1);
        s.Spin(D::SideMargin).Step(+1);
        ASSERT_EQ(s.GetLabelID(), -1) << "the change made it a new label";
        s.NameBox().SetWindowText("A1 wide");
    }));
    Click(d->DetailsButton());

    const std::vector<LabelRecord> mine = LabelsOf(kUserMaker);
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine[0].name1, "A1 wide");
    EXPECT_EQ(mine[0].name2, "Address");
    EXPECT_FALSE(mine[0].stock);
    EXPECT_EQ(mine[0].geometry.sideMargin, 525)
        << "0.207 in = 525.78 thousandths of a cm, truncated";
    EXPECT_EQ(mine[0].geometry.height, 2540) << "1.000 in";
    EXPECT_EQ(mine[0].geometry.width, 6667) << "trunc(6668 / 2.54) = 2625, and 2.625 in = 6667.5";
    EXPECT_EQ(mine[0].geometry.numberAcross, 3);
    EXPECT_EQ(mine[0].geometry.numberDown, 10);
    EXPECT_EQ(LabelsOf(kAcme).at(0).geometry.sideMargin, 476) << "the stock label is untouched";

    EXPECT_EQ(d->MakerList().currentText(), "Custom Labels");
    EXPECT_EQ(SelectedText(*d), "A1 wide - Address");
    EXPECT_TRUE(d->DeleteButton().isEnabled()) << "the user's own label";

    // The user's own label is changed in place.
    d->SetLabelSettingRunner(AnswerWithOk([](D& s) {
        EXPECT_TRUE(s.NameBox().isEnabled());
        s.NameBox().SetWindowText("A1 wider");
    }));
    Click(d->DetailsButton());
    const std::vector<LabelRecord> changed = LabelsOf(kUserMaker);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].id, mine[0].id);
    EXPECT_EQ(changed[0].name1, "A1 wider");
    EXPECT_EQ(SelectedText(*d), "A1 wider - Address");
}

TEST_P(PrintLabelDialogTest, NewLabelIsStoredFromTheUnitItWasEnteredIn) {
    auto d = Open(); // inches
    d->SetLabelSettingRunner([](D& s) {
        s.reject();
        return s.result();
    });
    Click(d->NewLabelButton());
    EXPECT_TRUE(LabelsOf(kUserMaker).empty()) << "cancelled";

    d->SetLabelSettingRunner(AnswerWithOk([](D& s) {
        EXPECT_TRUE(s.IsUnitCentimetres()) << "a new label is entered in centimetres";
        s.NameBox().SetWindowText("Mine");
        s.LengthField(D::LabelWidth).SetWindowText("10.16");
        s.LengthField(D::TopMargin).SetWindowText("1.5");
    }));
    Click(d->NewLabelButton());
    const std::vector<LabelRecord> mine = LabelsOf(kUserMaker);
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine[0].geometry.width, 10160);
    EXPECT_EQ(mine[0].geometry.topMargin, 1500);
    EXPECT_EQ(mine[0].geometry.height, 2540);
    EXPECT_EQ(mine[0].geometry.numberAcross, 2);
    EXPECT_EQ(mine[0].geometry.numberDown, 10);
    EXPECT_FALSE(mine[0].stock);
    EXPECT_EQ(d->MakerList().currentText(), "Custom Labels");
    EXPECT_EQ(SelectedText(*d), "Mine - ");
    EXPECT_EQ(d->WidthReadout().text(), "4.00 in");
}

TEST_P(PrintLabelDialogTest, NewLabelWithAnEmptyProductListIsStored) {
    auto d = Open();
    d->MakerList().setCurrentIndex(0); // the user's own maker, without labels yet
    EXPECT_EQ(d->ProductList().count(), 0);
    EXPECT_EQ(Readouts(*d), QStringList({"", "", "", "", ""}));
    EXPECT_FALSE(d->DetailsButton().isEnabled());
    EXPECT_FALSE(d->DeleteButton().isEnabled());
    EXPECT_TRUE(d->NewLabelButton().isEnabled());

    d->SetLabelSettingRunner(AnswerWithOk([](D& s) { s.NameBox().SetWindowText("First"); }));
    Click(d->NewLabelButton());
    ASSERT_EQ(LabelsOf(kUserMaker).size(), 1u);
    EXPECT_EQ(d->ProductList().count(), 1);
    EXPECT_EQ(SelectedText(*d), "First - ");
    EXPECT_EQ(d->HeightReadout().text(), "1.00 in");
}

TEST_P(PrintLabelDialogTest, DeleteAsksFirst) {
    {
        CLabelDatabase db(m_db.Params());
        ASSERT_TRUE(
            SettingsStore().WriteInt("Print", "SavedLabelID", db.InsertLabel(MyLabel()).id));
    }
    auto d = Open();
    ASSERT_EQ(SelectedText(*d), "Mine - Notes");
    ASSERT_TRUE(d->DeleteButton().isEnabled());

    QuestionCatcher asked(IDNO);
    Click(d->DeleteButton());
    EXPECT_EQ(LabelsOf(kUserMaker).size(), 1u) << "No keeps it";
    asked.answer = IDYES;
    Click(d->DeleteButton());

    EXPECT_EQ(asked.texts, QStringList(2, "Are you sure that you want to delete this label?"));
    EXPECT_TRUE(LabelsOf(kUserMaker).empty());
    EXPECT_EQ(d->MakerList().currentText(), "Custom Labels");
    EXPECT_EQ(d->ProductList().count(), 0);
    EXPECT_EQ(Readouts(*d), QStringList({"", "", "", "", ""}));
    EXPECT_FALSE(d->DeleteButton().isEnabled());
}

TEST_P(PrintLabelDialogTest, CancelStoresNothingAndSaveEndsAsCancelled) {
    {
        auto d = Open();
        Click(d->UseLabelBox());
        Click(d->SingleLabelRadio());
        Click(d->CancelButton());
        EXPECT_EQ(d->result(), QDialog::Rejected);
        EXPECT_EQ(Stored("UseLabel"), kAbsent);
        EXPECT_EQ(Stored("FullPage"), kAbsent);
    }
    {
        // Save runs inside exec(), which must then say Rejected: nothing is printed.
        CBWPrintLabelDialog d(&printer);
        d.SetPrinters(kTwoPrinters);
        QTimer::singleShot(0, &d, [&d] {
            EXPECT_TRUE(d.isVisible());
            Click(d.UseLabelBox());
            Click(d.SaveButton());
        });
        EXPECT_EQ(d.exec(), QDialog::Rejected);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(Stored("UseLabel"), 0);
        EXPECT_EQ(Stored("FullPage"), 0);
        EXPECT_EQ(Stored("Row"), 1);
        EXPECT_EQ(Stored("Column"), 1);
        EXPECT_EQ(Stored("SavedLabelID"), 1);
        EXPECT_EQ(Stored("LabelWidth"), 6668);
    }
    {
        // With no product selected only the four general settings are written.
        auto d = Open();
        EXPECT_FALSE(d->UseLabelBox().isChecked());
        d->MakerList().setCurrentIndex(0);
        ASSERT_EQ(d->ProductList().count(), 0);
        Click(d->SingleLabelRadio());
        d->RowField().SetWindowText("5");
        Click(d->SaveButton());
        EXPECT_EQ(Stored("FullPage"), 1);
        EXPECT_EQ(Stored("Row"), 5);
        EXPECT_EQ(Stored("SavedLabelID"), 1);
        EXPECT_EQ(Stored("LabelWidth"), 6668);
    }
}

TEST_P(PrintLabelDialogTest, OkStoresTheSelectedProductAndHandsThePrinterItsChoices) {
    auto d = Open();
    EXPECT_EQ(d->SelectedPrinterName(), "Labels") << "the default printer";
    ClickProduct(*d, 1);
    ASSERT_EQ(SelectedText(*d), "A2 - Shipping");
    EXPECT_EQ(d->HeightReadout().text(), "5.47 in");
    Click(d->SingleLabelRadio());
    EXPECT_TRUE(d->RowField().isEnabled());
    EXPECT_TRUE(d->ColumnSpin().isEnabled());
    d->RowField().SetWindowText("2");
    d->ColumnField().SetWindowText("3");
    d->CopiesBox().setValue(3);
    d->CollateBox().setChecked(false);
    Click(d->OkButton());
    EXPECT_EQ(d->result(), QDialog::Accepted);

    const struct {
        const char* key;
        int value;
    } expected[] = {
        {"UseLabel", 1},        {"FullPage", 1},      {"Row", 2},
        {"Column", 3},          {"SavedLabelID", 2},  {"LabelWidth", 9906},
        {"LabelHeight", 13900}, {"VertPitch", 14000}, {"HorzPitch", 10160},
        {"TopMargin", 1000},    {"SideMargin", 500},  {"NumberAcross", 2},
        {"NumberDown", 2},
    };
    for (const auto& e : expected)
        EXPECT_EQ(Stored(e.key), e.value) << e.key;
    EXPECT_EQ(printer.copyCount(), 3);
    EXPECT_FALSE(printer.collateCopies());
}

TEST_P(PrintLabelDialogTest, TheSheetPictureShowsTheProductAndMarksTheSingleLabel) {
    auto d = Open();
    CBWSheetPreview& sheet = d->SheetPreview();
    EXPECT_TRUE(sheet.isVisible());
    ASSERT_TRUE(sheet.Sheet());
    EXPECT_EQ(*sheet.Sheet(), Stock()[0].geometry) << "A1, the first product";
    using P = LabelPosition;
    EXPECT_EQ(sheet.Marked(), std::vector<P>({{0, 0}}))
        << "a full page marks the run's first label";
    EXPECT_EQ(sheet.Used(), 0);

    ClickProduct(*d, 1);
    const CLabelGeometry a2 = Stock()[1].geometry;
    ASSERT_TRUE(sheet.Sheet());
    EXPECT_EQ(*sheet.Sheet(), a2);

    // Row counts across, Column down; the picture follows typing and the arrows.
    Click(d->SingleLabelRadio());
    EXPECT_EQ(sheet.Marked(), std::vector<P>({{0, 0}}));
    TypeOver(d->RowField(), "2");
    EXPECT_EQ(sheet.Marked(), std::vector<P>({{1, 0}}));
    QTest::mouseClick(d->ColumnSpin().UpArrow(), Qt::LeftButton);
    EXPECT_EQ(sheet.Marked(), std::vector<P>({{1, 1}}));
    QTest::keyClick(&d->RowField(), Qt::Key_Down);
    EXPECT_EQ(sheet.Marked(), std::vector<P>({{0, 1}}));
    TypeOver(d->RowField(), "2");

    const SheetLayout layout = sheet.Layout();
    const QImage shown = sheet.grab().toImage();
    SaveForALook(d->grab().toImage(), "qm_print_label_dialog_sheet.png");
    const QColor highlight = sheet.palette().color(QPalette::Highlight);
    EXPECT_EQ(shown.pixelColor(layout.LabelRect(a2, {1, 1}).center().toPoint()), highlight);
    EXPECT_EQ(shown.pixelColor(layout.LabelRect(a2, {0, 1}).center().toPoint()), QColor(Qt::white));

    TypeOver(d->ColumnField(), "");
    EXPECT_TRUE(sheet.Marked().empty()) << "no position, nothing marked";
    TypeOver(d->ColumnField(), "1");
    Click(d->FullPageRadio());
    EXPECT_EQ(sheet.Marked(), std::vector<P>({{0, 0}}));

    d->MakerList().setCurrentIndex(0); // no products
    EXPECT_FALSE(sheet.Sheet());
}

TEST_P(PrintLabelDialogTest, PreselectsThePrinterOfTheLastPrint) {
    const struct {
        const char* stored;
        const char* selected;
    } cases[] = {{"Office", "Office"}, {"Gone", "Labels"}, {"", "Labels"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(SettingsStore().WriteString("Print", "Printer", c.stored));
        EXPECT_EQ(Open()->SelectedPrinterName(), c.selected) << c.stored;
    }
}

TEST_P(PrintLabelDialogTest, OkRemembersThePrinterWithItsPaperAndOrientation) {
    // The last print on Office was on A5, landscape.
    {
        SettingsStore s;
        ASSERT_TRUE(s.WriteString(PrinterSection("Office"), "PaperSize", "A5"));
        ASSERT_TRUE(s.WriteInt(PrinterSection("Office"), "Orientation", 1));
    }
    auto d = Open();
    Click(d->UseLabelBox()); // a plain page: the printer's own paper
    ASSERT_EQ(d->SelectedPrinterName(), "Labels");
    d->PrinterList().setFocus();
    QTest::keyClick(&d->PrinterList(), Qt::Key_Up);
    ASSERT_EQ(d->SelectedPrinterName(), "Office");
    Click(d->OkButton());
    ASSERT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A5);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    SettingsStore s;
    EXPECT_EQ(s.GetString("Print", "Printer", ""), "Office");

    // The next print starts from Office; on Labels it remembers that page for Labels too.
    QPrinter next;
    next.setOutputFormat(QPrinter::PdfFormat);
    next.setPageSize(QPageSize(QPageSize::Letter));
    next.setPageOrientation(QPageLayout::Portrait);
    CBWPrintLabelDialog e(&next);
    e.SetPrinters(kTwoPrinters);
    ASSERT_TRUE(e.OnInitDialog());
    e.show();
    EXPECT_EQ(e.SelectedPrinterName(), "Office");
    e.PrinterList().setFocus();
    QTest::keyClick(&e.PrinterList(), Qt::Key_Down);
    Click(e.OkButton());
    ASSERT_EQ(e.result(), QDialog::Accepted);
    EXPECT_EQ(s.GetString("Print", "Printer", ""), "Labels");
    EXPECT_EQ(s.GetString(PrinterSection("Labels"), "PaperSize", ""), "Letter");
    EXPECT_EQ(s.GetInt(PrinterSection("Labels"), "Orientation", -1), 0);
    EXPECT_EQ(s.GetString(PrinterSection("Office"), "PaperSize", ""), "A5") << "kept";
}

TEST_P(PrintLabelDialogTest, LabelSettingsPrintOnTheSheetsPaper) {
    const struct {
        int paperSize;
        QPageSize::PageSizeId id;
        double width, height; // millimetres, the paper upright
        QPageLayout::Orientation orientation;
    } cases[] = {
        {2, QPageSize::A4, 210, 297, QPageLayout::Portrait},
        {3, QPageSize::A4, 210, 297, QPageLayout::Landscape},
        {7, QPageSize::Custom, 107.95, 127, QPageLayout::Portrait}, // Mini
        // A paper index that names no paper: the page last printed on the printer.
        {40, QPageSize::A5, 148, 210, QPageLayout::Landscape},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paperSize);
        {
            SideConnection side(m_db.Params());
            ASSERT_TRUE(side.IsOpen());
            side.Exec(
                QStringLiteral("UPDATE labels SET PaperSize = %1 WHERE ID = 2").arg(c.paperSize));
            SettingsStore s;
            ASSERT_TRUE(s.WriteString(PrinterSection("Labels"), "PaperSize", "A5"));
            ASSERT_TRUE(s.WriteInt(PrinterSection("Labels"), "Orientation", 1));
        }
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setPageOrientation(QPageLayout::Portrait);
        auto d = Open();
        ClickProduct(*d, 1);
        ASSERT_EQ(SelectedText(*d), "A2 - Shipping");
        Click(d->OkButton());
        ASSERT_EQ(d->result(), QDialog::Accepted);
        const QPageLayout page = printer.pageLayout();
        EXPECT_EQ(page.pageSize().id(), c.id);
        EXPECT_NEAR(page.pageSize().size(QPageSize::Millimeter).width(), c.width, 0.05);
        EXPECT_NEAR(page.pageSize().size(QPageSize::Millimeter).height(), c.height, 0.05);
        EXPECT_EQ(page.orientation(), c.orientation);
        // Remembered as printed.
        EXPECT_EQ(SettingsStore().GetInt(PrinterSection("Labels"), "Orientation", -1),
                  c.orientation == QPageLayout::Landscape ? 1 : 0);
    }
}

TEST_P(PrintLabelDialogTest, PaperThePrinterDoesNotTakeIsQuestionedBeforePrinting) {
    const auto papers = [](const QString& printer) {
        PrinterPapers p;
        p.known = true;
        p.sizes = {QPageSize(printer == "Office" ? QPageSize::A4 : QPageSize::Letter)};
        return p;
    };
    const QString question =
        "The printer \"Labels\" does not take A4 (21 x 29.7 cm) paper, the paper of the label "
        "\"A2 - Shipping\".\n\nPrint on this printer all the same?";
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer);
        auto d = Open();
        d->SetPaperLister(papers);
        ClickProduct(*d, 1); // A4
        {
            QuestionCatcher asked(answer);
            Click(d->OkButton());
            EXPECT_EQ(asked.texts, QStringList({question}));
        }
        if (answer == IDNO) {
            EXPECT_TRUE(d->isVisible()) << "nothing is printed";
            EXPECT_EQ(d->focusWidget(), &d->PrinterList());
            for (const char* key : {"UseLabel", "SavedLabelID", "Printer"})
                EXPECT_EQ(Stored(key), kAbsent) << key;
        } else {
            EXPECT_EQ(d->result(), QDialog::Accepted);
            EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A4);
        }
    }

    // A printer that takes the paper, or a plain page, asks nothing; nor does Save, which
    // prints nothing.
    MessageCatcher none;
    auto d = Open();
    d->SetPaperLister(papers);
    ClickProduct(*d, 1);
    Click(d->SaveButton());
    EXPECT_FALSE(d->isVisible());
    d = Open();
    d->SetPaperLister(papers);
    ClickProduct(*d, 1);
    d->PrinterList().setFocus();
    QTest::keyClick(&d->PrinterList(), Qt::Key_Up);
    Click(d->OkButton());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    d = Open();
    d->SetPaperLister(papers);
    d->PrinterList().setFocus();
    QTest::keyClick(&d->PrinterList(), Qt::Key_Down);
    ClickProduct(*d, 1);
    Click(d->UseLabelBox());
    Click(d->OkButton());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_TRUE(none.texts.isEmpty()) << none.texts.join('|').toStdString();
}

TEST_P(PrintLabelDialogTest, EmptyRowOrColumnIsRefusedAndNothingStored) {
    auto d = Open();
    Click(d->SingleLabelRadio());
    for (CFilterIntegerEdit* field : {&d->RowField(), &d->ColumnField()}) {
        for (QPushButton* button : {&d->OkButton(), &d->SaveButton()}) {
            field->SetWindowText("");
            {
                MessageCatcher messages;
                Click(*button);
                EXPECT_EQ(messages.texts, QStringList({"Please enter a positive integer."}));
            }
            EXPECT_TRUE(d->isVisible());
            EXPECT_EQ(d->focusWidget(), field);
            EXPECT_EQ(Stored("UseLabel"), kAbsent);
            EXPECT_EQ(Stored("SavedLabelID"), kAbsent);
            field->SetWindowText("4");
        }
    }
    // 0 is a position (one pitch before the first label), not a refusal.
    d->RowField().SetWindowText("0");
    Click(d->OkButton());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(Stored("Row"), 0);
    EXPECT_EQ(Stored("Column"), 4);
}

TEST_P(PrintLabelDialogTest, AProductThatCannotPrintIsRefusedAndNothingStored) {
    const struct {
        const char* set;
        const char* says;
    } cases[] = {
        // A pitch of a thousandth of a centimetre on a sheet of 100,000 × 100,000 labels.
        {"HorizontalPitch = 1, VerticalPitch = 1, NumberAcross = 100000, NumberDown = 100000",
         "it has more than 10000 labels on a sheet"},
        {"HorizontalPitch = 1, VerticalPitch = 1",
         "its horizontal pitch is smaller than its width"},
        {"Width = 1, Height = 1", "it is narrower than a printer dot"},
        {"NumberDown = 0", "it has no labels down"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        {
            SideConnection side(m_db.Params());
            ASSERT_TRUE(side.IsOpen());
            side.Exec("UPDATE labels SET Width = 8500, Height = 5400, HorizontalPitch = 9000, "
                      "VerticalPitch = 5500, NumberAcross = 2, NumberDown = 5 WHERE ID = 3");
            side.Exec(QStringLiteral("UPDATE labels SET %1 WHERE ID = 3").arg(c.set));
        }
        auto d = Open();
        d->MakerList().setCurrentIndex(2);
        ASSERT_EQ(SelectedText(*d), "B7 - Cards");
        for (QPushButton* button : {&d->OkButton(), &d->SaveButton()}) {
            MessageCatcher messages;
            Click(*button);
            EXPECT_EQ(messages.texts,
                      QStringList({QStringLiteral("The label \"B7 - Cards\" cannot be printed: "
                                                  "%1. Choose another label or correct it with "
                                                  "Details.")
                                       .arg(c.says)}));
            EXPECT_TRUE(d->isVisible());
            EXPECT_EQ(d->focusWidget(), &d->ProductList());
            for (const char* key : {"UseLabel", "Row", "SavedLabelID", "LabelWidth", "HorzPitch"})
                EXPECT_EQ(Stored(key), kAbsent) << key;
        }
    }
    // Another product prints as ever.
    auto d = Open();
    d->MakerList().setCurrentIndex(1);
    Click(d->OkButton());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(Stored("SavedLabelID"), 1);
}

TEST_P(PrintLabelDialogTest, SettingsThatCannotBeWrittenKeepTheDialogOpen) {
    auto d = Open();
    // A folder where the writers' lock file belongs: the store still reads, but cannot write.
    const QString lock =
        QString::fromStdString((env.ConfigHome() / "Halvern" / ".Quillmark.conf.lock").string());
    QFile::remove(lock);
    ASSERT_TRUE(QDir().mkpath(lock));
    d->CopiesBox().setValue(2);
    MessageCatcher messages;
    Click(d->OkButton());
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith("The print settings could not be saved in"))
        << messages.texts[0].toStdString();
    EXPECT_TRUE(d->isVisible()) << "printing with the old label settings would be wrong";
    EXPECT_EQ(printer.copyCount(), 1) << "the printer is left as it was";
}

TEST_P(PrintLabelDialogTest, ExpanderClickedTwiceReturnsToTheSameSize) {
    auto d = Open();
    const QRect before = d->geometry();
    Click(d->UseLabelBox());
    QApplication::processEvents();
    EXPECT_FALSE(d->UseLabelBox().isChecked());
    EXPECT_FALSE(d->IsExpanded());
    EXPECT_EQ(d->size(), d->CollapsedSize());
    EXPECT_EQ(d->width(), before.width());
    EXPECT_LT(d->height(), before.height());
    EXPECT_EQ(d->geometry().topLeft(), before.topLeft()) << "it keeps its place";
    EXPECT_FALSE(d->ProductList().isVisible());
    // What stays is the part above the line, the line included.
    EXPECT_TRUE(d->SaveButton().isVisible());
    EXPECT_LE(d->SeparatorLine().geometry().bottom(), d->height());
    EXPECT_GE(d->SeparatorLine().geometry().bottom(), d->UseLabelBox().geometry().bottom());

    Click(d->UseLabelBox());
    QApplication::processEvents();
    EXPECT_TRUE(d->IsExpanded());
    EXPECT_EQ(d->geometry(), before);
    EXPECT_TRUE(d->ProductList().isVisible());
}

TEST_P(PrintLabelDialogTest, DatabaseErrorWhileSavingALabelKeepsTheDialog) {
    auto d = Open();
    SideConnection side(m_db.Params());
    ASSERT_TRUE(side.IsOpen());
    side.Exec("DROP TABLE labels");
    d->SetLabelSettingRunner(AnswerWithOk([](D& s) { s.NameBox().SetWindowText("Mine"); }));
    MessageCatcher messages;
    Click(d->NewLabelButton());
    const QString expected = GetParam() == Engine::SQLite ? "no such table: labels"
                                                          : "relation \"labels\" does not exist";
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(expected)) << messages.texts[0].toStdString();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->MakerList().currentText(), "Acme") << "nothing selected anew";
    EXPECT_EQ(SelectedText(*d), "A1 - Address");
}

// Replaces a spin box's value by typing, as a user does: all selected, then the digits.
void TypeInto(QAbstractSpinBox& box, const char* text) {
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&box, QString::fromLatin1(text));
}

void ClickLabel(CBWSheetPreview& sheet, LabelPosition at) {
    const SheetLayout layout = sheet.Layout();
    QTest::mouseClick(&sheet, Qt::LeftButton, {},
                      layout.LabelRect(*sheet.Sheet(), at).center().toPoint());
}

std::string StoredText(const char* key) {
    return SettingsStore().GetString("Print", key, "<absent>");
}

TEST_P(PrintLabelDialogTest, ANumberedRunFromAClickedLabelIsStoredAndComesBack) {
    {
        auto d = Open();
        Click(d->NumberedRadio());
        TypeOver(d->FirstField(), "37");
        TypeOver(d->LastField(), "336");
        TypeInto(d->DigitsBox(), "5");
        TypeOver(d->PrefixField(), "INV-");
        // The fifth label of A1's 3 × 10 sheet: row 2, column 2; four labels are used.
        CBWSheetPreview& sheet = d->SheetPreview();
        ClickLabel(sheet, {1, 1});
        EXPECT_EQ(d->StartRowBox().value(), 2);
        EXPECT_EQ(d->StartColumnBox().value(), 2);
        EXPECT_EQ(d->StartNumberBox().value(), 5);
        EXPECT_EQ(sheet.Used(), 4);
        EXPECT_EQ(sheet.Marked(), std::vector<LabelPosition>({{1, 1}}));
        SaveForALook(d->grab().toImage(), "qm_print_label_dialog_numbered.png");
        Click(d->OkButton());
        EXPECT_EQ(d->result(), QDialog::Accepted);
    }
    EXPECT_EQ(Stored("RunKind"), 1);
    EXPECT_EQ(StoredText("RunFirst"), "37");
    EXPECT_EQ(StoredText("RunLast"), "336");
    EXPECT_EQ(StoredText("RunNumbers"), "");
    EXPECT_EQ(Stored("RunDigits"), 5);
    EXPECT_EQ(StoredText("RunPrefix"), "INV-");
    EXPECT_EQ(Stored("StartRow"), 2);
    EXPECT_EQ(Stored("StartColumn"), 2);

    auto d = Open();
    EXPECT_TRUE(d->NumberedRadio().isChecked());
    CLabelRunChoice expected;
    expected.kind = CLabelRunChoice::Kind::Numbered;
    expected.first = "37";
    expected.last = "336";
    expected.digits = 5;
    expected.prefix = "INV-";
    expected.startRow = expected.startColumn = 2;
    EXPECT_EQ(d->RunChoice(), expected);
    EXPECT_EQ(d->SheetPreview().Used(), 4);
    // A count in place of the last number: typing one clears the other.
    TypeOver(d->NumbersField(), "300");
    EXPECT_EQ(d->LastField().text(), "");
    TypeOver(d->LastField(), "40");
    EXPECT_EQ(d->NumbersField().text(), "");
}

TEST_P(PrintLabelDialogTest, TheStartFollowsTheSheetAndTheChoiceOfASingleLabel) {
    auto d = Open();
    // The last label of the 3 × 10 sheet by its number.
    TypeInto(d->StartNumberBox(), "30");
    EXPECT_EQ(d->StartRowBox().value(), 10);
    EXPECT_EQ(d->StartColumnBox().value(), 3);
    EXPECT_EQ(d->SheetPreview().Used(), 29);
    TypeInto(d->StartColumnBox(), "1");
    EXPECT_EQ(d->StartNumberBox().value(), 28);
    // A2's sheet is 2 × 2: the start is held to it.
    ClickProduct(*d, 1);
    EXPECT_EQ(d->StartRowBox().value(), 2);
    EXPECT_EQ(d->StartColumnBox().maximum(), 2);
    EXPECT_EQ(d->StartNumberBox().value(), 3);
    // A single label prints where Row and Column say; a click on the picture sets them.
    Click(d->SingleLabelRadio());
    EXPECT_FALSE(d->StartRowBox().isEnabled());
    EXPECT_EQ(d->SheetPreview().Used(), 0);
    ClickLabel(d->SheetPreview(), {1, 0});
    EXPECT_EQ(d->RowField().text(), "2") << "Row counts across";
    EXPECT_EQ(d->ColumnField().text(), "1");
    EXPECT_EQ(d->StartRowBox().value(), 2) << "the start is a choice of its own";
}

TEST_P(PrintLabelDialogTest, APreviewOfTheFirstLabelsAndWhatIsWrongWithThem) {
    auto d = Open();
    std::vector<std::pair<CLabelRunChoice, bool>> asked;
    std::optional<CLabelGeometry> sheetAsked;
    d->SetRunInspector([&](const CLabelRunChoice& run, const std::optional<CLabelGeometry>& sheet,
                           bool, bool whole) {
        asked.emplace_back(run, whole);
        sheetAsked = sheet;
        CRunReport report;
        report.preview = {{MakeMessage(Msg::WhereLine, "2"), "B-104"},
                          {MakeMessage(Msg::WhereLine, "3"), "N-7"}};
        report.tooLarge = MakeMessage(Msg::LabelSymbolTooLarge, "3.10 x 0.60 in", "2.62 x 1.00 in");
        return report;
    });
    Click(d->FromFileRadio());
    d->SetFileChooser([](const QString&) { return std::optional<QString>("/data/parts.csv"); });
    Click(d->BrowseButton());
    EXPECT_EQ(d->FileField().text(), "/data/parts.csv");
    TypeOver(d->DataColumnField(), "Code");
    Click(d->HeaderBox());
    d->RefreshRunPreview();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().first.kind, CLabelRunChoice::Kind::FromFile);
    EXPECT_EQ(asked.back().first.file, "/data/parts.csv");
    EXPECT_EQ(asked.back().first.column, "Code");
    EXPECT_TRUE(asked.back().first.header);
    EXPECT_FALSE(asked.back().second) << "the preview looks at the first labels only";
    ASSERT_TRUE(sheetAsked);
    EXPECT_EQ(*sheetAsked, Stock()[0].geometry);
    ASSERT_EQ(d->RunPreview().count(), 2);
    EXPECT_EQ(d->RunPreview().item(1)->text(), "line 3: N-7");
    EXPECT_EQ(d->RunNote().text(), "The symbol is cut by its label: the symbol, 3.10 x 0.60 in, is "
                                   "larger than the label, 2.62 x 1.00 in.");
    SaveForALook(d->grab().toImage(), "qm_print_label_dialog_file.png");
}

// "Browse..." opens in the folder a data file was last chosen in, also in a later dialog; a
// file already named is where it opens.
TEST_P(PrintLabelDialogTest, BrowseOpensWhereADataFileWasLastChosen) {
    std::vector<QString> opened;
    const auto chooser = [&opened](const QString& start) {
        opened.push_back(start);
        return std::optional<QString>("/data/lists/parts.csv");
    };
    {
        auto d = Open();
        Click(d->FromFileRadio());
        d->SetFileChooser(chooser);
        Click(d->BrowseButton());
        Click(d->BrowseButton());
    }
    auto d = Open();
    Click(d->FromFileRadio());
    d->FileField().clear();
    d->SetFileChooser(chooser);
    Click(d->BrowseButton());
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[1].toStdString(), "/data/lists/parts.csv");
    EXPECT_EQ(opened[2].toStdString(), "/data/lists");
}

TEST_P(PrintLabelDialogTest, OkAsksAboutLabelsThatWouldNotPrintAsGiven) {
    CRunReport problems;
    problems.labels = 4;
    problems.problemCount = 2;
    problems.problems = {
        {1, MakeMessage(Msg::WhereLine, "2"), "lower", {MakeMessage(Msg::LettersMadeCapitals)}},
        {3,
         MakeMessage(Msg::WhereLine, "4"),
         "5",
         {MakeMessage(Msg::LabelOutsideLatin1, "\xE2\x82\xAC")}}};
    CRunReport broken;
    broken.error = MakeMessage(Msg::RunRowMissingColumn, "7", "1", "2");
    const struct {
        CRunReport report;
        int answer;
        bool accepted, skip;
    } cases[] = {
        {problems, IDYES, true, false},
        {problems, IDNO, true, true},
        {problems, IDCANCEL, false, false},
        {broken, IDOK, false, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SettingsStore().DeleteKey("Print", "RunKind"));
        auto d = Open();
        d->SetRunInspector([&c](const CLabelRunChoice&, const std::optional<CLabelGeometry>&, bool,
                                bool whole) { return whole ? c.report : CRunReport{}; });
        Click(d->NumberedRadio());
        MessageCatcher catcher(c.answer);
        Click(d->OkButton());
        ASSERT_EQ(catcher.texts.size(), 1u);
        if (c.report.error.Empty())
            EXPECT_EQ(catcher.texts[0],
                      QString::fromUtf8("2 of the 4 labels would not print as given:\n\n"
                                        "line 2 \"lower\": lower-case letters were changed to "
                                        "capitals\n"
                                        "line 4 \"5\": \"\xE2\x82\xAC\" outside Latin-1 was left "
                                        "out\n\n"
                                        "Yes prints them as the symbology makes them, No leaves "
                                        "them out, Cancel goes back to the dialog."));
        else
            EXPECT_EQ(catcher.texts[0], "These labels cannot be printed: line 7 has 1 column, no "
                                        "column 2.");
        EXPECT_EQ(d->result() == QDialog::Accepted, c.accepted) << c.answer;
        EXPECT_EQ(d->isVisible(), !c.accepted);
        EXPECT_EQ(d->SkipProblems(), c.skip);
        EXPECT_EQ(Stored("RunKind"), c.accepted ? 1 : kAbsent) << "a refusal stores nothing";
    }
}

TEST_P(PrintLabelDialogTest, EachPrinterKeepsItsCalibration) {
    ASSERT_TRUE(SettingsStore().WriteInt("Options", "Unit", 1)); // millimetres
    ASSERT_TRUE(StoreCalibration("Office", {-20, 30, 1}));
    {
        auto d = Open();
        ASSERT_EQ(d->SelectedPrinterName(), "Labels");
        EXPECT_EQ(d->OffsetAcrossBox().suffix(), " mm");
        EXPECT_EQ(d->OffsetAcrossBox().value(), 0);
        // Up fifteen tenths of a millimetre across, down five; two dots off each bar.
        d->OffsetAcrossBox().setFocus();
        for (int i = 0; i < 15; ++i)
            QTest::keyClick(&d->OffsetAcrossBox(), Qt::Key_Up);
        d->OffsetDownBox().setFocus();
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(&d->OffsetDownBox(), Qt::Key_Down);
        TypeInto(d->BarReductionBox(), "2");
        Click(d->OkButton());
        EXPECT_EQ(d->result(), QDialog::Accepted);
    }
    EXPECT_EQ(StoredCalibration("Labels"), (PrinterCalibration{150, -50, 2}));
    EXPECT_EQ(StoredCalibration("Office"), (PrinterCalibration{-20, 30, 1}));
    auto d = Open();
    EXPECT_DOUBLE_EQ(d->OffsetAcrossBox().value(), 1.5);
    d->PrinterList().setCurrentIndex(0); // Office
    EXPECT_DOUBLE_EQ(d->OffsetAcrossBox().value(), -0.2);
    EXPECT_DOUBLE_EQ(d->OffsetDownBox().value(), 0.3);
    EXPECT_EQ(d->BarReductionBox().value(), 1);
    // The outline page stores the choices and ends the dialog without looking at the run.
    d->SetRunInspector(
        [](const CLabelRunChoice&, const std::optional<CLabelGeometry>&, bool, bool whole) {
            CRunReport report;
            if (whole) report.error = MakeMessage(Msg::RunNoLabels);
            return report;
        });
    Click(d->OutlinesButton());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_TRUE(d->OutlinesRequested());
    EXPECT_EQ(StoredCalibration("Office"), (PrinterCalibration{-20, 30, 1}));
}

INSTANTIATE_TEST_SUITE_P(Engines, PrintLabelDialogTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         [](const auto& info) {
                             return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
                         });

// ---- without a label database of the test's own ----

TEST(PrintLabelDialog, UpDownArrowsWrapAndOnlyRowFollowsTheArrowKeys) {
    const struct {
        int position, delta, next;
    } steps[] = {{10000, +1, 0}, {0, -1, 10000}, {41, +1, 42}, {41, -1, 40}};
    for (const auto& s : steps)
        EXPECT_EQ(WrapSpinStep(s.position, s.delta, 0, 10000), s.next) << s.position << s.delta;

    TempEnv env;
    QPrinter printer;
    CBWPrintLabelDialog d(&printer); // not started: the fields work without a database
    d.SingleLabelRadio().setChecked(true);
    enum Action { UpArrow, DownArrow, UpKey, DownKey };
    const struct {
        bool row;
        const char* before;
        Action action;
        const char* after;
    } cases[] = {
        {true, "10000", UpArrow, "0"},
        {true, "0", DownArrow, "10000"},
        {true, "41", UpKey, "42"},
        {true, "41", DownKey, "40"},
        {true, "0", DownKey, "10000"},
        // Beyond the arrows' range: they go on from its nearest end.
        {true, "20000", UpArrow, "0"},
        {false, "10000", UpArrow, "0"},
        {false, "7", DownArrow, "6"},
        {false, "41", UpKey, "41"},
    };
    for (const auto& c : cases) {
        CFilterIntegerEdit& field = c.row ? d.RowField() : d.ColumnField();
        CSpinButton& spin = c.row ? d.RowSpin() : d.ColumnSpin();
        CFilterIntegerEdit& other = c.row ? d.ColumnField() : d.RowField();
        field.SetWindowText(c.before);
        other.SetWindowText("17");
        switch (c.action) {
        case UpArrow:
            QTest::mouseClick(spin.UpArrow(), Qt::LeftButton);
            break;
        case DownArrow:
            QTest::mouseClick(spin.DownArrow(), Qt::LeftButton);
            break;
        case UpKey:
            QTest::keyClick(&field, Qt::Key_Up);
            break;
        case DownKey:
            QTest::keyClick(&field, Qt::Key_Down);
            break;
        }
        EXPECT_EQ(field.text(), c.after)
            << (c.row ? "Row " : "Column ") << c.before << " " << c.action;
        EXPECT_EQ(other.text(), "17") << "the other field stays";
    }
}

TEST(PrintLabelDialog, ReadoutsAndUnits) {
    LabelRecord r;
    r.name2 = "Address";
    r.geometry = {.paperSize = 12, .width = 6668, .height = 2540};
    const LabelReadouts in = MakeLabelReadouts(r, false);
    EXPECT_EQ(QStringList({in.type, in.height, in.width, in.paper}),
              QStringList({"Address", "1.00 in", "2.63 in", "B4 JIS ( 25.7 x 36.4 cm)"}));
    const LabelReadouts cm = MakeLabelReadouts(r, true);
    EXPECT_EQ(QStringList({cm.height, cm.width}), QStringList({"2.54 cm", "6.67 cm"}));
    r.geometry.paperSize = 13;
    EXPECT_EQ(MakeLabelReadouts(r, true).paper, "");

    // Read-outs: centimetres for anything but 0; the label setting dialog: only for 1.
    const struct {
        int unit;
        bool readouts, setting;
    } units[] = {{0, false, false}, {1, true, true}, {2, true, false}, {-1, true, false}};
    for (const auto& u : units) {
        EXPECT_EQ(ReadoutsInCentimetres(u.unit), u.readouts) << u.unit;
        EXPECT_EQ(LabelSettingInCentimetres(u.unit), u.setting) << u.unit;
    }
}

TEST(PrintLabelDialog, EachChoiceIsStoredUnderItsOwnKey) {
    TempEnv env;
    // Every value different, so one stored under another key shows.
    PrintLabelChoice choice;
    choice.useLabel = 0;
    choice.fullPage = 1;
    choice.row = 3;
    choice.column = 4;
    LabelRecord product;
    product.id = 55;
    product.geometry = {9, 101, 102, 103, 104, 105, 106, 107, 108};
    choice.product = product;
    ASSERT_TRUE(StorePrintLabelChoice(choice));
    const struct {
        const char* key;
        int value;
    } expected[] = {
        {"UseLabel", 0},      {"FullPage", 1},        {"Row", 3},           {"Column", 4},
        {"SavedLabelID", 55}, {"LabelWidth", 101},    {"LabelHeight", 102}, {"TopMargin", 103},
        {"SideMargin", 104},  {"HorzPitch", 105},     {"VertPitch", 106},   {"NumberAcross", 107},
        {"NumberDown", 108},  {"PaperSize", kAbsent},
    };
    for (const auto& e : expected)
        EXPECT_EQ(Stored(e.key), e.value) << e.key;
}

TEST(PrintLabelDialog, WhatKeepsAProductFromPrinting) {
    // A real sheet, changed one way at a time.
    const CLabelGeometry sheet = {0, 6668, 2540, 1270, 476, 6985, 2540, 3, 10};
    const struct {
        int CLabelGeometry::*field;
        int value;
        const char* says; // empty: it prints
    } cases[] = {
        {&CLabelGeometry::width, 5, ""}, // 1.18 dots at 600 dpi
        {&CLabelGeometry::width, 4, "it is narrower than a printer dot"},
        {&CLabelGeometry::width, 0, "it is narrower than a printer dot"},
        {&CLabelGeometry::height, 4, "it is shorter than a printer dot"},
        {&CLabelGeometry::height, -2540, "it is shorter than a printer dot"},
        {&CLabelGeometry::numberAcross, 0, "it has no labels across"},
        {&CLabelGeometry::numberDown, -1, "it has no labels down"},
        {&CLabelGeometry::numberDown, 3333, ""}, // 9,999 labels
        {&CLabelGeometry::numberDown, 3334, "it has more than 10000 labels on a sheet"},
        {&CLabelGeometry::numberDown, 999999999, "it has more than 10000 labels on a sheet"},
        {&CLabelGeometry::horizontalPitch, 6668, ""}, // labels edge to edge
        {&CLabelGeometry::horizontalPitch, 6667, "its horizontal pitch is smaller than its width"},
        {&CLabelGeometry::verticalPitch, 1, "its vertical pitch is smaller than its height"},
        {&CLabelGeometry::verticalPitch, -2540, "its vertical pitch is smaller than its height"},
    };
    EXPECT_EQ(LabelPrintFault(sheet), "");
    for (const auto& c : cases) {
        CLabelGeometry g = sheet;
        g.*c.field = c.value;
        EXPECT_EQ(LabelPrintFault(g), c.says) << c.value;
    }
    // One label a way needs no pitch that way.
    CLabelGeometry single = sheet;
    single.numberAcross = single.numberDown = 1;
    single.horizontalPitch = single.verticalPitch = 0;
    EXPECT_EQ(LabelPrintFault(single), "");
}

TEST(PrintLabelDialog, PrinterChoices) {
    TempEnv env;
    QPrinter printer;
    CBWPrintLabelDialog d(&printer);
    d.SetPrinters({{"A", "B", "C"}, "B"});
    EXPECT_EQ(d.SelectedPrinterName(), "B");
    EXPECT_TRUE(d.OkButton().isEnabled());
    d.SetPrinters({{"A", "B"}, ""});
    EXPECT_EQ(d.SelectedPrinterName(), "A");

    // Nothing to print on: the label choice can still be saved.
    d.SetPrinters({});
    EXPECT_EQ(d.SelectedPrinterName(), "");
    EXPECT_EQ(d.PrinterList().currentText(), "No printers are installed.");
    EXPECT_FALSE(d.OkButton().isEnabled());
    EXPECT_FALSE(d.ChangeButton().isEnabled());
    EXPECT_FALSE(d.CopiesBox().isEnabled());
    EXPECT_TRUE(d.SaveButton().isEnabled());
    EXPECT_TRUE(d.CancelButton().isEnabled());
}

TEST(PrintLabelDialog, DatabaseThatCannotBeOpenedEndsTheDialogUnshown) {
    TempEnv env;
    const QString missing = QString::fromStdString((env.Root() / "missing.dat").string());
    ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                            ("Driver=SQLite;DBQ=" + Quote(missing)).toStdString()));
    QPrinter printer;
    CBWPrintLabelDialog d(&printer);
    d.SetPrinters(kTwoPrinters);
    // A dialog that did show would wait for a click; end it so that the fault is reported.
    QTimer::singleShot(3000, &d, [&d] {
        ADD_FAILURE() << "the dialog was shown";
        d.reject();
    });
    MessageCatcher messages;
    EXPECT_EQ(d.exec(), QDialog::Rejected);
    EXPECT_EQ(messages.texts, QStringList({LabelDatabaseOpenFailureMessage(
                                  "The label database \"" + missing + "\" does not exist.")}));
    EXPECT_FALSE(d.isVisible());
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(Stored("UseLabel"), kAbsent);

    // Shown without exec(), it ends the same way.
    CBWPrintLabelDialog shown(&printer);
    shown.show();
    EXPECT_FALSE(shown.isVisible());
    EXPECT_EQ(shown.result(), QDialog::Rejected);
    EXPECT_EQ(messages.texts.size(), 2);
}

TEST(PrintLabelDialog, ShippedLabelStockAndHowItLooks) {
    TempEnv env;
    const QString copy = QString::fromStdString((env.Root() / "data.dat").string());
    ASSERT_TRUE(QFile::copy(QM_SHIPPED_DATA_DAT, copy));
    ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                            ("Driver=SQLite;DBQ=" + Quote(copy)).toStdString()));
    QPrinter printer;
    CBWPrintLabelDialog d(&printer);
    d.SetPrinters(kTwoPrinters);
    ASSERT_TRUE(d.OnInitDialog());
    d.show();
    QApplication::processEvents();
    EXPECT_EQ(d.MakerList().count(), 57);
    EXPECT_EQ(d.MakerList().currentText(), "Agipa");
    EXPECT_EQ(SelectedText(d), "114036 - Rectangular Labels");
    EXPECT_EQ(Readouts(d), QStringList({"1 (Agipa:114036)", "Rectangular Labels", "1.91 in",
                                        "0.73 in", "A5 (14.8 x 21 cm)"}));

    // Every control lies wholly inside the dialog and has the room its text asks for.
    auto checkFits = [](const CBWPrintLabelDialog& d, const char* state) {
        for (QWidget* w : d.findChildren<QWidget*>()) {
            if (!w->isVisible() || w->isWindow()) continue;
            const QRect inDialog(w->mapTo(&d, QPoint(0, 0)), w->size());
            EXPECT_TRUE(d.rect().contains(inDialog))
                << state << ": " << w->metaObject()->className() << " "
                << w->objectName().toStdString() << " at " << inDialog.x() << "," << inDialog.y();
            if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) {
                EXPECT_GE(w->width(), w->minimumSizeHint().width())
                    << state << ": " << w->metaObject()->className();
            }
        }
    };
    checkFits(d, "expanded");
    SaveForALook(d.grab().toImage(), "qm_print_label_dialog_expanded.png");
    Click(d.UseLabelBox());
    QApplication::processEvents();
    checkFits(d, "collapsed");
    SaveForALook(d.grab().toImage(), "qm_print_label_dialog_collapsed.png");

    // The longest type of the stock, in centimetres, for one label.
    ASSERT_TRUE(SettingsStore().WriteInt("Print", "SavedLabelID", 1057));
    ASSERT_TRUE(SettingsStore().WriteInt("Print", "FullPage", 1));
    ASSERT_TRUE(SettingsStore().WriteInt("Options", "Unit", 1));
    CBWPrintLabelDialog e(&printer);
    e.SetPrinters(kTwoPrinters);
    ASSERT_TRUE(e.OnInitDialog());
    e.show();
    QApplication::processEvents();
    EXPECT_EQ(e.TypeReadout().text(),
              QString::fromUtf8("Wine bottle labels, shipping labels, UPS\u00AE WorldShip\u00AE "
                                "labels"));
    EXPECT_EQ(e.TypeReadout().cursorPosition(), 0) << "a long text shows its beginning";
    checkFits(e, "single");
    SaveForALook(e.grab().toImage(), "qm_print_label_dialog_single.png");
}

} // namespace
