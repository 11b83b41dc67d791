#include "common/filter.h"

#include <gtest/gtest.h>

TEST(FilterToCharset, KeepsAllowedCharactersInOrder) {
    const struct {
        std::string text, allowed, kept;
    } cases[] = {
        {"abc-12", "0123456789-", "-12"},
        {"1a2b3c", "0123456789", "123"}, // does not stop at the first bad character
        {"", "abc", ""},
        {"abc", "", ""},
        {std::string("\xff\x00x\x80", 4), std::string("\x80\xff\x00", 3),
         std::string("\xff\x00\x80", 3)}, // every byte value is a character
        {"2 Inches", "0123456789.chilmns", "2nchs"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilterToCharset(c.text, c.allowed), c.kept);
}
