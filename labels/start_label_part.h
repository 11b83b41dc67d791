#pragma once
// The print dialog's "Start at Label": the label of the sheet a run starts on, across and down
// or by its number, held to the chosen sheet.

#include "common/label_geometry.h"
#include "labels/sheet_preview.h"

#include <QGroupBox>

#include <optional>

class QSpinBox;

class CStartLabelPart : public QGroupBox {
    Q_OBJECT
public:
    explicit CStartLabelPart(QWidget* parent = nullptr);

    // The fields show a start `row` down and `column` across, from 1.
    void ShowStart(int row, int column);
    int Row() const;
    int Column() const;
    // The fields' ranges follow `sheet` (none leaves them), the start held within them.
    void FitToSheet(const std::optional<CLabelGeometry>& sheet);
    // The run starts on the label at `at`.
    void SetStart(const LabelPosition& at);

    QSpinBox& StartRowBox() const { return *m_pStartRow; }
    QSpinBox& StartColumnBox() const { return *m_pStartColumn; }
    QSpinBox& StartNumberBox() const { return *m_pStartNumber; }

signals:
    // The start moved, by a field or to follow the sheet.
    void Changed();

private:
    // Row and column follow the number and the other way round.
    void OnRowColumn();
    void OnNumber();
    int Across() const;

    std::optional<CLabelGeometry> m_sheet;
    QSpinBox* m_pStartRow = nullptr;
    QSpinBox* m_pStartColumn = nullptr;
    QSpinBox* m_pStartNumber = nullptr;
};
