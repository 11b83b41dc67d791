#define ZX_USE_UTF8 1
#include "tests/support/scan.h"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ReadBarcode.h>

namespace {

ScanResult FromResult(const ZXing::Result& r) {
    ScanResult out;
    out.ok = r.isValid();
    out.format = ZXing::ToString(r.format());
    out.text = r.text();
    out.identifier = r.symbologyIdentifier();
    out.gs1 = r.contentType() == ZXing::ContentType::GS1;
    out.mirrored = r.isMirrored();
    out.ecLevel = r.ecLevel();
    for (const auto& p : r.position()) {
        out.x += p.x / 4.0;
        out.y += p.y / 4.0;
    }
    return out;
}

} // namespace

ScanResult ScanGrey(const std::uint8_t* pixels, int width, int height, int stride, ScanMode mode) {
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    hints.setTryCode39ExtendedMode(mode == ScanMode::Code39Extended);
    hints.setValidateCode39CheckSum(mode == ScanMode::Code39CheckDigit);
    hints.setIsPure(mode == ScanMode::Pure);
    hints.setReturnCodabarStartEnd(true);
    if (mode == ScanMode::AddOn) hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Require);
    const ZXing::ImageView view(pixels, width, height, ZXing::ImageFormat::Lum, stride);
    return FromResult(ZXing::ReadBarcode(view, hints));
}

ScanResult ScanBars(const RecordingSurface& surface, int milsPerPixel, ScanMode mode) {
    const GreyImage img = RasterizeBars(surface, milsPerPixel, 40);
    if (img.width == 0) return {};
    return ScanGrey(img.pixels.data(), img.width, img.height, img.width, mode);
}
