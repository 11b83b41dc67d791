#pragma once
// Writers of the raster image files the export produces: BMP, GIF, JPEG, PCX, PNG and TIFF.

#include "common/atomic_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

// One bit per pixel: rows of Stride() bytes, the leftmost pixel in the most significant bit,
// 0 black and 1 white. Bits past the width in a row's last byte are ignored.
struct MonoImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;

    std::size_t Stride() const { return (static_cast<std::size_t>(width) + 7) / 8; }
    bool IsWhite(int x, int y) const {
        return (bits[static_cast<std::size_t>(y) * Stride() + static_cast<std::size_t>(x / 8)] >>
                (7 - x % 8)) &
               1;
    }
    // Allocates an all-white image; false when the size is not representable.
    bool Allocate(int w, int h);
};

// Eight bits per pixel, 0 black to 255 white, rows of `width` bytes.
struct GreyscaleImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Black 0, white 255: the form the JPEG export hands to its encoder.
GreyscaleImage ToGreyscale(const MonoImage& image);

enum class ImageFileType { Bmp, Gif, Jpeg, Pcx, Png, Tiff };

// The extension of a file name: what follows the last dot of its last component, without the
// dot; empty when there is none.
std::string FileExtension(std::string_view path);

// The raster format of an extension, letter case ignored: that of its raster row in the
// export's table (export_formats.h); anything else, an alias ("jpeg") or nothing as BMP. The
// document and vector extensions (qmx, wmf) are the caller's to handle before this.
ImageFileType ImageFileTypeForExtension(std::string_view extension);

// JPEG quality of the export: high enough that the ringing around bar edges stays far below
// what a scanner's threshold sees.
inline constexpr int kJpegQuality = 92;

// Encoding failures that are not the file system's.
enum class ImageEncodeError {
    EmptyImage = 1, // no pixels, or the pixel buffer does not match the size
    TooLarge,       // beyond what the format can describe
    EncoderFailed,  // the format library reported an error
};
namespace std {
template <> struct is_error_code_enum<ImageEncodeError> : true_type {};
} // namespace std
const std::error_category& ImageEncodeCategory();
std::error_code make_error_code(ImageEncodeError e);

// The whole file in memory. `dpi` is stored as the image's resolution where the format has a
// place for it (PNG pHYs, JPEG JFIF density, TIFF resolution tags, BMP pixels per metre, PCX
// dots per inch); 0 or less stores none. JPEG takes the image converted to grey; the other
// formats store one bit per pixel with black and white as the only colours.
std::error_code EncodeImage(ImageFileType type, const MonoImage& image, int dpi,
                            std::vector<std::uint8_t>& out);
std::error_code EncodeJpeg(const GreyscaleImage& image, int dpi, std::vector<std::uint8_t>& out);

// Encodes and writes the file through a temporary file beside it (see WriteFileAtomically):
// a failure leaves the target as it was and no temporary file behind. File-system errors come
// in the generic category with errno's value; encoding errors in ImageEncodeCategory().
std::error_code WriteImageFile(const std::string& path, ImageFileType type, const MonoImage& image,
                               int dpi, const AtomicWriteOptions& options = {});
std::error_code WriteImageFile(const std::string& path, const GreyscaleImage& image, int dpi,
                               const AtomicWriteOptions& options = {});
