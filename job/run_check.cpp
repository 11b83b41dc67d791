// Whether the labels of a run print as given: each label checked against its label and its
// symbology, the problems of a run counted and listed as its labels come.

#include "job/label_run.h"

#include "common/length_text.h"
#include "common/settings_keys.h"
#include "job/document_edit.h"
#include "render/mono_surface.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

namespace {

// A size in points as a message gives it: "4", "7.5".
std::string FormatPoints(double points) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", points);
    return text;
}

// A size in thousandths of a centimetre as every length is shown, by the unit of the options.
std::string SizeText(double width, double height) {
    const bool centimetres = settings::Get(settings::kUnit) != 0;
    return LengthNumber(width, centimetres) + " x " + LengthNumber(height, centimetres) +
           (centimetres ? " cm" : " in");
}

} // namespace

namespace {

// What keeps a label's lines from printing as given: fields the run cannot fill, lines too wide
// for the label even set smaller, a design taller than the label. Laid out as the one-bit
// surface at 1000 dpi measures it.
void LineProblems(CBarcode& working, const CRunEntry& entry, const CRunCheck& check,
                  std::int64_t place, CMessages& why) {
    if (!check.design || check.design->lines.empty()) return;
    std::vector<std::string> unknown;
    const CLabelContent content = EntryLabel(*check.prototype, working, entry, check.design,
                                             check.view, check.label, place, &unknown);
    for (const std::string& field : unknown)
        why.push_back(MakeMessage(Msg::LabelUnknownField, ShownText(field)));
    if (check.label.cx <= 0 || check.label.cy <= 0) return;
    CLabelMeasuringSurface measuring;
    const CLabelLayout layout = LayOutLabel(content, measuring.Surface());
    for (const std::size_t i : layout.tooLong)
        why.push_back(MakeMessage(Msg::LabelLineTooLong, std::to_string(i + 1),
                                  ShownText(content.lines[i].text), FormatPoints(kMinLinePoints)));
    if (layout.tooTall) why.push_back(MakeMessage(Msg::LabelTooTall));
}

// Why a symbol of `size` (mils) does not fit the check's label: larger than a label, or wider
// than a tape of no set length, which is as long as its content; empty when it fits.
CMessage TooLarge(const CSize& size, const CRunCheck& check) {
    const std::string symbol = SizeText(MilsInThousandthsCm(size.cx), MilsInThousandthsCm(size.cy));
    if (check.label.cy <= 0) {
        if (size.cx <= check.label.cx) return {};
        const bool centimetres = settings::Get(settings::kUnit) != 0;
        const double width =
            check.labelSize.cx > 0 ? check.labelSize.cx : MilsInThousandthsCm(check.label.cx);
        return MakeMessage(Msg::LabelSymbolWiderThanTape, symbol,
                           LengthNumber(width, centimetres) + (centimetres ? " cm" : " in"));
    }
    if (size.cx <= check.label.cx && size.cy <= check.label.cy) return {};
    // The label as its product gives it: its size in mils is rounded.
    const bool exact = check.labelSize.cx > 0 && check.labelSize.cy > 0;
    const std::string label =
        exact ? SizeText(check.labelSize.cx, check.labelSize.cy)
              : SizeText(MilsInThousandthsCm(check.label.cx), MilsInThousandthsCm(check.label.cy));
    return MakeMessage(Msg::LabelSymbolTooLarge, symbol, label);
}

} // namespace

CLabelMeasuringSurface::CLabelMeasuringSurface()
    : m_surface(m_scratch, 1000, [] {
          // Kept for the process's life, as the fonts it found are.
          static CFontLocator& fonts = *new CFontLocator();
          return &fonts;
      }()) {
    m_scratch.Allocate(1, 1);
    m_surface.SetWindowExt({1000, 1000});
    m_surface.SetViewportExt({1000, 1000});
}

CEntryProblem EntryProblem(CBarcode& working, const CRunEntry& entry, const CRunCheck& check,
                           std::int64_t place) {
    CEntryProblem problem;
    CMessages& why = problem.why;
    if (!entry.outside.empty()) {
        // Characters, not bytes: every UTF-8 byte but the continuation bytes starts one.
        const auto characters = std::count_if(entry.outside.begin(), entry.outside.end(),
                                              [](char c) { return (c & 0xC0) != 0x80; });
        why.push_back(MakeMessage(
            characters == 1 ? Msg::LabelOutsideLatin1 : Msg::LabelOutsideLatin1N, entry.outside));
    }
    if (!entry.document) {
        if (entry.data.empty()) why.push_back(MakeMessage(Msg::LabelDataEmpty));
        CBarcode::CDataCheck data = working.CheckData(entry.data);
        for (CMessage& m : data.change)
            why.push_back(std::move(m));
        problem.drawsNothing = data.reads.empty();
    }
    if (check.measure && check.label.cx > 0) {
        if (!entry.document) working.SetData(entry.data);
        problem.tooLarge =
            TooLarge(check.measure(entry.document ? *check.prototype : working), check);
        if (!problem.tooLarge.Empty()) why.push_back(problem.tooLarge);
    }
    LineProblems(working, entry, check, place, why);
    return problem;
}

CRunProblem ListedProblem(std::int64_t ordinal, const CRunEntry& entry, const CMessages& why) {
    CRunProblem problem{ordinal, entry.Where(), ShownText(entry.DataAsUtf8()), {}};
    for (const CMessage& m : why)
        problem.why.push_back(WithShownTexts(m));
    return problem;
}

namespace {

// The problems of a run as its labels come. A label that repeats the one before it (every label
// of the same symbol, each copy of a row) is the same problem again: counted with it, and
// neither looked at nor listed anew.
class ProblemTally {
public:
    ProblemTally(CRunReport& report, const CRunCheck& check, bool sameSymbol)
        : m_report(report), m_check(check), m_working(CloneBarcode(*check.prototype)),
          m_sameSymbol(sameSymbol) {}

    CBarcode& Working() { return *m_working; }

    void Add(const CRunEntry& entry, std::int64_t ordinal) {
        const bool repeat =
            m_sameSymbol ? ordinal > 0 : entry.fromFile && entry.source == m_lastLine;
        m_lastLine = entry.fromFile ? entry.source : -1;
        if (repeat) {
            if (!m_lastWrong) return;
            ++m_report.problemCount;
            if (m_lastListed) ++m_report.problems.back().labels;
            return;
        }
        CEntryProblem problem = EntryProblem(*m_working, entry, m_check, ordinal + 1);
        m_lastWrong = !problem.why.empty();
        m_lastListed = false;
        if (!m_lastWrong) return;
        if (ordinal == 0) m_report.tooLarge = problem.tooLarge;
        if (m_report.problems.size() < CRunReport::kMaxListedProblems) {
            m_report.problems.push_back(ListedProblem(ordinal, entry, problem.why));
            m_lastListed = true;
        }
        ++m_report.problemCount;
    }

private:
    CRunReport& m_report;
    const CRunCheck& m_check;
    std::unique_ptr<CBarcode> m_working; // the prototype, given each label's data
    bool m_sameSymbol;
    std::int64_t m_lastLine = -1; // the file line of the label before
    bool m_lastWrong = false;
    bool m_lastListed = false;
};

} // namespace

CRunReport CheckRun(const CLabelRunChoice& run, const CRunSheet& sheet, const CRunCheck& check,
                    bool whole, std::shared_ptr<const CDataText> data) {
    CRunReport report;
    if (!check.prototype) {
        report.error = MakeMessage(Msg::RunNoSymbol);
        return report;
    }
    COpenedRun opened =
        OpenRun(run, sheet, check.prototype->HoldsUtf8(), check.prototype->m_strData,
                std::move(data), whole, RunFieldsOf(check.design));
    if (!opened.source) {
        report.error = opened.error;
        return report;
    }
    const bool same = run.kind == CLabelRunChoice::Kind::Same;
    ProblemTally tally(report, check, same);
    CRunEntry entry;
    while ((whole || report.labels < kPreviewLabels) && opened.source->Next(entry)) {
        const std::int64_t ordinal = report.labels++;
        if (ordinal < kPreviewLabels && (!same || ordinal == 0))
            report.preview.push_back(
                {entry.Where(),
                 ShownText(EngineTextAsUtf8(tally.Working(),
                                            tally.Working().CheckData(entry.data).reads))});
        tally.Add(entry, ordinal);
    }
    if (!opened.source->Error().Empty()) report.error = opened.source->Error();
    if (report.error.Empty() && whole && report.labels == 0)
        report.error = MakeMessage(Msg::RunNoLabels);
    if (!report.error.Empty()) return report;
    // The preview stopped early: the rest is counted, not looked at.
    const std::int64_t rest = whole ? 0 : opened.source->CountRest();
    report.total = rest < 0 ? -1 : report.labels + rest;
    return report;
}
