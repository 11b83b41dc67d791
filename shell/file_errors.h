#pragma once
// The messages for files that cannot be opened, created or written, by the system's cause.

#include <QString>

#include "common/file_errors.h"

// One of the file error texts with `path` in place of %1 (see common/file_errors.h); errno 0 is
// "No error occurred.".
QString FileErrorMessage(int err, const QString& path);
