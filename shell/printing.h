#pragma once
// Printing on a printer or into a PDF file: the pages as the print settings and the run lay
// them out, with or without the window (the command line prints without one).

#include "job/print_job.h"
#include "labels/printer_settings.h"
#include "output/print_page.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPointF>
#include <QString>

#include <optional>
#include <string>
#include <vector>

class QPrinter;

// How printing measures a symbol against its label: its marks as a printer draws them.
CSymbolMeasure PrintMeasure(const CSymbolView& view);

// The printer's resolution, its printable area within the paper in device dots, and the
// calibration stored for it (none for a PDF file); the job's offset replaces the stored one.
CPrinterFacts PrinterFacts(const QPrinter& printer);
CPrinterFacts PrinterFacts(const QPrinter& printer, const CPrintJob& job);

// What the job's run holds and what would not print as given (CheckPrintJob with printing's
// measure): the whole run, or its first labels (`whole` false).
CRunReport CheckPrintJob(const CPrintJob& job, bool whole);

// The first `count` labels of the job in printing order as images at `dpi` (their resolution
// recorded), with their real data: what each label holds, as images of it are drawn; fewer when
// the run is shorter or cannot be read on.
std::vector<QImage> JobLabelPictures(const CPrintJob& job, int count, int dpi);

// Paints every page of the job on `painter`, which paints on `printer`; the preview also draws
// label outlines. Returns the pages painted, and in `error` why the run could not be read to its
// end.
int PaintJob(QPainter& painter, QPrinter& printer, const CPrintJob& job, bool preview,
             CMessage& error);
// Prints the job on `printer`, which has the resolution it prints at (UseQueueResolution);
// false after a message when nothing could be printed ("Could not start print job." when it
// cannot begin). A run that cannot be read to its end is cancelled. A printer that writes a PDF
// file prints through PrintIntoPdfFile.
bool PrintPage(QPrinter& printer, const CPrintJob& job);
// Prints the job into the PDF file `printer` writes: into a scratch file beside it, which takes
// the file's place only once it is known to be whole on the disk (Qt's PDF writer reports no
// failed writes); false after a message (the file error, "Disk full" for a file cut short)
// otherwise, the earlier file left as it was.
bool PrintIntoPdfFile(QPrinter& printer, const CPrintJob& job);

// Makes a roll or tape job ready to print on `printer`: the page set to the label's paper, each
// label alone on a page, and the copies asked of the printer where every page is the same.
// Nothing for other jobs; false after a message when the printer cannot take the label.
bool PrepareRollJob(QPrinter& printer, CPrintJob& job);

// Whether the queue's driver makes a raster of the page (a label printer's, say), whose dots
// start at the printable area's corner rather than the paper's.
bool QueueMakesRaster(const QString& queue);
// How far, in device dots, everything printed on `printer` moves so that the page's dots are the
// driver's: for a driver that makes a raster, the fraction of a dot by which its printable area's
// corner lies off the page's own dots (the printable area of a DYMO driver at 203 dpi starts
// 5.64 dots from the paper's edge); nothing for other printers and PDF files.
QPointF RasterGridShift(const QPrinter& printer);

// The dots per inch a print queue prints at: the resolution chosen for the queue, else the
// printer's default; 0 when the print system does not say.
int QueueResolution(const QString& queue);
// Gives a printer writing to a queue the queue's own resolution, so that the page is laid out
// on the dots the printer prints (Qt lays every queue's page out at 1200 dpi, whose edges a
// 203 dpi printer rounds one by one, making elements a dot wider or narrower).
void UseQueueResolution(QPrinter& printer);
// The print queue the environment names, as the print system reads it: $LPDEST, else $PRINTER.
QString EnvironmentPrinter();
// Prints without a dialog on the named printer, else on the one the environment names, else on
// the default one ("Could not start print job." when the printer named does not exist), on
// `page` when one is given.
bool PrintDirect(const CPrintJob& job, const QString& printerName = QString(),
                 const std::optional<SheetPage>& page = std::nullopt);
// Prints into the PDF file `path` as a printer without margins would print on `page`: the
// file is replaced only when the whole job was written.
bool PrintToPdf(const CPrintJob& job, const QString& path, const QPageSize& page,
                QPageLayout::Orientation orientation);

// The paper of the label product last chosen in the Print dialog, when the label database still
// has it; none otherwise (and no message: printing goes on with the printer's paper).
std::optional<SheetPage> StoredSheetPage();

// The paper the system prints on by default: the one $PAPERSIZE names, else the first in
// /etc/papersize, else Letter where the locale measures in inches and A4 elsewhere.
QPageSize DefaultPaper();
