#include "job/data_file.h"

#include "common/file_io.h"
#include "common/latin1.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBreak(char c) {
    return c == '\n' || c == '\r';
}

void AppendUtf8(char32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Every byte of `fd` to its end into `bytes`; false with `tooLarge` once there are more than
// maxBytes, false with errno's cause when a read fails.
bool ReadAll(int fd, std::int64_t maxBytes, std::string& bytes, bool& tooLarge, int& error) {
    struct stat st {};
    // A regular file says its size: the text is held in one allocation of that size.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(std::min<std::int64_t>(st.st_size, maxBytes) + 1));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0) return true;
        if (static_cast<std::int64_t>(bytes.size()) + n > maxBytes) {
            tooLarge = true;
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

TextEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) return TextEncoding::Utf8;
    for (std::size_t i = 0; i < bytes.size();) {
        const CDecodedUtf8 d = DecodeUtf8At(bytes, i);
        if (d.length == 0) return TextEncoding::Latin1;
        i += d.length;
    }
    return TextEncoding::Utf8;
}

std::string_view WithoutByteOrderMark(std::string_view bytes) {
    return bytes.starts_with(kByteOrderMark) ? bytes.substr(kByteOrderMark.size()) : bytes;
}

std::string ToUtf8(std::string_view text, TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? std::string(text) : Latin1ToUtf8(text);
}

std::string ToLatin1(std::string_view text, TextEncoding encoding, std::string& outside) {
    if (encoding == TextEncoding::Latin1) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const CDecodedUtf8 d = DecodeUtf8At(text, i);
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

bool HasUtf16ByteOrderMark(std::string_view bytes) {
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

std::string Utf16ToUtf8(std::string_view bytes) {
    const bool little = bytes.starts_with("\xFF\xFE");
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return little ? char32_t(b) << 8 | a : char32_t(a) << 8 | b;
    };
    std::size_t i = 2;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t code = unit(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        AppendUtf8(code, out);
    }
    if (i < bytes.size()) AppendUtf8(0xFFFD, out);
    return out;
}

bool LooksLikeUtf16(std::string_view bytes) {
    const std::size_t sample = std::min<std::size_t>(bytes.size(), 4096) & ~std::size_t{1};
    std::size_t even = 0, odd = 0;
    for (std::size_t i = 0; i < sample; i += 2) {
        even += bytes[i] == '\0';
        odd += bytes[i + 1] == '\0';
    }
    // A quarter of the characters at least with a zero byte (digits, separators and line
    // breaks alone make more), and hardly any in the other half of the pairs.
    const std::size_t more = std::max(even, odd), fewer = std::min(even, odd);
    return sample >= 2 && more * 4 >= sample / 2 && fewer * 8 <= more;
}

CMessage DecodeDataText(std::string bytes, const std::string& shown, CDataText& out) {
    if (HasUtf16ByteOrderMark(bytes)) {
        out.text = Utf16ToUtf8(bytes);
        out.encoding = TextEncoding::Utf8;
        return {};
    }
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.erase(0, kByteOrderMark.size());
        out.text = std::move(bytes);
        out.encoding = TextEncoding::Utf8;
        return {};
    }
    if (LooksLikeUtf16(bytes)) return MakeMessage(Msg::RunFileUtf16WithoutMark, shown);
    out.encoding = DetectEncoding(bytes);
    out.text = std::move(bytes);
    return {};
}

CReadDataFile ReadDataFile(const std::string& path, std::int64_t maxBytes) {
    CReadDataFile read;
    if (path.empty()) {
        read.error = MakeMessage(Msg::RunNoDataFile);
        return read;
    }
    const std::string shown = ShownText(path, kShownPathBytes);
    // Standard input stays open for whatever else reads it; any other file is closed again.
    UniqueFd own(path == "-" ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    const int fd = path == "-" ? STDIN_FILENO : own.Get();
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        read.error = MakeMessage(Msg::RunFileUnreadable, shown, std::strerror(errno));
        return read;
    }
    if (S_ISDIR(st.st_mode)) {
        read.error = MakeMessage(Msg::RunFileIsFolder, shown);
        return read;
    }
    std::string bytes;
    bool tooLarge = false;
    int error = 0;
    if (!ReadAll(fd, maxBytes, bytes, tooLarge, error)) {
        read.error = tooLarge
                         ? MakeMessage(Msg::RunFileTooLarge, shown, std::to_string(maxBytes >> 20))
                         : MakeMessage(Msg::RunFileReadFailed, shown);
        (void)error;
        return read;
    }
    auto text = std::make_shared<CDataText>();
    read.error = DecodeDataText(std::move(bytes), shown, *text);
    if (read.error.Empty()) read.text = std::move(text);
    return read;
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

void CDelimitedReader::CountBreaks(std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        const char c = m_bytes[i];
        // CR LF is one break, counted at its LF.
        if (c == '\n' || (c == '\r' && (i + 1 >= m_bytes.size() || m_bytes[i + 1] != '\n')))
            ++m_line;
    }
}

bool CDelimitedReader::ReadField(std::string* out) {
    const std::size_t size = m_bytes.size();
    if (m_separator != '\n' && m_pos < size && m_bytes[m_pos] == '"') {
        // A quoted field: everything up to the quote that is not doubled, line breaks too.
        const std::int64_t opened = m_line;
        for (++m_pos;;) {
            const std::size_t quote = std::min(m_bytes.find('"', m_pos), size);
            CountBreaks(m_pos, quote);
            if (out) out->append(m_bytes.substr(m_pos, quote - m_pos));
            if (quote == size) {
                m_pos = size;
                m_error = MakeMessage(Msg::RunUnclosedQuote, std::to_string(opened));
                return false;
            }
            m_pos = quote + 1;
            if (m_pos >= size || m_bytes[m_pos] != '"') break;
            if (out) *out += '"';
            ++m_pos;
        }
    }
    // Text after a closing quote is kept, as spreadsheets write it.
    std::size_t end = m_pos;
    const char* bytes = m_bytes.data();
    while (end < size && bytes[end] != m_separator && bytes[end] != '\n' && bytes[end] != '\r')
        ++end;
    if (out) out->append(bytes + m_pos, end - m_pos);
    m_pos = end;
    return true;
}

bool CDelimitedReader::NextRow(CFieldTaker& taker, std::int64_t& line, std::size_t& fields) {
    fields = 0;
    if (!m_error.Empty()) return false;
    while (LineBreak()) {}
    if (m_pos >= m_bytes.size()) return false;
    line = m_line;
    for (;;) {
        bool read = true;
        if (taker.Wants(fields)) {
            std::string field;
            read = ReadField(&field);
            if (read) taker.Take(fields, std::move(field));
        } else {
            read = ReadField(nullptr);
        }
        if (!read) {
            fields = 0;
            return false;
        }
        ++fields;
        if (m_separator == '\n' || m_pos >= m_bytes.size() || m_bytes[m_pos] != m_separator) break;
        ++m_pos;
    }
    LineBreak();
    return true;
}

bool CDelimitedReader::Next(std::vector<std::string>& fields, std::int64_t& line) {
    struct All : CFieldTaker {
        std::vector<std::string>& out;
        explicit All(std::vector<std::string>& o) : out(o) {}
        bool Wants(std::size_t) const override { return true; }
        void Take(std::size_t, std::string&& field) override { out.push_back(std::move(field)); }
    } all(fields);
    fields.clear();
    std::size_t count = 0;
    if (NextRow(all, line, count)) return true;
    fields.clear();
    return false;
}
