#include "common/filter.h"

#include <array>

std::string FilterToCharset(std::string_view text, std::string_view allowed) {
    std::array<bool, 256> keep{};
    for (unsigned char c : allowed)
        keep[c] = true;
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (keep[static_cast<unsigned char>(c)]) out.push_back(c);
    return out;
}
