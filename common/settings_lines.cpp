#include "common/settings_lines.h"

#include <charconv>
#include <optional>
#include <utility>

namespace settings {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::optional<std::int32_t> ParseInt(std::string_view s) {
    std::size_t skip = 0;
    if (!s.empty() && s.front() == '+') {
        if (s.size() < 2 || s[1] == '-') return std::nullopt;
        skip = 1;
    }
    std::int32_t v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data() + skip, end, v);
    if (s.size() == skip || ec != std::errc() || p != end) return std::nullopt;
    return v;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void Classify(Line& line, bool firstLine) {
    std::string_view t = line.text;
    // Editors on other systems like to put a byte order mark in front of the first header.
    if (firstLine && t.starts_with("\xEF\xBB\xBF")) t.remove_prefix(3);
    t = Trim(t);
    if (t.empty() || t.front() == ';' || t.front() == '#') {
        line.kind = LineKind::Comment;
        return;
    }
    if (t.front() == '[') {
        line.kind = LineKind::BadHeader;
        const std::size_t close = t.find(']');
        if (close == std::string_view::npos) return;
        const std::string_view rest = Trim(t.substr(close + 1));
        if (!rest.empty() && rest.front() != ';' && rest.front() != '#') return;
        const std::string_view name = Trim(t.substr(1, close - 1));
        if (!IsStorableName(name, false)) return;
        line.kind = LineKind::Header;
        line.name = Lowered(name);
        return;
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return;
    const std::string_view name = Trim(t.substr(0, eq));
    if (!IsStorableName(name, true)) return;
    std::string_view after = t.substr(eq + 1);
    while (!after.empty() && IsBlank(after.front()))
        after.remove_prefix(1);
    line.kind = LineKind::Entry;
    line.name = Lowered(name);
    line.valuePos = static_cast<std::size_t>(after.data() - line.text.data());
}

} // namespace

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

bool IsStorableName(std::string_view name, bool isKey) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ') return false;
    if (isKey && (name.front() == ';' || name.front() == '#')) return false;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c > 0x7E || c == '=' || c == '[' || c == ']') return false;
    }
    return true;
}

Value ParseValue(std::string_view raw) {
    Value v;
    if (raw.empty() || raw.front() != '"') {
        if (auto n = ParseInt(raw)) {
            v.type = Value::Type::Int;
            v.number = *n;
        } else {
            v.type = Value::Type::String;
            v.text.assign(raw);
        }
        return v;
    }
    std::size_t i = 1;
    for (; i < raw.size() && raw[i] != '"'; ++i) {
        if (raw[i] != '\\') {
            v.text.push_back(raw[i]);
            continue;
        }
        if (++i >= raw.size()) return Value{};
        const char e = raw[i];
        if (e == '\\' || e == '"') {
            v.text.push_back(e);
        } else if (e == 'x' && i + 2 < raw.size() && HexDigit(raw[i + 1]) >= 0 &&
                   HexDigit(raw[i + 2]) >= 0) {
            v.text.push_back(static_cast<char>(HexDigit(raw[i + 1]) * 16 + HexDigit(raw[i + 2])));
            i += 2;
        } else {
            return Value{};
        }
    }
    // Unterminated, or something after the closing quote: we cannot tell what was meant.
    if (i + 1 != raw.size()) return Value{};
    v.type = Value::Type::String;
    return v;
}

std::string EncodeInt(int value) {
    char buf[16];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec; // cannot fail: any int fits in 16 characters
    return std::string(buf, p);
}

std::string EncodeString(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size() + 2);
    out.push_back('"');
    for (char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '\\' || ch == '"') {
            out.push_back('\\');
            out.push_back(ch);
        } else if (c < 0x20 || c > 0x7E) {
            out += "\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
    return out;
}

std::vector<Line> SplitLines(std::string_view data) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t end = data.find('\n', pos);
        if (end == std::string_view::npos) end = data.size();
        Line line;
        line.text.assign(data.substr(pos, end - pos));
        Classify(line, lines.empty());
        lines.push_back(std::move(line));
        pos = end + 1;
    }
    return lines;
}

std::string_view RawValue(const Line& line) {
    return Trim(std::string_view(line.text).substr(line.valuePos));
}

std::string Serialize(const std::vector<Line>& lines) {
    std::size_t size = 0;
    for (const Line& line : lines)
        size += line.text.size() + 1;
    std::string out;
    out.reserve(size);
    for (const Line& line : lines) {
        out += line.text;
        out.push_back('\n');
    }
    return out;
}

// Changes the first occurrence of the key in any section of that name, else adds it at the end of
// the first such section (before its trailing comments, which usually introduce what follows),
// else adds the section at the end.
bool SetValue(std::vector<Line>& lines, std::string_view section, std::string_view key,
              const std::string& encoded) {
    const std::string sectionName = Lowered(section);
    const std::string keyName = Lowered(key);
    bool inMatch = false;
    bool inFirst = false;
    std::optional<std::size_t> insertAfter;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Line& line = lines[i];
        switch (line.kind) {
        case LineKind::Header:
            inMatch = line.name == sectionName;
            inFirst = inMatch && !insertAfter;
            if (inFirst) insertAfter = i;
            break;
        case LineKind::BadHeader:
            inMatch = inFirst = false;
            break;
        case LineKind::Entry:
            if (inMatch && line.name == keyName) {
                // Keep the spelling and spacing already there; a CRLF file keeps its CR.
                std::string text = line.text.substr(0, line.valuePos) + encoded;
                if (line.text.ends_with('\r')) text.push_back('\r');
                if (text == line.text) return false;
                line.text = std::move(text);
                return true;
            }
            if (inFirst) insertAfter = i;
            break;
        case LineKind::Garbage:
            if (inFirst) insertAfter = i;
            break;
        case LineKind::Comment:
            break;
        }
    }
    Line entry;
    entry.text = std::string(key) + "=" + encoded;
    entry.kind = LineKind::Entry;
    if (insertAfter) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAfter + 1),
                     std::move(entry));
        return true;
    }
    if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back(Line{});
    Line header;
    header.text = "[" + std::string(section) + "]";
    header.kind = LineKind::Header;
    lines.push_back(std::move(header));
    lines.push_back(std::move(entry));
    return true;
}

// Removes every occurrence, so no later duplicate shows through once the first is gone.
bool RemoveKey(std::vector<Line>& lines, std::string_view section, std::string_view key) {
    const std::string sectionName = Lowered(section);
    const std::string keyName = Lowered(key);
    bool inMatch = false;
    std::vector<Line> kept;
    kept.reserve(lines.size());
    for (Line& line : lines) {
        if (line.kind == LineKind::Header) inMatch = line.name == sectionName;
        if (line.kind == LineKind::BadHeader) inMatch = false;
        if (inMatch && line.kind == LineKind::Entry && line.name == keyName) continue;
        kept.push_back(std::move(line));
    }
    const bool changed = kept.size() != lines.size();
    lines = std::move(kept);
    return changed;
}

// Removes each header of that name with everything under it up to its last entry or unknown line;
// comments and blank lines after that stay, as they usually belong to the next section.
bool RemoveSection(std::vector<Line>& lines, std::string_view section) {
    const std::string sectionName = Lowered(section);
    std::vector<bool> drop(lines.size(), false);
    bool changed = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Header || lines[i].name != sectionName) continue;
        std::size_t last = i;
        std::size_t j = i + 1;
        for (; j < lines.size(); ++j) {
            const LineKind kind = lines[j].kind;
            if (kind == LineKind::Header || kind == LineKind::BadHeader) break;
            if (kind != LineKind::Comment) last = j;
        }
        for (std::size_t k = i; k <= last; ++k)
            drop[k] = true;
        changed = true;
        i = j - 1;
    }
    if (!changed) return false;
    std::vector<Line> kept;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!drop[i]) kept.push_back(std::move(lines[i]));
    lines = std::move(kept);
    return true;
}

} // namespace settings
