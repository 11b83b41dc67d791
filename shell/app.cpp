#include "shell/app.h"

#include "cli/command_line.h"
#include "cli/export_run.h"
#include "common/file_errors.h"
#include "common/run_report.h"
#include "common/settings_keys.h"
#include "common/settings_store.h"
#include "engine/symbologies.h"
#include "job/document_file.h"
#include "labels/label_database.h"
#include "labels/label_list.h"
#include "labels/print_label_dialog.h"
#include "shell/about_dialog.h"
#include "shell/command_ids.h"
#include "shell/command_line_run.h"
#include "shell/file_dialog.h"
#include "shell/main_frame.h"
#include "shell/printing.h"
#include "shell/quillmark_view.h"
#include "shell/registration.h"
#include "shell/splash.h"
#include "ui/shown_message.h"
#include "ui/translation.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// Settings that cannot be saved (a full disk, a folder the user may not write) are said once a
// session, not at every write: the program goes on with them as they are. Said from the event
// loop, never in the middle of the write that failed, and from whatever thread wrote.
void SayOnceWhenSettingsAreNotSaved() {
    auto said = std::make_shared<std::atomic<bool>>(false);
    SettingsStore::SetWriteFailureHandler([said](const std::string& path, std::error_code ec) {
        if (said->exchange(true) || !qApp) return;
        const QString cause = ShownMessage(FileError(ec, path));
        QMetaObject::invokeMethod(
            qApp,
            [cause] {
                QmMessageBox(Quillmark::tr("Your settings could not be saved: %1 Settings changed "
                                           "from now on may be lost when Quillmark ends.")
                                 .arg(cause));
            },
            Qt::QueuedConnection);
    });
}

} // namespace

CQuillmarkApp::CQuillmarkApp() {
    connect(&m_doc, &CDocument::FileNamed, this, &CQuillmarkApp::AddToRecentFileList);
    SayOnceWhenSettingsAreNotSaved();
}

CQuillmarkApp::~CQuillmarkApp() {
    SettingsStore::SetWriteFailureHandler({});
    // The frame's view shows the document; let it go first.
    m_frame.reset();
}

void CQuillmarkApp::CreateMainWindow() {
    m_frame = std::make_unique<CMainFrame>(m_doc, *this);
    SetDialogParent(m_frame.get());
    m_frame->SetRecentFiles(m_recentFiles);
    connect(m_frame.get(), &CMainFrame::FileDropped, this,
            [this](const QString& path) { OpenDocumentFile(path); });
    connect(m_frame->GetActiveView(), &CQuillmarkView::PreviewShown, this,
            [this](int pages) { m_previewPages = pages; });
}

int CQuillmarkApp::InitInstance(const QStringList& args, bool splash) {
    std::vector<std::string> bytes;
    for (const QString& a : args)
        bytes.push_back(QFile::encodeName(a).toStdString());
    return InitInstance(ParseCommandLine(bytes), splash);
}

int CQuillmarkApp::InitInstance(const CCommandLineInfo& info, bool splash) {
    LoadRecentFiles();
    m_previewPages = settings::Get(settings::kPreviewPages);
    RegisterAtStartUp(QApplication::applicationFilePath());

    if (info.kind == CCommandLineInfo::Print || info.kind == CCommandLineInfo::PrintTo ||
        info.kind == CCommandLineInfo::PrintPdf)
        return PrintFromCommandLine(info);
    if (info.kind == CCommandLineInfo::Unregister) {
        const bool ok = UnregisterFileType();
        QmMessageBox(ok ? Quillmark::tr("System registry entries have been removed and the INI "
                                        "file (if any) was deleted.")
                        : Quillmark::tr("Not all of the system registry entries (or INI file) "
                                        "were removed."),
                     MsgIcon::Information);
        return 0;
    }
    CreateMainWindow();
    if (info.kind == CCommandLineInfo::Open) {
        if (!OpenDocumentFile(QFile::decodeName(info.file.c_str()))) return 1;
    } else if (!OnFileNew()) {
        return 1;
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

namespace {

// Lists on standard error the labels that would not print as given; true when printing goes on.
bool ReportRunProblems(const CRunReport& report, bool strict) {
    ReportErrors(RunProblemReport(report, strict ? RunOutcome::NotPrinted : RunOutcome::Printed));
    return report.problemCount == 0 || !strict;
}

} // namespace

namespace {

// The label product of --label on the job, with the page its sheet prints on; the stored
// sheet's page when none is named. False, after a message, when the product cannot print.
bool TakeLabelOption(const CRunOptions& options, CPrintJob& job, std::optional<SheetPage>& page) {
    if (options.labelId <= 0 && options.labelName.empty()) {
        if (job.settings.useLabel != 0) page = StoredSheetPage();
        return true;
    }
    const std::optional<LabelRecord> label = ReadLabelProduct(options);
    if (!label) return false;
    if (const QString fault = LabelPrintFault(label->geometry); !fault.isEmpty()) {
        QmMessageBox(Quillmark::tr("The label \"%1 - %2\" cannot be printed: %3.")
                         .arg(label->name1, label->name2, fault));
        return false;
    }
    job.settings.useLabel = 1;
    job.settings.geometry = label->geometry;
    page = PageForSheet(label->geometry.paperSize);
    return true;
}

// The run, the outline page and the offset the options give; false, after a message, for an
// offset beyond the printer's calibration or a sheet's option without a sheet.
bool TakeRunOptions(const CRunOptions& options, CPrintJob& job) {
    // A start on plain paper would be passed over, each label printing on a page of its own.
    if (const std::string sheetOnly = SheetOnlyRunOption(options);
        !sheetOnly.empty() && job.settings.useLabel == 0) {
        ReportError(sheetOnly + " is for label sheets, and the print settings have none: name one "
                                "with --label ID (quillmark --list-labels finds its ID)");
        return false;
    }
    if (const std::string sheetOnly = SheetOnlyRunOption(options);
        !sheetOnly.empty() && OnRoll(job.settings)) {
        ReportError(sheetOnly + " is for label sheets; a roll or tape label prints each label on "
                                "a page of its own");
        return false;
    }
    if (options.runGiven) {
        // A run given here fills sheets from its start, whatever the dialog last chose.
        job.run = options.run;
        job.settings.fullPage = 0;
    }
    job.outlines = options.outlines;
    if (!options.offset) return true;
    const int unit = settings::Get(settings::kUnit);
    const CPoint offset{LengthInThousandthsCm(options.offset->across, unit),
                        LengthInThousandthsCm(options.offset->down, unit)};
    if (std::abs(offset.x) > kMaxPrinterOffset || std::abs(offset.y) > kMaxPrinterOffset) {
        ReportError("--offset moves the print at most 10 mm (0.39 in) each way");
        return false;
    }
    job.offset = offset;
    return true;
}

// Looks through the whole run before anything prints; false when nothing is to print. The data
// file is read once, for the check and the printing alike (from a pipe too).
bool CheckBeforePrinting(CPrintJob& job, bool strict) {
    if (job.outlines) return true;
    if (const CMessage unread = ReadJobData(job); !unread.Empty()) {
        ReportError("nothing was printed: " + MessageText(unread));
        return false;
    }
    const CRunReport report = CheckPrintJob(job, true);
    if (!report.error.Empty()) {
        ReportError("nothing was printed: " + MessageText(report.error));
        return false;
    }
    return ReportRunProblems(report, strict);
}

} // namespace

int CQuillmarkApp::PrintFromCommandLine(const CCommandLineInfo& info) {
    // Print without the dialog, then end; a script hears of failures on standard error. The
    // file is read by the name's own bytes.
    SendMessagesToStandardError();
    std::string path = info.file;
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    CDocumentFile read = ReadDocumentFile(path, QFile::decodeName(path.c_str()).toStdString());
    if (read.result != CDocumentFile::Result::Ok) {
        QmMessageBox(ShownMessage(read.message));
        return 1;
    }
    const std::unique_ptr<CBarcode> fresh = read.barcode ? nullptr : NewDocumentBarcode();
    CPrintJob job = StoredPrintJob(read.barcode ? read.barcode.get() : fresh.get(), {});
    job.title = QFileInfo(QFile::decodeName(path.c_str())).fileName().toStdString();
    job.design = std::move(read.design);
    if (!info.lines.empty()) job.design.lines = info.lines;
    std::optional<SheetPage> page;
    if (!TakeLabelOption(info.run, job, page)) return 1;
    if (!TakeRunOptions(info.run, job)) return 2;
    if (!CheckBeforePrinting(job, info.run.strict)) return 1;
    bool printed = false;
    if (info.kind == CCommandLineInfo::PrintPdf) {
        const SheetPage paper = page.value_or(SheetPage{DefaultPaper(), QPageLayout::Portrait});
        printed =
            PrintToPdf(job, QFile::decodeName(info.pdf.c_str()), paper.size, paper.orientation);
    } else {
        const bool named = info.kind == CCommandLineInfo::PrintTo;
        printed = PrintDirect(job, named ? QString::fromLocal8Bit(info.printer.c_str()) : QString(),
                              page);
    }
    return printed ? 0 : 1;
}

void CQuillmarkApp::ExitInstance() {
    SaveRecentFiles();
    if (m_previewPages != 0) settings::Set(settings::kPreviewPages, m_previewPages);
}

bool CQuillmarkApp::OnFileNew() {
    if (!m_doc.SaveModified()) return false;
    m_doc.SetDefaultTitle();
    m_doc.OnNewDocument();
    return true;
}

bool CQuillmarkApp::OnFileOpen() {
    const auto path = CDocManagerEx::DoPromptFileName(QString(), true);
    if (!path) return false;
    return OpenDocumentFile(*path);
}

QString CQuillmarkApp::DocumentPath(const QString& given) {
    QString path = given.trimmed();
    if (path.size() >= 2 && path.startsWith('"') && path.endsWith('"'))
        path = path.mid(1, path.size() - 2);
    if (path.isEmpty()) return {};
    const QFileInfo info(path);
    return info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
}

CQuillmarkApp::OpenOutcome CQuillmarkApp::OpenDocument(const QString& given) {
    const QString path = DocumentPath(given);
    if (path.isEmpty()) return OpenOutcome::Cancelled;

    // The file already open: only bring the window forward.
    if (!m_doc.GetPathName().isEmpty() && m_doc.GetPathName() == path) {
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
        return OpenOutcome::Opened;
    case CDocument::OpenResult::NotOpened:
        m_doc.SetModifiedFlag(wasModified);
        return OpenOutcome::Failed;
    case CDocument::OpenResult::FailedToLoad:
        m_doc.SetModifiedFlag(wasModified);
        return OpenOutcome::Failed;
    }
    return OpenOutcome::Failed;
}

void CQuillmarkApp::AddToRecentFileList(const QString& path) {
    for (int i = 0; i < m_recentFiles.size(); ++i)
        if (m_recentFiles[i] == path) {
            m_recentFiles.removeAt(i);
            break;
        }
    m_recentFiles.prepend(path);
    while (m_recentFiles.size() > settings::kRecentFileCount)
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
    for (int i = 1; i <= settings::kRecentFileCount; ++i) {
        const std::string path =
            store.GetString(settings::kRecentFileSection, settings::RecentFileKey(i), "");
        if (!path.empty()) m_recentFiles.append(QString::fromStdString(path));
    }
    if (m_frame) m_frame->SetRecentFiles(m_recentFiles);
}

void CQuillmarkApp::SaveRecentFiles() const {
    SettingsStore store;
    for (int i = 1; i <= settings::kRecentFileCount; ++i) {
        const std::string key = settings::RecentFileKey(i);
        if (i <= m_recentFiles.size())
            store.WriteString(settings::kRecentFileSection, key,
                              m_recentFiles[i - 1].toStdString());
        else
            store.DeleteKey(settings::kRecentFileSection, key);
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
