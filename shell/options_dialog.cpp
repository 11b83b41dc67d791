#include "shell/options_dialog.h"

#include "common/settings_keys.h"
#include "engine/barcode.h"
#include "engine/primitives.h"
#include "engine/symbologies.h"
#include "output/export.h"
#include "shell/framework.h"
#include "ui/translation.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

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
    setWindowTitle(Quillmark::tr("Options"));
    auto* layout = new QVBoxLayout(this);
    // The dialog takes the size its contents ask for, so the wrapped note shows whole.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(BuildUnitGroup());
    layout->addWidget(BuildFontGroup());
    layout->addWidget(BuildResolutionGroup());
    layout->addWidget(BuildBarcodeGroup());
    layout->addWidget(BuildPresetGroup());
    layout->addWidget(BuildButtons());
    Load();
}

QGroupBox* COptionsDialog::BuildUnitGroup() {
    auto* box = new QGroupBox(Quillmark::tr("Measurement Unit"), this);
    auto* layout = new QHBoxLayout(box);
    m_unit = new QButtonGroup(this);
    const char* units[] = {QT_TRANSLATE_NOOP("Quillmark", "Inch (US)"),
                           QT_TRANSLATE_NOOP("Quillmark", "Metrics (cm)")};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(Quillmark::tr(units[i]), box);
        m_unit->addButton(b, i);
        layout->addWidget(b);
    }
    return box;
}

QGroupBox* COptionsDialog::BuildFontGroup() {
    auto* box = new QGroupBox(Quillmark::tr("Default Font"), this);
    auto* layout = new QGridLayout(box);
    layout->addWidget(new QLabel(Quillmark::tr("Font Name:"), box), 0, 0);
    m_fontName = new QComboBox(box);
    m_fontName->addItems(FontFamilies());
    layout->addWidget(m_fontName, 0, 1);
    layout->addWidget(new QLabel(Quillmark::tr("Font Size:"), box), 1, 0);
    m_fontSize = new QComboBox(box);
    m_fontSize->addItems({"7", "8", "9", "10", "12", "14", "16", "24", "36", "48", "72"});
    layout->addWidget(m_fontSize, 1, 1);
    layout->setColumnStretch(1, 1);
    return box;
}

QGroupBox* COptionsDialog::BuildResolutionGroup() {
    auto* box = new QGroupBox(Quillmark::tr("Raster Image Resolution"), this);
    auto* layout = new QGridLayout(box);
    m_resolution = new QButtonGroup(this);
    const char* resolutions[] = {
        QT_TRANSLATE_NOOP("Quillmark", "Screen Resolution(72dpi)"),
        QT_TRANSLATE_NOOP("Quillmark", "Dot Matrix (150 dpi)"),
        QT_TRANSLATE_NOOP("Quillmark", "Laser Printer (300 dpi)"),
        QT_TRANSLATE_NOOP("Quillmark", "Laser Printer (600 dpi)"),
        QT_TRANSLATE_NOOP("Quillmark", "Custom (type the resoltuion below):")};
    for (int i = 0; i < 5; ++i) {
        auto* b = new QRadioButton(Quillmark::tr(resolutions[i]), box);
        m_resolution->addButton(b, i);
        layout->addWidget(b, i, 0, 1, i == 0 ? 1 : 2);
    }
    // The caption's 72 dpi is not what images get: the resolution they do get goes beside it.
    m_screenNote = new QLabel(box);
    layout->addWidget(m_screenNote, 0, 1);
    m_custom = new QLineEdit(box);
    m_custom->setMaximumWidth(80);
    layout->addWidget(m_custom, 5, 0);
    layout->addWidget(new QLabel(Quillmark::tr("dpi"), box), 5, 1);
    layout->setColumnStretch(1, 1);
    connect(m_resolution, &QButtonGroup::idClicked, this, [this] { OnResolutionChosen(); });
    return box;
}

QGroupBox* COptionsDialog::BuildBarcodeGroup() {
    auto* box = new QGroupBox(Quillmark::tr("Barcode Settings"), this);
    auto* layout = new QVBoxLayout(box);
    auto* note = new QLabel(
        Quillmark::tr("The following two settings are critical to the readability of your "
                      "generated barcode. We recommend that you do not change them unless you "
                      "are absoutely sure about the consequence."),
        box);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addWidget(new QLabel(Quillmark::tr("X dimension (7-20 mils)"), box));
    m_density = MakeSlider(7, 20, box);
    layout->addLayout(
        WithReadout(m_density, [](int v) { return Quillmark::tr("%1 mils").arg(v); }));
    layout->addWidget(new QLabel(Quillmark::tr("Wide/Narrow Ratio(2.0-3.0)"), box));
    connect(m_density, &QSlider::valueChanged, this, &COptionsDialog::ShowScreenResolution);
    m_ratio = MakeSlider(20, 30, box);
    layout->addLayout(
        WithReadout(m_ratio, [](int v) { return QString::number(v / 10.0, 'f', 1); }));
    // Every bar and space a whole number of the device's dots keeps their ratios exact.
    m_snap = new QCheckBox(Quillmark::tr("Snap bars to device dots"), box);
    layout->addWidget(m_snap);
    connect(m_snap, &QCheckBox::toggled, this, &COptionsDialog::ShowScreenResolution);
    auto* reduction = new QHBoxLayout;
    auto* caption = new QLabel(Quillmark::tr("Bar width reduction in images:"), box);
    m_imageReduction = new QSpinBox(box);
    m_imageReduction->setRange(settings::kImageBarReduction.min, settings::kImageBarReduction.max);
    m_imageReduction->setSuffix(Quillmark::tr(" dots"));
    caption->setBuddy(m_imageReduction);
    reduction->addWidget(caption);
    reduction->addWidget(m_imageReduction);
    reduction->addStretch(1);
    layout->addLayout(reduction);
    return box;
}

void COptionsDialog::ShowScreenResolution() {
    const int screen = CReferenceScreen::Primary().dpiX;
    const int dpi = engine::DefaultImageResolution(screen, m_density->value(), m_snap->isChecked());
    m_screenNote->setText(dpi == screen
                              ? Quillmark::tr("images at %1 dpi (the screen's)").arg(dpi)
                              : Quillmark::tr("images at %1 dpi (%2 \u00D7 the screen's %3 dpi)")
                                    .arg(dpi)
                                    .arg(dpi / std::max(screen, 1))
                                    .arg(screen));
}

QGroupBox* COptionsDialog::BuildPresetGroup() {
    auto* box = new QGroupBox(Quillmark::tr("New Symbols"), this);
    auto* layout = new QGridLayout(box);
    // A row for each choice of new symbols that the settings keep, in the order of the
    // symbology list; a choice that several symbologies share is listed with the first.
    for (const SymbologyInfo& s : Symbologies()) {
        const std::unique_ptr<CBarcode> barcode = CreateBarcode(s.cls);
        if (!barcode) continue;
        for (const CBarcode::COption& option : barcode->GetOptions()) {
            if (!option.preset || PresetList(*option.preset)) continue;
            auto* list = new QComboBox(box);
            for (const char* choice : option.choices)
                list->addItem(ShownText(choice));
            auto* caption = new QLabel(
                Quillmark::tr("%1 %2:").arg(s.listName, ShownText(option.name).toLower()), box);
            caption->setBuddy(list);
            const int row = layout->rowCount();
            layout->addWidget(caption, row, 0);
            layout->addWidget(list, row, 1);
            m_presets.emplace_back(option.preset, list);
        }
    }
    layout->setColumnStretch(1, 1);
    return box;
}

QComboBox* COptionsDialog::PresetList(const IntSetting& setting) const {
    for (const auto& [preset, list] : m_presets)
        if (preset == &setting) return list;
    return nullptr;
}

QDialogButtonBox* COptionsDialog::BuildButtons() {
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Ok);
    QPushButton* defaults =
        buttons->addButton(Quillmark::tr("&Default"), QDialogButtonBox::ResetRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &COptionsDialog::OnDefault);
    return buttons;
}

void COptionsDialog::Load() {
    using namespace settings;
    m_unit->button(Get(kUnit) != 0 ? 1 : 0)->setChecked(true);

    const int resolution = Get(kCopyResolution);
    int index = kCustomIndex;
    for (int i = 0; i < 4; ++i)
        if (kResolutions[i] == resolution) index = i;
    m_custom->setText(QString::number(index == kCustomIndex ? resolution : 72));
    m_resolution->button(index)->setChecked(true);

    // Font names are the engine's single-byte text, read and written as Latin-1.
    const std::string stored = Get(kFontName);
    const QString font = QString::fromLatin1(stored.data(), static_cast<qsizetype>(stored.size()));
    int fontAt = m_fontName->findText(font, Qt::MatchFixedString);
    // A face that is not installed here stays the setting until the user picks another.
    if (fontAt < 0 && !font.isEmpty()) {
        m_fontName->addItem(font);
        fontAt = m_fontName->count() - 1;
    }
    m_fontName->setCurrentIndex(fontAt);
    const int sizeAt = m_fontSize->findText(QString::number(Get(kFontSize)));
    m_fontSize->setCurrentIndex(sizeAt >= 0 ? sizeAt
                                            : m_fontSize->findText(QString::number(kFontSize.def)));

    // Out-of-range stored values show at the nearest end.
    m_snap->setChecked(Get(kSnapToDots) != 0);
    m_imageReduction->setValue(Get(kImageBarReduction));
    m_density->setValue(std::clamp(Get(kDensity), 7, 20));
    m_ratio->setValue(std::clamp(Get(kRatio), 20, 30));
    for (const auto& [preset, list] : m_presets)
        list->setCurrentIndex(Get(*preset));
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
    using namespace settings;
    m_fontName->setCurrentIndex(m_fontName->findText(DefaultFontName()));
    m_fontSize->setCurrentIndex(m_fontSize->findText(QString::number(kFontSize.def)));
    m_unit->button(kUnit.def)->setChecked(true);
    m_ratio->setValue(kRatio.def);
    m_density->setValue(kDensity.def);
    m_snap->setChecked(kSnapToDots.def != 0);
    m_imageReduction->setValue(kImageBarReduction.def);
    for (const auto& [preset, list] : m_presets)
        list->setCurrentIndex(preset->def);
    m_resolution->button(0)->setChecked(true);
    OnResolutionChosen();
}

void COptionsDialog::accept() {
    // The custom field is checked whichever resolution is chosen.
    bool isInt = false;
    const int custom = m_custom->text().trimmed().toInt(&isInt);
    if (!isInt) {
        QmMessageBox(Quillmark::tr("Please enter an integer."));
        m_custom->setFocus();
        return;
    }
    if (custom < 10 || custom > 3000) {
        QmMessageBox(Quillmark::tr("Please enter an integer between %1 and %2.").arg(10).arg(3000));
        m_custom->setFocus();
        return;
    }
    using namespace settings;
    Set(kUnit, m_unit->checkedId() == 1 ? 1 : 0);
    Set(kFontName, m_fontName->currentText().toLatin1().toStdString());
    Set(kFontSize, m_fontSize->currentText().toInt());
    Set(kDensity, m_density->value());
    Set(kRatio, m_ratio->value());
    Set(kSnapToDots, m_snap->isChecked() ? 1 : 0);
    Set(kImageBarReduction, m_imageReduction->value());
    for (const auto& [preset, list] : m_presets)
        Set(*preset, list->currentIndex());
    const int index = m_resolution->checkedId();
    Set(kCopyResolution, index >= 0 && index < kCustomIndex ? kResolutions[index] : custom);
    QDialog::accept();
}
