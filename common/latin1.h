#pragma once
// The program's text is Latin-1, one byte a character (the data, face names); what reads or
// writes UTF-8 converts through here.

#include <string>
#include <string_view>

// Each byte 0 to 255 as the character of that code point, in UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);
