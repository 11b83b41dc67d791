#pragma once
// The messages for files that cannot be opened, created or written, by the system's cause.

#include <QString>

// One of the file error texts with `path` in place of %1; errno 0 is "No error occurred.".
QString FileErrorMessage(int err, const QString& path);
