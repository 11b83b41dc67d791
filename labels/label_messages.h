#pragma once
// How the label dialogs speak to the user: message boxes and the warning beep, each replaceable
// so that a test can read what would be shown and give the answer.

#include <QMessageBox>
#include <QString>

#include <functional>

using LabelMessageHandler = std::function<QMessageBox::StandardButton(
    QWidget* parent, const QString& text, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons)>;
using LabelBeepHandler = std::function<void()>;

// A modal message box with the program's title; returns the button the user chose.
QMessageBox::StandardButton LabelMessageBox(QWidget* parent, const QString& text,
                                            QMessageBox::Icon icon = QMessageBox::Warning,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// Replaces the message box; an empty handler brings the real one back. Returns the previous one.
LabelMessageHandler SetLabelMessageHandler(LabelMessageHandler handler);

// The platform's warning beep.
void LabelBeep();
LabelBeepHandler SetLabelBeepHandler(LabelBeepHandler handler);
