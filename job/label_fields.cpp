#include "job/label_fields.h"

#include <algorithm>

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return out;
}

std::string Trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

std::string Today(std::string_view format, std::time_t today) {
    const std::time_t t = today != 0 ? today : std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    const std::string pattern = format.empty() ? std::string("%Y-%m-%d") : std::string(format);
    char text[256];
    const std::size_t n = std::strftime(text, sizeof text, pattern.c_str(), &local);
    return std::string(text, n);
}

// A column of the row by the name the field gives it; false when the row has none such.
bool Column(std::string_view name, const CFieldValues& v, std::string& out) {
    const std::string wanted = Lower(Trimmed(name));
    for (const auto& [given, value] : v.columns)
        if (Lower(Trimmed(given)) == wanted) {
            out = value;
            return true;
        }
    return false;
}

// The value of one field; false when it has none.
bool FieldValue(std::string_view field, const CFieldValues& v, std::string& out) {
    if (field == "data") return out = v.data, true;
    if (field == "n") return out = std::to_string(v.n), true;
    if (field == "number") return out = v.number, true;
    if (field == "date") return out = Today({}, v.today), true;
    if (field.starts_with("date:")) return out = Today(field.substr(5), v.today), true;
    return Column(field, v, out);
}

// Calls `field` for each field of `text` and `literal` for the text between them.
template <class Field, class Literal>
void Scan(std::string_view text, Field&& field, Literal&& literal) {
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i, 2) == "{{" || text.substr(i, 2) == "}}") {
            literal(text.substr(i, 1));
            i += 2;
            continue;
        }
        const std::size_t close = text[i] == '{' ? text.find('}', i + 1) : std::string_view::npos;
        if (close == std::string_view::npos) {
            literal(text.substr(i, 1));
            ++i;
            continue;
        }
        field(text.substr(i + 1, close - i - 1), text.substr(i, close - i + 1));
        i = close + 1;
    }
}

} // namespace

std::string FillFields(std::string_view text, const CFieldValues& values,
                       std::vector<std::string>* unknown) {
    std::string out;
    Scan(
        text,
        [&](std::string_view field, std::string_view typed) {
            std::string value;
            if (FieldValue(field, values, value)) {
                out += value;
                return;
            }
            out += typed;
            if (unknown) unknown->emplace_back(field);
        },
        [&](std::string_view literal) { out += literal; });
    return out;
}

std::vector<std::string> FieldNames(std::string_view text) {
    std::vector<std::string> names;
    Scan(
        text,
        [&](std::string_view field, std::string_view) {
            if (std::find(names.begin(), names.end(), field) == names.end())
                names.emplace_back(field);
        },
        [](std::string_view) {});
    return names;
}

bool IsLabelField(std::string_view name) {
    return name == "data" || name == "n" || name == "number" || name == "date" ||
           name.starts_with("date:");
}

bool HasFields(std::string_view text) {
    return !FieldNames(text).empty();
}
