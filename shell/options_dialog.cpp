#include "shell/options_dialog.h"

#include "common/settings_store.h"
#include "shell/framework.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The stored "CopyResolution" of each resolution button; the last one is the custom field's.
constexpr int kResolutions[] = {0, 150, 300, 600};
constexpr int kCustomIndex = 4;

QSlider* MakeSlider(int lo, int hi, QWidget* parent) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(lo, hi);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBothSides);
    s->setTickInterval(1);
    return s;
}

// A slider with its current value written beside it.
template <class Format> QHBoxLayout* WithReadout(QSlider* slider, Format format) {
    auto* row = new QHBoxLayout;
    auto* value = new QLabel(format(slider->maximum()), slider->parentWidget());
    value->setMinimumWidth(value->sizeHint().width());
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QObject::connect(slider, &QSlider::valueChanged, value,
                     [value, format](int v) { value->setText(format(v)); });
    row->addWidget(slider, 1);
    row->addWidget(value);
    return row;
}

} // namespace

COptionsDialog::COptionsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);

    auto* unitBox = new QGroupBox(QStringLiteral("Measurement Unit"), this);
    auto* unitLayout = new QHBoxLayout(unitBox);
    m_unit = new QButtonGroup(this);
    const char* units[] = {"Inch (US)", "Metrics (cm)"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(units[i]), unitBox);
        m_unit->addButton(b, i);
        unitLayout->addWidget(b);
    }
    layout->addWidget(unitBox);

    auto* fontBox = new QGroupBox(QStringLiteral("Default Font"), this);
    auto* fontLayout = new QGridLayout(fontBox);
    fontLayout->addWidget(new QLabel(QStringLiteral("Font Name:"), fontBox), 0, 0);
    m_fontName = new QComboBox(fontBox);
    QStringList families = QFontDatabase::families();
    if (!families.contains(QStringLiteral("Courier New"), Qt::CaseInsensitive))
        families.append(QStringLiteral("Courier New"));
    families.sort(Qt::CaseInsensitive);
    m_fontName->addItems(families);
    fontLayout->addWidget(m_fontName, 0, 1);
    fontLayout->addWidget(new QLabel(QStringLiteral("Font Size:"), fontBox), 1, 0);
    m_fontSize = new QComboBox(fontBox);
    m_fontSize->addItems({"7", "8", "9", "10", "12", "14", "16", "24", "36", "48", "72"});
    fontLayout->addWidget(m_fontSize, 1, 1);
    fontLayout->setColumnStretch(1, 1);
    layout->addWidget(fontBox);

    auto* resBox = new QGroupBox(QStringLiteral("Raster Image Resolution"), this);
    auto* resLayout = new QGridLayout(resBox);
    m_resolution = new QButtonGroup(this);
    const char* resolutions[] = {"Screen Resolution(72dpi)", "Dot Matrix (150 dpi)",
                                 "Laser Printer (300 dpi)", "Laser Printer (600 dpi)",
                                 "Custom (type the resoltuion below):"};
    for (int i = 0; i < 5; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(resolutions[i]), resBox);
        m_resolution->addButton(b, i);
        resLayout->addWidget(b, i, 0, 1, 2);
    }
    m_custom = new QLineEdit(resBox);
    m_custom->setMaximumWidth(80);
    resLayout->addWidget(m_custom, 5, 0);
    resLayout->addWidget(new QLabel(QStringLiteral("dpi"), resBox), 5, 1);
    resLayout->setColumnStretch(1, 1);
    layout->addWidget(resBox);
    connect(m_resolution, &QButtonGroup::idClicked, this, [this] { OnResolutionChosen(); });

    auto* barBox = new QGroupBox(QStringLiteral("Barcode Settings"), this);
    auto* barLayout = new QVBoxLayout(barBox);
    auto* note = new QLabel(
        QStringLiteral("The following two settings are critical to the readability of your "
                       "generated barcode. We recommend that you do not change them unless you "
                       "are absoutely sure about the consequence."),
        barBox);
    note->setWordWrap(true);
    barLayout->addWidget(note);
    barLayout->addWidget(new QLabel(QStringLiteral("X dimension (7-20 mils)"), barBox));
    m_density = MakeSlider(7, 20, barBox);
    barLayout->addLayout(
        WithReadout(m_density, [](int v) { return QStringLiteral("%1 mils").arg(v); }));
    barLayout->addWidget(new QLabel(QStringLiteral("Wide/Narrow Ratio(2.0-3.0)"), barBox));
    m_ratio = MakeSlider(20, 30, barBox);
    barLayout->addLayout(
        WithReadout(m_ratio, [](int v) { return QString::number(v / 10.0, 'f', 1); }));
    layout->addWidget(barBox);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Ok);
    QPushButton* defaults =
        buttons->addButton(QStringLiteral("&Default"), QDialogButtonBox::ResetRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &COptionsDialog::OnDefault);
    layout->addWidget(buttons);

    Load();
}

void COptionsDialog::Load() {
    SettingsStore store;
    m_unit->button(store.GetInt("Options", "Unit", 0) != 0 ? 1 : 0)->setChecked(true);

    const int resolution = store.GetInt("Options", "CopyResolution", 0);
    int index = kCustomIndex;
    for (int i = 0; i < 4; ++i)
        if (kResolutions[i] == resolution) index = i;
    m_custom->setText(QString::number(index == kCustomIndex ? resolution : 72));
    m_resolution->button(index)->setChecked(true);

    const QString font =
        QString::fromStdString(store.GetString("Options", "Font Name", "Courier New"));
    const int fontAt = m_fontName->findText(font, Qt::MatchFixedString);
    m_fontName->setCurrentIndex(fontAt >= 0 ? fontAt : m_fontName->findText("Courier New"));
    const int sizeAt =
        m_fontSize->findText(QString::number(store.GetInt("Options", "Font Size", 8)));
    m_fontSize->setCurrentIndex(sizeAt >= 0 ? sizeAt : m_fontSize->findText("8"));

    // Out-of-range stored values show at the nearest end.
    m_density->setValue(std::clamp(store.GetInt("Options", "Density", 10), 7, 20));
    m_ratio->setValue(std::clamp(store.GetInt("Options", "Ratio", 25), 20, 30));
    // The read-outs beside the sliders follow value changes; a value equal to the slider's
    // first one changes nothing, so show it once here.
    emit m_density->valueChanged(m_density->value());
    emit m_ratio->valueChanged(m_ratio->value());
    OnResolutionChosen();
}

void COptionsDialog::OnResolutionChosen() {
    m_custom->setEnabled(m_resolution->checkedId() == kCustomIndex);
}

void COptionsDialog::OnDefault() {
    m_fontName->setCurrentIndex(m_fontName->findText(QStringLiteral("Courier New")));
    m_fontSize->setCurrentIndex(m_fontSize->findText(QStringLiteral("8")));
    m_unit->button(0)->setChecked(true);
    m_ratio->setValue(25);
    m_density->setValue(10);
    m_resolution->button(0)->setChecked(true);
    OnResolutionChosen();
}

void COptionsDialog::accept() {
    // The custom field is checked whichever resolution is chosen.
    bool isInt = false;
    const int custom = m_custom->text().trimmed().toInt(&isInt);
    if (!isInt) {
        QmMessageBox(QStringLiteral("Please enter an integer."));
        m_custom->setFocus();
        return;
    }
    if (custom < 10 || custom > 3000) {
        QmMessageBox(
            QStringLiteral("Please enter an integer between %1 and %2.").arg(10).arg(3000));
        m_custom->setFocus();
        return;
    }
    SettingsStore store;
    store.WriteInt("Options", "Unit", m_unit->checkedId() == 1 ? 1 : 0);
    store.WriteString("Options", "Font Name", m_fontName->currentText().toLatin1().toStdString());
    store.WriteInt("Options", "Font Size", m_fontSize->currentText().toInt());
    store.WriteInt("Options", "Density", m_density->value());
    store.WriteInt("Options", "Ratio", m_ratio->value());
    const int index = m_resolution->checkedId();
    store.WriteInt("Options", "CopyResolution",
                   index >= 0 && index < kCustomIndex ? kResolutions[index] : custom);
    QDialog::accept();
}
