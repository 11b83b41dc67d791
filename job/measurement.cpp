#include "job/measurement.h"

#include "common/filter.h"
#include "engine/primitives.h"

#include <cctype>
#include <charconv>
#include <string>

CMeasurement ParseMeasurement(std::string_view text, int optionsUnit) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string kept = FilterToCharset(lower, "0123456789.chilmns");

    // The longest leading number: digits with at most one decimal point.
    std::size_t end = 0;
    bool point = false;
    while (end < kept.size() &&
           (std::isdigit(static_cast<unsigned char>(kept[end])) || (kept[end] == '.' && !point))) {
        point = point || kept[end] == '.';
        ++end;
    }
    // Read without the locale: a decimal point is a point in every language here.
    double v = 0.0;
    if (kept.find_first_of("0123456789") < end) {
        std::string number = kept.substr(0, end);
        if (number.front() == '.') number.insert(number.begin(), '0');
        std::from_chars(number.data(), number.data() + number.size(), v);
    }
    const std::string_view suffix = std::string_view(kept).substr(end);

    using engine::TruncToInt;
    if (suffix == "mil" || suffix == "mils") return {TruncToInt(v), 0};
    if (suffix == "inch" || suffix == "inchs") return {TruncToInt(v * 1000), 0};
    if (suffix == "cm" || suffix == "cms") return {TruncToInt(v * 1000), 1};
    if (suffix == "mm" || suffix == "mms") return {TruncToInt(v * 100), 1};
    return {v > 10 ? TruncToInt(v) : TruncToInt(v * 1000), optionsUnit != 0 ? 1 : 0};
}
