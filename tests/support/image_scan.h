#pragma once
// The barcode reader on a QImage, for tests of what the program renders, exports and prints.

#include "tests/support/scan.h"

#include <QImage>

ScanResult ScanImage(const QImage& image, ScanMode mode = ScanMode::Plain);
