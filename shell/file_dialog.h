#pragma once
// The program's open and save file dialog, and the one function every file dialog is asked
// through (replaceable by tests).

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The kinds of file whose dialogs each open where a file of that kind was last chosen.
enum class FileKind { Document, Export };

struct FileDialogRequest {
    bool open = true;
    FileKind kind = FileKind::Document;
    // Where the dialog opens when `fileName` names no folder: where a file of this kind was
    // last chosen (filled in by QmFileDialog); empty for the dialog's own default.
    QString folder;
    QString title;         // "Open" or "Save As"
    QString fileName;      // proposed name (save)
    QStringList filters;   // in the platform's "Name (*.ext)" form, first one selected
    QString defaultSuffix; // appended when the typed name has none
    QString note;          // a line shown under the file type, when not empty
};
using FileDialogHandler = std::function<std::optional<QString>(const FileDialogRequest&)>;

// Asks for a file name; nothing when the user cancels. The dialog opens in the folder a file
// of the request's kind was last chosen in, and a chosen file's folder is remembered for the
// next.
std::optional<QString> QmFileDialog(const FileDialogRequest& request);
void SetFileDialogHandler(FileDialogHandler handler);

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
