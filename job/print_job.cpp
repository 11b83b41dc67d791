#include "job/print_job.h"

#include "common/units.h"
#include "job/document_edit.h"
#include "job/label_fields.h"

#include <algorithm>
#include <cmath>

CPrintJob StoredPrintJob(const CBarcode* barcode, const CSymbolView& view) {
    CPrintJob job;
    job.barcode = barcode;
    job.view = view;
    job.settings = CPrintSettings::FromStore();
    job.run = ReadRunChoice();
    return job;
}

CPrintJob JobWithChoice(CPrintJob job, const CLabelRunChoice& run,
                        const std::optional<CLabelGeometry>& sheet, bool singleLabel) {
    job.run = run;
    job.settings.useLabel = sheet ? 1 : 0;
    job.settings.fullPage = singleLabel ? 1 : 0;
    if (sheet) job.settings.geometry = *sheet;
    return job;
}

CMessage ReadJobData(CPrintJob& job) {
    CReadDataFile read = ReadRunData(job.run);
    job.runData = std::move(read.text);
    return read.error;
}

CMessage JobSheet(const CPrintJob& job, CRunSheet& sheet) {
    sheet = {};
    if (!OnSheet(job.settings)) return {};
    const CLabelGeometry& g = job.settings.geometry;
    // No page holds more labels than a page is laid out with.
    sheet.perSheet = std::min<std::int64_t>(
        std::int64_t{std::max(g.numberAcross, 1)} * std::max(g.numberDown, 1), kMaxLabelsPerPage);
    return StartIndex(job.run, g, sheet.start);
}

CRunCheck JobCheck(const CPrintJob& job, CSymbolMeasure measure) {
    CRunCheck check;
    check.prototype = job.barcode;
    const CLabelGeometry& g = job.settings.geometry;
    // Sizes matter on label sheets only.
    if (job.settings.useLabel != 0) {
        check.label = {units::ThousandthsCmToMils(g.width), units::ThousandthsCmToMils(g.height)};
        check.labelSize = {g.width, g.height};
    }
    check.measure = std::move(measure);
    check.design = &job.design;
    check.view = job.view;
    return check;
}

CRunReport CheckPrintJob(const CPrintJob& job, const CSymbolMeasure& measure, bool whole) {
    CRunSheet sheet;
    if (CMessage wrong = JobSheet(job, sheet); !wrong.Empty()) {
        CRunReport report;
        report.error = MakeMessage(Msg::RunCannotStartThere, std::move(wrong));
        return report;
    }
    return CheckRun(job.run, sheet, JobCheck(job, measure), whole, job.runData);
}

namespace {

// How much taller the job's lines make its label than the symbol alone, in mils: the block the
// first label's lines make with the symbol, laid out as the one-bit surface at 1000 dpi
// measures it, less the symbol's own marks, down the page.
double LinesLengthMils(const CPrintJob& job) {
    if (!job.barcode || job.design.lines.empty()) return 0;
    CLabelContent content = CLabelContent::Of(job.barcode, job.view);
    CFieldValues values;
    values.data = EngineTextAsUtf8(*job.barcode, job.barcode->m_strData);
    values.n = 1;
    CLabelMeasuringSurface measuring;
    CMonoSurface& surface = measuring.Surface();
    const double symbol = MeasureLabel(content, surface).marks.Height();
    content.lines = FilledLines(job.design, values);
    const CExtentRect block = MeasureLabel(content, surface).marks;
    // Both in the page's frame, turned as the view turns the label.
    return std::max(block.Height() - symbol, 0.0);
}

} // namespace

std::optional<CRollPage> JobRollPage(const CPrintJob& job, const CSymbolMeasure& measure) {
    if (!OnRoll(job.settings)) return std::nullopt;
    int length = 0;
    if (job.barcode && measure) {
        // Mils to thousandths of a centimetre, rounded up so that nothing is cut off: the symbol
        // and the lines above and below it.
        const CSize size = measure(*job.barcode);
        const double mils = std::max(size.cy, 0) + LinesLengthMils(job);
        length = static_cast<int>(std::ceil(mils / units::kMilsPerThousandthCm));
    }
    return RollPage(job.settings.geometry, length);
}

CRollJob RollJob(const CPrintJob& job, const CRollPage& page, const CRollPage& paper,
                 bool printerCopies) {
    CRollJob roll{job, 1};
    roll.job.settings = RollPageSettings(job.settings, page, paper);
    roll.job.rollPages = true;
    // On a roll every label is a page, so a count of sheets is a count of labels.
    if (printerCopies && job.run.kind == CLabelRunChoice::Kind::Same && !job.outlines &&
        job.run.count > 1) {
        roll.copies = job.run.count;
        roll.job.run.count = 1;
    }
    return roll;
}

CJobLabels::CJobLabels(const CPrintJob& job, CSymbolMeasure measure)
    : m_job(job), m_check(JobCheck(job, std::move(measure))) {
    m_content.view = job.view;
    if (!job.barcode) return;
    m_error = JobSheet(job, m_sheet);
    if (!m_error.Empty()) return;
    m_run = OpenRun(job.run, m_sheet, job.barcode->HoldsUtf8(), job.barcode->m_strData, job.runData,
                    true, RunFieldsOf(&job.design));
    if (!m_run.source) {
        m_error = m_run.error;
        return;
    }
    m_working = CloneBarcode(*job.barcode);
}

const CMessage& CJobLabels::Error() const {
    return m_error.Empty() && m_run.source ? m_run.source->Error() : m_error;
}

const CLabelContent* CJobLabels::Next() {
    if (!m_working) return nullptr;
    while (m_run.source->Next(m_entry)) {
        ++m_place;
        if (m_job.skipProblems && !EntryProblem(*m_working, m_entry, m_check, m_place).why.empty())
            continue;
        m_content = EntryLabel(*m_job.barcode, *m_working, m_entry, &m_job.design, m_job.view,
                               m_check.label, m_place);
        return &m_content;
    }
    return nullptr;
}
