#include "common/latin1.h"

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size() * 2);
    for (const unsigned char c : latin1) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

CDecodedUtf8 DecodeUtf8At(std::string_view s, std::size_t at) {
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

std::u32string Utf8ToCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const CDecodedUtf8 d = DecodeUtf8At(text, i);
        if (d.length == 0) {
            out.push_back(static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            out.push_back(d.code);
            i += d.length;
        }
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view utf8, std::size_t* outside) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const CDecodedUtf8 c = DecodeUtf8At(utf8, i);
        if (c.length == 0) {
            out.push_back(utf8[i++]);
            continue;
        }
        if (c.code <= 0xFF)
            out.push_back(static_cast<char>(c.code));
        else if (outside)
            ++*outside;
        i += c.length;
    }
    return out;
}

bool Utf8FitsLatin1(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const CDecodedUtf8 c = DecodeUtf8At(utf8, i);
        if (c.length == 0 || c.code > 0xFF) return false;
        i += c.length;
    }
    return true;
}
