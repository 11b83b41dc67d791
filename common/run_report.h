#pragma once
// The one way a run's problems are told: each listed label with its data and why, how many more
// there are, and what became of them. The command line prints these lines; the print dialog
// lists the same lines in its question.

#include "common/label_run_choice.h"
#include "common/message.h"

// 'line 3 "be-2": why', or 'line 3: why' for a label without data, with "(3 labels)" when it
// concerns more than one label (a row's copies, the same symbol on every label).
CMessage ProblemLine(const CRunProblem& problem);
// Where a problem lies: "line 7", or "line 7 (3 labels)".
CMessage ProblemPlace(const CRunProblem& problem);

// What a run does with labels that would not print as given.
enum class RunOutcome {
    Printed,    // printed as the symbology makes them
    NotPrinted, // --strict: nothing printed
    Made,       // files made as the symbology makes them
    NotMade,    // --strict: no file written
};

// Every listed problem's line, "... and N more" when more were found than listed, and the
// count of them with what became of them; nothing when the run has no problems.
CMessages RunProblemReport(const CRunReport& report, RunOutcome outcome);
