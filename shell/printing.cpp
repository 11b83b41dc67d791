#include "shell/printing.h"

#include "cli/export_run.h"
#include "common/settings_keys.h"
#include "engine/primitives.h"
#include "labels/label_database.h"
#include "labels/printer_settings.h"
#include "ui/message_box.h"
#include "ui/translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <cups/cups.h>
#include <sys/stat.h>

namespace {

constexpr double kMilsPerThousandthCm = 0.39370078740157477;

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

bool OnSheet(const CPrintSettings& s) {
    return s.useLabel != 0 && s.fullPage != 1;
}

// What each label is measured against: the label in mils, on label sheets only.
CRunCheck JobCheck(const CPrintJob& job) {
    CRunCheck check;
    check.prototype = job.barcode;
    const CLabelGeometry& g = job.settings.geometry;
    if (job.settings.useLabel != 0) {
        check.label = {static_cast<int>(g.width * kMilsPerThousandthCm),
                       static_cast<int>(g.height * kMilsPerThousandthCm)};
        check.labelSize = {g.width, g.height};
    }
    const CSymbolView view = job.view;
    check.measure = [view](const CBarcode& barcode) { return SymbolPaperSize(barcode, view); };
    return check;
}

// The printer's own message, or the job's first refusal: labels smaller than a dot, a start off
// the sheet, outlines without a sheet. Empty when the job can go ahead.
QString Refusal(const QPrinter& printer, const CPrintJob& job) {
    if (!job.barcode) return Quillmark::tr("There is no symbol to print.");
    if (printer.isValid() && !LabelsFitPrinter(job.settings, PrinterFacts(printer, job)))
        return Quillmark::tr("The labels of the print settings are smaller than a dot of the "
                             "printer, so nothing was printed. Choose the label sheet again in "
                             "the Print dialog.");
    // The same symbol on every label, when it draws nothing, would print blank pages.
    if (!job.outlines && job.run.kind == CLabelRunChoice::Kind::Same)
        if (const CBarcode::CDataCheck check = job.barcode->CheckData(job.barcode->m_strData);
            check.reads.empty())
            return Quillmark::tr("There is nothing to print: %1.")
                .arg(check.change.empty() ? Quillmark::tr("the data is empty")
                                          : Utf8(check.change));
    if (job.outlines && job.settings.useLabel == 0)
        return Quillmark::tr("The label outlines need a label sheet: choose one in the Print "
                             "dialog, or name one with --label.");
    CRunSheet sheet;
    if (const std::string wrong = JobSheet(job, sheet); !wrong.empty())
        return Quillmark::tr("The labels cannot start there: %1.").arg(Utf8(wrong));
    return {};
}

} // namespace

CPrintJob StoredPrintJob(const CBarcode* barcode, const CSymbolView& view) {
    CPrintJob job;
    job.barcode = barcode;
    job.view = view;
    job.settings = CPrintSettings::FromStore();
    job.run = ReadRunChoice();
    return job;
}

int QueueResolution(const QString& queue) {
    if (queue.isEmpty()) return 0;
    const QByteArray name = queue.toLocal8Bit();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest) return 0;
    int dpi = 0;
    // The queue's chosen option ("203dpi", "300x300dpi") comes first.
    if (const char* option = cupsGetOption("Resolution", dest->num_options, dest->options)) {
        dpi = std::atoi(option);
    } else if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        if (ipp_attribute_t* attr =
                cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution")) {
            int yres = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            const int xres = ippGetResolution(attr, 0, &yres, &units);
            dpi = units == IPP_RES_PER_CM ? static_cast<int>(std::lround(xres * 2.54)) : xres;
        }
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
    return dpi >= 50 && dpi <= 9600 ? dpi : 0;
}

void UseQueueResolution(QPrinter& printer) {
    if (printer.outputFormat() != QPrinter::NativeFormat || !printer.isValid()) return;
    if (const int dpi = QueueResolution(printer.printerName());
        dpi > 0 && dpi != printer.resolution())
        printer.setResolution(dpi);
}

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
    // A PDF file is no printer: nothing of a printer's calibration applies to it.
    if (printer.outputFormat() == QPrinter::NativeFormat) {
        const PrinterCalibration c = StoredCalibration(printer.printerName());
        f.offsetAcross = c.offsetAcross;
        f.offsetDown = c.offsetDown;
        f.barWidthReduction = c.barWidthReduction;
    }
    return f;
}

CPrinterFacts PrinterFacts(const QPrinter& printer, const CPrintJob& job) {
    CPrinterFacts f = PrinterFacts(printer);
    if (job.offset) {
        f.offsetAcross = job.offset->x;
        f.offsetDown = job.offset->y;
    }
    return f;
}

std::string JobSheet(const CPrintJob& job, CRunSheet& sheet) {
    sheet = {};
    if (!OnSheet(job.settings)) return {};
    const CLabelGeometry& g = job.settings.geometry;
    // No page holds more labels than a page is laid out with.
    sheet.perSheet = std::min<std::int64_t>(
        std::int64_t{std::max(g.numberAcross, 1)} * std::max(g.numberDown, 1), kMaxLabelsPerPage);
    return StartIndex(job.run, g, sheet.start);
}

CRunReport CheckPrintJob(const CPrintJob& job, bool whole) {
    CRunSheet sheet;
    if (std::string wrong = JobSheet(job, sheet); !wrong.empty()) {
        CRunReport report;
        report.error = "the labels cannot start there: " + wrong;
        return report;
    }
    return CheckRun(job.run, sheet, JobCheck(job), whole);
}

int PaintJob(QPainter& painter, QPrinter& printer, const CPrintJob& job, bool preview,
             std::string& error) {
    error.clear();
    if (!job.barcode) return 0;
    const CPrinterFacts facts = PrinterFacts(printer, job);
    if (job.outlines) {
        PaintOutlinePage(painter, facts, job.settings);
        return 1;
    }
    CRunSheet sheet;
    error = JobSheet(job, sheet);
    if (!error.empty()) return 0;
    COpenedRun opened = OpenRun(job.run, sheet, job.barcode->m_strData);
    if (!opened.source) {
        error = opened.error;
        return 0;
    }
    const std::unique_ptr<CBarcode> working = CopyBarcode(*job.barcode);
    const CRunCheck check = JobCheck(job);
    CRunEntry entry;
    const CLabelFeed next = [&]() -> const CBarcode* {
        while (opened.source->Next(entry)) {
            if (job.skipProblems && !EntryProblem(*working, entry, check).why.empty()) continue;
            if (entry.document) return job.barcode;
            working->SetData(entry.data);
            return working.get();
        }
        return nullptr;
    };
    const int pages = PaintRunPages(
        painter, facts, job.settings, sheet.start, job.view, next,
        [&printer] { return printer.newPage(); }, preview);
    error = opened.source->Error();
    return pages;
}

bool PrintPage(QPrinter& printer, const CPrintJob& job) {
    UseQueueResolution(printer);
    if (const QString refusal = Refusal(printer, job); !refusal.isEmpty()) {
        QmMessageBox(refusal);
        return false;
    }
    if (!job.title.isEmpty()) printer.setDocName(job.title);
    QPainter painter;
    if (!printer.isValid() || !painter.begin(&printer)) {
        QmMessageBox(Quillmark::tr("Could not start print job."));
        return false;
    }
    std::string error;
    const int pages = PaintJob(painter, printer, job, false, error);
    if (!error.empty() || pages == 0) {
        // Whatever was spooled is withdrawn: half a run is not what was asked for.
        printer.abort();
        painter.end();
        QmMessageBox(error.empty() ? Quillmark::tr("No label was left to print.")
                                   : Quillmark::tr("Nothing was printed: %1.").arg(Utf8(error)));
        return false;
    }
    return painter.end();
}

QString EnvironmentPrinter() {
    for (const char* name : {"LPDEST", "PRINTER"}) {
        const QString queue = qEnvironmentVariable(name);
        if (!queue.isEmpty()) return queue;
    }
    return {};
}

bool PrintDirect(const CPrintJob& job, const QString& printerName,
                 const std::optional<SheetPage>& page) {
    QPrinter printer(QPrinter::HighResolution);
    // A queue named in the environment is the one meant; one that does not exist is refused
    // rather than quietly replaced by the default queue.
    const QString queue = printerName.isEmpty() ? EnvironmentPrinter() : printerName;
    if (!queue.isEmpty()) {
        printer.setPrinterName(queue);
        if (printer.printerName() != queue) {
            QmMessageBox(Quillmark::tr("Could not start print job."));
            return false;
        }
    }
    if (page) {
        printer.setPageSize(page->size);
        printer.setPageOrientation(page->orientation);
    }
    // A printer whose dots cannot make the module well is said before anything prints.
    UseQueueResolution(printer);
    if (const std::string warning = engine::ModuleWarning(printer.resolution()); !warning.empty())
        ReportError(warning);
    return PrintPage(printer, job);
}

bool PrintToPdf(const CPrintJob& job, const QString& path, const QPageSize& page,
                QPageLayout::Orientation orientation) {
    // Written beside the file under a name of its own, then put in its place: a failed job
    // leaves an earlier file of that name as it was.
    const QFileInfo target(path);
    QTemporaryFile reserve(QDir(target.absolutePath())
                               .filePath(QStringLiteral(".%1.XXXXXX.part").arg(target.fileName())));
    if (!reserve.open()) {
        QmMessageBox(Quillmark::tr("The PDF file \"%1\" could not be written: %2.")
                         .arg(path, reserve.errorString()));
        return false;
    }
    const QString scratch = reserve.fileName();
    reserve.setAutoRemove(false);
    reserve.close();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(scratch);
    printer.setCreator(QStringLiteral("Quillmark"));
    printer.setPageLayout(QPageLayout(page, orientation, QMarginsF(0, 0, 0, 0)));
    if (!PrintPage(printer, job)) {
        QFile::remove(scratch);
        return false;
    }
    // The scratch file was made for the owner alone; the PDF gets what a new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(scratch).constData(), 0666 & ~mask);
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(scratch).toStdString(),
                            QFile::encodeName(target.absoluteFilePath()).toStdString(), ec);
    if (ec) {
        QFile::remove(scratch);
        QmMessageBox(Quillmark::tr("The PDF file \"%1\" could not be written: %2.")
                         .arg(path, QString::fromLocal8Bit(ec.message().c_str())));
        return false;
    }
    return true;
}

std::optional<SheetPage> StoredSheetPage() {
    const int saved = settings::Get(settings::kSavedLabelId);
    if (saved <= 0) return std::nullopt;
    try {
        CLabelDatabase db(LabelConnectionFromSettings(QCoreApplication::applicationDirPath()));
        if (const std::optional<LabelRecord> label = db.FindLabel(saved))
            return PageForSheet(label->geometry.paperSize);
    } catch (const CLabelDbError&) {}
    return std::nullopt;
}

QPageSize DefaultPaper() {
    QString name = qEnvironmentVariable("PAPERSIZE").trimmed();
    if (name.isEmpty()) {
        QFile papersize(QStringLiteral("/etc/papersize"));
        if (papersize.open(QIODevice::ReadOnly))
            while (name.isEmpty() && !papersize.atEnd()) {
                const QString line = QString::fromLocal8Bit(papersize.readLine()).trimmed();
                if (!line.startsWith(u'#')) name = line;
            }
    }
    for (int id = 0; id <= QPageSize::LastPageSize; ++id)
        if (!name.isEmpty() &&
            QPageSize::key(QPageSize::PageSizeId(id)).compare(name, Qt::CaseInsensitive) == 0)
            return QPageSize(QPageSize::PageSizeId(id));
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                         ? QPageSize::Letter
                         : QPageSize::A4);
}
