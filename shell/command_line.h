#pragma once
// The program's command line.

#include <QString>
#include <QStringList>

struct CCommandLineInfo {
    enum Kind { New, Open, Print, PrintTo, Unregister, Export, Help, Invalid };
    Kind kind = New;
    QString file;
    QString printer, driver, port; // for PrintTo
    QString error;                 // for Invalid: what was wrong

    // The export form: quillmark --export OUTPUT [FILE.qmx] [options]
    QString output;
    QString symbology, data, height;
    int rotation = 0;
    bool noText = false;
    int dpi = 0; // 0: the setting's resolution
};

// `args` without the program name. A flag starts with "-" or "/": "p" and "pt" match with
// case, "Unregister" and "Unregserver" without. A path starting with "/" is a file name unless
// it is exactly one of those flags.
CCommandLineInfo ParseCommandLine(const QStringList& args);

// What "--help" prints.
QString CommandLineUsage();

// The export form: writes the file and returns the exit status; no window is made, and every
// message goes to standard error as one line.
int RunCommandLineExport(const CCommandLineInfo& info);
