#include "output/print_page.h"

#include "output/painter_surface.h"

#include <QPainter>

#include <algorithm>

namespace {

// Dotted, rounded outlines of the sheet's labels, one device dot wide, under the symbols.
void PaintLabelOutlines(QPainter& painter, const CPrinterFacts& printer,
                        const CPrintSettings& settings, const QPen& pen) {
    painter.save();
    painter.setPen(pen);
    painter.setBrush(Qt::white);
    const double kx = printer.lpx / 1000.0, ky = printer.lpy / 1000.0;
    ForEachLabelOutline(settings, printer, [&](const CMilRect& r) {
        painter.drawRoundedRect(
            QRectF(r.left * kx, r.top * ky, (r.right - r.left) * kx, (r.bottom - r.top) * ky),
            kOutlineCorner / 2.0 * kx, kOutlineCorner / 2.0 * ky);
    });
    painter.restore();
}

// The surface printing draws symbols on: 1000 logical units to the inch at the printer's
// resolution, every bar a whole number of dots, narrowed by the printer's reduction.
class PrintSurface {
public:
    PrintSurface(QPainter& painter, const CPrinterFacts& printer)
        : m_painter(painter), m_printer(printer), m_surface(painter) {
        m_surface.SetDeviceGrid(true);
        m_surface.SetBarWidthReduction(printer.barWidthReduction);
        m_surface.SetWindowExt({1000, 1000});
        m_surface.SetWindowOrg({0, 0});
        m_surface.SetViewportExt({printer.lpx, printer.lpy});
        m_middle = {printer.printableWidth / 2, printer.printableHeight / 2};
    }
    // The label centred on `centre` (device dots), or on the middle of the printable area. A
    // label with lines prints nothing past its own edges, whatever does not fit it.
    void Draw(const CLabelContent& label) { Draw(label, m_middle); }
    void Draw(const CLabelContent& label, CPoint centre) {
        const bool clip = !label.lines.empty() && label.label.cx > 0 && label.label.cy > 0;
        if (clip) {
            m_painter.save();
            const double w = label.label.cx * m_printer.lpx / 1000.0;
            const double h = label.label.cy * m_printer.lpy / 1000.0;
            m_painter.setClipRect(QRectF(centre.x - w / 2, centre.y - h / 2, w, h),
                                  Qt::IntersectClip);
        }
        DrawLabelAt(label, m_surface, centre);
        if (clip) m_painter.restore();
    }

private:
    QPainter& m_painter;
    CPrinterFacts m_printer;
    CPainterSurface m_surface;
    CPoint m_middle;
};

} // namespace

int PaintRunPages(QPainter& painter, const CPrinterFacts& printer, const CPrintSettings& settings,
                  std::int64_t first, const CLabelFeed& next, const std::function<bool()>& newPage,
                  bool preview) {
    PrintSurface surface(painter, printer);
    const bool sheet = OnSheet(settings);
    const CLabelContent* pending = next();
    int pages = 0;
    while (pending) {
        if (pages > 0 && !newPage()) break;
        ++pages;
        if (preview && settings.useLabel != 0)
            PaintLabelOutlines(painter, printer, settings, QPen(Qt::black, 0, Qt::DotLine));
        if (!sheet) {
            // One label to a page: the single label of the sheet, or the middle of the page.
            if (settings.useLabel == 0)
                surface.Draw(*pending);
            else
                ForEachLabelCentre(settings, printer,
                                   [&](CPoint centre) { surface.Draw(*pending, centre); });
            pending = next();
            continue;
        }
        bool printed = false;
        ForEachRunLabelCentre(settings, printer, first, [&](CPoint centre) {
            surface.Draw(*pending, centre);
            printed = true;
            pending = next();
            return pending != nullptr;
        });
        if (!printed) break;
        first = 0;
    }
    return pages;
}

void PaintOutlinePage(QPainter& painter, const CPrinterFacts& printer,
                      const CPrintSettings& settings) {
    // Lines a tenth of a millimetre wide, at least a dot.
    const double dotsPerMmX = printer.lpx / 25.4, dotsPerMmY = printer.lpy / 25.4;
    const QPen pen(Qt::black, std::max(1.0, dotsPerMmX / 10), Qt::SolidLine, Qt::FlatCap);
    PaintLabelOutlines(painter, printer, settings, pen);
    CPrintSettings sheet = settings;
    sheet.fullPage = 0;
    painter.save();
    painter.setPen(pen);
    ForEachLabelCentre(sheet, printer, [&](CPoint c) {
        const QPointF centre(c.x, c.y);
        constexpr int kArmMm = 5;
        painter.drawLine(centre - QPointF(kArmMm * dotsPerMmX, 0),
                         centre + QPointF(kArmMm * dotsPerMmX, 0));
        painter.drawLine(centre - QPointF(0, kArmMm * dotsPerMmY),
                         centre + QPointF(0, kArmMm * dotsPerMmY));
        // A tick across each arm every millimetre, longer every fifth.
        for (int mm = -kArmMm; mm <= kArmMm; ++mm) {
            if (mm == 0) continue;
            const double half = (mm % 5 == 0 ? 0.8 : 0.4);
            const QPointF x = centre + QPointF(mm * dotsPerMmX, 0);
            const QPointF y = centre + QPointF(0, mm * dotsPerMmY);
            painter.drawLine(x - QPointF(0, half * dotsPerMmY), x + QPointF(0, half * dotsPerMmY));
            painter.drawLine(y - QPointF(half * dotsPerMmX, 0), y + QPointF(half * dotsPerMmX, 0));
        }
    });
    painter.restore();
}
