#pragma once
// CQuillmarkView: the symbol at its true printed size times the zoom, centred and turned.

#include "output/mapped_surface.h"
#include "shell/view.h"

#include <QString>

#include <string>

#include <functional>

class CQuillmarkDoc;
class QPainter;
class QPrinter;

// What a printer tells the view about its page.
struct CPrintInfo {
    int dpiX = 600, dpiY = 600;
    int printableWidth = 0, printableHeight = 0; // device pixels
};

class CQuillmarkView : public CView {
public:
    explicit CQuillmarkView(QWidget* parent = nullptr);

    int m_nZoom = 2;     // 1 to 8: m_nZoom × 100 %
    int m_nRotation = 0; // quarter turns anticlockwise
    bool m_bShowText = true;

    CQuillmarkDoc* GetDoc() const;

    // 1000 logical units per inch times the zoom on the screen (the widget's logical dots per
    // inch), centred on the client area; on a printer the zoom is 1 and the centre is the
    // printable area's.
    void OnPrepareDC(CMappedSurface& surface, const CPrintInfo* print = nullptr) const;
    void OnDraw(CMappedSurface& surface);
    // Width: the barcode's nominal width; height: the bar height plus the text line when the
    // text is shown. In mils.
    CSize GetSymbolSize() const;
    // "1.16in x 0.87in" or in centimetres, by the unit setting.
    QString SizeReadout() const;

    void OnInitialUpdate() override;
    bool OnCommand(int id) override;

    // The symbol as a vector picture at true size (zoom 1) in an EMF file; the zoom is left as
    // it was. "Unable to create Windows Metafile." when the file cannot be written.
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
    // The resolution of raster exports: the setting, or the screen's when it is 0.
    static int ExportResolution();

    // Printing. The print dialog with label selection chooses the printer and leaves the label
    // choice in the settings; preview and direct print take the printer as it is.
    bool OnPreparePrinting(QPrinter& printer);
    // The one page: a symbol in the middle, on every label of the sheet, or on one label; the
    // preview also shows the labels' outlines.
    void OnPrint(QPainter& painter, const QPrinter& printer, bool preview);
    // Prints one page on `printer`; "Could not start print job." when it cannot begin.
    bool PrintPage(QPrinter& printer);
    void OnFilePrint();
    // The command line's print: the default printer, or the named one, without the dialog.
    bool OnFilePrintDirect(const QString& printerName = QString());
    void OnFilePrintPreview();
    static struct CPrinterFacts PrinterFacts(const QPrinter& printer);

    // The preview tells the application how many pages it showed.
    std::function<void(int pages)> m_previewShown;

    // The main frame's parts the view drives.
    std::function<void(bool)> m_setShowTextBox;
    std::function<void()> m_updateBarcodeControls;
    std::function<void(const QPoint& globalPos)> m_showContextMenu;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Repaint();
};
