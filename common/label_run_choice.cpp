#include "common/label_run_choice.h"

#include <algorithm>

CLabelRunChoice ReadRunChoice() {
    using namespace settings;
    CLabelRunChoice run;
    run.kind = static_cast<CLabelRunChoice::Kind>(Get(kRunKind));
    run.count = Get(kRunCount);
    run.countSheets = Get(kRunCountSheets) != 0;
    run.first = Get(kRunFirst);
    run.last = Get(kRunLast);
    run.numbers = Get(kRunNumbers);
    run.step = Get(kRunStep);
    run.digits = Get(kRunDigits);
    run.prefix = Get(kRunPrefix);
    run.suffix = Get(kRunSuffix);
    run.file = Get(kRunFile);
    run.column = Get(kRunColumn);
    run.header = Get(kRunHeader) != 0;
    run.copiesColumn = Get(kRunCopiesColumn);
    run.separator = static_cast<CLabelRunChoice::Separator>(Get(kRunSeparator));
    run.startRow = Get(kStartRow);
    run.startColumn = Get(kStartColumn);
    return run;
}

bool WriteRunChoice(const CLabelRunChoice& run, int across) {
    using namespace settings;
    int row = run.startRow, column = run.startColumn;
    if (run.startNumber > 0 && across > 0) {
        const std::int64_t index = run.startNumber - 1;
        row = static_cast<int>(std::min<std::int64_t>(index / across + 1, kStartRow.max));
        column = static_cast<int>(index % across + 1);
    }
    bool ok = true;
    const auto set = [&ok](const auto& key, const auto& value) { ok = Set(key, value) && ok; };
    set(kRunKind, static_cast<int>(run.kind));
    set(kRunCount, static_cast<int>(std::clamp<std::int64_t>(run.count, 1, kMaxRunLabels)));
    set(kRunCountSheets, run.countSheets ? 1 : 0);
    set(kRunFirst, run.first);
    set(kRunLast, run.last);
    set(kRunNumbers, run.numbers);
    set(kRunStep, run.step);
    set(kRunDigits, run.digits);
    set(kRunPrefix, run.prefix);
    set(kRunSuffix, run.suffix);
    set(kRunFile, run.file);
    set(kRunColumn, run.column);
    set(kRunHeader, run.header ? 1 : 0);
    set(kRunCopiesColumn, run.copiesColumn);
    set(kRunSeparator, static_cast<int>(run.separator));
    set(kStartRow, row);
    set(kStartColumn, column);
    return ok;
}
