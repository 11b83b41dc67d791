#pragma once
// What the user is told when an export fails, in the program's words. No Qt: the command line
// and the window say the same.

#include "render/export_files.h"

#include <string>

// What went wrong, with the image's size where one was planned, or the file error text;
// `shownPath` (UTF-8) names the file.
std::string ExportErrorText(const CExportResult& result, const std::string& shownPath);
