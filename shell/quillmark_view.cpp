#include "shell/quillmark_view.h"

#include "common/settings_store.h"
#include "output/painter_surface.h"
#include "output/symbol_drawing.h"
#include "shell/command_ids.h"
#include "shell/quillmark_doc.h"

#include "labels/print_label_dialog.h"
#include "output/emf_surface.h"
#include "output/image_encoders.h"
#include "output/print_layout.h"
#include "output/raster.h"
#include "output/svg_surface.h"
#include "shell/file_dialog.h"
#include "shell/file_errors.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cctype>

CQuillmarkView::CQuillmarkView(QWidget* parent) : CView(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
}

CQuillmarkDoc* CQuillmarkView::GetDoc() const {
    return static_cast<CQuillmarkDoc*>(m_pDocument);
}

void CQuillmarkView::OnPrepareDC(CMappedSurface& surface, const CPrintInfo* print) const {
    surface.SetWindowExt({1000, 1000});
    surface.SetWindowOrg({0, 0});
    if (print) {
        surface.SetViewportExt({print->dpiX, print->dpiY});
        surface.SetViewportOrg({print->printableWidth / 2, print->printableHeight / 2});
    } else {
        surface.SetViewportExt({m_nZoom * logicalDpiX(), m_nZoom * logicalDpiY()});
        surface.SetViewportOrg({width() / 2, height() / 2});
    }
}

CSize CQuillmarkView::GetSymbolSize() const {
    const CQuillmarkDoc* doc = GetDoc();
    if (!doc || !doc->m_pBarcode) return {};
    // Measured as the screen draws it: the same mapping, so the text line's height matches.
    QImage scratch(1, 1, QImage::Format_Grayscale8);
    QPainter painter(&scratch);
    CPainterSurface surface(painter, true);
    OnPrepareDC(surface);
    return MeasureSymbol(*doc->m_pBarcode, surface, m_bShowText);
}

void CQuillmarkView::OnDraw(CMappedSurface& surface) {
    surface.SetBkModeOpaque(true);
    const CQuillmarkDoc* doc = GetDoc();
    if (!doc || !doc->m_pBarcode) return;
    DrawSymbolCentred(*doc->m_pBarcode, surface, m_nRotation, m_bShowText, GetSymbolSize());
}

QString CQuillmarkView::SizeReadout() const {
    const CSize size = GetSymbolSize();
    if (SettingsStore().GetInt("Options", "Unit", 0) != 0)
        return QString::asprintf("%0.2fcm x %0.2fcm", size.cx * 0.00254, size.cy * 0.00254);
    return QString::asprintf("%0.2fin x %0.2fin", size.cx * 0.001, size.cy * 0.001);
}

void CQuillmarkView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    CPainterSurface surface(painter, true);
    OnPrepareDC(surface);
    OnDraw(surface);
}

void CQuillmarkView::OnInitialUpdate() {
    Repaint();
    if (m_setShowTextBox) m_setShowTextBox(m_bShowText);
    if (m_updateBarcodeControls) m_updateBarcodeControls();
}

void CQuillmarkView::Repaint() {
    update();
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
    Repaint();
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
    if (!m_showContextMenu) return;
    // From the keyboard there is no mouse position: show the menu at the view's centre.
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(rect().center())
                                                                     : event->globalPos();
    m_showContextMenu(at);
}

namespace {

// Draws at zoom 1 on a recorder, then gives the view its zoom back.
class ZoomOne {
public:
    explicit ZoomOne(int& zoom) : m_zoom(zoom), m_saved(zoom) { zoom = 1; }
    ~ZoomOne() { m_zoom = m_saved; }
    ZoomOne(const ZoomOne&) = delete;
    ZoomOne& operator=(const ZoomOne&) = delete;

private:
    int& m_zoom;
    int m_saved;
};

CReferenceScreen ScreenOf(const QWidget& widget) {
    CReferenceScreen screen = CReferenceScreen::Primary();
    screen.dpiX = widget.logicalDpiX();
    screen.dpiY = widget.logicalDpiY();
    return screen;
}

} // namespace

bool CQuillmarkView::CreateMetafile(const QString& path) {
    CEmfSurface surface(ScreenOf(*this));
    {
        ZoomOne zoom(m_nZoom);
        OnPrepareDC(surface);
        OnDraw(surface);
    }
    if (surface.WriteFile(QFile::encodeName(path).toStdString())) {
        QmMessageBox(QStringLiteral("Unable to create Windows Metafile."), MsgIcon::Exclamation);
        return false;
    }
    return true;
}

std::string CQuillmarkView::CreateSvg() {
    CSvgSurface surface(ScreenOf(*this));
    ZoomOne zoom(m_nZoom);
    OnPrepareDC(surface);
    OnDraw(surface);
    return surface.Document();
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

int CQuillmarkView::ExportResolution() {
    const int r = SettingsStore().GetInt("Options", "CopyResolution", 0);
    if (r > 0) return r;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchX()) : 96;
}

void CQuillmarkView::OnFileExport() {
    FileDialogRequest request;
    request.open = false;
    request.title = QStringLiteral("Export");
    // The filter list of the export, in the order the program has always offered it.
    request.filters = {
        QStringLiteral("Windows MetaFile (*.wmf)"), QStringLiteral("Bitmap Files (*.bmp)"),
        QStringLiteral("GIF Files (*.gif)"),        QStringLiteral("TIFF files (*.tif)"),
        QStringLiteral("PNG Files (*.png)"),        QStringLiteral("PCX files (*.pcx)"),
        QStringLiteral("JPEG Files (*.jpg)")};
    request.defaultSuffix = QStringLiteral("wmf");
    const auto path = QmFileDialog(request);
    if (!path) return;
    ExportToFile(*path);
}

bool CQuillmarkView::ExportToFile(const QString& path, int dpi) {
    CQuillmarkDoc* doc = GetDoc();
    if (!doc) return false;
    const std::string native = QFile::encodeName(path).toStdString();
    std::string ext = FileExtension(native);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "qmx") return doc->OnSaveDocument(path); // a copy: the document keeps its name
    if (ext == "wmf") return CreateMetafile(path);
    if (!doc->m_pBarcode) return false;

    const int resolution = dpi > 0 ? dpi : ExportResolution();
    const QImage image =
        RenderSymbolImage(*doc->m_pBarcode, resolution, m_nRotation, m_bShowText, GetSymbolSize());
    std::error_code ec;
    if (image.isNull()) {
        ec = make_error_code(ImageEncodeError::TooLarge);
    } else {
        const MonoImage mono = MonoImageFromQImage(image);
        const ImageFileType type = ImageFileTypeForExtension(ext);
        ec = type == ImageFileType::Jpeg ? WriteImageFile(native, ToGreyscale(mono), resolution)
                                         : WriteImageFile(native, type, mono, resolution);
    }
    if (ec) {
        // File-system causes by their own message; an image the encoders refuse is unknown.
        QmMessageBox(
            FileErrorMessage(ec.category() == std::generic_category() ? ec.value() : -1, path));
        return false;
    }
    return true;
}

CPrinterFacts CQuillmarkView::PrinterFacts(const QPrinter& printer) {
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

void CQuillmarkView::OnPrint(QPainter& painter, const QPrinter& printer, bool preview) {
    const CPrinterFacts facts = PrinterFacts(printer);
    const CPrintInfo info{facts.lpx, facts.lpy, facts.printableWidth, facts.printableHeight};
    CPainterSurface surface(painter);
    OnPrepareDC(surface, &info);
    const CPrintSettings settings = CPrintSettings::FromStore();
    if (settings.useLabel == 0) {
        OnDraw(surface);
        return;
    }
    if (preview) {
        // Dotted, rounded outlines of the sheet's labels, one device dot wide, under the symbols.
        painter.save();
        QPen pen(Qt::black, 0, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::white);
        const double kx = facts.lpx / 1000.0, ky = facts.lpy / 1000.0;
        for (const CMilRect& r : LabelOutlines(settings, facts))
            painter.drawRoundedRect(
                QRectF(r.left * kx, r.top * ky, (r.right - r.left) * kx, (r.bottom - r.top) * ky),
                kOutlineCorner / 2.0 * kx, kOutlineCorner / 2.0 * ky);
        painter.restore();
    }
    for (const CPoint& centre : LabelCentres(settings, facts)) {
        surface.SetViewportOrg(centre);
        OnDraw(surface);
    }
}

bool CQuillmarkView::OnPreparePrinting(QPrinter& printer) {
    CBWPrintLabelDialog dialog(&printer, window());
    return dialog.exec() == QDialog::Accepted;
}

bool CQuillmarkView::PrintPage(QPrinter& printer) {
    QPainter painter;
    if (!printer.isValid() || !painter.begin(&printer)) {
        QmMessageBox(QStringLiteral("Could not start print job."));
        return false;
    }
    OnPrint(painter, printer, false);
    return painter.end();
}

void CQuillmarkView::OnFilePrint() {
    QPrinter printer(QPrinter::HighResolution);
    if (!OnPreparePrinting(printer)) return;
    PrintPage(printer);
}

bool CQuillmarkView::OnFilePrintDirect(const QString& printerName) {
    QPrinter printer(QPrinter::HighResolution);
    if (!printerName.isEmpty()) {
        printer.setPrinterName(printerName);
        if (printer.printerName() != printerName) {
            QmMessageBox(QStringLiteral("Could not start print job."));
            return false;
        }
    }
    return PrintPage(printer);
}

void CQuillmarkView::OnFilePrintPreview() {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QDialog preview(window());
    preview.setWindowTitle(QStringLiteral("Print Preview"));
    auto* layout = new QVBoxLayout(&preview);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(&preview);
    QAction* print = bar->addAction(QStringLiteral("&Print..."));
    layout->addWidget(bar);
    // Without any printer the preview still shows the page, laid out on a PDF page.
    if (!printer->isValid()) printer->setOutputFormat(QPrinter::PdfFormat);
    auto* page = new QPrintPreviewWidget(printer.get(), &preview);
    layout->addWidget(page, 1);
    connect(page, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* p) {
        QPainter painter(p);
        OnPrint(painter, *p, true);
    });
    bool printAfter = false;
    connect(print, &QAction::triggered, &preview, [&] {
        printAfter = true;
        preview.accept();
    });
    preview.resize(window()->size().expandedTo(QSize(640, 720)));
    page->fitInView();
    if (m_previewShown) m_previewShown(1);
    preview.exec();
    // "Print..." leaves the preview and prints with the dialog.
    if (printAfter) OnFilePrint();
}
