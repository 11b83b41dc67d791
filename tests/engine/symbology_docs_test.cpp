// The prose that lists the symbologies (the README, the user's guide, the manual page, the
// AppStream metadata and the package description) names every symbology of the table, so no
// list there falls behind when a symbology is added.

#include "engine/symbologies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The file's text in lower case, with the manual page's escaped hyphens ("\-") and every run of
// blanks and line breaks made one space, so that a name broken over two lines is still found.
std::string Prose(const std::string& relative) {
    std::ifstream in(std::string(QM_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string text;
    bool blank = false;
    const std::string raw = bytes.str();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\\' && i + 1 < raw.size() && raw[i + 1] == '-') continue;
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            blank = true;
            continue;
        }
        if (blank && !text.empty()) text += ' ';
        blank = false;
        text += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return text;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return s;
}

TEST(SymbologyProse, EveryListNamesEverySymbologyOfTheTable) {
    const char* files[] = {
        "README.md", "resources/userguide/userguide.md", "resources/man/quillmark.1.in",
        "resources/desktop/quillmark.metainfo.xml.in", "packaging/CMakeLists.txt"};
    for (const char* file : files) {
        const std::string prose = Prose(file);
        ASSERT_FALSE(prose.empty()) << file;
        for (const SymbologyInfo& s : Symbologies())
            EXPECT_NE(prose.find(Lower(s.listName)), std::string::npos)
                << file << " does not name " << s.listName;
    }
}

// The user's guide's table of symbologies: a row per symbology of the table, in its order (the
// order of the Symbology menu and the toolbar list).
TEST(SymbologyProse, TheUserGuidesTableHasARowPerSymbologyInOrder) {
    std::ifstream in(std::string(QM_SOURCE_DIR) + "/resources/userguide/userguide.md");
    std::vector<std::string> rows;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("## ")) inSection = line == "## Symbologies";
        if (!inSection || !line.starts_with("| ")) continue;
        const std::size_t end = line.find(" |", 2);
        rows.push_back(line.substr(2, end == std::string::npos ? std::string::npos : end - 2));
    }
    std::vector<std::string> expected = {"Symbology"}; // the header row
    for (const SymbologyInfo& s : Symbologies())
        expected.emplace_back(s.listName);
    EXPECT_EQ(rows, expected);
}

} // namespace
