#include "common/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// Closes on every path out of a function; the success path closes explicitly to see the error.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::error_code WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        if (n == 0) return std::make_error_code(std::errc::io_error);
        done += static_cast<std::size_t>(n);
    }
    return {};
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Follows a chain of symbolic links to the file they name, so that replacing the file keeps
// the links. A dangling link names the file to create.
std::string ResolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
    }
    return path;
}

std::error_code WriteInPlace(const std::string& path, std::span<const std::uint8_t> bytes) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.Get() < 0) return LastError();
    if (auto ec = WriteAll(fd.Get(), bytes)) return ec;
    if (::close(fd.Release()) != 0) return LastError();
    return {};
}

// A fresh name in the target's folder, created exclusively. The mode goes through the umask
// like any newly created file.
int CreateTemporary(const std::string& folder, std::string& name) {
    static constexpr std::string_view kChars = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 rng(seed());
    std::uniform_int_distribution<std::size_t> pick(0, kChars.size() - 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/.~qm";
        for (int i = 0; i < 10; ++i)
            name.push_back(kChars[pick(rng)]);
        name += ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

std::error_code WriteFileAtomically(const std::string& requested,
                                    std::span<const std::uint8_t> bytes) {
    if (requested.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
    const std::string path = ResolveLinks(requested);

    struct stat existing;
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) return std::make_error_code(std::errc::is_a_directory);
        if (!S_ISREG(existing.st_mode)) return WriteInPlace(path, bytes);
        // Renaming would replace a file the user may not write to; refuse as writing would.
        if (::access(path.c_str(), W_OK) != 0) return LastError();
    } else if (!path.empty() && path.back() == '/') {
        return std::make_error_code(std::errc::is_a_directory);
    }

    const std::string folder = FolderOf(path);
    std::string temporary;
    Fd fd(CreateTemporary(folder, temporary));
    if (fd.Get() < 0) return LastError();

    auto fail = [&](std::error_code ec) {
        ::close(fd.Release());
        ::unlink(temporary.c_str());
        return ec;
    };
    // A replaced file keeps its permissions.
    if (exists && ::fchmod(fd.Get(), existing.st_mode & 07777) != 0) return fail(LastError());
    if (auto ec = WriteAll(fd.Get(), bytes)) return fail(ec);
    if (::fsync(fd.Get()) != 0) return fail(LastError());
    if (::close(fd.Release()) != 0) {
        const std::error_code ec = LastError();
        ::unlink(temporary.c_str());
        return ec;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::error_code ec = LastError();
        ::unlink(temporary.c_str());
        return ec;
    }
    // The rename itself reaches the disk with the folder; a failure here loses nothing that
    // the caller could act on.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) ::fsync(dir.Get());
    return {};
}
