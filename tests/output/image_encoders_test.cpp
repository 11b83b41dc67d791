// The image files of the export, read back by an independent reader (ImageMagick) and by a
// real barcode reader, and the ways writing them can fail.
#include "engine/barcode.h"
#include "output/qimage_mono.h"
#include "output/raster.h"
#include "render/image_encoders.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/run_command.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q.push_back(c);
    }
    return q + "'";
}

struct Grey {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
};

// The file's pixels as 8-bit grey, read by ImageMagick, or for PCX by netpbm: ImageMagick reads
// one-bit PCX with set bits black, the opposite of the palette the file carries and of what
// other readers show (set bits white, as the format's monochrome default has it).
Grey ReadPixels(const fs::path& file) {
    Grey g;
    bool ok = false;
    const std::string name = Quote(file.string());
    const std::string pgm =
        RunCommand(file.extension() == ".pcx" ? "pcxtoppm " + name + " | ppmtopgm"
                                              : "convert " + name + " -depth 8 pgm:-",
                   &ok);
    if (!ok) return g;
    std::istringstream in(pgm);
    std::string magic;
    int maxval = 0;
    in >> magic >> g.width >> g.height >> maxval;
    in.get();
    if (magic != "P5" || maxval != 255 || g.width <= 0 || g.height <= 0) return {};
    g.pixels.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
    in.read(reinterpret_cast<char*>(g.pixels.data()),
            static_cast<std::streamsize>(g.pixels.size()));
    if (!in) return {};
    return g;
}

std::string DecodeGrey(const Grey& g) {
    const ScanResult r = ScanGrey(g.pixels.data(), g.width, g.height, g.width);
    return r.ok ? r.format + ":" + r.text : "";
}

std::unique_ptr<CBarcode> Create(const char* className, const char* data) {
    std::unique_ptr<CBarcode> bc = CreateBarcode(className);
    if (bc) bc->SetData(data);
    return bc;
}

std::vector<std::string> TemporaryFiles(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".~qm", 0) == 0)
            names.push_back(entry.path().filename().string());
    return names;
}

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

class EncoderTest : public SettingsTest {
protected:
    // Code 128 at 300 dpi: 1560 mils of bars and a tenth on each side make 562 pixels across,
    // so rows end part-way through a byte and BMP rows need padding; the wide white margins
    // give runs longer than PCX can count at once.
    MonoImage Symbol() {
        auto bc = Create("C128Barcode", "HALVERN 128");
        const QImage img = RenderSymbolImage(*bc, 300, {0, true});
        EXPECT_FALSE(img.isNull());
        return MonoImageFromQImage(img);
    }
    fs::path Dir() const { return env.Root(); }
};

struct FormatCase {
    const char* extension;
    const char* magick; // ImageMagick's name of the format
    bool lossless;
    bool storesResolution;
};

TEST_F(EncoderTest, EveryFormatReadsBackAtItsSizeColoursResolutionAndScans) {
    const MonoImage image = Symbol();
    ASSERT_EQ(image.width, 562);
    const FormatCase cases[] = {
        {"png", "PNG", true, true},  {"bmp", "BMP3", true, true}, {"tif", "TIFF", true, true},
        {"gif", "GIF", true, false}, {"pcx", "PCX", true, true},  {"jpg", "JPEG", false, true},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.extension);
        const fs::path file = Dir() / (std::string("symbol.") + c.extension);
        ASSERT_FALSE(
            WriteImageFile(file.string(), ImageFileTypeForExtension(c.extension), image, 300));

        // Format, size, distinct colours, type (Bilevel: one bit per pixel), colour space,
        // stored bits per sample, and the resolution in pixels per inch whatever unit the file
        // uses.
        bool ok = false;
        const std::string info = RunCommand(
            "identify -units PixelsPerInch -format '%m %w %h %k %[type] %[colorspace] %z %x %y' " +
                Quote(file.string()),
            &ok);
        ASSERT_TRUE(ok) << info;
        std::istringstream in(info);
        std::string format, type, colourspace, depth;
        int w = 0, h = 0, colours = 0;
        double xres = 0, yres = 0;
        in >> format >> w >> h >> colours >> type >> colourspace >> depth >> xres >> yres;
        EXPECT_EQ(format, c.magick) << info;
        EXPECT_EQ(w, image.width) << info;
        EXPECT_EQ(h, image.height) << info;
        if (c.lossless) {
            EXPECT_EQ(type, "Bilevel") << info;
            EXPECT_EQ(colours, 2) << info;
        } else {
            EXPECT_EQ(type, "Grayscale") << info;
            EXPECT_EQ(colourspace, "Gray") << info;
            EXPECT_EQ(depth, "8") << info;
            EXPECT_GT(colours, 2) << info; // grey levels around the edges
        }
        // ImageMagick widens GIF and PNG samples to 8 bits when it reads them; PNG keeps what the
        // file said.
        if (std::string_view(c.extension) == "png") {
            EXPECT_EQ(RunCommand("identify -format '%[png:IHDR.bit-depth-orig] "
                                 "%[png:IHDR.color-type-orig]' " +
                                 Quote(file.string())),
                      "1 0");
        } else if (c.lossless && std::string_view(c.extension) != "gif") {
            EXPECT_EQ(depth, "1") << info;
        }
        if (c.storesResolution) {
            // Per-metre units round-trip to within a hundredth of a dot per inch.
            EXPECT_NEAR(xres, 300.0, 0.05) << info;
            EXPECT_NEAR(yres, 300.0, 0.05) << info;
        }

        const Grey back = ReadPixels(file);
        ASSERT_EQ(back.width, image.width);
        ASSERT_EQ(back.height, image.height);
        int wrong = 0, grey = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const int v = back.pixels[static_cast<size_t>(y) * back.width + x];
                const int expected = image.IsWhite(x, y) ? 255 : 0;
                wrong += std::abs(v - expected) > (c.lossless ? 0 : 127);
                grey += v != 0 && v != 255;
            }
        EXPECT_EQ(wrong, 0) << "pixels on the wrong side of the threshold";
        if (c.lossless) {
            EXPECT_EQ(grey, 0);
        }
        EXPECT_EQ(DecodeGrey(back), "Code128:HALVERN 128");
    }
}

TEST_F(EncoderTest, OddSizesAndGarbageInUnusedBitsReadBackExactly) {
    // 13 × 3 with a pattern the eye can check, and set bits past the width that must not show;
    // 1 × 1 black is the smallest image there is.
    MonoImage odd;
    ASSERT_TRUE(odd.Allocate(13, 3));
    const char* rows[] = {"#.#..###....#", ".............", "#############"};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 13; ++x)
            if (rows[y][x] == '#')
                odd.bits[static_cast<size_t>(y) * odd.Stride() + x / 8] &=
                    static_cast<uint8_t>(~(0x80 >> (x % 8)));
    odd.bits[1] &= 0xF8; // bits 13..15 of the first row say black, but lie outside the image
    MonoImage dot;
    ASSERT_TRUE(dot.Allocate(1, 1));
    dot.bits[0] = 0x00;

    for (const char* ext : {"png", "bmp", "tif", "gif", "pcx"}) {
        for (const MonoImage* image : {&odd, &dot}) {
            SCOPED_TRACE(std::string(ext) + " " + std::to_string(image->width));
            const fs::path file = Dir() / (std::string("fixture.") + ext);
            ASSERT_FALSE(WriteImageFile(file.string(), ImageFileTypeForExtension(ext), *image, 96));
            const Grey back = ReadPixels(file);
            ASSERT_EQ(back.width, image->width);
            ASSERT_EQ(back.height, image->height);
            for (int y = 0; y < image->height; ++y)
                for (int x = 0; x < image->width; ++x)
                    EXPECT_EQ(back.pixels[static_cast<size_t>(y) * back.width + x],
                              image->IsWhite(x, y) ? 255 : 0)
                        << "at " << x << "," << y;
        }
    }
}

TEST(EncoderFileType, ExtensionTableIgnoresCaseAndDefaultsToBmp) {
    const struct {
        const char* path;
        ImageFileType type;
    } cases[] = {
        {"a.gif", ImageFileType::Gif},
        {"a.GIF", ImageFileType::Gif},
        {"a.bmp", ImageFileType::Bmp},
        {"a.pcx", ImageFileType::Pcx},
        {"a.Png", ImageFileType::Png},
        {"a.tif", ImageFileType::Tiff},
        {"a.jpg", ImageFileType::Jpeg},
        {"a.JPG", ImageFileType::Jpeg},
        {"a.Jpg", ImageFileType::Jpeg},
        // Only the table's own spellings count.
        {"a.jpeg", ImageFileType::Bmp},
        {"a.tiff", ImageFileType::Bmp},
        {"noextension", ImageFileType::Bmp},
        {"a.", ImageFileType::Bmp},
        {"/some.folder/name", ImageFileType::Bmp}, // the dot is in the folder, not the name
        {"/some.folder/name.png", ImageFileType::Png},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageFileTypeForExtension(FileExtension(c.path)), c.type) << c.path;
    EXPECT_EQ(FileExtension("/some.folder/name"), "");
    EXPECT_EQ(FileExtension("archive.tar.QMX"), "QMX");
}

TEST(EncoderInput, QImageColourTableDecidesBlackAndWhite) {
    // The same bits under an inverted colour table must give the inverted image.
    QImage img(10, 1, QImage::Format_Mono);
    img.fill(0);
    img.setPixel(3, 0, 1);
    img.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    MonoImage normal = MonoImageFromQImage(img);
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    MonoImage inverted = MonoImageFromQImage(img);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(normal.IsWhite(x, 0), x == 3) << x;
        EXPECT_EQ(inverted.IsWhite(x, 0), x != 3) << x;
    }
    // Any other format goes by grey level.
    QImage rgb(2, 1, QImage::Format_RGB32);
    rgb.setPixel(0, 0, qRgb(250, 250, 250));
    rgb.setPixel(1, 0, qRgb(20, 20, 20));
    const MonoImage fromRgb = MonoImageFromQImage(rgb);
    EXPECT_TRUE(fromRgb.IsWhite(0, 0));
    EXPECT_FALSE(fromRgb.IsWhite(1, 0));

    const GreyscaleImage grey = ToGreyscale(normal);
    ASSERT_EQ(grey.pixels.size(), 10u);
    EXPECT_EQ(grey.pixels[3], 255);
    EXPECT_EQ(grey.pixels[4], 0);

    // And back: white stays white, as a QImage reads it.
    const QImage back = QImageFromMonoImage(normal);
    ASSERT_EQ(back.size(), QSize(10, 1));
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(qGray(back.pixel(x, 0)) >= 128, x == 3) << x;
    EXPECT_TRUE(QImageFromMonoImage(MonoImage{}).isNull());
}

TEST_F(EncoderTest, FailedWritesReportTheCauseAndLeaveNothingBehind) {
    const MonoImage image = Symbol();
    const fs::path folder = Dir() / "out";
    fs::create_directories(folder / "taken.png");
    fs::create_directories(folder / "sub");
    const struct {
        std::string path;
        std::errc expected;
    } cases[] = {
        {(folder / "missing" / "a.png").string(), std::errc::no_such_file_or_directory},
        {(folder / "taken.png").string(), std::errc::is_a_directory},
        {(folder / "sub").string() + "/", std::errc::is_a_directory},
        {"/proc/quillmark-test.png", std::errc::no_such_file_or_directory},
        // Refused even to root.
        {"/sys/quillmark-test.png", std::errc::permission_denied},
        // A device cannot be replaced and is never opened to be written.
        {"/dev/full", std::errc::no_such_device_or_address},
    };
    for (const auto& c : cases) {
        const std::error_code ec = WriteImageFile(c.path, ImageFileType::Png, image, 300);
        EXPECT_EQ(ec, std::make_error_code(c.expected)) << c.path << ": " << ec.message();
    }
    EXPECT_TRUE(fs::is_directory(folder / "taken.png"));
    EXPECT_TRUE(fs::is_empty(folder / "taken.png"));
    EXPECT_TRUE(TemporaryFiles(folder).empty());

    // Nothing to encode is an error too, and it does not touch an existing file.
    const fs::path existing = folder / "existing.png";
    std::ofstream(existing) << "old contents";
    EXPECT_EQ(WriteImageFile(existing.string(), ImageFileType::Png, MonoImage{}, 300),
              make_error_code(ImageEncodeError::EmptyImage));
    EXPECT_EQ(Slurp(existing), "old contents");
}

TEST_F(EncoderTest, ReadOnlyFolderIsAccessDenied) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    const MonoImage image = Symbol();
    const fs::path folder = Dir() / "locked";
    fs::create_directories(folder);
    std::ofstream(folder / "old.bmp") << "old contents";
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(WriteImageFile((folder / "new.bmp").string(), ImageFileType::Bmp, image, 300),
              std::errc::permission_denied);
    // A file there that the user may write is written in place.
    EXPECT_EQ(WriteImageFile((folder / "old.bmp").string(), ImageFileType::Bmp, image, 300),
              std::error_code());
    EXPECT_TRUE(Slurp(folder / "old.bmp").starts_with("BM"));
    fs::permissions(folder, fs::perms::owner_all);
}

TEST_F(EncoderTest, WriteCutShortLeavesTheOldFileAndNoTemporaryFile) {
    // A file-size limit makes the write fail part-way, as a full disk would, even for root.
    const MonoImage image = Symbol();
    const fs::path file = Dir() / "label.bmp";
    std::ofstream(file) << "old contents";

    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::error_code ec = WriteImageFile(file.string(), ImageFileType::Bmp, image, 300);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(ec, std::errc::file_too_large) << ec.message();
    EXPECT_EQ(Slurp(file), "old contents");
    EXPECT_TRUE(TemporaryFiles(Dir()).empty());
}

TEST_F(EncoderTest, ReplacingKeepsPermissionsAndLinks) {
    const MonoImage image = Symbol();
    const fs::path file = Dir() / "label.png";
    std::ofstream(file) << "old contents";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = Dir() / "link.png";
    fs::create_symlink(file, link);

    ASSERT_FALSE(WriteImageFile(link.string(), ImageFileType::Png, image, 300));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Slurp(file).substr(1, 3), "PNG");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(TemporaryFiles(Dir()).empty());
}
