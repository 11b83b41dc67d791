#include "common/file_io.h"

#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void UniqueFd::Reset(int fd) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

std::error_code UniqueFd::Close() {
    if (m_fd < 0) return {};
    // Linux releases the descriptor even when close fails, so it is never closed twice.
    if (::close(Release()) != 0) return LastError();
    return {};
}

std::error_code LastError() {
    return {errno, std::generic_category()};
}

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

std::error_code ReadToEnd(int fd, std::vector<std::uint8_t>& bytes, std::size_t maxBytes) {
    bytes.clear();
    std::uint8_t buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        if (n == 0) return {};
        // bytes.size() never exceeds maxBytes, so the subtraction cannot wrap.
        if (static_cast<std::size_t>(n) > maxBytes - bytes.size())
            return std::make_error_code(std::errc::file_too_large);
        bytes.insert(bytes.end(), buf, buf + n);
    }
}

std::error_code ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                              std::size_t maxBytes) {
    if (path.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
    // O_NONBLOCK: a FIFO with no writer would otherwise hold up the open until one comes.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid()) return LastError();
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return LastError();
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if (!S_ISREG(st.st_mode)) return std::make_error_code(std::errc::permission_denied);
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        return std::make_error_code(std::errc::file_too_large);
    try {
        std::vector<std::uint8_t> read;
        read.reserve(static_cast<std::size_t>(st.st_size));
        // A file can grow while it is read, and some (those under /proc) report no size at all.
        if (auto ec = ReadToEnd(fd.Get(), read, maxBytes)) return ec;
        bytes = std::move(read);
        return {};
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}
