#pragma once
// The printer, paper and orientation a print was made with, remembered per printer for the next
// print and the print preview; and the paper a label sheet needs of the printer.

#include "common/message.h"

#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QString>

#include <optional>
#include <string>

class QPrinter;

// The settings section of one printer: "Printer " and its name, with every byte of the name's
// UTF-8 that a section name cannot hold (outside printable ASCII, a space, '[', ']', '=') and
// '%' itself written as %XX, so that different names never share a section.
std::string PrinterSection(const QString& printerName);

// The printer of the last print; empty when none was stored.
QString StoredPrinterName();

// Stores `printerName` as the last printer, and the page's paper and orientation as those of
// the last print on it. False when the store could not be written.
bool StorePrinterChoice(const QString& printerName, const QPageLayout& page);

// The paper a stored name stands for: a paper of the printer's own by that name, else the
// toolkit's standard paper by that name, else a "Custom.<width>x<height><unit>" size; none for
// anything else.
std::optional<QPageSize> PaperFromName(const QString& name, const QList<QPageSize>& printerPapers);

// Gives the job the paper and orientation stored for `printerName`, each only when one is
// stored and readable.
void ApplyStoredPage(QPrinter& printer, const QString& printerName);
// Gives the job the stored printer when the print system has it (else the job keeps its own),
// then that printer's stored paper and orientation.
void ApplyStoredPrinterChoice(QPrinter& printer);

// A printer's calibration for label sheets, kept in its section: how far to move everything
// printed on a sheet across and down (thousandths of a centimetre, ±1 cm), and the dots every
// bar is made narrower by (0 to 3).
struct PrinterCalibration {
    int offsetAcross = 0;
    int offsetDown = 0;
    int barWidthReduction = 0;
    friend bool operator==(const PrinterCalibration&, const PrinterCalibration&) = default;
};
// None stored (or no printer named) reads as no calibration.
PrinterCalibration StoredCalibration(const QString& printerName);
// False when the store could not be written, or no printer is named.
bool StoreCalibration(const QString& printerName, const PrinterCalibration& calibration);

// What paper a printer takes, as the print system describes it.
struct PrinterPapers {
    bool known = false; // false: nothing is known of the printer, so no paper is refused
    QList<QPageSize> sizes;
    bool customSizes = false; // also any size between the minimum and maximum
    QPageSize minimum;
    QPageSize maximum;
};
PrinterPapers PapersOf(const QString& printerName);

// Whether the printer takes paper of `paper`'s size, either way up (within a millimetre).
bool PrinterTakesPaper(const PrinterPapers& printer, const QPageSize& paper);

// The paper a roll or tape label of `labelMm` (millimetres, as it comes off the roll) prints
// on: a page of its own size where the printer takes one (or nothing is known of its paper, as
// of a PDF file), else the smallest of the printer's papers that holds it, with a note that
// says so; refused where tape is longer than the driver's longest page (the limit named) or no
// paper holds the label.
struct RollPaperChoice {
    QPageSize size;
    bool own = true; // a page of the label's own size
    CMessage note;
    CMessage refusal;
};
RollPaperChoice ChooseRollPaper(const PrinterPapers& papers, const QSizeF& labelMm);

// The page a label sheet prints on: its paper upright, and landscape for the landscape papers.
struct SheetPage {
    QPageSize size;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};
// None for a paper index that names no paper.
std::optional<SheetPage> PageForSheet(int paperSize);
