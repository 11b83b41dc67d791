#include "job/label_run.h"

#include "common/latin1.h"
#include "engine/barcode_file.h"
#include "job/data_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

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

// --- The same symbol on every label -------------------------------------------------------

class SameSource : public CLabelRunSource {
public:
    SameSource(std::string data, std::int64_t count, bool utf8)
        : m_data(std::move(data)), m_count(count), m_utf8(utf8) {}
    bool Next(CRunEntry& entry) override {
        if (m_made >= m_count) return false;
        entry = {++m_made, false, true, m_data, {}, {}, {}};
        entry.utf8 = m_utf8;
        return true;
    }
    std::int64_t CountRest() override {
        const std::int64_t rest = m_count - m_made;
        m_made = m_count;
        return rest;
    }

private:
    std::string m_data;
    std::int64_t m_count;
    bool m_utf8;
    std::int64_t m_made = 0;
};

// --- Numbered labels ----------------------------------------------------------------------

// Text of a run as the symbol takes it: UTF-8 for a symbology that holds any text, else
// Latin-1 with what it cannot hold in `outside`.
std::string ToEngineText(std::string_view text, TextEncoding encoding, bool utf8,
                         std::string& outside) {
    if (!utf8) return ToLatin1(text, encoding, outside);
    return ToUtf8(text, encoding);
}

class NumberSource : public CLabelRunSource {
public:
    // The text before and after the numbers is typed text (UTF-8, or Latin-1 where it is not
    // UTF-8); what Latin-1 cannot hold is left out of every label, and said of each, unless the
    // symbology holds any text (`utf8`).
    NumberSource(const CLabelRunChoice& run, const CNumberPlan& plan, bool utf8)
        : m_plan(plan), m_digits(run.digits), m_utf8(utf8) {
        const TextEncoding encoding = DetectEncoding(run.prefix + run.suffix);
        m_prefix = ToEngineText(run.prefix, encoding, utf8, m_outside);
        m_suffix = ToEngineText(run.suffix, encoding, utf8, m_outside);
    }
    bool Next(CRunEntry& entry) override {
        if (m_made >= m_plan.count) return false;
        const std::int64_t n = m_plan.first + m_made * m_plan.step;
        ++m_made;
        entry = {m_made,    false, false, FormatRunNumber(n, m_digits, m_prefix, m_suffix),
                 m_outside, {},    {}};
        entry.utf8 = m_utf8;
        entry.number = entry.DataAsUtf8();
        return true;
    }
    std::int64_t CountRest() override {
        const std::int64_t rest = m_plan.count - m_made;
        m_made = m_plan.count;
        return rest;
    }

private:
    CNumberPlan m_plan;
    int m_digits;
    bool m_utf8;
    std::string m_prefix, m_suffix, m_outside;
    std::int64_t m_made = 0;
};

// --- Labels whose data is a template of fields -------------------------------------------

class TemplatedSource : public CLabelRunSource {
public:
    TemplatedSource(std::unique_ptr<CLabelRunSource> inner, std::string dataTemplate)
        : m_inner(std::move(inner)), m_template(std::move(dataTemplate)) {}
    bool Next(CRunEntry& entry) override {
        if (!m_inner->Next(entry)) {
            m_error = m_inner->Error();
            return false;
        }
        const std::string filled = FillFields(m_template, FieldValuesOf(entry, ++m_place));
        std::string outside = entry.outside;
        entry.data = ToEngineText(filled, TextEncoding::Utf8, entry.utf8, outside);
        entry.outside = outside;
        entry.document = false;
        return true;
    }
    std::int64_t CountRest() override {
        const std::int64_t rest = m_inner->CountRest();
        m_error = m_inner->Error();
        return rest;
    }

private:
    std::unique_ptr<CLabelRunSource> m_inner;
    std::string m_template;
    std::int64_t m_place = 0;
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

// The label's text as the engine takes it, from its field of the data file: UTF-8 where the
// symbology holds any text (`utf8`), else Latin-1 with the characters Latin-1 cannot hold kept
// aside to be said. Every label of a file gets its text here.
void SetLabelText(CRunEntry& entry, std::string_view field, TextEncoding encoding, bool utf8) {
    entry.outside.clear();
    entry.utf8 = utf8;
    entry.data = ToEngineText(field, encoding, utf8, entry.outside);
}

// A column as a run names it: a number from 1, or a name of the header line.
struct CColumnName {
    std::string given;
    bool copies = false;   // the copies column, for the messages
    bool optional = false; // a label design's field: a column the file lacks is no error
};

// The index of a column a row does not have, for a design's field the file lacks.
constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);

// The column's index from 0 when it is given by number; nothing when it is a name to look for in
// the header line; the reason when it can be neither.
CMessage ColumnByNumber(const CColumnName& column, bool header, std::optional<std::size_t>& index) {
    std::int64_t number = 0;
    const std::string text = Trimmed(column.given);
    const char* end = text.data() + text.size();
    const bool copies = column.copies;
    if (!text.empty() && std::from_chars(text.data(), end, number).ptr == end) {
        if (number < 1 || number > 100'000)
            return MakeMessage(copies ? Msg::RunNotACopiesColumnNumber : Msg::RunNotAColumnNumber,
                               ShownText(text));
        index = static_cast<std::size_t>(number - 1);
        return {};
    }
    if (text.empty()) return MakeMessage(copies ? Msg::RunCopiesColumnEmpty : Msg::RunColumnEmpty);
    if (!header)
        return MakeMessage(copies ? Msg::RunCopiesColumnNeedsHeader : Msg::RunColumnNeedsHeader,
                           ShownText(text));
    return {};
}

// Goes through the header line a name at a time, finding the columns given by name, and keeps
// the first names, escaped, for a message: a header of millions of names is never held.
class HeaderTaker : public CFieldTaker {
public:
    HeaderTaker(const std::vector<CColumnName>& columns,
                std::vector<std::optional<std::size_t>>& found, TextEncoding encoding)
        : m_columns(columns), m_found(found), m_encoding(encoding) {}
    bool Wants(std::size_t) const override { return true; }
    void Take(std::size_t column, std::string&& name) override {
        const std::string shown = ToUtf8(name, m_encoding);
        for (std::size_t k = 0; k < m_columns.size(); ++k)
            if (!m_found[k] && SameName(shown, m_columns[k].given)) m_found[k] = column;
        if (m_cut) return;
        m_cut = m_listed.size() >= kMaxListed;
        m_listed += (m_listed.empty() ? "" : ", ");
        m_listed += m_cut ? "..." : Quoted(ShownText(Trimmed(shown)));
    }
    const std::string& Listed() const { return m_listed; }

private:
    static constexpr std::size_t kMaxListed = 2 * kShownTextBytes;
    const std::vector<CColumnName>& m_columns;
    std::vector<std::optional<std::size_t>>& m_found;
    TextEncoding m_encoding;
    std::string m_listed;
    bool m_cut = false;
};

// Builds the fields of the columns a run uses, each into its place in `values` (a column may be
// used twice), and none of the others.
class ColumnTaker : public CFieldTaker {
public:
    ColumnTaker(const std::vector<std::size_t>& columns, std::vector<std::string>& values)
        : m_columns(columns), m_values(values) {}
    bool Wants(std::size_t column) const override {
        return std::find(m_columns.begin(), m_columns.end(), column) != m_columns.end();
    }
    void Take(std::size_t column, std::string&& field) override {
        for (std::size_t k = 0; k < m_columns.size(); ++k)
            if (m_columns[k] == column) m_values[k] = field;
    }

private:
    const std::vector<std::size_t>& m_columns;
    std::vector<std::string>& m_values;
};

// A row's copies as the copies column gives them; none when they are not a number from 0 to
// kMaxRunLabels.
std::optional<std::int64_t> CopiesOf(const std::string& field) {
    const std::string text = Trimmed(field);
    std::int64_t copies = -1;
    const char* end = text.data() + text.size();
    if (text.empty() || std::from_chars(text.data(), end, copies).ptr != end || copies < 0 ||
        copies > kMaxRunLabels)
        return std::nullopt;
    return copies;
}

class FileSource : public CLabelRunSource {
public:
    // Works from the file's text, read once; `error` says why the run cannot be made. With
    // `whole`, the labels of all rows are counted first, so a run of too many is refused at once.
    FileSource(const CLabelRunChoice& run, std::shared_ptr<const CDataText> data, bool whole,
               const std::vector<std::string>& fieldColumns, bool utf8, CMessage& error)
        : m_data(std::move(data)), m_reader(m_data->text, SeparatorOf(run.separator, m_data->text)),
          m_hasCopies(!run.copiesColumn.empty()), m_utf8(utf8), m_fieldNames(fieldColumns) {
        std::vector<CColumnName> columns = {{run.column, false, false}};
        if (m_hasCopies) columns.push_back({run.copiesColumn, true, false});
        for (const std::string& name : fieldColumns)
            columns.push_back({name, false, true});
        error = FindColumns(run, columns);
        m_values.resize(m_columns.size());
        if (error.Empty() && whole) error = CountLabels();
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

    std::int64_t CountRest() override {
        // Only the copies column of each row is read.
        std::int64_t rest = m_copiesLeft;
        m_copiesLeft = 0;
        while (m_error.Empty() && ReadRow()) {
            rest += std::exchange(m_copiesLeft, 0);
            if (m_made + rest > kMaxRunLabels) m_error = TooManyLabels();
        }
        return m_error.Empty() ? rest : -1;
    }

private:
    // The columns the run uses, by index: those given by number at once, those given by name
    // from the header line.
    CMessage FindColumns(const CLabelRunChoice& run, const std::vector<CColumnName>& columns) {
        std::vector<std::optional<std::size_t>> found(columns.size());
        std::string listed;
        if (run.header) {
            HeaderTaker header(columns, found, m_data->encoding);
            std::int64_t line = 0;
            std::size_t count = 0;
            if (!m_reader.NextRow(header, line, count))
                return m_reader.Error().Empty()
                           ? MakeMessage(Msg::RunFileEmpty, ShownText(run.file, kShownPathBytes))
                           : m_reader.Error();
            listed = header.Listed();
        }
        for (std::size_t k = 0; k < columns.size(); ++k) {
            std::optional<std::size_t> index;
            CMessage wrong = ColumnByNumber(columns[k], run.header, index);
            if (!index) index = found[k];
            if (columns[k].optional) {
                m_columns.push_back(wrong.Empty() && index ? *index : kNoColumn);
                continue;
            }
            if (!wrong.Empty()) return wrong;
            if (!index)
                return MakeMessage(Msg::RunNoColumnNamed, ShownText(Trimmed(columns[k].given)),
                                   listed);
            m_columns.push_back(*index);
        }
        return {};
    }

    // Goes through every row's copies (or counts the rows) from where the rows begin, and says
    // when the run's labels add up past kMaxRunLabels, with their total. Rows that cannot be read
    // are left for the labels to meet in their place.
    CMessage CountLabels() {
        CDelimitedReader counter = m_reader;
        const bool copies = m_hasCopies;
        const std::vector<std::size_t> wanted = {copies ? m_columns[1] : m_columns[0]};
        std::vector<std::string> value(1);
        ColumnTaker taker(wanted, value);
        std::int64_t total = 0, line = 0;
        std::size_t count = 0;
        while (counter.NextRow(taker, line, count)) {
            std::optional<std::int64_t> n = 1;
            if (copies) n = count > wanted[0] ? CopiesOf(value[0]) : std::nullopt;
            if (!n) break;
            total += *n;
        }
        return total > kMaxRunLabels ? TooManyLabels(total) : CMessage{};
    }

    bool ReadRow() {
        std::int64_t line = 0;
        std::size_t count = 0;
        ColumnTaker taker(m_columns, m_values);
        if (!m_reader.NextRow(taker, line, count)) {
            m_error = m_reader.Error();
            return false;
        }
        const auto missing = [&](std::size_t column, bool copies) {
            const bool one = count == 1;
            const Msg id = copies ? (one ? Msg::RunRowMissingCopies : Msg::RunRowMissingCopiesN)
                                  : (one ? Msg::RunRowMissingColumn : Msg::RunRowMissingColumnN);
            m_error = MakeMessage(id, std::to_string(line), std::to_string(count),
                                  std::to_string(column + 1));
            return false;
        };
        if (m_columns[0] >= count) return missing(m_columns[0], false);
        m_copiesLeft = 1;
        if (m_hasCopies) {
            if (m_columns[1] >= count) return missing(m_columns[1], true);
            const std::optional<std::int64_t> copies = CopiesOf(m_values[1]);
            if (!copies) {
                m_error = MakeMessage(Msg::RunBadCopies, std::to_string(line),
                                      ShownText(ToUtf8(Trimmed(m_values[1]), m_data->encoding)),
                                      WithThousands(kMaxRunLabels));
                return false;
            }
            m_copiesLeft = *copies;
        }
        m_entry = {line, true, false, {}, {}, {}, {}};
        SetLabelText(m_entry, m_values[0], m_data->encoding, m_utf8);
        // The design's fields the row has.
        const std::size_t first = m_hasCopies ? 2 : 1;
        for (std::size_t k = 0; k < m_fieldNames.size(); ++k)
            if (m_columns[first + k] != kNoColumn && m_columns[first + k] < count)
                m_entry.fields.emplace_back(m_fieldNames[k],
                                            ToUtf8(m_values[first + k], m_data->encoding));
        return true;
    }

    std::shared_ptr<const CDataText> m_data;
    CDelimitedReader m_reader;
    bool m_hasCopies;
    bool m_utf8;                           // the symbology holds any text as UTF-8
    std::vector<std::string> m_fieldNames; // the design's fields that name columns
    // The data column, then the copies column if any, then the design's fields (kNoColumn for
    // one the file does not have).
    std::vector<std::size_t> m_columns;
    std::vector<std::string> m_values; // the current row's fields of those columns
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

std::string CRunEntry::DataAsUtf8() const {
    return utf8 ? data : Latin1ToUtf8(data);
}

CMessage CRunEntry::Where() const {
    return MakeMessage(fromFile ? Msg::WhereLine : Msg::WhereLabel, std::to_string(source));
}

CReadDataFile ReadRunData(const CLabelRunChoice& run) {
    if (run.kind != CLabelRunChoice::Kind::FromFile) return {};
    return ReadDataFile(run.file, kMaxRunFileBytes);
}

namespace {

COpenedRun OpenRunOf(const CLabelRunChoice& run, const CRunSheet& sheet, bool utf8,
                     const std::string& sameData, std::shared_ptr<const CDataText> data, bool whole,
                     const std::vector<std::string>& fieldColumns) {
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
        opened.source = std::make_unique<SameSource>(sameData, count, utf8);
        return opened;
    }
    case CLabelRunChoice::Kind::Numbered: {
        CNumberPlan plan;
        opened.error = PlanNumbers(run, plan);
        if (opened.error.Empty()) opened.source = std::make_unique<NumberSource>(run, plan, utf8);
        return opened;
    }
    case CLabelRunChoice::Kind::FromFile: {
        if (!data) {
            CReadDataFile read = ReadRunData(run);
            opened.error = read.error;
            data = std::move(read.text);
        }
        if (!data) return opened;
        auto file = std::make_unique<FileSource>(run, std::move(data), whole, fieldColumns, utf8,
                                                 opened.error);
        if (opened.error.Empty()) opened.source = std::move(file);
        return opened;
    }
    }
    opened.error = MakeMessage(Msg::RunNoSuchKind);
    return opened;
}

} // namespace

CRunFields RunFieldsOf(const std::vector<std::string>& texts, const std::string& dataTemplate) {
    CRunFields fields;
    fields.dataTemplate = dataTemplate;
    std::vector<std::string> all = texts;
    all.push_back(dataTemplate);
    for (const std::string& text : all)
        for (std::string& name : FieldNames(text))
            if (!IsLabelField(name) && std::find(fields.columns.begin(), fields.columns.end(),
                                                 name) == fields.columns.end())
                fields.columns.push_back(std::move(name));
    return fields;
}

CRunFields RunFieldsOf(const CLabelDesign* design) {
    if (!design) return {};
    std::vector<std::string> texts;
    for (const CDesignLine& line : design->lines)
        texts.push_back(line.text);
    return RunFieldsOf(texts, design->dataTemplate);
}

CFieldValues FieldValuesOf(const CRunEntry& entry, std::int64_t place) {
    CFieldValues values;
    values.data = entry.DataAsUtf8();
    values.n = place;
    values.number = entry.number;
    values.columns = entry.fields;
    return values;
}

COpenedRun OpenRun(const CLabelRunChoice& run, const CRunSheet& sheet, bool utf8,
                   const std::string& sameData, std::shared_ptr<const CDataText> data, bool whole,
                   const CRunFields& fields) {
    COpenedRun opened =
        OpenRunOf(run, sheet, utf8, sameData, std::move(data), whole, fields.columns);
    if (opened.source && !fields.dataTemplate.empty())
        opened.source =
            std::make_unique<TemplatedSource>(std::move(opened.source), fields.dataTemplate);
    return opened;
}

CLabelContent EntryLabel(const CBarcode& document, CBarcode& working, const CRunEntry& entry,
                         const CLabelDesign* design, const CSymbolView& view, CSize label,
                         std::int64_t place, std::vector<std::string>* unknown) {
    if (!entry.document) working.SetData(entry.data);
    CLabelContent content = CLabelContent::Of(entry.document ? &document : &working, view);
    if (design && !design->lines.empty()) {
        content.lines = FilledLines(*design, FieldValuesOf(entry, place), unknown);
        content.label = label;
    }
    return content;
}
