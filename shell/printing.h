#pragma once
// Printing a symbol on a printer: the page as the print settings lay it out, with or without
// the window (the command line prints without one).

#include "output/print_page.h"

#include <QString>

class QPrinter;

// The printer's resolution, and its printable area within the paper in device dots.
CPrinterFacts PrinterFacts(const QPrinter& printer);

// What one printed page shows.
struct CPrintJob {
    const CBarcode* barcode = nullptr;
    CSymbolView view;
};

// Paints the job's page on `painter` for `printer`; the preview also draws label outlines.
void PaintPage(QPainter& painter, const QPrinter& printer, const CPrintJob& job, bool preview);
// Prints one page on `printer`; "Could not start print job." when it cannot begin.
bool PrintPage(QPrinter& printer, const CPrintJob& job);
// The print queue the environment names, as the print system reads it: $LPDEST, else $PRINTER.
QString EnvironmentPrinter();
// Prints without a dialog on the named printer, else on the one the environment names, else on
// the default one ("Could not start print job." when the printer named does not exist).
bool PrintDirect(const CPrintJob& job, const QString& printerName = QString());
