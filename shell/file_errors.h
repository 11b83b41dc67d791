#pragma once
// The messages for files that cannot be opened, created or written, by the system's cause.

#include <QString>

// One of the file error texts with `path` in place of %1; errno 0 is "No error occurred.".
QString FileErrorMessage(int err, const QString& path);

#include <system_error>

// The message for a failed export (output/export.h): the metafile's own text, a file-system
// cause by its text, and anything the encoders refused as an unknown error.
QString ExportErrorMessage(std::error_code ec, const QString& path);
