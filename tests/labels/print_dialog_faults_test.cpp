// The print dialog as a user meets it: the same words for a label's place in both of the
// places it is chosen, what the run will print, the outline page printed while the dialog
// stays open, and problems listed once.

#include "labels/print_label_dialog.h"

#include "common/settings_store.h"
#include "labels/filter_edit.h"
#include "labels/sheet_preview.h"
#include "tests/labels/label_db_fixture.h"
#include "tests/labels/labels_test_support.h"
#include "tests/support/temp_env.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A1: 3 across and 10 down on letter paper; A2: 2 × 2 on A4.
std::vector<LabelStockRow> Stock() {
    return {
        {"Acme", "A1", "Address", {0, 6668, 2540, 1270, 476, 6985, 2540, 3, 10}},
        {"Acme", "A2", "Shipping", {2, 9906, 13900, 1000, 500, 10160, 14000, 2, 2}},
    };
}

constexpr int kAbsent = -424242;
int Stored(const char* key) {
    return SettingsStore().GetInt("Print", key, kAbsent);
}

void Click(QAbstractButton& button) {
    const int h = button.height() / 2;
    QTest::mouseClick(&button, Qt::LeftButton, {},
                      qobject_cast<QPushButton*>(&button) ? button.rect().center() : QPoint(h, h));
}

void ClickLabel(CBWSheetPreview& sheet, LabelPosition at) {
    QTest::mouseClick(&sheet, Qt::LeftButton, {},
                      sheet.Layout().LabelRect(*sheet.Sheet(), at).center().toPoint());
}

// The field a caption of `group` stands for (its buddy), found by words of the caption.
QWidget* Captioned(const QWidget& group, const QString& words) {
    for (const QLabel* label : group.findChildren<QLabel*>())
        if (label->buddy() && label->text().remove(u'&').contains(words, Qt::CaseInsensitive))
            return label->buddy();
    return nullptr;
}

int ValueOf(const QWidget* field) {
    if (const auto* box = qobject_cast<const QSpinBox*>(field)) return box->value();
    return qobject_cast<const QLineEdit*>(field)->text().toInt();
}

class PrintDialogFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(m_db.Create(LabelConnectionParams::Engine::SQLite,
                                            QString::fromStdString(env.Root().string()), Stock()));
        ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                                m_db.Connection().toStdString()));
        printer.setOutputFormat(QPrinter::PdfFormat);
    }

    std::unique_ptr<CBWPrintLabelDialog> Open() {
        auto d = std::make_unique<CBWPrintLabelDialog>(&printer);
        d->SetPrinters({{"Office", "Labels"}, "Labels"});
        EXPECT_TRUE(d->OnInitDialog());
        d->show();
        QApplication::processEvents();
        return d;
    }

    TempEnv env;
    ScratchLabelDatabase m_db;
    QPrinter printer;
};

TEST_F(PrintDialogFaultsTest, BothPlacesOfALabelSayAcrossAndDownAlike) {
    auto d = Open();
    ASSERT_EQ(d->SheetPreview().Sheet()->numberAcross, 3);
    // The third label across in the second row, clicked for the run's start and then for a
    // single label: each group's "label across" field takes 3 and its "label down" field 2.
    for (const bool single : {false, true}) {
        SCOPED_TRACE(single ? "single label" : "start of the run");
        if (single) Click(d->SingleLabelRadio());
        const QWidget& group =
            single ? static_cast<const QWidget&>(d->PlacementGroup()) : d->StartPart();
        ClickLabel(d->SheetPreview(), {2, 1});
        const QWidget* across = Captioned(group, "label across");
        const QWidget* down = Captioned(group, "label down");
        ASSERT_TRUE(across && down);
        EXPECT_EQ(ValueOf(across), 3);
        EXPECT_EQ(ValueOf(down), 2);
    }
    // The start's captions name no row or column, which the single label's mean the other way.
    for (const QLabel* label : d->StartPart().findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains("row", Qt::CaseInsensitive) ||
                     label->text().contains("column", Qt::CaseInsensitive))
            << label->text().toStdString();

    // Stored as ever: a single label's "Row" across and "Column" down, the start by row down.
    Click(d->OkButton());
    ASSERT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(Stored("Row"), 3);
    EXPECT_EQ(Stored("Column"), 2);
    EXPECT_EQ(Stored("StartRow"), 2);
    EXPECT_EQ(Stored("StartColumn"), 3);
}

TEST(PrintDialogFaults, WhatARunPrintsIsToldInLabelsAndSheets) {
    const RunPaper sheet{.labelSheet = true, .perSheet = 30};
    const RunPaper used{.labelSheet = true, .perSheet = 30, .start = 4};
    const RunPaper lastLabel{.labelSheet = true, .perSheet = 30, .start = 29};
    const RunPaper copies{.labelSheet = true, .perSheet = 30, .copies = 3};
    const RunPaper single{.labelSheet = true, .singleLabel = true, .perSheet = 30, .start = 4};
    const RunPaper plain{};
    const struct {
        std::int64_t labels;
        RunPaper paper;
        const char* text;
    } cases[] = {
        {300, sheet, "300 labels on 10 sheets."},
        {300, used, "300 labels on 11 sheets."}, // 4 used + 300 = 10 sheets and 4 labels
        {1, lastLabel, "1 label on 1 sheet."},
        {2, lastLabel, "2 labels on 2 sheets."},
        {300, copies, "300 labels on 10 sheets, each printed 3 times: 30 sheets in all."},
        {5, plain, "5 labels on 5 pages."},
        {5, single,
         "5 labels on 5 sheets. A single label is chosen: each label takes a sheet of its own."},
        {1, single, "1 label on 1 sheet."},
        {0, sheet, "The run has no labels."},
        {-1, sheet, ""}, // not known
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunExtentText(c.labels, c.paper), c.text) << c.labels;
}

TEST_F(PrintDialogFaultsTest, TheNoteSaysHowManyLabelsOnHowManySheets) {
    auto d = Open(); // A1: 30 labels a sheet
    std::int64_t total = 300;
    d->SetRunInspector(
        [&total](const CLabelRunChoice&, const std::optional<CLabelGeometry>&, bool, bool whole) {
            CRunReport report;
            report.labels = whole ? total : std::min<std::int64_t>(total, 5);
            report.total = total;
            return report;
        });
    EXPECT_EQ(d->RunNote().text(), "300 labels on 10 sheets.");
    d->StartNumberBox().setValue(5); // four labels of the first sheet are used
    d->RefreshRunPreview();
    EXPECT_EQ(d->RunNote().text(), "300 labels on 11 sheets.");
    d->CopiesBox().setValue(2);
    d->RefreshRunPreview();
    EXPECT_EQ(d->RunNote().text(),
              "300 labels on 11 sheets, each printed 2 times: 22 sheets in all.");
    d->CopiesBox().setValue(1);

    // A single label takes a sheet of its own for each label of the run: the note says so, and
    // OK asks.
    total = 3;
    Click(d->NumberedRadio());
    Click(d->SingleLabelRadio());
    d->RefreshRunPreview();
    EXPECT_EQ(
        d->RunNote().text(),
        "3 labels on 3 sheets. A single label is chosen: each label takes a sheet of its own.");
    const QString question = "\"Single label\" is chosen, so each of the 3 labels prints on a "
                             "sheet of its own: 3 sheets.\n\nPrint them so?";
    {
        QuestionCatcher asked(IDNO);
        Click(d->OkButton());
        EXPECT_EQ(asked.texts, QStringList({question}));
    }
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Stored("FullPage"), kAbsent) << "nothing is stored";
    {
        QuestionCatcher asked(IDYES);
        Click(d->OkButton());
        EXPECT_EQ(asked.texts, QStringList({question}));
    }
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(Stored("FullPage"), 1);

    // The same symbol on so many sheets is one label on each, as asked: nothing to ask.
    d = Open();
    d->SetRunInspector(
        [](const CLabelRunChoice&, const std::optional<CLabelGeometry>&, bool, bool) {
            CRunReport report;
            report.labels = report.total = 3;
            return report;
        });
    Click(d->SameRadio());
    d->CountBox().setValue(3);
    MessageCatcher none;
    Click(d->OkButton());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_TRUE(none.texts.isEmpty()) << none.texts.join('|').toStdString();
}

TEST_F(PrintDialogFaultsTest, TheOutlinePagePrintsWhileTheDialogStaysOpen) {
    ASSERT_TRUE(SettingsStore().WriteInt("Options", "Unit", 1)); // offsets in millimetres
    auto d = Open();
    std::vector<OutlineRequest> printed;
    d->SetOutlinePrinter([&printed](const OutlineRequest& request) { printed.push_back(request); });
    d->OffsetAcrossBox().setValue(1.5);
    d->OffsetDownBox().setValue(-0.5);
    Click(d->OutlinesButton());
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].printer, "Labels");
    EXPECT_EQ(printed[0].sheet, Stock()[0].geometry);
    ASSERT_TRUE(printed[0].page);
    EXPECT_EQ(printed[0].page->size.id(), QPageSize::Letter) << "the sheet's own paper";
    EXPECT_EQ(printed[0].calibration, (PrinterCalibration{150, -50, 0})) << "as typed, unsaved";
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(d->OutlinesRequested());
    EXPECT_EQ(d->focusWidget(), &d->OffsetAcrossBox()) << "ready for the offset read off the page";
    EXPECT_EQ(StoredCalibration("Labels"), PrinterCalibration{});
    EXPECT_EQ(Stored("UseLabel"), kAbsent) << "nothing is stored before OK";

    // The offsets read off the page are typed at once, and a second page shows them.
    d->OffsetAcrossBox().setValue(1.2);
    Click(d->OutlinesButton());
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed[1].calibration, (PrinterCalibration{120, -50, 0}));
    // No sheet, no outlines.
    Click(d->UseLabelBox());
    {
        MessageCatcher messages;
        Click(d->OutlinesButton());
        EXPECT_EQ(messages.texts, QStringList({"Choose the label sheet whose outlines to print."}));
    }
    EXPECT_EQ(printed.size(), 2u);
    Click(d->UseLabelBox());
    Click(d->OkButton());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_FALSE(d->OutlinesRequested()) << "the symbols are printed";
    EXPECT_EQ(StoredCalibration("Labels"), (PrinterCalibration{120, -50, 0}));
}

TEST_F(PrintDialogFaultsTest, EachProblemIsToldOnceWithTheLabelsItConcerns) {
    CRunReport report;
    report.labels = report.total = 5;
    report.problemCount = 4;
    report.problems = {
        {0, MakeMessage(Msg::WhereLine, "1"), "lower", {MakeMessage(Msg::LettersMadeCapitals)}, 3},
        {4, MakeMessage(Msg::WhereLine, "3"), "x", {MakeMessage(Msg::LabelDataEmpty)}, 1}};
    auto d = Open();
    d->SetRunInspector([&report](const CLabelRunChoice&, const std::optional<CLabelGeometry>&, bool,
                                 bool) { return report; });
    EXPECT_EQ(d->RunNote().text(), "5 labels on 1 sheet. line 1 (3 labels) would not print as "
                                   "given: lower-case letters were changed to capitals.");
    {
        MessageCatcher asked(IDCANCEL);
        Click(d->OkButton());
        EXPECT_EQ(asked.texts,
                  QStringList({"4 of the 5 labels would not print as given:\n\n"
                               "line 1 \"lower\": lower-case letters were changed to capitals "
                               "(3 labels)\n"
                               "line 3 \"x\": the data is empty\n\n"
                               "Yes prints them as the symbology makes them, No leaves them out, "
                               "Cancel goes back to the dialog."}));
    }
    // Twelve problems are listed; the labels of the rest are counted.
    report.labels = report.total = 40;
    report.problemCount = 30;
    report.problems.assign(13, CRunProblem{0,
                                           MakeMessage(Msg::WhereLine, "2"),
                                           "lower",
                                           {MakeMessage(Msg::LettersMadeCapitals)},
                                           2});
    MessageCatcher asked(IDCANCEL);
    Click(d->OkButton());
    ASSERT_EQ(asked.texts.size(), 1);
    EXPECT_EQ(asked.texts[0].count("(2 labels)"), 12);
    EXPECT_TRUE(asked.texts[0].contains("\nand 6 more\n")) << asked.texts[0].toStdString();
}

} // namespace
