#pragma once
// COptionsDialog: the program-wide settings of new barcodes, measurement and image export.

#include <QDialog>

#include <utility>
#include <vector>

struct IntSetting;

class QButtonGroup;
class QCheckBox;
class QSpinBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;

class COptionsDialog : public QDialog {
public:
    explicit COptionsDialog(QWidget* parent = nullptr);

    // "&Default": the factory values in the controls; nothing is stored until OK.
    void OnDefault();
    void accept() override;

    // For tests and for the layout: the controls by their role.
    QButtonGroup* UnitGroup() const { return m_unit; }
    QButtonGroup* ResolutionGroup() const { return m_resolution; }
    QComboBox* FontNameList() const { return m_fontName; }
    QComboBox* FontSizeList() const { return m_fontSize; }
    QLineEdit* CustomResolution() const { return m_custom; }
    QSlider* DensitySlider() const { return m_density; }
    QSlider* RatioSlider() const { return m_ratio; }
    QCheckBox* SnapBox() const { return m_snap; }
    QSpinBox* ImageReductionBox() const { return m_imageReduction; }
    // Beside the screen-resolution choice: the resolution images then really get.
    QLabel* ScreenResolutionNote() const { return m_screenNote; }
    // The list of the choice new symbols of a symbology take (QR Code's error-correction
    // level, Data Matrix's shape), by the setting that keeps it; null for any other setting.
    QComboBox* PresetList(const IntSetting& setting) const;

private:
    QGroupBox* BuildUnitGroup();
    QGroupBox* BuildFontGroup();
    QGroupBox* BuildResolutionGroup();
    QGroupBox* BuildBarcodeGroup();
    QGroupBox* BuildPresetGroup();
    QDialogButtonBox* BuildButtons();
    void Load();
    void OnResolutionChosen();
    void ShowScreenResolution();

    QButtonGroup* m_unit = nullptr;
    QButtonGroup* m_resolution = nullptr;
    QComboBox* m_fontName = nullptr;
    QComboBox* m_fontSize = nullptr;
    QLineEdit* m_custom = nullptr;
    QSlider* m_density = nullptr;
    QSlider* m_ratio = nullptr;
    QCheckBox* m_snap = nullptr;
    QSpinBox* m_imageReduction = nullptr;
    QLabel* m_screenNote = nullptr;
    std::vector<std::pair<const IntSetting*, QComboBox*>> m_presets;
};
