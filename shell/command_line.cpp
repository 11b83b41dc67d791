#include "shell/command_line.h"

#include "common/settings_keys.h"
#include "engine/symbologies.h"
#include "output/export.h"
#include "shell/file_errors.h"
#include "shell/measurement.h"
#include "shell/quillmark_doc.h"
#include "shell/quillmark_view.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

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

namespace {

// The symbology names, wrapped under the option's description column.
QString SymbologyNamesHelp() {
    constexpr int kIndent = 33, kWidth = 51;
    QStringList words;
    for (const SymbologyInfo& s : Symbologies())
        words << QString::fromLatin1(s.cliName) + ',';
    words.last().chop(1);
    words << QStringLiteral("(letter case ignored)");
    QString text, line;
    for (const QString& word : words) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > kWidth) {
            text += line + '\n' + QString(kIndent, ' ');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return text + line + '\n';
}

} // namespace

QString CommandLineUsage() {
    return QStringLiteral(
               "Usage:\n"
               "  quillmark                      start with a new barcode\n"
               "  quillmark FILE.qmx             open a document\n"
               "  quillmark -p FILE.qmx          print it on the default printer, then end\n"
               "  quillmark -pt FILE.qmx PRINTER DRIVER PORT\n"
               "                                 print it on the named printer, then end\n"
               "  quillmark -Unregister          remove the file type and the settings\n"
               "  quillmark --export OUTPUT [FILE.qmx] [options]\n"
               "                                 write OUTPUT by its extension (wmf, bmp, gif, "
               "tif, png,\n"
               "                                 pcx, jpg, qmx) and end; without a display too\n"
               "      --symbology NAME           ") +
           SymbologyNamesHelp() +
           QStringLiteral(
               "      --data TEXT                the data\n"
               "      --height TEXT              the bar height, as the height box reads it (2 "
               "cm)\n"
               "      --rotation 0..3            quarter turns anticlockwise\n"
               "      --no-text                  without the human-readable text\n"
               "      --dpi N                    resolution of image files (10 to 3000)\n"
               "  quillmark --help               this text\n");
}

int RunCommandLineExport(const CCommandLineInfo& info) {
    // One line on standard error for whatever went wrong, in the program's own words.
    SetMessageBoxHandler([](const QString& text, MsgIcon, MsgButtons) -> int {
        std::fprintf(stderr, "quillmark: %s\n", text.toLocal8Bit().constData());
        return IDCANCEL;
    });
    CQuillmarkDoc doc;
    doc.OnNewDocument(); // what an empty file leaves in place
    if (!info.file.isEmpty() &&
        doc.OnOpenDocument(QFileInfo(info.file).absoluteFilePath()) != CDocument::OpenResult::Ok)
        return 1;
    if (!info.symbology.isEmpty()) {
        const SymbologyInfo* symbology = FindSymbologyByCliName(info.symbology.toStdString());
        if (!symbology) {
            std::fprintf(stderr, "quillmark: unknown symbology \"%s\"\n",
                         qPrintable(info.symbology));
            return 2;
        }
        doc.SwitchSymbology(symbology->command);
    }
    CBarcode& bc = *doc.m_pBarcode;
    if (!info.data.isEmpty()) bc.SetData(info.data.toLatin1().toStdString());
    if (!info.height.isEmpty()) {
        const CMeasurement m =
            ParseMeasurement(info.height.toLatin1().toStdString(), settings::Get(settings::kUnit));
        if (m.value <= 0) {
            std::fprintf(stderr, "quillmark: \"%s\" is not a bar height\n",
                         qPrintable(info.height));
            return 2;
        }
        bc.m_nHeight = m.value;
        bc.m_nHeightUnit = m.unit;
    }

    CExportOptions options;
    options.view = {info.rotation, !info.noText};
    options.screen = CReferenceScreen::Primary();
    options.dpi = info.dpi > 0 ? info.dpi : ExportResolution();
    // Measured and placed as the window's view shows the symbol at its first zoom; a view of
    // the default widget size (100 × 30 pixels) centres the picture at (50, 15).
    options.rasterSymbolSize =
        MeasureSymbolOnScreen(bc, options.view.showText, CQuillmarkView::kDefaultZoom,
                              options.screen.dpiX, options.screen.dpiY);
    options.pictureCentre = {50, 15};
    const QString output = QFileInfo(info.output).absoluteFilePath();
    if (const std::error_code ec =
            ExportSymbol(bc, QFile::encodeName(output).toStdString(), options)) {
        QmMessageBox(ExportErrorMessage(ec, output));
        return 1;
    }
    return 0;
}
