#include "common/run_report.h"

#include <string>

CMessage ProblemLine(const CRunProblem& problem) {
    if (problem.data.empty()) return MakeMessage(Msg::RunProblem, problem.where, problem.why);
    return MakeMessage(Msg::RunProblemWithData, problem.where, problem.data, problem.why);
}

CMessages RunProblemReport(const CRunReport& report, RunOutcome outcome) {
    CMessages lines;
    if (report.problemCount == 0) return lines;
    for (const CRunProblem& p : report.problems)
        lines.push_back(ProblemLine(p));
    const auto listed = static_cast<std::int64_t>(report.problems.size());
    if (report.problemCount > listed)
        lines.push_back(
            MakeMessage(Msg::RunMoreProblems, std::to_string(report.problemCount - listed)));
    static constexpr Msg kSummary[] = {Msg::RunProblemsPrinted, Msg::RunProblemsNotPrinted,
                                       Msg::RunProblemsMade, Msg::RunProblemsNotMade};
    lines.push_back(MakeMessage(kSummary[static_cast<int>(outcome)],
                                std::to_string(report.problemCount),
                                std::to_string(report.labels)));
    return lines;
}
