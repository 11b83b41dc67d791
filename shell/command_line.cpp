#include "shell/command_line.h"

namespace {

// The flag an argument names, or an empty string when it is a file name.
QString FlagName(const QString& arg) {
    if (arg.size() < 2) return {};
    const QString rest = arg.mid(1);
    if (arg.startsWith('-')) return rest;
    if (arg.startsWith('/') &&
        (rest == "p" || rest == "pt" || rest.compare("Unregister", Qt::CaseInsensitive) == 0 ||
         rest.compare("Unregserver", Qt::CaseInsensitive) == 0))
        return rest;
    return {};
}

CCommandLineInfo Invalid(const QString& why) {
    CCommandLineInfo info;
    info.kind = CCommandLineInfo::Invalid;
    info.error = why;
    return info;
}

CCommandLineInfo ParseExport(const QStringList& args, int start) {
    CCommandLineInfo info;
    info.kind = CCommandLineInfo::Export;
    for (int i = start; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&](QString& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        QString v;
        if (a == "--export") {
            if (!value(info.output)) return Invalid("--export needs an output file name");
        } else if (a == "--symbology") {
            if (!value(info.symbology)) return Invalid("--symbology needs a name");
        } else if (a == "--data") {
            if (!value(info.data)) return Invalid("--data needs a text");
        } else if (a == "--height") {
            if (!value(info.height)) return Invalid("--height needs a height");
        } else if (a == "--rotation") {
            bool ok = false;
            if (!value(v) || (info.rotation = v.toInt(&ok), !ok) || info.rotation < 0 ||
                info.rotation > 3)
                return Invalid("--rotation needs 0, 1, 2 or 3");
        } else if (a == "--dpi") {
            bool ok = false;
            if (!value(v) || (info.dpi = v.toInt(&ok), !ok) || info.dpi < 10 || info.dpi > 3000)
                return Invalid("--dpi needs a resolution from 10 to 3000");
        } else if (a == "--no-text") {
            info.noText = true;
        } else if (a.startsWith("--")) {
            return Invalid("unknown option " + a);
        } else if (info.file.isEmpty()) {
            info.file = a;
        } else {
            return Invalid("more than one document named: " + a);
        }
    }
    if (info.output.isEmpty()) return Invalid("--export needs an output file name");
    return info;
}

} // namespace

CCommandLineInfo ParseCommandLine(const QStringList& args) {
    for (const QString& a : args) {
        if (a == "--help" || a == "-h") {
            CCommandLineInfo info;
            info.kind = CCommandLineInfo::Help;
            return info;
        }
        if (a == "--export") return ParseExport(args, 0);
    }
    CCommandLineInfo info;
    for (int i = 0; i < args.size(); ++i) {
        const QString flag = FlagName(args[i]);
        if (flag.isEmpty()) {
            if (info.kind == CCommandLineInfo::New) {
                info.kind = CCommandLineInfo::Open;
                info.file = args[i];
            }
            continue;
        }
        if (flag == "p") {
            if (i + 1 >= args.size()) return Invalid("-p needs a file to print");
            info.kind = CCommandLineInfo::Print;
            info.file = args[++i];
        } else if (flag == "pt") {
            if (i + 4 >= args.size())
                return Invalid("-pt needs a file, a printer, a driver and a port");
            info.kind = CCommandLineInfo::PrintTo;
            info.file = args[++i];
            info.printer = args[++i];
            info.driver = args[++i];
            info.port = args[++i];
        } else if (flag.compare("Unregister", Qt::CaseInsensitive) == 0 ||
                   flag.compare("Unregserver", Qt::CaseInsensitive) == 0) {
            info.kind = CCommandLineInfo::Unregister;
        }
        // Other flags are not the program's: they are passed over.
    }
    return info;
}
