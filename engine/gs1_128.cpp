#include "engine/gs1_128.h"

#include "common/latin1.h"
#include "engine/primitives.h"
#include "engine/zint_library.h"

#include <zint.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>

namespace {

// Application identifiers whose fields the messages describe in the program's own words (the
// encoder's rules decide what is valid): their lengths, and which end in a check digit that a
// field one digit short is given.
struct AiRule {
    std::string_view ai; // the identifier; with `decimals`, its first three digits
    bool decimals;       // a fourth digit 0 to 5 says where the field's decimal point lies
    int minLength, maxLength;
    bool numeric;    // digits only; else any character of the GS1 set
    bool checkDigit; // the last digit is the GS1 modulo-10 check digit
    bool separated;  // FNC1 ends the field when another follows
};

// Fields of a predefined length (identifiers starting 00 to 04, 11 to 20, 31 to 36 and 41) need
// no separator; every other field is ended by FNC1 when another follows, fixed length or not.
constexpr AiRule kRules[] = {
    {"00", false, 18, 18, true, true, false},   // SSCC
    {"01", false, 14, 14, true, true, false},   // GTIN
    {"02", false, 14, 14, true, true, false},   // GTIN of the contents
    {"10", false, 1, 20, false, false, true},   // batch or lot
    {"11", false, 6, 6, true, false, false},    // production date
    {"12", false, 6, 6, true, false, false},    // due date
    {"13", false, 6, 6, true, false, false},    // packaging date
    {"15", false, 6, 6, true, false, false},    // best before
    {"16", false, 6, 6, true, false, false},    // sell by
    {"17", false, 6, 6, true, false, false},    // expiration date
    {"20", false, 2, 2, true, false, false},    // variant
    {"21", false, 1, 20, false, false, true},   // serial number
    {"22", false, 1, 20, false, false, true},   // consumer product variant
    {"30", false, 1, 8, true, false, true},     // variable count
    {"37", false, 1, 8, true, false, true},     // count of trade items
    {"240", false, 1, 30, false, false, true},  // additional product identification
    {"241", false, 1, 30, false, false, true},  // customer's item number
    {"250", false, 1, 30, false, false, true},  // secondary serial number
    {"251", false, 1, 30, false, false, true},  // reference to source entity
    {"310", true, 6, 6, true, false, false},    // net weight, kg
    {"311", true, 6, 6, true, false, false},    // length, m
    {"312", true, 6, 6, true, false, false},    // width, m
    {"313", true, 6, 6, true, false, false},    // depth, m
    {"314", true, 6, 6, true, false, false},    // area, m²
    {"315", true, 6, 6, true, false, false},    // net volume, l
    {"316", true, 6, 6, true, false, false},    // net volume, m³
    {"320", true, 6, 6, true, false, false},    // net weight, lb
    {"330", true, 6, 6, true, false, false},    // gross weight, kg
    {"400", false, 1, 30, false, false, true},  // customer's purchase order number
    {"401", false, 1, 30, false, false, true},  // consignment number
    {"402", false, 17, 17, true, true, true},   // shipment identification number
    {"403", false, 1, 30, false, false, true},  // routing code
    {"410", false, 13, 13, true, true, false},  // ship to: GLN
    {"411", false, 13, 13, true, true, false},  // bill to
    {"412", false, 13, 13, true, true, false},  // purchased from
    {"413", false, 13, 13, true, true, false},  // ship for
    {"414", false, 13, 13, true, true, false},  // physical location
    {"415", false, 13, 13, true, true, false},  // invoicing party
    {"416", false, 13, 13, true, true, false},  // production or service location
    {"417", false, 13, 13, true, true, false},  // party
    {"420", false, 1, 20, false, false, true},  // ship-to postal code
    {"422", false, 3, 3, true, false, true},    // country of origin
    {"8005", false, 6, 6, true, false, true},   // price per unit of measure
    {"8020", false, 1, 25, false, false, true}, // payment slip reference number
    {"90", false, 1, 30, false, false, true},   // agreed between trading partners
    {"91", false, 1, 90, false, false, true},   // company internal information
    {"92", false, 1, 90, false, false, true},   {"93", false, 1, 90, false, false, true},
    {"94", false, 1, 90, false, false, true},   {"95", false, 1, 90, false, false, true},
    {"96", false, 1, 90, false, false, true},   {"97", false, 1, 90, false, false, true},
    {"98", false, 1, 90, false, false, true},   {"99", false, 1, 90, false, false, true},
};

const AiRule* FindRule(std::string_view ai) {
    for (const AiRule& r : kRules) {
        if (!r.decimals && r.ai == ai) return &r;
        if (r.decimals && ai.size() == 4 && ai.substr(0, 3) == r.ai && ai[3] >= '0' && ai[3] <= '5')
            return &r;
    }
    return nullptr;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The 82 characters a GS1 field may hold.
bool IsGs1Character(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c)) return true;
    return std::string_view("!\"%&'()*+,-./:;<=>?_").find(c) != std::string_view::npos;
}

// The GS1 modulo-10 check digit of `digits` (without it): weights 3 and 1 alternating from the
// right.
char Gs1CheckDigit(std::string_view digits) {
    int sum = 0, weight = 3;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, weight = 4 - weight)
        sum += (*it - '0') * weight;
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string Quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

// "(01) takes 14 digits", "(10) takes 1 to 20 characters".
CMessage TakesLength(const std::string& id, const AiRule& r) {
    const std::string lo = std::to_string(r.minLength), hi = std::to_string(r.maxLength);
    if (r.minLength == r.maxLength)
        return MakeMessage(r.numeric ? Msg::Gs1TakesDigits : Msg::Gs1TakesCharacters, id, lo);
    return MakeMessage(r.numeric ? Msg::Gs1TakesDigitsRange : Msg::Gs1TakesCharactersRange, id, lo,
                       hi);
}

// Fields of a predefined length need no FNC1 after them (GS1 General Specifications, figure
// 7.8.5-2: identifiers starting 00 to 04, 11 to 20, 31 to 36 and 41).
bool PredefinedLength(std::string_view ai) {
    static constexpr std::string_view kPrefixes[] = {"00", "01", "02", "03", "04", "11", "12", "13",
                                                     "14", "15", "16", "17", "18", "19", "20", "31",
                                                     "32", "33", "34", "35", "36", "41"};
    return ai.size() >= 2 && std::find(std::begin(kPrefixes), std::end(kPrefixes),
                                       ai.substr(0, 2)) != std::end(kPrefixes);
}

// The encoder's verdict on one element string.
ZintSymbol EncoderCheck(const std::string& ai, const std::string& data) {
    ZintRequest request;
    request.symbology = BARCODE_GS1_128;
    request.inputMode = GS1_MODE;
    request.data = "[" + ai + "]" + data;
    return ZintEncode(request);
}

// The lengths the encoder takes for a field of `ai` that no rule of ours describes: a rule made
// of what it accepts ('1's of each length; a wrong check digit or a date it rejects still tells
// the length is right), and whether it takes digits only. Found once per identifier.
std::optional<AiRule> EncoderRule(const std::string& ai) {
    static std::mutex lock;
    static std::map<std::string, std::optional<AiRule>> found;
    const std::lock_guard guard(lock);
    if (const auto it = found.find(ai); it != found.end()) return it->second;
    std::optional<AiRule> rule;
    for (int n = 1; n <= 90; ++n) {
        const ZintSymbol z = EncoderCheck(ai, std::string(static_cast<std::size_t>(n), '1'));
        if (z.errorNumber == 259 || z.errorNumber == 258) continue;
        if (!rule) rule = AiRule{"", false, n, n, false, false, true};
        rule->maxLength = n;
    }
    if (rule) {
        const ZintSymbol letter =
            EncoderCheck(ai, "A" + std::string(static_cast<std::size_t>(rule->minLength - 1), '1'));
        rule->numeric = letter.reason.find("Non-numeric") != std::string::npos;
    }
    found.emplace(ai, rule);
    return rule;
}

// "AI (01) position 14: Bad checksum '4', expected '3'": the position (from 1) and the digit
// expected there; position 0 when the text says neither.
std::pair<std::size_t, char> ExpectedCheckDigit(const std::string& reason) {
    const std::size_t at = reason.find("position ");
    const std::size_t expected = reason.find("expected '");
    if (at == std::string::npos || expected == std::string::npos ||
        reason.find("Bad checksum") == std::string::npos)
        return {0, 0};
    return {static_cast<std::size_t>(std::atoi(reason.c_str() + at + 9)), reason[expected + 10]};
}

// What the encoder says of the field, without the identifier it names.
std::string FieldReason(const std::string& reason) {
    const std::size_t colon = reason.find("): ");
    return reason.rfind("AI (", 0) == 0 && colon != std::string::npos ? reason.substr(colon + 3)
                                                                      : reason;
}

// Checks one field against its identifier through the encoder's rules (every identifier it
// knows, the field's length, characters, dates and check digits); the element to encode, or
// nothing with the reason. A missing check digit is added and a wrong one replaced.
bool CheckField(Gs1Element& e, CMessages& changes) {
    const std::string id = "(" + e.ai + ")";
    const auto leftOut = [&](CMessage why) {
        changes.push_back(MakeMessage(Msg::Gs1FieldLeftOut,
                                      Latin1ToUtf8(e.data.empty() ? id : id + Quoted(e.data)),
                                      std::move(why)));
        return false;
    };
    std::optional<AiRule> rule;
    if (const AiRule* ours = FindRule(e.ai)) rule = *ours;
    const auto length = static_cast<int>(e.data.size());
    if (rule && rule->checkDigit && length == rule->maxLength - 1 &&
        std::all_of(e.data.begin(), e.data.end(), IsDigit)) {
        const char check = Gs1CheckDigit(e.data);
        e.data.push_back(check);
        changes.push_back(MakeMessage(Msg::Gs1CheckDigitAdded, std::string(1, check), id));
    }
    // A field with more than one check digit is put right one at a time.
    for (std::size_t attempt = 0; attempt <= e.data.size(); ++attempt) {
        const ZintSymbol z = EncoderCheck(e.ai, e.data);
        if (z.Ok()) {
            e.separated = !PredefinedLength(e.ai);
            return true;
        }
        switch (z.errorNumber) {
        case -1:
            return leftOut(MakeMessage(Msg::LibraryNotLoaded, "GS1", z.reason));
        case 256:
        case 260:
            changes.push_back(MakeMessage(Msg::Gs1UnknownIdentifier, id));
            return false;
        case 258:
        case 259:
            if (!rule) rule = EncoderRule(e.ai);
            return leftOut(rule ? TakesLength(id, *rule)
                                : MakeMessage(Msg::EncoderSays, FieldReason(z.reason)));
        default:
            break;
        }
        const auto [position, digit] = ExpectedCheckDigit(z.reason);
        if (position == 0 || position > e.data.size()) {
            if (z.reason.find("Non-numeric") != std::string::npos)
                return leftOut(MakeMessage(Msg::Gs1DigitsOnly, id));
            const auto bad = std::find_if_not(e.data.begin(), e.data.end(), IsGs1Character);
            if (bad != e.data.end())
                return leftOut(MakeMessage(Msg::Gs1NotAFieldCharacter, Latin1ToUtf8({&*bad, 1})));
            return leftOut(MakeMessage(Msg::EncoderSays, FieldReason(z.reason)));
        }
        char& wrong = e.data[position - 1];
        changes.push_back(MakeMessage(Msg::Gs1CheckDigitReplaced, std::string(1, wrong), id,
                                      std::string(1, digit)));
        wrong = digit;
    }
    return leftOut(MakeMessage(Msg::EncoderSays, "check digits"));
}

// GS1 limits a symbol to 48 data characters: the identifiers, their fields and the FNC1s that
// end fields. Elements beyond are left out, and said.
void KeepWithinLimit(Gs1Data& out) {
    constexpr std::size_t kMostCharacters = 48;
    std::size_t count = 0;
    for (std::size_t i = 0; i < out.elements.size(); ++i) {
        const Gs1Element& e = out.elements[i];
        count += e.ai.size() + e.data.size() + (i > 0 && out.elements[i - 1].separated ? 1 : 0);
        if (count <= kMostCharacters) continue;
        for (std::size_t k = i; k < out.elements.size(); ++k)
            out.changes.push_back(
                MakeMessage(Msg::Gs1TooManyCharacters,
                            Latin1ToUtf8("(" + out.elements[k].ai + ")" + out.elements[k].data)));
        out.elements.resize(i);
        return;
    }
}

} // namespace

std::string Gs1Data::Text() const {
    std::string text;
    for (const Gs1Element& e : elements)
        text += "(" + e.ai + ")" + e.data;
    return text;
}

Gs1Data ParseGs1(std::string_view typed) {
    Gs1Data out;
    // No field holds a space.
    std::string text;
    text.reserve(typed.size());
    for (char c : typed)
        if (c != ' ') text.push_back(c);
    if (text.size() != typed.size()) out.changes.push_back(MakeMessage(Msg::Gs1SpacesLeftOut));
    if (text.empty()) return out;

    std::size_t open = text.find('(');
    if (open == std::string::npos) {
        out.changes.push_back(MakeMessage(Msg::Gs1NeedsIdentifiers));
        return out;
    }
    if (open > 0)
        out.changes.push_back(MakeMessage(Msg::Gs1TextBeforeLeftOut,
                                          Latin1ToUtf8(std::string_view(text).substr(0, open))));
    while (open != std::string::npos) {
        const std::size_t close = text.find(')', open + 1);
        const std::size_t next = text.find('(', open + 1);
        if (close == std::string::npos || (next != std::string::npos && next < close)) {
            const std::size_t end = next == std::string::npos ? text.size() : next;
            out.changes.push_back(
                MakeMessage(Msg::Gs1NoClosingParen,
                            Latin1ToUtf8(std::string_view(text).substr(open, end - open))));
            open = next;
            continue;
        }
        Gs1Element e;
        e.ai = text.substr(open + 1, close - open - 1);
        const std::size_t end = next == std::string::npos ? text.size() : next;
        e.data = text.substr(close + 1, end - close - 1);
        if (CheckField(e, out.changes)) out.elements.push_back(std::move(e));
        open = next;
    }
    KeepWithinLimit(out);
    return out;
}

Code128Symbol Gs1Code128(const std::vector<Gs1Element>& elements) {
    if (elements.empty()) return {};
    // The data's control characters for FNC1 and the code-set switches (code 100 + value).
    constexpr char kFnc1 = static_cast<char>(100 + kCode128Fnc1);
    constexpr char kToC = static_cast<char>(100 + kCode128CodeC);
    constexpr char kToB = static_cast<char>(100 + kCode128CodeB);
    std::string items(1, kFnc1);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        items += elements[i].ai + elements[i].data;
        if (elements[i].separated && i + 1 < elements.size()) items += kFnc1;
    }
    const std::size_t n = items.size();
    const auto digit = [&items, n](std::size_t i) { return i < n && IsDigit(items[i]); };
    // What set C takes at i: FNC1 alone, or a pair of digits; 0 when neither.
    const auto unitC = [&](std::size_t i) -> std::size_t {
        if (items[i] == kFnc1) return 1;
        return digit(i) && digit(i + 1) ? 2 : 0;
    };
    // cost[i][s]: the fewest symbol characters for items i onwards, in set s (0 = B, 1 = C) at
    // i; a switch costs one. Set B takes any item one at a time.
    constexpr int kNever = 1 << 29;
    std::vector<std::array<int, 2>> cost(n + 1, {0, 0});
    const auto inB = [&cost](std::size_t i) { return 1 + cost[i + 1][0]; };
    const auto inC = [&](std::size_t i) {
        const std::size_t u = unitC(i);
        return u ? 1 + cost[i + u][1] : kNever;
    };
    for (std::size_t i = n; i-- > 0;) {
        cost[i][0] = std::min(inB(i), 1 + inC(i));
        cost[i][1] = std::min(inC(i), 1 + inB(i));
    }
    const int start = inC(0) <= inB(0) ? 1 : 0;
    std::string data;
    for (std::size_t i = 0, set = static_cast<std::size_t>(start); i < n;) {
        if (set == 1) {
            if (inC(i) <= 1 + inB(i)) {
                const std::size_t u = unitC(i);
                data.append(items, i, u);
                i += u;
            } else {
                data += kToB;
                set = 0;
            }
        } else if (inB(i) <= 1 + inC(i)) {
            data += items[i++];
        } else {
            data += kToC;
            set = 1;
        }
    }
    return Code128Encode(data, start == 1 ? 2 : 1);
}

// ---- CGS1128Barcode ----

IMPLEMENT_SERIAL(CGS1128Barcode, CBarcode, 256)

void CGS1128Barcode::SetData(std::string_view text) {
    m_strData = ParseGs1(text).Text();
}

int CGS1128Barcode::GetWidth() const {
    const Code128Symbol symbol = Gs1Code128(ParseGs1(m_strData).elements);
    if (symbol.values.empty()) return 0;
    const auto characters = static_cast<std::int64_t>(symbol.values.size()) + 2;
    return engine::ClampToInt((11 * characters + 13) * engine::ReadDensity());
}

CSize CGS1128Barcode::GetQuietZones() const {
    const int q = engine::ClampToInt(10LL * engine::ReadDensity());
    return {q, q};
}

void CGS1128Barcode::Draw(CDrawSurface& surface, CPoint& origin, int barHeight, bool showText,
                          int orientation) const {
    const Gs1Data gs1 = ParseGs1(m_strData);
    const Code128Symbol symbol = Gs1Code128(gs1.elements);
    if (symbol.values.empty()) return;
    const engine::CBarCursor bars =
        DrawCode128Symbol(surface, origin, barHeight, orientation, symbol,
                          [](int value) { return std::string(Code128Pattern(value)); });
    if (showText) DrawHumanText(surface, bars, barHeight, gs1.Text());
}

CBarcode::CDataCheck CGS1128Barcode::CheckData(std::string_view typed) const {
    const Gs1Data gs1 = ParseGs1(typed);
    return CDataCheck{std::string(typed), gs1.Text(), gs1.changes};
}
