#pragma once
// The print dialog's "Labels to Print": the same symbol on each label, numbered labels, or one
// label per row of a data file, with their fields, a list of the first labels as they will
// read and a note of what is wrong with them.

#include "common/label_run_choice.h"

#include <QGroupBox>
#include <QString>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;

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
    // The preview list shows the report's first labels and the note what keeps them from
    // printing as given; an empty report clears both.
    void ShowReport(const CRunReport& report);

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
