#pragma once
// What the on-disk caches of the raster path check themselves by: a 64-bit digest of bytes and
// a file's identity (size and modification time), so that a cache answer is used only while
// what it was learned from stays as it was.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>

// FNV-1a, 64 bits: a digest for change detection, not for security.
struct CDigest {
    std::uint64_t value = 14695981039346656037ull;
    void Add(std::string_view bytes) {
        for (unsigned char c : bytes) {
            value ^= c;
            value *= 1099511628211ull;
        }
    }
};

// Sixteen lowercase hexadecimal digits.
inline std::string Hex(std::uint64_t v) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, v >>= 4)
        s[static_cast<std::size_t>(i)] = kDigits[v & 15];
    return s;
}

// A file's identity for change detection: its size and modification time, or that it is missing.
struct CFileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    bool folder = false;
    friend bool operator==(const CFileStamp&, const CFileStamp&) = default;
};

// The stamp of `name` in the folder open as `folder` (AT_FDCWD: the working folder), links
// followed.
inline CFileStamp StampAt(int folder, const char* name) {
    struct stat st {};
    if (fstatat(folder, name, &st, 0) != 0) return {};
    return {true, static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec),
            static_cast<std::int64_t>(st.st_mtim.tv_nsec), S_ISDIR(st.st_mode)};
}

inline CFileStamp StampOf(const std::filesystem::path& path) {
    return StampAt(AT_FDCWD, path.c_str());
}
