#pragma once
// The program's file toolkit: an owned descriptor, whole reads and writes, and every failure as
// errno's cause in the generic category (ENOENT, EACCES, EISDIR, ENOSPC, ...), so a caller can
// word it (see common/file_errors.h). The atomic writer lives in common/atomic_file.h.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

// Owns one open descriptor and closes it on every path out of a scope. The success path calls
// Close() instead, because a failing close (a network file system reports write errors there)
// must be heard.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor held, ignoring the outcome, and takes `fd` instead.
    void Reset(int fd = -1);
    // Closes the descriptor held and reports how that went.
    std::error_code Close();

private:
    int m_fd = -1;
};

// errno as it stands, in the generic category.
std::error_code LastError();

// The bytes of a string, for the writers.
inline std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Writes every byte, going on after short writes and interruptions.
std::error_code WriteAll(int fd, std::span<const std::uint8_t> bytes);

inline constexpr std::size_t kNoSizeLimit = std::numeric_limits<std::size_t>::max();

// Replaces `bytes` with everything from the descriptor's position to its end; EFBIG as soon as
// that would pass maxBytes.
std::error_code ReadToEnd(int fd, std::vector<std::uint8_t>& bytes,
                          std::size_t maxBytes = kNoSizeLimit);

// The whole file into `bytes`. Refuses anything but a regular file (EISDIR for a folder, EACCES
// for a device or pipe) without blocking on it, and a file larger than maxBytes (EFBIG) before
// reading any of it. A file too large for the memory gives ENOMEM. On failure `bytes` is left
// as it was.
std::error_code ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                              std::size_t maxBytes = kNoSizeLimit);

// The folder a path names its file in: "." for a bare name, "/" for a name in the root.
std::string FolderOf(const std::string& path);
