#include "shell/registration.h"

#include "common/atomic_file.h"
#include "common/install_layout.h"
#include "common/settings_store.h"
#include "ui/translation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace {

QString DataHome() {
    const QString env = qEnvironmentVariable("XDG_DATA_HOME");
    if (!env.isEmpty() && QDir::isAbsolutePath(env)) return env;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QStringList DataDirs() {
    QStringList dirs{DataHome()};
    QString env = qEnvironmentVariable("XDG_DATA_DIRS");
    if (env.isEmpty()) env = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& d : env.split(':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(d)) dirs << d;
    return dirs;
}

// Writes `content` to `path` unless it already holds exactly that.
bool WriteIfDifferent(const QString& path, const QByteArray& content, bool& written) {
    const std::string native = QFile::encodeName(path).toStdString();
    const std::span<const std::uint8_t> bytes(
        reinterpret_cast<const std::uint8_t*>(content.constData()),
        static_cast<std::size_t>(content.size()));
    // A file longer than the content differs from it; there is no need to read it all.
    std::vector<std::uint8_t> existing;
    if (!ReadWholeFile(native, existing, bytes.size()) &&
        std::equal(existing.begin(), existing.end(), bytes.begin(), bytes.end()))
        return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (WriteFileAtomically(native, bytes)) return false;
    written = true;
    return true;
}

QString QuoteExec(const QString& path) {
    // Desktop-entry quoting: double quotes, with \ " ` and $ escaped.
    QString q;
    for (QChar c : path) {
        if (c == '\\' || c == '"' || c == '`' || c == '$') q += '\\';
        q += c;
    }
    return '"' + q + '"';
}

// The mark of a file the program wrote for itself, in each file's comment syntax. A file without
// it (the package's, or one the user has rewritten) is never removed.
constexpr char kOwnMark[] =
    "Written by Quillmark run from its build folder; \"quillmark -Unregister\" removes it.";

QByteArray Resource(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An XML file with the mark as a comment after its declaration (a comment may not precede it).
QByteArray MarkedXml(const QByteArray& xml) {
    const QByteArray mark = QByteArray("<!-- ") + kOwnMark + " -->\n";
    qsizetype at = 0;
    if (xml.startsWith("<?xml")) at = xml.indexOf('\n') + 1;
    QByteArray marked = xml;
    return marked.insert(at, mark);
}

bool CarriesOwnMark(const QString& path) {
    QFile file(path);
    // The mark stands within the first lines.
    return file.open(QIODevice::ReadOnly) && file.read(4096).contains(kOwnMark);
}

void RefreshDatabases() {
    // Let the desktop see the change; quietly nothing where the tools are missing.
    const QString mimeTool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!mimeTool.isEmpty())
        QProcess::startDetached(mimeTool, {DataHome() + QStringLiteral("/mime")});
    const QString desktopTool =
        QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (!desktopTool.isEmpty())
        QProcess::startDetached(desktopTool, {DataHome() + QStringLiteral("/applications")});
}

} // namespace

CRegistrationPaths RegistrationPaths() {
    const QString home = DataHome();
    return {home + QStringLiteral("/mime/packages/quillmark.xml"),
            home + QStringLiteral("/applications/quillmark.desktop"),
            home + QStringLiteral("/icons/hicolor/scalable/apps/quillmark.svg")};
}

QString ForeignQmxType() {
    for (const QString& dir : DataDirs()) {
        QFile globs(dir + QStringLiteral("/mime/globs2"));
        if (!globs.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
        QTextStream in(&globs);
        while (!in.atEnd()) {
            // weight:type:glob[:flags]
            const QStringList parts = in.readLine().split(':');
            if (parts.size() >= 3 &&
                parts[2].compare(QStringLiteral("*.qmx"), Qt::CaseInsensitive) == 0 &&
                parts[1] != QLatin1String(kQmxMimeType))
                return parts[1];
        }
    }
    return {};
}

bool RegisterFileType(const QString& executable) {
    const CRegistrationPaths paths = RegistrationPaths();
    bool written = false;
    // The extension stays with whoever claimed it first.
    const bool claimExtension = ForeignQmxType().isEmpty();
    if (claimExtension)
        WriteIfDifferent(paths.mimePackage,
                         MarkedXml(Resource(QStringLiteral(":/desktop/quillmark.xml"))), written);

    const QByteArray icon = Resource(QStringLiteral(":/icons/quillmark.svg"));
    if (!icon.isEmpty()) WriteIfDifferent(paths.icon, MarkedXml(icon), written);

    // The package's entry runs "quillmark" from the PATH; this one runs the given program.
    const QString exec = QuoteExec(executable);
    const QLatin1String packageExec("Exec=quillmark ");
    QString entry = QStringLiteral("# %1\n").arg(QLatin1String(kOwnMark));
    const QStringList lines =
        QString::fromUtf8(Resource(QStringLiteral(":/desktop/quillmark.desktop"))).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (i == lines.size() - 1 && line.isEmpty()) break;
        if (line.startsWith(QLatin1String("MimeType=")) && !claimExtension) continue;
        if (line.startsWith(packageExec))
            line = QStringLiteral("Exec=") + exec + ' ' + line.mid(packageExec.size());
        entry += line + '\n';
    }
    WriteIfDifferent(paths.desktopEntry, entry.toUtf8(), written);

    if (written) RefreshDatabases();
    return written;
}

bool RegisterAtStartUp(const QString& executable) {
    const QString dir = QFileInfo(executable).absolutePath();
    if (InstallLayoutFor(QFile::encodeName(dir).toStdString()).installed) return false;
    return RegisterFileType(executable);
}

bool UnregisterFileType() {
    const CRegistrationPaths paths = RegistrationPaths();
    bool ok = true;
    const auto remove = [&ok](const QString& file) {
        if (!file.isEmpty() && QFileInfo::exists(file) && !QFile::remove(file)) ok = false;
    };
    for (const QString& file : {paths.mimePackage, paths.desktopEntry, paths.icon})
        if (CarriesOwnMark(file)) remove(file);
    remove(QString::fromStdString(SettingsStore().FilePath()));
    RefreshDatabases();
    return ok;
}
