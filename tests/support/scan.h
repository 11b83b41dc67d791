#pragma once
// Decodes symbols with a real barcode reader: from recorded bars, from a grey pixel buffer.

#include "tests/support/recording_surface.h"

#include <cstdint>
#include <string>
#include <vector>

struct ScanResult {
    bool ok = false;
    std::string format; // the reader's name for the symbology
    std::string text;
    double x = 0, y = 0; // the centre of where it was found, in pixels
};

enum class ScanMode { Plain, Code39Extended, Code39CheckDigit };

// One symbol from 8-bit grey pixels (0 black), any orientation.
ScanResult ScanGrey(const std::uint8_t* pixels, int width, int height, int stride,
                    ScanMode mode = ScanMode::Plain);

ScanResult ScanBars(const RecordingSurface& surface, int milsPerPixel, ScanMode mode);
