#include "labels/start_label_part.h"

#include "common/label_run_choice.h"
#include "common/settings_keys.h"
#include "ui/translation.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <cstdint>
#include <tuple>

CStartLabelPart::CStartLabelPart(QWidget* parent)
    : QGroupBox(Quillmark::tr("Start at Label"), parent) {
    auto* grid = new QGridLayout(this);
    // Across, then down, in the words of the single label's fields: the run's start is kept by
    // row (down) and column (across), names that would read the other way beside them.
    m_pStartColumn = new QSpinBox(this);
    m_pStartRow = new QSpinBox(this);
    m_pStartNumber = new QSpinBox(this);
    const std::tuple<const char*, QSpinBox*> fields[] = {
        {QT_TRANSLATE_NOOP("Quillmark", "Star&t at label across:"), m_pStartColumn},
        {QT_TRANSLATE_NOOP("Quillmark", "label down:"), m_pStartRow},
        {QT_TRANSLATE_NOOP("Quillmark", "or label number:"), m_pStartNumber}};
    int column = 0;
    for (const auto& [text, box] : fields) {
        auto* label = new QLabel(Quillmark::tr(text), this);
        label->setBuddy(box);
        grid->addWidget(label, 0, column);
        grid->addWidget(box, 0, column + 1);
        column += 2;
    }
    auto* hint = new QLabel(Quillmark::tr("Label numbers count across from the top left."), this);
    hint->setWordWrap(true);
    grid->addWidget(hint, 1, 0, 1, 6);

    for (QSpinBox* box : {m_pStartRow, m_pStartColumn}) {
        box->setRange(1, settings::kStartRow.max);
        connect(box, &QSpinBox::valueChanged, this, &CStartLabelPart::OnRowColumn);
    }
    m_pStartNumber->setRange(1, static_cast<int>(kMaxRunLabels));
    connect(m_pStartNumber, &QSpinBox::valueChanged, this, &CStartLabelPart::OnNumber);
}

void CStartLabelPart::ShowStart(int row, int column) {
    m_pStartRow->setValue(row);
    m_pStartColumn->setValue(column);
}

int CStartLabelPart::Row() const {
    return m_pStartRow->value();
}

int CStartLabelPart::Column() const {
    return m_pStartColumn->value();
}

int CStartLabelPart::Across() const {
    return m_sheet ? std::max(m_sheet->numberAcross, 1) : 1;
}

void CStartLabelPart::FitToSheet(const std::optional<CLabelGeometry>& sheet) {
    m_sheet = sheet;
    if (!sheet) return;
    const int across = std::clamp(sheet->numberAcross, 1, settings::kStartColumn.max);
    const int down = std::clamp(sheet->numberDown, 1, settings::kStartRow.max);
    {
        // Row and column stay the start, each held to the sheet; the number follows them.
        const QSignalBlocker rows(m_pStartRow), columns(m_pStartColumn), number(m_pStartNumber);
        m_pStartRow->setRange(1, down);
        m_pStartColumn->setRange(1, across);
        m_pStartNumber->setRange(1, static_cast<int>(std::min<std::int64_t>(
                                        std::int64_t{across} * down, kMaxRunLabels)));
    }
    OnRowColumn();
}

void CStartLabelPart::SetStart(const LabelPosition& at) {
    {
        const QSignalBlocker rows(m_pStartRow), columns(m_pStartColumn);
        m_pStartRow->setValue(static_cast<int>(at.down + 1));
        m_pStartColumn->setValue(static_cast<int>(at.across + 1));
    }
    OnRowColumn();
}

void CStartLabelPart::OnRowColumn() {
    const std::int64_t across = Across();
    {
        const QSignalBlocker block(m_pStartNumber);
        m_pStartNumber->setValue(static_cast<int>(std::min<std::int64_t>(
            (m_pStartRow->value() - 1) * across + m_pStartColumn->value(), kMaxRunLabels)));
    }
    emit Changed();
}

void CStartLabelPart::OnNumber() {
    const int across = Across();
    const int index = m_pStartNumber->value() - 1;
    {
        const QSignalBlocker rows(m_pStartRow), columns(m_pStartColumn);
        m_pStartRow->setValue(index / across + 1);
        m_pStartColumn->setValue(index % across + 1);
    }
    emit Changed();
}
