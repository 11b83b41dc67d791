#pragma once
// The print dialog's "Labels to Print": the same symbol on each label, numbered labels, or one
// label per row of a data file, with their fields, a list of the first labels as they will
// read and a note of what is wrong with them.

#include "common/label_run_choice.h"

#include <QGroupBox>
#include <QString>

#include <functional>
#include <optional>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;

// How a run lies on its paper, for telling how much it prints.
struct RunPaper {
    bool labelSheet = false;   // label sheets; plain pages take one symbol each
    bool singleLabel = false;  // one label to a sheet, where the single label's fields say
    std::int64_t perSheet = 1; // the labels of a full sheet
    std::int64_t start = 0;    // the run's first label on the first sheet, from 0
    int copies = 1;            // the printer prints every page so many times
};
// The sheets (or pages) `labels` labels of a run take, copies aside.
std::int64_t RunSheets(std::int64_t labels, const RunPaper& paper);
// What the run prints, for its note: "300 labels on 10 sheets.", with the copies when there
// are more than one, and that each label takes a sheet of its own when a single label is
// chosen. Empty when the count is not known (-1).
QString RunExtentText(std::int64_t labels, const RunPaper& paper);

class CLabelRunPart : public QGroupBox {
    Q_OBJECT
public:
    // How a data file is chosen for "&Browse...": a file dialog unless replaced. Gets the file
    // chosen so far; none when the choice is cancelled.
    using FileChooser = std::function<std::optional<QString>(const QString& current)>;

    explicit CLabelRunPart(QWidget* parent = nullptr);

    // The fields show `run`; its start is not shown here.
    void ShowRun(const CLabelRunChoice& run);
    // The run as the fields show it, starting on the first label.
    CLabelRunChoice Choice() const;
    void SetFileChooser(FileChooser chooser);
    // The preview list shows the report's first labels, and the note `extent` (what the run
    // prints) and what keeps its labels from printing as given; an empty report and extent clear
    // both. The note is red when something is wrong, or when `warn` says the extent is a warning.
    void ShowReport(const CRunReport& report, const QString& extent = {}, bool warn = false);

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

signals:
    // A field of the run changed.
    void Changed();

private:
    QWidget* BuildSamePage();
    QWidget* BuildNumberedPage();
    QWidget* BuildFilePage();
    void ConnectFields();
    void OnBrowse();

    FileChooser m_chooseFile;

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
};
