#include "common/file_errors.h"

#include <cerrno>
#include <system_error>

#include <gtest/gtest.h>

namespace {

TEST(FileErrors, EachCauseHasItsMessage) {
    const struct {
        std::error_code ec;
        const char* text;
    } cases[] = {
        {{}, "No error occurred."},
        {{0, std::generic_category()}, "No error occurred."},
        {{ENOENT, std::generic_category()}, "/x.qmx was not found."},
        {{ENOTDIR, std::generic_category()}, "/x.qmx contains an invalid path."},
        {{ENAMETOOLONG, std::generic_category()}, "/x.qmx contains an invalid path."},
        {{EMFILE, std::generic_category()},
         "/x.qmx could not be opened because there are too many open files."},
        {{EACCES, std::generic_category()}, "Access to /x.qmx was denied."},
        {{EROFS, std::generic_category()}, "Access to /x.qmx was denied."},
        {{EISDIR, std::generic_category()}, "/x.qmx is a folder."},
        {{ELOOP, std::generic_category()},
         "/x.qmx cannot be reached: too many levels of symbolic links."},
        {{ESPIPE, std::generic_category()}, "Seek failed on /x.qmx"},
        {{ENOSPC, std::generic_category()}, "Disk full while accessing /x.qmx."},
        {{EFBIG, std::generic_category()}, "Disk full while accessing /x.qmx."},
        {{ENXIO, std::generic_category()}, "/x.qmx is not a regular file."},
        {{EIO, std::generic_category()},
         "A hardware I/O error was reported while accessing /x.qmx."},
        {{EXDEV, std::generic_category()}, "An unknown error occurred while accessing /x.qmx."},
        {{-1, std::generic_category()}, "An unknown error occurred while accessing /x.qmx."},
        // The same number in another category is not errno's cause.
        {{ENOENT, std::system_category()}, "An unknown error occurred while accessing /x.qmx."},
        {{ENOENT, std::iostream_category()}, "An unknown error occurred while accessing /x.qmx."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileErrorMessage(c.ec, "/x.qmx"), c.text)
            << c.ec.category().name() << " " << c.ec.value();
}

TEST(FileErrors, PathIsPutInAsItIs) {
    const std::error_code missing(ENOENT, std::generic_category());
    EXPECT_EQ(FileErrorMessage(missing, "/tmp/%1 100% caf\xC3\xA9.qmx"),
              "/tmp/%1 100% caf\xC3\xA9.qmx was not found.");
    EXPECT_EQ(FileErrorMessage(missing, ""), " was not found.");
}

} // namespace
