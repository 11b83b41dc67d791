#pragma once
// CQuillmarkApp: start-up, the single document with its frame and view, New and Open, the
// recent-file list, and the program's exit.

#include "shell/framework.h"
#include "shell/quillmark_doc.h"

#include <QObject>
#include <QStringList>

#include <memory>

class CMainFrame;

class CQuillmarkApp : public QObject, public CCmdTarget {
    Q_OBJECT
public:
    CQuillmarkApp();
    ~CQuillmarkApp() override;

    // Start-up: settings, recent files, the file type, the command line, then the main window
    // and the splash. Returns the exit code when the command line ends the program at once
    // (printing, unregistering, a file that cannot be opened), or -1 to go on with the event
    // loop. Printing from the command line opens no window.
    int InitInstance(const struct CCommandLineInfo& info, bool splash = true);
    // The same from arguments as the program receives them.
    int InitInstance(const QStringList& args, bool splash = true);
    // At exit: the recent-file list and the preview page count go to the settings.
    void ExitInstance();

    // Creates the document, the main window and its view; the window is not shown yet.
    void CreateMainWindow();
    CQuillmarkDoc& GetDocument() { return m_doc; }
    CMainFrame* GetMainFrame() const { return m_frame.get(); }

    // New: asks to save a modified document, then a fresh Code 39 "HALVERN".
    bool OnFileNew();
    // Open with the dialog.
    bool OnFileOpen();
    // Opens a file from the dialog, the command line, the recent-file list or a drop.
    enum class OpenOutcome { Opened, Cancelled, Failed };
    // A path as given (surrounding quotes removed) made absolute, with links resolved when
    // the file exists; empty when nothing was given.
    static QString DocumentPath(const QString& given);
    OpenOutcome OpenDocument(const QString& path);
    bool OpenDocumentFile(const QString& path) { return OpenDocument(path) == OpenOutcome::Opened; }

    const QStringList& RecentFiles() const { return m_recentFiles; }
    void AddToRecentFileList(const QString& path);
    void LoadRecentFiles();
    void SaveRecentFiles() const;

    bool OnCommand(int id) override;
    void OnUpdateCommand(CCmdUI& ui) override;

private:
    void RemoveRecentFile(int index);
    // The print forms of the command line: the document printed without a window.
    int PrintFromCommandLine(const struct CCommandLineInfo& info);

    CQuillmarkDoc m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    QStringList m_recentFiles;
    int m_previewPages = 0;
    std::unique_ptr<class CSplashWnd> m_splash;

public:
    int PreviewPages() const { return m_previewPages; }
    void SetPreviewPages(int pages) { m_previewPages = pages; }
};
