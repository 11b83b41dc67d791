#include "shell/framework.h"

#include "shell/file_dialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

namespace {

MessageBoxHandler& MessageHandler() {
    static MessageBoxHandler handler;
    return handler;
}

FileDialogHandler& FileHandler() {
    static FileDialogHandler handler;
    return handler;
}

QPointer<QWidget>& Parent() {
    static QPointer<QWidget> parent;
    return parent;
}

int ShowMessageBox(const QString& text, MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(DialogParent());
    box.setWindowTitle(QStringLiteral("Quillmark"));
    box.setText(text);
    switch (icon) {
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return buttons == MsgButtons::YesNoCancel ? IDCANCEL : IDOK;
    }
}

} // namespace

int QmMessageBox(const QString& text, MsgIcon icon, MsgButtons buttons) {
    if (MessageHandler()) return MessageHandler()(text, icon, buttons);
    return ShowMessageBox(text, icon, buttons);
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageHandler() = std::move(handler);
}

void SetDialogParent(QWidget* parent) {
    Parent() = parent;
}

QWidget* DialogParent() {
    return Parent() ? Parent().data() : QApplication::activeWindow();
}

std::optional<QString> QmFileDialog(const FileDialogRequest& request) {
    if (FileHandler()) return FileHandler()(request);
    CBWFileDialog dialog(request, DialogParent());
    return dialog.Run();
}

void SetFileDialogHandler(FileDialogHandler handler) {
    FileHandler() = std::move(handler);
}

QString AbbreviatePath(const QString& path, int maxLength) {
    if (path.size() <= maxLength) return path;
    const QString name = QFileInfo(path).fileName();
    if (name.size() + 4 >= maxLength) return name;
    // Keep the first folder and as many of the last folders as fit, with "..." between.
    QStringList parts = path.split('/');
    const QString head =
        parts.size() > 1 && parts[0].isEmpty() ? QStringLiteral("/") + parts[1] : parts[0];
    QString tail = name;
    for (int i = parts.size() - 2; i >= 2; --i) {
        const QString longer = parts[i] + '/' + tail;
        if (head.size() + 5 + longer.size() > maxLength) break;
        tail = longer;
    }
    const QString shown = head + QStringLiteral("/.../") + tail;
    return shown.size() <= maxLength ? shown : QStringLiteral(".../") + name;
}
