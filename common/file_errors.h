#pragma once
// The messages for files that cannot be opened, created or written, by the system's cause.

#include "common/message.h"

#include <string>
#include <string_view>
#include <system_error>

// The file error of `ec` naming `path`. A cause is read from errno's values in the generic
// category; no error gives "No error occurred.", and a cause of any other category (an encoder's
// refusal, say) the unknown error.
CMessage FileError(std::error_code ec, std::string_view path);
// The same in English.
std::string FileErrorMessage(std::error_code ec, std::string_view path);
