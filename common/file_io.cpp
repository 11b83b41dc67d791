#include "common/file_io.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

int ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    if (path.empty()) return ENOENT;
    Fd f{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (f.fd < 0) return errno;
    struct stat st {};
    if (::fstat(f.fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return EACCES;
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::uint8_t buf[65536];
    for (;;) {
        const ssize_t n = ::read(f.fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), buf, buf + n);
    }
    return 0;
}
