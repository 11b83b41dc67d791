#pragma once
// The messages for files that cannot be opened, created or written, by the system's cause.

#include <string>
#include <string_view>
#include <system_error>

// One of the file error texts naming `path`. A cause is read from errno's values in the generic
// category; no error gives "No error occurred.", and a cause of any other category (an encoder's
// refusal, say) the unknown-error text.
std::string FileErrorMessage(std::error_code ec, std::string_view path);
