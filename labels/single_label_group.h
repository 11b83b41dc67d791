#pragma once
// The print dialog's "Print" group: a full page of the same label, or a single label at the
// place its Row field (the label across) and Column field (the label down) give, each field with
// up-down arrows.

#include "labels/sheet_preview.h"

#include <QGroupBox>

#include <optional>

class CFilterIntegerEdit;
class CSpinButton;
class QRadioButton;

// One click (delta +1 or -1) of an up-down arrow at `position`, wrapping at the range's ends.
int WrapSpinStep(int position, int delta, int lower, int upper);

class CSingleLabelGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit CSingleLabelGroup(QWidget* parent = nullptr);

    // Shows a stored choice: `fullPage` 1 for a single label at `row` across and `column` down.
    void ShowChoice(int fullPage, unsigned row, unsigned column);
    bool SingleLabel() const;
    // Row and Column as typed; false after "Please enter a positive integer." when one is empty,
    // with the keyboard's focus on it.
    bool ReadPosition(unsigned& row, unsigned& column);
    // The label the fields name, counted from 0; none while one of them is empty.
    std::optional<LabelPosition> Position() const;
    // The fields take the label at `at`.
    void SetPosition(const LabelPosition& at);
    // The fields and their arrows answer only for a single label.
    void EnableFields(bool enable);

    QRadioButton& FullPageRadio() const { return *m_pFullPage; }
    QRadioButton& SingleLabelRadio() const { return *m_pSingleLabel; }
    CFilterIntegerEdit& RowField() const { return *m_pRow; }
    CFilterIntegerEdit& ColumnField() const { return *m_pColumn; }
    CSpinButton& RowSpin() const { return *m_pRowSpin; }
    CSpinButton& ColumnSpin() const { return *m_pColumnSpin; }

signals:
    void SingleLabelToggled(bool single);
    // Row or Column changed, typed or stepped by the arrows.
    void PositionEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnPositionSpin(CFilterIntegerEdit& field, CSpinButton& spin, int delta);

    QRadioButton* m_pFullPage = nullptr;
    QRadioButton* m_pSingleLabel = nullptr;
    CFilterIntegerEdit* m_pRow = nullptr;
    CFilterIntegerEdit* m_pColumn = nullptr;
    CSpinButton* m_pRowSpin = nullptr;
    CSpinButton* m_pColumnSpin = nullptr;
};
