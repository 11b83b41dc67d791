#include "common/file_errors.h"

#include <cerrno>

namespace {

// The message for errno's cause, with %1 where the path goes.
Msg Cause(int err) {
    switch (err) {
    case ENOENT:
        return Msg::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        return Msg::FileInvalidPath;
    case EMFILE:
    case ENFILE:
        return Msg::FileTooManyOpen;
    case EACCES:
    case EPERM:
    case EROFS:
        return Msg::FileAccessDenied;
    case EISDIR:
        return Msg::FileIsFolder;
    case ELOOP:
        return Msg::FileTooManyLinks;
    case EBADF:
        return Msg::FileBadHandle;
    case ESPIPE:
        return Msg::FileSeekFailed;
    case EIO:
        return Msg::FileHardwareError;
    case ETXTBSY:
    case EBUSY:
        return Msg::FileSharingViolation;
    case ENOLCK:
    case EDEADLK:
        return Msg::FileLockingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Msg::FileDiskFull;
    case ENXIO:
        return Msg::FileNotRegular;
    default:
        return Msg::FileUnknownError;
    }
}

} // namespace

CMessage FileError(std::error_code ec, std::string_view path) {
    if (!ec) return MakeMessage(Msg::FileNoError);
    return MakeMessage(Cause(ec.category() == std::generic_category() ? ec.value() : -1), path);
}

std::string FileErrorMessage(std::error_code ec, std::string_view path) {
    return MessageText(FileError(ec, path));
}
