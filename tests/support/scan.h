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
    double x = 0, y = 0;    // the centre of where it was found, in pixels
    std::string identifier; // the symbology identifier ("]C1": Code 128 with a leading FNC1)
    bool gs1 = false;       // the reader took the content for GS1 element strings
    bool mirrored = false;  // a matrix symbol was read as its mirror image
    std::string ecLevel;    // QR Code's error-correction level as read
};

// Plain reads any symbol; Pure reads a clean image holding one symbol and nothing else (the
// reader's pure-image mode: the largest Data Matrix, MaxiCode); AddOn reads EAN/UPC add-ons.
enum class ScanMode { Plain, Code39Extended, Code39CheckDigit, Pure, AddOn };

// One symbol from 8-bit grey pixels (0 black), any orientation.
ScanResult ScanGrey(const std::uint8_t* pixels, int width, int height, int stride,
                    ScanMode mode = ScanMode::Plain);

ScanResult ScanBars(const RecordingSurface& surface, int milsPerPixel, ScanMode mode);
