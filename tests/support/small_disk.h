#pragma once
// A small file system of a test's own (a tmpfs mounted on a folder of the test's), so that a test
// can fill a disk. Mounting needs root: elsewhere Mounted() is false and Why() says so, for the
// test to skip with.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& at, int kilobytes) : m_at(at) {
        std::filesystem::create_directories(at);
        if (::geteuid() != 0) {
            m_why = "mounting a small file system to fill needs root";
            return;
        }
        const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0777";
        if (::mount("tmpfs", at.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            m_why = std::string("no tmpfs could be mounted: ") + std::strerror(errno);
            return;
        }
        m_mounted = true;
    }
    ~SmallDisk() {
        if (m_mounted) ::umount2(m_at.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Why() const { return m_why; }
    const std::filesystem::path& Root() const { return m_at; }

    // Fills the disk, then frees `leftBytes` of it again (in whole pages, as tmpfs counts).
    void Fill(std::size_t leftBytes = 0) {
        const std::string filler = (m_at / "filler").string();
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return;
        static const char block[4096] = {};
        off_t written = 0;
        for (ssize_t n; (n = ::write(fd, block, sizeof block)) > 0;)
            written += n;
        const off_t left = static_cast<off_t>((leftBytes + 4095) / 4096 * 4096);
        const int cut = ::ftruncate(fd, written > left ? written - left : 0);
        ::close(fd);
        (void)cut; // a filler not cut leaves the disk full, which the test's checks show
    }
    // Frees what Fill took.
    void Empty() { ::unlink((m_at / "filler").c_str()); }

private:
    std::filesystem::path m_at;
    bool m_mounted = false;
    std::string m_why;
};
