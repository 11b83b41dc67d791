// Quillmark: start-up.

#include "cli/command_line.h"
#include "common/install_layout.h"
#include "shell/app.h"
#include "shell/command_line_run.h"
#include "ui/translation.h"

#include <QApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A command that runs out of memory ends with the program's own message and status 1.
class CQuillmarkApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::bad_alloc&) {
            ReportOutOfMemory();
            std::exit(1);
        }
    }
    static void ReportOutOfMemory() {
        std::fputs("quillmark: There is not enough memory to finish the command.\n", stderr);
    }
};

// The platform the toolkit will start on: -platform NAME (or -platform=NAME), else
// QT_QPA_PLATFORM; empty for its default.
std::string PlatformAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a.starts_with("--")) a.remove_prefix(1);
        if (a == "-platform" && i + 1 < argc) return argv[i + 1];
        if (a.starts_with("-platform=")) return std::string(a.substr(10));
    }
    const char* env = std::getenv("QT_QPA_PLATFORM");
    return env ? env : "";
}

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// Whether one of the platforms asked for (a list separated by ";") can show a window: the
// X11 and Wayland ones need their display, the others (offscreen, a frame buffer) none.
bool PlatformCanStart(const std::string& asked) {
    const bool x11 = Set("DISPLAY"), wayland = Set("WAYLAND_DISPLAY");
    if (asked.empty()) return x11 || wayland;
    for (std::size_t at = 0; at <= asked.size();) {
        const std::size_t end = std::min(asked.find(';', at), asked.size());
        const std::string_view name = std::string_view(asked).substr(at, end - at);
        if (name.starts_with("xcb") ? x11 : name.starts_with("wayland") ? wayland : !name.empty())
            return true;
        at = end + 1;
    }
    return false;
}

// While the toolkit starts, its notes are held back: when it cannot start (a display that does
// not answer) the user reads one line and the program ends with status 1 instead of aborting.
struct HeldNote {
    QtMsgType type;
    QString text;
};
std::vector<HeldNote> g_heldNotes;
QtMessageHandler g_shownNotes = nullptr;

void HoldNote(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type != QtFatalMsg) {
        g_heldNotes.push_back({type, msg});
        return;
    }
    const QString first = g_heldNotes.empty() ? msg : g_heldNotes.front().text;
    std::fprintf(stderr, "quillmark: the window cannot be shown: %s\n",
                 first.section('\n', 0, 0).trimmed().toLocal8Bit().constData());
    std::_Exit(1);
}

// The notes held while the toolkit started, shown as they would have been.
void ShowHeldNotes() {
    qInstallMessageHandler(g_shownNotes);
    for (const HeldNote& note : g_heldNotes)
        if (g_shownNotes)
            g_shownNotes(note.type, QMessageLogContext(), note.text);
        else
            std::fprintf(stderr, "%s\n", note.text.toLocal8Bit().constData());
    g_heldNotes.clear();
}

int Run(int argc, char** argv) {
    // The forms for scripts (export, print, help) need no display: they run on the offscreen
    // platform.
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        for (const char* form :
             {"--export", "--help", "-h", "-p", "/p", "-pt", "/pt", "--pdf", "--list-labels"})
            headless = headless || std::strcmp(argv[i], form) == 0;
    if (headless) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // Scripts read standard error for our one line; Qt's own notes would only add noise.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
        });
    }

    if (!PlatformCanStart(PlatformAsked(argc, argv))) {
        std::fputs("quillmark: there is no display to show the window on; --export, -p, -pt "
                   "and --pdf work without one\n",
                   stderr);
        return 1;
    }
    g_shownNotes = qInstallMessageHandler(HoldNote);
    CQuillmarkApplication qapp(argc, argv);
    ShowHeldNotes();
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    QApplication::setOrganizationName(QStringLiteral("Halvern"));
    // The user's language where a translation is installed: beside the program in a build
    // folder, in its data folder when installed.
    const QString programDir = QCoreApplication::applicationDirPath();
    const std::string dataDir =
        InstallLayoutFor(QFile::encodeName(programDir).toStdString()).dataDir;
    InstallTranslations({programDir + QStringLiteral("/translations"),
                         QFile::decodeName(dataDir.c_str()) + QStringLiteral("/translations")});

    // The arguments Qt left (it takes its own out of argv), as the system's bytes.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CCommandLineInfo info = ParseCommandLine(args);
    switch (info.kind) {
    case CCommandLineInfo::Help:
        std::fputs(CommandLineUsage().c_str(), stdout);
        return 0;
    case CCommandLineInfo::Invalid:
        std::fprintf(stderr, "quillmark: %s\n%s", info.error.c_str(), CommandLineUsage().c_str());
        return 2;
    case CCommandLineInfo::Export:
        return RunCommandLineExport(info);
    case CCommandLineInfo::ListLabels:
        return RunListLabels(info);
    default:
        break;
    }
    CQuillmarkApp app;
    const int early = app.InitInstance(info);
    if (early >= 0) return early;
    const int rc = QApplication::exec();
    app.ExitInstance();
    return rc;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        CQuillmarkApplication::ReportOutOfMemory();
        return 1;
    }
}
