#pragma once
// A data file of a label run, read once, and its rows one at a time: fields split at a comma,
// semicolon or tab and quoted as RFC 4180 has it (a quoted field may hold separators, line
// breaks and doubled quotes), or each line whole; only the fields of the columns a run uses are
// built. The file's text is UTF-8 or Latin-1, or UTF-16 with its byte-order mark (made UTF-8 as
// it is read), and goes to the engine as Latin-1. No Qt.

#include "common/message.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class TextEncoding { Utf8, Latin1 };

// UTF-8 when the bytes start with its byte-order mark or are well-formed UTF-8 throughout;
// otherwise Latin-1, where every byte is a character.
TextEncoding DetectEncoding(std::string_view bytes);
// The bytes without a leading UTF-8 byte-order mark.
std::string_view WithoutByteOrderMark(std::string_view bytes);

// `text` in Latin-1. Characters outside it are left out, and appended to `outside` in UTF-8.
std::string ToLatin1(std::string_view text, TextEncoding encoding, std::string& outside);
// `text` in UTF-8, for messages and lists.
std::string ToUtf8(std::string_view text, TextEncoding encoding);

// Whether the bytes start with a UTF-16 byte-order mark (either byte order).
bool HasUtf16ByteOrderMark(std::string_view bytes);
// UTF-16 after its byte-order mark as UTF-8; an unpaired surrogate or a last odd byte becomes
// U+FFFD, as text readers show them.
std::string Utf16ToUtf8(std::string_view bytes);
// Whether bytes without a byte-order mark look like UTF-16: their first kilobytes hold many NUL
// bytes, nearly all at even or all at odd places, as Latin letters in UTF-16 do. No text file
// of the other encodings holds NUL bytes.
bool LooksLikeUtf16(std::string_view bytes);

// A data file's text as the runs read it: without a byte-order mark, UTF-16 made UTF-8.
struct CDataText {
    std::string text;
    TextEncoding encoding = TextEncoding::Utf8;
};

// The text of `bytes` as CDataText holds it; empty, with the reason, for UTF-16 without a
// byte-order mark. `shown` names the file in the message.
CMessage DecodeDataText(std::string bytes, const std::string& shown, CDataText& out);

// Reads the file `path` whole, once ("-" is standard input; a pipe or a FIFO is read to its
// end), at most maxBytes of it, and decodes it. Null, with the reason, when it cannot be read,
// is larger, is a folder, or is UTF-16 without a byte-order mark.
struct CReadDataFile {
    std::shared_ptr<const CDataText> text;
    CMessage error;
};
CReadDataFile ReadDataFile(const std::string& path, std::int64_t maxBytes);

// The separator of the first line: whichever of tab, semicolon and comma it holds most often
// outside quotes (in that order when as often), or '\n' when it holds none: each line whole.
char FindSeparator(std::string_view bytes);

// What a reader does with the fields of a row: which it builds, and what becomes of each one
// built. Fields not wanted are passed over and only counted, so a row of a million fields costs
// no more memory than its wanted ones.
class CFieldTaker {
public:
    virtual bool Wants(std::size_t column) const = 0; // from 0
    virtual void Take(std::size_t column, std::string&& field) = 0;

protected:
    ~CFieldTaker() = default;
};

class CDelimitedReader {
public:
    // `separator` is ',', ';' or '\t'; '\n' takes each line whole, quotes and all. The bytes
    // must outlive the reader.
    CDelimitedReader(std::string_view bytes, char separator);

    // The next row: its wanted fields, quotes undone, handed to `taker`; the line it starts on
    // (from 1) and how many fields it has. Lines with nothing on them are passed over. False at
    // the end, and at a quote that is never closed (Error() then says where).
    bool NextRow(CFieldTaker& taker, std::int64_t& line, std::size_t& fields);
    // The same with every field built, in order.
    bool Next(std::vector<std::string>& fields, std::int64_t& line);
    const CMessage& Error() const { return m_error; }

private:
    // Consumes a line break at the reading position (CR LF, LF or CR); false when none is there.
    bool LineBreak();
    // Reads one field up to the separator or line break after it, appending it to `out` unless
    // that is null; false at a quote that is never closed.
    bool ReadField(std::string* out);
    // Counts the line breaks of [from, to) into the line number, as LineBreak would.
    void CountBreaks(std::size_t from, std::size_t to);

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    std::int64_t m_line = 1;
    char m_separator;
    CMessage m_error;
};
