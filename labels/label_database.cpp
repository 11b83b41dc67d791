#include "labels/label_database.h"

#include "common/settings_keys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <unordered_map>

#include <unistd.h>

namespace {

// The maker's support addresses for the message about a database that cannot be opened.
constexpr char kSupportForum[] = "https://www.halvern.example/forum/quillmark";
constexpr char kSupportEmail[] = "support@halvern.example";

const std::vector<QString> kCompanyColumns = {"ID", "Name"};
const std::vector<QString> kLabelColumns = {
    "ID",           "CompanyID",  "LabelName1",      "LabelName2",
    "Flag",         "PaperSize",  "Width",           "Height",
    "TopMargin",    "SideMargin", "HorizontalPitch", "VerticalPitch",
    "NumberAcross", "NumberDown"};

[[noreturn]] void Fail(const QString& description) {
    throw CLabelDbError(description);
}

[[noreturn]] void Fail(const QSqlError& error) {
    QString text = error.text().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("The database reported an error without a description.");
    throw CLabelDbError(text);
}

bool Writable(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// Copies through a temporary file in the same folder, so a half-written copy never stands in
// for the database.
void CopyWhole(const QString& from, const QString& to) {
    const QString temporary = to + QStringLiteral(".part");
    QFile::remove(temporary);
    QFile source(from);
    if (!source.copy(temporary))
        Fail(QStringLiteral("The label database \"%1\" could not be copied to \"%2\": %3")
                 .arg(from, to, source.errorString()));
    QFile::setPermissions(temporary, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                         QFile::ReadOther);
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(to).constData())) {
        QFile::remove(temporary);
        Fail(QStringLiteral("The label database could not be saved as \"%1\".").arg(to));
    }
}

} // namespace

CLabelDbError::CLabelDbError(const QString& description)
    : std::runtime_error(description.toStdString()), m_description(description) {}

// ---- where the database is ----

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
        Fail(QStringLiteral("The label database connection string has a value in braces "
                            "without its closing brace: \"%1\".")
                 .arg(key));
    while (i < n && text[i] != u';') {
        if (!text[i].isSpace())
            Fail(QStringLiteral("The label database connection string has text after "
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
                Fail(QStringLiteral("The label database connection string has a part without "
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

// What a connection string says, each under the names it may go by; a later part wins.
struct ConnectionFields {
    QString driver, database, host, port, user, password, defaultDir;
};

ConnectionFields CollectConnectionFields(const std::vector<ConnectionPart>& parts) {
    ConnectionFields f;
    for (const ConnectionPart& p : parts) {
        if (p.key == u"driver")
            f.driver = p.value;
        else if (p.key == u"dbq" || p.key == u"database")
            f.database = p.value;
        else if (p.key == u"server" || p.key == u"host")
            f.host = p.value;
        else if (p.key == u"port")
            f.port = p.value;
        else if (p.key == u"uid" || p.key == u"user")
            f.user = p.value;
        else if (p.key == u"pwd" || p.key == u"password")
            f.password = p.value;
        else if (p.key == u"defaultdir")
            f.defaultDir = p.value;
    }
    return f;
}

LabelConnectionParams MakeConnectionParams(const ConnectionFields& f, const QString& baseDir) {
    LabelConnectionParams params;
    const QString engine = f.driver.toLower();
    if (f.driver.isEmpty())
        Fail(QStringLiteral("The label database connection string names no database driver. "
                            "Give Driver=SQLite with DBQ=<file>, or Driver=PostgreSQL with "
                            "Server, Port, Database, Uid and Pwd."));
    if (engine.contains(u"sqlite"))
        params.engine = LabelConnectionParams::Engine::SQLite;
    else if (engine.contains(u"postgres") || engine == u"qpsql" || engine == u"pgsql")
        params.engine = LabelConnectionParams::Engine::PostgreSQL;
    else
        Fail(QStringLiteral("The label database connection string names the driver \"%1\", "
                            "which Quillmark cannot use. Use Driver=SQLite or "
                            "Driver=PostgreSQL.")
                 .arg(f.driver));

    if (!f.port.isEmpty()) {
        bool ok = false;
        params.port = f.port.toInt(&ok);
        if (!ok || params.port <= 0 || params.port > 65535)
            Fail(QStringLiteral("The port \"%1\" in the label database connection string is not "
                                "a port number.")
                     .arg(f.port));
    }
    params.host = f.host;
    params.user = f.user;
    params.password = f.password;
    if (params.engine == LabelConnectionParams::Engine::SQLite) {
        if (f.database.isEmpty())
            Fail(QStringLiteral("The label database connection string names no database file; "
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

QString LocateDefaultLabelDatabase(const QString& programDir, const QString& userDataDir) {
    const QString shipped = QDir(programDir).filePath(QStringLiteral("data.dat"));
    // SQLite writes a journal beside the file, so the folder must be writable as well.
    return LocateDefaultLabelDatabase(programDir, userDataDir,
                                      Writable(programDir) && Writable(shipped));
}

QString LocateDefaultLabelDatabase(const QString& programDir, const QString& userDataDir,
                                   bool programDirWritable) {
    const QString shipped = QDir(programDir).filePath(QStringLiteral("data.dat"));
    const QString copy = QDir(userDataDir).filePath(QStringLiteral("data.dat"));
    const bool haveShipped = QFileInfo(shipped).isFile();
    if (haveShipped && programDirWritable) return shipped;
    if (QFileInfo::exists(copy)) return copy;
    if (!haveShipped)
        Fail(QStringLiteral("The label database \"%1\" does not exist.").arg(shipped));
    if (!QDir().mkpath(userDataDir))
        Fail(QStringLiteral("The folder \"%1\" for the label database could not be created.")
                 .arg(userDataDir));
    CopyWhole(shipped, copy);
    return copy;
}

LabelConnectionParams LabelConnectionFromSettings(const QString& programDir) {
    const std::string setting = settings::Get(settings::kLabelDbConnection);
    const QString text = QString::fromUtf8(setting.data(), static_cast<qsizetype>(setting.size()));
    if (!text.trimmed().isEmpty()) return ParseLabelConnectionString(text, programDir);
    LabelConnectionParams params;
    params.database = LocateDefaultLabelDatabase(programDir, UserLabelDataDir());
    return params;
}

QString LabelDatabaseOpenFailureMessage(const QString& description) {
    return QStringLiteral("Error found: The program can not locate the label database.\n"
                          "Please reinstall the program.\n\n"
                          "If problem persists, contact Halvern support at %1 or %2.\n\n%3")
        .arg(QLatin1String(kSupportForum), QLatin1String(kSupportEmail), description);
}

// ---- recordset ----

CLabelRecordset::CLabelRecordset(CLabelDatabase& db, QString table, std::vector<QString> columns)
    : m_db(db), m_table(std::move(table)), m_columns(std::move(columns)) {}

std::size_t CLabelRecordset::ColumnIndex(const QString& column) const {
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(column, Qt::CaseInsensitive) == 0) return i;
    Fail(QStringLiteral("The table %1 has no column %2.").arg(m_table, column));
}

std::vector<CLabelRecordset::Row> CLabelRecordset::ReadRows(const QString& where,
                                                            const QVariant& key) const {
    QStringList names;
    for (const QString& c : m_columns)
        names << c;
    QSqlQuery query(QSqlDatabase::database(m_db.ConnectionName(), false));
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT %1 FROM %2%3 ORDER BY ID")
                            .arg(names.join(QStringLiteral(", ")), m_table, where);
    if (!query.prepare(sql)) Fail(query.lastError());
    if (key.isValid()) query.addBindValue(key);
    if (!query.exec()) Fail(query.lastError());
    std::vector<Row> rows;
    while (query.next()) {
        Row row;
        row.values.reserve(m_columns.size());
        for (int c = 0; c < static_cast<int>(m_columns.size()); ++c)
            row.values.push_back(query.value(c));
        rows.push_back(std::move(row));
    }
    if (query.lastError().isValid()) Fail(query.lastError());
    return rows;
}

void CLabelRecordset::Open() {
    m_rows = ReadRows(QString(), QVariant());
    for (Row& row : m_rows)
        row.serial = m_nextSerial++;
    m_edit.reset();
    RebuildView();
}

void CLabelRecordset::Requery() {
    std::vector<Row> rows = ReadRows(QString(), QVariant());
    // The same row keeps its bookmark; rows are the same when their keys are.
    std::unordered_map<qlonglong, std::uint64_t> serials;
    for (const Row& row : m_rows)
        serials.emplace(row.values[IdColumn()].toLongLong(), row.serial);
    for (Row& row : rows) {
        const auto old = serials.find(row.values[IdColumn()].toLongLong());
        row.serial = old != serials.end() ? old->second : m_nextSerial++;
    }
    m_rows = std::move(rows);
    m_edit.reset();
    RebuildView();
}

bool CLabelRecordset::Passes(const Row& row) const {
    if (!m_filter) return true;
    const QVariant& v = row.values[m_filter->first];
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    return ok && !v.isNull() && n == m_filter->second;
}

void CLabelRecordset::RebuildView() {
    m_view.clear();
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (Passes(m_rows[i])) m_view.push_back(i);
    m_current = 0;
}

bool CLabelRecordset::IsEOF() const {
    return m_current >= m_view.size();
}

void CLabelRecordset::MoveFirst() {
    m_edit.reset();
    m_current = 0;
}

void CLabelRecordset::MoveNext() {
    if (IsEOF())
        Fail(QStringLiteral("There is no row after the last one of table %1.").arg(m_table));
    m_edit.reset();
    ++m_current;
}

int CLabelRecordset::RecordCount() const {
    return static_cast<int>(m_view.size());
}

const CLabelRecordset::Row& CLabelRecordset::CurrentRow() const {
    if (IsEOF()) Fail(QStringLiteral("Table %1 has no current row.").arg(m_table));
    return m_rows[m_view[m_current]];
}

CLabelRecordset::Row& CLabelRecordset::CurrentRow() {
    return const_cast<Row&>(std::as_const(*this).CurrentRow());
}

CRowBookmark CLabelRecordset::GetBookmark() const {
    return CRowBookmark(CurrentRow().serial);
}

void CLabelRecordset::GoToBookmark(const CRowBookmark& bookmark) {
    const auto row = std::find_if(m_rows.begin(), m_rows.end(),
                                  [&](const Row& r) { return r.serial == bookmark.m_serial; });
    if (!bookmark.IsValid() || row == m_rows.end())
        Fail(QStringLiteral("The row of table %1 is no longer there; it has been deleted.")
                 .arg(m_table));
    const auto index = static_cast<std::size_t>(row - m_rows.begin());
    const auto at = std::find(m_view.begin(), m_view.end(), index);
    if (at == m_view.end())
        Fail(QStringLiteral("The row of table %1 is hidden by the filter \"%2\".")
                 .arg(m_table, m_filterText));
    m_edit.reset();
    m_current = static_cast<std::size_t>(at - m_view.begin());
}

void CLabelRecordset::SetFilter(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*(\w+)\s*=\s*(-?\d+)\s*$)"));
    const QString trimmed = filter.trimmed();
    std::optional<std::pair<std::size_t, qlonglong>> parsed;
    if (!trimmed.isEmpty()) {
        const QRegularExpressionMatch m = pattern.match(trimmed);
        bool ok = false;
        const qlonglong value = m.hasMatch() ? m.captured(2).toLongLong(&ok) : 0;
        if (!ok)
            Fail(QStringLiteral("The filter \"%1\" on table %2 is not of the form Column=number.")
                     .arg(filter, m_table));
        parsed.emplace(ColumnIndex(m.captured(1)), value);
    }
    m_filter = parsed;
    m_filterText = trimmed;
    m_edit.reset();
    RebuildView();
}

int CLabelRecordset::AbsolutePosition() const {
    return IsEOF() ? 0 : static_cast<int>(m_current) + 1;
}

void CLabelRecordset::SetAbsolutePosition(int position) {
    if (position < 1 || position > RecordCount())
        Fail(QStringLiteral("Table %1 has no row at position %2; it has %3.")
                 .arg(m_table)
                 .arg(position)
                 .arg(RecordCount()));
    m_edit.reset();
    m_current = static_cast<std::size_t>(position - 1);
}

QVariant CLabelRecordset::GetValue(const QString& column) const {
    const std::size_t c = ColumnIndex(column);
    if (m_edit) return m_edit->values[c];
    return CurrentRow().values[c];
}

int CLabelRecordset::GetInt(const QString& column) const {
    const QVariant v = GetValue(column);
    if (v.isNull()) return 0;
    if (v.typeId() == QMetaType::Double)
        return static_cast<int>(std::clamp(v.toDouble(), double(INT_MIN), double(INT_MAX)));
    return static_cast<int>(std::clamp<qlonglong>(v.toLongLong(), INT_MIN, INT_MAX));
}

bool CLabelRecordset::GetBool(const QString& column) const {
    const QVariant v = GetValue(column);
    if (v.isNull()) return false;
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        bool ok = false;
        const qlonglong n = s.toLongLong(&ok);
        return ok ? n != 0 : (s == u"t" || s == u"true" || s == u"y" || s == u"yes");
    }
    return v.toLongLong() != 0;
}

QString CLabelRecordset::GetString(const QString& column) const {
    return GetValue(column).toString();
}

void CLabelRecordset::SetValue(const QString& column, const QVariant& value) {
    const std::size_t c = ColumnIndex(column);
    if (!m_edit) {
        const Row& row = CurrentRow();
        m_edit = Edit{false, row.values, std::vector<bool>(m_columns.size(), false)};
    }
    m_edit->values[c] = value;
    m_edit->written[c] = true;
}

void CLabelRecordset::AddNew() {
    m_edit = Edit{true, std::vector<QVariant>(m_columns.size()),
                  std::vector<bool>(m_columns.size(), false)};
}

void CLabelRecordset::CancelUpdate() {
    m_edit.reset();
}

void CLabelRecordset::Update() {
    if (!m_edit) return;
    // A failed save leaves nothing pending: the caller reports it and starts again.
    const Edit edit = std::move(*m_edit);
    m_edit.reset();
    const bool postgres = m_db.Engine() == LabelConnectionParams::Engine::PostgreSQL;
    QSqlDatabase db = QSqlDatabase::database(m_db.ConnectionName(), false);
    QSqlQuery query(db);
    QStringList names;
    std::vector<QVariant> values;
    for (std::size_t c = 1; c < m_columns.size(); ++c) {
        if (!edit.written[c]) continue;
        names << m_columns[c];
        values.push_back(edit.values[c]);
    }

    if (edit.isNew) {
        QString sql;
        if (names.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_table);
        } else {
            QStringList marks;
            for (qsizetype i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(m_table, names.join(QStringLiteral(", ")),
                           marks.join(QStringLiteral(", ")));
        }
        if (postgres) sql += QStringLiteral(" RETURNING ID");
        if (!query.prepare(sql)) Fail(query.lastError());
        for (const QVariant& v : values)
            query.addBindValue(v);
        if (!query.exec()) Fail(query.lastError());
        QVariant id;
        if (postgres) {
            if (!query.next()) Fail(query.lastError());
            id = query.value(0);
        } else {
            id = query.lastInsertId();
        }
        query.finish();
        // The row as the database stored it, with its key and every default filled in.
        std::vector<Row> stored = ReadRows(QStringLiteral(" WHERE ID = ?"), id);
        if (stored.empty())
            Fail(QStringLiteral("The new row of table %1 was saved but cannot be read back.")
                     .arg(m_table));
        Row row = std::move(stored.front());
        row.serial = m_nextSerial++;
        m_rows.push_back(std::move(row));
        // A new row stays in view until the next re-read, whatever the filter says.
        m_view.push_back(m_rows.size() - 1);
        m_current = m_view.size() - 1;
        return;
    }

    Row& row = CurrentRow();
    if (names.isEmpty()) return;
    QStringList sets;
    for (const QString& name : names)
        sets << name + QStringLiteral(" = ?");
    if (!query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE ID = ?")
                           .arg(m_table, sets.join(QStringLiteral(", ")))))
        Fail(query.lastError());
    for (const QVariant& v : values)
        query.addBindValue(v);
    query.addBindValue(row.values[IdColumn()]);
    if (!query.exec()) Fail(query.lastError());
    if (query.numRowsAffected() == 0)
        Fail(QStringLiteral("The row of table %1 could not be saved: it is no longer in the "
                            "database (someone else may have deleted it).")
                 .arg(m_table));
    row.values = edit.values;
}

void CLabelRecordset::Delete() {
    m_edit.reset();
    const Row& row = CurrentRow();
    QSqlQuery query(QSqlDatabase::database(m_db.ConnectionName(), false));
    if (!query.prepare(QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(m_table)))
        Fail(query.lastError());
    query.addBindValue(row.values[IdColumn()]);
    if (!query.exec()) Fail(query.lastError());
    const bool gone = query.numRowsAffected() == 0;
    const std::size_t index = m_view[m_current];
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
    m_view.erase(m_view.begin() + static_cast<std::ptrdiff_t>(m_current));
    for (std::size_t& v : m_view)
        if (v > index) --v;
    if (gone)
        Fail(QStringLiteral("The row of table %1 was already deleted from the database.")
                 .arg(m_table));
}

// ---- database ----

CLabelDatabase::CLabelDatabase(const LabelConnectionParams& params)
    : m_engine(params.engine), m_labels(*this, QStringLiteral("labels"), kLabelColumns),
      m_companies(*this, QStringLiteral("company"), kCompanyColumns) {
    static std::atomic<int> counter{0};
    m_connectionName = QStringLiteral("quillmark-labels-%1").arg(++counter);
    const bool sqlite = params.engine == LabelConnectionParams::Engine::SQLite;
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (sqlite) {
        // SQLite would quietly create an empty database in place of a missing one.
        const QFileInfo file(params.database);
        if (!file.exists())
            Fail(QStringLiteral("The label database \"%1\" does not exist.").arg(params.database));
        if (!file.isFile())
            Fail(QStringLiteral("The label database \"%1\" is not a file.").arg(params.database));
    }
    if (!QSqlDatabase::isDriverAvailable(driver))
        Fail(QStringLiteral("The %1 database driver of Qt (%2) is not installed.")
                 .arg(sqlite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL"), driver));
    try {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connectionName);
        db.setDatabaseName(params.database);
        if (sqlite) {
            // Another running copy may hold the file for a moment while it saves a label.
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        } else {
            db.setHostName(params.host);
            if (params.port > 0) db.setPort(params.port);
            db.setUserName(params.user);
            db.setPassword(params.password);
            db.setConnectOptions(QStringLiteral("connect_timeout=10"));
        }
        if (!db.open()) Fail(db.lastError());
        m_labels.Open();
        m_companies.Open();
    } catch (...) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
        throw;
    }
}

CLabelDatabase::~CLabelDatabase() {
    QSqlDatabase::database(m_connectionName, false).close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

namespace {

// Removes the filter on the way out, also when listing fails halfway.
class FilterScope {
public:
    FilterScope(CLabelRecordset& set, const QString& filter) : m_set(set) {
        m_set.SetFilter(filter);
    }
    ~FilterScope() {
        try {
            m_set.SetFilter(QString());
        } catch (const CLabelDbError&) {}
    }
    FilterScope(const FilterScope&) = delete;
    FilterScope& operator=(const FilterScope&) = delete;

private:
    CLabelRecordset& m_set;
};

} // namespace

std::vector<LabelMaker> CLabelDatabase::ListMakers() {
    std::vector<LabelMaker> makers;
    for (m_companies.MoveFirst(); !m_companies.IsEOF(); m_companies.MoveNext())
        makers.push_back({m_companies.GetInt(QStringLiteral("ID")),
                          m_companies.GetString(QStringLiteral("Name")),
                          m_companies.GetBookmark()});
    return makers;
}

std::vector<LabelProduct> CLabelDatabase::ListProducts(const CRowBookmark& maker) {
    m_companies.GoToBookmark(maker);
    const int companyId = m_companies.GetInt(QStringLiteral("ID"));
    FilterScope filter(m_labels, QStringLiteral("CompanyID=%1").arg(companyId));
    std::vector<LabelProduct> products;
    for (; !m_labels.IsEOF(); m_labels.MoveNext())
        products.push_back({m_labels.GetInt(QStringLiteral("ID")),
                            m_labels.GetString(QStringLiteral("LabelName1")) +
                                QStringLiteral(" - ") +
                                m_labels.GetString(QStringLiteral("LabelName2")),
                            m_labels.GetBookmark()});
    return products;
}

std::optional<int> CLabelDatabase::FindLabelCompany(int labelId) {
    FilterScope filter(m_labels, QStringLiteral("ID=%1").arg(labelId));
    if (m_labels.IsEOF()) return std::nullopt;
    return m_labels.GetInt(QStringLiteral("CompanyID"));
}

std::optional<WrittenLabel> CLabelDatabase::FirstLabel() {
    m_labels.SetFilter(QString());
    if (m_labels.IsEOF()) return std::nullopt;
    return CurrentIds();
}

LabelRecord CLabelDatabase::ReadLabel(const CRowBookmark& product) {
    m_labels.GoToBookmark(product);
    LabelRecord r;
    auto i = [this](const char* column) { return m_labels.GetInt(QLatin1String(column)); };
    r.id = i("ID");
    r.companyId = i("CompanyID");
    r.name1 = m_labels.GetString(QStringLiteral("LabelName1"));
    r.name2 = m_labels.GetString(QStringLiteral("LabelName2"));
    r.stock = m_labels.GetBool(QStringLiteral("Flag"));
    r.paperSize = i("PaperSize");
    r.width = i("Width");
    r.height = i("Height");
    r.topMargin = i("TopMargin");
    r.sideMargin = i("SideMargin");
    r.horizontalPitch = i("HorizontalPitch");
    r.verticalPitch = i("VerticalPitch");
    r.numberAcross = i("NumberAcross");
    r.numberDown = i("NumberDown");
    return r;
}

void CLabelDatabase::WriteLabelColumns(const LabelRecord& label) {
    // Every column but the key; each is saved in the table's order, whatever the order here.
    CLabelRecordset& s = m_labels;
    s.SetValue(QStringLiteral("LabelName1"), label.name1);
    s.SetValue(QStringLiteral("LabelName2"), label.name2);
    s.SetValue(QStringLiteral("CompanyID"), kUserCompanyId);
    s.SetValue(QStringLiteral("TopMargin"), label.topMargin);
    s.SetValue(QStringLiteral("SideMargin"), label.sideMargin);
    s.SetValue(QStringLiteral("VerticalPitch"), label.verticalPitch);
    s.SetValue(QStringLiteral("HorizontalPitch"), label.horizontalPitch);
    s.SetValue(QStringLiteral("NumberAcross"), label.numberAcross);
    s.SetValue(QStringLiteral("NumberDown"), label.numberDown);
    s.SetValue(QStringLiteral("PaperSize"), label.paperSize);
    s.SetValue(QStringLiteral("Height"), label.height);
    s.SetValue(QStringLiteral("Width"), label.width);
    s.SetValue(QStringLiteral("Flag"), false);
}

WrittenLabel CLabelDatabase::CurrentIds() {
    return {m_labels.GetInt(QStringLiteral("ID")), m_labels.GetInt(QStringLiteral("CompanyID"))};
}

WrittenLabel CLabelDatabase::InsertLabel(const LabelRecord& label) {
    m_labels.AddNew();
    WriteLabelColumns(label);
    m_labels.Update();
    const WrittenLabel written = CurrentIds();
    const int position = m_labels.AbsolutePosition();
    m_labels.Requery();
    if (position >= 1 && position <= m_labels.RecordCount()) m_labels.SetAbsolutePosition(position);
    // Someone sharing the database may have added rows in between, moving ours elsewhere.
    if (m_labels.IsEOF() || m_labels.GetInt(QStringLiteral("ID")) != written.id) {
        for (m_labels.MoveFirst(); !m_labels.IsEOF(); m_labels.MoveNext())
            if (m_labels.GetInt(QStringLiteral("ID")) == written.id) break;
        if (m_labels.IsEOF())
            Fail(QStringLiteral("The new label was saved but is no longer in the database."));
    }
    return CurrentIds();
}

WrittenLabel CLabelDatabase::ChangeLabel(const CRowBookmark& product, const LabelRecord& label) {
    m_labels.GoToBookmark(product);
    if (m_labels.GetBool(QStringLiteral("Flag")))
        Fail(QStringLiteral("This label belongs to the label stock and cannot be changed; save "
                            "the changes as a new label instead."));
    WriteLabelColumns(label);
    m_labels.Update();
    return CurrentIds();
}

void CLabelDatabase::DeleteLabel(const CRowBookmark& product) {
    m_labels.GoToBookmark(product);
    if (m_labels.GetBool(QStringLiteral("Flag")))
        Fail(QStringLiteral("This label belongs to the label stock and cannot be deleted."));
    m_labels.Delete();
}
