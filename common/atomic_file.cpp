#include "common/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <ctime>
#include <map>
#include <mutex>
#include <random>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kTemporaryChars = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kTemporaryRandomLength = 10;

// A writer that is still alive touches its temporary file while it writes and renames or removes
// it right after, so one untouched for this long belongs to a save that was killed.
constexpr std::chrono::seconds kStaleAge(60);

// Whether the folder has gone unsearched for stale files long enough to search it again; a batch
// writing thousands of files into one folder must not read the whole folder for each of them.
bool DueForSearch(const std::string& folder) {
    static std::mutex mutex;
    // Never destroyed, so a save from a thread still running at exit finds it intact.
    static auto* searched =
        new std::unordered_map<std::string, std::chrono::steady_clock::time_point>();
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex);
    const auto it = searched->find(folder);
    if (it != searched->end() && now - it->second < kStaleAge) return false;
    if (searched->size() >= 256) searched->clear();
    (*searched)[folder] = now;
    return true;
}

// Removes the temporary files that killed saves left in the folder. Anything that is not exactly
// such a file (another name, a link, a folder, another user's file, a recent one) stays.
void RemoveStaleTemporaries(const std::string& folder) {
    if (!DueForSearch(folder)) return;
    UniqueFd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.Valid()) return;
    const int scanFd = ::dup(dirFd.Get());
    if (scanFd < 0) return;
    DIR* dir = ::fdopendir(scanFd);
    if (!dir) {
        ::close(scanFd);
        return;
    }
    std::vector<std::string> candidates;
    while (const dirent* e = ::readdir(dir))
        if (IsTemporaryName(e->d_name)) candidates.emplace_back(e->d_name);
    ::closedir(dir);

    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const uid_t me = ::geteuid();
    for (const std::string& name : candidates) {
        struct stat st;
        if (::fstatat(dirFd.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == me &&
            st.st_mtim.tv_sec < now.tv_sec - kStaleAge.count())
            ::unlinkat(dirFd.Get(), name.c_str(), 0);
    }
}

// The most links a chain may have before it counts as a loop, as the system's own path lookup
// has it.
constexpr int kMaxLinkHops = 40;

// Follows a chain of symbolic links to the file they name, so that replacing the file keeps
// the links. A dangling link names the file to create. A chain longer than the system follows
// is refused with ELOOP, as opening it would be, rather than having its last link replaced.
std::error_code ResolveLinks(std::string& path) {
    for (int hops = 0;; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
        if (hops == kMaxLinkHops)
            return std::make_error_code(std::errc::too_many_symbolic_link_levels);
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return {};
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
    }
}

// Makes a written file's contents durable before it takes its name, as the options ask: the whole
// file with its folder to follow (sync), or its data alone, the folder left to SyncFolder.
std::error_code SyncBeforeNaming(int fd, const AtomicWriteOptions& options) {
    if (options.sync) return ::fsync(fd) == 0 ? std::error_code() : LastError();
    if (options.syncData) return ::fdatasync(fd) == 0 ? std::error_code() : LastError();
    return {};
}

// Writes over the file itself, for a file that cannot or must not be replaced: one with other
// hard links, which all keep seeing it, or one in a folder the user may not write into. Not
// atomic: a failure midway leaves a mixture, which is why replacing comes first wherever it can.
std::error_code WriteInPlace(const std::string& path, std::span<const std::uint8_t> bytes,
                             const AtomicWriteOptions& options) {
    // Whatever took the file's place since it was looked at is neither waited on nor written.
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK |
                                         (options.followSymlinks ? 0 : O_NOFOLLOW)));
    if (!fd.Valid()) return LastError();
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) return LastError();
    if (!S_ISREG(st.st_mode)) return std::make_error_code(std::errc::no_such_device_or_address);
    // Written over and then cut to length, so a write that fails at once leaves the old file.
    if (auto ec = WriteAll(fd.Get(), bytes)) return ec;
    if (::ftruncate(fd.Get(), static_cast<off_t>(bytes.size())) != 0) return LastError();
    // Another user's file, writable to us, keeps the mode its owner gave it.
    if (options.mode && (st.st_mode & 07777) != *options.mode &&
        ::fchmod(fd.Get(), *options.mode) != 0 && errno != EPERM)
        return LastError();
    if (auto ec = SyncBeforeNaming(fd.Get(), options)) return ec;
    return fd.Close();
}

// Gives the new file the replaced one's owner and group as far as the process may: root sets
// both, an owner may still set a group of their own. What cannot be set stays the user's, as on
// any new file.
std::error_code KeepOwner(int fd, const struct stat& existing) {
    if (::fchown(fd, existing.st_uid, existing.st_gid) == 0) return {};
    if (errno != EPERM) return LastError();
    if (::fchown(fd, static_cast<uid_t>(-1), existing.st_gid) == 0 || errno == EPERM) return {};
    return LastError();
}

// A fresh temporary name in the target's folder: prefix, random letters or digits, suffix.
std::string TemporaryName(const std::string& folder) {
    // Seeded once, by the kernel's random source asked directly: std::random_device first probes
    // the processor's instructions, which in a virtual machine costs more than writing a small
    // file. Without an answer the clock and the process stand in.
    static thread_local std::mt19937 rng{[] {
        std::uint32_t seed = 0;
        if (::getrandom(&seed, sizeof seed, GRND_NONBLOCK) != sizeof seed)
            seed = static_cast<std::uint32_t>(
                std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid());
        return seed;
    }()};
    std::uniform_int_distribution<std::size_t> pick(0, kTemporaryChars.size() - 1);
    std::string name = folder;
    name += '/';
    name += kTemporaryPrefix;
    for (int i = 0; i < kTemporaryRandomLength; ++i)
        name.push_back(kTemporaryChars[pick(rng)]);
    name += kTemporarySuffix;
    return name;
}

// A fresh name in the target's folder, created exclusively with `mode` (through the umask).
UniqueFd CreateTemporary(const std::string& folder, mode_t mode, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporaryName(folder);
        UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.Valid() || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return UniqueFd();
}

// Whether the process, as the file's owner, may write it by its mode.
bool OwnWritable(const struct stat& st) {
    return st.st_uid == ::geteuid() && (st.st_mode & S_IWUSR) != 0;
}

// Whether a file created with `mode` (`fd`, just created) came out with exactly that mode,
// which depends only on the umask (the program never changes it): learned from the first file
// created with a mode, then remembered, so that a batch asks once rather than once a file.
bool CreatedExactly(int fd, mode_t mode) {
    static std::mutex mutex;
    // Never destroyed, so a save from a thread still running at exit finds it intact.
    static auto* known = new std::map<mode_t, bool>();
    {
        std::lock_guard lock(mutex);
        if (const auto it = known->find(mode); it != known->end()) return it->second;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    const bool exact = (st.st_mode & 07777) == mode;
    std::lock_guard lock(mutex);
    known->emplace(mode, exact);
    return exact;
}

// Gives the new file that replaces `existing` (null for none) its owner and group, then the
// mode: a change of owner clears the set-user and set-group bits, and the umask may have taken
// bits from the mode the file was created with. A file that is already the process's own, with
// the mode its creation gave exactly, needs neither call.
std::error_code TakeOwnerAndMode(int fd, const struct stat* existing, bool setMode,
                                 mode_t finalMode) {
    const bool otherOwner =
        existing && (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid());
    if (otherOwner)
        if (auto ec = KeepOwner(fd, *existing)) return ec;
    if (setMode && (otherOwner || !CreatedExactly(fd, finalMode)) && ::fchmod(fd, finalMode) != 0)
        return LastError();
    return {};
}

// A new file written without a name and given its name only when whole: a crash or a kill
// midway leaves nothing behind, and the folder gains one entry instead of a temporary one and
// a rename. Nothing when the file system cannot (no unnamed files, no /proc, or a file took the
// name meanwhile): the caller then writes through a temporary name.
std::optional<std::error_code> WriteUnnamedThenLink(const std::string& folder,
                                                    const std::string& path,
                                                    std::span<const std::uint8_t> bytes,
                                                    const AtomicWriteOptions& options, bool setMode,
                                                    mode_t finalMode) {
    UniqueFd fd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, finalMode & 0777));
    if (!fd.Valid()) return std::nullopt;
    if (auto ec = TakeOwnerAndMode(fd.Get(), nullptr, setMode, finalMode)) return ec;
    if (auto ec = WriteAll(fd.Get(), bytes)) return ec;
    if (auto ec = SyncBeforeNaming(fd.Get(), options)) return ec;
    const std::string self = "/proc/self/fd/" + std::to_string(fd.Get());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        if (errno == EEXIST || errno == ENOENT) return std::nullopt;
        return LastError();
    }
    if (auto ec = fd.Close()) return ec;
    if (options.sync) {
        UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.Valid()) ::fsync(dir.Get());
    }
    return std::error_code{};
}

// Replaces an existing file without syncing: the new file is written unnamed, linked under a
// temporary name and exchanged with the old one, whose inode then goes with the temporary name.
// Unlike a rename over the old file, the exchange does not make the file system write the new
// file's data at once, so a batch leaves all of it to its one sync at the end. A kill leaves the
// target old or new, never partial; at worst the old file stays behind under a temporary name,
// which a later write removes as stale. Nothing when the file system cannot exchange names.
std::optional<std::error_code>
WriteUnnamedThenExchange(const std::string& folder, const std::string& path,
                         std::span<const std::uint8_t> bytes, const struct stat& existing,
                         const AtomicWriteOptions& options, mode_t finalMode) {
    UniqueFd fd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, finalMode & 0777));
    if (!fd.Valid()) return std::nullopt;
    if (auto ec = TakeOwnerAndMode(fd.Get(), &existing, true, finalMode)) return ec;
    if (auto ec = WriteAll(fd.Get(), bytes)) return ec;
    if (auto ec = SyncBeforeNaming(fd.Get(), options)) return ec;
    const std::string self = "/proc/self/fd/" + std::to_string(fd.Get());
    std::string temporary;
    for (int attempt = 0; attempt < 100 && temporary.empty(); ++attempt) {
        std::string name = TemporaryName(folder);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            temporary = std::move(name);
        else if (errno != EEXIST)
            return std::nullopt;
    }
    if (temporary.empty()) return std::nullopt;
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) != 0) {
        ::unlink(temporary.c_str());
        // The file vanished meanwhile, or the file system has no exchange: the usual way.
        return std::nullopt;
    }
    // The old file, now under the temporary name.
    ::unlink(temporary.c_str());
    if (auto ec = fd.Close()) return ec;
    return std::error_code{};
}

} // namespace

bool IsTemporaryName(std::string_view name) {
    if (name.size() != kTemporaryPrefix.size() + kTemporaryRandomLength + kTemporarySuffix.size() ||
        !name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix))
        return false;
    const std::string_view random = name.substr(kTemporaryPrefix.size(), kTemporaryRandomLength);
    return random.find_first_not_of(kTemporaryChars) == std::string_view::npos;
}

std::error_code CreateTemporaryFile(const std::string& folder, mode_t mode, std::string& name) {
    RemoveStaleTemporaries(folder);
    UniqueFd fd = CreateTemporary(folder, mode, name);
    if (!fd.Valid()) return LastError();
    return fd.Close();
}

namespace {

// What lies at the path a file is written to.
struct WriteTarget {
    bool exists = false; // a file, not a link that the new file takes the place of
    struct stat existing {};
};

// Looks at what lies at `path`: an error when it cannot be written there; `inPlace` when the
// file is to be written in place (one of several names of a file).
std::error_code LookAtTarget(const std::string& path, const AtomicWriteOptions& options,
                             WriteTarget& target, bool& inPlace) {
    inPlace = false;
    // Without following, a link at the path is no file of ours: the new file takes its place.
    struct stat& existing = target.existing;
    const int found =
        options.followSymlinks ? ::stat(path.c_str(), &existing) : ::lstat(path.c_str(), &existing);
    // A link chain that loops, or a path through a file, names nothing that could be written.
    if (found != 0 && errno != ENOENT) return LastError();
    target.exists = found == 0 && !S_ISLNK(existing.st_mode);
    if (!target.exists)
        return !path.empty() && path.back() == '/' ? std::make_error_code(std::errc::is_a_directory)
                                                   : std::error_code();
    if (S_ISDIR(existing.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    // A pipe, socket or device cannot be replaced, and opening one to write in it can wait for
    // ever for a reader or reach hardware: it is refused, never opened.
    if (!S_ISREG(existing.st_mode))
        return std::make_error_code(std::errc::no_such_device_or_address);
    // Renaming would replace a file the user may not write to; refuse as writing would.
    if (options.refuseReadOnly && !OwnWritable(existing) && ::access(path.c_str(), W_OK) != 0)
        return LastError();
    inPlace = existing.st_nlink > 1;
    return {};
}

// Writes the bytes into a named temporary file beside `path`, which then takes its name.
std::error_code WriteThroughTemporary(const std::string& folder, const std::string& path,
                                      std::span<const std::uint8_t> bytes,
                                      const AtomicWriteOptions& options, const WriteTarget& target,
                                      bool setMode, mode_t finalMode) {
    std::string temporary;
    UniqueFd fd = CreateTemporary(folder, finalMode & 0777, temporary);
    if (!fd.Valid()) {
        // A folder the user may not write into can still hold a file they may write.
        if (errno == EACCES && target.exists) return WriteInPlace(path, bytes, options);
        return LastError();
    }
    auto fail = [&](std::error_code ec) {
        fd.Reset();
        ::unlink(temporary.c_str());
        return ec;
    };
    if (auto ec = TakeOwnerAndMode(fd.Get(), target.exists ? &target.existing : nullptr, setMode,
                                   finalMode))
        return fail(ec);
    if (auto ec = WriteAll(fd.Get(), bytes)) return fail(ec);
    if (auto ec = SyncBeforeNaming(fd.Get(), options)) return fail(ec);
    if (auto ec = fd.Close()) return fail(ec);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(LastError());
    // The rename itself reaches the disk with the folder; a failure here loses nothing that the
    // caller could act on.
    if (options.sync) {
        UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.Valid()) ::fsync(dir.Get());
    }
    return {};
}

} // namespace

std::error_code WriteFileAtomically(const std::string& requested,
                                    std::span<const std::uint8_t> bytes,
                                    const AtomicWriteOptions& options) {
    if (requested.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
    std::string path = requested;
    if (options.followSymlinks)
        if (const std::error_code ec = ResolveLinks(path)) return ec;
    WriteTarget target;
    bool inPlace = false;
    if (const std::error_code ec = LookAtTarget(path, options, target, inPlace)) return ec;
    if (inPlace) return WriteInPlace(path, bytes, options);

    // The temporary file is created no more open than the file it becomes, so nobody can open it
    // in the moment before its permissions are set.
    const bool exists = target.exists;
    const bool setMode = options.mode || exists;
    const mode_t finalMode = options.mode ? *options.mode
                             : exists     ? target.existing.st_mode & 07777
                                          : 0666;
    const std::string folder = FolderOf(path);
    RemoveStaleTemporaries(folder);
    if (!exists)
        if (std::optional<std::error_code> done =
                WriteUnnamedThenLink(folder, path, bytes, options, setMode, finalMode))
            return *done;
    if (exists && !options.sync && options.manyFiles)
        if (std::optional<std::error_code> done =
                WriteUnnamedThenExchange(folder, path, bytes, target.existing, options, finalMode))
            return *done;
    return WriteThroughTemporary(folder, path, bytes, options, target, setMode, finalMode);
}

std::error_code SyncFolder(const std::string& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.Valid()) return LastError();
    if (::fsync(fd.Get()) != 0) return LastError();
    return fd.Close();
}
