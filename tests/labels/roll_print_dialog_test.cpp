// The print dialog with a roll or tape label: the printer's resolution and X dimension said
// below it; a printer that takes no page of the label's size questioned, one whose driver cannot
// feed the tape's length refused with its limit named, a label printer taking the label as it is.

#include "labels/print_label_dialog.h"

#include "common/settings_store.h"
#include "labels/label_product_part.h"
#include "labels/printer_choice_part.h"
#include "tests/labels/label_db_fixture.h"
#include "tests/labels/labels_test_support.h"
#include "tests/support/temp_env.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// A roll of 2.25 x 1.25 in labels, 62 mm tape cut to its content, and a metre of it.
std::vector<LabelStockRow> Rolls() {
    return {
        {"Zed", "R1", "Roll", {0, 5715, 3175, 0, 0, 5715, 3493, 1, 1, 1}},
        {"Zed", "T62", "Tape", {0, 6200, 0, 0, 0, 6200, 0, 1, 1, 2}},
        {"Zed", "T62M", "Metre", {0, 6200, 100000, 0, 0, 6200, 100000, 1, 1, 2}},
    };
}

// "Office" takes Letter and A4; "Labels" any size from 25 x 25 mm to 104 x 990 mm.
PrinterPapers Papers(const QString& printer) {
    PrinterPapers p;
    p.known = true;
    if (printer == "Office") {
        p.sizes = {QPageSize(QPageSize::Letter), QPageSize(QPageSize::A4)};
        return p;
    }
    p.customSizes = true;
    p.minimum = QPageSize(QSizeF(25, 25), QPageSize::Millimeter);
    p.maximum = QPageSize(QSizeF(104, 990), QPageSize::Millimeter);
    return p;
}

class RollPrintDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(m_db.Create(LabelConnectionParams::Engine::SQLite,
                                            QString::fromStdString(env.Root().string()), Rolls()));
        ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                                m_db.Connection().toStdString()));
        printer.setOutputFormat(QPrinter::PdfFormat);
    }

    // Shown with the roll product `row` chosen on the printer `name`.
    std::unique_ptr<CBWPrintLabelDialog> Open(int row, const QString& name) {
        auto d = std::make_unique<CBWPrintLabelDialog>(&printer);
        d->SetPrinters({{"Office", "Labels"}, "Labels"});
        d->SetPaperLister(Papers);
        EXPECT_TRUE(d->OnInitDialog());
        d->show();
        d->PrinterList().setCurrentText(name);
        QListWidget& list = d->ProductList();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(row)).center());
        return d;
    }

    TempEnv env;
    ScratchLabelDatabase m_db;
    QPrinter printer;
};

} // namespace

TEST_F(RollPrintDialogTest, ALabelPrinterTakesTheRollAndTheTapeAsTheyAre) {
    for (const int row : {0, 1}) {
        MessageCatcher none;
        auto d = Open(row, "Labels");
        d->OkButton().click();
        EXPECT_EQ(d->result(), QDialog::Accepted) << row;
        EXPECT_TRUE(none.texts.isEmpty()) << none.texts.join('|').toStdString();
    }
}

TEST_F(RollPrintDialogTest, AnOfficePrintersPaperIsQuestioned) {
    for (const int answer : {IDNO, IDYES}) {
        auto d = Open(0, "Office");
        QuestionCatcher asked(answer);
        d->OkButton().click();
        ASSERT_EQ(asked.texts.size(), 1);
        const QString& q = asked.texts[0];
        EXPECT_TRUE(q.startsWith("The printer \"Office\" is not made for the roll label \"R1 - "
                                 "Roll\": the printer takes no page of the label's size, 57."))
            << q.toStdString();
        EXPECT_TRUE(q.contains(": it prints on Letter"));
        EXPECT_TRUE(q.endsWith("with the label in the middle.\n\nPrint on this printer all the "
                               "same?"))
            << q.toStdString();
        EXPECT_EQ(d->isVisible(), answer == IDNO);
    }
}

TEST_F(RollPrintDialogTest, TapeLongerThanTheDriverFeedsIsRefusedWithItsLimit) {
    auto d = Open(2, "Labels");
    MessageCatcher said;
    d->OkButton().click();
    EXPECT_EQ(said.texts,
              QStringList({"The label \"T62M - Metre\" cannot be printed on \"Labels\": the label "
                           "is 1000 mm long, longer than the 990 mm the printer's driver takes at "
                           "most; nothing was printed."}));
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->focusWidget(), &d->PrinterList());
}

TEST_F(RollPrintDialogTest, ThePrintersResolutionIsSaidBelowIt) {
    auto d = Open(0, "Labels");
    d->SetPrinterDescriber([](const QString& printer) { return "X of " + printer; });
    const QLabel* facts = d->findChild<QLabel*>("printerFacts");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->text(), "X of Labels");
    d->PrinterList().setCurrentText("Office");
    EXPECT_EQ(facts->text(), "X of Office");
}

TEST(RollReadouts, ARollOrTapeShowsHowItComesInPlaceOfAPaper) {
    const std::vector<LabelStockRow> rolls = Rolls();
    const struct {
        std::size_t row;
        const char *height, *paper;
    } cases[] = {
        {0, "1.25 in", "Roll, a label a page"},
        {1, "as the symbol", "Continuous tape"},
        {2, "39.37 in", "Continuous tape"},
    };
    for (const auto& c : cases) {
        const LabelRecord label{
            1, 23, rolls[c.row].name1, rolls[c.row].name2, true, rolls[c.row].geometry};
        const LabelReadouts shown = MakeLabelReadouts(label, false);
        EXPECT_EQ(shown.height, c.height) << c.row;
        EXPECT_EQ(shown.paper, c.paper) << c.row;
    }
}
