#include "shell/command_line_run.h"

#include "cli/export_run.h"
#include "labels/label_database.h"
#include "labels/label_list.h"
#include "output/export.h"
#include "ui/message_box.h"

#include <QCoreApplication>

#include <cstdio>

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
        screen.dpiX);
}

int RunListLabels(const CCommandLineInfo& info) {
    SendMessagesToStandardError();
    const QString text = QString::fromLocal8Bit(info.labelText.c_str());
    std::vector<ListedLabel> listed;
    try {
        std::optional<LabelCopyRepair> repaired;
        CLabelDatabase db(
            LabelConnectionFromSettings(QCoreApplication::applicationDirPath(), &repaired));
        if (repaired) QmMessageBox(LabelCopyRepairMessage(*repaired));
        for (ListedLabel& l : ListLabelProducts(db))
            if (LabelMatches(l, text)) listed.push_back(std::move(l));
    } catch (const CLabelDbError& e) {
        QmMessageBox(LabelDatabaseOpenFailureMessage(e.Description()));
        return 1;
    }
    if (listed.empty()) {
        ReportError("no label product matches \"" + info.labelText + "\"");
        return 1;
    }
    std::fputs(LabelListing(listed).toLocal8Bit().constData(), stdout);
    return 0;
}
