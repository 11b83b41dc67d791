#pragma once
// Writes a whole file so that the target is either replaced completely or left as it was.

#include <cstdint>
#include <span>
#include <string>
#include <system_error>

// The bytes go to a temporary file beside the target, which is flushed to disk and then renamed
// over the target; on any failure the temporary file is removed and the target is untouched.
// Errors carry errno's cause in the generic category (ENOENT for a missing folder, EACCES,
// ENOSPC, EISDIR when the target is a folder, ...), so the caller can word the message.
// A target that exists but is not a regular file (a device, a pipe) is written in place, since
// it cannot be replaced; a symbolic link is followed and its final file replaced.
std::error_code WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);
