// Quillmark: start-up.

#include "cli/command_line.h"
#include "common/install_layout.h"
#include "shell/app.h"
#include "shell/command_line_run.h"
#include "ui/translation.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
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

int Run(int argc, char** argv) {
    // The forms for scripts (export, print, help) need no display: they run on the offscreen
    // platform.
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        for (const char* form : {"--export", "--help", "-h", "-p", "/p", "-pt", "/pt", "--pdf"})
            headless = headless || std::strcmp(argv[i], form) == 0;
    if (headless) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // Scripts read standard error for our one line; Qt's own notes would only add noise.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
        });
    }

    CQuillmarkApplication qapp(argc, argv);
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
