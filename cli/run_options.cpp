#include "cli/run_options.h"

#include "cli/command_line.h"
#include "job/label_run.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool ReadWhole(std::string_view text, std::int64_t& out, std::int64_t lo, std::int64_t hi) {
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, out);
    return !text.empty() && ec == std::errc() && p == end && out >= lo && out <= hi;
}

bool ReadLength(std::string_view text, CLengthOption& out) {
    out.unit = CLengthOption::Unit::Options;
    if (text.ends_with("mm")) {
        out.unit = CLengthOption::Unit::Millimetre;
        text.remove_suffix(2);
    } else if (text.ends_with("in")) {
        out.unit = CLengthOption::Unit::Inch;
        text.remove_suffix(2);
    }
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, out.value, std::chars_format::fixed);
    return !text.empty() && ec == std::errc() && p == end && std::isfinite(out.value);
}

// The part of `text` before the first `separator`, and the rest after it (none when there is
// no separator).
std::pair<std::string_view, std::optional<std::string_view>> Split(std::string_view text,
                                                                   char separator) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) return {text, std::nullopt};
    return {text.substr(0, at), text.substr(at + 1)};
}

bool IsColumnNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The options of a run and what each takes.
struct RunOption {
    const char* name;
    const char* value; // what the value is; null for an option without one
};
constexpr RunOption kRunOptions[] = {
    {"--label", "a label product's ID or MAKER:NUMBER"},
    {"--numbered", "FIRST:LAST or FIRST:LAST:STEP"},
    {"--count", "a number of labels"},
    {"--digits", "a number of digits from 0 to 40"},
    {"--prefix", "a text"},
    {"--suffix", "a text"},
    {"--data-file", "a file name"},
    {"--column", "a column number or name"},
    {"--header", nullptr},
    {"--copies-column", "a column number or name"},
    {"--separator", "comma, semicolon, tab or line"},
    {"--start", "ROW,COLUMN or a label number"},
    {"--sheets", "a number of sheets"},
    {"--outlines", nullptr},
    {"--offset", "ACROSS,DOWN"},
    {"--strict", nullptr},
};

// --label's value: MAKER:NUMBER, found in the label database when printing, or the product's
// ID. False for anything else.
bool ReadLabel(const std::string& v, CRunOptions& o) {
    std::int64_t id = 0;
    if (const auto [maker, number] = Split(v, ':'); number) {
        if (maker.empty() || number->empty()) return false;
        o.labelName = v;
        return true;
    }
    if (!ReadWhole(v, id, 1, 2'000'000'000)) return false;
    o.labelId = static_cast<int>(id);
    return true;
}

// --numbered's value: FIRST:LAST, FIRST:LAST:STEP, or FIRST and FIRST::STEP with --count.
std::string ReadNumbered(const std::string& v, CLabelRunChoice& run) {
    const auto [first, rest] = Split(v, ':');
    const auto [last, step] = rest ? Split(*rest, ':') : std::pair{std::string_view(), rest};
    std::int64_t number = 0;
    if (!ParseRunNumber(first, number) || (!last.empty() && !ParseRunNumber(last, number)) ||
        (step && !ParseRunNumber(*step, number)))
        return "needs FIRST:LAST or FIRST:LAST:STEP, whole numbers of at most " +
               std::to_string(kMaxRunNumberDigits) + " digits";
    if (step && number == 0) return "needs a step other than 0";
    run.kind = CLabelRunChoice::Kind::Numbered;
    run.first = first;
    run.last = last;
    run.step = step ? std::string(*step) : "1";
    return {};
}

std::string ReadSeparator(const std::string& v, CLabelRunChoice& run) {
    using S = CLabelRunChoice::Separator;
    const std::pair<const char*, S> kinds[] = {
        {"comma", S::Comma}, {"semicolon", S::Semicolon}, {"tab", S::Tab}, {"line", S::Line}};
    const auto it = std::find_if(std::begin(kinds), std::end(kinds),
                                 [&v](const auto& k) { return v == k.first; });
    if (it == std::end(kinds)) return "needs comma, semicolon, tab or line";
    run.separator = it->second;
    return {};
}

// --start's value: ROW,COLUMN or a label number.
std::string ReadStart(const std::string& v, CLabelRunChoice& run) {
    const char* const wrong = "needs ROW,COLUMN (from 1,1 at the top left) or a label number";
    const auto [first, second] = Split(v, ',');
    std::int64_t row = 0, column = 0, n = 0;
    if (second) {
        if (!ReadWhole(first, row, 1, 1'000'000) || !ReadWhole(*second, column, 1, 1'000'000))
            return wrong;
        run.startRow = static_cast<int>(row);
        run.startColumn = static_cast<int>(column);
        run.startNumber = 0;
        return {};
    }
    if (!ReadWhole(v, n, 1, kMaxRunLabels)) return wrong;
    run.startNumber = n;
    return {};
}

// --count's and --sheets' value: how many labels, or how many sheets of them.
std::string ReadCount(const std::string& v, bool sheets, CLabelRunChoice& run) {
    std::int64_t n = 0;
    if (!ReadWhole(v, n, 1, kMaxRunLabels))
        return std::string("needs a number of ") + (sheets ? "sheets" : "labels") + " from 1 to " +
               std::to_string(kMaxRunLabels);
    if (!sheets) run.numbers = v;
    run.count = n;
    run.countSheets = sheets;
    return {};
}

std::string ReadOffset(const std::string& v, CRunOptions& o) {
    const auto [across, down] = Split(v, ',');
    COffsetOption offset;
    if (!down || !ReadLength(across, offset.across) || !ReadLength(*down, offset.down))
        return "needs ACROSS,DOWN, two lengths such as 1.5mm,-0.5mm or 0.02in,0in";
    o.offset = offset;
    return {};
}

// Reads the value of `name` into `options`; what is wrong with it otherwise.
std::string ReadValue(const std::string& name, const std::string& v, CRunOptions& o) {
    CLabelRunChoice& run = o.run;
    std::int64_t n = 0;
    if (name == "--label")
        return ReadLabel(v, o) ? std::string()
                               : "needs a label product's ID or MAKER:NUMBER, such as 106 or "
                                 "Avery:5160";
    if (name == "--numbered") return ReadNumbered(v, run);
    if (name == "--count" || name == "--sheets") return ReadCount(v, name == "--sheets", run);
    if (name == "--separator") return ReadSeparator(v, run);
    if (name == "--start") return ReadStart(v, run);
    if (name == "--offset") return ReadOffset(v, o);
    if (name == "--digits") {
        if (!ReadWhole(v, n, 0, 40)) return "needs a number of digits from 0 to 40";
        run.digits = static_cast<int>(n);
    } else if (name == "--prefix") {
        run.prefix = v;
    } else if (name == "--suffix") {
        run.suffix = v;
    } else if (name == "--data-file") {
        run.kind = CLabelRunChoice::Kind::FromFile;
        run.file = v;
    } else if (name == "--column") {
        run.column = v;
    } else if (name == "--copies-column") {
        run.copiesColumn = v;
    }
    return {};
}

bool Named(const CRunOptions& o, std::string_view name) {
    return std::find(o.named.begin(), o.named.end(), name) != o.named.end();
}

} // namespace

int LengthInThousandthsCm(const CLengthOption& length, int optionsUnit) {
    const bool inch = length.unit == CLengthOption::Unit::Inch ||
                      (length.unit == CLengthOption::Unit::Options && optionsUnit == 0);
    // Thousandths of a centimetre are hundredths of a millimetre.
    const double value = length.value * (inch ? 2540.0 : 100.0);
    return static_cast<int>(std::lround(std::clamp(value, -1e9, 1e9)));
}

bool ReadRunOption(const std::vector<std::string>& args, std::size_t& i, CRunOptions& options,
                   std::string& complaint) {
    const std::string& a = args[i];
    const auto option = std::find_if(std::begin(kRunOptions), std::end(kRunOptions),
                                     [&a](const RunOption& o) { return a == o.name; });
    if (option == std::end(kRunOptions)) return false;
    if (Named(options, a)) {
        complaint = a + " is given twice";
        return true;
    }
    options.named.push_back(a);
    if (a == "--numbered" || a == "--data-file" || a == "--count" || a == "--sheets" ||
        a == "--start")
        options.runGiven = true;
    if (!option->value) {
        options.run.header = options.run.header || a == "--header";
        options.outlines = options.outlines || a == "--outlines";
        options.strict = options.strict || a == "--strict";
        return true;
    }
    const std::string need = a + " needs " + option->value;
    if (i + 1 >= args.size()) {
        complaint = need;
        return true;
    }
    const std::string& value = args[++i];
    if (value.empty()) {
        complaint = need + ", not an empty text";
        return true;
    }
    if (const std::string wrong = ReadValue(a, value, options); !wrong.empty())
        complaint = a + " " + wrong + ", not \"" + ShownArgument(value) + "\"";
    return true;
}

std::string CheckRunOptions(const CRunOptions& o) {
    const bool numbered = Named(o, "--numbered"), file = Named(o, "--data-file");
    if (numbered && file) return "--numbered and --data-file cannot be used together";
    for (const char* part : {"--digits", "--prefix", "--suffix"})
        if (Named(o, part) && !numbered) return std::string(part) + " needs --numbered";
    for (const char* part : {"--column", "--header", "--copies-column", "--separator"})
        if (Named(o, part) && !file) return std::string(part) + " needs --data-file";
    if (Named(o, "--sheets") && (numbered || file || Named(o, "--count")))
        return "--sheets is for the same symbol on every label: not with --numbered, "
               "--data-file or --count";
    if (Named(o, "--count") && file)
        return "--count is not for --data-file: the file's rows make the labels";
    if (numbered && o.run.last.empty() == !Named(o, "--count"))
        return o.run.last.empty() ? "--numbered FIRST needs --count, or give FIRST:LAST"
                                  : "--numbered FIRST:LAST and --count cannot be used together";
    for (const auto& [name, column] :
         {std::pair{"--column", o.run.column}, std::pair{"--copies-column", o.run.copiesColumn}})
        if (Named(o, name) && !IsColumnNumber(column) && !o.run.header)
            return std::string(name) + " " + ShownArgument(column) +
                   " is a name, which needs --header";
    if (o.outlines && (o.runGiven || o.strict))
        return "--outlines prints the label outlines alone: not with a run";
    return {};
}

std::string SheetOnlyRunOption(const CRunOptions& options) {
    return Named(options, "--start") ? "--start" : "";
}

std::string RunOptionsUsage() {
    return "    the label sheet:\n"
           "      --label ID | MAKER:NUMBER  a product of the label database, by its ID (see\n"
           "                                 --list-labels) or its maker and product number\n"
           "                                 (Avery:5160)\n"
           "      --start ROW,COLUMN | N     the first label: its row down and column across,\n"
           "                                 or its number counting across (1 is top left)\n"
           "      --outlines                 print the labels' outlines with a cross at each\n"
           "                                 centre, to hold over a sheet and read the offset\n"
           "      --offset ACROSS,DOWN       move everything on the sheet (mm or in, e.g.\n"
           "                                 1.5mm,-0.5mm; bare numbers in the Options unit),\n"
           "                                 in place of the printer's stored offset\n"
           "    the labels (without these, the run last chosen in the Print dialog):\n"
           "      --sheets N                 the same symbol on N sheets (default 1)\n"
           "      --count N                  the same symbol on N labels, or N numbers\n"
           "      --numbered FIRST:LAST[:STEP]\n"
           "                                 numbered labels (FIRST[::STEP] with --count)\n"
           "      --digits N                 at least N digits, zeros in front\n"
           "      --prefix TEXT, --suffix TEXT\n"
           "                                 text before and after each number\n"
           "      --data-file FILE           one label per row of a text or CSV file (UTF-8,\n"
           "                                 Latin-1, or UTF-16 with its byte-order mark);\n"
           "                                 - reads standard input\n"
           "      --column N|NAME            the column with the data (default 1)\n"
           "      --header                   the first line names the columns\n"
           "      --copies-column N|NAME     the column with each row's number of labels\n"
           "      --separator comma|semicolon|tab|line\n"
           "                                 (default: found from the first line)\n"
           "      --strict                   print nothing when a label would not print as\n"
           "                                 given (otherwise they are listed and printed)\n";
}
