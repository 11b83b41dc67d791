#include "common/atomic_file.h"
#include "common/file_io.h"
#include "common/queued_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/temp_env.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::error_code Errno(int value) {
    return {value, std::generic_category()};
}

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteRaw(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

ino_t InodeOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_ino;
}

// The names in a folder, hidden ones included, so a temporary file left behind shows.
std::vector<std::string> NamesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `body` in a child process so that a call that blocks fails the test instead of hanging
// it, and a process-wide limit set for the call stays in the child. The child's exit status is
// body's result; -1 when it had to be killed.
int RunInChild(const std::function<int()>& body,
               std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const pid_t pid = fork();
    if (pid < 0) return -2;
    if (pid == 0) _exit(body());
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

// Sets the umask for the lifetime of the object.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : m_saved(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_saved); }

private:
    mode_t m_saved;
};

// ---- reading ----

TEST(ReadWholeFile, ReadsRegularFilesAndRefusesEverythingElseWithoutBlocking) {
    TempEnv env;
    const fs::path dir = env.Root();
    WriteRaw(dir / "doc.qmx", std::string("ab\0cd", 5));
    WriteRaw(dir / "empty.qmx", "");
    fs::create_directory(dir / "folder.qmx");
    ASSERT_EQ(mkfifo((dir / "pipe.qmx").c_str(), 0600), 0);
    fs::create_symlink("doc.qmx", dir / "link.qmx");

    const struct {
        std::string path;
        std::error_code ec;
        std::string content;
    } cases[] = {
        {(dir / "doc.qmx").string(), {}, std::string("ab\0cd", 5)},
        {(dir / "empty.qmx").string(), {}, ""},
        {(dir / "link.qmx").string(), {}, std::string("ab\0cd", 5)},
        {(dir / "missing.qmx").string(), Errno(ENOENT), "kept"},
        {(dir / "missing/doc.qmx").string(), Errno(ENOENT), "kept"},
        {(dir / "doc.qmx/x").string(), Errno(ENOTDIR), "kept"},
        {"", Errno(ENOENT), "kept"},
        {(dir / "folder.qmx").string(), Errno(EISDIR), "kept"},
        // A pipe with no writer would hold up a blocking open for ever.
        {(dir / "pipe.qmx").string(), Errno(EACCES), "kept"},
        {"/dev/null", Errno(EACCES), "kept"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const int status = RunInChild([&] {
            Bytes bytes = BytesOf("kept");
            const std::error_code ec = ReadWholeFile(c.path, bytes);
            return ec == c.ec && bytes == BytesOf(c.content) ? 0 : 1;
        });
        EXPECT_EQ(status, 0) << (status == -1 ? "blocked" : "wrong result");
    }
}

TEST(ReadWholeFile, LargerThanTheLimitIsRefusedBeforeReading) {
    TempEnv env;
    const fs::path doc = env.Root() / "doc.qmx";
    WriteRaw(doc, std::string(100, 'x'));
    Bytes bytes = BytesOf("kept");
    EXPECT_EQ(ReadWholeFile(doc.string(), bytes, 99), Errno(EFBIG));
    EXPECT_EQ(bytes, BytesOf("kept"));
    EXPECT_EQ(ReadWholeFile(doc.string(), bytes, 100), std::error_code());
    EXPECT_EQ(bytes.size(), 100u);

    // A terabyte of holes: reading any of it, or making room for it, takes far too long or
    // fails; the size alone must refuse it.
    const fs::path huge = env.Root() / "huge.qmx";
    WriteRaw(huge, "");
    ASSERT_EQ(::truncate(huge.c_str(), off_t(1) << 40), 0);
    const int status = RunInChild(
        [&] {
            Bytes b;
            return ReadWholeFile(huge.string(), b, 1 << 20) == Errno(EFBIG) && b.empty() ? 0 : 1;
        },
        std::chrono::seconds(2));
    EXPECT_EQ(status, 0);
}

TEST(ReadWholeFile, FileGrowingPastItsStatedSizeStopsAtTheLimit) {
    // Files under /proc state no size at all and still hold text.
    Bytes bytes;
    ASSERT_EQ(ReadWholeFile("/proc/self/status", bytes), std::error_code());
    ASSERT_GT(bytes.size(), 16u);
    Bytes limited = BytesOf("kept");
    EXPECT_EQ(ReadWholeFile("/proc/self/status", limited, 16), Errno(EFBIG));
    EXPECT_EQ(limited, BytesOf("kept"));
}

// ---- writing ----

struct WriteCase {
    const char* name;
    std::function<void(const fs::path& dir)> setUp;
    std::string target; // relative to the folder
    AtomicWriteOptions options;
    std::error_code ec;
    std::function<void(const fs::path& dir)> check;
};

TEST(WriteFileAtomically, WritesOrLeavesEverythingAsItWas) {
    const std::string data = "new contents\n";
    const auto holds = [&](const fs::path& path, const std::string& content) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path))) << path;
        EXPECT_EQ(ReadAll(path), content) << path;
    };
    AtomicWriteOptions private0600;
    private0600.mode = 0600;
    AtomicWriteOptions noFollow;
    noFollow.followSymlinks = false;
    AtomicWriteOptions unsynced;
    unsynced.sync = false;
    AtomicWriteOptions batch = unsynced; // an existing file is exchanged for the new one
    batch.manyFiles = true;
    AtomicWriteOptions batch0600 = batch;
    batch0600.mode = 0600;

    const WriteCase cases[] = {
        {"new file gets 0666 through the umask",
         [](const fs::path&) {},
         "doc.qmx",
         {},
         {},
         [&](const fs::path& dir) {
             holds(dir / "doc.qmx", data);
             EXPECT_EQ(ModeOf(dir / "doc.qmx"), 0644u);
         }},
        {"replaced file keeps its permissions and gets a new inode",
         [](const fs::path& dir) {
             WriteRaw(dir / "doc.qmx", "old");
             fs::permissions(dir / "doc.qmx", fs::perms(0640));
         },
         "doc.qmx",
         {},
         {},
         [&](const fs::path& dir) {
             holds(dir / "doc.qmx", data);
             EXPECT_EQ(ModeOf(dir / "doc.qmx"), 0640u);
         }},
        {"mode option on a new file ignores the umask",
         [](const fs::path&) {},
         "doc.qmx",
         [] {
             AtomicWriteOptions o;
             o.mode = 0664;
             return o;
         }(),
         {},
         [&](const fs::path& dir) { EXPECT_EQ(ModeOf(dir / "doc.qmx"), 0664u); }},
        {"mode option overrides a replaced file's permissions",
         [](const fs::path& dir) {
             WriteRaw(dir / "doc.qmx", "old");
             fs::permissions(dir / "doc.qmx", fs::perms(0644));
         },
         "doc.qmx",
         private0600,
         {},
         [&](const fs::path& dir) {
             holds(dir / "doc.qmx", data);
             EXPECT_EQ(ModeOf(dir / "doc.qmx"), 0600u);
         }},
        {"symlink chain followed, its final file replaced",
         [](const fs::path& dir) {
             fs::create_directory(dir / "real");
             WriteRaw(dir / "real/doc.qmx", "old");
             fs::create_symlink("real/doc.qmx", dir / "second.qmx");
             fs::create_symlink(dir / "second.qmx", dir / "first.qmx");
         },
         "first.qmx",
         {},
         {},
         [&](const fs::path& dir) {
             EXPECT_TRUE(fs::is_symlink(dir / "first.qmx"));
             EXPECT_TRUE(fs::is_symlink(dir / "second.qmx"));
             holds(dir / "real/doc.qmx", data);
             EXPECT_EQ(NamesIn(dir / "real"), std::vector<std::string>{"doc.qmx"});
         }},
        {"dangling link names the file to create",
         [](const fs::path& dir) { fs::create_symlink("made.qmx", dir / "link.qmx"); },
         "link.qmx",
         {},
         {},
         [&](const fs::path& dir) {
             EXPECT_TRUE(fs::is_symlink(dir / "link.qmx"));
             holds(dir / "made.qmx", data);
         }},
        {"without following, the link itself is replaced",
         [](const fs::path& dir) {
             WriteRaw(dir / "real.qmx", "old");
             fs::create_symlink("real.qmx", dir / "link.qmx");
         },
         "link.qmx",
         noFollow,
         {},
         [&](const fs::path& dir) {
             holds(dir / "link.qmx", data);
             holds(dir / "real.qmx", "old");
         }},
        {"without syncing, the same file",
         [](const fs::path& dir) { WriteRaw(dir / "doc.qmx", "old"); },
         "doc.qmx",
         unsynced,
         {},
         [&](const fs::path& dir) { holds(dir / "doc.qmx", data); }},
        {"a batch's replaced file keeps its permissions and gets a new inode",
         [](const fs::path& dir) {
             WriteRaw(dir / "doc.qmx", "old");
             fs::permissions(dir / "doc.qmx", fs::perms(0640));
         },
         "doc.qmx",
         batch,
         {},
         [&](const fs::path& dir) {
             holds(dir / "doc.qmx", data);
             EXPECT_EQ(ModeOf(dir / "doc.qmx"), 0640u);
         }},
        {"a batch's replaced file takes the mode option",
         [](const fs::path& dir) { WriteRaw(dir / "doc.qmx", "old"); },
         "doc.qmx",
         batch0600,
         {},
         [&](const fs::path& dir) {
             holds(dir / "doc.qmx", data);
             EXPECT_EQ(ModeOf(dir / "doc.qmx"), 0600u);
         }},
        {"a batch replaces the final file of a link chain",
         [](const fs::path& dir) {
             WriteRaw(dir / "real.qmx", "old");
             fs::create_symlink("real.qmx", dir / "link.qmx");
         },
         "link.qmx",
         batch,
         {},
         [&](const fs::path& dir) {
             EXPECT_TRUE(fs::is_symlink(dir / "link.qmx"));
             holds(dir / "real.qmx", data);
         }},
        {"folder target",
         [](const fs::path& dir) { fs::create_directory(dir / "doc.qmx"); },
         "doc.qmx",
         {},
         Errno(EISDIR),
         [](const fs::path& dir) { EXPECT_TRUE(fs::is_empty(dir / "doc.qmx")); }},
        {"new name ending in a slash",
         [](const fs::path&) {},
         "doc.qmx/",
         {},
         Errno(EISDIR),
         [](const fs::path& dir) { EXPECT_TRUE(NamesIn(dir).empty()); }},
        {"missing folder",
         [](const fs::path&) {},
         "gone/doc.qmx",
         {},
         Errno(ENOENT),
         [](const fs::path& dir) { EXPECT_TRUE(NamesIn(dir).empty()); }},
    };

    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempEnv env;
        const fs::path dir = env.Root() / "work";
        fs::create_directory(dir);
        c.setUp(dir);
        const ino_t before = InodeOf(dir / c.target);
        const std::vector<std::string> namesBefore = NamesIn(dir);
        ScopedUmask mask(022);
        EXPECT_EQ(WriteFileAtomically((dir / c.target).string(), BytesOf(data), c.options), c.ec);
        c.check(dir);
        // Nothing new in the folder but the file written, if that was a new one.
        std::vector<std::string> names = NamesIn(dir);
        for (const std::string& n : namesBefore)
            std::erase(names, n);
        EXPECT_LE(names.size(), 1u);
        for (const std::string& n : names)
            EXPECT_FALSE(n.starts_with(".~qm")) << n;
        if (!c.ec && before != 0 && !fs::is_symlink(dir / c.target)) {
            EXPECT_NE(InodeOf(dir / c.target), before) << "replaced, not written over";
        }
    }
}

TEST(WriteFileAtomically, ReadOnlyFileIsRefusedUnlessTheCallerOwnsIt) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
    TempEnv env;
    const fs::path doc = env.Root() / "doc.qmx";
    WriteRaw(doc, "old");
    fs::permissions(doc, fs::perms(0444));
    EXPECT_EQ(WriteFileAtomically(doc.string(), BytesOf("new")), Errno(EACCES));
    EXPECT_EQ(ReadAll(doc), "old");
    AtomicWriteOptions owned;
    owned.mode = 0600;
    owned.refuseReadOnly = false;
    EXPECT_EQ(WriteFileAtomically(doc.string(), BytesOf("new"), owned), std::error_code());
    EXPECT_EQ(ReadAll(doc), "new");
    EXPECT_EQ(ModeOf(doc), 0600u);
}

TEST(WriteFileAtomically, FailedWriteLeavesTheTargetAndNoTemporary) {
    TempEnv env;
    const fs::path dir = env.Root();
    const fs::path doc = dir / "doc.qmx";
    WriteRaw(doc, "old contents");
    const ino_t inode = InodeOf(doc);
    // The file size limit makes the write fail midway, as a full disk would.
    const int status = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        const Bytes big(10000, 'x');
        return WriteFileAtomically(doc.string(), big) == Errno(EFBIG) ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadAll(doc), "old contents");
    EXPECT_EQ(InodeOf(doc), inode);
    EXPECT_EQ(NamesIn(dir), (std::vector<std::string>{"doc.qmx"}));
}

TEST(WriteFileAtomically, RefusesWhatIsNotARegularFileWithoutOpeningIt) {
    TempEnv env;
    const fs::path dir = env.Root() / "work";
    fs::create_directory(dir);
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_symlink("pipe", dir / "pipe-link");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = (dir / "socket").string();
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    sockPath.copy(addr.sun_path, sockPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    fs::create_symlink("loop-b", dir / "loop-a");
    fs::create_symlink("loop-a", dir / "loop-b");
    std::vector<std::pair<std::string, std::error_code>> cases = {
        {"pipe", Errno(ENXIO)},
        {"pipe-link", Errno(ENXIO)},
        {"socket", Errno(ENXIO)},
        {"loop-a", Errno(ELOOP)},
    };
    // The null device's number, in a node of the test's own; root in a container may not make one.
    if (::mknod((dir / "device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        cases.emplace_back("device", Errno(ENXIO));
    const std::vector<std::string> names = NamesIn(dir);

    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        // A pipe with no reader would hold up an open for writing for ever.
        const int status = RunInChild([&] {
            return WriteFileAtomically((dir / name).string(), BytesOf("data")) == expected ? 0 : 1;
        });
        EXPECT_EQ(status, 0) << (status == -1 ? "blocked" : "wrong result");
    }
    EXPECT_EQ(NamesIn(dir), names);
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    EXPECT_TRUE(fs::is_socket(dir / "socket"));
    EXPECT_TRUE(fs::is_symlink(dir / "pipe-link"));
    EXPECT_TRUE(fs::is_symlink(dir / "loop-a"));
    EXPECT_TRUE(fs::is_symlink(dir / "loop-b"));
    ::close(sock);
}

TEST(WriteFileAtomically, HardLinkedFileIsWrittenInPlaceForEveryLink) {
    TempEnv env;
    const fs::path doc = env.Root() / "doc.qmx";
    WriteRaw(doc, "old and longer contents");
    fs::create_hard_link(doc, env.Root() / "other.qmx");
    const ino_t inode = InodeOf(doc);
    ASSERT_EQ(WriteFileAtomically(doc.string(), BytesOf("new")), std::error_code());
    EXPECT_EQ(ReadAll(doc), "new");
    EXPECT_EQ(ReadAll(env.Root() / "other.qmx"), "new");
    EXPECT_EQ(InodeOf(doc), inode);
    EXPECT_EQ(fs::hard_link_count(doc), 2u);
    EXPECT_EQ(NamesIn(env.Root()), (std::vector<std::string>{"doc.qmx", "other.qmx"}));
}

TEST(WriteFileAtomically, ReplacedFileKeepsItsOwnerAndGroup) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    TempEnv env;
    const fs::path doc = env.Root() / "doc.qmx";
    WriteRaw(doc, "old");
    ASSERT_EQ(::chown(doc.c_str(), 12345, 23456), 0);
    ASSERT_EQ(::chmod(doc.c_str(), 02750), 0);
    AtomicWriteOptions batch;
    batch.sync = false;
    batch.manyFiles = true;
    for (const AtomicWriteOptions& options : {AtomicWriteOptions{}, batch}) {
        const ino_t inode = InodeOf(doc);
        ASSERT_EQ(WriteFileAtomically(doc.string(), BytesOf("new"), options), std::error_code());
        struct stat st {};
        ASSERT_EQ(::stat(doc.c_str(), &st), 0);
        EXPECT_NE(st.st_ino, inode) << "replaced, not written over";
        EXPECT_EQ(st.st_uid, 12345u);
        EXPECT_EQ(st.st_gid, 23456u);
        EXPECT_EQ(st.st_mode & 07777, 02750u);
        EXPECT_EQ(ReadAll(doc), "new");
        EXPECT_EQ(NamesIn(env.Root()), std::vector<std::string>{"doc.qmx"});
    }
}

TEST(WriteFileAtomically, WritableFileInAFolderTheUserCannotWriteIsWrittenInPlace) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
    TempEnv env;
    const fs::path dir = env.Root() / "shared";
    fs::create_directory(dir);
    WriteRaw(dir / "doc.qmx", "old and longer contents");
    WriteRaw(dir / "locked.qmx", "locked");
    fs::permissions(dir / "locked.qmx", fs::perms(0444));
    fs::permissions(dir, fs::perms(0555));
    const ino_t inode = InodeOf(dir / "doc.qmx");

    EXPECT_EQ(WriteFileAtomically((dir / "doc.qmx").string(), BytesOf("new")), std::error_code());
    EXPECT_EQ(ReadAll(dir / "doc.qmx"), "new");
    EXPECT_EQ(InodeOf(dir / "doc.qmx"), inode);
    // Neither a new file nor one the user may not write can be saved there.
    EXPECT_EQ(WriteFileAtomically((dir / "new.qmx").string(), BytesOf("new")), Errno(EACCES));
    EXPECT_EQ(WriteFileAtomically((dir / "locked.qmx").string(), BytesOf("new")), Errno(EACCES));
    EXPECT_EQ(ReadAll(dir / "locked.qmx"), "locked");
    EXPECT_EQ(NamesIn(dir), (std::vector<std::string>{"doc.qmx", "locked.qmx"}));
}

// Sets a file's (or a link's own) modification time `age` into the past.
void Age(const fs::path& path, std::chrono::seconds age) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const timespec times[2] = {now, {now.tv_sec - static_cast<time_t>(age.count()), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

TEST(WriteFileAtomically, RemovesOnlyItsOwnStaleTemporaryFiles) {
    TempEnv env;
    const fs::path dir = env.Root() / "work";
    fs::create_directory(dir);
    const auto old = std::chrono::seconds(120);
    const auto file = [&](const std::string& name, std::chrono::seconds age) {
        WriteRaw(dir / name, "partial save");
        Age(dir / name, age);
    };
    file(".~qm0123456789.tmp", old);                     // stale: goes
    file(".~qmabcdefghij.tmp", old);                     // stale: goes
    file(".~qmklmnopqrst.tmp", std::chrono::seconds(5)); // a save still running
    file(".~qmABCDEFGHIJ.tmp", old);                     // not a name the writer makes
    file(".~qmabcdefghi.tmp", old);                      // one letter short
    file(".~qmabcdefghijk.tmp", old);                    // one letter long
    file(".~qmabcdefghij.tmp.bak", old);
    file("x.~qmabcdefghij.tmp", old);
    file(".Quillmark.conf.tmpabcdefghij", old); // not a name the program makes
    file("notes.txt", old);
    WriteRaw(env.Root() / "elsewhere.txt", "kept");
    fs::create_symlink(env.Root() / "elsewhere.txt", dir / ".~qmlinklinkl.tmp");
    Age(dir / ".~qmlinklinkl.tmp", old);
    fs::create_directory(dir / ".~qmfolderfol.tmp");
    Age(dir / ".~qmfolderfol.tmp", old);
    std::vector<std::string> kept = {".~qmklmnopqrst.tmp",
                                     ".~qmABCDEFGHIJ.tmp",
                                     ".~qmabcdefghi.tmp",
                                     ".~qmabcdefghijk.tmp",
                                     ".~qmabcdefghij.tmp.bak",
                                     "x.~qmabcdefghij.tmp",
                                     ".Quillmark.conf.tmpabcdefghij",
                                     "notes.txt",
                                     ".~qmlinklinkl.tmp",
                                     ".~qmfolderfol.tmp"};
    if (geteuid() == 0) {
        file(".~qmsomeoneel.tmp", old); // another user's
        ASSERT_EQ(::lchown((dir / ".~qmsomeoneel.tmp").c_str(), 12345, 12345), 0);
        kept.push_back(".~qmsomeoneel.tmp");
    }

    ASSERT_EQ(WriteFileAtomically((dir / "doc.qmx").string(), BytesOf("saved")), std::error_code());
    kept.push_back("doc.qmx");
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(NamesIn(dir), kept);
    EXPECT_EQ(ReadAll(env.Root() / "elsewhere.txt"), "kept");
    EXPECT_EQ(ReadAll(dir / "notes.txt"), "partial save");
}

// From here on, in this process, every call that flushes to disk fails with EIO, as on a disk
// that can no longer write. Only for a child: the filter cannot be taken off again.
bool FailDiskFlushes() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fsync, 4, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fdatasync, 3, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_syncfs, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_sync, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EIO & SECCOMP_RET_DATA)),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

TEST(WriteFileAtomically, UnsyncedWritesLeaveTheFlushToSyncFolder) {
    TempEnv env;
    const fs::path dir = env.Root();
    const fs::path doc = dir / "doc.qmx";
    WriteRaw(doc, "old");
    const int status = RunInChild([&] {
        if (!FailDiskFlushes()) return 2;
        // A save that must reach the disk fails whole; one that need not succeeds.
        if (WriteFileAtomically(doc.string(), BytesOf("synced")) != Errno(EIO)) return 3;
        if (ReadAll(doc) != "old") return 4;
        AtomicWriteOptions batch;
        batch.sync = false;
        // A file whose data must reach the disk before it takes its name is not named at all.
        AtomicWriteOptions data = batch;
        data.syncData = true;
        if (WriteFileAtomically(doc.string(), BytesOf("data"), data) != Errno(EIO)) return 8;
        if (WriteFileAtomically((dir / "lost.qmx").string(), BytesOf("data"), data) != Errno(EIO))
            return 9;
        if (ReadAll(doc) != "old") return 10;
        if (WriteFileAtomically(doc.string(), BytesOf("batch"), batch)) return 5;
        if (WriteFileAtomically((dir / "new.qmx").string(), BytesOf("batch"), batch)) return 6;
        // The folder's flush at the end reports the disk's failure.
        return SyncFolder(dir.string()) == Errno(EIO) ? 0 : 7;
    });
    if (status == 2) GTEST_SKIP() << "no system call filter here";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadAll(doc), "batch");
    EXPECT_EQ(ReadAll(dir / "new.qmx"), "batch");
    EXPECT_EQ(NamesIn(dir), (std::vector<std::string>{"doc.qmx", "new.qmx"}));

    EXPECT_EQ(SyncFolder(dir.string()), std::error_code());
    EXPECT_EQ(SyncFolder((dir / "gone").string()), Errno(ENOENT));
    EXPECT_EQ(SyncFolder(doc.string()), Errno(ENOTDIR));
}

TEST(QueuedFileWriter, WritesEveryFileAndNothingQueuedAfterAFailure) {
    TempEnv env;
    const fs::path dir = env.Root();
    AtomicWriteOptions batch;
    batch.sync = false;
    batch.manyFiles = true;
    {
        // Room for little more than one file at a time: the caller waits, nothing is lost.
        CQueuedFileWriter files(2, 64);
        for (int i = 0; i < 200; ++i) {
            files.SetTag("line " + std::to_string(i));
            ASSERT_EQ(files.Write((dir / (std::to_string(i) + ".png")).string(),
                                  BytesOf(std::string(40, 'a' + i % 26)), batch),
                      std::error_code());
        }
        EXPECT_FALSE(files.Finish());
    }
    EXPECT_EQ(NamesIn(dir).size(), 200u);
    EXPECT_EQ(ReadAll(dir / "137.png"), std::string(40, 'a' + 137 % 26));

    // One thread writes in order: the file after the failing one is never written, and every
    // later Write says what failed.
    const fs::path failing = dir / "gone" / "2.png";
    CQueuedFileWriter files(1);
    files.SetTag("line 1");
    EXPECT_EQ(files.Write((dir / "ok.png").string(), BytesOf("1"), batch), std::error_code());
    files.SetTag("line 2");
    (void)files.Write(failing.string(), BytesOf("2"), batch);
    files.SetTag("line 3");
    (void)files.Write((dir / "after.png").string(), BytesOf("3"), batch);
    const auto failed = files.Finish();
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->tag, "line 2");
    EXPECT_EQ(failed->path, failing.string());
    EXPECT_EQ(failed->error, Errno(ENOENT));
    EXPECT_EQ(files.Write((dir / "later.png").string(), BytesOf("4"), batch), Errno(ENOENT));
    EXPECT_EQ(ReadAll(dir / "ok.png"), "1");
    EXPECT_FALSE(fs::exists(dir / "after.png"));
    EXPECT_FALSE(fs::exists(dir / "later.png"));
}

TEST(UniqueFd, ClosesOnceAndMovesOwnership) {
    int raw = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(raw, 0);
    {
        UniqueFd a(raw);
        UniqueFd b(std::move(a));
        EXPECT_FALSE(a.Valid());
        EXPECT_EQ(b.Get(), raw);
        UniqueFd c;
        c = std::move(b);
        EXPECT_EQ(c.Get(), raw);
        EXPECT_EQ(c.Close(), std::error_code());
        EXPECT_FALSE(c.Valid());
        EXPECT_EQ(::fcntl(raw, F_GETFD), -1);
        raw = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        c.Reset(raw);
    }
    EXPECT_EQ(::fcntl(raw, F_GETFD), -1) << "closed when it went out of scope";
}

} // namespace
