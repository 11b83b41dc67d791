#include "shell/quillmark_view.h"

#include "common/atomic_file.h"
#include "common/latin1.h"
#include "common/length_text.h"
#include "common/settings_keys.h"
#include "common/units.h"
#include "engine/primitives.h"
#include "job/document_edit.h"
#include "labels/print_label_dialog.h"
#include "labels/printer_settings.h"
#include "output/painter_surface.h"
#include "render/symbol_drawing.h"
#include "shell/command_ids.h"
#include "shell/file_dialog.h"
#include "shell/file_errors.h"
#include "shell/quillmark_doc.h"
#include "ui/shown_message.h"
#include "ui/translation.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The export dialog's filters: each format the table offers there, by its translated name and
// its extensions as patterns.
QStringList ExportFilters() {
    QStringList filters;
    for (const ExportFormat& format : ExportFormats()) {
        if (!format.filter) continue;
        QStringList patterns;
        for (std::string_view extension : format.extensions)
            if (!extension.empty()) patterns << QStringLiteral("*.") + Latin1(extension);
        filters << ShownText(format.filter) + QStringLiteral(" (") + patterns.join(' ') + ')';
    }
    return filters;
}

// The extensions of the vector pictures, which keep their size in mils at any resolution.
QString PictureExtensions() {
    QStringList extensions;
    for (const ExportFormat& format : ExportFormats())
        if (format.kind == ExportKind::Vector)
            for (std::string_view extension : format.extensions)
                if (!extension.empty()) extensions << Latin1(extension);
    return extensions.join(QStringLiteral(", "));
}

} // namespace

CQuillmarkView::CQuillmarkView(QWidget* parent) : CView(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
}

CQuillmarkDoc* CQuillmarkView::GetDoc() const {
    return static_cast<CQuillmarkDoc*>(m_pDocument);
}

void CQuillmarkView::OnPrepareDC(CMappedSurface& surface) const {
    surface.SetWindowExt({1000, 1000});
    surface.SetWindowOrg({0, 0});
    // In device pixels: Qt's logical dots per inch stay at the desktop's nominal value under
    // scaling, and the device pixel ratio makes up the rest.
    const double ratio = devicePixelRatioF();
    const auto device = [ratio](double logical) {
        return static_cast<int>(std::lround(logical * ratio));
    };
    surface.SetViewportExt({device(m_nZoom * logicalDpiX()), device(m_nZoom * logicalDpiY())});
    surface.SetViewportOrg({device(width()) / 2, device(height()) / 2});
}

CLabelContent CQuillmarkView::Label() const {
    const CQuillmarkDoc* doc = GetDoc();
    CLabelContent content =
        CLabelContent::Of(doc ? doc->GetBarcode() : nullptr, {m_nRotation, m_bShowText});
    if (!doc || !content.symbol || doc->GetDesign().lines.empty()) return content;
    // The lines as the first label of a run would show them, on the label product chosen for
    // printing.
    CFieldValues values;
    values.data = EngineTextAsUtf8(*content.symbol, content.symbol->m_strData);
    values.n = 1;
    content.lines = FilledLines(doc->GetDesign(), values);
    const CPrintSettings print = CPrintSettings::FromStore();
    if (print.useLabel != 0)
        content.label = {units::ThousandthsCmToMils(print.geometry.width),
                         units::ThousandthsCmToMils(print.geometry.height)};
    return content;
}

CSize CQuillmarkView::GetSymbolSize() const {
    return LabelPaperSize(Label());
}

void CQuillmarkView::OnDraw(CMappedSurface& surface) {
    surface.SetBkModeOpaque(true);
    DrawLabel(Label(), surface);
}

QString CQuillmarkView::SizeReadout() const {
    const CSize size = GetSymbolSize();
    const bool centimetres = settings::Get(settings::kUnit) != 0;
    const QString unit = centimetres ? QStringLiteral("cm") : QStringLiteral("in");
    return QStringLiteral("%1%3 x %2%3")
        .arg(QString::fromStdString(LengthNumber(MilsInThousandthsCm(size.cx), centimetres)),
             QString::fromStdString(LengthNumber(MilsInThousandthsCm(size.cy), centimetres)), unit);
}

QString CQuillmarkView::ModuleReadout() const {
    const int screenDpi =
        static_cast<int>(std::lround(logicalDpiX() * devicePixelRatioF() * m_nZoom));
    return Quillmark::tr("On screen: %1. Images: %2.")
        .arg(ShownMessage(engine::DescribeModule(screenDpi)),
             ShownMessage(engine::DescribeModule(ExportOptions(0).dpi)));
}

void CQuillmarkView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    PaintLabelOutline(painter);
    // The bars snap to the screen's own pixels, not to logical pixels scaled up: the painter
    // works in device pixels (see OnPrepareDC).
    const double ratio = devicePixelRatioF();
    painter.scale(1 / ratio, 1 / ratio);
    CPainterSurface surface(painter, true);
    surface.SetDeviceGrid(true);
    OnPrepareDC(surface);
    OnDraw(surface);
}

bool CQuillmarkView::OnCommand(int id) {
    switch (id) {
    case cmd::kZoomIn:
        m_nZoom = std::min(m_nZoom + 1, 8);
        break;
    case cmd::kZoomOut:
        m_nZoom = std::max(m_nZoom - 1, 1);
        break;
    case cmd::kRotateLeft:
        m_nRotation = (m_nRotation + 1) % 4;
        break;
    case cmd::kRotateRight:
        m_nRotation = (m_nRotation + 3) % 4;
        break;
    case cmd::kEditCopy:
    case cmd::kEditCopyWmf:
        OnEditCopy();
        return true;
    case cmd::kFileExport:
    case cmd::kFileSaveAs:
        OnFileExport();
        return true;
    case cmd::kFilePrint:
        OnFilePrint();
        return true;
    case cmd::kFilePrintDirect:
        OnFilePrintDirect();
        return true;
    case cmd::kFilePrintPreview:
        OnFilePrintPreview();
        return true;
    default:
        return false;
    }
    update();
    return true;
}

void CQuillmarkView::wheelEvent(QWheelEvent* event) {
    // One step per wheel message, whatever its distance: away from the user zooms out.
    const int delta = event->angleDelta().y();
    if (delta > 0)
        OnCommand(cmd::kZoomOut);
    else if (delta < 0)
        OnCommand(cmd::kZoomIn);
    CView::wheelEvent(event);
}

void CQuillmarkView::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard there is no mouse position: show the menu at the view's centre.
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(rect().center())
                                                                     : event->globalPos();
    emit ContextMenuRequested(at);
}

CExportOptions CQuillmarkView::ExportOptions(int dpi) const {
    CExportOptions options;
    options.view = {m_nRotation, m_bShowText};
    options.screen = CReferenceScreen::Primary();
    options.screen.dpiX = logicalDpiX();
    options.screen.dpiY = logicalDpiY();
    options.dpi = dpi > 0 ? dpi : ExportResolution();
    return options;
}

bool CQuillmarkView::CreateMetafile(const QString& path) {
    const CQuillmarkDoc* doc = GetDoc();
    if (!doc || !doc->GetBarcode()) return false;
    const std::vector<std::uint8_t> bytes = RecordMetafile(Label(), ExportOptions(0));
    if (bytes.empty()) {
        QmMessageBox(ExportErrorMessage(ExportFailed(ExportError::PictureTooLarge), path));
        return false;
    }
    // The scratch file lies in the shared temporary folder: a link planted there is replaced,
    // never followed.
    AtomicWriteOptions options;
    options.followSymlinks = false;
    if (const std::error_code ec =
            WriteFileAtomically(QFile::encodeName(path).toStdString(), bytes, options)) {
        QmMessageBox(ExportErrorMessage(ExportFailed(ec), path));
        return false;
    }
    return true;
}

std::string CQuillmarkView::CreateSvg() {
    const CQuillmarkDoc* doc = GetDoc();
    if (!doc || !doc->GetBarcode()) return {};
    return RecordSvg(Label(), ExportOptions(0));
}

void CQuillmarkView::OnEditCopy() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear(); // empty even when the picture cannot be made
    const QString path = QDir::temp().filePath(QStringLiteral("temp$$.wmf"));
    if (!CreateMetafile(path)) return;
    QFile emf(path);
    if (!emf.open(QIODevice::ReadOnly)) return;
    auto* data = new QMimeData;
    const std::string svg = CreateSvg();
    data->setData(QStringLiteral("image/svg+xml"),
                  QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    const QByteArray bytes = emf.readAll();
    data->setData(QStringLiteral("image/emf"), bytes);
    data->setData(QStringLiteral("image/x-emf"), bytes);
    clipboard->setMimeData(data);
}

void CQuillmarkView::OnFileExport() {
    FileDialogRequest request;
    request.open = false;
    request.kind = FileKind::Export;
    request.title = Quillmark::tr("Export");
    request.filters = ExportFilters();
    request.defaultSuffix = Latin1(ExportFormats().front().extensions[0]);
    // What the images' module will measure: a whole number of the image's dots.
    const int dpi = ExportOptions(0).dpi;
    request.note = Quillmark::tr("Images: %1. Pictures (%2): X = %3 mil.")
                       .arg(ShownMessage(engine::DescribeModule(dpi)))
                       .arg(PictureExtensions())
                       .arg(engine::ModuleOnDevice(0).requestedMils);
    if (const CMessage warning = engine::ModuleWarning(dpi); !warning.Empty())
        request.note += QLatin1Char('\n') + ShownMessage(warning);
    const auto path = QmFileDialog(request);
    if (!path) return;
    ExportToFile(*path);
}

bool CQuillmarkView::ExportToFile(const QString& path, int dpi) {
    CQuillmarkDoc* doc = GetDoc();
    if (!doc) return false;
    const std::string native = QFile::encodeName(path).toStdString();
    // A copy of the document goes through the document, which words its own failures.
    if (const ExportFormat* format = FindExportFormat(native);
        format && format->kind == ExportKind::Document)
        return doc->OnSaveDocument(path);
    if (!doc->GetBarcode()) return false;
    const CExportOptions options = ExportOptions(dpi);
    if (!IsVectorExtension(native))
        if (const CMessage warning = engine::ModuleWarning(options.dpi); !warning.Empty())
            emit Note(ShownMessage(warning));
    if (const CExportResult result = ExportLabel(Label(), native, options); !result) {
        QmMessageBox(ExportErrorMessage(result, path));
        return false;
    }
    return true;
}

CPrintJob CQuillmarkView::PrintJob() const {
    const CQuillmarkDoc* doc = GetDoc();
    CPrintJob job = StoredPrintJob(doc ? doc->GetBarcode() : nullptr, {m_nRotation, m_bShowText});
    if (doc) {
        job.title = doc->GetTitle().toStdString();
        job.design = doc->GetDesign();
    }
    job.skipProblems = m_skipProblems;
    job.outlines = m_printOutlines;
    if (job.run.kind == CLabelRunChoice::Kind::FromFile && job.run.file == m_runDataFile)
        job.runData = m_runData.text;
    return job;
}

CRunReport CQuillmarkView::InspectRun(const CLabelRunChoice& run,
                                      const std::optional<CLabelGeometry>& sheet, bool singleLabel,
                                      bool whole) const {
    CPrintJob job = JobWithChoice(PrintJob(), run, sheet, singleLabel);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The whole run's look reads its file afresh, and the print after it works from that text.
    if (whole && run.kind == CLabelRunChoice::Kind::FromFile) {
        m_runData = ReadRunData(run);
        m_runDataFile = run.file;
        job.runData = m_runData.text;
    }
    CRunReport report = CheckPrintJob(job, whole);
    QApplication::restoreOverrideCursor();
    return report;
}

bool CQuillmarkView::OnPreparePrinting(QPrinter& printer) {
    CBWPrintLabelDialog dialog(&printer, window());
    dialog.SetRunInspector(
        [this](const CLabelRunChoice& run, const std::optional<CLabelGeometry>& sheet,
               bool singleLabel,
               bool whole) { return InspectRun(run, sheet, singleLabel, whole); });
    dialog.SetLabelPictureMaker([this](const CLabelRunChoice& run, const CLabelGeometry& sheet,
                                       bool singleLabel, int count) {
        // Sharp enough for a line of text on a picture a few centimetres wide.
        constexpr int kPictureDpi = 150;
        return JobLabelPictures(JobWithChoice(PrintJob(), run, sheet, singleLabel), count,
                                kPictureDpi);
    });
    dialog.SetOutlinePrinter([this](const OutlineRequest& request) { PrintOutlinePage(request); });
    // The printer's own dots decide the X dimension a label printer makes of the symbol.
    dialog.SetPrinterDescriber([](const QString& queue) {
        const int dpi = QueueResolution(queue);
        return dpi > 0 ? ShownMessage(engine::DescribeModule(dpi))
                       : Quillmark::tr("The printer does not say its resolution.");
    });
    if (m_prepareDialog) m_prepareDialog(dialog);
    const bool ok = dialog.exec() == QDialog::Accepted;
    m_skipProblems = ok && dialog.SkipProblems();
    m_printOutlines = ok && dialog.OutlinesRequested();
    return ok;
}

bool CQuillmarkView::PrintPage(QPrinter& printer) {
    return ::PrintPage(printer, PrintJob());
}

bool CQuillmarkView::PrintOutlinePage(const OutlineRequest& request) {
    QPrinter printer(QPrinter::HighResolution);
    if (m_printer) m_printer(printer);
    if (!request.printer.isEmpty()) {
        if (printer.printerName() != request.printer) printer.setPrinterName(request.printer);
        ApplyStoredPage(printer, request.printer);
    }
    if (request.page) {
        printer.setPageSize(request.page->size);
        printer.setPageOrientation(request.page->orientation);
    }
    CPrintJob job = PrintJob();
    job.outlines = true;
    job.skipProblems = false;
    job.settings.useLabel = 1;
    job.settings.fullPage = 0;
    job.settings.geometry = request.sheet;
    // The outlines start nowhere in particular: the stored run's start may not fit this sheet.
    job.run = {};
    // The offsets as the dialog shows them, tried before they are stored; a PDF file is no
    // printer, and takes none.
    if (printer.outputFormat() == QPrinter::NativeFormat)
        job.offset = CPoint{request.calibration.offsetAcross, request.calibration.offsetDown};
    return ::PrintPage(printer, job);
}

void CQuillmarkView::OnFilePrint() {
    QPrinter printer(QPrinter::HighResolution);
    if (m_printer) m_printer(printer);
    if (OnPreparePrinting(printer)) {
        UseQueueResolution(printer);
        if (const CMessage warning = engine::ModuleWarning(printer.resolution()); !warning.Empty())
            emit Note(ShownMessage(warning));
        PrintPage(printer);
    }
    m_skipProblems = m_printOutlines = false;
    m_runData = {};
    m_runDataFile.clear();
}

bool CQuillmarkView::OnFilePrintDirect(const QString& printerName) {
    return PrintDirect(PrintJob(), printerName);
}

void CQuillmarkView::OnFilePrintPreview() {
    // A run that cannot be made is said before a preview of nothing is shown.
    if (const CRunReport report = CheckPrintJob(PrintJob(), false); !report.error.Empty()) {
        QmMessageBox(
            Quillmark::tr("The labels cannot be shown: %1.").arg(ShownMessage(report.error)));
        return;
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // The page as the last print on that printer had it; a label sheet on its own paper, as it
    // prints.
    ApplyStoredPrinterChoice(*printer);
    if (PrintJob().settings.useLabel != 0)
        if (const std::optional<SheetPage> page = StoredSheetPage()) {
            printer->setPageSize(page->size);
            printer->setPageOrientation(page->orientation);
        }
    // A roll or tape label shows one label a page, each page the size it prints on.
    if (CPrintJob roll = PrintJob(); OnRoll(roll.settings) && !PrepareRollJob(*printer, roll))
        return;
    QDialog preview(window());
    preview.setWindowTitle(Quillmark::tr("Print Preview"));
    auto* layout = new QVBoxLayout(&preview);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(&preview);
    QAction* print = bar->addAction(Quillmark::tr("&Print..."));
    layout->addWidget(bar);
    // Without any printer the preview still shows the page, laid out on a PDF page.
    if (!printer->isValid()) printer->setOutputFormat(QPrinter::PdfFormat);
    auto* page = new QPrintPreviewWidget(printer.get(), &preview);
    layout->addWidget(page, 1);
    // Every page of the run, each as it will print.
    connect(page, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* p) {
        QPainter painter(p);
        CMessage error;
        PaintJob(painter, *p, PrintJob(), true, error);
    });
    bool printAfter = false;
    connect(print, &QAction::triggered, &preview, [&] {
        printAfter = true;
        preview.accept();
    });
    preview.resize(window()->size().expandedTo(QSize(640, 720)));
    page->fitInView();
    emit PreviewShown(1);
    preview.exec();
    // "Print..." leaves the preview and prints with the dialog.
    if (printAfter) OnFilePrint();
}

void CQuillmarkView::PaintLabelOutline(QPainter& painter) const {
    const CLabelContent label = Label();
    if (label.lines.empty() || label.label.cx <= 0 || label.label.cy <= 0) return;
    // The label at true size times the zoom, as it lies on the sheet, round the view's centre.
    const double w = label.label.cx * m_nZoom * logicalDpiX() / 1000.0;
    const double h = label.label.cy * m_nZoom * logicalDpiY() / 1000.0;
    const QRectF outline(width() / 2.0 - w / 2, height() / 2.0 - h / 2, w, h);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
    const double corner = std::min(w, h) / 16;
    painter.drawRoundedRect(outline, corner, corner);
    painter.restore();
}
