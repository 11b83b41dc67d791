#include "labels/single_label_group.h"

#include "labels/filter_edit.h"
#include "labels/spin_button.h"
#include "ui/message_box.h"
#include "ui/translation.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

constexpr int kSpinLower = 0;
constexpr int kSpinUpper = 10000;

} // namespace

int WrapSpinStep(int position, int delta, int lower, int upper) {
    const long long next = static_cast<long long>(position) + delta;
    if (next > upper) return lower;
    if (next < lower) return upper;
    return static_cast<int>(next);
}

CSingleLabelGroup::CSingleLabelGroup(QWidget* parent) : QGroupBox(Quillmark::tr("Print"), parent) {
    auto* printGrid = new QGridLayout(this);
    m_pFullPage = new QRadioButton(Quillmark::tr("&Full page of the same label"), this);
    m_pSingleLabel = new QRadioButton(Quillmark::tr("&Single label"), this);
    printGrid->addWidget(m_pFullPage, 0, 0, 1, 4);
    printGrid->addWidget(m_pSingleLabel, 1, 0, 1, 4);
    // Digits only, as the arrows and printing expect: a minus sign makes no position.
    m_pRow = new CFilterIntegerEdit(9, this);
    m_pColumn = new CFilterIntegerEdit(9, this);
    m_pRowSpin = new CSpinButton(this);
    m_pColumnSpin = new CSpinButton(this);
    const QFontMetrics fm(font());
    const int fieldWidth = fm.horizontalAdvance(QStringLiteral("000000")) + 12;
    // "Row" and "Column" as printing takes them, each said in words that cannot be
    // read the other way: Row is the label's place across the sheet, Column its place down.
    int row = 2;
    for (auto [caption, meaning, field, spin] :
         {std::tuple{QT_TRANSLATE_NOOP("Quillmark", "Row:"),
                     QT_TRANSLATE_NOOP("Quillmark", "label across"), m_pRow, m_pRowSpin},
          std::tuple{QT_TRANSLATE_NOOP("Quillmark", "Column:"),
                     QT_TRANSLATE_NOOP("Quillmark", "label down"), m_pColumn, m_pColumnSpin}}) {
        field->SetAllowMinus(false);
        spin->SetRange(kSpinLower, kSpinUpper);
        field->setFixedWidth(fieldWidth);
        spin->setFixedSize(std::max(fm.height(), spin->UpArrow()->minimumSizeHint().width()),
                           field->sizeHint().height());
        auto* pair = new QHBoxLayout;
        pair->setSpacing(0);
        pair->addWidget(field);
        pair->addWidget(spin);
        for (auto [text, column] : {std::pair{caption, 0}, std::pair{meaning, 2}}) {
            auto* label = new QLabel(Quillmark::tr(text), this);
            label->setBuddy(field);
            printGrid->addWidget(label, row, column);
        }
        printGrid->addLayout(pair, row, 1, Qt::AlignLeft);
        ++row;
    }
    printGrid->setColumnStretch(3, 1);

    connect(m_pSingleLabel, &QRadioButton::toggled, this, &CSingleLabelGroup::SingleLabelToggled);
    for (CFilterIntegerEdit* field : {m_pRow, m_pColumn})
        connect(field, &QLineEdit::textChanged, this, &CSingleLabelGroup::PositionEdited);
    connect(m_pRowSpin, &CSpinButton::PositionChanging, this,
            [this](int delta) { OnPositionSpin(*m_pRow, *m_pRowSpin, delta); });
    connect(m_pColumnSpin, &CSpinButton::PositionChanging, this,
            [this](int delta) { OnPositionSpin(*m_pColumn, *m_pColumnSpin, delta); });
    // The Row arrows answer the arrow keys in their field; the Column arrows do not.
    m_pRow->installEventFilter(this);
}

void CSingleLabelGroup::ShowChoice(int fullPage, unsigned row, unsigned column) {
    (fullPage == 1 ? m_pSingleLabel : m_pFullPage)->setChecked(true);
    m_pRow->SetWindowText(QString::number(row));
    m_pColumn->SetWindowText(QString::number(column));
    m_pRowSpin->SetPosition(static_cast<int>(std::min<unsigned>(row, kSpinUpper)));
    m_pColumnSpin->SetPosition(static_cast<int>(std::min<unsigned>(column, kSpinUpper)));
}

bool CSingleLabelGroup::SingleLabel() const {
    return m_pSingleLabel->isChecked();
}

bool CSingleLabelGroup::ReadPosition(unsigned& row, unsigned& column) {
    unsigned* values[2] = {&row, &column};
    CFilterIntegerEdit* fields[2] = {m_pRow, m_pColumn};
    for (int i = 0; i < 2; ++i) {
        bool ok = false;
        *values[i] = fields[i]->text().toUInt(&ok);
        if (!ok) {
            QmMessageBox(Quillmark::tr("Please enter a positive integer."), MsgIcon::Exclamation,
                         MsgButtons::Ok, this);
            fields[i]->setFocus();
            fields[i]->selectAll();
            return false;
        }
    }
    return true;
}

std::optional<LabelPosition> CSingleLabelGroup::Position() const {
    // Row counts across the sheet and Column down, both from 1, as printing takes them.
    bool rowOk = false, columnOk = false;
    const unsigned row = m_pRow->text().toUInt(&rowOk);
    const unsigned column = m_pColumn->text().toUInt(&columnOk);
    if (!rowOk || !columnOk) return std::nullopt;
    return LabelPosition{static_cast<long long>(row) - 1, static_cast<long long>(column) - 1};
}

void CSingleLabelGroup::SetPosition(const LabelPosition& at) {
    m_pRow->SetWindowText(QString::number(at.across + 1));
    m_pColumn->SetWindowText(QString::number(at.down + 1));
}

void CSingleLabelGroup::EnableFields(bool enable) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_pRow, m_pColumn, m_pRowSpin, m_pColumnSpin})
        w->setEnabled(enable);
}

void CSingleLabelGroup::OnPositionSpin(CFilterIntegerEdit& field, CSpinButton& spin, int delta) {
    // The arrows step from what the field shows, so a typed value is where they go on from;
    // a value beyond their range starts from its nearest end.
    bool ok = false;
    const unsigned typed = field.text().toUInt(&ok);
    const int from = ok ? static_cast<int>(std::min<unsigned>(typed, kSpinUpper)) : spin.Position();
    spin.SetPosition(from);
    field.SetWindowText(QString::number(WrapSpinStep(from, delta, kSpinLower, kSpinUpper)));
}

bool CSingleLabelGroup::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pRow && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            m_pRowSpin->Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}
