#pragma once
// The command-line forms that do their work and end, for scripts: no window is made and every
// message goes to standard error as one line.

#include "shell/command_line.h"

// Sends every message box of the program to standard error ("quillmark: <text>"), answering
// each as cancelled.
void SendMessagesToStandardError();

// The export form: writes the file and returns the exit status.
int RunCommandLineExport(const CCommandLineInfo& info);
