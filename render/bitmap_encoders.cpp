#include "render/image_encoder_parts.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

void PcxPackRow(const std::uint8_t* row, std::size_t length, std::vector<std::uint8_t>& out) {
    std::size_t i = 0;
    while (i < length) {
        const std::uint8_t b = row[i];
        std::size_t run = 1;
        while (i + run < length && row[i + run] == b && run < 63)
            ++run;
        // A lone byte goes out as itself unless its top two bits would mark it as a count.
        if (run > 1 || (b & 0xC0) == 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | run));
        out.push_back(b);
        i += run;
    }
}

} // namespace

std::error_code EncodeBmp(const MonoImage& image, int dpi, std::vector<std::uint8_t>& out) {
    constexpr std::size_t kHeaders = 14 + 40 + 2 * 4;
    const std::size_t stride = (image.Stride() + 3) / 4 * 4;
    const std::size_t pixels = stride * static_cast<std::size_t>(image.height);
    if (pixels > std::numeric_limits<std::uint32_t>::max() - kHeaders)
        return ImageEncodeError::TooLarge;
    const long ppm = PixelsPerMetre(dpi);
    if (ppm > std::numeric_limits<std::int32_t>::max()) return ImageEncodeError::TooLarge;

    out.assign(kHeaders + pixels, 0);
    out[0] = 'B';
    out[1] = 'M';
    PutLE32(out, 2, static_cast<std::uint32_t>(out.size()));
    PutLE32(out, 10, kHeaders);
    PutLE32(out, 14, 40);
    PutLE32(out, 18, static_cast<std::uint32_t>(image.width));
    PutLE32(out, 22, static_cast<std::uint32_t>(image.height)); // positive: rows bottom-up
    PutLE16(out, 26, 1);                                        // planes
    PutLE16(out, 28, 1);                                        // bits per pixel
    PutLE32(out, 34, static_cast<std::uint32_t>(pixels));
    PutLE32(out, 38, static_cast<std::uint32_t>(ppm));
    PutLE32(out, 42, static_cast<std::uint32_t>(ppm));
    PutLE32(out, 46, 2); // colours used
    PutLE32(out, 50, 2); // colours important
    // Palette as blue, green, red, reserved: entry 0 black, entry 1 white.
    out[58] = out[59] = out[60] = 0xFF;
    const std::uint8_t mask = LastByteMask(image.width);
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* dst =
            out.data() + kHeaders + static_cast<std::size_t>(image.height - 1 - y) * stride;
        std::memcpy(dst, Row(image, y), image.Stride());
        // Whatever the caller left in the unused bits, the file holds zeros there.
        dst[image.Stride() - 1] &= mask;
    }
    return {};
}

std::error_code EncodePcx(const MonoImage& image, int dpi, std::vector<std::uint8_t>& out) {
    if (image.width > 65535 || image.height > 65535) return ImageEncodeError::TooLarge;
    // Scan lines hold an even number of bytes.
    const std::size_t bytesPerLine = (image.Stride() + 1) / 2 * 2;
    const unsigned storedDpi = dpi > 0 && dpi <= 65535 ? static_cast<unsigned>(dpi) : 0;

    out.assign(128, 0);
    out[0] = 0x0A; // manufacturer
    out[1] = 5;    // version: with palette information
    out[2] = 1;    // run-length encoded
    out[3] = 1;    // bits per pixel per plane
    PutLE16(out, 8, static_cast<unsigned>(image.width - 1));
    PutLE16(out, 10, static_cast<unsigned>(image.height - 1));
    PutLE16(out, 12, storedDpi);
    PutLE16(out, 14, storedDpi);
    // Header palette: entry 0 black, entry 1 white.
    out[19] = out[20] = out[21] = 0xFF;
    out[65] = 1; // planes
    PutLE16(out, 66, static_cast<unsigned>(bytesPerLine));
    PutLE16(out, 68, 1); // palette holds colour or black and white

    // Padding is white, so that a reader that shows whole scan lines shows no black edge.
    std::vector<std::uint8_t> row(bytesPerLine, 0xFF);
    const std::uint8_t mask = LastByteMask(image.width);
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(row.data(), Row(image, y), image.Stride());
        row[image.Stride() - 1] |= static_cast<std::uint8_t>(~mask);
        PcxPackRow(row.data(), row.size(), out);
    }
    return {};
}
