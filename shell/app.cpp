#include "shell/app.h"

#include "common/settings_store.h"
#include "shell/about_dialog.h"
#include "shell/command_ids.h"
#include "shell/command_line.h"
#include "shell/file_dialog.h"
#include "shell/main_frame.h"
#include "shell/measurement.h"
#include "shell/options_dialog.h"
#include "shell/quillmark_view.h"
#include "shell/registration.h"
#include "shell/splash.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cstdio>

CQuillmarkApp::CQuillmarkApp() {
    m_doc.m_addToRecentFiles = [this](const QString& path) { AddToRecentFileList(path); };
}

CQuillmarkApp::~CQuillmarkApp() {
    // The frame's view belongs to the document's list; let it go first.
    m_frame.reset();
}

void CQuillmarkApp::CreateMainWindow() {
    m_frame = std::make_unique<CMainFrame>(m_doc, *this);
    SetDialogParent(m_frame.get());
    m_frame->SetRecentFiles(m_recentFiles);
    m_frame->m_openDroppedFile = [this](const QString& path) { OpenDocumentFile(path); };
    m_frame->GetActiveView()->m_previewShown = [this](int pages) { m_previewPages = pages; };
    m_doc.m_showOptions = [this] {
        COptionsDialog dialog(m_frame.get());
        dialog.exec();
    };
}

int CQuillmarkApp::InitInstance(const QStringList& args, bool splash) {
    LoadRecentFiles();
    m_previewPages = SettingsStore().GetInt("Settings", "PreviewPages", 0);
    CreateMainWindow();
    RegisterFileType(QApplication::applicationFilePath());

    const CCommandLineInfo info = ParseCommandLine(args);
    switch (info.kind) {
    case CCommandLineInfo::Open:
        if (!OpenDocumentFile(info.file)) return 1;
        break;
    case CCommandLineInfo::Print:
    case CCommandLineInfo::PrintTo: {
        // Print without the dialog, then end.
        if (!OpenDocumentFile(info.file)) return 1;
        CQuillmarkView* view = m_frame->GetActiveView();
        return view->OnFilePrintDirect(info.kind == CCommandLineInfo::PrintTo ? info.printer
                                                                              : QString())
                   ? 0
                   : 1;
    }
    case CCommandLineInfo::Unregister: {
        const bool ok = UnregisterFileType();
        QmMessageBox(ok ? QStringLiteral("System registry entries have been removed and the INI "
                                         "file (if any) was deleted.")
                        : QStringLiteral("Not all of the system registry entries (or INI file) "
                                         "were removed."),
                     MsgIcon::Information);
        return 0;
    }
    default:
        if (!OnFileNew()) return 1;
        break;
    }
    if (splash) {
        // The main window appears when the splash goes.
        m_splash = std::make_unique<CSplashWnd>([this] { m_frame->show(); });
        m_splash->show();
        m_splash->activateWindow();
        m_splash->setFocus();
    } else {
        m_frame->show();
    }
    return -1;
}

QString CQuillmarkApp::Usage() {
    return QStringLiteral(
        "Usage:\n"
        "  quillmark                      start with a new barcode\n"
        "  quillmark FILE.qmx             open a document\n"
        "  quillmark -p FILE.qmx          print it on the default printer, then end\n"
        "  quillmark -pt FILE.qmx PRINTER DRIVER PORT\n"
        "                                 print it on the named printer, then end\n"
        "  quillmark -Unregister          remove the file type and the settings\n"
        "  quillmark --export OUTPUT [FILE.qmx] [options]\n"
        "                                 write OUTPUT by its extension (wmf, bmp, gif, tif, png,\n"
        "                                 pcx, jpg, qmx) and end; without a display too\n"
        "      --symbology NAME           Code 39, Code 39 Mod 43, Code 39 Extended, Code 93,\n"
        "                                 Code 128, Interleaved 2 of 5, UPC-A, UPC-E, EAN 13,\n"
        "                                 EAN 8, Postnet (letter case ignored)\n"
        "      --data TEXT                the data\n"
        "      --height TEXT              the bar height, as the height box reads it (2 cm)\n"
        "      --rotation 0..3            quarter turns anticlockwise\n"
        "      --no-text                  without the human-readable text\n"
        "      --dpi N                    resolution of image files (10 to 3000)\n"
        "  quillmark --help               this text\n");
}

int CQuillmarkApp::RunExport(const CCommandLineInfo& info) {
    // One line on standard error for whatever went wrong, in the program's own words.
    SetMessageBoxHandler([](const QString& text, MsgIcon, MsgButtons) -> int {
        std::fprintf(stderr, "quillmark: %s\n", text.toLocal8Bit().constData());
        return IDCANCEL;
    });
    CreateMainWindow();
    m_doc.SetDefaultTitle();
    m_doc.OnNewDocument(); // what an empty file leaves in place
    if (!info.file.isEmpty()) {
        const QString path = QFileInfo(info.file).absoluteFilePath();
        if (m_doc.OnOpenDocument(path) != CDocument::OpenResult::Ok) return 1;
        m_doc.SetPathName(path, false);
    }
    if (!info.symbology.isEmpty()) {
        const int command = CMainFrame::SymbologyCommand(info.symbology);
        if (command == 0) {
            std::fprintf(stderr, "quillmark: unknown symbology \"%s\"\n",
                         qPrintable(info.symbology));
            return 2;
        }
        m_doc.SwitchSymbology(command);
    }
    CBarcode& bc = *m_doc.m_pBarcode;
    if (!info.data.isEmpty()) bc.SetData(info.data.toLatin1().toStdString());
    if (!info.height.isEmpty()) {
        const CMeasurement m = ParseMeasurement(info.height.toLatin1().toStdString(),
                                                SettingsStore().GetInt("Options", "Unit", 0));
        if (m.value <= 0) {
            std::fprintf(stderr, "quillmark: \"%s\" is not a bar height\n",
                         qPrintable(info.height));
            return 2;
        }
        bc.m_nHeight = m.value;
        bc.m_nHeightUnit = m.unit;
    }
    CQuillmarkView* view = m_frame->GetActiveView();
    view->m_nRotation = info.rotation;
    view->m_bShowText = !info.noText;
    return view->ExportToFile(QFileInfo(info.output).absoluteFilePath(), info.dpi) ? 0 : 1;
}

void CQuillmarkApp::ExitInstance() {
    SaveRecentFiles();
    if (m_previewPages != 0) SettingsStore().WriteInt("Settings", "PreviewPages", m_previewPages);
}

void CQuillmarkApp::InitialUpdate() {
    for (CView* v : m_doc.Views())
        v->OnInitialUpdate();
}

bool CQuillmarkApp::OnFileNew() {
    if (!m_doc.SaveModified()) return false;
    m_doc.SetDefaultTitle();
    m_doc.OnNewDocument();
    InitialUpdate();
    return true;
}

bool CQuillmarkApp::OnFileOpen() {
    const auto path = CDocManagerEx::DoPromptFileName(QString(), true);
    if (!path) return false;
    return OpenDocumentFile(*path);
}

CQuillmarkApp::OpenOutcome CQuillmarkApp::OpenDocument(const QString& rawPath) {
    QString path = rawPath.trimmed();
    if (path.size() >= 2 && path.startsWith('"') && path.endsWith('"'))
        path = path.mid(1, path.size() - 2);
    if (path.isEmpty()) return OpenOutcome::Cancelled;
    QFileInfo info(path);
    path = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());

    // The file already open: only bring the window forward.
    if (!m_doc.GetPathName().isEmpty() &&
        m_doc.GetPathName().compare(path, Qt::CaseInsensitive) == 0) {
        if (m_frame) {
            m_frame->raise();
            m_frame->activateWindow();
        }
        return OpenOutcome::Opened;
    }
    if (!m_doc.SaveModified()) return OpenOutcome::Cancelled;

    const bool wasModified = m_doc.IsModified();
    switch (m_doc.OnOpenDocument(path)) {
    case CDocument::OpenResult::Ok:
        m_doc.SetPathName(path);
        InitialUpdate();
        if (m_doc.m_updateBarcodeControls) m_doc.m_updateBarcodeControls();
        return OpenOutcome::Opened;
    case CDocument::OpenResult::NotOpened:
        m_doc.SetModifiedFlag(wasModified);
        return OpenOutcome::Failed;
    case CDocument::OpenResult::FailedToLoad:
        // Nothing of the old document is left to show: start afresh.
        m_doc.SetDefaultTitle();
        m_doc.OnNewDocument();
        InitialUpdate();
        return OpenOutcome::Failed;
    }
    return OpenOutcome::Failed;
}

void CQuillmarkApp::AddToRecentFileList(const QString& path) {
    for (int i = 0; i < m_recentFiles.size(); ++i)
        if (m_recentFiles[i].compare(path, Qt::CaseInsensitive) == 0) {
            m_recentFiles.removeAt(i);
            break;
        }
    m_recentFiles.prepend(path);
    while (m_recentFiles.size() > 4)
        m_recentFiles.removeLast();
    if (m_frame) m_frame->SetRecentFiles(m_recentFiles);
}

void CQuillmarkApp::RemoveRecentFile(int index) {
    if (index < 0 || index >= m_recentFiles.size()) return;
    m_recentFiles.removeAt(index);
    if (m_frame) m_frame->SetRecentFiles(m_recentFiles);
}

void CQuillmarkApp::LoadRecentFiles() {
    SettingsStore store;
    m_recentFiles.clear();
    for (int i = 1; i <= 4; ++i) {
        const std::string path =
            store.GetString("Recent File List", "File" + std::to_string(i), "");
        if (!path.empty()) m_recentFiles.append(QString::fromStdString(path));
    }
    if (m_frame) m_frame->SetRecentFiles(m_recentFiles);
}

void CQuillmarkApp::SaveRecentFiles() const {
    SettingsStore store;
    for (int i = 1; i <= 4; ++i) {
        const std::string key = "File" + std::to_string(i);
        if (i <= m_recentFiles.size())
            store.WriteString("Recent File List", key, m_recentFiles[i - 1].toStdString());
        else
            store.DeleteKey("Recent File List", key);
    }
}

bool CQuillmarkApp::OnCommand(int id) {
    switch (id) {
    case cmd::kFileNew:
        OnFileNew();
        return true;
    case cmd::kFileOpen:
        OnFileOpen();
        return true;
    case cmd::kAppExit:
        if (m_frame) m_frame->close();
        return true;
    case cmd::kAbout: {
        CAboutDialog about(m_frame.get());
        about.exec();
        return true;
    }
    case cmd::kForum:
        QDesktopServices::openUrl(
            QUrl(QStringLiteral("https://www.halvern.example/forum/quillmark")));
        return true;
    case cmd::kSupport:
        QDesktopServices::openUrl(
            QUrl(QStringLiteral("https://www.halvern.example/support/quillmark")));
        return true;
    default:
        break;
    }
    if (id >= cmd::kFileMruFirst && id <= cmd::kFileMruLast) {
        const int index = id - cmd::kFileMruFirst;
        if (index < m_recentFiles.size()) {
            const QString path = m_recentFiles[index];
            // A failed open drops the entry; a cancelled save question does not.
            if (OpenDocument(path) == OpenOutcome::Failed)
                RemoveRecentFile(m_recentFiles.indexOf(path));
        }
        return true;
    }
    return false;
}

void CQuillmarkApp::OnUpdateCommand(CCmdUI& ui) {
    if (ui.id == cmd::kFileMruFirst) ui.Enable(!m_recentFiles.isEmpty());
}
