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

// Every temporary file the program writes beside a target is named this prefix, ten random
// lowercase letters or digits, and this suffix, so that one a killed writer left behind is known
// for what it is wherever it lies.
inline constexpr std::string_view kTemporaryPrefix = ".~qm";
inline constexpr std::string_view kTemporarySuffix = ".tmp";

// Whether a file's name is one of the program's temporary names.
bool IsTemporaryName(std::string_view name);

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
    // With sync off: the file's data reaches the disk before the file takes its name, and the
    // caller makes the name durable with SyncFolder once for every file written into a folder.
    bool syncData = false;
    // With sync off: many files are written one after another. An existing file is then exchanged
    // for the new one instead of renamed over, which does not make the file system start writing
    // the new data at once, file by file (a rename over a file does).
    bool manyFiles = false;
    // An existing file the user may not write is refused as opening it for writing would be;
    // false replaces it all the same where its folder allows (a file the program owns, whatever
    // mode it was left with).
    bool refuseReadOnly = true;
};

// A new file is written unnamed in the target's folder and linked to its name when whole.
// Otherwise the bytes go to a temporary file beside the target, created exclusively, which is
// flushed to disk and then renamed over the target; on any failure the temporary file is removed
// and the target is untouched. A replaced file keeps its permissions (unless options.mode says
// otherwise) and its owner and group as far as the process may set them.
//
// Errors carry errno's cause in the generic category (ENOENT for a missing folder, EACCES,
// ENOSPC, ...), so the caller can word the message. A folder gives EISDIR, a link chain that
// loops or has more than 40 links ELOOP, and anything else that is neither a regular file nor a new
// name (a pipe, a socket, a device, or a link chain ending in one) ENXIO, without being opened.
//
// Two kinds of file are written in place instead, truncated to the new length, and so not
// atomically: one with other hard links, so that every link sees the new contents, and one in a
// folder where no temporary file may be created (EACCES) although the file itself may be written.
//
// Before it writes into a folder the writer removes what saves killed midway left there:
// files of the temporary naming that are regular, the user's own, and untouched for over a
// minute. A folder is searched at most once a minute.
std::error_code WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                                    const AtomicWriteOptions& options = {});

// A new, empty file of the temporary naming in `folder`, created exclusively with `mode` (through
// the umask), for a writer that fills a file by its name (the printer's PDF, a database) and then
// renames it over its target; `name` is its path. The folder's stale temporary files are removed
// first, as WriteFileAtomically does.
std::error_code CreateTemporaryFile(const std::string& folder, mode_t mode, std::string& name);

// Makes the folder's entries durable: the names that files written with options.syncData took in
// it. Only this folder is synced, never the rest of its file system, so other programs' unwritten
// data is not waited for.
std::error_code SyncFolder(const std::string& folder);
