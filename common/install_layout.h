#pragma once
// Where the program finds what ships with it. A program run from its build folder finds its
// label database and guide beside itself; an installed one finds them under the install prefix
// (the window program lies in <prefix>/libexec/quillmark, its data in <prefix>/share/quillmark,
// its guide in <prefix>/share/doc/quillmark), wherever that prefix is.

#include <string>

struct CInstallLayout {
    bool installed = false; // run from the install prefix, not from a build folder
    std::string dataDir;    // the shipped label database data.dat
    std::string docDir;     // the user's guide
};

// The layout of the program whose folder is `programDir` (an absolute path).
CInstallLayout InstallLayoutFor(const std::string& programDir);
