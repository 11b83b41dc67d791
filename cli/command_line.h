#pragma once
// The program's command line, read from the system's bytes (file names are passed through as
// they are, whatever their encoding).

#include "cli/run_options.h"
#include "job/label_design.h"

#include <string>
#include <string_view>
#include <vector>

struct CCommandLineInfo {
    enum Kind {
        New,
        Open,
        Print,
        PrintTo,
        PrintPdf,
        Unregister,
        Export,
        ListLabels,
        Help,
        Invalid
    };
    Kind kind = New;
    std::string file;
    std::string printer, driver, port; // for PrintTo
    std::string pdf;                   // for PrintPdf: the PDF file printed into
    std::string error;                 // for Invalid: what was wrong
    std::string labelText;             // for ListLabels: what the listed products match

    // The export form: quillmark --export OUTPUT [FILE.qmx] [options]
    std::string output;
    std::string symbology, data, height; // empty: not given
    std::vector<std::string> options;    // --option KEY=VALUE, in the order given
    int rotation = 0;
    bool noText = false;
    int dpi = 0; // 0: the setting's resolution
    // --sync: the files written, and their names in their folders, reach the disk before the
    // command ends; without it they are whole under their names but the disk is not waited for.
    bool sync = false;

    // The run options of the print forms and the export form.
    CRunOptions run;
    // The label's lines (--line and the options that set each); none given: the document's own.
    std::vector<CDesignLine> lines;
};

// `args` without the program name. A flag starts with "-" or "/": "p" and "pt" match with
// case, "Unregister" and "Unregserver" without. A path starting with "/" is a file name unless
// it is exactly one of those flags. The export form takes only its own options and the run
// options, and the print forms (-p, -pt and --pdf OUTPUT FILE) the run options: an empty value,
// an unknown option or an empty document name is an error naming it, in every form. The
// toolkit's own options (-style, -platform, ...) pass, for the window program; after "--" every
// argument is a document's name. Run options are errors in the other forms. "--list-labels"
// takes at most one text and nothing else.
CCommandLineInfo ParseCommandLine(const std::vector<std::string>& args);

// An argument as a message shows it: control bytes escaped as \xNN and anything past
// `maxLength` bytes left out ("...").
std::string ShownArgument(std::string_view arg, std::size_t maxLength = 60);

// What "--help" prints.
std::string CommandLineUsage();
