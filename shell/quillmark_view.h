#pragma once
// CQuillmarkView: the symbol at its true printed size times the zoom, centred and turned.

#include "output/export.h"
#include "render/mapped_surface.h"
#include "shell/printing.h"
#include "shell/view.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

class CQuillmarkDoc;
class QPainter;
struct OutlineRequest;
class QPrinter;

class CQuillmarkView : public CView {
    Q_OBJECT
public:
    static constexpr int kDefaultZoom = 2;

    explicit CQuillmarkView(QWidget* parent = nullptr);

    int m_nZoom = kDefaultZoom; // 1 to 8: m_nZoom × 100 %
    int m_nRotation = 0;        // quarter turns anticlockwise
    bool m_bShowText = true;

    CQuillmarkDoc* GetDoc() const;

    // 1000 logical units per inch times the zoom on the screen (the widget's logical dots per
    // inch times its device pixel ratio, in device pixels: the painter is scaled to them),
    // centred on the client area. Printing lays its pages out itself (output/print_page.h).
    void OnPrepareDC(CMappedSurface& surface) const;
    void OnDraw(CMappedSurface& surface);
    // What the view shows: the document's symbol in the view's rotation, with or without text.
    CLabelContent Label() const;
    // The symbol's size on paper in mils, as drawn in the view's rotation with or without its
    // text: the same at every zoom.
    CSize GetSymbolSize() const;
    // "1.16in x 0.87in" or in centimetres, by the unit setting.
    QString SizeReadout() const;
    // The X dimension the bars have as drawn here (in the screen's own pixels at this zoom)
    // and in an exported image, each a whole number of dots.
    QString ModuleReadout() const;

    bool OnCommand(int id) override;

    // The symbol as a vector picture at true size (zoom 1) in an EMF file. "Unable to create
    // Windows Metafile." when the file cannot be written.
    bool CreateMetafile(const QString& path);
    // The same drawing as SVG, for the clipboard.
    std::string CreateSvg();
    // Copy: the clipboard holds the symbol as an SVG picture and as EMF bytes, nothing else;
    // "temp$$.wmf" in the temporary folder holds the EMF.
    void OnEditCopy();
    // Export: asks for a file name and writes by its extension.
    void OnFileExport();
    // Writes the symbol (or for "qmx" a copy of the document) by the extension of `path`;
    // `dpi` 0 takes "Options"/"CopyResolution". Failures are shown; false when one happened.
    bool ExportToFile(const QString& path, int dpi = 0);

    // Printing. The print dialog with label selection chooses the printer and leaves the label
    // choice and the run in the settings; preview and direct print take the printer as it is.
    bool OnPreparePrinting(QPrinter& printer);
    // The pages as printed (or previewed) now: the print settings' sheet and run, with what the
    // print dialog last answered about labels that would not print as given.
    CPrintJob PrintJob() const;
    // What the print dialog is told of a run: the run with this view's symbol on `sheet` (none
    // for plain paper).
    CRunReport InspectRun(const CLabelRunChoice& run, const std::optional<CLabelGeometry>& sheet,
                          bool singleLabel, bool whole) const;
    bool PrintPage(QPrinter& printer);
    // The outline page the print dialog asks for while it stays open: on a printer of its own
    // (one copy), the sheet's outlines moved by the offsets the dialog shows.
    bool PrintOutlinePage(const OutlineRequest& request);
    void OnFilePrint();
    bool OnFilePrintDirect(const QString& printerName = QString());
    void OnFilePrintPreview();

    // Tests see the print dialog before it runs and the printer before the dialog.
    void SetPrintDialogHook(std::function<void(class CBWPrintLabelDialog&)> hook) {
        m_prepareDialog = std::move(hook);
    }
    void SetPrinterHook(std::function<void(QPrinter&)> hook) { m_printer = std::move(hook); }

signals:
    // The print preview was shown with this many pages side by side.
    void PreviewShown(int pages);
    // The context menu is asked for at this screen position.
    void ContextMenuRequested(const QPoint& globalPos);
    // A note for the status bar: an output whose resolution cannot draw the module well.
    void Note(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // The outline of the label the lines are laid out on, when the document has lines and a
    // label product is chosen for printing.
    void PaintLabelOutline(QPainter& painter) const;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The export choices of the symbol as this view shows it.
    CExportOptions ExportOptions(int dpi) const;

    bool m_skipProblems = false;
    bool m_printOutlines = false;
    // The data file as the print dialog's last look through the whole run read it, for the
    // print that follows to work from the same text.
    mutable CReadDataFile m_runData;
    mutable std::string m_runDataFile;
    std::function<void(class CBWPrintLabelDialog&)> m_prepareDialog;
    std::function<void(QPrinter&)> m_printer;
};
