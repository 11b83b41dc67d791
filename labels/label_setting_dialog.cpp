#include "labels/label_setting_dialog.h"

#include "labels/filter_edit.h"
#include "labels/label_lengths.h"
#include "labels/label_static.h"
#include "labels/spin_button.h"
#include "ui/message_box.h"
#include "ui/translation.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Values a new label starts from, in centimetres, in the order of the length fields.
constexpr std::array<double, CBWLabelSettingDialog::kLengthFields> kDefaultLengths = {
    1.27, 0.40, 2.54, 10.63, 2.54, 10.16};
constexpr unsigned kDefaultAcross = 2;
constexpr unsigned kDefaultDown = 10;

// The name box refuses what would trouble file names and quoting elsewhere.
const QString kRefusedInNames = QStringLiteral("%'*\"+?><:\\");

// A step is 0.01; a bound reached exactly must not be missed by a rounding error of the sum.
constexpr double kBoundSlack = 1e-9;

// The count fields take nine digits; a step beyond them would lose a digit.
constexpr long long kMaxCount = 999'999'999;

struct Place {
    int x, y, w, h;
};

// Positions in dialog units, field by field in the order of Field.
struct FieldPlaces {
    const char* caption;
    Place label, field, spin;
    Place unit; // w == 0: no unit caption
};
const std::array<FieldPlaces, 8> kPlaces = {{
    {QT_TRANSLATE_NOOP("Quillmark", "Top Margin:"),
     {8, 118, 51, 11},
     {64, 118, 40, 12},
     {93, 120, 11, 8},
     {108, 118, 11, 8}},
    {QT_TRANSLATE_NOOP("Quillmark", "Side Margin:"),
     {8, 137, 51, 11},
     {64, 137, 40, 12},
     {93, 137, 11, 8},
     {108, 137, 11, 8}},
    {QT_TRANSLATE_NOOP("Quillmark", "Vertical Pitch:"),
     {8, 156, 51, 11},
     {64, 156, 40, 12},
     {93, 156, 11, 8},
     {108, 156, 11, 8}},
    {QT_TRANSLATE_NOOP("Quillmark", "Horizontal Pitch:"),
     {8, 175, 51, 11},
     {64, 175, 40, 12},
     {93, 175, 11, 8},
     {108, 175, 11, 8}},
    {QT_TRANSLATE_NOOP("Quillmark", "Label Height:"),
     {128, 118, 51, 11},
     {183, 118, 40, 12},
     {212, 121, 11, 8},
     {225, 118, 11, 8}},
    {QT_TRANSLATE_NOOP("Quillmark", "Label Width:"),
     {128, 137, 51, 11},
     {183, 137, 40, 12},
     {212, 137, 11, 8},
     {225, 137, 11, 8}},
    {QT_TRANSLATE_NOOP("Quillmark", "Number Across"),
     {128, 156, 49, 8},
     {183, 156, 40, 12},
     {212, 156, 11, 8},
     {0, 0, 0, 0}},
    {QT_TRANSLATE_NOOP("Quillmark", "Number Down"),
     {128, 175, 46, 8},
     {183, 175, 40, 12},
     {212, 175, 11, 8},
     {0, 0, 0, 0}},
}};

// The length or count of the label's geometry each field shows, in the order of Field.
using G = CLabelGeometry;
constexpr std::array<int G::*, 8> kFieldShows = {
    &G::topMargin, &G::sideMargin, &G::verticalPitch, &G::horizontalPitch,
    &G::height,    &G::width,      &G::numberAcross,  &G::numberDown,
};

// The dialog's unsigned counts from stored ones: a negative count is no count.
unsigned Count(int n) {
    return static_cast<unsigned>(std::max(n, 0));
}

// Dialog units scale with the dialog's font: four to the average character width, eight to
// the character height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics fm(font);
        const QString alphabet =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_x = (fm.horizontalAdvance(alphabet) / 26 + 1) / 2;
        m_y = fm.height();
    }
    // Widens the units until `text` fits in `dlu` units: the captions were measured for a
    // narrower face than most desktops use.
    void Fit(const QFont& font, const QString& text, int dlu) {
        const int needed = QFontMetrics(font).horizontalAdvance(text);
        while (X(dlu) < needed)
            ++m_x;
    }
    int X(int dlu) const { return (dlu * m_x + 2) / 4; }
    int Y(int dlu) const { return (dlu * m_y + 4) / 8; }
    QRect Rect(const Place& p) const { return QRect(X(p.x), Y(p.y), X(p.w), Y(p.h)); }

private:
    int m_x = 6, m_y = 13;
};

} // namespace

CBWLabelSettingDialog::CBWLabelSettingDialog(const LabelRecord& label, bool nameEditable,
                                             bool unitCentimetres, QWidget* parent)
    : QDialog(parent), m_nLabelID(label.id), m_bNameEditable(nameEditable),
      m_bUnitCm(unitCentimetres) {
    if (label.id > 0) {
        m_strName = label.name1;
        m_strType = label.name2;
        for (int i = 0; i < kLengthFields; ++i) {
            const int stored = label.geometry.*kFieldShows[i];
            m_dLengths[i] = DisplayThousandths(stored, unitCentimetres) * 0.001;
        }
        m_nNumberAcross = Count(label.geometry.numberAcross);
        m_nNumberDown = Count(label.geometry.numberDown);
        m_nPaperSize = label.geometry.paperSize;
        m_nKind = static_cast<int>(KindOf(label.geometry));
    } else {
        m_dLengths = kDefaultLengths;
        m_nNumberAcross = kDefaultAcross;
        m_nNumberDown = kDefaultDown;
        m_nPaperSize = 0;
        m_bUnitCm = true;
    }
    if (label.id < 0) m_bNameEditable = true;

    BuildControls();
    OnInitDialog();
}

CBWLabelSettingDialog::~CBWLabelSettingDialog() = default;

CFilterNumericEdit& CBWLabelSettingDialog::LengthField(Field field) const {
    return *m_fields[field];
}

CFilterIntegerEdit& CBWLabelSettingDialog::CountField(Field field) const {
    return static_cast<CFilterIntegerEdit&>(*m_fields[field]);
}

void CBWLabelSettingDialog::BuildControls() {
    DialogUnits du(font());
    // Each caption may use the room up to its field.
    du.Fit(font(), Quillmark::tr("Label Name"), 63 - 8 - 2);
    du.Fit(font(), Quillmark::tr("Paper Size:"), 63 - 8 - 2);
    for (const FieldPlaces& p : kPlaces)
        du.Fit(font(), Quillmark::tr(p.caption), p.field.x - p.label.x - 2);
    setFixedSize(du.X(245), du.Y(233));
    setWindowTitle(Quillmark::tr("Label Setting"));

    // Created in the order of the keyboard's Tab key.
    m_pPreview = new CBWLabelStatic(this);
    m_pPreview->setGeometry(du.Rect({8, 4, 228, 89}));

    auto caption = [&](const QString& text, const Place& p) {
        auto* label = new QLabel(text, this);
        label->setGeometry(du.Rect(p));
        return label;
    };
    // Captions take their field's height and sit centred beside it.
    caption(Quillmark::tr("Label Name"), {8, 102, 53, 12});
    m_pName = new CFilterAlphanumericEdit(0, kRefusedInNames, this);
    m_pName->setGeometry(du.Rect({63, 102, 173, 12}));

    for (int i = 0; i < 8; ++i) {
        const FieldPlaces& p = kPlaces[static_cast<std::size_t>(i)];
        caption(Quillmark::tr(p.caption),
                {p.label.x, p.field.y, p.field.x - p.label.x - 2, p.field.h});
        m_fields[i] = i < kLengthFields ? new CFilterNumericEdit(9, 4, this)
                                        : new CFilterIntegerEdit(9, this);
        // The arrows sit inside the field's right end, with the field's height.
        const QRect field = du.Rect(p.field);
        const int spinWidth = du.X(p.spin.w);
        m_fields[i]->setGeometry(field.adjusted(0, 0, -spinWidth, 0));
        m_spins[i] = new CSpinButton(this);
        m_spins[i]->setGeometry(field.right() + 1 - spinWidth, field.top(), spinWidth,
                                field.height());
        const Field f = static_cast<Field>(i);
        connect(m_spins[i], &CSpinButton::PositionChanging, this,
                [this, f](int delta) { OnSpinStep(f, delta); });
        if (i < kLengthFields)
            m_units[i] = caption(QString(), {p.unit.x, p.field.y, p.unit.w, p.field.h});
    }

    caption(Quillmark::tr("Paper Size:"), {8, 191, 53, 13});
    m_pPaper = new QComboBox(this);
    m_pPaper->setGeometry(du.Rect({63, 191, 173, 13}));
    m_pPaper->setMaxVisibleItems(13);

    caption(Quillmark::tr("Kind:"), {8, 212, 30, 14});
    m_pKind = new QComboBox(this);
    m_pKind->setGeometry(du.Rect({40, 212, 100, 14}));

    m_pCancel = new QPushButton(Quillmark::tr("Cancel"), this);
    m_pCancel->setGeometry(du.Rect({156, 212, 30, 14}));
    m_pOk = new QPushButton(Quillmark::tr("OK"), this);
    m_pOk->setGeometry(du.Rect({206, 212, 30, 14}));
    m_pOk->setDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, &CBWLabelSettingDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CBWLabelSettingDialog::reject);
}

void CBWLabelSettingDialog::OnInitDialog() {
    m_pName->SetWindowText(m_strName);
    CountField(NumberAcross).SetWindowText(QString::number(m_nNumberAcross));
    CountField(NumberDown).SetWindowText(QString::number(m_nNumberDown));

    if (m_nLabelID < 0)
        setWindowTitle(Quillmark::tr("New custom label"));
    else
        setWindowTitle(m_strType + u' ' + m_strName + Quillmark::tr(" information"));
    m_pName->setEnabled(m_bNameEditable);

    for (QLabel* unit : m_units)
        unit->setText(m_bUnitCm ? QStringLiteral("cm") : QStringLiteral("in"));
    for (CSpinButton* spin : m_spins)
        spin->SetRange(0, 10000);

    for (int i = 0; i < 13; ++i)
        m_pPaper->addItem(PaperSizeName(i));
    // A paper index that names no paper shows the first paper: every calculation needs one.
    m_pPaper->setCurrentIndex(FindPaperSize(m_nPaperSize) ? m_nPaperSize : 0);
    connect(m_pPaper, &QComboBox::currentIndexChanged, this, &CBWLabelSettingDialog::OnPaperChange);
    m_pKind->addItems(
        {Quillmark::tr("Sheet"), Quillmark::tr("Roll"), Quillmark::tr("Continuous tape")});
    m_pKind->setCurrentIndex(m_nKind);

    for (int i = 0; i < kLengthFields; ++i) {
        CFilterNumericEdit& field = *m_fields[i];
        field.SetDecimalPlaces(3);
        field.ModifyOptions(CNumericFilterBehavior::kPadDecimals, 0);
        field.SetAllowMinus(false);
        field.SetValue(m_dLengths[i], false);
    }
    for (int i = kLengthFields; i < 8; ++i)
        m_fields[i]->SetAllowMinus(false);

    // The drawing shows what the fields hold, typed or stepped.
    for (CFilterNumericEdit* field : m_fields)
        connect(field, &QLineEdit::textChanged, this, &CBWLabelSettingDialog::RefreshPreview);
    OnKindChange();
    connect(m_pKind, &QComboBox::currentIndexChanged, this, [this] {
        OnKindChange();
        CheckChange();
    });
    RefreshPreview();
}

void CBWLabelSettingDialog::OnKindChange() {
    const int kind = m_pKind->currentIndex();
    const bool sheet = kind == static_cast<int>(LabelKind::Sheet);
    if (!sheet) {
        LengthField(TopMargin).SetValue(0, false);
        LengthField(SideMargin).SetValue(0, false);
        CountField(NumberAcross).SetIntValue(1);
        CountField(NumberDown).SetIntValue(1);
        LengthField(HorizontalPitch).SetValue(LengthField(LabelWidth).GetValue(), false);
    }
    for (const Field f : {TopMargin, SideMargin, HorizontalPitch, NumberAcross, NumberDown}) {
        m_fields[f]->setEnabled(sheet);
        m_spins[f]->setEnabled(sheet);
    }
    // A roll's vertical pitch is its label's length and the gap to the next one; tape has none.
    const bool pitch = kind != static_cast<int>(LabelKind::Continuous);
    m_fields[VerticalPitch]->setEnabled(pitch);
    m_spins[VerticalPitch]->setEnabled(pitch);
    m_pPaper->setEnabled(sheet);
}

QString CBWLabelSettingDialog::KindFault() const {
    const SheetFields f = ReadFields();
    switch (static_cast<LabelKind>(m_pKind->currentIndex())) {
    case LabelKind::Sheet:
        return {};
    case LabelKind::Roll:
        if (f.labelWidth <= 0 || f.labelHeight <= 0)
            return Quillmark::tr("A roll label needs a width and a height.");
        if (f.verticalPitch < f.labelHeight)
            return Quillmark::tr("The vertical pitch of a roll, the label's height and the gap "
                                 "to the next label, cannot be less than the label's height.");
        return {};
    case LabelKind::Continuous:
        if (f.labelWidth <= 0) return Quillmark::tr("Continuous tape needs a width.");
        return {};
    }
    return {};
}

double CBWLabelSettingDialog::PaperWidth() const {
    const PaperSize* paper = FindPaperSize(m_pPaper->currentIndex());
    return (paper ? paper->width : kPaperSizes[0].width) / 1000.0 / UnitFactor(m_bUnitCm);
}

double CBWLabelSettingDialog::PaperHeight() const {
    const PaperSize* paper = FindPaperSize(m_pPaper->currentIndex());
    return (paper ? paper->height : kPaperSizes[0].height) / 1000.0 / UnitFactor(m_bUnitCm);
}

SheetFields CBWLabelSettingDialog::ReadFields() const {
    SheetFields s;
    s.paperWidth = PaperWidth();
    s.paperHeight = PaperHeight();
    s.topMargin = LengthField(TopMargin).GetValue();
    s.sideMargin = LengthField(SideMargin).GetValue();
    s.verticalPitch = LengthField(VerticalPitch).GetValue();
    s.horizontalPitch = LengthField(HorizontalPitch).GetValue();
    s.labelHeight = LengthField(LabelHeight).GetValue();
    s.labelWidth = LengthField(LabelWidth).GetValue();
    s.numberAcross = CountField(NumberAcross).GetIntValue();
    s.numberDown = CountField(NumberDown).GetIntValue();
    return s;
}

SpinBounds CBWLabelSettingDialog::LengthBounds(Field field, const SheetFields& s) {
    // The sheet may be overrun by a tenth; a count of 0 leaves its pitch without a ceiling.
    const double pw = 1.1 * s.paperWidth, ph = 1.1 * s.paperHeight;
    const double inf = std::numeric_limits<double>::infinity();
    switch (field) {
    case TopMargin:
        return {0, ph - double(s.numberDown) * s.verticalPitch};
    case SideMargin:
        return {0, pw - double(s.numberAcross) * s.horizontalPitch};
    case HorizontalPitch:
        return {s.labelWidth, s.numberAcross ? pw / double(s.numberAcross) : inf};
    case VerticalPitch:
        return {s.labelHeight, s.numberDown ? ph / double(s.numberDown) : inf};
    case LabelWidth:
        return {0, s.horizontalPitch};
    case LabelHeight:
        return {0, s.verticalPitch};
    default:
        return {0, 0};
    }
}

void CBWLabelSettingDialog::OnSpinStep(Field field, int delta) {
    if (field < kLengthFields) {
        CFilterNumericEdit& edit = LengthField(field);
        const double candidate = edit.GetValue() + (delta > 0 ? 0.01 : -0.01);
        const SpinBounds b = LengthBounds(field, ReadFields());
        if (candidate >= b.lower - kBoundSlack && candidate <= b.upper + kBoundSlack)
            edit.SetValue(candidate, false);
    } else {
        CFilterIntegerEdit& edit = CountField(field);
        const long long candidate =
            static_cast<long long>(edit.GetIntValue()) + (delta > 0 ? 1 : -1);
        if (candidate > 0 && candidate <= kMaxCount) edit.SetIntValue(static_cast<int>(candidate));
        if (field == NumberAcross)
            AdjustAcross();
        else
            AdjustDown();
    }
    RefreshPreview();
    CheckChange();
}

namespace {

// Keeps the pitch and the label within the share of the sheet that each label has left, and
// makes a single label's pitch the whole sheet.
void AdjustOneWay(double sheet, double margin, long long count, CFilterNumericEdit& pitch,
                  CFilterNumericEdit& size) {
    if (count > 0) {
        // A margin beyond the sheet leaves no room at all, not a negative one.
        const double share = std::max(0.0, (sheet - margin) / double(count));
        if (pitch.GetValue() > share) pitch.SetValue(share, false);
        if (size.GetValue() > share) size.SetValue(share, true);
    }
    if (count == 1) pitch.SetValue(sheet, false);
    pitch.setEnabled(count != 1);
}

} // namespace

void CBWLabelSettingDialog::AdjustAcross() {
    AdjustOneWay(PaperWidth(), LengthField(SideMargin).GetValue(),
                 CountField(NumberAcross).GetIntValue(), LengthField(HorizontalPitch),
                 LengthField(LabelWidth));
}

void CBWLabelSettingDialog::AdjustDown() {
    AdjustOneWay(PaperHeight(), LengthField(TopMargin).GetValue(),
                 CountField(NumberDown).GetIntValue(), LengthField(VerticalPitch),
                 LengthField(LabelHeight));
}

void CBWLabelSettingDialog::OnPaperChange() {
    AdjustAcross();
    AdjustDown();
    CheckChange();
    RefreshPreview();
}

bool CBWLabelSettingDialog::SheetChanged(double tolerance) const {
    if (CountField(NumberAcross).GetIntValue() != static_cast<long long>(m_nNumberAcross) ||
        CountField(NumberDown).GetIntValue() != static_cast<long long>(m_nNumberDown) ||
        m_pPaper->currentIndex() != m_nPaperSize || m_pKind->currentIndex() != m_nKind)
        return true;
    for (int i = 0; i < kLengthFields; ++i)
        if (std::abs(m_fields[i]->GetValue() - m_dLengths[i]) >= tolerance) return true;
    return false;
}

void CBWLabelSettingDialog::CheckChange() {
    // A step is a change once it has moved a value by a whole step.
    if (!m_bNameEditable && SheetChanged(0.01)) MakeCustom();
}

void CBWLabelSettingDialog::MakeCustom() {
    // A stock label's geometry was changed: what the user has now is a new label of their own.
    m_pName->SetWindowText(QString());
    m_pName->setEnabled(true);
    setWindowTitle(Quillmark::tr("New Custom Label"));
    m_nLabelID = -1;
    m_bNameEditable = true;
}

void CBWLabelSettingDialog::RefreshPreview() {
    LabelSheetGeometry& g = m_pPreview->m_geometry;
    for (int i = 0; i < 8; ++i) {
        const Field f = static_cast<Field>(i);
        g.labels.*kFieldShows[i] = i < kLengthFields
                                       ? StoredLength(LengthField(f).GetValue(), m_bUnitCm)
                                       : CountField(f).GetIntValue();
    }
    g.labels.paperSize = m_pPaper->currentIndex();
    const PaperSize* paper = FindPaperSize(g.labels.paperSize);
    if (!paper) paper = &kPaperSizes[0];
    g.paperWidth = paper->width;
    g.paperHeight = paper->height;
    m_pPreview->update();
}

void CBWLabelSettingDialog::accept() {
    // A stock label keeps its geometry: values typed over it, or moved by less than a step,
    // make a label of the user's own, which needs a name. The fields hold thousandths; half of
    // one tells a typed change from the rounding of the sums.
    if (!m_bNameEditable && SheetChanged(0.0005)) MakeCustom();
    if (m_bNameEditable && m_pName->text().trimmed().isEmpty()) {
        QmMessageBox(Quillmark::tr("Please enter a name for your custom label."),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
        m_pName->setFocus();
        return;
    }
    if (const QString fault = KindFault(); !fault.isEmpty()) {
        QmMessageBox(fault, MsgIcon::Exclamation, MsgButtons::Ok, this);
        LengthField(LabelWidth).setFocus();
        return;
    }
    // Nothing is taken over until every value has been read, so a refused OK changes nothing.
    std::array<double, kLengthFields> lengths{};
    for (int i = 0; i < kLengthFields; ++i)
        lengths[i] = m_fields[i]->GetValue();
    std::array<unsigned, 2> counts{};
    for (int i = 0; i < 2; ++i) {
        CFilterEdit& field = *m_fields[kLengthFields + i];
        bool ok = false;
        counts[i] = field.text().toUInt(&ok);
        if (!ok) {
            QmMessageBox(Quillmark::tr("Please enter a positive integer."), MsgIcon::Exclamation,
                         MsgButtons::Ok, this);
            field.setFocus();
            field.selectAll();
            return;
        }
    }
    m_dLengths = lengths;
    m_nNumberAcross = counts[0];
    m_nNumberDown = counts[1];
    m_nPaperSize = m_pPaper->currentIndex();
    m_nKind = m_pKind->currentIndex();
    m_strName = m_pName->text().trimmed();
    QDialog::accept();
}

LabelRecord CBWLabelSettingDialog::GetLabel() const {
    LabelRecord r;
    r.id = m_nLabelID;
    r.name1 = m_strName;
    // A null text would be bound as NULL, which the table refuses for a name.
    r.name2 = m_strType.isNull() ? QStringLiteral("") : m_strType;
    r.geometry.paperSize = m_nPaperSize;
    for (int i = 0; i < kLengthFields; ++i)
        r.geometry.*kFieldShows[i] = StoredLength(m_dLengths[i], m_bUnitCm);
    r.geometry.numberAcross = static_cast<int>(std::min<long long>(m_nNumberAcross, kMaxCount));
    r.geometry.numberDown = static_cast<int>(std::min<long long>(m_nNumberDown, kMaxCount));
    r.geometry.kind = m_nKind;
    // A roll's label lies alone across it; tape is cut to each label's length.
    if (m_nKind != static_cast<int>(LabelKind::Sheet)) {
        r.geometry.horizontalPitch = r.geometry.width;
        if (m_nKind == static_cast<int>(LabelKind::Continuous))
            r.geometry.verticalPitch = r.geometry.height;
    }
    return r;
}
