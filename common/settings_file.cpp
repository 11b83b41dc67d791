#include "common/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "common/atomic_file.h"

namespace settings {

namespace {

// A settings file is a few kilobytes; anything far larger is not ours and is not worth the memory.
constexpr std::size_t kMaxFileSize = 16u << 20;

// File timestamps come from a clock that only advances once per kernel tick, so a change made
// within the same tick as the one we last saw can leave size, times and inode all unchanged. A
// parse is trusted only once the file's ctime lies this far behind the moment we started reading
// it; until then every read goes back to the file.
constexpr std::chrono::nanoseconds kSettleTime = std::chrono::milliseconds(100);

// How long a writer waits for another writer before giving up and reporting failure.
constexpr std::chrono::seconds kLockTimeout = std::chrono::seconds(10);

std::chrono::nanoseconds ToDuration(const timespec& ts) {
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates each missing directory down to dir; whether that worked is up to the caller's open().
void MakeDirs(const std::string& dir) {
    for (std::size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1))
        ::mkdir(dir.substr(0, slash).c_str(), 0700);
    ::mkdir(dir.c_str(), 0700);
}

// Polls rather than blocks so that a writer stuck while holding the lock cannot freeze the program.
bool LockExclusive(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + kLockTimeout;
    auto delay = std::chrono::microseconds(100);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(delay);
        delay = std::min(delay * 2, std::chrono::microseconds(10000));
    }
}

// Only called with the lock held: every writer removes its own temporary file before it lets go,
// so any left in the store's folder, which holds no other file the program writes, belongs to a
// writer that died. They go at once rather than after the minute the atomic writer waits.
void RemoveStaleTemps(int dirFd) {
    const int scanFd = ::dup(dirFd);
    if (scanFd < 0) return;
    DIR* dir = ::fdopendir(scanFd);
    if (!dir) {
        ::close(scanFd);
        return;
    }
    ::rewinddir(dir);
    std::vector<std::string> stale;
    while (const dirent* e = ::readdir(dir)) {
        if (IsTemporaryName(e->d_name)) stale.emplace_back(e->d_name);
    }
    ::closedir(dir);
    for (const std::string& name : stale)
        ::unlinkat(dirFd, name.c_str(), 0);
}

// Writes content beside target and renames it into place, so a reader or a crash sees either the
// old file or the new one, never a mixture.
std::error_code ReplaceFile(const std::string& target, std::string_view content) {
    UniqueFd dirFd(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.Valid()) return LastError();
    RemoveStaleTemps(dirFd.Get());
    // The store is the user's own business: private whatever mode it was left with.
    AtomicWriteOptions options;
    options.mode = 0600;
    options.refuseReadOnly = false;
    return WriteFileAtomically(target, AsBytes(content), options);
}

} // namespace

Stamp StampOf(const struct stat& st) {
    return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// O_NONBLOCK keeps a FIFO or device in the file's place from stalling us before fstat rejects it.
LoadResult LoadFile(const std::string& path, Loaded& out) {
    timespec started{};
    clock_gettime(CLOCK_REALTIME, &started);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid()) return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    struct stat before {};
    if (::fstat(fd.Get(), &before) != 0 || !S_ISREG(before.st_mode)) return LoadResult::Failed;
    if (before.st_size < 0 || static_cast<std::size_t>(before.st_size) > kMaxFileSize)
        return LoadResult::Failed;

    out.data.reserve(static_cast<std::size_t>(before.st_size));
    if (ReadToEnd(fd.Get(), out.data, kMaxFileSize)) return LoadResult::Failed;

    struct stat after {};
    if (::fstat(fd.Get(), &after) != 0) return LoadResult::Failed;
    out.stamp = StampOf(before);
    out.settled = StampOf(after) == out.stamp &&
                  ToDuration(before.st_ctim) + kSettleTime < ToDuration(started);
    return LoadResult::Ok;
}

// The lock is a separate file beside the store: the store itself is replaced by rename on every
// write so its inode cannot carry a lock, and a lock on a directory cannot be taken over NFS,
// where flock needs a file open for writing.
std::error_code
ModifyFile(const std::string& path,
           const std::function<std::optional<std::string>(std::string_view)>& edit) {
    if (path.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
    const std::string dir = FolderOf(path);
    MakeDirs(dir);
    UniqueFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.Valid()) return LastError();
    std::string lockName = ".";
    lockName += BaseName(path);
    lockName += ".lock";
    UniqueFd lockFd(
        ::openat(dirFd.Get(), lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lockFd.Valid()) return LastError();
    if (!LockExclusive(lockFd.Get())) return std::make_error_code(std::errc::no_lock_available);

    // A store that is a link (a dotfile manager's, say) stays a link: the write goes to its target.
    std::string target = path;
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved) return LastError();
        target = resolved;
        std::free(resolved);
    }

    // Whatever we cannot read we must not overwrite, or its contents would be lost.
    Loaded current;
    if (LoadFile(target, current) == LoadResult::Failed)
        return std::make_error_code(std::errc::permission_denied);
    const std::optional<std::string> changed = edit(current.Text());
    if (!changed) return {};
    return ReplaceFile(target, *changed);
}

} // namespace settings
