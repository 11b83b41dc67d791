#pragma once
// Writes a whole file so that the target is either replaced completely or left as it was.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include <sys/types.h>

#include "common/file_io.h"

// The writer's temporary files are named this prefix, ten random lowercase letters or digits, and
// this suffix, unless the caller names them otherwise.
inline constexpr std::string_view kTemporaryPrefix = ".~qm";
inline constexpr std::string_view kTemporarySuffix = ".tmp";

struct AtomicWriteOptions {
    // The written file's permissions, exactly (the umask does not apply). Without them a new file
    // gets 0666 through the umask and a replaced file keeps its own.
    std::optional<mode_t> mode;
    // A symbolic link at the path is followed to the end of its chain and that file replaced, so
    // the links stay; false replaces the link itself with the new file.
    bool followSymlinks = true;
    // The file, and then its folder's record of the rename, reach the disk before the call
    // returns. A batch may leave that out and call SyncFolder once at its end.
    bool sync = true;
    // With sync off: many files follow before the caller's SyncFolder. An existing file is then
    // exchanged for the new one instead of renamed over, which leaves the new data to be
    // written by that one sync rather than at once, file by file.
    bool manyFiles = false;
    // An existing file the user may not write is refused as opening it for writing would be;
    // false replaces it all the same where its folder allows (a file the program owns, whatever
    // mode it was left with).
    bool refuseReadOnly = true;
    // The temporary file beside the target is named prefix, ten random letters or digits, suffix.
    std::string_view temporaryPrefix = kTemporaryPrefix;
    std::string_view temporarySuffix = kTemporarySuffix;
};

// A new file is written unnamed in the target's folder and linked to its name when whole.
// Otherwise the bytes go to a temporary file beside the target, created exclusively, which is
// flushed to disk and then renamed over the target; on any failure the temporary file is removed
// and the target is untouched. A replaced file keeps its permissions (unless options.mode says
// otherwise) and its owner and group as far as the process may set them.
//
// Errors carry errno's cause in the generic category (ENOENT for a missing folder, EACCES,
// ENOSPC, ...), so the caller can word the message. A folder gives EISDIR, a link chain that
// loops ELOOP, and anything else that is neither a regular file nor a new name (a pipe, a socket,
// a device, or a link chain ending in one) ENXIO, without being opened.
//
// Two kinds of file are written in place instead, truncated to the new length, and so not
// atomically: one with other hard links, so that every link sees the new contents, and one in a
// folder where no temporary file may be created (EACCES) although the file itself may be written.
//
// Before it writes into a folder the writer removes what saves killed midway left there:
// files of the default temporary naming that are regular, the user's own, and untouched for
// over a minute. A folder is searched at most once a minute.
std::error_code WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                                    const AtomicWriteOptions& options = {});

// Makes everything written so far on the folder's file system durable: the data of files written
// with options.sync off and the folder entries of their renames. For a batch of files that syncs
// once at its end instead of once per file.
std::error_code SyncFolder(const std::string& folder);
