#pragma once
// The print dialog's "This Printer on Label Sheets": the chosen printer's calibration (how far
// it moves what it prints, and how much narrower it makes each bar) and the button that prints
// the outline page it is measured with.

#include "labels/printer_settings.h"

#include <QGroupBox>
#include <QString>

class QDoubleSpinBox;
class QPushButton;
class QSpinBox;

// An offset of the printer's calibration as the dialog shows it: millimetres, or inches for the
// unit 0 of the options; and back to thousandths of a centimetre, rounded.
double OffsetShown(int thousandthsCm, int unit);
int OffsetStored(double shown, int unit);

class CCalibrationPart : public QGroupBox {
    Q_OBJECT
public:
    explicit CCalibrationPart(QWidget* parent = nullptr);

    // The fields show the calibration stored for `printer`; without a printer they are
    // disabled.
    void ShowFor(const QString& printer);
    // The printer the fields show the calibration of; empty for none.
    const QString& Printer() const { return m_printer; }
    // The calibration as the fields show it.
    PrinterCalibration Shown() const;

    QDoubleSpinBox& OffsetAcrossBox() const { return *m_pOffsetAcross; }
    QDoubleSpinBox& OffsetDownBox() const { return *m_pOffsetDown; }
    QSpinBox& BarReductionBox() const { return *m_pBarReduction; }
    QPushButton& OutlinesButton() const { return *m_pOutlines; }

private:
    QString m_printer;
    QDoubleSpinBox* m_pOffsetAcross = nullptr;
    QDoubleSpinBox* m_pOffsetDown = nullptr;
    QSpinBox* m_pBarReduction = nullptr;
    QPushButton* m_pOutlines = nullptr;
};
