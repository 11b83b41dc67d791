#include "shell/command_line_run.h"

#include "cli/export_run.h"
#include "output/export.h"
#include "ui/message_box.h"

void SendMessagesToStandardError() {
    SetMessageBoxHandler([](const QString& text, MsgIcon, MsgButtons) -> int {
        ReportError(text.toStdString());
        return IDCANCEL;
    });
}

int RunCommandLineExport(const CCommandLineInfo& info) {
    SendMessagesToStandardError();
    const CReferenceScreen screen = CReferenceScreen::Primary();
    return RunExport(
        info,
        [&screen](const CBarcode& barcode, const std::string& path, const CSymbolView& view,
                  int dpi, const CFileWriteOptions&) {
            CExportOptions options;
            options.view = view;
            options.dpi = dpi;
            options.screen = screen;
            options.strictExtension = true;
            return ExportSymbol(barcode, path, options);
        },
        screen.dpiX);
}
