#include "cli/line_options.h"

#include "cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

struct Named {
    const char* name;
    int value;
};

constexpr Named kAligns[] = {{"left", 0}, {"centre", 1}, {"center", 1}, {"right", 2}};
constexpr Named kPlaces[] = {{"above", 0}, {"below", 1}, {"left", 2}, {"right", 3}};
constexpr Named kStyles[] = {{"regular", 0}, {"bold", 1}, {"italic", 2}, {"bold-italic", 3}};

template <std::size_t N> const Named* Find(const Named (&table)[N], const std::string& v) {
    const auto it = std::find_if(std::begin(table), std::end(table),
                                 [&v](const Named& n) { return v == n.name; });
    return it == std::end(table) ? nullptr : it;
}

// Sets what `option` sets of the line; what is wrong with the value otherwise.
std::string SetLine(const std::string& option, const std::string& v, CDesignLine& line) {
    if (option == "--line-font") {
        line.face = v;
    } else if (option == "--line-size") {
        int points = 0;
        const char* end = v.data() + v.size();
        if (std::from_chars(v.data(), end, points).ptr != end ||
            points < CLabelDesign::kMinPoints || points > CLabelDesign::kMaxPoints)
            return "needs a size in points from 1 to 500";
        line.points = points;
    } else if (option == "--line-style") {
        const Named* s = Find(kStyles, v);
        if (!s) return "needs regular, bold, italic or bold-italic";
        line.bold = (s->value & 1) != 0;
        line.italic = (s->value & 2) != 0;
    } else if (option == "--line-align") {
        const Named* a = Find(kAligns, v);
        if (!a) return "needs left, centre or right";
        line.align = static_cast<LineAlign>(a->value);
    } else if (option == "--line-place") {
        const Named* p = Find(kPlaces, v);
        if (!p) return "needs above, below, left or right";
        line.place = static_cast<LinePlace>(p->value);
    }
    return {};
}

} // namespace

bool ReadLineOption(const std::vector<std::string>& args, std::size_t& i,
                    std::vector<CDesignLine>& lines, std::string& complaint) {
    const std::string& a = args[i];
    static const char* const kOptions[] = {"--line",       "--line-font",  "--line-size",
                                           "--line-style", "--line-align", "--line-place"};
    if (std::find_if(std::begin(kOptions), std::end(kOptions),
                     [&a](const char* o) { return a == o; }) == std::end(kOptions))
        return false;
    if (i + 1 >= args.size() || args[i + 1].empty()) {
        complaint = a + (a == "--line" ? " needs a text" : " needs a value");
        return true;
    }
    const std::string& value = args[++i];
    if (a == "--line") {
        if (lines.size() >= CLabelDesign::kMaxLines) {
            complaint = "a label has at most " + std::to_string(CLabelDesign::kMaxLines) + " lines";
            return true;
        }
        // A new line starts where the one before it left off, below the symbol after a line
        // below it, and so on.
        CDesignLine line = lines.empty() ? CDesignLine{} : lines.back();
        line.text = value;
        lines.push_back(line);
        return true;
    }
    if (lines.empty()) {
        complaint = a + " sets the --line before it; give --line TEXT first";
        return true;
    }
    if (const std::string wrong = SetLine(a, value, lines.back()); !wrong.empty())
        complaint = a + " " + wrong + ", not \"" + ShownArgument(value) + "\"";
    return true;
}

std::string LineOptionsUsage() {
    return "    the label's lines (with a label product, an image is the whole label):\n"
           "      --line TEXT                a line of text beside the symbol (up to 8, in\n"
           "                                 order); fields: {data}, {n}, {number}, {date} or\n"
           "                                 {date:%d.%m.%Y}, and a column of the data file\n"
           "                                 by its header name or number ({sku}, {2})\n"
           "      --line-font FAMILY         the font of the line before (Liberation Sans)\n"
           "      --line-size POINTS         its size (10)\n"
           "      --line-style regular|bold|italic|bold-italic\n"
           "      --line-align left|centre|right\n"
           "      --line-place above|below|left|right\n"
           "                                 (each line takes the one before's as its own)\n";
}
