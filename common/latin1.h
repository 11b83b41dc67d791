#pragma once
// The program's text is Latin-1, one byte a character (the data, face names); what reads or
// writes UTF-8 converts through here.

#include <string>
#include <string_view>

// Each byte 0 to 255 as the character of that code point, in UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);

// The code point of the UTF-8 sequence at `at` and its length in bytes; a length of 0 when the
// bytes there are not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF
// included).
struct CDecodedUtf8 {
    char32_t code = 0;
    std::size_t length = 0;
};
CDecodedUtf8 DecodeUtf8At(std::string_view text, std::size_t at);

// The characters of UTF-8 text; a byte that starts no well-formed sequence is taken as the
// Latin-1 character of its value.
std::u32string Utf8ToCodePoints(std::string_view text);

// UTF-8 as Latin-1: each character up to U+00FF as its byte, each beyond it left out and
// counted in `outside` (when given); a byte that starts no well-formed character is kept as
// the Latin-1 character it is.
std::string Utf8ToLatin1(std::string_view utf8, std::size_t* outside = nullptr);
// Whether every character of the UTF-8 text is in Latin-1 (U+0000 to U+00FF).
bool Utf8FitsLatin1(std::string_view utf8);
