// The glyph store: text drawn before is drawn again from the store, pixel for pixel, without
// FreeType; a store that is damaged or whose font has changed is not used, and is learned again.
#include "render/cache_stamp.h"
#include "render/font_locator.h"
#include "render/glyph_store.h"
#include "render/mono_surface.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Drawn {
    std::vector<std::uint8_t> bits;
    bool usedFreeType = false;
};

class GlyphStore : public ::testing::Test {
protected:
    void SetUp() override {
        // A font file of the test's own, so that its time can change.
        const std::optional<CFontFile> real = ResolveThroughFontconfig("Courier New", false);
        ASSERT_TRUE(real) << "no font for Courier New";
        fs::copy_file(real->path, font);
    }

    // Draws `text` with a fresh locator and text drawer on `folder` (the test's cache folder
    // unless given; empty: no store at all), bold where asked.
    Drawn Draw(const std::string& text, bool bold = false, std::optional<fs::path> folder = {}) {
        // Bold thickens the regular face, as for a family without a bold face.
        CFontLocator fonts(folder.value_or(Folder()), [this](const std::string&, bool bold) {
            return std::optional<CFontFile>(CFontFile{font.string(), 0, bold});
        });
        MonoImage image;
        image.Allocate(600, 80);
        {
            CMonoSurface s(image, 1000, &fonts);
            s.SetWindowExt({1000, 1000});
            s.SetViewportExt({1000, 1000});
            s.SelectFont({"Courier New", 40, bold ? 700 : 400, 0});
            s.TextOut({5, 5}, text);
        }
        return {image.bits, fonts.Text().UsedFreeType()};
    }
    fs::path Folder() const { return env.Root() / "fonts"; }
    std::vector<fs::path> StoreFiles() const {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(Folder()))
            if (e.path().extension() == ".glyphs") files.push_back(e.path());
        return files;
    }

    TempEnv env;
    fs::path font = env.Root() / "face.ttf";
};

} // namespace

TEST_F(GlyphStore, TextDrawnBeforeIsDrawnAgainWithoutFreeType) {
    for (const bool bold : {false, true}) {
        const Drawn cold = Draw("HALVERN 128", bold);
        EXPECT_TRUE(cold.usedFreeType);
        const Drawn warm = Draw("HALVERN 128", bold);
        EXPECT_FALSE(warm.usedFreeType) << "bold " << bold;
        EXPECT_EQ(warm.bits, cold.bits) << "bold " << bold;
        // Characters the store lacks come from FreeType, beside those it holds, and are kept too.
        const Drawn added = Draw("QUILL 128", bold);
        EXPECT_TRUE(added.usedFreeType);
        EXPECT_EQ(added.bits, Draw("QUILL 128", bold, fs::path()).bits) << "bold " << bold;
        EXPECT_FALSE(Draw("QUILL 128", bold).usedFreeType) << "bold " << bold;
        EXPECT_FALSE(Draw("HALVERN 128", bold).usedFreeType) << "bold " << bold;
    }
}

TEST_F(GlyphStore, DamagedOrStaleStoreIsLearnedAgain) {
    const Drawn cold = Draw("HALVERN 128");
    ASSERT_EQ(StoreFiles().size(), 1u);
    const fs::path store = StoreFiles().front();
    std::ifstream in(store, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    in.close();

    const auto rewrite = [&](const std::string& content) {
        std::ofstream(store, std::ios::binary | std::ios::trunc) << content;
    };
    std::string flipped = bytes;
    flipped[bytes.size() / 2] = static_cast<char>(flipped[bytes.size() / 2] ^ 0x10);
    const struct {
        const char* what;
        std::function<void()> damage;
    } cases[] = {
        {"empty", [&] { rewrite(""); }},
        {"cut short", [&] { rewrite(bytes.substr(0, bytes.size() - 9)); }},
        {"cut to its header", [&] { rewrite(bytes.substr(0, 40)); }},
        {"a byte changed", [&] { rewrite(flipped); }},
        {"bytes added", [&] { rewrite(bytes + "more"); }},
        {"font file changed",
         [&] { fs::last_write_time(font, fs::last_write_time(font) + std::chrono::hours(1)); }},
    };
    for (const auto& c : cases) {
        c.damage();
        const Drawn again = Draw("HALVERN 128");
        EXPECT_TRUE(again.usedFreeType) << c.what;
        EXPECT_EQ(again.bits, cold.bits) << c.what;
        EXPECT_FALSE(Draw("HALVERN 128").usedFreeType) << c.what << ": not written again";
    }
}

TEST_F(GlyphStore, EveryCutOfAWellSealedStoreIsRefused) {
    // A store cut anywhere but sealed with a digest that fits: the reader must find the cut from
    // the content alone, and never read past the end (the sanitizer build checks that).
    Draw("HALVERN 128");
    ASSERT_EQ(StoreFiles().size(), 1u);
    const fs::path store = StoreFiles().front();
    std::ifstream in(store, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    in.close();
    const std::string body = bytes.substr(0, bytes.size() - sizeof(std::uint64_t));
    const CFontFile file{font.string(), 0, false};
    const int pixelSize = 40; // 40 units at 1000 units per inch and 1000 dpi
    ASSERT_TRUE(ReadGlyphStore(store, file, pixelSize)) << "the whole store is not read";
    for (std::size_t cut = 0; cut < body.size(); ++cut) {
        std::string sealed = body.substr(0, cut);
        CDigest digest;
        digest.Add(sealed);
        sealed.append(reinterpret_cast<const char*>(&digest.value), sizeof digest.value);
        std::ofstream(store, std::ios::binary | std::ios::trunc) << sealed;
        EXPECT_FALSE(ReadGlyphStore(store, file, pixelSize)) << "cut at " << cut;
    }
}

namespace {

// The FreeType library a store names, as the store's writer lays it out after the font's part:
// the header, the font's path, its index, boldness and pixel size, its stamp, then the library.
std::string StoredLibrary(const std::string& bytes, const std::string& fontPath) {
    const std::size_t at = std::string_view("quillmark glyph store 1\n").size() + 4 +
                           fontPath.size() + 4 + 1 + 4 + 3 * 8;
    std::uint32_t size = 0;
    if (bytes.size() < at + 4) return {};
    std::memcpy(&size, bytes.data() + at, 4);
    return bytes.substr(at + 4, size);
}

} // namespace

TEST_F(GlyphStore, AStoreWithSizesNoFaceHasIsLearnedAgain) {
    const Drawn cold = Draw("HALVERN 128");
    ASSERT_EQ(StoreFiles().size(), 1u);
    const fs::path store = StoreFiles().front();
    std::ifstream in(store, std::ios::binary);
    const std::string library =
        StoredLibrary(std::string(std::istreambuf_iterator<char>(in), {}), font.string());
    ASSERT_TRUE(fs::exists(library)) << library;
    const CFontFile file{font.string(), 0, false};
    const int pixelSize = 40;
    const unsigned char h = 'H';
    const struct {
        const char* what;
        std::function<void(CFaceFacts&)> craft;
    } cases[] = {
        {"an advance of a billion pixels", [](CFaceFacts& f) { f.advance[h] = 64'000'000'000; }},
        {"a negative advance", [](CFaceFacts& f) { f.advance[h] = -64'000'000'000; }},
        {"an ascent past the face", [](CFaceFacts& f) { f.ascent = std::int64_t{1} << 40; }},
        {"a reach of a million ems", [](CFaceFacts& f) { f.reach.x1 = 40'000'000; }},
        {"a reach turned inside out", [](CFaceFacts& f) { std::swap(f.reach.x0, f.reach.x1); }},
        {"ink outside the reach",
         [](CFaceFacts& f) {
             f.boxed[h] = f.inked[h] = true;
             f.ink[h] = {0, 0, f.reach.x1 + 1, 1};
         }},
        {"an empty ink box that inks",
         [](CFaceFacts& f) {
             f.boxed[h] = f.inked[h] = true;
             f.ink[h] = {1, 1, 1, 1};
         }},
        {"a kept glyph far from its origin",
         [](CFaceFacts& f) { f.glyphs[h]->left = std::int64_t{1} << 62; }},
        {"a kept glyph outside the reach", [](CFaceFacts& f) { f.glyphs[h]->top -= 1000; }},
        {"kerning of a billion pixels",
         [](CFaceFacts& f) { f.kerning[static_cast<std::uint16_t>('A' << 8 | 'V')] = 1LL << 40; }},
    };
    for (const auto& c : cases) {
        std::optional<CFaceFacts> facts = ReadGlyphStore(store, file, pixelSize);
        ASSERT_TRUE(facts && facts->glyphs[h]) << c.what;
        c.craft(*facts);
        // Sealed with a digest that fits, as the program itself would have written it.
        WriteGlyphStore(store, file, pixelSize, library, *facts);
        EXPECT_FALSE(ReadGlyphStore(store, file, pixelSize)) << c.what;
        const Drawn again = Draw("HALVERN 128");
        EXPECT_TRUE(again.usedFreeType) << c.what;
        EXPECT_EQ(again.bits, cold.bits) << c.what;
        EXPECT_FALSE(Draw("HALVERN 128").usedFreeType) << c.what << ": not written again";
    }
}
