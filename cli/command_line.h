#pragma once
// The program's command line, read from the system's bytes (file names are passed through as
// they are, whatever their encoding).

#include <string>
#include <string_view>
#include <vector>

struct CCommandLineInfo {
    enum Kind { New, Open, Print, PrintTo, Unregister, Export, Help, Invalid };
    Kind kind = New;
    std::string file;
    std::string printer, driver, port; // for PrintTo
    std::string error;                 // for Invalid: what was wrong

    // The export form: quillmark --export OUTPUT [FILE.qmx] [options]
    std::string output;
    std::string symbology, data, height; // empty: not given
    int rotation = 0;
    bool noText = false;
    int dpi = 0; // 0: the setting's resolution
};

// `args` without the program name. A flag starts with "-" or "/": "p" and "pt" match with
// case, "Unregister" and "Unregserver" without. A path starting with "/" is a file name unless
// it is exactly one of those flags. The export form takes only its own options: an empty
// value, an unknown option or an empty document name is an error naming it.
CCommandLineInfo ParseCommandLine(const std::vector<std::string>& args);

// An argument as a message shows it: control bytes escaped as \xNN and anything past
// `maxLength` bytes left out ("...").
std::string ShownArgument(std::string_view arg, std::size_t maxLength = 60);

// What "--help" prints.
std::string CommandLineUsage();
