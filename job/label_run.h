#pragma once
// The labels of a print run, made one at a time: the same symbol on each, numbered labels, or
// one label per row of a text or CSV file; where on the sheet the run starts; and what the
// symbology and the label would make of each one before anything prints. No Qt: the window
// and the command line print the same runs.
//
// Nothing holds a run's labels at once: a numbered run makes each number as it is reached,
// and a file's rows are read as they are reached (its text is held, not its rows, and of each
// row only the fields the run uses), so a run of a million labels needs no more memory than one
// of ten.

#include "common/geometry.h"
#include "common/label_geometry.h"
#include "common/label_run_choice.h"
#include "engine/barcode.h"
#include "job/data_file.h"
#include "job/label_design.h"
#include "job/label_fields.h"
#include "render/mono_surface.h"

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
    std::string data;      // as the symbol takes it: Latin-1, or UTF-8 where `utf8`
    std::string outside;   // characters outside Latin-1 left out of Latin-1 `data` (UTF-8)
    // The row's fields that a label design names, with the name it gives each (UTF-8); a
    // column the file does not have is missing here.
    std::vector<std::pair<std::string, std::string>> fields;
    std::string number; // a numbered run's number as formatted (UTF-8)
    bool utf8 = false;  // `data` is UTF-8: the symbology holds any text (CBarcode::HoldsUtf8)

    std::string DataAsUtf8() const;

    // "line 7" or "label 12", for messages.
    CMessage Where() const;
};

class CLabelRunSource {
public:
    virtual ~CLabelRunSource() = default;
    // The next label; false at the end of the run, or at a row that cannot be read (Error()
    // then says why).
    virtual bool Next(CRunEntry& entry) = 0;
    // The labels still to come, counted without making them; -1 when they cannot be counted
    // (a row that cannot be read, more than kMaxRunLabels in all). Ends the run.
    virtual std::int64_t CountRest() = 0;
    const CMessage& Error() const { return m_error; }

protected:
    CMessage m_error;
};

// The data file of a run from a file, read once (at most kMaxRunFileBytes of it) for every pass
// over the run: the check and the printing or the files work from the same text, so a pipe or
// standard input ("-") serves them all. Nothing for the other kinds of run.
CReadDataFile ReadRunData(const CLabelRunChoice& run);

// The run's labels, `sameData` on each for the same symbol, their text as the symbol holds it
// (UTF-8 where `utf8`, the symbology holding any text; else Latin-1); a run from a file works from
// `data` (ReadRunData's), or reads its file itself without it. Of a file's rows only the columns
// the run uses are built: the data column and the copies column. With `whole` the run is to be gone
// through to its end, and one whose labels add up past kMaxRunLabels is refused at once, with
// their total. None, with the reason, when the run cannot be made (a file that cannot be read,
// numbers that make no run, more than kMaxRunLabels labels known at once).
struct COpenedRun {
    std::unique_ptr<CLabelRunSource> source;
    CMessage error;
};
// What a label design asks of a run: the columns its fields name (besides a label's own fields)
// and where each label's data comes from.
struct CRunFields {
    std::vector<std::string> columns; // as the fields write them: "sku", "2"
    std::string dataTemplate;         // UTF-8 with fields; empty: the run's own data
};
// The fields a design's lines and data template name that are columns of a data file.
CRunFields RunFieldsOf(const std::vector<std::string>& texts, const std::string& dataTemplate);
// Those of a design (none for none).
CRunFields RunFieldsOf(const CLabelDesign* design);

COpenedRun OpenRun(const CLabelRunChoice& run, const CRunSheet& sheet, bool utf8,
                   const std::string& sameData, std::shared_ptr<const CDataText> data = nullptr,
                   bool whole = true, const CRunFields& fields = {});

// What a label of the run fills its fields with: its data, its place in the run (from 1), its
// number and its row's fields.
CFieldValues FieldValuesOf(const CRunEntry& entry, std::int64_t place);

// The symbol's width and height in mils, as printing draws it.
using CSymbolMeasure = std::function<CSize(const CBarcode&)>;

// The one-bit surface labels are laid out on where a run is checked: 1000 dpi, a logical unit a
// mil, with the fonts found once for the process.
class CLabelMeasuringSurface {
public:
    CLabelMeasuringSurface();
    CMonoSurface& Surface() { return m_surface; }

private:
    MonoImage m_scratch;
    CMonoSurface m_surface;
};

// What each label is checked against.
struct CRunCheck {
    const CBarcode* prototype = nullptr; // the document's symbol, which each label's data replaces
    CSize label;                         // the label in mils; 0 × 0 on plain paper
    CSymbolMeasure measure;              // none: sizes are not checked
    // The label in thousandths of a centimetre, to say its size as its read-out does; 0 × 0:
    // said from `label`.
    CSize labelSize = {};
    // The lines of the labels beside the symbol (none: the symbol alone) and how the symbol is
    // shown: lines that do not fit the label, and fields the run cannot fill, are problems.
    const CLabelDesign* design = nullptr;
    CSymbolView view = {};
};

// What would keep one label from printing as given (`why` empty when nothing would), and of
// that whether its symbol is larger than the label. `working` (a copy of the prototype) is given
// the label's data; the document's own symbol is only measured.
struct CEntryProblem {
    CMessages why;
    CMessage tooLarge;
    bool drawsNothing = false; // the symbology cannot encode the label's data at all
};
CEntryProblem EntryProblem(CBarcode& working, const CRunEntry& entry, const CRunCheck& check,
                           std::int64_t place = 0);
// The label one entry of a run makes with the design: the symbol (the document's own, or
// `working` given the entry's data), the design's lines with their fields filled in, and the
// label's size; the fields that name no column of the row are added to `unknown`.
CLabelContent EntryLabel(const CBarcode& document, CBarcode& working, const CRunEntry& entry,
                         const CLabelDesign* design, const CSymbolView& view, CSize label,
                         std::int64_t place, std::vector<std::string>* unknown = nullptr);

// A label's problem as a run's report lists it: its data and the reasons escaped and cut short
// (common/message.h ShownText), so that a row of control bytes or of megabytes reaches neither a
// terminal nor a dialog as it is.
CRunProblem ListedProblem(std::int64_t ordinal, const CRunEntry& entry, const CMessages& why);

// Looks through the run: the whole of it, or only its first kPreviewLabels labels (`whole`
// false), for the dialog's preview, which still counts them all; a run from a file from `data`
// when given (see OpenRun).
CRunReport CheckRun(const CLabelRunChoice& run, const CRunSheet& sheet, const CRunCheck& check,
                    bool whole, std::shared_ptr<const CDataText> data = nullptr);
