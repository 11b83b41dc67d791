#include "common/written_pdf.h"

#include "common/file_io.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The trailer's last lines, "startxref", the offset and "%%EOF", lie within this many bytes of
// the end, trailing blanks included.
constexpr off_t kTailBytes = 1024;

std::error_code Short() {
    return std::make_error_code(std::errc::no_space_on_device);
}

// Reads exactly `size` bytes at `offset`; false when the file has fewer there.
bool ReadAt(int fd, off_t offset, std::string& out, std::size_t size, std::error_code& ec) {
    out.assign(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n =
            ::pread(fd, out.data() + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ec = LastError();
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The offset the trailer names, or -1 when the tail holds no whole trailer.
off_t TrailerOffset(std::string_view tail) {
    const std::size_t end = tail.find_last_not_of(" \t\r\n\f");
    if (end == std::string_view::npos) return -1;
    tail = tail.substr(0, end + 1);
    constexpr std::string_view kEof = "%%EOF", kStart = "startxref";
    if (!tail.ends_with(kEof)) return -1;
    const std::size_t start = tail.rfind(kStart);
    if (start == std::string_view::npos) return -1;
    std::string_view number = tail.substr(start + kStart.size());
    number.remove_suffix(kEof.size());
    const std::size_t first = number.find_first_not_of(" \t\r\n");
    const std::size_t last = number.find_last_not_of(" \t\r\n");
    if (first == std::string_view::npos) return -1;
    number = number.substr(first, last - first + 1);
    std::int64_t offset = -1;
    const auto [p, ec] = std::from_chars(number.data(), number.data() + number.size(), offset);
    if (ec != std::errc() || p != number.data() + number.size()) return -1;
    return static_cast<off_t>(offset);
}

} // namespace

std::error_code CheckWrittenPdf(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid()) return LastError();
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return LastError();
    if (!S_ISREG(st.st_mode)) return std::make_error_code(std::errc::no_such_device_or_address);
    const off_t tailStart = st.st_size > kTailBytes ? st.st_size - kTailBytes : 0;
    std::string tail, table;
    std::error_code ec;
    if (!ReadAt(fd.Get(), tailStart, tail, static_cast<std::size_t>(st.st_size - tailStart), ec))
        return ec ? ec : Short();
    // The offset is counted by the writer as it went: a write it lost moves the table away from
    // it, so the table must be found where the trailer says.
    const off_t offset = TrailerOffset(tail);
    if (offset < 0 || offset >= st.st_size || !ReadAt(fd.Get(), offset, table, 4, ec))
        return ec ? ec : Short();
    if (table != "xref") return Short();
    // A file system that writes later (a network one, a full disk's delayed allocation) tells
    // its failure here.
    if (::fsync(fd.Get()) != 0) return LastError();
    return fd.Close();
}
