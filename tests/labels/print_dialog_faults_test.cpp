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

} // namespace
