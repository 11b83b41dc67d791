#include "common/atomic_file.h"
#include "common/settings_store.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/temp_env.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr int kNoInt = -777;
const std::string kNoString = "<default>";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteRaw(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

// True when every line of `before` appears in `after`, verbatim and in the same order.
bool KeepsLinesInOrder(const std::string& before, const std::string& after) {
    const std::vector<std::string> want = LinesOf(before);
    const std::vector<std::string> have = LinesOf(after);
    std::size_t i = 0;
    for (const std::string& line : have)
        if (i < want.size() && line == want[i]) ++i;
    return i == want.size();
}

std::vector<std::string> TempFilesIn(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir))
        if (IsTemporaryName(e.path().filename().string()))
            found.push_back(e.path().filename().string());
    return found;
}

// Waits for a child for at most `limit`; a child still running then is killed and reported as -1.
int WaitWithin(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Sets or clears one environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_saved = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_saved)
            setenv(m_name, m_saved->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_saved;
};

TEST(SettingsStore, FreshAccountReadsDefaultsAndReadsCreateNothing) {
    TempEnv env;
    SettingsStore store;
    EXPECT_EQ(store.FilePath(), env.SettingsFile().string());
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 10);
    EXPECT_EQ(store.GetInt("Options", "Ratio", 25), 25);
    EXPECT_EQ(store.GetString("Options", "Font", "Courier"), "Courier");
    EXPECT_TRUE(store.DeleteKey("Options", "Density"));
    EXPECT_TRUE(store.DeleteSection("Options"));
    EXPECT_FALSE(fs::exists(env.ConfigHome()));

    // The first write creates the whole chain, private to the user.
    ASSERT_TRUE(store.WriteInt("Options", "Density", 12));
    for (const fs::path& dir : {env.ConfigHome(), env.ConfigHome() / "Halvern"}) {
        struct stat st {};
        ASSERT_EQ(stat(dir.c_str(), &st), 0) << dir;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << dir;
    }
    struct stat st {};
    ASSERT_EQ(stat(env.SettingsFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadAll(env.SettingsFile()), "[Options]\nDensity=12\n");
}

TEST(SettingsStore, PathFollowsXdgConfigHomeOrFallsBackToHome) {
    TempEnv env;
    const std::string home = (env.Root() / "home").string();
    ScopedEnv homeVar("HOME", home.c_str());
    const std::string fallback = home + "/.config/Halvern/Quillmark.conf";
    const struct {
        const char* xdg;
        std::string expected;
    } cases[] = {
        {"/elsewhere/cfg", "/elsewhere/cfg/Halvern/Quillmark.conf"},
        {"/elsewhere/cfg/", "/elsewhere/cfg/Halvern/Quillmark.conf"},
        {nullptr, fallback},
        {"", fallback},
        {"relative/cfg", fallback},
    };
    for (const auto& c : cases) {
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(SettingsStore().FilePath(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(SettingsStore, IntegersAndStringsRoundTrip) {
    TempEnv env;
    SettingsStore store;
    for (int v : {0, 1, -1, 10, INT_MAX, INT_MIN}) {
        ASSERT_TRUE(store.WriteInt("Options", "Density", v));
        EXPECT_EQ(store.GetInt("Options", "Density", kNoInt), v);
    }

    std::string everyByte;
    for (int c = 0; c < 256; ++c)
        everyByte.push_back(static_cast<char>(c));
    const std::string strings[] = {"",
                                   "Courier New",
                                   "  padded  ",
                                   "\"quoted\" and \\back\\slashed\\",
                                   "=[x]; #",
                                   "12",
                                   "\\x41",
                                   everyByte,
                                   everyByte + everyByte};
    for (const std::string& s : strings) {
        ASSERT_TRUE(store.WriteString("Options", "Font Name", s));
        EXPECT_EQ(store.GetString("Options", "Font Name", kNoString), s);
        EXPECT_EQ(SettingsStore().GetString("options", "font name", kNoString), s);
    }

    // Whatever went in, the file itself stays printable ASCII lines.
    for (char c : ReadAll(env.SettingsFile())) {
        const auto u = static_cast<unsigned char>(c);
        EXPECT_TRUE(c == '\n' || (u >= 0x20 && u <= 0x7E)) << "byte " << int(u);
    }
    EXPECT_EQ(store.GetInt("Options", "Density", kNoInt), INT_MIN);
}

// A batch writes every value in one rewrite when it is committed; until then the file is as it
// was and this thread reads the gathered values.
TEST(SettingsStore, ABatchWritesEverythingInOneRewrite) {
    TempEnv env;
    SettingsStore store;
    ASSERT_TRUE(store.WriteInt("Print", "Row", 1));
    ASSERT_TRUE(store.WriteString("Print", "Gone", "x"));
    const std::string before = ReadAll(env.SettingsFile());
    const auto fileText = [&] { return ReadAll(env.SettingsFile()); };
    {
        SettingsWriteBatch batch;
        for (int i = 0; i < 30; ++i)
            ASSERT_TRUE(store.WriteInt("Print", "Key" + std::to_string(i), i));
        ASSERT_TRUE(store.WriteString("Printer Office", "Paper", "A4"));
        ASSERT_TRUE(store.DeleteKey("Print", "Gone"));
        {
            SettingsWriteBatch inner; // gathers into the outer batch
            ASSERT_TRUE(store.WriteInt("Print", "Row", 3));
            EXPECT_TRUE(inner.Commit());
        }
        EXPECT_EQ(fileText(), before) << "nothing is written before the commit";
        EXPECT_EQ(store.GetInt("print", "key29", kNoInt), 29);
        EXPECT_EQ(store.GetInt("Print", "Row", kNoInt), 3);
        EXPECT_EQ(store.GetString("Print", "Gone", kNoString), kNoString);
        ASSERT_TRUE(batch.Commit());
    }
    EXPECT_EQ(SettingsStore().GetInt("Print", "Key17", kNoInt), 17);
    EXPECT_EQ(SettingsStore().GetInt("Print", "Row", kNoInt), 3);
    EXPECT_EQ(SettingsStore().GetString("Printer Office", "Paper", kNoString), "A4");
    EXPECT_EQ(SettingsStore().GetString("Print", "Gone", kNoString), kNoString);
    // A store that cannot be written: the batch says so and nothing of it is kept.
    fs::remove(env.SettingsFile());
    fs::create_directories(env.SettingsFile()); // a folder in the file's place
    SettingsWriteBatch failing;
    ASSERT_TRUE(store.WriteInt("Print", "Row", 4));
    EXPECT_FALSE(failing.Commit());
    EXPECT_EQ(store.GetInt("Print", "Row", kNoInt), kNoInt);
}

TEST(SettingsStore, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    TempEnv env;
    SettingsStore store;
    ASSERT_TRUE(store.WriteInt("Options", "UseLabel", 1));
    EXPECT_EQ(store.GetInt("OPTIONS", "Uselabel", kNoInt), 1);
    ASSERT_TRUE(store.WriteInt("options", "USELABEL", 0));
    EXPECT_EQ(store.GetInt("Options", "uselabel", kNoInt), 0);
    ASSERT_TRUE(store.WriteString("OPTIONS", "Font", "Arial"));
    EXPECT_EQ(ReadAll(env.SettingsFile()), "[Options]\nUseLabel=0\nFont=\"Arial\"\n");
}

TEST(SettingsStore, ValueOfTheOtherTypeReadsAsDefault) {
    TempEnv env;
    SettingsStore store;
    ASSERT_TRUE(store.WriteString("Options", "Density", "10"));
    EXPECT_EQ(store.GetInt("Options", "Density", kNoInt), kNoInt);
    EXPECT_EQ(store.GetString("Options", "Density", kNoString), "10");
    ASSERT_TRUE(store.WriteInt("Options", "Density", 10));
    EXPECT_EQ(store.GetString("Options", "Density", kNoString), kNoString);
    EXPECT_EQ(store.GetInt("Options", "Density", kNoInt), 10);
}

TEST(SettingsStore, UnstorableNamesAreRefused) {
    TempEnv env;
    SettingsStore store;
    ASSERT_TRUE(store.WriteInt("Options", "Density", 3));
    const std::string before = ReadAll(env.SettingsFile());
    const std::string bad[] = {"",     "a=b",  "[a",    "a]",     "a\nb",    "a\rb", "a\0b"s,
                               "a\tb", "\x7F", " lead", "trail ", "caf\xE9", "\x01"};
    for (const std::string& name : bad) {
        SCOPED_TRACE(testing::PrintToString(name));
        EXPECT_FALSE(store.WriteInt(name, "Density", 1));
        EXPECT_FALSE(store.WriteInt("Options", name, 1));
        EXPECT_FALSE(store.WriteString("Options", name, "x"));
        EXPECT_FALSE(store.DeleteKey("Options", name));
        EXPECT_FALSE(store.DeleteSection(name));
        EXPECT_EQ(store.GetInt(name, "Density", kNoInt), kNoInt);
        EXPECT_EQ(store.GetString("Options", name, kNoString), kNoString);
    }
    // A key that would read back as a comment is refused too; a section may start that way.
    EXPECT_FALSE(store.WriteInt("Options", "#Copies", 1));
    EXPECT_FALSE(store.WriteInt("Options", ";Copies", 1));
    EXPECT_EQ(ReadAll(env.SettingsFile()), before);
    EXPECT_TRUE(store.WriteInt("#Printer", "Copies", 2));
    EXPECT_EQ(store.GetInt("#printer", "copies", kNoInt), 2);
}

TEST(SettingsStore, WriteChangesOnlyItsOwnLine) {
    TempEnv env;
    WriteRaw(env.SettingsFile(), "; Quillmark settings\n"
                                 "\n"
                                 "[Options]\n"
                                 "Density = 10\n"
                                 "Font=\"Courier\n"
                                 "junk line\n"
                                 "\n"
                                 "; window placement follows\n"
                                 "[Window]\n"
                                 "Left=5\n"
                                 "[options]\n"
                                 "Density=99\n"
                                 "Ratio=25");
    SettingsStore store;
    ASSERT_TRUE(store.WriteInt("OPTIONS", "density", 11));      // first of two, spacing kept
    ASSERT_TRUE(store.WriteInt("Options", "Ratio", 30));        // lives in the repeated section
    ASSERT_TRUE(store.WriteString("Options", "Label", "x"));    // new: end of the first section
    ASSERT_TRUE(store.WriteString("Options", "Font", "Arial")); // replaces an unreadable value
    ASSERT_TRUE(store.WriteInt("Printer", "Copies", 2));        // new section at the end
    EXPECT_EQ(ReadAll(env.SettingsFile()), "; Quillmark settings\n"
                                           "\n"
                                           "[Options]\n"
                                           "Density = 11\n"
                                           "Font=\"Arial\"\n"
                                           "junk line\n"
                                           "Label=\"x\"\n"
                                           "\n"
                                           "; window placement follows\n"
                                           "[Window]\n"
                                           "Left=5\n"
                                           "[options]\n"
                                           "Density=99\n"
                                           "Ratio=30\n"
                                           "\n"
                                           "[Printer]\n"
                                           "Copies=2\n");

    // Writing the value already there leaves the file alone.
    struct stat before {
    }, after{};
    ASSERT_EQ(stat(env.SettingsFile().c_str(), &before), 0);
    ASSERT_TRUE(store.WriteInt("Options", "Density", 11));
    ASSERT_EQ(stat(env.SettingsFile().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(SettingsStore, DeleteRemovesEveryOccurrence) {
    TempEnv env;
    WriteRaw(env.SettingsFile(), "[Options]\n"
                                 "Density=1\n"
                                 "; note\n"
                                 "Ratio=2\n"
                                 "\n"
                                 "; about the window\n"
                                 "[Window]\n"
                                 "Left=5\n"
                                 "[options]\n"
                                 "density=3\n"
                                 "Keep=4\n");
    SettingsStore store;
    ASSERT_TRUE(store.DeleteKey("options", "DENSITY"));
    EXPECT_EQ(store.GetInt("Options", "Density", kNoInt), kNoInt);
    EXPECT_EQ(ReadAll(env.SettingsFile()), "[Options]\n"
                                           "; note\n"
                                           "Ratio=2\n"
                                           "\n"
                                           "; about the window\n"
                                           "[Window]\n"
                                           "Left=5\n"
                                           "[options]\n"
                                           "Keep=4\n");
    EXPECT_TRUE(store.DeleteKey("Options", "Absent"));
    EXPECT_TRUE(store.DeleteSection("Absent"));
    ASSERT_TRUE(store.DeleteSection("OPTIONS"));
    EXPECT_EQ(store.GetInt("Options", "Keep", kNoInt), kNoInt);
    EXPECT_EQ(ReadAll(env.SettingsFile()), "\n"
                                           "; about the window\n"
                                           "[Window]\n"
                                           "Left=5\n");
}

struct Expect {
    std::string section;
    std::string key;
    int asInt;
    std::string asString;
};

struct DamagedCase {
    const char* name;
    std::string content;
    std::vector<Expect> reads;
};

std::string RandomBytes(std::size_t n) {
    std::mt19937 rng(1234);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

TEST(SettingsStore, DamagedFilesReadWhatTheyCanAndWritesKeepEverything) {
    const DamagedCase cases[] = {
        {"garbage lines",
         "[Options]\nthis is not a setting\nDensity=7\n\x01\x02\x03\n=orphan value\n"
         "[unclosed\nRatio=3\n",
         {{"Options", "Density", 7, kNoString}, {"Options", "Ratio", kNoInt, kNoString}}},
        {"too large for 32 bits",
         "[Options]\nDensity=99999999999\nRatio=-2147483648\nWidth=2147483648\n",
         {{"Options", "Density", kNoInt, "99999999999"},
          {"Options", "Ratio", INT_MIN, kNoString},
          {"Options", "Width", kNoInt, "2147483648"}}},
        {"no final newline", "[Options]\nDensity=8", {{"Options", "Density", 8, kNoString}}},
        {"bytes that are not UTF-8",
         "[Options]\nFont=\"Caf\xE9 \xFF\"\nLabel=\xC3\x28 raw\n",
         {{"Options", "Font", kNoInt, "Caf\xE9 \xFF"},
          {"Options", "Label", kNoInt, "\xC3\x28 raw"}}},
        {"NUL bytes",
         "[Options]\n\0\0\0\nName=\"a\0b\"\nDensity=9\nKe\0y=1\n"s,
         {{"Options", "Name", kNoInt, "a\0b"s}, {"Options", "Density", 9, kNoString}}},
        {"broken quotes and escapes",
         "[Options]\nFont=\"Courier\nDensity=5\nLabel=\"x\" trailing\nEsc=\"\\q\"\nHex=\"\\x4\"\n",
         {{"Options", "Font", kNoInt, kNoString},
          {"Options", "Density", 5, kNoString},
          {"Options", "Label", kNoInt, kNoString},
          {"Options", "Esc", kNoInt, kNoString},
          {"Options", "Hex", kNoInt, kNoString}}},
        {"duplicate keys",
         "[Options]\nDensity=1\ndensity=2\n",
         {{"Options", "Density", 1, kNoString}}},
        {"duplicate sections",
         "[Options]\nDensity=1\n[Other]\nX=4\n[OPTIONS]\nDensity=2\nRatio=3\n",
         {{"Options", "Density", 1, kNoString},
          {"Options", "Ratio", 3, kNoString},
          {"Other", "X", 4, kNoString}}},
        {"entries before any section",
         "Density=4\n[Options]\nRatio=2\n",
         {{"Options", "Density", kNoInt, kNoString}, {"Options", "Ratio", 2, kNoString}}},
        {"huge line",
         "[Options]\n" + std::string(2 << 20, 'x') + "\nDensity=6\n",
         {{"Options", "Density", 6, kNoString}}},
        {"CRLF, byte order mark and spacing",
         "\xEF\xBB\xBF[ Options ] ; main\r\n  Density =  12 \r\nFont Name = \"Courier New\"\r\n",
         {{"Options", "Density", 12, kNoString}, {"Options", "Font Name", kNoInt, "Courier New"}}},
        {"binary noise",
         "[Options]\nDensity=3\n" + RandomBytes(8192),
         {{"Options", "Density", 3, kNoString}}},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempEnv env;
        WriteRaw(env.SettingsFile(), c.content);
        SettingsStore store;
        const auto checkReads = [&] {
            for (const Expect& e : c.reads) {
                EXPECT_EQ(store.GetInt(e.section, e.key, kNoInt), e.asInt) << e.key;
                EXPECT_EQ(store.GetString(e.section, e.key, kNoString), e.asString) << e.key;
            }
        };
        checkReads();
        ASSERT_TRUE(store.WriteInt("Options", "Probe", 42));
        EXPECT_EQ(store.GetInt("Options", "Probe", kNoInt), 42);
        checkReads();
        EXPECT_TRUE(KeepsLinesInOrder(c.content, ReadAll(env.SettingsFile())));
    }
}

TEST(SettingsStore, DirectoryInPlaceOfTheStore) {
    TempEnv env;
    fs::create_directories(env.SettingsFile());
    SettingsStore store;
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 10);
    EXPECT_FALSE(store.WriteInt("Options", "Density", 11));
    EXPECT_FALSE(store.DeleteKey("Options", "Density"));
    EXPECT_TRUE(fs::is_directory(env.SettingsFile()));
    EXPECT_TRUE(TempFilesIn(env.SettingsFile().parent_path()).empty());
}

TEST(SettingsStore, FileInPlaceOfTheVendorDirectory) {
    TempEnv env;
    WriteRaw(env.ConfigHome() / "Halvern", "not a directory\n");
    SettingsStore store;
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 10);
    EXPECT_FALSE(store.WriteInt("Options", "Density", 11));
    EXPECT_EQ(ReadAll(env.ConfigHome() / "Halvern"), "not a directory\n");
}

TEST(SettingsStore, FifoInPlaceOfTheStoreNeverBlocks) {
    TempEnv env;
    fs::create_directories(env.SettingsFile().parent_path());
    ASSERT_EQ(mkfifo(env.SettingsFile().c_str(), 0600), 0);
    // In a child, so a store that blocks on the FIFO fails the test instead of hanging it.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        SettingsStore store;
        const bool ok = store.GetInt("Options", "Density", 10) == 10 &&
                        store.GetString("Options", "Font", "f") == "f" &&
                        !store.WriteInt("Options", "Density", 11) &&
                        !store.WriteString("Options", "Font", "g") &&
                        !store.DeleteSection("Options");
        _exit(ok ? 0 : 1);
    }
    EXPECT_EQ(WaitWithin(pid, std::chrono::seconds(10)), 0);
    EXPECT_TRUE(fs::is_fifo(env.SettingsFile()));
}

TEST(SettingsStore, UnreadableStoreIsNeverOverwritten) {
    if (geteuid() == 0) GTEST_SKIP() << "root can read a file with no permissions";
    TempEnv env;
    const std::string content = "[Options]\nDensity=7\n";
    WriteRaw(env.SettingsFile(), content);
    fs::permissions(env.SettingsFile(), fs::perms::none);
    SettingsStore store;
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 10);
    EXPECT_FALSE(store.WriteInt("Options", "Ratio", 30));
    EXPECT_FALSE(store.DeleteKey("Options", "Density"));
    fs::permissions(env.SettingsFile(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadAll(env.SettingsFile()), content);
}

TEST(SettingsStore, SymlinkedStoreIsReadAndWrittenThrough) {
    TempEnv env;
    const fs::path real = env.Root() / "dotfiles" / "quillmark.conf";
    WriteRaw(real, "[Options]\nDensity=7\n");
    fs::create_directories(env.SettingsFile().parent_path());
    fs::create_symlink(real, env.SettingsFile());
    SettingsStore store;
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 7);
    ASSERT_TRUE(store.WriteInt("Options", "Ratio", 30));
    EXPECT_TRUE(fs::is_symlink(env.SettingsFile()));
    EXPECT_EQ(ReadAll(real), "[Options]\nDensity=7\nRatio=30\n");
    EXPECT_EQ(store.GetInt("Options", "Ratio", 25), 30);
}

TEST(SettingsStore, ChangesBehindTheCachesBackAreSeen) {
    TempEnv env;
    SettingsStore store;
    // Same size, same inode, and usually the same timestamp tick as the previous write.
    WriteRaw(env.SettingsFile(), "[Options]\nDensity=11\n");
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 11);
    WriteRaw(env.SettingsFile(), "[Options]\nDensity=12\n");
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 12);
    // Once the file has been quiet long enough for its parse to be kept, a change still shows.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 12);
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 12);
    WriteRaw(env.SettingsFile(), "[Options]\nDensity=13\n");
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 13);
    fs::remove(env.SettingsFile());
    EXPECT_EQ(store.GetInt("Options", "Density", 10), 10);
}

std::string WriterKey(int writer, int n) {
    std::string key = "W";
    key += std::to_string(writer);
    key += 'K';
    key += std::to_string(n);
    return key;
}

TEST(SettingsStore, ConcurrentWritersLoseNothing) {
    TempEnv env;
    constexpr int kWriters = 4;
    constexpr int kKeys = 50;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SettingsStore store;
            bool ok = true;
            for (int k = 0; k < kKeys; ++k) {
                const std::string key = WriterKey(w, k);
                ok &= (k % 2 == 0) ? store.WriteInt("Options", key, w * 1000 + k)
                                   : store.WriteString("Options", key, "v" + key);
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children)
        EXPECT_EQ(WaitWithin(pid, std::chrono::seconds(60)), 0);

    SettingsStore store;
    for (int w = 0; w < kWriters; ++w) {
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = WriterKey(w, k);
            if (k % 2 == 0)
                EXPECT_EQ(store.GetInt("Options", key, kNoInt), w * 1000 + k) << key;
            else
                EXPECT_EQ(store.GetString("Options", key, kNoString), "v" + key) << key;
        }
    }
    EXPECT_TRUE(TempFilesIn(env.SettingsFile().parent_path()).empty());
}

// Every line the store itself writes is a header, an integer or a complete quoted string.
bool IsWellFormedStoreLine(const std::string& line) {
    if (line.empty()) return true;
    if (line.front() == '[') return line.back() == ']';
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    const std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return true;
    return !value.empty() && value.find_first_not_of("-0123456789") == std::string::npos;
}

TEST(SettingsStore, KilledWriterLeavesTheStoreWhole) {
    TempEnv env;
    SettingsStore store;
    std::string pad;
    for (int i = 0; i < 4000; ++i)
        pad.push_back(static_cast<char>(i * 7));
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);

    bool padLanded = false;
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(store.WriteInt("Before", "Round" + std::to_string(round), round));
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SettingsStore churn;
            for (int n = 0;; ++n) {
                churn.WriteInt("Churn", "Counter", n);
                churn.WriteString("Churn", "Pad", pad + "#" + std::to_string(n));
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 15000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);

        const std::string file = ReadAll(env.SettingsFile());
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(file.back(), '\n');
        for (const std::string& line : LinesOf(file))
            ASSERT_TRUE(IsWellFormedStoreLine(line)) << line;
        for (int r = 0; r <= round; ++r)
            ASSERT_EQ(store.GetInt("Before", "Round" + std::to_string(r), kNoInt), r) << r;
        // Once the child's pad has landed it stays, and it is always one whole write.
        const std::string got = store.GetString("Churn", "Pad", "");
        padLanded |= !got.empty();
        if (padLanded) {
            ASSERT_GT(got.size(), pad.size() + 1);
            EXPECT_EQ(got.substr(0, pad.size() + 1), pad + "#");
            EXPECT_EQ(got.find_first_not_of("0123456789", pad.size() + 1), std::string::npos);
        }
    }
    // Whatever temporary files the killed writers left, the next write clears them away.
    ASSERT_TRUE(store.WriteInt("After", "Done", 1));
    EXPECT_TRUE(TempFilesIn(env.SettingsFile().parent_path()).empty());
}

} // namespace
