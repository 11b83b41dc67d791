#pragma once
// The dialog shown before each print job: the printer, copies and collation and the run above
// the line, and below it the label sheet to print on, where the run starts and the printer's
// calibration. Each of these is a part of its own (the headers below); the dialog composes
// them, wires them together and ends the dialog. Its label choices reach printing only through
// the "Print" settings; the printer choices go straight into the job's QPrinter, and the
// printer with its paper and orientation is remembered for the next print (printer_settings.h).

#include "common/label_run_choice.h"
#include "labels/calibration_part.h"
#include "labels/label_database.h"
#include "labels/label_product_part.h"
#include "labels/label_run_part.h"
#include "labels/printer_choice_part.h"
#include "labels/printer_settings.h"
#include "labels/single_label_group.h"
#include "labels/start_label_part.h"

#include <QDialog>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class QCheckBox;
class QFrame;
class QLayout;
class QPrinter;
class QPushButton;
class QTimer;

// What "&Save" and OK store in the "Print" settings.
struct PrintLabelChoice {
    int useLabel = 1;
    int fullPage = 0; // 0: every label of the sheet; 1: one label
    unsigned row = 1;
    unsigned column = 1;
    std::optional<LabelRecord> product; // the selected product; none writes no geometry
    CLabelRunChoice run;
};
// Writes "UseLabel", "FullPage", "Row" and "Column", the run, and with a product
// "SavedLabelID" and its eight geometry keys copied unchanged. False when the store could not
// be written.
bool StorePrintLabelChoice(const PrintLabelChoice& choice);

// What "Print Outline Pa&ge" asks the dialog's owner to print while the dialog stays open: the
// outlines of `sheet` on the printer chosen, on the sheet's paper (none: the printer's own),
// moved by the calibration as the fields show it, stored or not.
struct OutlineRequest {
    QString printer;
    std::optional<SheetPage> page;
    CLabelGeometry sheet;
    PrinterCalibration calibration;
};

class CBWPrintLabelDialog : public QDialog {
    Q_OBJECT
public:
    // Reads "UseLabel", "FullPage", "Row" and "Column" of "Print". The printer receives the
    // printer chosen, with the paper and orientation last printed with on it, copies and
    // collation when the dialog ends with OK; with label settings used, the paper and
    // orientation of the chosen product's sheet instead.
    explicit CBWPrintLabelDialog(QPrinter* printer, QWidget* parent = nullptr);
    ~CBWPrintLabelDialog() override;

    // Starts the dialog and runs it. When the label database cannot be opened the user is
    // told why and Rejected comes back without the dialog ever showing.
    int exec() override;
    // The start that exec() and showing run first: opens the label database, fills the lists
    // and selects the saved product. False, after the message, when the database cannot be
    // opened. Runs once; later calls only report whether it succeeded.
    bool OnInitDialog();

    // How a label setting dialog is run for "&Details..." and "&New Label..."; modally unless
    // replaced (tests answer it). Returns QDialog::Accepted or QDialog::Rejected.
    using LabelSettingRunner = CLabelProductPart::LabelSettingRunner;
    void SetLabelSettingRunner(LabelSettingRunner runner);

    // How the label database is found: LabelConnectionFromSettings for the program's folder
    // unless replaced (tests point it elsewhere). It reports in `repaired` a damaged per-user
    // copy it replaced, which the dialog tells the user about before it opens the database.
    using DatabaseLocator = CLabelProductPart::DatabaseLocator;
    void SetDatabaseLocator(DatabaseLocator locator);

    // Offers these printers in place of the print system's, preselecting the printer of the
    // last print when it is among them, else the job's printer, else the default one.
    void SetPrinters(const PrinterChoices& printers);
    // How the paper each printer takes is found: the print system's answer (PapersOf) unless
    // replaced (tests describe printers of their own).
    using PaperLister = CPrinterChoicePart::PaperLister;
    void SetPaperLister(PaperLister papersOf);
    // What the printer part says of the chosen printer: its resolution and the X dimension.
    void SetPrinterDescriber(CPrinterChoicePart::PrinterDescriber describe);
    // The printer chosen in the list; empty when none can be chosen.
    QString SelectedPrinterName() const;

    // How the window looks through a run for the dialog: the run as the dialog shows it, the
    // chosen sheet (none for plain paper), whether a single label is chosen, and whether to
    // look at the whole run (OK) or at its first labels (the preview). Without one the dialog
    // previews nothing and prints every label.
    using RunInspector = std::function<CRunReport(const CLabelRunChoice& run,
                                                  const std::optional<CLabelGeometry>& sheet,
                                                  bool singleLabel, bool whole)>;
    void SetRunInspector(RunInspector inspector);
    // Pictures of the first `count` labels the run prints on the chosen sheet, in printing
    // order, with their real data (QImage's resolution recorded), for the sheet's picture;
    // without one the printed labels are only marked.
    using LabelPictureMaker = std::function<std::vector<QImage>(
        const CLabelRunChoice& run, const CLabelGeometry& sheet, bool singleLabel, int count)>;
    void SetLabelPictureMaker(LabelPictureMaker maker);
    // How a data file is chosen for "&Browse...": a file dialog unless replaced (tests answer
    // it). Gets the file chosen so far; none when the choice is cancelled.
    using FileChooser = CLabelRunPart::FileChooser;
    void SetFileChooser(FileChooser chooser);

    // How "Print Outline Pa&ge" prints the outline page while the dialog stays open, so that
    // the offsets read off it can be typed at once. Without one the button ends the dialog as
    // OK does, and the outlines are printed in place of the symbols (OutlinesRequested).
    using OutlinePrinter = std::function<void(const OutlineRequest& request)>;
    void SetOutlinePrinter(OutlinePrinter print);

    // The run as the fields show it now.
    CLabelRunChoice RunChoice() const;
    // After OK: the labels that would not print as given are to be left out (the user said so).
    bool SkipProblems() const { return m_skipProblems; }
    // After "Print Outline Pa&ge" ended the dialog (no outline printer is set): the label
    // outlines are to be printed, not the symbol.
    bool OutlinesRequested() const { return m_outlines; }

    // The values as read at construction and taken over by the last successful Save or OK.
    int UseLabel() const { return m_bUseLabel; }
    int FullPage() const { return m_nFullPage; }
    unsigned Row() const { return m_nRow; }
    unsigned Column() const { return m_nColumn; }

    bool IsExpanded() const { return m_bExpanded; }
    QSize ExpandedSize() const { return m_fullSize; }
    QSize CollapsedSize() const { return m_collapsedSize; }

    // The parts.
    CPrinterChoicePart& PrinterPart() const { return *m_pPrinterPart; }
    CLabelRunPart& RunPart() const { return *m_pRunPart; }
    CLabelProductPart& ProductPart() const { return *m_pProductPart; }
    CSingleLabelGroup& PlacementGroup() const { return m_pProductPart->Placement(); }
    CStartLabelPart& StartPart() const { return *m_pStartPart; }
    CCalibrationPart& CalibrationPart() const { return *m_pCalibrationPart; }

    // The controls, for the view and for tests that drive the dialog.
    QComboBox& PrinterList() const { return m_pPrinterPart->PrinterList(); }
    QPushButton& ChangeButton() const { return m_pPrinterPart->ChangeButton(); }
    QSpinBox& CopiesBox() const { return m_pPrinterPart->CopiesBox(); }
    QCheckBox& CollateBox() const { return m_pPrinterPart->CollateBox(); }
    QCheckBox& UseLabelBox() const { return *m_pUseLabel; }
    QPushButton& OkButton() const { return *m_pOk; }
    QPushButton& SaveButton() const { return *m_pSave; }
    QPushButton& CancelButton() const { return *m_pCancel; }
    QFrame& SeparatorLine() const { return *m_pLine; }
    QComboBox& MakerList() const { return m_pProductPart->MakerList(); }
    QListWidget& ProductList() const { return m_pProductPart->ProductList(); }
    QPushButton& DetailsButton() const { return m_pProductPart->DetailsButton(); }
    QPushButton& NewLabelButton() const { return m_pProductPart->NewLabelButton(); }
    QPushButton& DeleteButton() const { return m_pProductPart->DeleteButton(); }
    QRadioButton& FullPageRadio() const { return PlacementGroup().FullPageRadio(); }
    QRadioButton& SingleLabelRadio() const { return PlacementGroup().SingleLabelRadio(); }
    CFilterIntegerEdit& RowField() const { return PlacementGroup().RowField(); }
    CFilterIntegerEdit& ColumnField() const { return PlacementGroup().ColumnField(); }
    CSpinButton& RowSpin() const { return PlacementGroup().RowSpin(); }
    CSpinButton& ColumnSpin() const { return PlacementGroup().ColumnSpin(); }
    QLineEdit& IdReadout() const { return m_pProductPart->IdReadout(); }
    QLineEdit& TypeReadout() const { return m_pProductPart->TypeReadout(); }
    QLineEdit& HeightReadout() const { return m_pProductPart->HeightReadout(); }
    QLineEdit& WidthReadout() const { return m_pProductPart->WidthReadout(); }
    QLineEdit& PaperReadout() const { return m_pProductPart->PaperReadout(); }
    CBWSheetPreview& SheetPreview() const { return m_pProductPart->SheetPreview(); }
    // The run.
    QRadioButton& SameRadio() const { return m_pRunPart->SameRadio(); }
    QRadioButton& NumberedRadio() const { return m_pRunPart->NumberedRadio(); }
    QRadioButton& FromFileRadio() const { return m_pRunPart->FromFileRadio(); }
    QSpinBox& CountBox() const { return m_pRunPart->CountBox(); }
    QRadioButton& SheetsRadio() const { return m_pRunPart->SheetsRadio(); }
    QRadioButton& LabelsRadio() const { return m_pRunPart->LabelsRadio(); }
    QLineEdit& FirstField() const { return m_pRunPart->FirstField(); }
    QLineEdit& LastField() const { return m_pRunPart->LastField(); }
    QLineEdit& NumbersField() const { return m_pRunPart->NumbersField(); }
    QLineEdit& StepField() const { return m_pRunPart->StepField(); }
    QSpinBox& DigitsBox() const { return m_pRunPart->DigitsBox(); }
    QLineEdit& PrefixField() const { return m_pRunPart->PrefixField(); }
    QLineEdit& SuffixField() const { return m_pRunPart->SuffixField(); }
    QLineEdit& FileField() const { return m_pRunPart->FileField(); }
    QPushButton& BrowseButton() const { return m_pRunPart->BrowseButton(); }
    QLineEdit& DataColumnField() const { return m_pRunPart->DataColumnField(); }
    QCheckBox& HeaderBox() const { return m_pRunPart->HeaderBox(); }
    QLineEdit& CopiesColumnField() const { return m_pRunPart->CopiesColumnField(); }
    QComboBox& SeparatorList() const { return m_pRunPart->SeparatorList(); }
    QListWidget& RunPreview() const { return m_pRunPart->RunPreview(); }
    QLabel& RunNote() const { return m_pRunPart->RunNote(); }
    // Where on the sheet, and the printer's calibration.
    QSpinBox& StartRowBox() const { return m_pStartPart->StartRowBox(); }
    QSpinBox& StartColumnBox() const { return m_pStartPart->StartColumnBox(); }
    QSpinBox& StartNumberBox() const { return m_pStartPart->StartNumberBox(); }
    QDoubleSpinBox& OffsetAcrossBox() const { return m_pCalibrationPart->OffsetAcrossBox(); }
    QDoubleSpinBox& OffsetDownBox() const { return m_pCalibrationPart->OffsetDownBox(); }
    QSpinBox& BarReductionBox() const { return m_pCalibrationPart->BarReductionBox(); }
    QPushButton& OutlinesButton() const { return m_pCalibrationPart->OutlinesButton(); }
    // Looks through the run for the preview now, as the timer does after a change.
    void RefreshRunPreview();
    void RefreshLabelPictures();

public slots:
    void accept() override;
    void setVisible(bool visible) override;

private:
    // The parts and buttons, in the order of the keyboard's Tab key.
    void BuildControls();
    QLayout* BuildButtons(); // OK, Cancel and Save
    QWidget* BuildLabelSection();
    void ConnectParts();
    // The run fields show `run`.
    void ShowRun(const CLabelRunChoice& run);
    // The start follows a new product's sheet.
    void OnProductChanged();
    void OnSheetClicked(const LabelPosition& at);
    void EnablePositionFields(bool single);
    void OnSingleLabelToggled(bool single);
    // The chosen sheet, none for plain paper.
    std::optional<CLabelGeometry> ChosenSheet() const;
    // How the run lies on the chosen paper, and whether a single label makes it take a sheet
    // for each of its `labels` labels (the same symbol counted in sheets aside).
    RunPaper PaperOfRun() const;
    bool SheetForEachLabel(std::int64_t labels) const;
    bool ConfirmSheetForEachLabel(std::int64_t labels);
    // Asks about a run whose single label takes a sheet for each label, then what to do with
    // labels that would not print as given; false to stay in the dialog.
    bool ConfirmRun();
    void OnOutlines();
    // OK, or "Print Outline Pa&ge" (`outlines`): checks, stores and ends the dialog.
    void Finish(bool outlines);
    void RecordSizes();
    void Collapse();
    void Expand();
    void OnUseLabelClicked();
    // Marks on the sheet picture the label a single label prints on, or for a full page the
    // run's first label with those before it greyed as used.
    void ShowPrintedLabels();
    void OnSave();
    // The choices below the line after checking them (a message says what is wrong); none
    // when they cannot be stored.
    std::optional<PrintLabelChoice> ReadChoice();
    // The selected product, none when none is selected; false after a message when it cannot
    // be read or cannot be printed.
    bool ReadPrintableProduct(std::optional<LabelRecord>& product);
    bool StoreChoice(const PrintLabelChoice& choice);
    bool SaveSettings();

    int m_bUseLabel;
    int m_nFullPage;
    unsigned m_nRow;
    unsigned m_nColumn;

    bool m_bStarted = false;
    QSize m_fullSize;
    QSize m_collapsedSize;
    bool m_bExpanded = true;

    DatabaseLocator m_locateDatabase;
    RunInspector m_inspectRun;
    LabelPictureMaker m_labelPictures;
    OutlinePrinter m_printOutlines;
    CLabelRunChoice m_run;
    bool m_skipProblems = false;
    bool m_outlines = false;
    QTimer* m_previewTimer = nullptr;

    CPrinterChoicePart* m_pPrinterPart = nullptr;
    QCheckBox* m_pUseLabel = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pSave = nullptr;
    QPushButton* m_pCancel = nullptr;
    CLabelRunPart* m_pRunPart = nullptr;
    QFrame* m_pLine = nullptr;
    QWidget* m_pSection = nullptr; // everything below the line
    CLabelProductPart* m_pProductPart = nullptr;
    CStartLabelPart* m_pStartPart = nullptr;
    CCalibrationPart* m_pCalibrationPart = nullptr;
};
