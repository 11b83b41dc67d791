#include "labels/calibration_part.h"

#include "common/settings_keys.h"
#include "ui/translation.h"

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <cmath>

namespace {

int MeasurementUnit() {
    return settings::Get(settings::kUnit);
}

} // namespace

double OffsetShown(int thousandthsCm, int unit) {
    // Thousandths of a centimetre are hundredths of a millimetre.
    return unit == 0 ? thousandthsCm / 2540.0 : thousandthsCm / 100.0;
}

int OffsetStored(double shown, int unit) {
    return static_cast<int>(std::lround(shown * (unit == 0 ? 2540.0 : 100.0)));
}

CCalibrationPart::CCalibrationPart(QWidget* parent)
    : QGroupBox(Quillmark::tr("This Printer on Label Sheets"), parent) {
    auto* grid = new QGridLayout(this);
    const bool inches = MeasurementUnit() == 0;
    const QString unit = inches ? Quillmark::tr(" in") : Quillmark::tr(" mm");
    m_pOffsetAcross = new QDoubleSpinBox(this);
    m_pOffsetDown = new QDoubleSpinBox(this);
    for (QDoubleSpinBox* box : {m_pOffsetAcross, m_pOffsetDown}) {
        box->setDecimals(inches ? 3 : 1);
        const double most = OffsetShown(settings::kPrinterOffsetAcross.max, MeasurementUnit());
        box->setRange(-most, most);
        box->setSingleStep(inches ? 0.005 : 0.1);
        box->setSuffix(unit);
    }
    m_pBarReduction = new QSpinBox(this);
    m_pBarReduction->setRange(0, 3);
    m_pBarReduction->setSuffix(Quillmark::tr(" dots"));
    m_pOutlines = new QPushButton(Quillmark::tr("Print Outline Pa&ge"), this);
    m_pOutlines->setToolTip(Quillmark::tr(
        "Prints the outlines of the chosen sheet's labels with a cross at each centre. Hold the "
        "page over a sheet against the light: how far a cross lies from its label's centre is "
        "the offset to enter, the other way."));
    auto* across = new QLabel(Quillmark::tr("Offset &across:"), this);
    across->setBuddy(m_pOffsetAcross);
    grid->addWidget(across, 0, 0);
    grid->addWidget(m_pOffsetAcross, 0, 1);
    grid->addWidget(new QLabel(Quillmark::tr("down:"), this), 0, 2);
    grid->addWidget(m_pOffsetDown, 0, 3);
    grid->addWidget(new QLabel(Quillmark::tr("Bar width reduction:"), this), 1, 0);
    grid->addWidget(m_pBarReduction, 1, 1);
    grid->addWidget(m_pOutlines, 1, 2, 1, 2);
    grid->setColumnStretch(4, 1);
}

void CCalibrationPart::ShowFor(const QString& printer) {
    m_printer = printer;
    const PrinterCalibration c = StoredCalibration(printer);
    const int unit = MeasurementUnit();
    m_pOffsetAcross->setValue(OffsetShown(c.offsetAcross, unit));
    m_pOffsetDown->setValue(OffsetShown(c.offsetDown, unit));
    m_pBarReduction->setValue(c.barWidthReduction);
    for (QWidget* w : std::initializer_list<QWidget*>{m_pOffsetAcross, m_pOffsetDown,
                                                      m_pBarReduction, m_pOutlines})
        w->setEnabled(!printer.isEmpty());
}

PrinterCalibration CCalibrationPart::Shown() const {
    const int unit = MeasurementUnit();
    return {OffsetStored(m_pOffsetAcross->value(), unit),
            OffsetStored(m_pOffsetDown->value(), unit), m_pBarReduction->value()};
}
