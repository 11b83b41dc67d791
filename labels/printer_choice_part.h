#pragma once
// The print dialog's printer part: the printer to print on with "&Change..." for its page, the
// copies and their collation. The job's printer takes the choice, with the page last printed
// on the chosen printer (printer_settings.h), and the paper of a label sheet is checked against
// what the printer takes.

#include "labels/printer_settings.h"

#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QSpinBox;

// The printers the print system offers.
struct PrinterChoices {
    QStringList names;
    QString defaultName; // empty when there is no default
};
PrinterChoices AvailablePrinters();

class CPrinterChoicePart : public QWidget {
    Q_OBJECT
public:
    // How the paper each printer takes is found: the print system's answer (PapersOf) unless
    // replaced.
    using PaperLister = std::function<PrinterPapers(const QString& printer)>;
    // What is said of a printer below it: its resolution and the X dimension it prints.
    using PrinterDescriber = std::function<QString(const QString& printer)>;

    // Copies and collation start as `printer` has them; none leaves nothing to print on.
    explicit CPrinterChoicePart(QPrinter* printer, QWidget* parent = nullptr);

    // Offers these printers, preselecting the printer of the last print when it is among them,
    // else the job's printer, else the default one.
    void SetPrinters(const PrinterChoices& printers);
    void SetPaperLister(PaperLister papersOf);
    void SetPrinterDescriber(PrinterDescriber describe);
    // The printer chosen in the list; empty when none can be chosen.
    QString SelectedPrinterName() const;
    // Whether a job can be printed: a printer is chosen and there is a job to give it to.
    bool CanPrint() const;

    // Asks whether to print on a printer that does not take the sheet's paper (of the label
    // product `product`); true when it does take it, or when nothing is known of its paper.
    bool ConfirmPaper(const SheetPage& page, int paperSize, const QString& product);
    // The same for a roll or tape label (`labelMm`, a length of 0 for tape cut to what it
    // holds): asks whether to print each label on the middle of a larger paper where the
    // printer takes no page of the label's size; refuses, saying why, where no paper holds it
    // or tape is longer than the printer's driver takes.
    bool ConfirmRollPaper(const QSizeF& labelMm, const QString& product);
    // Gives the job the printer chosen, `page` when one is given, the copies and collation.
    void ApplyChoice(const std::optional<SheetPage>& page);
    // Remembers the job's printer and page for the next print; false when the store could not
    // be written (true when there was nothing to remember).
    bool RememberChoice() const;

    QComboBox& PrinterList() const { return *m_pPrinters; }
    QPushButton& ChangeButton() const { return *m_pChange; }
    QSpinBox& CopiesBox() const { return *m_pCopies; }
    QCheckBox& CollateBox() const { return *m_pCollate; }
    QLabel& FactsLabel() const { return *m_pFacts; }

signals:
    void PrinterChanged();

private:
    // Makes `name` the job's printer, with the paper and orientation stored for it the first
    // time it is chosen (a page set up with Change... for it is kept).
    void SelectJobPrinter(const QString& name);
    void OnChange();
    void ShowFacts();

    QPrinter* m_pPrinter;
    bool m_bHavePrinters = false;
    PaperLister m_papersOf;
    PrinterDescriber m_describe;
    // The printer whose stored page the job has been given.
    std::optional<QString> m_pageOf;

    QComboBox* m_pPrinters = nullptr;
    QPushButton* m_pChange = nullptr;
    QSpinBox* m_pCopies = nullptr;
    QCheckBox* m_pCollate = nullptr;
    QLabel* m_pFacts = nullptr;
};
