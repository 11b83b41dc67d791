// Files at the system's limits: a chain of links longer than the system follows, and a disk
// with no room left under the settings store.

#include "common/atomic_file.h"
#include "common/settings_store.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return AsBytes(text);
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

bool NoTemporaryFilesIn(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir))
        if (IsTemporaryName(e.path().filename().string())) return false;
    return true;
}

} // namespace

// A chain of links is followed as far as the system follows one, 40 links, and no further: the
// 41st link is refused as opening the path would be, never replaced by a file.
TEST(WriteFileAtomically, ALinkChainLongerThanTheSystemFollowsIsRefused) {
    TempEnv env;
    for (const int links : {40, 41}) {
        SCOPED_TRACE(links);
        const fs::path dir = env.Root() / std::to_string(links);
        fs::create_directory(dir);
        Write(dir / "end.qmx", "before");
        for (int i = 0; i < links; ++i)
            fs::create_symlink(i + 1 < links ? "link" + std::to_string(i + 1) : "end.qmx",
                               dir / ("link" + std::to_string(i)));
        const std::error_code ec = WriteFileAtomically((dir / "link0").string(), Bytes("after"));
        EXPECT_EQ(ec, links <= 40 ? std::error_code()
                                  : std::error_code(ELOOP, std::generic_category()));
        EXPECT_EQ(Read(dir / "end.qmx"), links <= 40 ? "after" : "before");
        for (int i = 0; i < links; ++i)
            EXPECT_TRUE(fs::is_symlink(dir / ("link" + std::to_string(i)))) << i;
    }
}

// A write that cannot reach a full disk fails, leaves the store as it was, and is told, with
// its cause, to whoever listens (the window says so).
TEST(SettingsStore, AWriteOnAFullDiskIsToldWithItsCause) {
    TempEnv env;
    SmallDisk disk(env.ConfigHome(), 64);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
    SettingsStore store;
    ASSERT_TRUE(store.WriteInt("Options", "Density", 11));
    std::vector<std::error_code> told;
    SettingsStore::SetWriteFailureHandler([&](const std::string& path, std::error_code ec) {
        EXPECT_EQ(path, store.FilePath());
        told.push_back(ec);
    });
    disk.Fill();
    EXPECT_FALSE(store.WriteInt("Options", "Density", 12));
    {
        SettingsWriteBatch batch;
        store.WriteString("Print", "Printer", "Office");
        EXPECT_FALSE(batch.Commit());
    }
    SettingsStore::SetWriteFailureHandler({});
    EXPECT_EQ(told, (std::vector<std::error_code>(
                        2, std::make_error_code(std::errc::no_space_on_device))));
    EXPECT_EQ(store.GetInt("Options", "Density", 0), 11);
    EXPECT_EQ(store.GetString("Print", "Printer", "none"), "none");
    EXPECT_TRUE(NoTemporaryFilesIn(env.SettingsFile().parent_path()));
}
