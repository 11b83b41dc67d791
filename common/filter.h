#pragma once
// Character filtering shared by the barcode data rules and the height parser.

#include <string>
#include <string_view>

// Keeps, in order, the characters of `text` that occur in `allowed` and drops every other one
// (it does not stop at the first bad character).
std::string FilterToCharset(std::string_view text, std::string_view allowed);
