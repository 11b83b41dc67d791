#include "shell/printing.h"

#include "cli/export_run.h"
#include "common/atomic_file.h"
#include "common/file_errors.h"
#include "common/settings_keys.h"
#include "common/written_pdf.h"
#include "engine/primitives.h"
#include "labels/label_database.h"
#include "labels/printer_settings.h"
#include "output/export.h"
#include "output/qimage_mono.h"
#include "render/raster_image.h"
#include "ui/message_box.h"
#include "ui/shown_message.h"
#include "ui/translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include <cups/cups.h>
#include <cups/ppd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
                                          : ShownMessages(check.change));
    if (job.outlines && job.settings.useLabel == 0)
        return Quillmark::tr("The label outlines need a label sheet: choose one in the Print "
                             "dialog, or name one with --label.");
    CRunSheet sheet;
    if (const CMessage wrong = JobSheet(job, sheet); !wrong.Empty())
        return Quillmark::tr("The labels cannot start there: %1.").arg(ShownMessage(wrong));
    return {};
}

} // namespace

bool PrepareRollJob(QPrinter& printer, CPrintJob& job) {
    if (job.rollPages || job.outlines) return true;
    const std::optional<CRollPage> label = JobRollPage(job, PrintMeasure(job.view));
    if (!label) return true;
    const bool native = printer.outputFormat() == QPrinter::NativeFormat;
    // A PDF file takes a page of any size. Thousandths of a centimetre are hundredths of a mm.
    const RollPaperChoice paper =
        ChooseRollPaper(native ? PapersOf(printer.printerName()) : PrinterPapers{},
                        QSizeF(label->width / 100.0, label->height / 100.0));
    if (!paper.refusal.Empty()) {
        QmMessageBox(ShownMessage(paper.refusal));
        return false;
    }
    if (!paper.note.Empty()) ReportError(paper.note);
    // The page's origin stays the corner of what the driver prints, where its dots start (a
    // label printer's driver may keep a margin of a fraction of a dot); the label is centred on
    // the paper all the same (PrinterFacts).
    printer.setFullPage(false);
    printer.setPageSize(paper.size);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(), QPageLayout::Millimeter);
    const QSizeF mm = paper.size.size(QPageSize::Millimeter);
    const CRollPage sheet{static_cast<int>(std::lround(mm.width() * 100)),
                          static_cast<int>(std::lround(mm.height() * 100))};
    const CRollJob roll = RollJob(job, *label, paper.own ? *label : sheet,
                                  native && printer.supportsMultipleCopies());
    job = roll.job;
    if (roll.copies > 1) printer.setCopyCount(static_cast<int>(roll.copies));
    return true;
}

namespace {

// The numbers of a driver description's value: "*ImageableArea w81h252/Address: "2 14.9 79 237""
// gives its key ("w81h252") and 2, 14.9, 79 and 237.
struct PpdEntry {
    QByteArray key;
    std::vector<double> numbers;
};
PpdEntry ReadPpdEntry(const QByteArray& line) {
    PpdEntry entry;
    const qsizetype space = line.indexOf(' '), colon = line.indexOf(':');
    if (space < 0 || colon < space) return entry;
    entry.key = line.mid(space + 1, colon - space - 1).split('/').front().trimmed();
    for (const QByteArray& word : line.mid(colon + 1).replace('"', ' ').simplified().split(' '))
        if (bool ok = false; !word.isEmpty()) {
            const double v = word.toDouble(&ok);
            if (ok) entry.numbers.push_back(v);
        }
    return entry;
}

// What the driver description says of a raster driver's pages: the printable area of each named
// paper (left, bottom, right, top in points) and its size, and the margins of other sizes.
struct RasterDriver {
    std::map<QByteArray, std::vector<double>> printable, paper;
    std::vector<double> hwMargins;
};

std::optional<RasterDriver> ReadRasterDriver(const QString& queue) {
    // The driver's description is the only place that says what it makes of a page; the call
    // that fetches it is kept by the print system for drivers of this kind.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const char* ppd = queue.isEmpty() ? nullptr : cupsGetPPD(queue.toLocal8Bit().constData());
#pragma GCC diagnostic pop
    if (!ppd) return std::nullopt;
    QFile file(QFile::decodeName(ppd));
    RasterDriver driver;
    bool raster = false;
    if (file.open(QIODevice::ReadOnly))
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            if (line.startsWith("*cupsFilter:") || line.startsWith("*cupsFilter2:"))
                raster = raster || line.contains("application/vnd.cups-raster");
            else if (line.startsWith("*ImageableArea "))
                driver.printable[ReadPpdEntry(line).key] = ReadPpdEntry(line).numbers;
            else if (line.startsWith("*PaperDimension "))
                driver.paper[ReadPpdEntry(line).key] = ReadPpdEntry(line).numbers;
            else if (line.startsWith("*HWMargins:"))
                driver.hwMargins = ReadPpdEntry("*HWMargins x" + line.mid(11)).numbers;
        }
    file.remove();
    if (!raster) return std::nullopt;
    return driver;
}

// Where the driver's raster of a page of `points` starts, in points from the paper's top left:
// the printable area of the driver's paper of that size, else its margins for any size.
std::optional<QPointF> RasterOrigin(const RasterDriver& driver, const QSizeF& points) {
    for (const auto& [key, size] : driver.paper) {
        const auto area = driver.printable.find(key);
        if (size.size() == 2 && area != driver.printable.end() && area->second.size() == 4 &&
            std::abs(size[0] - points.width()) < 0.5 && std::abs(size[1] - points.height()) < 0.5)
            return QPointF(area->second[0], size[1] - area->second[3]);
    }
    if (driver.hwMargins.size() == 4) return QPointF(driver.hwMargins[0], driver.hwMargins[3]);
    return std::nullopt;
}

} // namespace

bool QueueMakesRaster(const QString& queue) {
    return ReadRasterDriver(queue).has_value();
}

QPointF RasterGridShift(const QPrinter& printer) {
    if (printer.outputFormat() != QPrinter::NativeFormat || !printer.isValid()) return {};
    const std::optional<RasterDriver> driver = ReadRasterDriver(printer.printerName());
    if (!driver) return {};
    const QPageLayout layout = printer.pageLayout();
    const std::optional<QPointF> start =
        RasterOrigin(*driver, layout.pageSize().size(QPageSize::Point));
    if (!start) return {};
    // The page's dots start a whole number of dots from the paper's corner (at the printable
    // area Qt was given, rounded); the driver's at its own printable area's corner.
    const int dpi = printer.resolution();
    const QRect rounded = layout.paintRectPixels(dpi);
    const QPointF origin = printer.fullPage() ? QPointF() : QPointF(rounded.topLeft());
    const auto fraction = [](double dots) { return dots - std::round(dots); };
    return {fraction(start->x() * dpi / 72.0 - origin.x()),
            fraction(start->y() * dpi / 72.0 - origin.y())};
}

CSymbolMeasure PrintMeasure(const CSymbolView& view) {
    return [view](const CBarcode& barcode) { return SymbolPaperSize(barcode, view); };
}

CRunReport CheckPrintJob(const CPrintJob& job, bool whole) {
    return CheckPrintJob(job, PrintMeasure(job.view), whole);
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

std::vector<QImage> JobLabelPictures(const CPrintJob& job, int count, int dpi) {
    std::vector<QImage> pictures;
    CJobLabels labels(job, PrintMeasure(job.view));
    const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
    for (int i = 0; i < count; ++i) {
        const CLabelContent* label = labels.Next();
        if (!label) break;
        QImage picture = QImageFromMonoImage(RenderLabelMono(*label, dpi).image);
        picture.setDotsPerMeterX(dotsPerMetre);
        picture.setDotsPerMeterY(dotsPerMetre);
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

namespace {

// Paints the job's labels, its settings as they print.
int PaintLabels(QPainter& painter, QPrinter& printer, const CPrintJob& job,
                const CPrinterFacts& facts, bool preview, CMessage& error) {
    CJobLabels labels(job, PrintMeasure(job.view));
    if (error = labels.Error(); !error.Empty()) return 0;
    const int pages = PaintRunPages(
        painter, facts, job.settings, labels.FirstIndex(), [&labels] { return labels.Next(); },
        [&printer] { return printer.newPage(); }, preview);
    error = labels.Error();
    return pages;
}

} // namespace

int PaintJob(QPainter& painter, QPrinter& printer, const CPrintJob& job, bool preview,
             CMessage& error) {
    error = {};
    if (!job.barcode) return 0;
    const CPrinterFacts facts = PrinterFacts(printer, job);
    if (job.outlines) {
        PaintOutlinePage(painter, facts, job.settings);
        return 1;
    }
    // A roll or tape label the preview shows: one label a page, in the middle of the page.
    std::optional<CPrintJob> roll;
    if (const std::optional<CRollPage> label =
            job.rollPages ? std::nullopt : JobRollPage(job, PrintMeasure(job.view))) {
        const QSizeF mm = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
        const CRollPage paper{static_cast<int>(std::lround(mm.width() * 100)),
                              static_cast<int>(std::lround(mm.height() * 100))};
        roll = RollJob(job, *label, paper, false).job;
    }
    return PaintLabels(painter, printer, roll ? *roll : job, facts, preview, error);
}

namespace {

// Prints the job on `printer` as it is set up: PrintPage without the care a PDF file needs.
bool PrintPages(QPrinter& printer, const CPrintJob& given) {
    CPrintJob job = given;
    if (!PrepareRollJob(printer, job)) return false;
    if (const QString refusal = Refusal(printer, job); !refusal.isEmpty()) {
        QmMessageBox(refusal);
        return false;
    }
    if (!job.title.empty()) printer.setDocName(QString::fromStdString(job.title));
    QPainter painter;
    if (!printer.isValid() || !painter.begin(&printer)) {
        QmMessageBox(Quillmark::tr("Could not start print job."));
        return false;
    }
    // Every dot drawn lands on one of the driver's dots.
    painter.translate(RasterGridShift(printer));
    CMessage error;
    const int pages = PaintJob(painter, printer, job, false, error);
    if (!error.Empty() || pages == 0) {
        // Whatever was spooled is withdrawn: half a run is not what was asked for.
        printer.abort();
        painter.end();
        QmMessageBox(error.Empty()
                         ? Quillmark::tr("No label was left to print.")
                         : Quillmark::tr("Nothing was printed: %1.").arg(ShownMessage(error)));
        return false;
    }
    return painter.end();
}

} // namespace

bool PrintPage(QPrinter& printer, const CPrintJob& job) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return PrintIntoPdfFile(printer, job);
    return PrintPages(printer, job);
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
    if (const CMessage warning = engine::ModuleWarning(printer.resolution()); !warning.Empty())
        ReportError(warning);
    return PrintPage(printer, job);
}

namespace {

// Says why the PDF file `path` was not written, in the program's file error words.
void ReportPdfError(std::error_code ec, const QString& path) {
    QmMessageBox(ShownMessage(FileError(ec, QFile::encodeName(path).toStdString())));
}

// Puts the finished scratch file in the place of `target`, once its bytes are known to be on
// the disk whole: Qt's PDF writer says nothing of writes that failed.
std::error_code PutPdfInPlace(const std::string& scratch, const std::string& target) {
    if (const std::error_code ec = CheckWrittenPdf(scratch)) return ec;
    // The scratch file was made for the owner alone; the PDF gets what a new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::chmod(scratch.c_str(), 0666 & ~mask) != 0) return LastError();
    if (::rename(scratch.c_str(), target.c_str()) != 0) return LastError();
    return {};
}

} // namespace

bool PrintIntoPdfFile(QPrinter& printer, const CPrintJob& job) {
    // Written beside the file under a temporary name, then put in its place: a failed job
    // leaves an earlier file of that name as it was, and a killed one a file that the next
    // write into the folder removes.
    const QString path = printer.outputFileName();
    const std::string target = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
    if (QFileInfo(path).isDir()) {
        ReportPdfError(std::make_error_code(std::errc::is_a_directory), path);
        return false;
    }
    std::string scratch;
    if (const std::error_code ec = CreateTemporaryFile(FolderOf(target), 0600, scratch)) {
        ReportPdfError(ec, path);
        return false;
    }
    printer.setOutputFileName(QFile::decodeName(scratch.c_str()));
    const bool printed = PrintPages(printer, job);
    printer.setOutputFileName(path);
    std::error_code ec;
    if (printed) ec = PutPdfInPlace(scratch, target);
    if (!printed || ec) ::unlink(scratch.c_str());
    if (ec) ReportPdfError(ec, path);
    return printed && !ec;
}

bool PrintToPdf(const CPrintJob& job, const QString& path, const QPageSize& page,
                QPageLayout::Orientation orientation) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setCreator(QStringLiteral("Quillmark"));
    printer.setPageLayout(QPageLayout(page, orientation, QMarginsF(0, 0, 0, 0)));
    return PrintIntoPdfFile(printer, job);
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
