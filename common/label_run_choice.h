#pragma once
// A print run as the print dialog and the command line choose it: what goes on the labels (the
// same symbol on each, numbered labels, or one label per row of a file) and the label of the
// sheet it starts on; and what checking a run found. Plain data: the print dialog shows it, the
// command line parses it, job/label_run.h makes the labels of it. The dialog's last choice is
// kept in the "Print" settings, never in a document.

#include "common/message.h"
#include "common/settings_keys.h"

#include <cstdint>
#include <string>
#include <vector>

// No run prints more labels than this: 33,000 sheets of 30. A typing slip (a last number of
// 10,000,000 for 1,000) is refused instead of spooling for days.
inline constexpr std::int64_t kMaxRunLabels = 1'000'000;
static_assert(settings::kRunCount.max == kMaxRunLabels);

struct CLabelRunChoice {
    enum class Kind { Same = 0, Numbered = 1, FromFile = 2 };
    Kind kind = Kind::Same;

    // Same: the document's symbol on `count` sheets (countSheets) or labels.
    std::int64_t count = 1;
    bool countSheets = true;

    // Numbered: first to last (or `numbers` of them when that is given) by step, each number
    // with at least `digits` digits (zeros in front), between prefix and suffix. The numbers
    // are decimal texts as typed: article numbers of twelve digits do not fit 32 bits.
    std::string first = "1";
    std::string last = "1";
    std::string numbers; // a count of numbers instead of the last one; empty: by `last`
    std::string step = "1";
    int digits = 0;
    std::string prefix, suffix; // typed text: UTF-8, made Latin-1 on each label

    // From a file: `column` (a number from 1, or a name in the header line) of each row, the
    // row printed as often as its `copiesColumn` says (empty: once).
    enum class Separator { Found = 0, Comma, Semicolon, Tab, Line };
    std::string file; // the system's bytes
    std::string column = "1";
    bool header = false;
    std::string copiesColumn;
    Separator separator = Separator::Found; // Found: from the first line; Line: lines whole

    // The first label: `startRow` down and `startColumn` across, from 1 as a person counts
    // them; when `startNumber` is above 0, that label instead, counting across first from 1 at
    // the top left. The run goes on over as many sheets as it needs.
    int startRow = 1;
    int startColumn = 1;
    std::int64_t startNumber = 0;

    friend bool operator==(const CLabelRunChoice&, const CLabelRunChoice&) = default;
};

// The run kept in the "Print" settings (by row and column), each part with its row's default.
CLabelRunChoice ReadRunChoice();
// Writes every part; false when any could not be written (the others are written all the same).
// A start by number is written as its row and column on a sheet `across` labels wide.
bool WriteRunChoice(const CLabelRunChoice& run, int across);

// A label of a run that would not print as given.
struct CRunProblem {
    std::int64_t ordinal = 0; // the place in the run of its first label, from 0
    CMessage where;           // "line 7" of a file, "label 12" of a numbered run
    std::string data;         // as given (UTF-8)
    CMessages why;            // what the symbology or the label would make of it
    // The labels it concerns: a row's copies, or every label of the same symbol.
    std::int64_t labels = 1;
};

// One of the first labels of a run, for a preview: where it comes from and what it reads.
struct CRunPreviewLine {
    CMessage where;
    std::string reads; // UTF-8
};

// What looking through a run found.
struct CRunReport {
    CMessage error;          // the run cannot be printed, and why; empty when it can
    std::int64_t labels = 0; // the labels looked at (all of them for a whole check)
    // Every label the run prints, also when only its first were looked at; -1 when that is not
    // known: the run cannot be made, or a row past those looked at cannot be read.
    std::int64_t total = -1;
    std::vector<CRunPreviewLine> preview; // the first few labels
    std::vector<CRunProblem> problems;    // the first kMaxListedProblems of them, each once
    std::int64_t problemCount = 0;        // the labels they concern, listed or not
    // The first label's symbol is larger than the label (the sizes of both), empty when it fits
    // (or on plain paper).
    CMessage tooLarge;

    static constexpr std::size_t kMaxListedProblems = 200;
};
