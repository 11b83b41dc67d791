#pragma once
// The program's open and save file dialog.

#include "shell/framework.h"

#include <QFileDialog>

#include <optional>

// Opening requires an existing file; saving requires an existing folder and asks before
// overwriting. The default extension is appended to a name typed without one.
class CBWFileDialog : public QFileDialog {
public:
    CBWFileDialog(const FileDialogRequest& request, QWidget* parent);
    std::optional<QString> Run();

private:
    bool m_open;
};

// The first extension a name filter offers ("PNG Files (*.png)" gives "png"), or none.
QString FirstExtension(const QString& filter);

// The document manager's prompt: every open and save dialog of documents goes through here.
class CDocManagerEx {
public:
    // The ".qmx" filters, titles "Open" and "Save As", default extension "qmx".
    static std::optional<QString> DoPromptFileName(const QString& proposed, bool open);
};
