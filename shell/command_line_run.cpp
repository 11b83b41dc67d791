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
        [&screen](const CLabelContent& label, const std::string& path, int dpi,
                  const CFileWriteOptions& write) {
            CExportOptions options;
            options.view = label.view;
            options.dpi = dpi;
            options.screen = screen;
            options.strictExtension = true;
            options.document = write.document;
            return ExportLabel(label, path, options);
        },
        ExportResolution());
}
