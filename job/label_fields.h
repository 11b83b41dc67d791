#pragma once
// The fields of a label's text and of its data template, filled in for one label of a run:
// {data} the symbol's data, {n} the label's place in the run, {number} the run's number as
// formatted, {date} today (ISO 8601, or {date:FORMAT} with strftime's conversions), and a
// column of the data file by its header name or its number ({sku}, {2}). "{{" and "}}" stand for
// the braces themselves.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What one label fills its fields with. Texts are UTF-8.
struct CFieldValues {
    std::string data;
    std::int64_t n = 0;
    std::string number; // empty but in a numbered run
    // The data file's fields of the label's row that the fields name: the name as a field
    // writes it ("sku", "2") and the row's value.
    std::vector<std::pair<std::string, std::string>> columns;
    std::time_t today = 0; // 0: now
};

// `text` with every field filled in. A field it cannot fill (a name the header does not have, a
// column the row lacks) is left as typed and its name added to `unknown`.
std::string FillFields(std::string_view text, const CFieldValues& values,
                       std::vector<std::string>* unknown = nullptr);

// The fields `text` names, in order, each once: "data", "sku", "2", "date:%Y".
std::vector<std::string> FieldNames(std::string_view text);
// Whether a field's name is one of a label's own ({data}, {n}, {number}, {date}) rather than a
// column of the data file.
bool IsLabelField(std::string_view name);

// Whether `text` has any field at all.
bool HasFields(std::string_view text);
