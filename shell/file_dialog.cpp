#include "shell/file_dialog.h"

#include <QFileInfo>

CBWFileDialog::CBWFileDialog(const FileDialogRequest& request, QWidget* parent)
    : QFileDialog(parent, request.title), m_open(request.open) {
    setAcceptMode(request.open ? AcceptOpen : AcceptSave);
    setFileMode(request.open ? ExistingFile : AnyFile);
    setNameFilters(request.filters);
    setDefaultSuffix(request.defaultSuffix);
    setOption(DontConfirmOverwrite, false);
    if (!request.fileName.isEmpty()) {
        const QFileInfo info(request.fileName);
        if (info.isAbsolute()) setDirectory(info.absolutePath());
        selectFile(info.fileName());
    }
}

std::optional<QString> CBWFileDialog::Run() {
    while (exec() == Accepted) {
        const QStringList files = selectedFiles();
        if (files.isEmpty()) continue;
        const QFileInfo info(files.front());
        // The dialog already insists on an existing file when opening; saving needs the folder.
        if (!m_open && !info.absoluteDir().exists()) continue;
        return info.absoluteFilePath();
    }
    return std::nullopt;
}

std::optional<QString> CDocManagerEx::DoPromptFileName(const QString& proposed, bool open) {
    FileDialogRequest request;
    request.open = open;
    request.title = open ? QStringLiteral("Open") : QStringLiteral("Save As");
    request.fileName = proposed;
    request.filters = {QStringLiteral("Bellwick Barcode Files (*.qmx)"),
                       QStringLiteral("All Files (*)")};
    request.defaultSuffix = QStringLiteral("qmx");
    return QmFileDialog(request);
}
