// The font lookup: fontconfig's answer kept on disk, trusted only while fontconfig's
// configuration and the font file stay as they were.
#include "render/font_locator.h"
#include "render/mono_surface.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FontLocatorTest : public ::testing::Test {
protected:
    // A locator on the test's cache folder whose resolver counts its calls and answers `font`,
    // under the fingerprint `fingerprint` holds.
    CFontLocator Locator() {
        return CFontLocator(
            Folder(),
            [this](const std::string&, bool) {
                ++calls;
                return std::optional<CFontFile>(CFontFile{font.string(), 0, false});
            },
            [this] { return fingerprint; });
    }
    fs::path Folder() const { return env.Root() / "fonts"; }
    void WriteFont(const std::string& bytes) { std::ofstream(font, std::ios::binary) << bytes; }

    TempEnv env;
    fs::path font = env.Root() / "face.ttf";
    std::uint64_t fingerprint = 1;
    int calls = 0;
};

} // namespace

TEST_F(FontLocatorTest, WarmLookupReadsTheCacheWithoutTheResolver) {
    WriteFont("first face");
    EXPECT_EQ(Locator().Find("Courier New", false)->path, font.string());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(fs::exists(Locator().CacheFile("Courier New", false)));
    EXPECT_EQ(Locator().Find("Courier New", false)->path, font.string());
    EXPECT_EQ(calls, 1) << "a warm lookup asked the resolver";
    // Another family or weight is another question.
    Locator().Find("Courier New", true);
    Locator().Find("Arial", false);
    EXPECT_EQ(calls, 3);
    // Within one locator the answer is remembered, cache file or not.
    CFontLocator locator = Locator();
    locator.Find("Times New Roman", false);
    fs::remove_all(Folder());
    locator.Find("Times New Roman", false);
    EXPECT_EQ(calls, 4);
}

TEST_F(FontLocatorTest, ChangedConfigurationOrFontFileResolvesAgain) {
    const struct {
        const char* change;
        std::function<void()> apply;
    } changes[] = {
        {"another fingerprint", [this] { fingerprint += 1; }},
        {"font file removed", [this] { fs::remove(font); }},
        {"font file rewritten", [this] { WriteFont("a longer second face"); }},
    };
    for (const auto& c : changes) {
        WriteFont("first face");
        Locator().Find("Courier New", false);
        calls = 0;
        c.apply();
        Locator().Find("Courier New", false);
        EXPECT_EQ(calls, 1) << c.change;
        // An answer naming a file that exists is kept: the next start is warm again.
        Locator().Find("Courier New", false);
        EXPECT_EQ(calls, fs::exists(font) ? 1 : 2) << c.change;
    }
}

TEST_F(FontLocatorTest, DamagedCacheFileIsIgnoredAndReplaced) {
    WriteFont("first face");
    Locator().Find("Courier New", false);
    const fs::path cache = Locator().CacheFile("Courier New", false);
    std::string good;
    {
        std::ifstream in(cache, std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_FALSE(good.empty());
    // Another file the damaged cache might name instead.
    const fs::path other = env.Root() / "other.ttf";
    std::ofstream(other) << "first face";
    std::string redirected = good;
    const auto hex = [](const std::string& s) {
        std::string h;
        for (unsigned char c : s)
            h += "0123456789abcdef"[c >> 4], h += "0123456789abcdef"[c & 15];
        return h;
    };
    redirected.replace(redirected.find(hex(font.string())), hex(font.string()).size(),
                       hex(other.string()));
    const std::string damaged[] = {
        "",
        good.substr(0, good.size() / 2),
        std::string(200, '\xFF'),
        redirected, // a path changed without its digest
        good + "trailing\n",
        "quillmark font cache 1\nfile 2f\nindex -1\n",
    };
    for (const std::string& bytes : damaged) {
        std::ofstream(cache, std::ios::binary | std::ios::trunc) << bytes;
        calls = 0;
        const std::optional<CFontFile> found = Locator().Find("Courier New", false);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->path, font.string());
        EXPECT_EQ(calls, 1) << "damaged cache taken: " << bytes.size() << " bytes";
        Locator().Find("Courier New", false);
        EXPECT_EQ(calls, 1) << "cache not rewritten";
    }
}

// A stale cache file the user may not write (left read-only, or by a run through sudo) is
// replaced all the same: otherwise every start would ask fontconfig again. Run as root, the
// test looks as another user would.
TEST_F(FontLocatorTest, AStaleCacheTheUserCannotWriteIsReplaced) {
    constexpr uid_t kOther = 65534;
    WriteFont("first face");
    Locator().Find("Courier New", false);
    const fs::path cache = Locator().CacheFile("Courier New", false);
    fs::permissions(cache, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fingerprint += 1; // fontconfig's configuration changed since
    const bool root = ::geteuid() == 0;
    if (root) {
        fs::permissions(env.Root(), fs::perms::owner_all | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
        ASSERT_EQ(::chown(Folder().c_str(), kOther, kOther), 0);
        // Real and effective ids both, as a user's own process has them; root stays the saved
        // one, to come back to.
        ASSERT_EQ(::setresgid(kOther, kOther, 0), 0);
        ASSERT_EQ(::setresuid(kOther, kOther, 0), 0);
    }
    calls = 0;
    Locator().Find("Courier New", false);
    Locator().Find("Courier New", false);
    if (root) {
        EXPECT_EQ(::setresuid(0, 0, 0), 0);
        EXPECT_EQ(::setresgid(0, 0, 0), 0);
    }
    EXPECT_EQ(calls, 1) << "the stale cache was not replaced";
}

TEST_F(FontLocatorTest, FingerprintFollowsFontconfigsConfiguration) {
    const std::uint64_t before = FontconfigFingerprint();
    EXPECT_EQ(FontconfigFingerprint(), before);
    // A user configuration file appears, then changes.
    const fs::path userConf = env.ConfigHome() / "fontconfig" / "fonts.conf";
    fs::create_directories(userConf.parent_path());
    std::ofstream(userConf) << "<fontconfig></fontconfig>\n";
    const std::uint64_t withUserConf = FontconfigFingerprint();
    EXPECT_NE(withUserConf, before);
    std::ofstream(userConf, std::ios::app) << "<!-- edited -->\n";
    EXPECT_NE(FontconfigFingerprint(), withUserConf);
    // Another configuration file named in the environment.
    const std::uint64_t edited = FontconfigFingerprint();
    setenv("FONTCONFIG_FILE", (env.Root() / "elsewhere.conf").c_str(), 1);
    const std::uint64_t elsewhere = FontconfigFingerprint();
    unsetenv("FONTCONFIG_FILE");
    EXPECT_NE(elsewhere, edited);
    EXPECT_EQ(FontconfigFingerprint(), edited);
}

TEST_F(FontLocatorTest, FontconfigResolvesAliasesAndBoldFaces) {
    // "Courier New" is not installed; the system's aliases give a metric-compatible face.
    const std::optional<CFontFile> regular = ResolveThroughFontconfig("Courier New", false);
    const std::optional<CFontFile> bold = ResolveThroughFontconfig("Courier New", true);
    ASSERT_TRUE(regular && bold);
    EXPECT_NE(regular->path, bold->path);
    EXPECT_FALSE(regular->embolden);
    EXPECT_FALSE(bold->embolden) << "the family has a bold face of its own";
    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    for (const auto& [file, isBold] : {std::pair{*regular, false}, std::pair{*bold, true}}) {
        FT_Face face;
        ASSERT_EQ(FT_New_Face(library, file.path.c_str(), file.index, &face), 0) << file.path;
        EXPECT_TRUE(FT_IS_FIXED_WIDTH(face)) << file.path << " is not fixed-pitch";
        EXPECT_EQ((face->style_flags & FT_STYLE_FLAG_BOLD) != 0, isBold) << file.path;
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
}

TEST_F(FontLocatorTest, WarmSurfaceDrawsTheSameTextWithoutAskingFontconfig) {
    int resolved = 0;
    const auto draw = [&] {
        CFontLocator fonts(Folder(), [&](const std::string& family, bool bold) {
            ++resolved;
            return ResolveThroughFontconfig(family, bold);
        });
        MonoImage image;
        image.Allocate(300, 60);
        CMonoSurface s(image, 1000, &fonts);
        s.SetWindowExt({1000, 1000});
        s.SetViewportExt({1000, 1000});
        s.SelectFont({"Courier New", 30, 400, 0});
        s.TextOut({5, 5}, "HALVERN 128");
        return image.bits;
    };
    const auto cold = draw();
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(draw(), cold);
    EXPECT_EQ(resolved, 1);
}
