#pragma once
// The command-line forms the window program runs for scripts and ends: no window is made and
// every message goes to standard error as one line.

#include "cli/command_line.h"
#include "labels/label_database.h"

#include <optional>

// Sends every message box of the program to standard error ("quillmark: <text>"), answering
// each as cancelled.
void SendMessagesToStandardError();

// The label product --label names, by its ID or MAKER:NUMBER; none, after a message, when the
// label database cannot be read or has no such product.
std::optional<LabelRecord> ReadLabelProduct(const CRunOptions& options);

// The export form, vector pictures included; returns the exit status.
int RunCommandLineExport(const CCommandLineInfo& info);

// quillmark --list-labels [TEXT]: the label products matching TEXT on standard output; status 1
// when none does or the label database cannot be read.
int RunListLabels(const CCommandLineInfo& info);
