#include "shell/command_line_run.h"

#include "common/file_io.h"
#include "common/settings_keys.h"
#include "engine/primitives.h"
#include "engine/symbologies.h"
#include "output/export.h"
#include "shell/file_errors.h"
#include "shell/measurement.h"
#include "shell/quillmark_doc.h"
#include "shell/quillmark_view.h"
#include "ui/message_box.h"

#include <QFile>

#include <cstdio>
#include <filesystem>

void SendMessagesToStandardError() {
    SetMessageBoxHandler([](const QString& text, MsgIcon, MsgButtons) -> int {
        // One line: a message's own line breaks become ": ".
        QString line = text;
        line.replace(QLatin1Char('\n'), QLatin1String(": "));
        std::fprintf(stderr, "quillmark: %s\n", line.toLocal8Bit().constData());
        return IDCANCEL;
    });
}

namespace {

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

} // namespace

int RunCommandLineExport(const CCommandLineInfo& info) {
    SendMessagesToStandardError();
    CQuillmarkDoc doc;
    doc.OnNewDocument(); // what an empty file leaves in place
    if (!info.file.empty()) {
        const std::string path = Absolute(info.file);
        CDocumentRead read = ReadDocumentFile(path, QFile::decodeName(path.c_str()));
        if (read.result != CDocument::OpenResult::Ok) {
            QmMessageBox(read.message);
            return 1;
        }
        if (read.barcode) doc.m_pBarcode = std::move(read.barcode);
    }
    if (!info.symbology.empty()) {
        const SymbologyInfo* symbology = FindSymbologyByCliName(info.symbology);
        if (!symbology) {
            std::fprintf(stderr, "quillmark: unknown symbology \"%s\"\n",
                         ShownArgument(info.symbology).c_str());
            return 2;
        }
        doc.SwitchSymbology(symbology->command);
    }
    CBarcode& bc = *doc.m_pBarcode;
    if (!info.data.empty()) bc.SetData(info.data);
    if (!info.height.empty()) {
        const CMeasurement m = ParseMeasurement(info.height, settings::Get(settings::kUnit));
        if (m.value <= 0) {
            std::fprintf(stderr, "quillmark: \"%s\" is not a bar height\n",
                         ShownArgument(info.height).c_str());
            return 2;
        }
        bc.m_nHeight = m.value;
        bc.m_nHeightUnit = m.unit;
    }

    CExportOptions options;
    options.view = {info.rotation, !info.noText};
    options.screen = CReferenceScreen::Primary();
    options.dpi = info.dpi > 0 ? info.dpi : ExportResolution();
    options.strictExtension = true;
    const std::string output = Absolute(info.output);
    // A raster image whose module cannot be drawn well is made all the same, with a warning.
    if (!IsVectorExtension(output))
        if (const std::string warning = engine::ModuleWarning(options.dpi); !warning.empty())
            std::fprintf(stderr, "quillmark: %s\n", warning.c_str());
    if (const CExportResult result = ExportSymbol(bc, output, options); !result) {
        QmMessageBox(ExportErrorMessage(result, QFile::decodeName(output.c_str())));
        return 1;
    }
    return 0;
}
