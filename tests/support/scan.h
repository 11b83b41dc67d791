#pragma once
// Decodes recorded bars with a real barcode reader.

#include "tests/support/recording_surface.h"

#include <string>

struct ScanResult {
    bool ok = false;
    std::string format; // the reader's name for the symbology
    std::string text;
};

enum class ScanMode { Plain, Code39Extended, Code39CheckDigit };

ScanResult ScanBars(const RecordingSurface& surface, int milsPerPixel, ScanMode mode);
