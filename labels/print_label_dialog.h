#pragma once
// The dialog shown before each print job: the printer, copies and collation above the line, and
// below it the label sheet to print on. Its label choices reach printing only through the
// "Print" settings; the printer choices go straight into the job's QPrinter, and the printer
// with its paper and orientation is remembered for the next print (printer_settings.h).

#include "common/label_run_choice.h"
#include "labels/label_database.h"
#include "labels/printer_settings.h"

#include <QDialog>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CBWLabelSettingDialog;
class CBWSheetPreview;
class CFilterIntegerEdit;
class CSpinButton;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTimer;
struct LabelPosition;

// The printers the print system offers.
struct PrinterChoices {
    QStringList names;
    QString defaultName; // empty when there is no default
};
PrinterChoices AvailablePrinters();

// What the four read-outs show for one label product.
struct LabelReadouts {
    QString type;
    QString height;
    QString width;
    QString paper; // empty for a paper index that names no paper
};
LabelReadouts MakeLabelReadouts(const LabelRecord& label, bool centimetres);

// The measurement unit "Options"/"Unit": the read-outs show centimetres for anything but 0,
// the label setting dialog is told centimetres only for 1.
bool ReadoutsInCentimetres(int unit);
bool LabelSettingInCentimetres(int unit);

// One click (delta +1 or -1) of an up-down arrow at `position`, wrapping at the range's ends.
int WrapSpinStep(int position, int delta, int lower, int upper);

// What keeps a label product from printing, worded to follow "cannot be printed: " (empty when
// nothing does): a label narrower or shorter than one dot of a 600 dpi printer, no labels
// across or down, more labels than a printed page holds (kMaxLabelsPerPage), or a pitch smaller
// than the label where more than one label lies that way, so that labels would overlap.
QString LabelPrintFault(const CLabelGeometry& geometry);

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

// An offset of the printer's calibration as the dialog shows it: millimetres, or inches for the
// unit 0 of the options; and back to thousandths of a centimetre, rounded.
double OffsetShown(int thousandthsCm, int unit);
int OffsetStored(double shown, int unit);

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
    using LabelSettingRunner = std::function<int(CBWLabelSettingDialog&)>;
    void SetLabelSettingRunner(LabelSettingRunner runner);

    // How the label database is found: LabelConnectionFromSettings for the program's folder
    // unless replaced (tests point it elsewhere). It reports in `repaired` a damaged per-user
    // copy it replaced, which the dialog tells the user about before it opens the database.
    using DatabaseLocator =
        std::function<LabelConnectionParams(std::optional<LabelCopyRepair>* repaired)>;
    void SetDatabaseLocator(DatabaseLocator locator);

    // Offers these printers in place of the print system's, preselecting the printer of the
    // last print when it is among them, else the job's printer, else the default one.
    void SetPrinters(const PrinterChoices& printers);
    // How the paper each printer takes is found: the print system's answer (PapersOf) unless
    // replaced (tests describe printers of their own).
    using PaperLister = std::function<PrinterPapers(const QString& printer)>;
    void SetPaperLister(PaperLister papersOf);
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
    // How a data file is chosen for "&Browse...": a file dialog unless replaced (tests answer
    // it). Gets the file chosen so far; none when the choice is cancelled.
    using FileChooser = std::function<std::optional<QString>(const QString& current)>;
    void SetFileChooser(FileChooser chooser);

    // The run as the fields show it now.
    CLabelRunChoice RunChoice() const;
    // After OK: the labels that would not print as given are to be left out (the user said so).
    bool SkipProblems() const { return m_skipProblems; }
    // After "Print &Outlines": the label outlines are to be printed, not the symbol.
    bool OutlinesRequested() const { return m_outlines; }

    // The values as read at construction and taken over by the last successful Save or OK.
    int UseLabel() const { return m_bUseLabel; }
    int FullPage() const { return m_nFullPage; }
    unsigned Row() const { return m_nRow; }
    unsigned Column() const { return m_nColumn; }

    bool IsExpanded() const { return m_bExpanded; }
    QSize ExpandedSize() const { return m_fullSize; }
    QSize CollapsedSize() const { return m_collapsedSize; }

    // The controls, for the view and for tests that drive the dialog.
    QComboBox& PrinterList() const { return *m_pPrinters; }
    QPushButton& ChangeButton() const { return *m_pChange; }
    QSpinBox& CopiesBox() const { return *m_pCopies; }
    QCheckBox& CollateBox() const { return *m_pCollate; }
    QCheckBox& UseLabelBox() const { return *m_pUseLabel; }
    QPushButton& OkButton() const { return *m_pOk; }
    QPushButton& SaveButton() const { return *m_pSave; }
    QPushButton& CancelButton() const { return *m_pCancel; }
    QFrame& SeparatorLine() const { return *m_pLine; }
    QComboBox& MakerList() const { return *m_pMakers; }
    QListWidget& ProductList() const { return *m_pProducts; }
    QPushButton& DetailsButton() const { return *m_pDetails; }
    QPushButton& NewLabelButton() const { return *m_pNewLabel; }
    QPushButton& DeleteButton() const { return *m_pDelete; }
    QRadioButton& FullPageRadio() const { return *m_pFullPage; }
    QRadioButton& SingleLabelRadio() const { return *m_pSingleLabel; }
    CFilterIntegerEdit& RowField() const { return *m_pRow; }
    CFilterIntegerEdit& ColumnField() const { return *m_pColumn; }
    CSpinButton& RowSpin() const { return *m_pRowSpin; }
    CSpinButton& ColumnSpin() const { return *m_pColumnSpin; }
    QLineEdit& TypeReadout() const { return *m_pType; }
    QLineEdit& HeightReadout() const { return *m_pHeight; }
    QLineEdit& WidthReadout() const { return *m_pWidth; }
    QLineEdit& PaperReadout() const { return *m_pPaper; }
    CBWSheetPreview& SheetPreview() const { return *m_pSheet; }
    // The run.
    QRadioButton& SameRadio() const { return *m_pSame; }
    QRadioButton& NumberedRadio() const { return *m_pNumbered; }
    QRadioButton& FromFileRadio() const { return *m_pFromFile; }
    QSpinBox& CountBox() const { return *m_pCount; }
    QRadioButton& SheetsRadio() const { return *m_pSheets; }
    QRadioButton& LabelsRadio() const { return *m_pLabels; }
    QLineEdit& FirstField() const { return *m_pFirst; }
    QLineEdit& LastField() const { return *m_pLast; }
    QLineEdit& NumbersField() const { return *m_pNumbers; }
    QLineEdit& StepField() const { return *m_pStep; }
    QSpinBox& DigitsBox() const { return *m_pDigits; }
    QLineEdit& PrefixField() const { return *m_pPrefix; }
    QLineEdit& SuffixField() const { return *m_pSuffix; }
    QLineEdit& FileField() const { return *m_pFile; }
    QPushButton& BrowseButton() const { return *m_pBrowse; }
    QLineEdit& DataColumnField() const { return *m_pDataColumn; }
    QCheckBox& HeaderBox() const { return *m_pHeader; }
    QLineEdit& CopiesColumnField() const { return *m_pCopiesColumn; }
    QComboBox& SeparatorList() const { return *m_pSeparator; }
    QListWidget& RunPreview() const { return *m_pRunPreview; }
    QLabel& RunNote() const { return *m_pRunNote; }
    // Where on the sheet, and the printer's calibration.
    QSpinBox& StartRowBox() const { return *m_pStartRow; }
    QSpinBox& StartColumnBox() const { return *m_pStartColumn; }
    QSpinBox& StartNumberBox() const { return *m_pStartNumber; }
    QDoubleSpinBox& OffsetAcrossBox() const { return *m_pOffsetAcross; }
    QDoubleSpinBox& OffsetDownBox() const { return *m_pOffsetDown; }
    QSpinBox& BarReductionBox() const { return *m_pBarReduction; }
    QPushButton& OutlinesButton() const { return *m_pOutlines; }
    // Looks through the run for the preview now, as the timer does after a change.
    void RefreshRunPreview();

public slots:
    void accept() override;
    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls, group by group, in the order of the keyboard's Tab key.
    void BuildControls();
    QLayout* BuildPrinterChoices(); // printer, copies, collation and the expander
    QLayout* BuildButtons();        // OK, Cancel and Save
    QWidget* BuildLabelSection();   // everything below the line
    QWidget* BuildPrintGroup();     // full page or a single label, and its position
    QWidget* BuildInformationGroup();
    QWidget* BuildRunGroup();         // what goes on the labels, and its preview
    QWidget* BuildStartGroup();       // the run's first label
    QWidget* BuildCalibrationGroup(); // the printer's offset, bar width and outline page
    void ConnectControls();
    void ConnectRunControls();
    // The run fields show `run`.
    void ShowRun(const CLabelRunChoice& run);
    // The start fields' ranges follow the chosen sheet; row and column follow the number and
    // the other way round.
    void FitStartToSheet();
    void OnStartRowColumn();
    void OnStartNumber();
    void OnSheetClicked(const LabelPosition& at);
    void OnBrowse();
    // The chosen sheet, none for plain paper.
    std::optional<CLabelGeometry> ChosenSheet() const;
    // The calibration fields show the one stored for the printer chosen.
    void ShowCalibration();
    PrinterCalibration CalibrationShown() const;
    // Asks what to do with labels that would not print as given; false to stay in the dialog.
    bool ConfirmRun();
    void OnOutlines();
    // OK, or "Print Outline Pa&ge" (`outlines`): checks, stores and ends the dialog.
    void Finish(bool outlines);
    void RecordSizes();
    void Collapse();
    void Expand();
    void OnUseLabelClicked();
    void EnablePositionFields(bool enable);
    // Marks on the sheet picture the label a single label prints on, or for a full page the
    // run's first label with those before it greyed as used.
    void ShowPrintedLabels();
    void OnPositionSpin(CFilterIntegerEdit& field, CSpinButton& spin, int delta);
    void OnMakerChange();
    void OnProductChange();
    void OnDetails();
    void OnNewLabel();
    void OnDelete();
    void OnSave();
    // The choices below the line after checking them (a message says what is wrong); none
    // when they cannot be stored.
    std::optional<PrintLabelChoice> ReadChoice();
    bool StoreChoice(const PrintLabelChoice& choice);
    bool SaveSettings();
    // Asks whether to print on a printer that does not take the sheet's paper; true when it
    // does take it, or when nothing is known of its paper.
    bool ConfirmPaper(const SheetPage& page, int paperSize);
    // Makes `name` the job's printer, with the paper and orientation stored for it the first
    // time it is chosen (a page set up with Change... for it is kept).
    void SelectJobPrinter(const QString& name);
    void ApplyPrinterChoice(const std::optional<SheetPage>& page);

    void FillMakers();
    void FillProducts();
    bool SelectMaker(int companyId);
    bool SelectProduct(int labelId);
    int SelectedProduct() const; // index into m_products, -1 for none
    int RunLabelSetting(CBWLabelSettingDialog& dialog);
    void WriteLabel(const std::optional<CRowBookmark>& existing, const LabelRecord& label);
    void SelectWrittenRow(const WrittenLabel& written);
    bool Guarded(const std::function<void()>& databaseWork);

    QPrinter* m_pPrinter;
    bool m_bHavePrinters = false;
    PaperLister m_papersOf;
    // The printer whose stored page the job has been given.
    std::optional<QString> m_pageOf;

    int m_bUseLabel;
    int m_nFullPage;
    unsigned m_nRow;
    unsigned m_nColumn;

    std::unique_ptr<CLabelDatabase> m_db;
    bool m_bStarted = false;
    // Bookmarks of the list entries, in list order.
    std::vector<LabelMaker> m_makers;
    std::vector<LabelProduct> m_products;

    QSize m_fullSize;
    QSize m_collapsedSize;
    bool m_bExpanded = true;

    LabelSettingRunner m_runLabelSetting;
    DatabaseLocator m_locateDatabase;
    RunInspector m_inspectRun;
    FileChooser m_chooseFile;
    CLabelRunChoice m_run;
    bool m_skipProblems = false;
    bool m_outlines = false;
    // The printer whose calibration the fields show.
    QString m_calibrationOf;
    QTimer* m_previewTimer = nullptr;

    QComboBox* m_pPrinters = nullptr;
    QPushButton* m_pChange = nullptr;
    QSpinBox* m_pCopies = nullptr;
    QCheckBox* m_pCollate = nullptr;
    QCheckBox* m_pUseLabel = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pSave = nullptr;
    QPushButton* m_pCancel = nullptr;
    QFrame* m_pLine = nullptr;
    QWidget* m_pSection = nullptr; // everything below the line
    QComboBox* m_pMakers = nullptr;
    QListWidget* m_pProducts = nullptr;
    QPushButton* m_pDetails = nullptr;
    QPushButton* m_pNewLabel = nullptr;
    QPushButton* m_pDelete = nullptr;
    QRadioButton* m_pFullPage = nullptr;
    QRadioButton* m_pSingleLabel = nullptr;
    CFilterIntegerEdit* m_pRow = nullptr;
    CFilterIntegerEdit* m_pColumn = nullptr;
    CSpinButton* m_pRowSpin = nullptr;
    CSpinButton* m_pColumnSpin = nullptr;
    QLineEdit* m_pType = nullptr;
    QLineEdit* m_pHeight = nullptr;
    QLineEdit* m_pWidth = nullptr;
    QLineEdit* m_pPaper = nullptr;
    CBWSheetPreview* m_pSheet = nullptr;
    QRadioButton* m_pSame = nullptr;
    QRadioButton* m_pNumbered = nullptr;
    QRadioButton* m_pFromFile = nullptr;
    QStackedWidget* m_pRunPages = nullptr;
    QSpinBox* m_pCount = nullptr;
    QRadioButton* m_pSheets = nullptr;
    QRadioButton* m_pLabels = nullptr;
    QLineEdit* m_pFirst = nullptr;
    QLineEdit* m_pLast = nullptr;
    QLineEdit* m_pNumbers = nullptr;
    QLineEdit* m_pStep = nullptr;
    QSpinBox* m_pDigits = nullptr;
    QLineEdit* m_pPrefix = nullptr;
    QLineEdit* m_pSuffix = nullptr;
    QLineEdit* m_pFile = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QLineEdit* m_pDataColumn = nullptr;
    QCheckBox* m_pHeader = nullptr;
    QLineEdit* m_pCopiesColumn = nullptr;
    QComboBox* m_pSeparator = nullptr;
    QListWidget* m_pRunPreview = nullptr;
    QLabel* m_pRunNote = nullptr;
    QWidget* m_pStartGroup = nullptr;
    QSpinBox* m_pStartRow = nullptr;
    QSpinBox* m_pStartColumn = nullptr;
    QSpinBox* m_pStartNumber = nullptr;
    QDoubleSpinBox* m_pOffsetAcross = nullptr;
    QDoubleSpinBox* m_pOffsetDown = nullptr;
    QSpinBox* m_pBarReduction = nullptr;
    QPushButton* m_pOutlines = nullptr;
};
