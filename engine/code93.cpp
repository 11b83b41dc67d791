#include "engine/code93.h"

#include "engine/code39.h"
#include "engine/primitives.h"

#include <cstdint>

namespace {

// The 43 data characters in value order; the shift characters ($) (%) (/) (+) follow as 43 to 46.
constexpr std::string_view kCode93Alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr std::string_view kCode93Shifts = "$%/+";

// Code 93 symbol characters, AIM USS-93 table: nine modules each, three bars and three spaces.
constexpr std::array<std::string_view, 49> kCode93Table = {
    "bsssbsbss",  "bsbssbsss", "bsbsssbss", "bsbssssbs", // 0 1 2 3
    "bssbsbsss",  "bssbssbss", "bssbsssbs", "bsbsbssss", // 4 5 6 7
    "bsssbssbs",  "bssssbsbs", "bbsbsbsss", "bbsbssbss", // 8 9 A B
    "bbsbsssbs",  "bbssbsbss", "bbssbssbs", "bbsssbsbs", // C D E F
    "bsbbsbsss",  "bsbbssbss", "bsbbsssbs", "bssbbsbss", // G H I J
    "bsssbbsbs",  "bsbsbbsss", "bsbssbbss", "bsbsssbbs", // K L M N
    "bssbsbbss",  "bsssbsbbs", "bbsbbsbss", "bbsbbssbs", // O P Q R
    "bbsbsbbss",  "bbsbssbbs", "bbssbsbbs", "bbssbbsbs", // S T U V
    "bsbbsbbss",  "bsbbssbbs", "bssbbsbbs", "bssbbbsbs", // W X Y Z
    "bssbsbbbs",  "bbbsbsbss", "bbbsbssbs", "bbbssbsbs", // - . space $
    "bsbbsbbbs",  "bsbbbsbbs", "bbsbsbbbs", "bssbssbbs", // / + % ($)
    "bbbsbbsbs",  "bbbsbsbbs", "bssbbssbs", "bsbsbbbbs", // (%) (/) (+) start/stop
    "bsbsbbbbsb",                                        // stop with termination bar
};
static_assert(kCode93Table.size() == kCode93Alphabet.size() + kCode93Shifts.size() + 2);
static_assert(kCode93Start == 47 && kCode93StopBar == 48);

constexpr bool EveryCharacterIsNineModulesOfThreeBars() {
    for (int v = 0; v <= kCode93Start; ++v) {
        const std::string_view p = kCode93Table[v];
        int bars = 0;
        for (std::size_t i = 0; i < p.size(); ++i)
            bars += p[i] == 'b' && (i == 0 || p[i - 1] == 's');
        if (p.size() != 9 || p.front() != 'b' || p.back() != 's' || bars != 3) return false;
    }
    return kCode93Table[kCode93StopBar] == "bsbsbbbbsb" &&
           kCode93Table[kCode93StopBar].substr(0, 9) == kCode93Table[kCode93Start];
}
static_assert(EveryCharacterIsNineModulesOfThreeBars());

// Check-character sum of values weighted 1 to `maxWeight` from the right end, modulo 47.
int WeightedSum47(std::span<const int> values, int maxWeight) {
    std::int64_t sum = 0;
    int weight = 0;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        weight = weight % maxWeight + 1;
        sum = (sum + static_cast<std::int64_t>(*it) * weight) % 47;
    }
    return static_cast<int>(sum);
}

} // namespace

Code93Chars Code93Map(unsigned char c) {
    if (c > 127) return {};
    if (const auto at = kCode93Alphabet.find(static_cast<char>(c)); at != std::string_view::npos)
        return {{static_cast<int>(at), 0}, 1};
    // Every other code is Code 39's full-ASCII pair, a shift and a letter, with the shift
    // drawn as a symbol character of its own. '$', '%', '+' and '/', which Code 39 must shift,
    // were found above.
    const std::string_view pair = Code39FullAscii(c);
    const int shift = 43 + static_cast<int>(kCode93Shifts.find(pair[0]));
    return {{shift, static_cast<int>(kCode93Alphabet.find(pair[1]))}, 2};
}

std::string_view Code93Pattern(int value) {
    if (value < 0 || value >= static_cast<int>(kCode93Table.size())) return {};
    return kCode93Table[static_cast<std::size_t>(value)];
}

std::vector<int> Code93Sequence(std::string_view data) {
    std::vector<int> sequence;
    sequence.reserve(data.size());
    for (char ch : data)
        for (int v : Code93Map(static_cast<unsigned char>(ch)))
            sequence.push_back(v);
    return sequence;
}

Code93CheckValues Code93Checks(std::span<const int> sequence) {
    std::vector<int> withC(sequence.begin(), sequence.end());
    withC.push_back(WeightedSum47(sequence, 20));
    return {withC.back(), WeightedSum47(withC, 15)};
}

// ---- C93Barcode ----

IMPLEMENT_SERIAL(C93Barcode, CBarcode, 256)

void C93Barcode::SetData(std::string_view text) {
    m_strData = text;
}

CSize C93Barcode::GetQuietZones() const {
    const int q = engine::ClampToInt(10LL * engine::ReadDensity());
    return {q, q};
}

int C93Barcode::GetWidth() const {
    // Characters 128 to 255 are skipped when drawing, so they take no room here either.
    const std::int64_t s = static_cast<std::int64_t>(Code93Sequence(m_strData).size());
    return engine::ClampToInt(engine::ReadDensity() * (9 * (s + 3) + 10));
}

void C93Barcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                      int orientation) const {
    const std::vector<int> sequence = Code93Sequence(m_strData);
    const Code93CheckValues checks = Code93Checks(sequence);
    engine::CBarCursor bars(surface, origin, orientation);
    const auto draw = [&](int value) { bars.Modules(Code93Pattern(value), barHeight); };
    draw(kCode93Start);
    for (int v : sequence)
        draw(v);
    draw(checks.c);
    draw(checks.k);
    draw(kCode93StopBar);
    origin = bars.Position();
    if (showText) DrawHumanText(surface, bars, barHeight, m_strData);
}
