#include "shell/command_line_run.h"

#include "cli/export_run.h"
#include "labels/label_database.h"
#include "labels/label_list.h"
#include "output/export.h"
#include "ui/message_box.h"
#include "ui/translation.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

void SendMessagesToStandardError() {
    SetMessageBoxHandler([](const QString& text, MsgIcon, MsgButtons) -> int {
        ReportError(text.toStdString());
        return IDCANCEL;
    });
}

// The label product --label names, by its ID or MAKER:NUMBER; none, after a message, when the
// label database cannot be read or has no such product.
std::optional<LabelRecord> ReadLabelProduct(const CRunOptions& options) {
    try {
        std::optional<LabelCopyRepair> repaired;
        const LabelConnectionParams params =
            LabelConnectionFromSettings(QCoreApplication::applicationDirPath(), &repaired);
        if (repaired) QmMessageBox(LabelCopyRepairMessage(*repaired));
        CLabelDatabase db(params);
        if (options.labelName.empty()) {
            std::optional<LabelRecord> label = db.FindLabel(options.labelId);
            if (!label)
                QmMessageBox(Quillmark::tr("The label database has no label product %1.")
                                 .arg(options.labelId));
            return label;
        }
        const QString name = QString::fromLocal8Bit(options.labelName.c_str());
        const std::vector<ListedLabel> named =
            LabelsNamed(ListLabelProducts(db), name).value_or(std::vector<ListedLabel>{});
        if (named.size() == 1) return named.front().label;
        QStringList ids;
        for (const ListedLabel& l : named)
            ids << QString::number(l.label.id);
        QmMessageBox(named.empty()
                         ? Quillmark::tr("The label database has no label product %1; "
                                         "quillmark --list-labels lists them.")
                               .arg(name)
                         : Quillmark::tr("The label database has %1 label products %2 (IDs %3): "
                                         "name one by its ID.")
                               .arg(named.size())
                               .arg(name, ids.join(QStringLiteral(", "))));
        return std::nullopt;
    } catch (const CLabelDbError& e) {
        QmMessageBox(LabelDatabaseOpenFailureMessage(e.Description()));
        return std::nullopt;
    }
}

int RunCommandLineExport(const CCommandLineInfo& info) {
    SendMessagesToStandardError();
    const CReferenceScreen screen = CReferenceScreen::Primary();
    // A ZPL file's label product is the one --label names, when it names one.
    std::optional<CLabelGeometry> label;
    if (info.run.labelId > 0 || !info.run.labelName.empty()) {
        const std::optional<LabelRecord> product = ReadLabelProduct(info.run);
        if (!product) return 1;
        label = product->geometry;
    }
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
        screen.dpiX, label);
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
