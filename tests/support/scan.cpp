#define ZX_USE_UTF8 1
#include "tests/support/scan.h"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ReadBarcode.h>

ScanResult ScanBars(const RecordingSurface& surface, int milsPerPixel, ScanMode mode) {
    const GreyImage img = RasterizeBars(surface, milsPerPixel, 40);
    ScanResult out;
    if (img.width == 0) return out;
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    hints.setTryCode39ExtendedMode(mode == ScanMode::Code39Extended);
    hints.setValidateCode39CheckSum(mode == ScanMode::Code39CheckDigit);
    const ZXing::ImageView view(img.pixels.data(), img.width, img.height, ZXing::ImageFormat::Lum);
    const ZXing::Result r = ZXing::ReadBarcode(view, hints);
    out.ok = r.isValid();
    out.format = ZXing::ToString(r.format());
    out.text = r.text();
    return out;
}
