#pragma once
// The messages for files that cannot be opened, created or written, by the system's cause
// (common/file_errors.h), with the path as the window shows it.

#include <QString>

#include <system_error>

struct CExportResult;

// The file error text for `ec` with `path` in place of %1; a cause that is not the file
// system's reads as an unknown error.
QString FileErrorMessage(std::error_code ec, const QString& path);

// The message for a failed export (output/export.h): what went wrong in the program's words,
// with the image's size where one was planned, or the file error text.
QString ExportErrorMessage(const CExportResult& result, const QString& path);
