#include "shell/file_errors.h"

#include "output/export.h"

#include <cerrno>

QString FileErrorMessage(int err, const QString& path) {
    const char* text = nullptr;
    switch (err) {
    case 0:
        return QStringLiteral("No error occurred.");
    case ENOENT:
        text = "%1 was not found.";
        break;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
    case EILSEQ:
        text = "%1 contains an invalid path.";
        break;
    case EMFILE:
    case ENFILE:
        text = "%1 could not be opened because there are too many open files.";
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        text = "Access to %1 was denied.";
        break;
    case EBADF:
        text = "An invalid file handle was associated with %1.";
        break;
    case ESPIPE:
        text = "Seek failed on %1";
        break;
    case EIO:
        text = "A hardware I/O error was reported while accessing %1.";
        break;
    case ETXTBSY:
    case EBUSY:
        text = "A sharing violation occurred while accessing %1.";
        break;
    case ENOLCK:
    case EDEADLK:
        text = "A locking violation occurred while accessing %1.";
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        text = "Disk full while accessing %1.";
        break;
    default:
        text = "An unknown error occurred while accessing %1.";
        break;
    }
    return QString::fromLatin1(text).arg(path);
}

QString ExportErrorMessage(std::error_code ec, const QString& path) {
    if (ec == ExportError::MetafileNotWritten)
        return QStringLiteral("Unable to create Windows Metafile.");
    return FileErrorMessage(ec.category() == std::generic_category() ? ec.value() : -1, path);
}
