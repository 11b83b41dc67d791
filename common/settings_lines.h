#pragma once
// The settings store's text as lines: what each line is, the values it holds, and the edits the
// store makes to them. Works on text only; common/settings_file.h reads and writes the file.
//
// File format, one item per line:
//   [Options]            a section header
//   Density=10           an integer (decimal, optional sign, fits in 32 bits)
//   Font Name="Courier"  a string; \\, \" and \xNN escapes, everything else literal
//   ; or # at the start  a comment
// Anything else is kept as it is and ignored. Strings are always written quoted with every byte
// outside 0x20..0x7E escaped, so the file stays plain ASCII and a string that looks like a number
// keeps its type. A hand-written unquoted value is an integer when it parses as one and a trimmed
// string otherwise.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

char LowerAscii(char c);
std::string Lowered(std::string_view s);

// A name must come back from the file exactly as it went in: no bytes the parser would trim,
// split on or take for a header, and plain ASCII so the file stays clean.
bool IsStorableName(std::string_view name, bool isKey);

struct Value {
    enum class Type : std::uint8_t { Int, String, Unreadable };
    Type type = Type::Unreadable;
    std::int32_t number = 0;
    std::string text;
};

// raw is the trimmed text after '='.
Value ParseValue(std::string_view raw);
std::string EncodeInt(int value);
std::string EncodeString(std::string_view value);

enum class LineKind : std::uint8_t {
    Comment,   // blank or comment
    Garbage,   // nothing we understand; kept, never read
    Header,    // [Section] with a storable name
    BadHeader, // starts like a header but is not one; ends the section before it
    Entry,     // Key=value with a storable key; the value may still be unreadable
};

struct Line {
    std::string text; // exactly as in the file, without the newline
    LineKind kind = LineKind::Garbage;
    std::string name;         // lowercased section (Header) or key (Entry)
    std::size_t valuePos = 0; // Entry: where the value starts in text, after '=' and blanks
};

std::vector<Line> SplitLines(std::string_view data);
// The trimmed value text of an Entry line.
std::string_view RawValue(const Line& line);
// Every line with its newline, the last one included.
std::string Serialize(const std::vector<Line>& lines);

// The edits; each returns whether it changed anything.
bool SetValue(std::vector<Line>& lines, std::string_view section, std::string_view key,
              const std::string& encoded);
bool RemoveKey(std::vector<Line>& lines, std::string_view section, std::string_view key);
bool RemoveSection(std::vector<Line>& lines, std::string_view section);

} // namespace settings
