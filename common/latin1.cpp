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
