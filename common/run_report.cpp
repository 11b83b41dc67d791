#include "common/run_report.h"

#include <string>

CMessage ProblemLine(const CRunProblem& problem) {
    const std::string labels = std::to_string(problem.labels);
    if (problem.data.empty())
        return problem.labels > 1
                   ? MakeMessage(Msg::RunProblemN, problem.where, problem.why, labels)
                   : MakeMessage(Msg::RunProblem, problem.where, problem.why);
    return problem.labels > 1
               ? MakeMessage(Msg::RunProblemWithDataN, problem.where, problem.data, problem.why,
                             labels)
               : MakeMessage(Msg::RunProblemWithData, problem.where, problem.data, problem.why);
}

CMessage ProblemPlace(const CRunProblem& problem) {
    if (problem.labels <= 1) return problem.where;
    return MakeMessage(Msg::WhereWithLabels, problem.where, std::to_string(problem.labels));
}

CMessages RunProblemReport(const CRunReport& report, RunOutcome outcome) {
    CMessages lines;
    if (report.problemCount == 0) return lines;
    // Each problem once, with the labels it concerns; the labels of problems not listed counted.
    std::int64_t listed = 0;
    for (const CRunProblem& p : report.problems) {
        lines.push_back(ProblemLine(p));
        listed += p.labels;
    }
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
