// The label setting dialog: how it starts, what its arrows and paper list do, and what OK gives.

#include "labels/label_setting_dialog.h"

#include "labels/filter_edit.h"
#include "labels/label_lengths.h"
#include "labels/label_static.h"
#include "labels/spin_button.h"
#include "tests/labels/labels_test_support.h"
#include "tests/support/label_geometry_printer.h"
#include "tests/support/temp_env.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

using D = CBWLabelSettingDialog;

// A stored label as the print dialog reads it from the database.
struct Stored {
    int id = 7;
    bool stock = true;
    int paper = 0;
};

std::unique_ptr<D> Details(const Stored& s, bool cm) {
    LabelRecord r;
    r.id = s.id;
    r.name1 = "A1";
    r.name2 = "Address";
    r.stock = s.stock;
    r.geometry = {s.paper, 10160, 2540, 1270, 400, 10630, 2540, 2, 10};
    return std::make_unique<D>(r, !r.stock, cm);
}

std::unique_ptr<D> NewLabel(bool cm) {
    // The print dialog passes the selected product; a new label ignores it.
    LabelRecord r;
    r.id = -1;
    r.name1 = "Other";
    r.geometry = {5, 9, 9, 9, 9, 9, 9, 3, 3};
    return std::make_unique<D>(r, true, cm);
}

QString Text(const D& d, D::Field f) {
    return f < D::kLengthFields ? d.LengthField(f).text() : d.CountField(f).text();
}

void Step(D& d, D::Field f, int delta, int times = 1) {
    for (int i = 0; i < times; ++i)
        d.Spin(f).Step(delta);
}

class LabelSettingDialogTest : public ::testing::Test {
protected:
    TempEnv env;
};

TEST_F(LabelSettingDialogTest, NewLabelStartsInCentimetresWhateverTheUnit) {
    auto d = NewLabel(/*cm=*/false);
    EXPECT_EQ(d->windowTitle(), "New custom label");
    EXPECT_TRUE(d->NameBox().isEnabled());
    EXPECT_EQ(d->NameBox().text(), "");
    const QStringList shown = {Text(*d, D::TopMargin),     Text(*d, D::SideMargin),
                               Text(*d, D::VerticalPitch), Text(*d, D::HorizontalPitch),
                               Text(*d, D::LabelWidth),    Text(*d, D::LabelHeight),
                               Text(*d, D::NumberAcross),  Text(*d, D::NumberDown)};
    EXPECT_EQ(shown,
              QStringList({"1.270", "0.400", "2.540", "10.630", "10.160", "2.540", "2", "10"}));
    for (int f = 0; f < D::kLengthFields; ++f)
        EXPECT_EQ(d->UnitCaption(D::Field(f)).text(), "cm");
    EXPECT_EQ(d->PaperList().count(), 13);
    EXPECT_EQ(d->PaperList().currentIndex(), 0);
    EXPECT_EQ(d->PaperList().itemText(9), "Vertical Half Sheet Landscape (10 x 4 1/4 inch)");

    d->show();
    d->NameBox().SetWindowText("  My labels  ");
    QTest::mouseClick(&d->OkButton(), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->GetLabelID(), -1);
    EXPECT_EQ(d->GetName(), "My labels");
    EXPECT_TRUE(d->IsUnitCentimetres());
    EXPECT_EQ(StoredLength(d->GetLength(D::TopMargin), d->IsUnitCentimetres()), 1270);
    EXPECT_EQ(StoredLength(d->GetLength(D::LabelWidth), d->IsUnitCentimetres()), 10160);
    EXPECT_EQ(d->GetNumberAcross(), 2u);
    EXPECT_EQ(d->GetNumberDown(), 10u);
    EXPECT_EQ(d->GetPaperSize(), 0);
}

TEST_F(LabelSettingDialogTest, DetailsInInches) {
    auto d = Details(Stored{}, /*cm=*/false);
    EXPECT_EQ(d->windowTitle(), "Address A1 information");
    EXPECT_EQ(Text(*d, D::TopMargin), "0.500");
    EXPECT_EQ(Text(*d, D::SideMargin), "0.157");
    EXPECT_EQ(d->UnitCaption(D::TopMargin).text(), "in");
    EXPECT_FALSE(d->NameBox().isEnabled()) << "a stock label keeps its name";
    EXPECT_EQ(d->NameBox().text(), "A1");
    // The preview gets stored lengths back: 0.5 in = 1270.
    EXPECT_EQ(d->Preview().m_geometry.labels.topMargin, 1270);
    EXPECT_EQ(d->Preview().m_geometry.paperWidth, 21590);

    // OK without changes: still the same stock label, so the caller writes nothing.
    d->show();
    QTest::mouseClick(&d->OkButton(), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->GetLabelID(), 7);
    EXPECT_FALSE(d->IsNameEditable());
    EXPECT_FALSE(d->IsUnitCentimetres());
    EXPECT_DOUBLE_EQ(d->GetLength(D::TopMargin), 0.5);
}

TEST_F(LabelSettingDialogTest, ShowsEachValueOfTheLabelAndGivesItBackOnOk) {
    // Every value different, so a field showing another length or count of the geometry shows.
    LabelRecord r;
    r.id = 12;
    r.name1 = "Mine";
    r.name2 = "Notes";
    r.geometry = {2, 10100, 2500, 1100, 1200, 10700, 2600, 3, 7};
    D d(r, true, /*cm=*/true);
    const struct {
        D::Field field;
        const char* text;
    } shown[] = {{D::TopMargin, "1.100"},     {D::SideMargin, "1.200"},
                 {D::VerticalPitch, "2.600"}, {D::HorizontalPitch, "10.700"},
                 {D::LabelHeight, "2.500"},   {D::LabelWidth, "10.100"},
                 {D::NumberAcross, "3"},      {D::NumberDown, "7"}};
    for (const auto& f : shown)
        EXPECT_EQ(Text(d, f.field), f.text) << f.field;
    EXPECT_EQ(d.PaperList().currentIndex(), 2);
    EXPECT_EQ(d.Preview().m_geometry.labels, r.geometry);

    d.show();
    QTest::mouseClick(&d.OkButton(), Qt::LeftButton);
    ASSERT_EQ(d.result(), QDialog::Accepted);
    const LabelRecord back = d.GetLabel();
    EXPECT_EQ(back.id, 12);
    EXPECT_EQ(back.name1, "Mine");
    EXPECT_EQ(back.name2, "Notes");
    EXPECT_EQ(back.geometry, r.geometry);

    // A new label has no type: it comes back as empty text, never as a null one.
    auto n = NewLabel(true);
    n->show();
    n->NameBox().SetWindowText("New");
    QTest::mouseClick(&n->OkButton(), Qt::LeftButton);
    EXPECT_FALSE(n->GetLabel().name2.isNull());
    EXPECT_EQ(n->GetLabel().geometry,
              (CLabelGeometry{0, 10160, 2540, 1270, 400, 10630, 2540, 2, 10}));
}

TEST_F(LabelSettingDialogTest, ChangingAStockLabelMakesANewOne) {
    auto d = Details(Stored{}, /*cm=*/true);
    // Typing over a value is not a change of the stock label by itself.
    d->LengthField(D::TopMargin).SetWindowText("1.5");
    EXPECT_EQ(d->GetLabelID(), 7);
    EXPECT_EQ(d->windowTitle(), "Address A1 information");
    d->LengthField(D::TopMargin).SetWindowText("1.270");

    // 0.41 − 0.40 falls a hair short of 0.01 in binary: the second step makes the change.
    QTest::mouseClick(d->Spin(D::SideMargin).UpArrow(), Qt::LeftButton);
    EXPECT_EQ(Text(*d, D::SideMargin), "0.410");
    EXPECT_EQ(d->GetLabelID(), 7);
    EXPECT_EQ(d->windowTitle(), "Address A1 information");
    Step(*d, D::SideMargin, +1);
    EXPECT_EQ(Text(*d, D::SideMargin), "0.420");
    EXPECT_EQ(d->GetLabelID(), -1);
    EXPECT_TRUE(d->IsNameEditable());
    EXPECT_EQ(d->windowTitle(), "New Custom Label");
    EXPECT_EQ(d->NameBox().text(), "");
    EXPECT_TRUE(d->NameBox().isEnabled());
    EXPECT_EQ(d->Preview().m_geometry.labels.sideMargin, 420);

    // Now it is the user's label: it needs a name.
    MessageCatcher messages;
    d->show();
    QTest::mouseClick(&d->OkButton(), Qt::LeftButton);
    EXPECT_EQ(messages.texts, QStringList({"Please enter a name for your custom label."}));
    EXPECT_TRUE(d->isVisible());
    d->NameBox().SetWindowText("Mine");
    QTest::mouseClick(&d->OkButton(), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->GetLabelID(), -1);
    EXPECT_DOUBLE_EQ(d->GetLength(D::SideMargin), 0.42);
}

TEST_F(LabelSettingDialogTest, TheDrawingFollowsTypedValues) {
    auto d = Details(Stored{}, /*cm=*/true);
    d->show();
    const QImage before = d->Preview().grab().toImage();
    TypeOver(d->LengthField(D::LabelWidth), "5.5");
    TypeOver(d->LengthField(D::TopMargin), "2");
    TypeOver(d->CountField(D::NumberAcross), "3");
    const CLabelGeometry& shown = d->Preview().m_geometry.labels;
    EXPECT_EQ(shown.width, 5500);
    EXPECT_EQ(shown.topMargin, 2000);
    EXPECT_EQ(shown.numberAcross, 3);
    EXPECT_NE(d->Preview().grab().toImage(), before) << "drawn again";
}

TEST_F(LabelSettingDialogTest, ValuesTypedOverAStockLabelMakeANewOneOnOk) {
    // Typed changes, one of them smaller than an arrow's step: none may be dropped on OK.
    const struct {
        D::Field field;
        const char* typed;
        int CLabelGeometry::*member;
        int stored;
    } cases[] = {{D::LabelWidth, "9.5", &CLabelGeometry::width, 9500},
                 {D::SideMargin, "0.405", &CLabelGeometry::sideMargin, 405}};
    for (const auto& c : cases) {
        auto d = Details(Stored{}, /*cm=*/true);
        d->show();
        TypeOver(d->LengthField(c.field), c.typed);
        {
            MessageCatcher messages;
            QTest::mouseClick(&d->OkButton(), Qt::LeftButton);
            EXPECT_EQ(messages.texts, QStringList({"Please enter a name for your custom label."}))
                << c.typed;
        }
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->GetLabelID(), -1) << c.typed;
        EXPECT_TRUE(d->NameBox().isEnabled());
        QTest::keyClicks(&d->NameBox(), "Mine");
        QTest::mouseClick(&d->OkButton(), Qt::LeftButton);
        EXPECT_EQ(d->result(), QDialog::Accepted);
        const LabelRecord back = d->GetLabel();
        EXPECT_EQ(back.name1, "Mine");
        EXPECT_EQ(back.geometry.*c.member, c.stored);
    }
}

TEST_F(LabelSettingDialogTest, PaperChangeOfAStockLabelMakesANewOneAndRefits) {
    auto d = Details(Stored{}, /*cm=*/true);
    d->PaperList().setCurrentIndex(7); // Mini, 10.795 × 12.7 cm
    EXPECT_EQ(d->GetLabelID(), -1);
    // Across: (10.795 − 0.4) ÷ 2 = 5.1975 for pitch and width; down: (12.7 − 1.27) ÷ 10 = 1.143.
    EXPECT_EQ(Text(*d, D::HorizontalPitch), "5.197");
    EXPECT_EQ(Text(*d, D::LabelWidth), "5.197");
    EXPECT_EQ(Text(*d, D::VerticalPitch), "1.143");
    EXPECT_EQ(Text(*d, D::LabelHeight), "1.143");
    EXPECT_EQ(d->Preview().m_geometry.paperWidth, 10795);
    EXPECT_EQ(d->Preview().m_geometry.labels.horizontalPitch, 5197);
}

TEST_F(LabelSettingDialogTest, OneLabelAcrossTakesTheWholeWidth) {
    auto d = NewLabel(true);
    Step(*d, D::NumberAcross, -1);
    EXPECT_EQ(Text(*d, D::NumberAcross), "1");
    EXPECT_EQ(Text(*d, D::HorizontalPitch), "21.590");
    EXPECT_FALSE(d->LengthField(D::HorizontalPitch).isEnabled());
    EXPECT_TRUE(d->Spin(D::HorizontalPitch).isEnabled());

    // 0 is refused, but the adjustment still runs: it puts back the pitch typed over meanwhile.
    d->LengthField(D::HorizontalPitch).SetWindowText("3");
    Step(*d, D::NumberAcross, -1);
    EXPECT_EQ(Text(*d, D::NumberAcross), "1");
    EXPECT_EQ(Text(*d, D::HorizontalPitch), "21.590");

    Step(*d, D::NumberAcross, +1);
    EXPECT_TRUE(d->LengthField(D::HorizontalPitch).isEnabled());
    // (21.59 − 0.4) ÷ 2 = 10.595 for the pitch; the width of 10.16 fits.
    EXPECT_EQ(Text(*d, D::HorizontalPitch), "10.595");
    EXPECT_EQ(Text(*d, D::LabelWidth), "10.160");

    Step(*d, D::NumberDown, -1, 9);
    EXPECT_EQ(Text(*d, D::VerticalPitch), "27.940");
    EXPECT_FALSE(d->LengthField(D::VerticalPitch).isEnabled());
}

TEST_F(LabelSettingDialogTest, ArrowsStopAtTheirBounds) {
    auto d = NewLabel(true);
    Step(*d, D::LabelWidth, +1, 60);
    EXPECT_EQ(Text(*d, D::LabelWidth), "10.630") << "the width stops at the pitch";

    auto e = NewLabel(true);
    Step(*e, D::HorizontalPitch, -1, 60);
    EXPECT_EQ(Text(*e, D::HorizontalPitch), "10.160") << "the pitch stops at the width";
    Step(*e, D::SideMargin, -1, 60);
    EXPECT_EQ(Text(*e, D::SideMargin), "0.000");
    // The spin buttons themselves wrap and never refuse.
    EXPECT_EQ(e->Spin(D::SideMargin).Position(), 10000 - 59);

    // Counts stay above 0 and within the field's nine digits.
    e->CountField(D::NumberDown).SetWindowText("999999999");
    Step(*e, D::NumberDown, +1);
    EXPECT_EQ(Text(*e, D::NumberDown), "999999999");
}

TEST_F(LabelSettingDialogTest, LengthBounds) {
    SheetFields s;
    s.paperWidth = 21.59;
    s.paperHeight = 27.94;
    s.topMargin = 1.27;
    s.sideMargin = 0.4;
    s.verticalPitch = 2.54;
    s.horizontalPitch = 10.63;
    s.labelHeight = 2.54;
    s.labelWidth = 10.16;
    s.numberAcross = 2;
    s.numberDown = 10;
    const struct {
        D::Field field;
        double lower, upper;
    } cases[] = {
        {D::TopMargin, 0, 1.1 * 27.94 - 10 * 2.54},
        {D::SideMargin, 0, 1.1 * 21.59 - 2 * 10.63},
        {D::HorizontalPitch, 10.16, 1.1 * 21.59 / 2},
        {D::VerticalPitch, 2.54, 1.1 * 27.94 / 10},
        {D::LabelWidth, 0, 10.63},
        {D::LabelHeight, 0, 2.54},
    };
    for (const auto& c : cases) {
        const SpinBounds b = D::LengthBounds(c.field, s);
        EXPECT_DOUBLE_EQ(b.lower, c.lower) << c.field;
        EXPECT_DOUBLE_EQ(b.upper, c.upper) << c.field;
    }
    // While a count is 0 its pitch has no ceiling.
    s.numberAcross = 0;
    EXPECT_EQ(D::LengthBounds(D::HorizontalPitch, s).upper,
              std::numeric_limits<double>::infinity());
}

TEST_F(LabelSettingDialogTest, CountsOnOk) {
    auto d = Details(Stored{.stock = false}, true);
    d->show();
    d->CountField(D::NumberAcross).SetWindowText("");
    d->LengthField(D::TopMargin).SetWindowText("2");
    {
        MessageCatcher messages;
        QTest::mouseClick(&d->OkButton(), Qt::LeftButton);
        EXPECT_EQ(messages.texts, QStringList({"Please enter a positive integer."}));
    }
    EXPECT_TRUE(d->isVisible());
    EXPECT_DOUBLE_EQ(d->GetLength(D::TopMargin), 1.27) << "a refused OK takes nothing over";

    d->CountField(D::NumberAcross).SetWindowText("0");
    d->NameBox().SetWindowText("Mine");
    QTest::mouseClick(&d->OkButton(), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->GetNumberAcross(), 0u);
    EXPECT_EQ(d->GetLabelID(), 7) << "the user's own label is changed in place";
    EXPECT_DOUBLE_EQ(d->GetLength(D::TopMargin), 2.0);
}

TEST_F(LabelSettingDialogTest, PaperOutsideTheListShowsTheFirst) {
    auto d = Details(Stored{.paper = 40}, true);
    EXPECT_EQ(d->PaperList().currentIndex(), 0);
    EXPECT_EQ(d->Preview().m_geometry.paperWidth, 21590);
}

TEST_F(LabelSettingDialogTest, RendersForALook) {
    auto d = Details(Stored{.stock = false}, false);
    d->show();
    SaveForALook(d->grab().toImage(), "qm_label_setting_dialog.png");
    Step(*d, D::NumberAcross, -1);
    d->PaperList().setCurrentIndex(2);
    SaveForALook(d->grab().toImage(), "qm_label_setting_dialog_one_across.png");
    const QImage preview = d->Preview().grab().toImage();
    EXPECT_EQ(preview.size(), d->Preview().size());
    EXPECT_GT(preview.width(), 200);
}

} // namespace

// A custom roll or tape label: one across with no margins, stored with its kind; a roll needs
// a length no more than its pitch, tape may leave its length to what it holds.
TEST_F(LabelSettingDialogTest, RollAndTapeLabelsOfTheUsersOwn) {
    const struct {
        LabelKind kind;
        const char *width, *height, *pitch;
        const char* refusal; // empty: accepted
        CLabelGeometry stored;
    } cases[] = {
        {LabelKind::Roll,
         "5.715",
         "3.175",
         "3.493",
         "",
         {0, 5715, 3175, 0, 0, 5715, 3493, 1, 1, 1}},
        {LabelKind::Continuous, "6.2", "0", "9", "", {0, 6200, 0, 0, 0, 6200, 0, 1, 1, 2}},
        {LabelKind::Continuous, "6.2", "10", "9", "", {0, 6200, 10000, 0, 0, 6200, 10000, 1, 1, 2}},
        {LabelKind::Roll, "5.715", "0", "3.493", "A roll label needs a width and a height.", {}},
        {LabelKind::Roll,
         "5.715",
         "3.5",
         "3.2",
         "The vertical pitch of a roll, the label's height and the gap to the next label, cannot "
         "be less than the label's height.",
         {}},
        {LabelKind::Continuous, "0", "0", "0", "Continuous tape needs a width.", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        auto d = NewLabel(true);
        d->show();
        d->KindList().setCurrentIndex(static_cast<int>(c.kind));
        EXPECT_FALSE(d->CountField(D::NumberAcross).isEnabled());
        EXPECT_FALSE(d->PaperList().isEnabled());
        EXPECT_EQ(d->LengthField(D::VerticalPitch).isEnabled(), c.kind == LabelKind::Roll);
        d->NameBox().SetWindowText("Mine");
        d->LengthField(D::LabelWidth).SetWindowText(c.width);
        d->LengthField(D::LabelHeight).SetWindowText(c.height);
        d->LengthField(D::VerticalPitch).SetWindowText(c.pitch);
        MessageCatcher messages;
        QTest::mouseClick(&d->OkButton(), Qt::LeftButton);
        if (*c.refusal) {
            EXPECT_EQ(messages.texts, QStringList({c.refusal}));
            EXPECT_TRUE(d->isVisible());
            continue;
        }
        EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('|').toStdString();
        ASSERT_EQ(d->result(), QDialog::Accepted);
        EXPECT_EQ(d->GetLabel().geometry, c.stored);
    }
}

TEST_F(LabelSettingDialogTest, AStockRollShowsItsKindAndChangingItMakesANewLabel) {
    LabelRecord r;
    r.id = 9;
    r.name1 = "800262-125";
    r.stock = true;
    r.geometry = {0, 5715, 3175, 0, 0, 5715, 3493, 1, 1, 1};
    D d(r, false, true);
    d.show();
    EXPECT_EQ(d.KindList().currentText(), "Roll");
    EXPECT_FALSE(d.LengthField(D::TopMargin).isEnabled());
    EXPECT_EQ(d.GetLabel().geometry, r.geometry) << "shown as it is stored";
    d.KindList().setCurrentIndex(static_cast<int>(LabelKind::Continuous));
    EXPECT_EQ(d.GetLabelID(), -1) << "a stock product's kind changed is a label of the user's own";
}
