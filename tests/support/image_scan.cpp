#include "tests/support/image_scan.h"

#include <QPainter>
#include <QSvgRenderer>

ScanResult ScanImage(const QImage& image, ScanMode mode) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull()) return {};
    return ScanGrey(grey.constBits(), grey.width(), grey.height(),
                    static_cast<int>(grey.bytesPerLine()), mode);
}

QImage RenderSvgFile(const QString& path, int scale) {
    QSvgRenderer svg(path);
    if (!svg.isValid()) return {};
    QImage drawn(svg.defaultSize() * scale, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    svg.render(&painter);
    return drawn;
}
