#include "shell/printing.h"

#include "ui/message_box.h"

#include <QPainter>
#include <QPrinter>

CPrinterFacts PrinterFacts(const QPrinter& printer) {
    CPrinterFacts f;
    f.lpx = printer.logicalDpiX();
    f.lpy = printer.logicalDpiY();
    // The printable area within the paper, in device dots at the printer's resolution.
    const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
    const double sx =
        printer.resolution() > 0 ? static_cast<double>(f.lpx) / printer.resolution() : 1;
    const double sy =
        printer.resolution() > 0 ? static_cast<double>(f.lpy) / printer.resolution() : 1;
    f.ox = qRound(paint.left() * sx);
    f.oy = qRound(paint.top() * sy);
    f.printableWidth = qRound(paint.width() * sx);
    f.printableHeight = qRound(paint.height() * sy);
    return f;
}

void PaintPage(QPainter& painter, const QPrinter& printer, const CPrintJob& job, bool preview) {
    if (!job.barcode) return;
    PaintSymbolPage(painter, PrinterFacts(printer), CPrintSettings::FromStore(), *job.barcode,
                    job.view, preview);
}

bool PrintPage(QPrinter& printer, const CPrintJob& job) {
    // Labels smaller than the printer's dots would come out as a blank page.
    if (printer.isValid() &&
        !LabelsFitPrinter(CPrintSettings::FromStore(), PrinterFacts(printer))) {
        QmMessageBox(QStringLiteral("The labels of the print settings are smaller than a dot of "
                                    "the printer, so nothing was printed. Choose the label sheet "
                                    "again in the Print dialog."));
        return false;
    }
    QPainter painter;
    if (!printer.isValid() || !painter.begin(&printer)) {
        QmMessageBox(QStringLiteral("Could not start print job."));
        return false;
    }
    PaintPage(painter, printer, job, false);
    return painter.end();
}

QString EnvironmentPrinter() {
    for (const char* name : {"LPDEST", "PRINTER"}) {
        const QString queue = qEnvironmentVariable(name);
        if (!queue.isEmpty()) return queue;
    }
    return {};
}

bool PrintDirect(const CPrintJob& job, const QString& printerName) {
    QPrinter printer(QPrinter::HighResolution);
    // A queue named in the environment is the one meant; one that does not exist is refused
    // rather than quietly replaced by the default queue.
    const QString queue = printerName.isEmpty() ? EnvironmentPrinter() : printerName;
    if (!queue.isEmpty()) {
        printer.setPrinterName(queue);
        if (printer.printerName() != queue) {
            QmMessageBox(QStringLiteral("Could not start print job."));
            return false;
        }
    }
    return PrintPage(printer, job);
}
