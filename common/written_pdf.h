#pragma once
// Whether a PDF file that its writer filled without telling of failed writes (Qt's printer
// drops them) is whole and on the disk, before it takes the place of an earlier file.

#include <string>
#include <system_error>

// Nothing when the file ends with a PDF trailer ("startxref", an offset, "%%EOF") whose offset
// points at the file's cross-reference table, and its bytes have reached the disk. Otherwise
// why not: ENOSPC for a file cut short or with bytes missing (what a full disk leaves of it), or
// errno's cause of opening, reading or syncing it.
std::error_code CheckWrittenPdf(const std::string& path);
