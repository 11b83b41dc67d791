#pragma once
// The labels of a print run, made one at a time: the same symbol on each, numbered labels, or
// one label per row of a text or CSV file; where on the sheet the run starts; and what the
// symbology and the label would make of each one before anything prints. No Qt: the window
// and the command line print the same runs.
//
// Nothing holds a run's labels at once: a numbered run makes each number as it is reached,
// and a file's rows are read as they are reached (its bytes are held, not its rows), so a run
// of a million labels needs no more memory than one of ten.

#include "common/geometry.h"
#include "common/label_geometry.h"
#include "common/label_run_choice.h"
#include "engine/barcode.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// A data file larger than this is refused: a million rows of a hundred bytes fit in it.
inline constexpr std::int64_t kMaxRunFileBytes = std::int64_t{256} << 20;
// The numbers of a numbered run have at most this many digits, so that every step between
// them is exact in 64 bits.
inline constexpr int kMaxRunNumberDigits = 18;
// The labels the print dialog previews.
inline constexpr int kPreviewLabels = 5;

// A whole number as typed: an optional sign, then 1 to kMaxRunNumberDigits digits.
bool ParseRunNumber(std::string_view text, std::int64_t& out);
// `n` with at least `digits` digits (zeros after any minus sign), between prefix and suffix.
std::string FormatRunNumber(std::int64_t n, int digits, std::string_view prefix,
                            std::string_view suffix);

// The numbers of a numbered run: first, first + step, ... `count` of them.
struct CNumberPlan {
    std::int64_t first = 0, step = 1, count = 0;
};
// Empty when the run's numbers make a plan, else what is wrong with them ("the step is 0").
CMessage PlanNumbers(const CLabelRunChoice& run, CNumberPlan& plan);

// The label a run starts on as an index into the sheet (0 top left, counting across first).
// Empty when the start lies on the sheet, else why not.
CMessage StartIndex(const CLabelRunChoice& run, const CLabelGeometry& sheet, std::int64_t& index);

// How a run lies on the paper: the labels of one sheet and the index of the first one printed.
// A plain page is a sheet of one label.
struct CRunSheet {
    std::int64_t perSheet = 1;
    std::int64_t start = 0;
};

// One label of a run.
struct CRunEntry {
    std::int64_t source = 0; // the file's line, or the label's place in the run, from 1
    bool fromFile = false;
    bool document = false; // the document's own data: the symbol printed as it is
    std::string data;      // as the symbol takes it: Latin-1, or UTF-8 (CBarcode::HoldsUtf8)
    std::string outside;   // characters outside Latin-1 left out of Latin-1 `data` (UTF-8)

    // "line 7" or "label 12", for messages.
    CMessage Where() const;
};

class CLabelRunSource {
public:
    virtual ~CLabelRunSource() = default;
    // The next label; false at the end of the run, or at a row that cannot be read (Error()
    // then says why).
    virtual bool Next(CRunEntry& entry) = 0;
    const CMessage& Error() const { return m_error; }

protected:
    CMessage m_error;
};

// The run's labels, `sameData` on each for the same symbol, their text as the symbol holds it
// (UTF-8 where `utf8`, the symbology holding any text; else Latin-1). None, with the reason,
// when the run cannot be made (a file that cannot be read, numbers that make no run, more than
// kMaxRunLabels labels known at once).
struct COpenedRun {
    std::unique_ptr<CLabelRunSource> source;
    CMessage error;
};
COpenedRun OpenRun(const CLabelRunChoice& run, const CRunSheet& sheet, bool utf8,
                   const std::string& sameData);

// The symbol's width and height in mils, as printing draws it.
using CSymbolMeasure = std::function<CSize(const CBarcode&)>;

// What each label is checked against.
struct CRunCheck {
    const CBarcode* prototype = nullptr; // the document's symbol, which each label's data replaces
    CSize label;                         // the label in mils; 0 × 0 on plain paper
    CSymbolMeasure measure;              // none: sizes are not checked
};

// What would keep one label from printing as given (`why` empty when nothing would), and of
// that whether its symbol is larger than the label. `working` (a copy of the prototype) is given
// the label's data; the document's own symbol is only measured.
struct CEntryProblem {
    CMessages why;
    CMessage tooLarge;
};
CEntryProblem EntryProblem(CBarcode& working, const CRunEntry& entry, const CRunCheck& check);

// Looks through the run: the whole of it, or only its first kPreviewLabels labels (`whole`
// false), for the dialog's preview.
CRunReport CheckRun(const CLabelRunChoice& run, const CRunSheet& sheet, const CRunCheck& check,
                    bool whole);
