#include "common/label_run_choice.h"

#include "common/settings_store.h"

#include <algorithm>
#include <limits>

namespace {

// A part kept as text that may be a number (a number of the run, a column by its number): one
// written by hand without quotes is read as the integer it is.
std::string TextOrNumber(const StringSetting& row) {
    constexpr int kNone = std::numeric_limits<int>::min();
    const int number = SettingsStore().GetInt(row.section, row.key, kNone);
    return number != kNone ? std::to_string(number) : settings::Get(row);
}

} // namespace

CLabelRunChoice ReadRunChoice() {
    using namespace settings;
    CLabelRunChoice run;
    run.kind = static_cast<CLabelRunChoice::Kind>(Get(kRunKind));
    run.count = Get(kRunCount);
    run.countSheets = Get(kRunCountSheets) != 0;
    run.first = TextOrNumber(kRunFirst);
    run.last = TextOrNumber(kRunLast);
    run.numbers = TextOrNumber(kRunNumbers);
    run.step = TextOrNumber(kRunStep);
    run.digits = Get(kRunDigits);
    run.prefix = Get(kRunPrefix);
    run.suffix = Get(kRunSuffix);
    run.file = Get(kRunFile);
    run.column = TextOrNumber(kRunColumn);
    run.header = Get(kRunHeader) != 0;
    run.copiesColumn = TextOrNumber(kRunCopiesColumn);
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
