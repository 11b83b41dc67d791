#include "labels/label_messages.h"

#include <QApplication>

#include <utility>

namespace {

LabelMessageHandler& MessageHandler() {
    static LabelMessageHandler handler;
    return handler;
}

LabelBeepHandler& BeepHandler() {
    static LabelBeepHandler handler;
    return handler;
}

} // namespace

QMessageBox::StandardButton LabelMessageBox(QWidget* parent, const QString& text,
                                            QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons) {
    if (const LabelMessageHandler& handler = MessageHandler())
        return handler(parent, text, icon, buttons);
    QMessageBox box(icon, QStringLiteral("Quillmark"), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

LabelMessageHandler SetLabelMessageHandler(LabelMessageHandler handler) {
    return std::exchange(MessageHandler(), std::move(handler));
}

void LabelBeep() {
    if (const LabelBeepHandler& handler = BeepHandler())
        handler();
    else
        QApplication::beep();
}

LabelBeepHandler SetLabelBeepHandler(LabelBeepHandler handler) {
    return std::exchange(BeepHandler(), std::move(handler));
}
