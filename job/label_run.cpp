#include "job/label_run.h"

#include "job/document_edit.h"

#include "common/file_io.h"
#include "common/latin1.h"
#include "common/settings_keys.h"
#include "engine/barcode_file.h"
#include "job/data_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

namespace {

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// 1,000,000: a comma between each group of three digits.
std::string WithThousands(std::int64_t n) {
    const std::string digits = std::to_string(n);
    const std::size_t sign = n < 0 ? 1 : 0;
    std::string out = digits.substr(0, sign);
    for (std::size_t i = sign; i < digits.size(); ++i) {
        if (i > sign && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

CMessage TooManyLabels() {
    return MakeMessage(Msg::RunTooManyLabels, WithThousands(kMaxRunLabels));
}

CMessage TooManyLabels(std::int64_t count) {
    return MakeMessage(Msg::RunTooManyLabelsNot, WithThousands(kMaxRunLabels),
                       WithThousands(count));
}

// A size in mils as the size read-out shows it, by the unit of the options.
std::string SizeText(CSize mils) {
    char text[64];
    if (settings::Get(settings::kUnit) != 0)
        std::snprintf(text, sizeof text, "%.2f x %.2f cm", mils.cx * 0.00254, mils.cy * 0.00254);
    else
        std::snprintf(text, sizeof text, "%.2f x %.2f in", mils.cx * 0.001, mils.cy * 0.001);
    return text;
}

// --- The same symbol on every label -------------------------------------------------------

class SameSource : public CLabelRunSource {
public:
    SameSource(std::string data, std::int64_t count) : m_data(std::move(data)), m_count(count) {}
    bool Next(CRunEntry& entry) override {
        if (m_made >= m_count) return false;
        entry = {++m_made, false, true, m_data, {}};
        return true;
    }

private:
    std::string m_data;
    std::int64_t m_count;
    std::int64_t m_made = 0;
};

// --- Numbered labels ----------------------------------------------------------------------

// Text of a run as the symbol takes it: UTF-8 for a symbology that holds any text, else
// Latin-1 with what it cannot hold in `outside`.
std::string ToEngineText(std::string_view text, TextEncoding encoding, bool utf8,
                         std::string& outside) {
    if (!utf8) return ToLatin1(text, encoding, outside);
    return encoding == TextEncoding::Utf8 ? std::string(text) : Latin1ToUtf8(text);
}

class NumberSource : public CLabelRunSource {
public:
    // The text before and after the numbers is typed text (UTF-8, or Latin-1 where it is not
    // UTF-8); what Latin-1 cannot hold is left out of every label, and said of each, unless the
    // symbology holds any text (`utf8`).
    NumberSource(const CLabelRunChoice& run, const CNumberPlan& plan, bool utf8)
        : m_plan(plan), m_digits(run.digits) {
        const TextEncoding encoding = DetectEncoding(run.prefix + run.suffix);
        m_prefix = ToEngineText(run.prefix, encoding, utf8, m_outside);
        m_suffix = ToEngineText(run.suffix, encoding, utf8, m_outside);
    }
    bool Next(CRunEntry& entry) override {
        if (m_made >= m_plan.count) return false;
        const std::int64_t n = m_plan.first + m_made * m_plan.step;
        ++m_made;
        entry = {m_made, false, false, FormatRunNumber(n, m_digits, m_prefix, m_suffix), m_outside};
        return true;
    }

private:
    CNumberPlan m_plan;
    int m_digits;
    std::string m_prefix, m_suffix, m_outside;
    std::int64_t m_made = 0;
};

// --- One label per row of a file ----------------------------------------------------------

char SeparatorOf(CLabelRunChoice::Separator separator, std::string_view bytes) {
    switch (separator) {
    case CLabelRunChoice::Separator::Comma:
        return ',';
    case CLabelRunChoice::Separator::Semicolon:
        return ';';
    case CLabelRunChoice::Separator::Tab:
        return '\t';
    case CLabelRunChoice::Separator::Line:
        return '\n';
    case CLabelRunChoice::Separator::Found:
        break;
    }
    return FindSeparator(bytes);
}

// A column as the run names it: a number from 1, or a name of the header line (blanks around
// it and letter case aside).
std::string Trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

bool SameName(std::string_view a, std::string_view b) {
    const std::string x = Trimmed(a), y = Trimmed(b);
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(x[i]) != lower(y[i])) return false;
    }
    return true;
}

// The column's index from 0, or the reason it names none. `copies`: the copies column.
CMessage FindColumn(const std::string& given, bool copies, bool header,
                    const std::vector<std::string>& names, std::size_t& index) {
    std::int64_t number = 0;
    const std::string text = Trimmed(given);
    const char* end = text.data() + text.size();
    if (!text.empty() && std::from_chars(text.data(), end, number).ptr == end) {
        if (number < 1 || number > 100'000)
            return MakeMessage(copies ? Msg::RunNotACopiesColumnNumber : Msg::RunNotAColumnNumber,
                               text);
        index = static_cast<std::size_t>(number - 1);
        return {};
    }
    if (text.empty()) return MakeMessage(copies ? Msg::RunCopiesColumnEmpty : Msg::RunColumnEmpty);
    if (!header)
        return MakeMessage(copies ? Msg::RunCopiesColumnNeedsHeader : Msg::RunColumnNeedsHeader,
                           text);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameName(names[i], text)) {
            index = i;
            return {};
        }
    std::string listed;
    for (const std::string& name : names)
        listed += (listed.empty() ? "" : ", ") + Quoted(Trimmed(name));
    return MakeMessage(Msg::RunNoColumnNamed, text, listed);
}

class FileSource : public CLabelRunSource {
public:
    // Reads the file and its header line; `error` says why the run cannot be made.
    FileSource(const CLabelRunChoice& run, CMessage& error, bool utf8) : m_utf8(utf8) {
        if (run.file.empty()) {
            error = MakeMessage(Msg::RunNoDataFile);
            return;
        }
        const std::string& shown = run.file;
        FILE* f = std::fopen(run.file.c_str(), "rb");
        if (!f) {
            error = MakeMessage(Msg::RunFileUnreadable, shown, std::strerror(errno));
            return;
        }
        char buffer[1 << 16];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
            if (static_cast<std::int64_t>(m_bytes.size() + n) > kMaxRunFileBytes) {
                std::fclose(f);
                error = MakeMessage(Msg::RunFileTooLarge, shown,
                                    std::to_string(kMaxRunFileBytes >> 20));
                return;
            }
            m_bytes.append(buffer, n);
        }
        const bool failed = std::ferror(f) != 0;
        std::fclose(f);
        if (failed) {
            error = MakeMessage(Msg::RunFileReadFailed, shown);
            return;
        }
        m_encoding = DetectEncoding(m_bytes);
        const std::string_view text = WithoutByteOrderMark(m_bytes);
        m_reader.emplace(text, SeparatorOf(run.separator, text));

        std::vector<std::string> names;
        if (run.header) {
            std::int64_t line = 0;
            if (!m_reader->Next(names, line)) {
                error = m_reader->Error().Empty() ? MakeMessage(Msg::RunFileEmpty, shown)
                                                  : m_reader->Error();
                return;
            }
            for (std::string& name : names) {
                std::string outside;
                name = Latin1ToUtf8(ToLatin1(name, m_encoding, outside));
            }
        }
        error = FindColumn(run.column, false, run.header, names, m_column);
        if (error.Empty() && !run.copiesColumn.empty()) {
            std::size_t copies = 0;
            error = FindColumn(run.copiesColumn, true, run.header, names, copies);
            m_copiesColumn = copies;
        }
    }

    bool Next(CRunEntry& entry) override {
        while (m_copiesLeft == 0) {
            if (!m_error.Empty() || !ReadRow()) return false;
        }
        --m_copiesLeft;
        if (++m_made > kMaxRunLabels) {
            m_error = TooManyLabels();
            return false;
        }
        entry = m_entry;
        return true;
    }

private:
    bool ReadRow() {
        std::int64_t line = 0;
        if (!m_reader->Next(m_fields, line)) {
            m_error = m_reader->Error();
            return false;
        }
        const auto missing = [&](std::size_t column, bool copies) {
            const bool one = m_fields.size() == 1;
            const Msg id = copies ? (one ? Msg::RunRowMissingCopies : Msg::RunRowMissingCopiesN)
                                  : (one ? Msg::RunRowMissingColumn : Msg::RunRowMissingColumnN);
            m_error = MakeMessage(id, std::to_string(line), std::to_string(m_fields.size()),
                                  std::to_string(column + 1));
            return false;
        };
        if (m_column >= m_fields.size()) return missing(m_column, false);
        m_copiesLeft = 1;
        if (m_copiesColumn) {
            if (*m_copiesColumn >= m_fields.size()) return missing(*m_copiesColumn, true);
            const std::string text = Trimmed(m_fields[*m_copiesColumn]);
            std::int64_t copies = -1;
            const char* end = text.data() + text.size();
            if (text.empty() || std::from_chars(text.data(), end, copies).ptr != end ||
                copies < 0 || copies > kMaxRunLabels) {
                m_error = MakeMessage(Msg::RunBadCopies, std::to_string(line), Latin1ToUtf8(text),
                                      WithThousands(kMaxRunLabels));
                return false;
            }
            m_copiesLeft = copies;
        }
        m_entry = {line, true, false, {}, {}};
        m_entry.data = ToEngineText(m_fields[m_column], m_encoding, m_utf8, m_entry.outside);
        return true;
    }

    std::string m_bytes;
    bool m_utf8 = false; // the symbology holds any text as UTF-8
    TextEncoding m_encoding = TextEncoding::Utf8;
    std::optional<CDelimitedReader> m_reader;
    std::size_t m_column = 0;
    std::optional<std::size_t> m_copiesColumn;
    std::vector<std::string> m_fields;
    CRunEntry m_entry;
    std::int64_t m_copiesLeft = 0;
    std::int64_t m_made = 0;
};

} // namespace

bool ParseRunNumber(std::string_view text, std::int64_t& out) {
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > kMaxRunNumberDigits ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    std::int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    out = text.front() == '-' ? -value : value;
    return true;
}

std::string FormatRunNumber(std::int64_t n, int digits, std::string_view prefix,
                            std::string_view suffix) {
    // The magnitude of any 64-bit value, the most negative included.
    const std::uint64_t magnitude =
        n < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    std::string number = std::to_string(magnitude);
    if (digits > static_cast<int>(number.size()))
        number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
    std::string out(prefix);
    if (n < 0) out += '-';
    return out + number + std::string(suffix);
}

CMessage PlanNumbers(const CLabelRunChoice& run, CNumberPlan& plan) {
    const std::string most = std::to_string(kMaxRunNumberDigits);
    if (!ParseRunNumber(run.first, plan.first))
        return MakeMessage(Msg::RunFirstNotNumber, run.first, most);
    if (!ParseRunNumber(run.step, plan.step))
        return MakeMessage(Msg::RunStepNotNumber, run.step, most);
    if (plan.step == 0) return MakeMessage(Msg::RunStepZero);
    if (!run.numbers.empty()) {
        std::int64_t count = 0;
        if (!ParseRunNumber(run.numbers, count) || count < 1)
            return MakeMessage(Msg::RunCountNotNumber, run.numbers);
        if (count > kMaxRunLabels) return TooManyLabels();
        // The last number must itself be a number of the run's size; the product is exact in
        // 128 bits.
        const __int128 last = __int128{plan.first} + __int128{count - 1} * plan.step;
        const __int128 limit = 999'999'999'999'999'999;
        if (last > limit || last < -limit) return MakeMessage(Msg::RunLastTooLong, most);
        plan.count = count;
        return {};
    }
    std::int64_t last = 0;
    if (!ParseRunNumber(run.last, last)) return MakeMessage(Msg::RunLastNotNumber, run.last, most);
    if (last != plan.first && (last > plan.first) != (plan.step > 0))
        return MakeMessage(Msg::RunStepNeverReaches, std::to_string(plan.step),
                           std::to_string(last), std::to_string(plan.first));
    // Both at most 18 digits: the difference fits.
    const std::int64_t count = (last - plan.first) / plan.step + 1;
    if (count > kMaxRunLabels) return TooManyLabels(count);
    plan.count = count;
    return {};
}

CMessage StartIndex(const CLabelRunChoice& run, const CLabelGeometry& sheet, std::int64_t& index) {
    const std::int64_t across = std::max(sheet.numberAcross, 1);
    const std::int64_t down = std::max(sheet.numberDown, 1);
    if (run.startNumber > 0) {
        if (run.startNumber > across * down)
            return MakeMessage(Msg::RunNoSuchLabel, std::to_string(across * down),
                               std::to_string(run.startNumber));
        index = run.startNumber - 1;
        return {};
    }
    if (run.startRow < 1 || run.startRow > down)
        return MakeMessage(down == 1 ? Msg::RunNoSuchRow : Msg::RunNoSuchRowN, std::to_string(down),
                           std::to_string(run.startRow));
    if (run.startColumn < 1 || run.startColumn > across)
        return MakeMessage(across == 1 ? Msg::RunNoSuchColumn : Msg::RunNoSuchColumnN,
                           std::to_string(across), std::to_string(run.startColumn));
    index = (run.startRow - 1) * across + (run.startColumn - 1);
    return {};
}

CMessage CRunEntry::Where() const {
    return MakeMessage(fromFile ? Msg::WhereLine : Msg::WhereLabel, std::to_string(source));
}

COpenedRun OpenRun(const CLabelRunChoice& run, const CRunSheet& sheet, bool utf8,
                   const std::string& sameData) {
    COpenedRun opened;
    switch (run.kind) {
    case CLabelRunChoice::Kind::Same: {
        const std::int64_t perSheet = std::max<std::int64_t>(sheet.perSheet, 1);
        if (run.count < 1) {
            opened.error = MakeMessage(run.countSheets ? Msg::RunSheetsNotPositive
                                                       : Msg::RunLabelsNotPositive);
            return opened;
        }
        // The first sheet's labels before the start are used already.
        const std::int64_t count = run.countSheets && run.count <= kMaxRunLabels
                                       ? run.count * perSheet - sheet.start
                                       : run.count;
        if (count > kMaxRunLabels) {
            opened.error = TooManyLabels(count);
            return opened;
        }
        opened.source = std::make_unique<SameSource>(sameData, count);
        return opened;
    }
    case CLabelRunChoice::Kind::Numbered: {
        CNumberPlan plan;
        opened.error = PlanNumbers(run, plan);
        if (opened.error.Empty()) opened.source = std::make_unique<NumberSource>(run, plan, utf8);
        return opened;
    }
    case CLabelRunChoice::Kind::FromFile: {
        auto file = std::make_unique<FileSource>(run, opened.error, utf8);
        if (opened.error.Empty()) opened.source = std::move(file);
        return opened;
    }
    }
    opened.error = MakeMessage(Msg::RunNoSuchKind);
    return opened;
}

CEntryProblem EntryProblem(CBarcode& working, const CRunEntry& entry, const CRunCheck& check) {
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
    }
    if (check.measure && check.label.cx > 0 && check.label.cy > 0) {
        if (!entry.document) working.SetData(entry.data);
        const CSize size = check.measure(entry.document ? *check.prototype : working);
        if (size.cx > check.label.cx || size.cy > check.label.cy) {
            problem.tooLarge =
                MakeMessage(Msg::LabelSymbolTooLarge, SizeText(size), SizeText(check.label));
            why.push_back(problem.tooLarge);
        }
    }
    return problem;
}

CRunReport CheckRun(const CLabelRunChoice& run, const CRunSheet& sheet, const CRunCheck& check,
                    bool whole) {
    CRunReport report;
    if (!check.prototype) {
        report.error = MakeMessage(Msg::RunNoSymbol);
        return report;
    }
    COpenedRun opened =
        OpenRun(run, sheet, check.prototype->HoldsUtf8(), check.prototype->m_strData);
    if (!opened.source) {
        report.error = opened.error;
        return report;
    }
    const std::unique_ptr<CBarcode> working = CloneBarcode(*check.prototype);
    CRunEntry entry;
    while ((whole || report.labels < kPreviewLabels) && opened.source->Next(entry)) {
        const std::int64_t ordinal = report.labels++;
        if (ordinal < kPreviewLabels && (run.kind != CLabelRunChoice::Kind::Same || ordinal == 0))
            report.preview.push_back(
                {entry.Where(), EngineTextAsUtf8(*working, working->CheckData(entry.data).reads)});
        // The same symbol on every label is the same problem on every label: one look is
        // enough, and it is told as the run's.
        if (run.kind == CLabelRunChoice::Kind::Same && ordinal > 0) {
            if (report.problemCount > 0) ++report.problemCount;
            continue;
        }
        CEntryProblem problem = EntryProblem(*working, entry, check);
        if (problem.why.empty()) continue;
        if (ordinal == 0) report.tooLarge = problem.tooLarge;
        if (report.problems.size() < CRunReport::kMaxListedProblems)
            report.problems.push_back({ordinal, entry.Where(),
                                       EngineTextAsUtf8(*working, entry.data),
                                       std::move(problem.why)});
        ++report.problemCount;
    }
    if (!opened.source->Error().Empty()) report.error = opened.source->Error();
    if (report.error.Empty() && whole && report.labels == 0)
        report.error = MakeMessage(Msg::RunNoLabels);
    return report;
}
