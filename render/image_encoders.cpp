#include "render/image_encoders.h"

#include "common/atomic_file.h"
#include "common/shared_library.h"
#include "render/export_formats.h"
#include "render/image_encoder_parts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace {

class EncodeCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "image encoder"; }
    std::string message(int value) const override {
        switch (static_cast<ImageEncodeError>(value)) {
        case ImageEncodeError::EmptyImage:
            return "The image has no pixels.";
        case ImageEncodeError::TooLarge:
            return "The image is too large for this file format.";
        case ImageEncodeError::EncoderFailed:
            return "The image could not be encoded.";
        }
        return "Unknown image encoder error.";
    }
};

} // namespace

bool Valid(const MonoImage& image) {
    return image.width > 0 && image.height > 0 &&
           image.bits.size() >= image.Stride() * static_cast<std::size_t>(image.height);
}

bool Valid(const GreyscaleImage& image) {
    return image.width > 0 && image.height > 0 &&
           image.pixels.size() >=
               static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

const std::uint8_t* Row(const MonoImage& image, int y) {
    return image.bits.data() + static_cast<std::size_t>(y) * image.Stride();
}

// The mask of the bits that hold pixels in a row's last byte.
std::uint8_t LastByteMask(int width) {
    const int used = width % 8;
    return used == 0 ? 0xFF : static_cast<std::uint8_t>(0xFF << (8 - used));
}

long PixelsPerMetre(int dpi) {
    return dpi > 0 ? std::lround(dpi / 0.0254) : 0;
}

void PutLE16(std::vector<std::uint8_t>& out, std::size_t at, unsigned value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLE32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

namespace {

// ---- PNG ----------------------------------------------------------------------------------

struct PngSink {
    std::vector<std::uint8_t>* out;
};

void PngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    bool ok = true;
    try {
        sink->out->insert(sink->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    // Leaves the C++ handler before unwinding through the library.
    if (!ok) png_error(png, "out of memory");
}

void PngFlush(png_structp) {}

// One-bit images up to this size are compressed quickly rather than hard.
constexpr std::size_t kQuickPngBytes = 64 * 1024;

// Only plain values live across the jump, so nothing is skipped that needs destroying.
bool PngWriteAll(png_structp png, png_infop info, const MonoImage& image, int dpi, PngSink* sink) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, sink, PngWrite, PngFlush);
    // The library's default limits guard readers against hostile files; ours are our own.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    // One-bit grey stores the pixels exactly as the buffer holds them: 0 black, 1 white.
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (dpi > 0) {
        const auto ppm = static_cast<png_uint_32>(PixelsPerMetre(dpi));
        png_set_pHYs(png, info, ppm, ppm, PNG_RESOLUTION_METER);
    }
    // A label-sized image compresses to a file of a block or two at any level; there the
    // quicker level and a smaller hash table save more time than their few bytes take to write.
    // Larger images get the default level, which makes them much smaller.
    if (static_cast<std::size_t>(image.Stride()) * static_cast<std::size_t>(image.height) <=
        kQuickPngBytes) {
        png_set_compression_level(png, 2);
        // Less of the compressor's memory to clear and touch, for a few bytes more.
        png_set_compression_mem_level(png, 2);
    }
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, Row(image, y));
    png_write_end(png, info);
    return true;
}

std::error_code EncodePng(const MonoImage& image, int dpi, std::vector<std::uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png) return ImageEncodeError::EncoderFailed;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return ImageEncodeError::EncoderFailed;
    }
    PngSink sink{&out};
    const bool ok = PngWriteAll(png, info, image, dpi, &sink);
    png_destroy_write_struct(&png, &info);
    if (!ok) return ImageEncodeError::EncoderFailed;
    return {};
}

// ---- JPEG ---------------------------------------------------------------------------------

// The JPEG library: loaded when the first JPEG image is written, or linked in a sanitizer build,
// whose leak checker cannot scan the thread-local data of a library loaded late.
struct JpegLibrary {
    decltype(&::jpeg_std_error) StdError = nullptr;
    decltype(&::jpeg_CreateCompress) CreateCompress = nullptr;
    decltype(&::jpeg_mem_dest) MemDest = nullptr;
    decltype(&::jpeg_set_defaults) SetDefaults = nullptr;
    decltype(&::jpeg_set_quality) SetQuality = nullptr;
    decltype(&::jpeg_start_compress) StartCompress = nullptr;
    decltype(&::jpeg_write_scanlines) WriteScanlines = nullptr;
    decltype(&::jpeg_finish_compress) FinishCompress = nullptr;
    decltype(&::jpeg_destroy_compress) DestroyCompress = nullptr;
};

#ifdef QM_LINK_JPEG
const JpegLibrary* Jpeg() {
    static const JpegLibrary linked{
        &::jpeg_std_error,       &::jpeg_CreateCompress,  &::jpeg_mem_dest,
        &::jpeg_set_defaults,    &::jpeg_set_quality,     &::jpeg_start_compress,
        &::jpeg_write_scanlines, &::jpeg_finish_compress, &::jpeg_destroy_compress};
    return &linked;
}
#else
bool TakeJpeg(CSharedLibrary& so, JpegLibrary& j) {
    return so.Take(j.StdError, "jpeg_std_error") &&
           so.Take(j.CreateCompress, "jpeg_CreateCompress") &&
           so.Take(j.MemDest, "jpeg_mem_dest") && so.Take(j.SetDefaults, "jpeg_set_defaults") &&
           so.Take(j.SetQuality, "jpeg_set_quality") &&
           so.Take(j.StartCompress, "jpeg_start_compress") &&
           so.Take(j.WriteScanlines, "jpeg_write_scanlines") &&
           so.Take(j.FinishCompress, "jpeg_finish_compress") &&
           so.Take(j.DestroyCompress, "jpeg_destroy_compress");
}

const JpegLibrary* Jpeg() {
    return LoadLibraryOnce("libjpeg.so.62", TakeJpeg).Get();
}
#endif

struct JpegState {
    jpeg_error_mgr errors;
    std::jmp_buf jump;
    jpeg_compress_struct cinfo;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

// The library's default ends the process on an error.
void JpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegState*>(cinfo->err)->jump, 1);
}

void JpegMessage(j_common_ptr) {}

bool JpegWriteAll(const JpegLibrary& lib, JpegState* s, const GreyscaleImage& image, int dpi) {
    if (setjmp(s->jump)) return false;
    lib.CreateCompress(&s->cinfo, JPEG_LIB_VERSION, sizeof(s->cinfo));
    lib.MemDest(&s->cinfo, &s->buffer, &s->size);
    s->cinfo.image_width = static_cast<JDIMENSION>(image.width);
    s->cinfo.image_height = static_cast<JDIMENSION>(image.height);
    s->cinfo.input_components = 1;
    s->cinfo.in_color_space = JCS_GRAYSCALE;
    lib.SetDefaults(&s->cinfo);
    lib.SetQuality(&s->cinfo, kJpegQuality, TRUE);
    s->cinfo.write_JFIF_header = TRUE;
    if (dpi > 0 && dpi <= 65535) {
        s->cinfo.density_unit = 1; // dots per inch
        s->cinfo.X_density = static_cast<UINT16>(dpi);
        s->cinfo.Y_density = static_cast<UINT16>(dpi);
    } else {
        s->cinfo.density_unit = 0; // square pixels, size unknown
        s->cinfo.X_density = 1;
        s->cinfo.Y_density = 1;
    }
    lib.StartCompress(&s->cinfo, TRUE);
    while (s->cinfo.next_scanline < s->cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.pixels.data() +
                                            static_cast<std::size_t>(s->cinfo.next_scanline) *
                                                static_cast<std::size_t>(image.width));
        lib.WriteScanlines(&s->cinfo, &row, 1);
    }
    lib.FinishCompress(&s->cinfo);
    return true;
}

// ---- TIFF ---------------------------------------------------------------------------------

// The file is built in memory; libtiff seeks back to patch offsets, so this is a seekable,
// growing buffer.
struct TiffMemory {
    std::vector<std::uint8_t>* out;
    std::uint64_t pos = 0;
};

tmsize_t TiffRead(thandle_t h, void* buf, tmsize_t size) {
    auto* m = static_cast<TiffMemory*>(h);
    if (size <= 0 || m->pos >= m->out->size()) return 0;
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(size), m->out->size() - m->pos);
    std::memcpy(buf, m->out->data() + m->pos, n);
    m->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t TiffWrite(thandle_t h, void* buf, tmsize_t size) {
    auto* m = static_cast<TiffMemory*>(h);
    if (size <= 0) return 0;
    const std::uint64_t end = m->pos + static_cast<std::uint64_t>(size);
    try {
        if (end > m->out->size()) m->out->resize(end);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::memcpy(m->out->data() + m->pos, buf, static_cast<std::size_t>(size));
    m->pos = end;
    return size;
}

toff_t TiffSeek(thandle_t h, toff_t offset, int whence) {
    auto* m = static_cast<TiffMemory*>(h);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = m->pos;
    if (whence == SEEK_END) base = m->out->size();
    m->pos = base + offset;
    return m->pos;
}

int TiffClose(thandle_t) {
    return 0;
}

toff_t TiffSize(thandle_t h) {
    return static_cast<TiffMemory*>(h)->out->size();
}

int TiffMap(thandle_t, void**, toff_t*) {
    return 0;
}

void TiffUnmap(thandle_t, void*, toff_t) {}

// Errors are reported through the return values; the library's messages would only reach a
// terminal the user does not see.
int TiffQuiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// The TIFF library, loaded when the first TIFF image is written: it and the codecs it depends
// on would otherwise be loaded at every start.
struct TiffLibrary {
    decltype(&::TIFFOpenOptionsAlloc) OpenOptionsAlloc = nullptr;
    decltype(&::TIFFOpenOptionsFree) OpenOptionsFree = nullptr;
    decltype(&::TIFFOpenOptionsSetErrorHandlerExtR) OpenOptionsSetErrorHandlerExtR = nullptr;
    decltype(&::TIFFOpenOptionsSetWarningHandlerExtR) OpenOptionsSetWarningHandlerExtR = nullptr;
    decltype(&::TIFFClientOpenExt) ClientOpenExt = nullptr;
    decltype(&::TIFFSetField) SetField = nullptr;
    decltype(&::TIFFWriteScanline) WriteScanline = nullptr;
    decltype(&::TIFFFlush) Flush = nullptr;
    decltype(&::TIFFClose) Close = nullptr;
};

bool TakeTiff(CSharedLibrary& so, TiffLibrary& t) {
    return so.Take(t.OpenOptionsAlloc, "TIFFOpenOptionsAlloc") &&
           so.Take(t.OpenOptionsFree, "TIFFOpenOptionsFree") &&
           so.Take(t.OpenOptionsSetErrorHandlerExtR, "TIFFOpenOptionsSetErrorHandlerExtR") &&
           so.Take(t.OpenOptionsSetWarningHandlerExtR, "TIFFOpenOptionsSetWarningHandlerExtR") &&
           so.Take(t.ClientOpenExt, "TIFFClientOpenExt") && so.Take(t.SetField, "TIFFSetField") &&
           so.Take(t.WriteScanline, "TIFFWriteScanline") && so.Take(t.Flush, "TIFFFlush") &&
           so.Take(t.Close, "TIFFClose");
}

const TiffLibrary* Tiff() {
    return LoadLibraryOnce("libtiff.so.6", TakeTiff).Get();
}

std::error_code EncodeTiff(const MonoImage& image, int dpi, std::vector<std::uint8_t>& out) {
    const TiffLibrary* lib = Tiff();
    if (!lib) return ImageEncodeError::EncoderFailed;
    TiffMemory memory{&out};
    TIFFOpenOptions* options = lib->OpenOptionsAlloc();
    if (!options) return ImageEncodeError::EncoderFailed;
    lib->OpenOptionsSetErrorHandlerExtR(options, TiffQuiet, nullptr);
    lib->OpenOptionsSetWarningHandlerExtR(options, TiffQuiet, nullptr);
    TIFF* tif = lib->ClientOpenExt("image", "w", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose,
                                   TiffSize, TiffMap, TiffUnmap, options);
    lib->OpenOptionsFree(options);
    if (!tif) return ImageEncodeError::EncoderFailed;

    const auto set = lib->SetField;
    bool ok = set(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width)) &&
              set(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height)) &&
              set(tif, TIFFTAG_BITSPERSAMPLE, 1) && set(tif, TIFFTAG_SAMPLESPERPIXEL, 1) &&
              set(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4) &&
              // Group 4 is a fax coding: readers expect 0 for white, as faxes have it.
              set(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE) &&
              set(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB) &&
              set(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              set(tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(image.height));
    if (ok && dpi > 0)
        ok = set(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
             set(tif, TIFFTAG_XRESOLUTION, static_cast<float>(dpi)) &&
             set(tif, TIFFTAG_YRESOLUTION, static_cast<float>(dpi));
    std::vector<std::uint8_t> row(image.Stride());
    for (int y = 0; ok && y < image.height; ++y) {
        const std::uint8_t* in = Row(image, y);
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<std::uint8_t>(~in[i]);
        ok = lib->WriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    }
    if (ok) ok = lib->Flush(tif) == 1;
    lib->Close(tif);
    if (!ok) return ImageEncodeError::EncoderFailed;
    return {};
}

// ---- GIF ----------------------------------------------------------------------------------

int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return length;
}

// The GIF library, loaded when the first GIF image is written.
struct GifLibrary {
    decltype(&::EGifOpen) Open = nullptr;
    decltype(&::GifMakeMapObject) MakeMapObject = nullptr;
    decltype(&::GifFreeMapObject) FreeMapObject = nullptr;
    decltype(&::EGifPutScreenDesc) PutScreenDesc = nullptr;
    decltype(&::EGifPutImageDesc) PutImageDesc = nullptr;
    decltype(&::EGifPutLine) PutLine = nullptr;
    decltype(&::EGifCloseFile) CloseFile = nullptr;
};

bool TakeGif(CSharedLibrary& so, GifLibrary& g) {
    return so.Take(g.Open, "EGifOpen") && so.Take(g.MakeMapObject, "GifMakeMapObject") &&
           so.Take(g.FreeMapObject, "GifFreeMapObject") &&
           so.Take(g.PutScreenDesc, "EGifPutScreenDesc") &&
           so.Take(g.PutImageDesc, "EGifPutImageDesc") && so.Take(g.PutLine, "EGifPutLine") &&
           so.Take(g.CloseFile, "EGifCloseFile");
}

const GifLibrary* Gif() {
    return LoadLibraryOnce("libgif.so.7", TakeGif).Get();
}

std::error_code EncodeGif(const MonoImage& image, std::vector<std::uint8_t>& out) {
    if (image.width > 65535 || image.height > 65535) return ImageEncodeError::TooLarge;
    const GifLibrary* lib = Gif();
    if (!lib) return ImageEncodeError::EncoderFailed;
    int error = 0;
    GifFileType* gif = lib->Open(&out, GifWrite, &error);
    if (!gif) return ImageEncodeError::EncoderFailed;
    GifColorType colours[2] = {{0, 0, 0}, {255, 255, 255}};
    ColorMapObject* map = lib->MakeMapObject(2, colours);
    // The background, shown around the image by some viewers, is white.
    bool ok = map && lib->PutScreenDesc(gif, image.width, image.height, 1, 1, map) == GIF_OK &&
              lib->PutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_OK;
    lib->FreeMapObject(map);
    std::vector<GifPixelType> line(static_cast<std::size_t>(image.width));
    for (int y = 0; ok && y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            line[static_cast<std::size_t>(x)] = image.IsWhite(x, y) ? 1 : 0;
        ok = lib->PutLine(gif, line.data(), image.width) == GIF_OK;
    }
    if (lib->CloseFile(gif, &error) != GIF_OK) ok = false;
    if (!ok) return ImageEncodeError::EncoderFailed;
    return {};
}

std::error_code Encode(ImageFileType type, const MonoImage& image, int dpi,
                       std::vector<std::uint8_t>& out) {
    switch (type) {
    case ImageFileType::Png:
        return EncodePng(image, dpi, out);
    case ImageFileType::Tiff:
        return EncodeTiff(image, dpi, out);
    case ImageFileType::Gif:
        return EncodeGif(image, out);
    case ImageFileType::Pcx:
        return EncodePcx(image, dpi, out);
    case ImageFileType::Jpeg:
        return EncodeJpeg(ToGreyscale(image), dpi, out);
    case ImageFileType::Bmp:
        break;
    }
    return EncodeBmp(image, dpi, out);
}

} // namespace

const std::error_category& ImageEncodeCategory() {
    static const EncodeCategory category;
    return category;
}

std::error_code make_error_code(ImageEncodeError e) {
    return {static_cast<int>(e), ImageEncodeCategory()};
}

bool MonoImage::Allocate(int w, int h) {
    if (w <= 0 || h <= 0) return false;
    width = w;
    height = h;
    try {
        bits.assign(Stride() * static_cast<std::size_t>(h), 0xFF);
    } catch (const std::bad_alloc&) {
        *this = {};
        return false;
    }
    return true;
}

GreyscaleImage ToGreyscale(const MonoImage& image) {
    GreyscaleImage grey;
    if (!Valid(image)) return grey;
    grey.width = image.width;
    grey.height = image.height;
    grey.pixels.resize(static_cast<std::size_t>(image.width) *
                       static_cast<std::size_t>(image.height));
    std::uint8_t* p = grey.pixels.data();
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            *p++ = image.IsWhite(x, y) ? 255 : 0;
    return grey;
}

std::string FileExtension(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    return std::string(name.substr(dot + 1));
}

ImageFileType ImageFileTypeForExtension(std::string_view extension) {
    std::string ext(extension);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const ExportFormat& f : ExportFormats())
        if (f.writer == ExportWriter::Image && (ext == f.extensions[0] || ext == f.extensions[1]))
            return f.image;
    return ImageFileType::Bmp;
}

std::error_code EncodeJpeg(const GreyscaleImage& image, int dpi, std::vector<std::uint8_t>& out) {
    if (!Valid(image)) return ImageEncodeError::EmptyImage;
    if (image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION)
        return ImageEncodeError::TooLarge;
    const JpegLibrary* lib = Jpeg();
    if (!lib) return ImageEncodeError::EncoderFailed;
    auto state = std::make_unique<JpegState>();
    state->cinfo.err = lib->StdError(&state->errors);
    state->errors.error_exit = JpegErrorExit;
    state->errors.output_message = JpegMessage;
    const bool ok = JpegWriteAll(*lib, state.get(), image, dpi);
    lib->DestroyCompress(&state->cinfo);
    std::error_code result;
    if (!ok) {
        result = ImageEncodeError::EncoderFailed;
    } else {
        try {
            out.assign(state->buffer, state->buffer + state->size);
        } catch (const std::bad_alloc&) {
            result = std::make_error_code(std::errc::not_enough_memory);
        }
    }
    std::free(state->buffer);
    return result;
}

std::error_code EncodeImage(ImageFileType type, const MonoImage& image, int dpi,
                            std::vector<std::uint8_t>& out) {
    out.clear();
    if (!Valid(image)) return ImageEncodeError::EmptyImage;
    try {
        return Encode(type, image, dpi, out);
    } catch (const std::bad_alloc&) {
        out.clear();
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

std::error_code WriteImageFile(const std::string& path, ImageFileType type, const MonoImage& image,
                               int dpi, const AtomicWriteOptions& options) {
    std::vector<std::uint8_t> bytes;
    if (auto ec = EncodeImage(type, image, dpi, bytes)) return ec;
    return WriteFileAtomically(path, bytes, options);
}

std::error_code WriteImageFile(const std::string& path, const GreyscaleImage& image, int dpi,
                               const AtomicWriteOptions& options) {
    std::vector<std::uint8_t> bytes;
    if (auto ec = EncodeJpeg(image, dpi, bytes)) return ec;
    return WriteFileAtomically(path, bytes, options);
}
