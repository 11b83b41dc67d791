#pragma once
// Stands in for the program's message boxes and file dialogs: records what they would have
// shown and gives scripted answers.

#include "shell/file_dialog.h"
#include "shell/framework.h"

#include <deque>
#include <vector>

class DialogScript {
public:
    DialogScript() {
        m_previous =
            SetMessageBoxHandler([this](const QString& text, MsgIcon icon, MsgButtons) -> int {
                messages.push_back(text);
                icons.push_back(icon);
                if (answers.empty()) return IDOK;
                const int a = answers.front();
                answers.pop_front();
                return a;
            });
        SetFileDialogHandler([this](const FileDialogRequest& r) -> std::optional<QString> {
            requests.push_back(r);
            if (files.empty()) return std::nullopt;
            const QString f = files.front();
            files.pop_front();
            if (f.isEmpty()) return std::nullopt;
            return f;
        });
    }
    ~DialogScript() {
        SetMessageBoxHandler(m_previous);
        SetFileDialogHandler({});
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    std::deque<int> answers;   // IDYES, IDNO, IDCANCEL, ... in order
    std::deque<QString> files; // chosen names in order; an empty one cancels
    std::vector<QString> messages;
    std::vector<MsgIcon> icons;
    std::vector<FileDialogRequest> requests;

private:
    MessageBoxHandler m_previous;
};
