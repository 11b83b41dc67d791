#include "shell/user_guide.h"

#include "ui/message_box.h"
#include "ui/translation.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {

UrlOpener& Opener() {
    static UrlOpener opener;
    return opener;
}

// Whether the desktop names a program for the file's type. xdg-open reports success as soon as
// it starts, even where nothing takes the file, so the desktop is asked first; without
// xdg-mime (or when it does not answer) the opener's own answer decides.
bool DesktopHasProgramFor(const QString& file) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return true;
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                          QMimeDatabase().mimeTypeForFile(file).name()});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit) {
        query.kill();
        query.waitForFinished(1000);
        return true;
    }
    return query.exitCode() != 0 || !query.readAllStandardOutput().trimmed().isEmpty();
}

bool OpenWithDesktop(const QUrl& url) {
    if (Opener()) return Opener()(url);
    return DesktopHasProgramFor(url.toLocalFile()) && QDesktopServices::openUrl(url);
}

QPointer<CUserGuideWindow>& OpenWindow() {
    static QPointer<CUserGuideWindow> window;
    return window;
}

} // namespace

UrlOpener SetUrlOpener(UrlOpener opener) {
    UrlOpener previous = std::move(Opener());
    Opener() = std::move(opener);
    return previous;
}

CUserGuideWindow::CUserGuideWindow(const QString& markdown, QWidget* parent)
    : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Quillmark::tr("Quillmark User's Guide"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setOpenExternalLinks(true);
    m_browser->setMarkdown(markdown);
    // A margin around the text, as the printed guide has.
    m_browser->document()->setDocumentMargin(fontMetrics().height());
    resize(720, 800);
}

CUserGuideWindow* ShowUserGuide(const QString& docDir) {
    const QDir dir(docDir);
    const QString pdf = dir.filePath(QStringLiteral("userguide.pdf"));
    if (QFileInfo(pdf).isFile() && OpenWithDesktop(QUrl::fromLocalFile(pdf))) return nullptr;

    if (CUserGuideWindow* open = OpenWindow()) {
        open->raise();
        open->activateWindow();
        return open;
    }
    const QString markdown = dir.filePath(QStringLiteral("userguide.md"));
    QFile source(markdown);
    if (!source.open(QIODevice::ReadOnly)) {
        QmMessageBox(Quillmark::tr("The user's guide could not be found: neither \"%1\" nor "
                                   "\"%2\" can be read.")
                         .arg(pdf, markdown));
        return nullptr;
    }
    auto* window = new CUserGuideWindow(QString::fromUtf8(source.readAll()), DialogParent());
    OpenWindow() = window;
    window->show();
    return window;
}
