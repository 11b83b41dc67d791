#include "common/file_errors.h"

#include <cerrno>

namespace {

// The text for errno's cause, with %1 where the path goes.
std::string_view Template(int err) {
    switch (err) {
    case ENOENT:
        return "%1 was not found.";
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
    case EILSEQ:
        return "%1 contains an invalid path.";
    case EMFILE:
    case ENFILE:
        return "%1 could not be opened because there are too many open files.";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return "Access to %1 was denied.";
    case EBADF:
        return "An invalid file handle was associated with %1.";
    case ESPIPE:
        return "Seek failed on %1";
    case EIO:
        return "A hardware I/O error was reported while accessing %1.";
    case ETXTBSY:
    case EBUSY:
        return "A sharing violation occurred while accessing %1.";
    case ENOLCK:
    case EDEADLK:
        return "A locking violation occurred while accessing %1.";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "Disk full while accessing %1.";
    case ENXIO:
        return "%1 is not a regular file.";
    default:
        return "An unknown error occurred while accessing %1.";
    }
}

} // namespace

std::string FileErrorMessage(std::error_code ec, std::string_view path) {
    if (!ec) return "No error occurred.";
    const std::string_view text =
        Template(ec.category() == std::generic_category() ? ec.value() : -1);
    const std::size_t at = text.find("%1");
    std::string message(text.substr(0, at));
    message += path;
    message += text.substr(at + 2);
    return message;
}
