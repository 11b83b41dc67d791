#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include <utility>

namespace {

MessageBoxHandler& MessageHandler() {
    static MessageBoxHandler handler;
    return handler;
}

BeepHandler& Beeper() {
    static BeepHandler handler;
    return handler;
}

QPointer<QWidget>& Parent() {
    static QPointer<QWidget> parent;
    return parent;
}

QMessageBox::Icon BoxIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Stop:
        return QMessageBox::Critical;
    case MsgIcon::Exclamation:
        break;
    }
    return QMessageBox::Warning;
}

QMessageBox::StandardButtons BoxButtons(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

int ShowMessageBox(const QString& text, MsgIcon icon, MsgButtons buttons, QWidget* parent) {
    QMessageBox box(BoxIcon(icon), QStringLiteral("Quillmark"), text, BoxButtons(buttons),
                    parent ? parent : DialogParent());
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        // Closing the box without a button answers Cancel where there is one.
        return buttons == MsgButtons::YesNoCancel ? IDCANCEL : IDOK;
    }
}

} // namespace

int QmMessageBox(const QString& text, MsgIcon icon, MsgButtons buttons, QWidget* parent) {
    if (MessageHandler()) return MessageHandler()(text, icon, buttons);
    return ShowMessageBox(text, icon, buttons, parent);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(MessageHandler(), std::move(handler));
}

void SetDialogParent(QWidget* parent) {
    Parent() = parent;
}

QWidget* DialogParent() {
    return Parent() ? Parent().data() : QApplication::activeWindow();
}

void QmBeep() {
    if (Beeper())
        Beeper()();
    else
        QApplication::beep();
}

BeepHandler SetBeepHandler(BeepHandler handler) {
    return std::exchange(Beeper(), std::move(handler));
}
