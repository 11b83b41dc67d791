#include "engine/zint_options.h"

#include "common/settings_keys.h"
#include "engine/symbologies.h"

#include <array>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace {

// "Automatic", then the numbers from `first` to `last` (with `prefix`), as list texts.
std::span<const char* const> Numbered(const char* prefix, int first, int last) {
    // Kept for the program's life: the options point at them.
    static std::deque<std::string> texts;
    static std::deque<std::vector<const char*>> lists;
    static std::mutex lock;
    const std::lock_guard guard(lock);
    std::vector<const char*>& list = lists.emplace_back();
    list.push_back("Automatic");
    for (int n = first; n <= last; ++n)
        list.push_back(texts.emplace_back(prefix + std::to_string(n)).c_str());
    return list;
}

// The encoder's Data Matrix sizes 1 to 48: the 24 squares, the 6 rectangles, then the 18
// rectangles of DMRE (ISO/IEC 21471).
constexpr std::array<DataMatrixSize, 48> kDataMatrixSizes = {{
    {10, 10}, {12, 12}, {14, 14}, {16, 16}, {18, 18},   {20, 20},   {22, 22},   {24, 24},
    {26, 26}, {32, 32}, {36, 36}, {40, 40}, {44, 44},   {48, 48},   {52, 52},   {64, 64},
    {72, 72}, {80, 80}, {88, 88}, {96, 96}, {104, 104}, {120, 120}, {132, 132}, {144, 144},
    {8, 18},  {8, 32},  {12, 26}, {12, 36}, {16, 36},   {16, 48},   {8, 48},    {8, 64},
    {8, 80},  {8, 96},  {8, 120}, {8, 144}, {12, 64},   {12, 88},   {16, 64},   {20, 36},
    {20, 44}, {20, 64}, {22, 48}, {24, 48}, {24, 64},   {26, 40},   {26, 48},   {26, 64},
}};

std::span<const char* const> DataMatrixSizeChoices() {
    static const std::vector<const char*> list = [] {
        static std::deque<std::string> texts;
        std::vector<const char*> out{"Automatic"};
        for (const DataMatrixSize& s : kDataMatrixSizes)
            out.push_back(
                texts.emplace_back(std::to_string(s.rows) + " x " + std::to_string(s.cols))
                    .c_str());
        return out;
    }();
    return list;
}

constexpr const char* kQrLevels[] = {"L 7%", "M 15%", "Q 25%", "H 30%"};
constexpr const char* kMicroQrLevels[] = {"L 7%", "M 15%", "Q 25%"};
constexpr const char* kShapes[] = {"Square", "Rectangle", "Any, DMRE included"};
constexpr const char* kAztecLevels[] = {"Automatic", "10%", "23%", "36%", "50%"};
constexpr const char* kDataKinds[] = {"Text", "GS1"};
constexpr const char* kAddOn[] = {"As typed", "2", "5"};
constexpr const char* kMsiChecks[] = {"None", "Mod 10", "Mod 10 and 10", "Mod 11", "Mod 11 and 10"};
constexpr const char* kCode11Checks[] = {"Two", "One", "None"};
constexpr const char* kOnOff[] = {"On", "Off"};

// In the order of ZintOption.
const std::array<CBarcode::COption, static_cast<std::size_t>(ZintOption::Count)>& OptionTable() {
    static const std::array<CBarcode::COption, static_cast<std::size_t>(ZintOption::Count)> table =
        {{
            {"Error correction", "ecc", kQrLevels, &settings::kQrErrorCorrection},
            {"Version", "version", Numbered("", 1, 40), nullptr},
            {"Error correction", "ecc", kMicroQrLevels, nullptr},
            {"Version", "version", Numbered("M", 1, 4), nullptr},
            {"Shape", "shape", kShapes, &settings::kDataMatrixShape},
            {"Size", "size", DataMatrixSizeChoices(), nullptr},
            {"Error correction", "ecc", Numbered("", 0, 8), nullptr},
            {"Columns", "columns", Numbered("", 1, 30), nullptr},
            {"Columns", "columns", Numbered("", 1, 4), nullptr},
            {"Error correction", "ecc", kAztecLevels, nullptr},
            {"Data", "data", kDataKinds, nullptr},
            {"Columns", "columns", Numbered("", 1, 11), nullptr},
            {"Add-on digits", "addon", kAddOn, nullptr},
            {"Check digit", "check", kMsiChecks, nullptr},
            {"Check digits", "check", kCode11Checks, nullptr},
            {"Quiet zone", "quiet", kOnOff, nullptr},
        }};
    return table;
}

struct RowOptions {
    std::vector<CBarcode::COption> options;
    std::vector<ZintOption> kinds;
};

const RowOptions& OptionsOf(const ZintKind& kind) {
    // One list per row of the symbology table, made once.
    static const std::vector<RowOptions> rows = [] {
        std::vector<RowOptions> out;
        for (const SymbologyInfo& s : Symbologies()) {
            RowOptions& row = out.emplace_back();
            for (unsigned k = 0; k < static_cast<unsigned>(ZintOption::Count); ++k)
                if (s.zint.options & (1u << k)) {
                    row.options.push_back(OptionTable()[k]);
                    row.kinds.push_back(static_cast<ZintOption>(k));
                }
        }
        return out;
    }();
    static const RowOptions none;
    const std::span<const SymbologyInfo> table = Symbologies();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (&table[i].zint == &kind) return rows[i];
    return none;
}

} // namespace

const CBarcode::COption& ZintOptionInfo(ZintOption which) {
    return OptionTable()[static_cast<std::size_t>(which)];
}

std::span<const CBarcode::COption> ZintOptionsOf(const ZintKind& kind) {
    return OptionsOf(kind).options;
}

std::span<const ZintOption> ZintOptionKindsOf(const ZintKind& kind) {
    return OptionsOf(kind).kinds;
}

DataMatrixSize DataMatrixSizeOf(int number) {
    if (number < 1 || number > static_cast<int>(kDataMatrixSizes.size())) return {0, 0};
    return kDataMatrixSizes[static_cast<std::size_t>(number - 1)];
}
