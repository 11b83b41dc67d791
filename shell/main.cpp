// Quillmark: start-up.

#include "shell/app.h"
#include "shell/command_line.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    // The export and help forms need no display: they run on the offscreen platform.
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        headless = headless || std::strcmp(argv[i], "--export") == 0 ||
                   std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0;
    if (headless) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // Scripts read standard error for our one line; Qt's own notes would only add noise.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
        });
    }

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    QApplication::setOrganizationName(QStringLiteral("Halvern"));

    const QStringList args = QApplication::arguments().mid(1);
    const CCommandLineInfo info = ParseCommandLine(args);
    switch (info.kind) {
    case CCommandLineInfo::Help:
        std::fputs(CommandLineUsage().toLocal8Bit().constData(), stdout);
        return 0;
    case CCommandLineInfo::Invalid:
        std::fprintf(stderr, "quillmark: %s\n%s", qPrintable(info.error),
                     CommandLineUsage().toLocal8Bit().constData());
        return 2;
    case CCommandLineInfo::Export:
        return RunCommandLineExport(info);
    default:
        break;
    }
    CQuillmarkApp app;
    const int early = app.InitInstance(args);
    if (early >= 0) return early;
    const int rc = QApplication::exec();
    app.ExitInstance();
    return rc;
}
