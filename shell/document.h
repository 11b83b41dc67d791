#pragma once
// The framework's document: title, path, modified flag, and the save rules shared by every
// document (ask before replacing a modified one, save or ask for a name, save as). It says when
// its contents changed; views and the frame listen and pull what they show.

#include "shell/framework.h"
#include "ui/translation.h"

#include <QObject>
#include <QString>

class CDocument : public QObject, public CCmdTarget {
    Q_OBJECT
public:
    ~CDocument() override = default;

    const QString& GetPathName() const { return m_strPathName; }
    const QString& GetTitle() const { return m_strTitle; }
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);
    void SetTitle(const QString& title);
    // Takes the path and shows its file name as the title; unless told otherwise, the path is
    // announced for the recent-file list (FileNamed).
    void SetPathName(const QString& path, bool addToRecentFiles = true);
    void SetDefaultTitle() { SetTitle(Quillmark::tr("Untitled")); }

    // Tells every listener that the contents changed (Changed).
    void UpdateAllViews() { emit Changed(); }

    // The new-document operation after the title was reset.
    virtual bool OnNewDocument() = 0;
    enum class OpenResult {
        Ok,           // loaded (or an empty file: nothing to load)
        NotOpened,    // the file could not be opened; the document is as it was
        FailedToLoad, // the file holds no document; the document is as it was
    };
    virtual OpenResult OnOpenDocument(const QString& path) = 0;
    virtual bool OnSaveDocument(const QString& path) = 0;

    // "Save changes to %1?" for a modified document: false when the user cancelled or the
    // save failed, so the caller must not go on.
    bool SaveModified();
    // Saves to the document's file when it exists and is writable, otherwise asks for a name.
    bool DoFileSave();
    // Saves to `path`, or asks for a name (proposing one) when `path` is empty. With `replace`
    // the document takes the saved path; a copy leaves it.
    bool DoSave(const QString& path, bool replace = true);

    bool OnCommand(int id) override;

signals:
    // The contents changed: whatever shows them draws again.
    void Changed();
    // The document took a file the user chose; the recent-file list keeps it.
    void FileNamed(const QString& path);
    // The title or the modified flag changed: the window's title follows.
    void TitleChanged();

protected:
    QString m_strPathName;
    QString m_strTitle = Quillmark::tr("Untitled");
    bool m_bModified = false;
};
