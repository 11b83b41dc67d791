// A label's data as part of a batch's file names: kept as typed where a file name may hold it
// (any script), the characters that file systems or other systems refuse replaced, never hidden
// or taken for an option, and cut at a character's start.

#include "cli/batch_export.h"

#include <gtest/gtest.h>

#include <string>

TEST(BatchNames, DataIsKeptAsTypedWhereANameMayHoldIt) {
    const struct {
        std::string data, name;
    } cases[] = {
        {"INV-00042", "INV-00042"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e \xE6\x9D\xB1\xE4\xBA\xAC",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE6\x9D\xB1\xE4\xBA\xAC"},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there\x01\x7F", "tab_here__"},
        {"\xC2\x85next line", "_next line"}, // a C1 control character
        {".hidden", "_.hidden"},
        {"-option", "_-option"},
        {"..", "_.."},
        {"", "_"},
        {"caf\xE9", "caf\xC3\xA9"}, // not UTF-8: the byte as its Latin-1 character
        {"\x9B"
         "31m",
         "_31m"}, // a terminal's escape byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeFileNamePart(c.data), c.name) << c.data;
}

TEST(BatchNames, ALongDataIsCutAtACharactersStart) {
    std::string data;
    for (int i = 0; i < 150; ++i)
        data += "\xCE\xB1"; // Greek alpha, two bytes each
    const std::string name = SafeFileNamePart(data);
    EXPECT_EQ(name.size() % 2, 0u) << "no character cut in two";
    EXPECT_LT(name.size(), data.size());
    EXPECT_EQ(name.substr(0, 2), "\xCE\xB1");
}
