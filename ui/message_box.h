#pragma once
// How the program speaks to the user in a modal box, and the warning beep. Every message of
// the shell and the label dialogs goes through these two functions, so a test (or a run from a
// script) replaces them once to read what would be shown and give the answer.

#include <QString>

#include <functional>

class QWidget;

// Answers.
enum { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

enum class MsgIcon { Exclamation, Question, Information, Stop };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };

using MessageBoxHandler = std::function<int(const QString& text, MsgIcon icon, MsgButtons buttons)>;
using BeepHandler = std::function<void()>;

// Shows a modal message box titled with the program's short title and returns the answer.
// Without a handler the box is modal to `parent`, or else to the dialog parent.
int QmMessageBox(const QString& text, MsgIcon icon = MsgIcon::Exclamation,
                 MsgButtons buttons = MsgButtons::Ok, QWidget* parent = nullptr);
// Replaces the box; an empty handler brings the real one back. Returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The window message boxes and dialogs are modal to when no other is named: the one set here,
// else the application's active window.
void SetDialogParent(QWidget* parent);
QWidget* DialogParent();

// The desktop's warning beep.
void QmBeep();
BeepHandler SetBeepHandler(BeepHandler handler);
