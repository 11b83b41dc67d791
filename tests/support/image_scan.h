#pragma once
// The barcode reader on a QImage, for tests of what the program renders, exports and prints.

#include "tests/support/scan.h"

#include <QImage>

ScanResult ScanImage(const QImage& image, ScanMode mode = ScanMode::Plain);

// An SVG file drawn by Qt's SVG renderer on white at `scale` times its own size; a null image
// when the file is no SVG picture.
QImage RenderSvgFile(const QString& path, int scale);
