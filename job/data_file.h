#pragma once
// The rows of a text or CSV file, one at a time: fields split at a comma, semicolon or tab and
// quoted as RFC 4180 has it (a quoted field may hold separators, line breaks and doubled
// quotes), or each line whole; and the file's text as the engine takes it, Latin-1, from UTF-8
// or Latin-1. No Qt.

#include "common/message.h"

#include <cstdint>
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

// The separator of the first line: whichever of tab, semicolon and comma it holds most often
// outside quotes (in that order when as often), or '\n' when it holds none: each line whole.
char FindSeparator(std::string_view bytes);

class CDelimitedReader {
public:
    // `separator` is ',', ';' or '\t'; '\n' takes each line whole, quotes and all. The bytes
    // must outlive the reader.
    CDelimitedReader(std::string_view bytes, char separator);

    // The next row's fields, quotes undone, and the line it starts on (from 1). Lines with
    // nothing on them are passed over. False at the end, and at a quote that is never closed
    // (Error() then says where).
    bool Next(std::vector<std::string>& fields, std::int64_t& line);
    const CMessage& Error() const { return m_error; }

private:
    // Consumes a line break at the reading position (CR LF, LF or CR); false when none is there.
    bool LineBreak();

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    std::int64_t m_line = 1;
    char m_separator;
    CMessage m_error;
};
