#pragma once
// What the user is told when an export fails. No Qt: the command line and the window say the
// same, each in its own words for the message.

#include "common/message.h"
#include "render/export_files.h"

#include <string>

// What went wrong, with the image's size where one was planned, or the file error; `shownPath`
// (UTF-8) names the file.
CMessage ExportFailure(const CExportResult& result, const std::string& shownPath);
// The same in English.
std::string ExportErrorText(const CExportResult& result, const std::string& shownPath);
