#include "tests/support/image_scan.h"

ScanResult ScanImage(const QImage& image, ScanMode mode) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull()) return {};
    return ScanGrey(grey.constBits(), grey.width(), grey.height(),
                    static_cast<int>(grey.bytesPerLine()), mode);
}
