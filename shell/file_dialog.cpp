#include "shell/file_dialog.h"

#include "common/settings_keys.h"
#include "ui/message_box.h"
#include "ui/translation.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>

namespace {

FileDialogHandler& FileHandler() {
    static FileDialogHandler handler;
    return handler;
}

const StringSetting& FolderSetting(FileKind kind) {
    return kind == FileKind::Export ? settings::kExportFolder : settings::kDocumentFolder;
}

} // namespace

std::optional<QString> QmFileDialog(const FileDialogRequest& asked) {
    FileDialogRequest request = asked;
    const StringSetting& folder = FolderSetting(request.kind);
    if (request.folder.isEmpty()) request.folder = QString::fromStdString(settings::Get(folder));
    std::optional<QString> chosen;
    if (FileHandler()) {
        chosen = FileHandler()(request);
    } else {
        CBWFileDialog dialog(request, DialogParent());
        chosen = dialog.Run();
    }
    if (chosen) settings::Set(folder, QFileInfo(*chosen).absolutePath().toStdString());
    return chosen;
}

void SetFileDialogHandler(FileDialogHandler handler) {
    FileHandler() = std::move(handler);
}

CBWFileDialog::CBWFileDialog(const FileDialogRequest& request, QWidget* parent)
    : QFileDialog(parent, request.title), m_open(request.open) {
    setAcceptMode(request.open ? AcceptOpen : AcceptSave);
    setFileMode(request.open ? ExistingFile : AnyFile);
    setNameFilters(request.filters);
    setDefaultSuffix(request.defaultSuffix);
    // A name typed without an extension takes the one of the file type chosen.
    connect(this, &QFileDialog::filterSelected, this, [this, request](const QString& filter) {
        const QString ext = FirstExtension(filter);
        setDefaultSuffix(ext.isEmpty() ? request.defaultSuffix : ext);
    });
    setOption(DontConfirmOverwrite, false);
    // The note goes under the file type, in the program's own dialog where a desktop's dialog
    // could not show it.
    if (!request.note.isEmpty()) {
        setOption(DontUseNativeDialog);
        if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
            auto* note = new QLabel(request.note, this);
            note->setObjectName(QStringLiteral("note"));
            note->setWordWrap(true);
            grid->addWidget(note, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }
    if (!request.folder.isEmpty() && QFileInfo(request.folder).isDir())
        setDirectory(request.folder);
    if (!request.fileName.isEmpty()) {
        const QFileInfo info(request.fileName);
        if (info.isAbsolute()) setDirectory(info.absolutePath());
        selectFile(info.fileName());
    }
}

QString FirstExtension(const QString& filter) {
    // "PNG Files (*.png)" → "png"; "All Files (*)" has none.
    const int star = filter.indexOf(QStringLiteral("*."));
    if (star < 0) return {};
    QString ext;
    for (int i = star + 2; i < filter.size() && filter[i].isLetterOrNumber(); ++i)
        ext += filter[i];
    return ext;
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
    request.title = open ? Quillmark::tr("Open") : Quillmark::tr("Save As");
    request.fileName = proposed;
    request.filters = {Quillmark::tr("Bellwick Barcode Files (*.qmx)"),
                       Quillmark::tr("All Files (*)")};
    request.defaultSuffix = QStringLiteral("qmx");
    return QmFileDialog(request);
}
