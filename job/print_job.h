#pragma once
// A print job as both front ends make it: the symbol, how it is shown, the label sheet and how
// it is used, the run, and what to leave out; where the run starts on the sheet; what would not
// print as given; and the labels one after another as printing draws them. No Qt: the print
// dialog and its preview, the view's printing and the command line's print forms all build
// their jobs here.

#include "common/label_run_choice.h"
#include "common/message.h"
#include "engine/barcode.h"
#include "job/label_run.h"
#include "job/print_layout.h"
#include "render/label_drawing.h"

#include <memory>
#include <optional>
#include <string>

struct CPrintJob {
    const CBarcode* barcode = nullptr;
    CSymbolView view;
    std::string title; // what the print queue calls the job (UTF-8): the document's name
    // The label sheet and how it is used, and the run.
    CPrintSettings settings;
    CLabelRunChoice run;
    bool skipProblems = false;    // labels that would not print as given are left out
    bool outlines = false;        // the sheet's outlines and label centres, no symbols
    std::optional<CPoint> offset; // in place of the printer's own, thousandths of a centimetre
    // The run's data file, read once (ReadJobData) for the check and the printing alike; null:
    // each reads the file itself.
    std::shared_ptr<const CDataText> runData;
    // The lines of each label beside the symbol, and where a run takes its data from.
    CLabelDesign design;
    // The settings are those of a roll or tape label's own page already (RollJob).
    bool rollPages = false;
};

// Reads the data file of the job's run, when it is from a file, into the job, so that checking
// and printing read the same text and a pipe is read once; empty, or why it cannot be read.
CMessage ReadJobData(CPrintJob& job);

// The job for `barcode` with the label sheet and the run of the "Print" settings.
CPrintJob StoredPrintJob(const CBarcode* barcode, const CSymbolView& view);
// The job with the sheet and run a print dialog shows: `sheet` (none for plain paper), one
// label of it or all of them, and the run.
CPrintJob JobWithChoice(CPrintJob job, const CLabelRunChoice& run,
                        const std::optional<CLabelGeometry>& sheet, bool singleLabel);

// How the job's run lies on its paper: the labels of a sheet and the first one printed; why not
// when the start is not on the sheet.
CMessage JobSheet(const CPrintJob& job, CRunSheet& sheet);

// What each label of the job is checked against: the label's size, measured by `measure`.
CRunCheck JobCheck(const CPrintJob& job, CSymbolMeasure measure);
// What the job's run holds and what would not print as given: the whole run, or its first
// labels (`whole` false).
CRunReport CheckPrintJob(const CPrintJob& job, const CSymbolMeasure& measure, bool whole);

// The page each label of a roll or tape job prints on (none for sheets and plain paper):
// continuous tape of no set length is as long as the document's symbol, measured by `measure`,
// and a margin at each end.
std::optional<CRollPage> JobRollPage(const CPrintJob& job, const CSymbolMeasure& measure);
// A roll or tape job as its pages are printed: each label of `page`'s size alone in the middle
// of a page of `paper`'s; where every page is the same (the same symbol on each label) and the
// printer makes copies itself (`printerCopies`), one page, which the printer is asked for
// `copies` times.
struct CRollJob {
    CPrintJob job;
    std::int64_t copies = 1;
};
CRollJob RollJob(const CPrintJob& job, const CRollPage& page, const CRollPage& paper,
                 bool printerCopies);

// The job's labels in printing order, each what the label holds: the document's symbol, or a
// working copy given the label's data; labels the job leaves out are passed over.
class CJobLabels {
public:
    CJobLabels(const CPrintJob& job, CSymbolMeasure measure);
    // Why the run cannot be made or read on; empty while it can.
    const CMessage& Error() const;
    // Where on the first sheet the run starts (an index, 0 top left).
    std::int64_t FirstIndex() const { return m_sheet.start; }
    // The next label; none at the end of the run or when it cannot be read on.
    const CLabelContent* Next();

private:
    const CPrintJob& m_job;
    CRunCheck m_check;
    CRunSheet m_sheet;
    CMessage m_error;
    COpenedRun m_run;
    std::unique_ptr<CBarcode> m_working;
    CRunEntry m_entry;
    std::int64_t m_place = 0;
    CLabelContent m_content;
};
