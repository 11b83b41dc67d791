#pragma once
// The dialog that shows and defines one kind of label sheet, with a live drawing of its corner.

#include "labels/label_database.h"

#include <QDialog>
#include <QString>

#include <array>

class CBWLabelStatic;
class CFilterAlphanumericEdit;
class CFilterIntegerEdit;
class CFilterNumericEdit;
class CSpinButton;
class QComboBox;
class QLabel;
class QPushButton;

// The bounds a spin step keeps a length within, in display units.
struct SpinBounds {
    double lower = 0;
    double upper = 0;
};
// The sheet's width and height in display units and the current values of the fields.
struct SheetFields {
    double paperWidth = 0, paperHeight = 0;
    double topMargin = 0, sideMargin = 0, verticalPitch = 0, horizontalPitch = 0;
    double labelHeight = 0, labelWidth = 0;
    long long numberAcross = 0, numberDown = 0;
};

class CBWLabelSettingDialog : public QDialog {
    Q_OBJECT
public:
    // The six length fields, then the two count fields, in the order of their spin buttons.
    enum Field {
        TopMargin,
        SideMargin,
        VerticalPitch,
        HorizontalPitch,
        LabelHeight,
        LabelWidth,
        NumberAcross,
        NumberDown,
    };
    static constexpr int kLengthFields = 6;

    // Shows `label`, its name as name and its name2 as type, with each stored length in
    // thousandths of the display unit (centimetres or inches) and a negative count as 0. A
    // label ID of 0 or less shows a new label with the default geometry in centimetres, whatever
    // else `label` holds; a negative ID also makes the name editable.
    CBWLabelSettingDialog(const LabelRecord& label, bool nameEditable, bool unitCentimetres,
                          QWidget* parent = nullptr);
    ~CBWLabelSettingDialog() override;

    // Results, valid after OK. The lengths are in the display unit that IsUnitCentimetres()
    // names, which for a new label is centimetres whatever the caller passed.
    int GetLabelID() const { return m_nLabelID; }
    bool IsNameEditable() const { return m_bNameEditable; }
    const QString& GetName() const { return m_strName; }
    const QString& GetType() const { return m_strType; }
    double GetLength(Field field) const { return m_dLengths[field]; }
    unsigned GetNumberAcross() const { return m_nNumberAcross; }
    unsigned GetNumberDown() const { return m_nNumberDown; }
    int GetPaperSize() const { return m_nPaperSize; }
    // A LabelKind: sheets, a roll one across, or continuous tape.
    int GetKind() const { return m_nKind; }
    bool IsUnitCentimetres() const { return m_bUnitCm; }
    // The results as a label to save: GetLabelID(), the name, the type (never a null text), the
    // paper size and the geometry with its lengths stored from the dialog's unit and its counts
    // kept within nine digits. Maker and stock flag are left for the database to set.
    LabelRecord GetLabel() const;

    // The controls, for the code (and tests) that drive the dialog.
    CFilterNumericEdit& LengthField(Field field) const;
    CFilterIntegerEdit& CountField(Field field) const;
    CSpinButton& Spin(Field field) const { return *m_spins[field]; }
    CFilterAlphanumericEdit& NameBox() const { return *m_pName; }
    QComboBox& PaperList() const { return *m_pPaper; }
    QComboBox& KindList() const { return *m_pKind; }
    CBWLabelStatic& Preview() const { return *m_pPreview; }
    QLabel& UnitCaption(Field field) const { return *m_units[field]; }
    QPushButton& OkButton() const { return *m_pOk; }

    // The range a spin step may move `field` within.
    static SpinBounds LengthBounds(Field field, const SheetFields& s);

public slots:
    void accept() override;

private:
    void BuildControls();
    void OnInitDialog();
    void OnSpinStep(Field field, int delta);
    void AdjustAcross();
    void AdjustDown();
    void OnPaperChange();
    // A roll has one label across and down and no margins; tape has no pitch either: their
    // fields are set so and disabled, and the paper with them.
    void OnKindChange();
    // Why the values cannot make a label of the kind chosen; empty when they can.
    QString KindFault() const;
    void CheckChange();
    // Whether the fields or the paper differ from the label shown at the start; lengths count
    // when they differ by `tolerance` display units or more.
    bool SheetChanged(double tolerance) const;
    void MakeCustom();
    void RefreshPreview();
    SheetFields ReadFields() const;
    double PaperWidth() const; // display units
    double PaperHeight() const;

    // Dialog state; the lengths and counts are the initial values until OK.
    int m_nLabelID;
    bool m_bNameEditable;
    bool m_bUnitCm;
    QString m_strName;
    QString m_strType;
    std::array<double, kLengthFields> m_dLengths{};
    unsigned m_nNumberAcross = 1;
    unsigned m_nNumberDown = 1;
    int m_nPaperSize = 0;
    int m_nKind = 0;

    CBWLabelStatic* m_pPreview = nullptr;
    CFilterAlphanumericEdit* m_pName = nullptr;
    std::array<CFilterNumericEdit*, 8> m_fields{};
    std::array<CSpinButton*, 8> m_spins{};
    std::array<QLabel*, kLengthFields> m_units{};
    QComboBox* m_pPaper = nullptr;
    QComboBox* m_pKind = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
};
