#include "labels/label_file_repair.h"

#include "labels/label_database.h"
#include "ui/translation.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <set>

namespace {

// SQLite's result codes that the checks tell apart (the low byte of an extended code).
constexpr int kSqliteError = 1; // among others "no such table" and "no such column"
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteConstraint = 19; // a value the table does not take
constexpr int kSqliteMismatch = 20;
constexpr int kSqliteNotADatabase = 26;

int ResultCode(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : -1;
}

QString Text(const QSqlError& error) {
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

// A connection of its own to one SQLite file, closed and removed on the way out.
class SQLiteFile {
public:
    SQLiteFile(const QString& path, bool readOnly) {
        static std::atomic<int> counter{0};
        m_name = QStringLiteral("quillmark-label-file-%1").arg(++counter);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        // Another running copy may hold the file for a moment while it saves a label.
        db.setConnectOptions(readOnly
                                 ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                                 : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        m_open = db.open();
        if (!m_open) m_error = db.lastError();
    }
    ~SQLiteFile() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    SQLiteFile(const SQLiteFile&) = delete;
    SQLiteFile& operator=(const SQLiteFile&) = delete;

    bool IsOpen() const { return m_open; }
    const QSqlError& Error() const { return m_error; }
    QSqlDatabase Db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    bool m_open = false;
    QSqlError m_error;
};

QString ColumnList(const std::vector<QString>& columns) {
    QStringList names;
    for (const QString& c : columns)
        names << c;
    return names.join(QStringLiteral(", "));
}

// The ID of every row a query reads (the first value of each) until it ends or meets damage;
// false when it met damage or could not start.
bool ReadIds(QSqlQuery& query, const QString& sql, std::set<qlonglong>& ids) {
    if (!query.exec(sql)) return false;
    while (query.next())
        ids.insert(query.value(0).toLongLong());
    return query.lastError().type() == QSqlError::NoError;
}

// Beyond the last row a scan of the table reached, the IDs tried one by one: up to the highest
// ID the file still knows of, and at least kProbeWindow of them where it knows of none, but never
// more than kMaxProbes (about a second's reading).
constexpr qlonglong kProbeWindow = 10'000;
constexpr qlonglong kMaxProbes = 100'000;

} // namespace

std::optional<QString> FindLabelFileDamage(const QString& path) {
    const auto damage = [](const QSqlError& error, bool schema) -> std::optional<QString> {
        const int code = ResultCode(error);
        if (code == kSqliteCorrupt || code == kSqliteNotADatabase ||
            (schema && code == kSqliteError))
            return Text(error);
        return std::nullopt;
    };
    SQLiteFile file(path, false);
    if (!file.IsOpen()) return damage(file.Error(), false);
    QSqlQuery query(file.Db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("PRAGMA quick_check"))) return damage(query.lastError(), false);
    QStringList problems;
    while (query.next())
        problems << query.value(0).toString();
    if (query.lastError().type() != QSqlError::NoError) return damage(query.lastError(), false);
    if (problems != QStringList{QStringLiteral("ok")}) {
        // The check lists up to a hundred problems; the first few say enough.
        problems = problems.mid(0, 3);
        return problems.isEmpty() ? Quillmark::tr("the database check gives no answer")
                                  : problems.join(QStringLiteral("; "));
    }
    for (const QString& sql : {QStringLiteral("SELECT %1 FROM labels LIMIT 0")
                                   .arg(ColumnList(OriginalLabelTableColumns())),
                               QStringLiteral("SELECT ID, Name FROM company LIMIT 0")})
        if (!query.exec(sql)) return damage(query.lastError(), true);
    return std::nullopt;
}

std::vector<std::vector<QVariant>> ReadableUserLabels(const QString& path) {
    std::vector<std::vector<QVariant>> labels;
    SQLiteFile file(path, true);
    if (!file.IsOpen()) return labels;
    QSqlQuery query(file.Db());
    query.setForwardOnly(true);
    // A truncated file claims more pages than it holds, and SQLite then refuses to read any of
    // it unless the schema may be written; the connection is read-only all the same.
    query.exec(QStringLiteral("PRAGMA writable_schema = ON"));

    // The rows to read: those a scan of the table reaches before any damage, those the index on
    // CompanyID lists, and beyond where the scan stopped every ID up to the highest one known.
    std::set<qlonglong> scanned, candidates;
    const bool wholeScan =
        ReadIds(query, QStringLiteral("SELECT ID FROM labels NOT INDEXED ORDER BY ID"), scanned);
    ReadIds(query,
            QStringLiteral("SELECT ID FROM labels INDEXED BY labels_company WHERE CompanyID = %1")
                .arg(CLabelDatabase::kUserCompanyId),
            candidates);
    candidates.insert(scanned.begin(), scanned.end());
    if (!wholeScan) {
        std::set<qlonglong> highest;
        ReadIds(query, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'labels'"),
                highest);
        ReadIds(query, QStringLiteral("SELECT max(ID) FROM labels"), highest);
        const qlonglong from = scanned.empty() ? 1 : *scanned.rbegin() + 1;
        qlonglong to = from + kProbeWindow;
        if (!highest.empty()) to = std::max(to, *highest.rbegin());
        if (!candidates.empty()) to = std::max(to, *candidates.rbegin());
        to = std::min(to, from + kMaxProbes);
        for (qlonglong id = from; id <= to; ++id)
            candidates.insert(id);
    }

    // A file made before labels had a kind lacks Kind: its labels are sheets.
    std::vector<QString> names = LabelTableColumns();
    if (!query.prepare(QStringLiteral("SELECT %1 FROM labels WHERE ID = ?").arg(ColumnList(names))))
        names = OriginalLabelTableColumns();
    const std::size_t columns = names.size();
    const std::size_t companyColumn = 1;
    if (!query.prepare(QStringLiteral("SELECT %1 FROM labels WHERE ID = ?").arg(ColumnList(names))))
        return labels;
    for (const qlonglong id : candidates) {
        query.addBindValue(id);
        if (!query.exec() || !query.next()) continue;
        std::vector<QVariant> values;
        for (std::size_t c = 0; c < columns; ++c)
            values.push_back(query.value(static_cast<int>(c)));
        query.finish();
        for (std::size_t g = columns - (LabelTableColumns().size() - kLabelGeometryColumns.size());
             g < kLabelGeometryColumns.size(); ++g)
            values.push_back(kLabelGeometryColumns[g].columnDefault);
        if (values[companyColumn].toLongLong() == CLabelDatabase::kUserCompanyId)
            labels.push_back(std::move(values));
    }
    return labels;
}

int AddUserLabels(const QString& path, const std::vector<std::vector<QVariant>>& labels) {
    const auto fail = [&path](const QSqlError& error) {
        throw CLabelDbError(
            Quillmark::tr("Your labels could not be added to the label database \"%1\": %2")
                .arg(path, Text(error)));
    };
    SQLiteFile file(path, false);
    if (!file.IsOpen()) fail(file.Error());
    QSqlDatabase db = file.Db();
    const std::vector<QString> columns = LabelTableColumns();
    QStringList names, marks;
    for (const QString& c : columns) {
        names << c;
        marks << QStringLiteral("?");
    }
    QSqlQuery taken(db), withId(db), withoutId(db);
    if (!taken.prepare(QStringLiteral("SELECT 1 FROM labels WHERE ID = ?")))
        fail(taken.lastError());
    if (!withId.prepare(
            QStringLiteral("INSERT INTO labels (%1) VALUES (%2)")
                .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))))
        fail(withId.lastError());
    names.removeFirst();
    marks.removeFirst();
    if (!withoutId.prepare(
            QStringLiteral("INSERT INTO labels (%1) VALUES (%2)")
                .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))))
        fail(withoutId.lastError());

    if (!db.transaction()) fail(db.lastError());
    int added = 0;
    for (const std::vector<QVariant>& label : labels) {
        taken.addBindValue(label[0]);
        if (!taken.exec()) {
            const QSqlError error = taken.lastError();
            db.rollback();
            fail(error);
        }
        const bool free = !taken.next();
        taken.finish();
        QSqlQuery& insert = free ? withId : withoutId;
        for (std::size_t c = free ? 0 : 1; c < label.size(); ++c)
            insert.addBindValue(label[c]);
        if (insert.exec()) {
            ++added;
            continue;
        }
        const QSqlError error = insert.lastError();
        const int code = ResultCode(error);
        if (code == kSqliteConstraint || code == kSqliteMismatch) continue;
        db.rollback();
        fail(error);
    }
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback();
        fail(error);
    }
    return added;
}

int AddShippedStock(const QString& copy, const QString& shipped) {
    SQLiteFile file(copy, false);
    if (!file.IsOpen()) return 0;
    QSqlDatabase db = file.Db();
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT Kind FROM labels LIMIT 0")) &&
        !query.exec(
            QStringLiteral("ALTER TABLE labels ADD COLUMN Kind INTEGER NOT NULL DEFAULT 0")))
        return 0;
    query.prepare(QStringLiteral("ATTACH DATABASE ? AS shipped"));
    query.addBindValue(shipped);
    if (!query.exec()) return 0;
    QStringList geometry;
    for (const LabelGeometryColumn& c : kLabelGeometryColumns)
        geometry << QLatin1String(c.column);
    const QString columns = geometry.join(QStringLiteral(", "));
    const QString fromShipped = QStringLiteral("s.") + geometry.join(QStringLiteral(", s."));
    int added = 0;
    if (db.transaction()) {
        const bool ok =
            query.exec(QStringLiteral(
                "INSERT INTO company (Name) SELECT DISTINCT sc.Name FROM shipped.company sc "
                "JOIN shipped.labels s ON s.CompanyID = sc.ID WHERE s.Flag AND NOT EXISTS "
                "(SELECT 1 FROM company c WHERE c.Name = sc.Name)")) &&
            query.exec(
                QStringLiteral(
                    "INSERT INTO labels (CompanyID, LabelName1, LabelName2, Flag, %1) "
                    "SELECT c.ID, s.LabelName1, s.LabelName2, s.Flag, %2 FROM shipped.labels "
                    "s JOIN shipped.company sc ON sc.ID = s.CompanyID JOIN company c ON "
                    "c.Name = sc.Name WHERE s.Flag AND NOT EXISTS (SELECT 1 FROM labels l "
                    "WHERE l.CompanyID = c.ID AND l.LabelName1 = s.LabelName1 AND "
                    "l.LabelName2 = s.LabelName2) ORDER BY s.ID")
                    .arg(columns, fromShipped));
        added = ok ? query.numRowsAffected() : 0;
        if (!ok || !db.commit()) {
            db.rollback();
            added = 0;
        }
    }
    query.exec(QStringLiteral("DETACH DATABASE shipped"));
    return added;
}
