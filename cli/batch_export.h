#pragma once
// The export form over a run: one file per number of a numbered run or per row of a data file,
// all in one process. The file names come from the output's pattern: {n} is the label's place
// (a file's line, or the number's place in a numbered run) and {data} its data made safe for a
// file name. Every name is worked out, and every label checked, before the first file is
// written, so a run that cannot be made writes nothing.

#include "cli/command_line.h"
#include "cli/export_run.h"

#include <string>
#include <string_view>

// Whether the output names a file per label: it holds {n} or {data}.
bool IsBatchPattern(std::string_view output);

// What is wrong with the run options for the export form (empty when nothing): options that
// only mean something on a sheet, and a run whose files would all have one name.
std::string CheckBatchOptions(const CCommandLineInfo& info);

// A label's data (UTF-8) as a part of a file name: without "/", control characters or the
// characters other systems refuse in names, not hidden, and at most 100 characters.
std::string SafeFileNamePart(std::string_view data);

// The whole batch; returns the exit status. Problems with labels go to standard error with
// their lines; with --strict they are an error and nothing is written.
int RunBatchExport(const CCommandLineInfo& info, const CExportSymbol& prototype,
                   const std::string& output, const CSymbolWriter& write, int dpi);
