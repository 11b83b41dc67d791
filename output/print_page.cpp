#include "output/print_page.h"

#include "output/painter_surface.h"
#include "render/symbol_drawing.h"

#include <QPainter>

namespace {

// Dotted, rounded outlines of the sheet's labels, one device dot wide, under the symbols.
void PaintLabelOutlines(QPainter& painter, const CPrinterFacts& printer,
                        const CPrintSettings& settings) {
    painter.save();
    painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    painter.setBrush(Qt::white);
    const double kx = printer.lpx / 1000.0, ky = printer.lpy / 1000.0;
    ForEachLabelOutline(settings, printer, [&](const CMilRect& r) {
        painter.drawRoundedRect(
            QRectF(r.left * kx, r.top * ky, (r.right - r.left) * kx, (r.bottom - r.top) * ky),
            kOutlineCorner / 2.0 * kx, kOutlineCorner / 2.0 * ky);
    });
    painter.restore();
}

} // namespace

void PaintSymbolPage(QPainter& painter, const CPrinterFacts& printer,
                     const CPrintSettings& settings, const CBarcode& barcode,
                     const CSymbolView& view, bool preview) {
    CPainterSurface surface(painter);
    surface.SetDeviceGrid(true);
    surface.SetBarWidthReduction(printer.barWidthReduction);
    // 1000 logical units to the inch at the printer's resolution, centred on the printable area.
    surface.SetWindowExt({1000, 1000});
    surface.SetWindowOrg({0, 0});
    surface.SetViewportExt({printer.lpx, printer.lpy});
    surface.SetViewportOrg({printer.printableWidth / 2, printer.printableHeight / 2});
    const auto draw = [&] { DrawSymbolCentred(barcode, surface, view); };
    if (settings.useLabel == 0) {
        draw();
        return;
    }
    if (preview) PaintLabelOutlines(painter, printer, settings);
    // Each label is drawn as its place is worked out; no sheet's places are held at once.
    ForEachLabelCentre(settings, printer, [&](CPoint centre) {
        surface.SetViewportOrg(centre);
        draw();
    });
}
