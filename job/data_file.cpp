#include "job/data_file.h"

#include <array>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The code point of the UTF-8 sequence at `at`, and its length; a length of 0 when the bytes
// there are not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF
// included).
struct Decoded {
    char32_t code = 0;
    std::size_t length = 0;
};
Decoded DecodeUtf8(std::string_view s, std::size_t at) {
    const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    char32_t code = 0, least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return {};
    }
    if (at + length > s.size()) return {};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {};
        code = code << 6 | (byte(at + i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
    return {code, length};
}

bool IsBreak(char c) {
    return c == '\n' || c == '\r';
}

} // namespace

TextEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) return TextEncoding::Utf8;
    for (std::size_t i = 0; i < bytes.size();) {
        const Decoded d = DecodeUtf8(bytes, i);
        if (d.length == 0) return TextEncoding::Latin1;
        i += d.length;
    }
    return TextEncoding::Utf8;
}

std::string_view WithoutByteOrderMark(std::string_view bytes) {
    return bytes.starts_with(kByteOrderMark) ? bytes.substr(kByteOrderMark.size()) : bytes;
}

std::string ToLatin1(std::string_view text, TextEncoding encoding, std::string& outside) {
    if (encoding == TextEncoding::Latin1) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Decoded d = DecodeUtf8(text, i);
        // The file was found well-formed; a stray byte is kept as the Latin-1 character it is.
        const std::size_t length = d.length == 0 ? 1 : d.length;
        if (d.length == 0)
            out += text[i];
        else if (d.code <= 0xFF)
            out += static_cast<char>(d.code);
        else
            outside.append(text.substr(i, length));
        i += length;
    }
    return out;
}

char FindSeparator(std::string_view bytes) {
    constexpr std::array<char, 3> kCandidates = {'\t', ';', ','};
    std::array<int, 3> seen = {};
    bool quoted = false;
    for (const char c : bytes) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (IsBreak(c)) break;
        for (std::size_t k = 0; k < kCandidates.size(); ++k)
            seen[k] += c == kCandidates[k];
    }
    std::size_t best = 0;
    for (std::size_t k = 1; k < kCandidates.size(); ++k)
        if (seen[k] > seen[best]) best = k;
    return seen[best] > 0 ? kCandidates[best] : '\n';
}

CDelimitedReader::CDelimitedReader(std::string_view bytes, char separator)
    : m_bytes(bytes), m_separator(separator) {}

bool CDelimitedReader::LineBreak() {
    if (m_pos >= m_bytes.size() || !IsBreak(m_bytes[m_pos])) return false;
    if (m_bytes[m_pos] == '\r' && m_pos + 1 < m_bytes.size() && m_bytes[m_pos + 1] == '\n') ++m_pos;
    ++m_pos;
    ++m_line;
    return true;
}

bool CDelimitedReader::Next(std::vector<std::string>& fields, std::int64_t& line) {
    fields.clear();
    if (!m_error.Empty()) return false;
    while (LineBreak()) {}
    if (m_pos >= m_bytes.size()) return false;
    line = m_line;
    std::string field;
    if (m_separator == '\n') {
        while (m_pos < m_bytes.size() && !IsBreak(m_bytes[m_pos]))
            field += m_bytes[m_pos++];
        LineBreak();
        fields.push_back(std::move(field));
        return true;
    }
    bool fieldStarted = false;
    while (m_pos < m_bytes.size()) {
        const char c = m_bytes[m_pos];
        if (c == '"' && !fieldStarted) {
            // A quoted field: everything up to the quote that is not doubled, line breaks too.
            const std::int64_t opened = m_line;
            ++m_pos;
            for (;;) {
                if (m_pos >= m_bytes.size()) {
                    m_error = MakeMessage(Msg::RunUnclosedQuote, std::to_string(opened));
                    fields.clear();
                    return false;
                }
                const char q = m_bytes[m_pos];
                if (q == '"') {
                    if (m_pos + 1 < m_bytes.size() && m_bytes[m_pos + 1] == '"') {
                        field += '"';
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                if (q == '\n' ||
                    (q == '\r' && (m_pos + 1 >= m_bytes.size() || m_bytes[m_pos + 1] != '\n')))
                    ++m_line;
                field += q;
                ++m_pos;
            }
            fieldStarted = true;
            continue;
        }
        if (c == m_separator) {
            fields.push_back(std::move(field));
            field.clear();
            fieldStarted = false;
            ++m_pos;
            continue;
        }
        if (IsBreak(c)) break;
        // Text after a closing quote is kept, as spreadsheets write it.
        field += c;
        fieldStarted = true;
        ++m_pos;
    }
    LineBreak();
    fields.push_back(std::move(field));
    return true;
}
