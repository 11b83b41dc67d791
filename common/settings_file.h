#pragma once
// The settings store's file: reading it with a stamp that tells later reads whether it changed,
// and changing it under the writers' lock by replacing it whole.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <sys/stat.h>

namespace settings {

// What identifies one version of the file: a replace makes a new inode, an edit in place changes
// size or times.
struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtim{};
    timespec ctim{};

    bool operator==(const Stamp& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtim.tv_sec == o.mtim.tv_sec &&
               mtim.tv_nsec == o.mtim.tv_nsec && ctim.tv_sec == o.ctim.tv_sec &&
               ctim.tv_nsec == o.ctim.tv_nsec;
    }
};

Stamp StampOf(const struct stat& st);

enum class LoadResult { Ok, Missing, Failed };

struct Loaded {
    std::vector<std::uint8_t> data;
    Stamp stamp;
    // The file had been quiet long enough before the read for its stamp to tell any later change
    // apart; until then a reader must not trust a parse kept from it.
    bool settled = false;

    std::string_view Text() const {
        return {reinterpret_cast<const char*>(data.data()), data.size()};
    }
};

// Anything but a regular file of reasonable size is Failed; a file that is not there is Missing.
LoadResult LoadFile(const std::string& path, Loaded& out);

// Calls edit with the file's current text (empty when there is none) while holding the writers'
// lock, and replaces the file with the text it returns; std::nullopt means nothing changed.
// Returns why the store does not hold the edit (errno's cause, ENOLCK when another writer held
// the lock too long), nothing when it does. Creates the folders down to the file (0700).
std::error_code ModifyFile(const std::string& path,
                           const std::function<std::optional<std::string>(std::string_view)>& edit);

} // namespace settings
