#pragma once
// The small document/view framework: command routing targets and the idle-time command state.
// Message boxes are the toolkit's; the file dialog and its replaceable function are
// shell/file_dialog.h.

#include "ui/message_box.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// The state of one command as its targets see it when the program is idle.
struct CCmdUI {
    int id = 0;
    bool enabled = true;
    std::optional<bool> checked;
    bool handled = false; // a target has spoken for the command
    void Enable(bool on = true) {
        enabled = on;
        handled = true;
    }
    void SetCheck(bool on) {
        checked = on;
        handled = true;
    }
};

// A path as the File menu shows it, at most `maxLength` characters: the first folder, "...",
// and as many of the last folders as fit before the file name.
QString AbbreviatePath(const QString& path, int maxLength = 30);

// The face new barcodes use when nothing else is set.
QString DefaultFontName();
// The installed font families for the font lists, sorted without regard to case, with the
// default face listed even where only its alias resolves.
QStringList FontFamilies();

// Anything commands are routed through: the view, then the document, then the main frame,
// then the application. The first target that handles a command takes it.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    virtual bool OnCommand(int id) {
        (void)id;
        return false;
    }
    virtual void OnUpdateCommand(CCmdUI& ui) { (void)ui; }
};
