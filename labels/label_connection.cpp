// Where the label database is: the connection string of the settings, the shipped file or the
// user's own copy of it, and the repair of a damaged copy.
#include "labels/label_database.h"

#include "common/atomic_file.h"
#include "common/file_io.h"
#include "common/install_layout.h"
#include "common/settings_keys.h"
#include "labels/label_file_repair.h"
#include "ui/translation.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The maker's support addresses for the message about a database that cannot be opened.
constexpr char kSupportForum[] = "https://www.halvern.example/forum/quillmark";
constexpr char kSupportEmail[] = "support@halvern.example";

[[noreturn]] void Fail(const QString& description) {
    throw CLabelDbError(description);
}

bool Writable(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// Copies through a temporary file in the same folder, so a half-written copy never stands in
// for the database.
void CopyWhole(const QString& from, const QString& to) {
    std::vector<std::uint8_t> bytes;
    std::error_code ec = ReadWholeFile(QFile::encodeName(from).toStdString(), bytes);
    if (!ec) {
        AtomicWriteOptions options;
        options.mode = 0644; // the owner reads and writes, everyone else reads
        ec = WriteFileAtomically(QFile::encodeName(to).toStdString(), bytes, options);
    }
    if (ec)
        Fail(Quillmark::tr("The label database \"%1\" could not be copied to \"%2\": %3")
                 .arg(from, to, QString::fromStdString(ec.message())));
}

} // namespace

namespace {

// One "key=value" of a connection string, the key in lower case.
struct ConnectionPart {
    QString key;
    QString value;
};

// The value in braces that starts at text[i], the '{'; "}}" stands for "}". Leaves `i` at the
// ';' that ends the part, or at the end of the text.
QString ReadBracedValue(const QString& text, int& i, const QString& key) {
    const int n = static_cast<int>(text.size());
    QString value;
    bool closed = false;
    for (++i; i < n; ++i) {
        if (text[i] == u'}') {
            if (i + 1 < n && text[i + 1] == u'}') {
                value += u'}';
                ++i;
                continue;
            }
            closed = true;
            ++i;
            break;
        }
        value += text[i];
    }
    if (!closed)
        Fail(Quillmark::tr("The label database connection string has a value in braces "
                           "without its closing brace: \"%1\".")
                 .arg(key));
    while (i < n && text[i] != u';') {
        if (!text[i].isSpace())
            Fail(Quillmark::tr("The label database connection string has text after "
                               "the braced value of \"%1\".")
                     .arg(key));
        ++i;
    }
    return value;
}

// The parts of "key=value;key=value" in order; empty parts are skipped.
std::vector<ConnectionPart> SplitConnectionString(const QString& text) {
    std::vector<ConnectionPart> parts;
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n) {
        const int eq = text.indexOf(u'=', i);
        const int semi = text.indexOf(u';', i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            const QString part = text.mid(i, semi < 0 ? -1 : semi - i).trimmed();
            if (!part.isEmpty())
                Fail(Quillmark::tr("The label database connection string has a part without "
                                   "'=': \"%1\".")
                         .arg(part));
            i = semi < 0 ? n : semi + 1;
            continue;
        }
        ConnectionPart p;
        p.key = text.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        while (i < n && text[i].isSpace())
            ++i;
        if (i < n && text[i] == u'{') {
            p.value = ReadBracedValue(text, i, p.key);
        } else {
            const int end = semi < 0 ? n : semi;
            p.value = text.mid(i, end - i).trimmed();
            i = end;
        }
        if (i < n) ++i; // the ';'
        parts.push_back(std::move(p));
    }
    return parts;
}

// What a connection string gives for each field; a later part wins over an earlier one.
struct ConnectionFields {
    QString driver, database, host, port, user, password, defaultDir;
};

// Every key a connection string may use and the value it gives.
const struct {
    const char16_t* name;
    QString ConnectionFields::*field;
} kConnectionKeys[] = {
    {u"driver", &ConnectionFields::driver},
    {u"dbq", &ConnectionFields::database},
    {u"database", &ConnectionFields::database},
    {u"server", &ConnectionFields::host},
    {u"host", &ConnectionFields::host},
    {u"port", &ConnectionFields::port},
    {u"uid", &ConnectionFields::user},
    {u"user", &ConnectionFields::user},
    {u"pwd", &ConnectionFields::password},
    {u"password", &ConnectionFields::password},
    {u"defaultdir", &ConnectionFields::defaultDir},
};

ConnectionFields CollectConnectionFields(const std::vector<ConnectionPart>& parts) {
    ConnectionFields f;
    for (const ConnectionPart& p : parts)
        for (const auto& key : kConnectionKeys)
            if (p.key == key.name) f.*key.field = p.value;
    return f;
}

LabelConnectionParams MakeConnectionParams(const ConnectionFields& f, const QString& baseDir) {
    LabelConnectionParams params;
    const QString engine = f.driver.toLower();
    if (f.driver.isEmpty())
        Fail(Quillmark::tr("The label database connection string names no database driver. "
                           "Give Driver=SQLite with DBQ=<file>, or Driver=PostgreSQL with "
                           "Server, Port, Database, Uid and Pwd."));
    if (engine.contains(u"sqlite"))
        params.engine = LabelConnectionParams::Engine::SQLite;
    else if (engine.contains(u"postgres") || engine == u"qpsql" || engine == u"pgsql")
        params.engine = LabelConnectionParams::Engine::PostgreSQL;
    else
        Fail(Quillmark::tr("The label database connection string names the driver \"%1\", "
                           "which Quillmark cannot use. Use Driver=SQLite or "
                           "Driver=PostgreSQL.")
                 .arg(f.driver));

    if (!f.port.isEmpty()) {
        bool ok = false;
        params.port = f.port.toInt(&ok);
        if (!ok || params.port <= 0 || params.port > 65535)
            Fail(Quillmark::tr("The port \"%1\" in the label database connection string is not "
                               "a port number.")
                     .arg(f.port));
    }
    params.host = f.host;
    params.user = f.user;
    params.password = f.password;
    if (params.engine == LabelConnectionParams::Engine::SQLite) {
        if (f.database.isEmpty())
            Fail(Quillmark::tr("The label database connection string names no database file; "
                               "give it as DBQ=<file>."));
        const QString dir = f.defaultDir.isEmpty() ? baseDir : f.defaultDir;
        params.database = QDir::cleanPath(QDir(dir).absoluteFilePath(f.database));
    } else {
        params.database = f.database;
    }
    return params;
}

} // namespace

LabelConnectionParams ParseLabelConnectionString(const QString& text, const QString& baseDir) {
    return MakeConnectionParams(CollectConnectionFields(SplitConnectionString(text)), baseDir);
}

QString UserLabelDataDir() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Halvern/Quillmark");
}

QString LabelCopyRepairMessage(const LabelCopyRepair& repair) {
    QString kept;
    if (repair.labelsKept == 0)
        kept = Quillmark::tr("None of your own labels could be read from it.");
    else if (repair.labelsKept == 1)
        kept = Quillmark::tr("1 label of your own could be read from it and is in the new copy.");
    else
        kept = Quillmark::tr("%1 labels of your own could be read from it and are in the new copy.")
                   .arg(repair.labelsKept);
    return Quillmark::tr("Your copy of the label database, \"%1\", was damaged. It has been kept "
                         "as \"%2\", and a fresh copy of the label database has taken its "
                         "place. %3")
        .arg(repair.copy, repair.damaged, kept);
}

namespace {

// Renames `from` to `to` unless something is called `to` already; false with errno set.
bool RenameNoReplace(const QString& from, const QString& to) {
    const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without that rename: a second name, then the first one goes.
    if (::link(f.constData(), t.constData()) != 0) return false;
    ::unlink(f.constData());
    return true;
}

// Renames a damaged database to data.dat.damaged-YYYYMMDD-HHMMSS beside it (with -2, -3, ...
// where that name is taken) and returns the new name. SQLite's journal files of the database go
// along, so that none of them is ever applied to the fresh copy put in its place.
QString KeepDamaged(const QString& path) {
    const QString base = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept;
    for (int n = 1; kept.isEmpty(); ++n) {
        const QString name = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        if (RenameNoReplace(path, name)) {
            kept = name;
            continue;
        }
        const int error = errno;
        if (error != EEXIST || n == 1000)
            Fail(Quillmark::tr("The damaged label database \"%1\" could not be renamed to "
                               "\"%2\": %3")
                     .arg(path, name, QString::fromLocal8Bit(std::strerror(error))));
    }
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const QString side = path + QLatin1String(suffix);
        if (QFileInfo::exists(side) && !RenameNoReplace(side, kept + QLatin1String(suffix)))
            QFile::remove(side);
    }
    return kept;
}

// A new file beside `path` for building its replacement, under the program's temporary naming,
// so that one a killed repair left behind is removed by a later write into the folder.
QString FreshName(const QString& path) {
    std::string name;
    const std::string native = QFile::encodeName(path).toStdString();
    if (const std::error_code ec = CreateTemporaryFile(FolderOf(native), 0644, name))
        Fail(Quillmark::tr("No new copy of the label database could be made beside \"%1\": %2")
                 .arg(path, QString::fromStdString(ec.message())));
    return QFile::decodeName(name.c_str());
}

void RemoveDatabaseFile(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// Replaces the damaged per-user copy with a fresh copy of `shipped` holding the user's own
// labels that can still be read from the damaged one. Nothing is changed when the fresh copy
// cannot be made.
LabelCopyRepair ReplaceDamagedCopy(const QString& shipped, const QString& copy,
                                   const QString& damage) {
    if (!QFileInfo(shipped).isFile())
        Fail(Quillmark::tr("The label database \"%1\" is damaged (%2), and the label database "
                           "\"%3\" it would be copied from again does not exist.")
                 .arg(copy, damage, shipped));
    if (const std::optional<QString> shippedDamage = FindLabelFileDamage(shipped))
        Fail(Quillmark::tr("The label database \"%1\" is damaged (%2), and the label database "
                           "\"%3\" it would be copied from again is damaged as well (%4).")
                 .arg(copy, damage, shipped, *shippedDamage));
    const std::vector<std::vector<QVariant>> labels = ReadableUserLabels(copy);
    const QString fresh = FreshName(copy);
    LabelCopyRepair repair{copy, QString(), 0};
    try {
        CopyWhole(shipped, fresh);
        repair.labelsKept = AddUserLabels(fresh, labels);
        repair.damaged = KeepDamaged(copy);
    } catch (...) {
        RemoveDatabaseFile(fresh);
        throw;
    }
    if (::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(copy).constData()) != 0) {
        const int error = errno;
        Fail(Quillmark::tr("The damaged label database \"%1\" has been kept as \"%2\", but its "
                           "fresh copy \"%3\" could not take its place: %4")
                 .arg(copy, repair.damaged, fresh, QString::fromLocal8Bit(std::strerror(error))));
    }
    return repair;
}

} // namespace

QString LocateDefaultLabelDatabase(const QString& programDir, const QString& userDataDir,
                                   std::optional<LabelCopyRepair>* repaired) {
    const QString shipped = QDir(programDir).filePath(QStringLiteral("data.dat"));
    // SQLite writes a journal beside the file, so the folder must be writable as well.
    return LocateDefaultLabelDatabase(programDir, userDataDir,
                                      Writable(programDir) && Writable(shipped), repaired);
}

QString LocateDefaultLabelDatabase(const QString& programDir, const QString& userDataDir,
                                   bool programDirWritable,
                                   std::optional<LabelCopyRepair>* repaired) {
    const QString shipped = QDir(programDir).filePath(QStringLiteral("data.dat"));
    const QString copy = QDir(userDataDir).filePath(QStringLiteral("data.dat"));
    const bool haveShipped = QFileInfo(shipped).isFile();
    if (haveShipped && programDirWritable) return shipped;
    if (QFileInfo::exists(copy)) {
        if (const std::optional<QString> damage = FindLabelFileDamage(copy)) {
            const LabelCopyRepair repair = ReplaceDamagedCopy(shipped, copy, *damage);
            if (repaired) *repaired = repair;
        }
        // A copy made by an earlier version gains the stock shipped since (roll labels).
        if (haveShipped) AddShippedStock(copy, shipped);
        return copy;
    }
    if (!haveShipped) Fail(Quillmark::tr("The label database \"%1\" does not exist.").arg(shipped));
    if (const std::optional<QString> damage = FindLabelFileDamage(shipped))
        Fail(Quillmark::tr("The label database \"%1\" is damaged: %2").arg(shipped, *damage));
    if (!QDir().mkpath(userDataDir))
        Fail(Quillmark::tr("The folder \"%1\" for the label database could not be created.")
                 .arg(userDataDir));
    CopyWhole(shipped, copy);
    return copy;
}

LabelConnectionParams LabelConnectionFromSettings(const QString& programDir,
                                                  std::optional<LabelCopyRepair>* repaired) {
    const CInstallLayout layout = InstallLayoutFor(QFile::encodeName(programDir).toStdString());
    const QString dataDir = QFile::decodeName(layout.dataDir.c_str());
    const std::string setting = settings::Get(settings::kLabelDbConnection);
    const QString text = QString::fromUtf8(setting.data(), static_cast<qsizetype>(setting.size()));
    if (!text.trimmed().isEmpty()) return ParseLabelConnectionString(text, dataDir);
    LabelConnectionParams params;
    // The installed database belongs to the package: even where it could be written (root),
    // the user's labels go into the per-user copy.
    params.database = layout.installed
                          ? LocateDefaultLabelDatabase(dataDir, UserLabelDataDir(), false, repaired)
                          : LocateDefaultLabelDatabase(dataDir, UserLabelDataDir(), repaired);
    return params;
}

QString LabelDatabaseOpenFailureMessage(const QString& description) {
    return Quillmark::tr("Error found: The program can not locate the label database.\n"
                         "Please reinstall the program.\n\n"
                         "If problem persists, contact Halvern support at %1 or %2.\n\n%3")
        .arg(QLatin1String(kSupportForum), QLatin1String(kSupportEmail), description);
}
