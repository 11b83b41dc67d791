#include "shell/registration.h"

#include "common/atomic_file.h"
#include "common/settings_store.h"

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
    if (claimExtension) {
        const QByteArray mime =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"" +
            QByteArray(kQmxMimeType) +
            "\">\n"
            "    <comment>Bellwick Barcode Document</comment>\n"
            "    <icon name=\"quillmark\"/>\n"
            "    <glob pattern=\"*.qmx\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n";
        WriteIfDifferent(paths.mimePackage, mime, written);
    }

    QFile iconSource(QStringLiteral(":/icons/quillmark.svg"));
    if (iconSource.open(QIODevice::ReadOnly))
        WriteIfDifferent(paths.icon, iconSource.readAll(), written);

    const QString exec = QuoteExec(executable);
    QString entry = QStringLiteral("[Desktop Entry]\n"
                                   "Type=Application\n"
                                   "Name=Bellwick Quillmark\n"
                                   "GenericName=Barcode Maker\n"
                                   "Comment=Make barcodes and print them on labels\n"
                                   "Icon=quillmark\n"
                                   "Exec=%1 %f\n"
                                   "Terminal=false\n"
                                   "Categories=Office;Graphics;\n"
                                   "Actions=Print;\n")
                        .arg(exec);
    if (claimExtension) entry += QStringLiteral("MimeType=%1;\n").arg(QLatin1String(kQmxMimeType));
    entry += QStringLiteral("\n[Desktop Action Print]\nName=Print\nExec=%1 -p %f\n").arg(exec);
    WriteIfDifferent(paths.desktopEntry, entry.toUtf8(), written);

    if (written) RefreshDatabases();
    return written;
}

bool UnregisterFileType() {
    const CRegistrationPaths paths = RegistrationPaths();
    bool ok = true;
    for (const QString& file : {paths.mimePackage, paths.desktopEntry, paths.icon,
                                QString::fromStdString(SettingsStore().FilePath())}) {
        if (file.isEmpty() || !QFileInfo::exists(file)) continue;
        if (!QFile::remove(file)) ok = false;
    }
    RefreshDatabases();
    return ok;
}
