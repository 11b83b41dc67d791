#include "cli/command_line.h"

#include "cli/batch_export.h"
#include "cli/line_options.h"
#include "common/message.h"
#include "engine/symbologies.h"
#include "render/export_formats.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The flag an argument names, or an empty string when it is a file name.
std::string FlagName(const std::string& arg) {
    if (arg.size() < 2) return {};
    const std::string rest = arg.substr(1);
    if (arg.front() == '-') return rest;
    if (arg.front() == '/' && (rest == "p" || rest == "pt" || EqualNoCase(rest, "Unregister") ||
                               EqualNoCase(rest, "Unregserver")))
        return rest;
    return {};
}

CCommandLineInfo Invalid(std::string why) {
    CCommandLineInfo info;
    info.kind = CCommandLineInfo::Invalid;
    info.error = std::move(why);
    return info;
}

bool ReadInt(const std::string& text, int& out) {
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, out);
    return !text.empty() && ec == std::errc() && p == end;
}

// The options of the export form, each taking the next argument as its value.
struct ValueOption {
    const char* name;
    std::string CCommandLineInfo::*field;
    const char* what; // what the value is, for the message when it is missing
};
constexpr ValueOption kValueOptions[] = {
    {"--export", &CCommandLineInfo::output, "an output file name"},
    {"--symbology", &CCommandLineInfo::symbology, "a name"},
    {"--data", &CCommandLineInfo::data, "a text"},
    {"--height", &CCommandLineInfo::height, "a height"},
};

// The toolkit's own options, which the window program takes out of its arguments before it
// reads them: the command passes them on. Each may be written with one dash or two, and those
// with a value as "-style Fusion" or "-style=Fusion".
struct ToolkitOption {
    const char* name;
    bool value;
};
constexpr ToolkitOption kToolkitOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"session", true},
    {"display", true},         {"geometry", true},
    {"style", true},           {"stylesheet", true},
    {"qmljsdebugger", true},   {"reverse", false},
    {"widgetcount", false},    {"nograb", false},
    {"dograb", false},         {"sync", false},
};

// The arguments a toolkit option at args[i] takes (itself and any value), 0 for anything else.
std::size_t ToolkitOptionLength(const std::vector<std::string>& args, std::size_t i) {
    std::string_view a = args[i];
    if (!a.starts_with('-')) return 0;
    a.remove_prefix(a.starts_with("--") ? 2 : 1);
    for (const ToolkitOption& o : kToolkitOptions) {
        if (a == o.name) return o.value && i + 1 < args.size() ? 2 : 1;
        if (o.value && a.starts_with(o.name) && a.substr(std::strlen(o.name)).starts_with('='))
            return 1;
    }
    return 0;
}

CCommandLineInfo ParseExport(const std::vector<std::string>& args) {
    CCommandLineInfo info;
    info.kind = CCommandLineInfo::Export;
    bool optionsEnd = false; // after "--" every argument is a name
    bool haveFile = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        // The next argument as the option's value; the complaint when there is none.
        const auto value = [&](std::string_view what, std::string& out) -> std::string {
            const std::string need = a + " needs " + std::string(what);
            if (i + 1 >= args.size()) return need;
            out = args[++i];
            return out.empty() ? need + ", not an empty text" : std::string();
        };
        if (optionsEnd || a.size() < 2 || a.front() != '-') {
            if (haveFile) return Invalid("more than one document named: " + ShownArgument(a));
            if (a.empty()) return Invalid("the document's name is empty");
            info.file = a;
            haveFile = true;
            continue;
        }
        const ValueOption* option = nullptr;
        for (const ValueOption& o : kValueOptions)
            if (a == o.name) option = &o;
        std::string v, complaint;
        if (a == "--") {
            optionsEnd = true;
        } else if (option) {
            complaint = value(option->what, info.*option->field);
        } else if (a == "--rotation") {
            if (!value("0, 1, 2 or 3", v).empty() || !ReadInt(v, info.rotation) ||
                info.rotation < 0 || info.rotation > 3)
                complaint = "--rotation needs 0, 1, 2 or 3";
        } else if (a == "--dpi") {
            if (!value("a resolution", v).empty() || !ReadInt(v, info.dpi) || info.dpi < 10 ||
                info.dpi > 3000)
                complaint = "--dpi needs a resolution from 10 to 3000";
        } else if (a == "--no-text") {
            info.noText = true;
        } else if (a == "--sync") {
            info.sync = true;
        } else if (a == "--option") {
            complaint = value("KEY=VALUE", v);
            if (complaint.empty() && v.find('=') == std::string::npos)
                complaint = "--option needs KEY=VALUE, not " + ShownArgument(v);
            info.options.push_back(v);
        } else if (ReadRunOption(args, i, info.run, complaint)) {
        } else if (ReadLineOption(args, i, info.lines, complaint)) {
        } else {
            complaint = "unknown option " + ShownArgument(a);
        }
        if (!complaint.empty()) return Invalid(complaint);
    }
    if (info.output.empty()) return Invalid("--export needs an output file name");
    if (std::string wrong = CheckRunOptions(info.run); !wrong.empty()) return Invalid(wrong);
    if (std::string wrong = CheckBatchOptions(info); !wrong.empty()) return Invalid(wrong);
    return info;
}

// quillmark --list-labels [TEXT]
CCommandLineInfo ParseListLabels(const std::vector<std::string>& args) {
    CCommandLineInfo info;
    info.kind = CCommandLineInfo::ListLabels;
    bool haveText = false;
    for (const std::string& a : args) {
        if (a == "--list-labels") continue;
        if (a.size() >= 2 && a.front() == '-') return Invalid("unknown option " + ShownArgument(a));
        if (haveText)
            return Invalid("--list-labels takes one TEXT; put a text with spaces in quotes");
        info.labelText = a;
        haveText = true;
    }
    return info;
}

// The flag at args[i] (-p, -pt, -Unregister) with its values, moving i past them; what is
// wrong with it, empty when nothing is.
std::string ReadFlag(const std::vector<std::string>& args, std::size_t& i, const std::string& flag,
                     CCommandLineInfo& info) {
    if (flag == "p") {
        if (i + 1 >= args.size()) return "-p needs a file to print";
        info.kind = CCommandLineInfo::Print;
        info.file = args[++i];
    } else if (flag == "pt") {
        if (i + 4 >= args.size()) return "-pt needs a file, a printer, a driver and a port";
        info.kind = CCommandLineInfo::PrintTo;
        info.file = args[++i];
        info.printer = args[++i];
        info.driver = args[++i];
        info.port = args[++i];
    } else if (EqualNoCase(flag, "Unregister") || EqualNoCase(flag, "Unregserver")) {
        info.kind = CCommandLineInfo::Unregister;
    } else {
        // A misspelt option must not be passed over (nor handed to the window program).
        return "unknown option " + ShownArgument(args[i]);
    }
    return {};
}

// The forms other than export, read whole: --pdf makes the document's form a print into a
// file, and the run options need a print form.
CCommandLineInfo FinishPrintForms(CCommandLineInfo info, bool pdf) {
    if (pdf) {
        if (info.kind == CCommandLineInfo::Print || info.kind == CCommandLineInfo::PrintTo)
            return Invalid("--pdf prints into a file: not with -p or -pt");
        if (info.kind != CCommandLineInfo::Open) return Invalid("--pdf needs a document to print");
        info.kind = CCommandLineInfo::PrintPdf;
    }
    const bool printing = info.kind == CCommandLineInfo::Print ||
                          info.kind == CCommandLineInfo::PrintTo ||
                          info.kind == CCommandLineInfo::PrintPdf;
    if (!info.run.named.empty() && !printing)
        return Invalid(info.run.named.front() + " is for printing: use it with -p, -pt or --pdf");
    if (!info.lines.empty() && !printing)
        return Invalid(
            "--line is for printing or --export: use it with -p, -pt, --pdf or --export");
    if (printing && info.file.empty()) return Invalid("the document's name is empty");
    if (std::string wrong = CheckRunOptions(info.run); !wrong.empty()) return Invalid(wrong);
    return info;
}

} // namespace

CCommandLineInfo ParseCommandLine(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            CCommandLineInfo info;
            info.kind = CCommandLineInfo::Help;
            return info;
        }
        if (a == "--export") return ParseExport(args);
    }
    if (std::find(args.begin(), args.end(), "--list-labels") != args.end())
        return ParseListLabels(args);
    CCommandLineInfo info;
    bool pdf = false;
    bool optionsEnd = false; // after "--" every argument is a name
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string complaint;
        if (!optionsEnd && args[i] == "--") {
            optionsEnd = true;
            continue;
        }
        if (const std::size_t toolkit = optionsEnd ? 0 : ToolkitOptionLength(args, i)) {
            i += toolkit - 1;
            continue;
        }
        if (args[i] == "--pdf" && !optionsEnd) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return Invalid("--pdf needs a PDF file to print into");
            info.pdf = args[++i];
            pdf = true;
            continue;
        }
        if (!optionsEnd && (ReadRunOption(args, i, info.run, complaint) ||
                            ReadLineOption(args, i, info.lines, complaint))) {
            if (!complaint.empty()) return Invalid(complaint);
            continue;
        }
        const std::string flag = optionsEnd ? std::string() : FlagName(args[i]);
        if (flag.empty()) {
            if (info.kind == CCommandLineInfo::New) {
                if (args[i].empty()) return Invalid("the document's name is empty");
                info.kind = CCommandLineInfo::Open;
                info.file = args[i];
            }
            continue;
        }
        if (std::string wrong = ReadFlag(args, i, flag, info); !wrong.empty())
            return Invalid(wrong);
    }
    return FinishPrintForms(std::move(info), pdf);
}

std::string ShownArgument(std::string_view arg, std::size_t maxLength) {
    return ShownText(arg, maxLength);
}

namespace {

constexpr std::size_t kHelpIndent = 33; // where the options' descriptions start

// Words filled into lines of the options' description column, every line ended; the first
// line is not indented, as it follows an option.
std::string Wrapped(const std::vector<std::string>& words) {
    constexpr std::size_t kWidth = 51;
    std::string text, line;
    for (const std::string& word : words) {
        if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
            text += line + '\n' + std::string(kHelpIndent, ' ');
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return text + line + '\n';
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) words.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// The symbology names, each kept whole on a line.
std::string SymbologyNamesHelp() {
    std::vector<std::string> words;
    for (const SymbologyInfo& s : Symbologies())
        words.push_back(std::string(s.cliName) + ',');
    words.back().pop_back();
    words.emplace_back("(letter case ignored)");
    return Wrapped(words);
}

// "Automatic, 1, 2, ..., 40": a long list by its ends.
std::string ChoicesHelp(std::span<const char* const> choices) {
    std::string out;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices.size() > 6 && i >= 3 && i + 1 < choices.size()) {
            if (i == 3) out += ", ...";
            continue;
        }
        out += (i ? ", " : "") + std::string(choices[i]);
    }
    return out;
}

// Each option of the symbologies' with its choices and the symbologies that offer it, from the
// symbology table: "ecc (L 7%, M 15%, Q 25%, H 30%): QR Code, GS1 QR Code".
std::string OptionsHelp() {
    std::vector<std::pair<std::string, std::string>> lines; // option, symbologies
    for (const SymbologyInfo& s : Symbologies()) {
        const std::unique_ptr<CBarcode> bc = CreateBarcode(s.cls);
        for (const CBarcode::COption& o :
             bc ? bc->GetOptions() : std::span<const CBarcode::COption>{}) {
            const std::string option =
                std::string(o.key) + " (" + o.name + ": " + ChoicesHelp(o.choices) + ")";
            auto it = std::find_if(lines.begin(), lines.end(),
                                   [&option](const auto& l) { return l.first == option; });
            if (it == lines.end())
                lines.emplace_back(option, s.cliName);
            else
                it->second += std::string(", ") + s.cliName;
        }
    }
    std::string out;
    for (const auto& [option, names] : lines)
        out += std::string(kHelpIndent, ' ') + Wrapped(Words(option + " of " + names));
    return out;
}

// What the export form does, with the extensions of every format it writes.
std::string ExportFormHelp() {
    std::string extensions;
    for (std::string_view extension : ListedExportExtensions())
        extensions += (extensions.empty() ? "" : ", ") + std::string(extension);
    return std::string(kHelpIndent, ' ') +
           Wrapped(Words("write OUTPUT by its extension (" + extensions +
                         ") and end; without a display too"));
}

} // namespace

std::string CommandLineUsage() {
    return "Usage:\n"
           "  quillmark                      start with a new barcode\n"
           "  quillmark FILE.qmx             open a document\n"
           "  quillmark -p FILE.qmx          print it on the default printer, then end\n"
           "  quillmark -pt FILE.qmx PRINTER DRIVER PORT\n"
           "                                 print it on the named printer, then end\n"
           "  quillmark --pdf OUTPUT.pdf FILE.qmx\n"
           "                                 print it into a PDF file instead of a printer\n"
           "  quillmark -Unregister          remove the file type and the settings\n"
           "  quillmark --list-labels [TEXT]\n"
           "                                 list the label products with their IDs: those\n"
           "                                 whose maker, number or description holds TEXT,\n"
           "                                 or of the size TEXT (2.625x1, 66.7x25.4mm)\n"
           "  quillmark --export OUTPUT [FILE.qmx] [options]\n" +
           ExportFormHelp() + "      --symbology NAME           " + SymbologyNamesHelp() +
           "      --data TEXT                the data\n"
           "      --option KEY=VALUE         one of the symbology's options, as many as wanted\n"
           "                                 (a choice whole or its first word, letter case\n"
           "                                 ignored):\n" +
           OptionsHelp() +
           "      --height TEXT              the bar height, as the height box reads it (2 cm)\n"
           "      --rotation 0..3            quarter turns anticlockwise\n"
           "      --no-text                  without the human-readable text\n"
           "      --dpi N                    resolution of image files (10 to 3000); of a\n"
           "                                 ZPL file the printer's: 203 (the default), 300,\n"
           "                                 152 or 600\n"
           "      --sync                     wait until the files are on the disk; without it\n"
           "                                 each file is whole under its name or not there,\n"
           "                                 but may still be lost if the system fails soon\n"
           "                                 after the command ends\n"
           "      --numbered, --data-file    a file per number or per row of the file, each\n"
           "                                 named by OUTPUT with {n} (its line, or its place\n"
           "                                 in the run) and {data} (its data), as in\n"
           "                                 'out/{n}.png'; with the run options that make\n"
           "                                 the labels, --strict among them; a ZPL file\n"
           "                                 holds the whole run, each label a page of the\n"
           "                                 roll or tape product --label names\n"
           "  run options of -p, -pt and --pdf:\n" +
           RunOptionsUsage() + LineOptionsUsage() + "  quillmark --help               this text\n";
}
