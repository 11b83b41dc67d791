#include "labels/label_database.h"

#include "ui/translation.h"

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
#include <cstdint>
#include <cstdio>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace {

const std::vector<QString> kCompanyColumns = {"ID", "Name"};

[[noreturn]] void Fail(const QString& description) {
    throw CLabelDbError(description);
}

[[noreturn]] void Fail(const QSqlError& error) {
    QString text = error.text().trimmed();
    if (text.isEmpty())
        text = Quillmark::tr("The database reported an error without a description.");
    throw CLabelDbError(text);
}

// The database as a message names it: the file in quotes, or the database on its server.
QString DatabaseName(const LabelConnectionParams& params) {
    if (params.engine == LabelConnectionParams::Engine::SQLite)
        return QStringLiteral("\"%1\"").arg(params.database);
    const QString server = params.host.isEmpty() ? Quillmark::tr("the local server")
                                                 : Quillmark::tr("the server %1").arg(params.host);
    return Quillmark::tr("\"%1\" on %2")
        .arg(params.database,
             params.port > 0 ? server + u':' + QString::number(params.port) : server);
}

} // namespace

CLabelDbError::CLabelDbError(const QString& description)
    : std::runtime_error(description.toStdString()), m_description(description) {}

// ---- recordset ----

CLabelRecordset::CLabelRecordset(CLabelDatabase& db, QString table, std::vector<QString> columns)
    : m_db(db), m_table(std::move(table)), m_columns(std::move(columns)) {}

bool CLabelRecordset::HasColumn(const QString& column) const {
    return std::any_of(m_columns.begin(), m_columns.end(), [&column](const QString& c) {
        return c.compare(column, Qt::CaseInsensitive) == 0;
    });
}

void CLabelRecordset::DropColumn(const QString& column) {
    std::erase_if(m_columns, [&column](const QString& c) {
        return c.compare(column, Qt::CaseInsensitive) == 0;
    });
}

std::size_t CLabelRecordset::ColumnIndex(const QString& column) const {
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(column, Qt::CaseInsensitive) == 0) return i;
    Fail(Quillmark::tr("The table %1 has no column %2.").arg(m_table, column));
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
        Fail(Quillmark::tr("There is no row after the last one of table %1.").arg(m_table));
    m_edit.reset();
    ++m_current;
}

int CLabelRecordset::RecordCount() const {
    return static_cast<int>(m_view.size());
}

const CLabelRecordset::Row& CLabelRecordset::CurrentRow() const {
    if (IsEOF()) Fail(Quillmark::tr("Table %1 has no current row.").arg(m_table));
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
        Fail(Quillmark::tr("The row of table %1 is no longer there; it has been deleted.")
                 .arg(m_table));
    const auto index = static_cast<std::size_t>(row - m_rows.begin());
    const auto at = std::find(m_view.begin(), m_view.end(), index);
    if (at == m_view.end())
        Fail(Quillmark::tr("The row of table %1 is hidden by the filter \"%2\".")
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
            Fail(Quillmark::tr("The filter \"%1\" on table %2 is not of the form Column=number.")
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
        Fail(Quillmark::tr("Table %1 has no row at position %2; it has %3.")
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

std::pair<QStringList, std::vector<QVariant>>
CLabelRecordset::WrittenColumns(const Edit& edit) const {
    std::pair<QStringList, std::vector<QVariant>> written;
    for (std::size_t c = 1; c < m_columns.size(); ++c) {
        if (!edit.written[c]) continue;
        written.first << m_columns[c];
        written.second.push_back(edit.values[c]);
    }
    return written;
}

void CLabelRecordset::InsertRow(const QStringList& names, const std::vector<QVariant>& values) {
    const bool postgres = m_db.Engine() == LabelConnectionParams::Engine::PostgreSQL;
    QSqlQuery query(QSqlDatabase::database(m_db.ConnectionName(), false));
    QString sql;
    if (names.isEmpty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_table);
    } else {
        QStringList marks;
        for (qsizetype i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(m_table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
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
        Fail(Quillmark::tr("The new row of table %1 was saved but cannot be read back.")
                 .arg(m_table));
    Row row = std::move(stored.front());
    row.serial = m_nextSerial++;
    m_rows.push_back(std::move(row));
    // A new row stays in view until the next re-read, whatever the filter says.
    m_view.push_back(m_rows.size() - 1);
    m_current = m_view.size() - 1;
}

void CLabelRecordset::UpdateRow(const Edit& edit, const QStringList& names,
                                const std::vector<QVariant>& values) {
    Row& row = CurrentRow();
    if (names.isEmpty()) return;
    QSqlQuery query(QSqlDatabase::database(m_db.ConnectionName(), false));
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
        Fail(Quillmark::tr("The row of table %1 could not be saved: it is no longer in the "
                           "database (someone else may have deleted it).")
                 .arg(m_table));
    row.values = edit.values;
}

void CLabelRecordset::Update() {
    if (!m_edit) return;
    // A failed save leaves nothing pending: the caller reports it and starts again.
    const Edit edit = std::move(*m_edit);
    m_edit.reset();
    const auto [names, values] = WrittenColumns(edit);
    if (edit.isNew)
        InsertRow(names, values);
    else
        UpdateRow(edit, names, values);
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
        Fail(Quillmark::tr("The row of table %1 was already deleted from the database.")
                 .arg(m_table));
}

// ---- database ----

CLabelDatabase::CLabelDatabase(const LabelConnectionParams& params)
    : m_engine(params.engine), m_labels(*this, QStringLiteral("labels"), LabelTableColumns()),
      m_companies(*this, QStringLiteral("company"), kCompanyColumns) {
    static std::atomic<int> counter{0};
    m_connectionName = QStringLiteral("quillmark-labels-%1").arg(++counter);
    const bool sqlite = params.engine == LabelConnectionParams::Engine::SQLite;
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (sqlite) {
        // SQLite would quietly create an empty database in place of a missing one.
        const QFileInfo file(params.database);
        if (!file.exists())
            Fail(Quillmark::tr("The label database \"%1\" does not exist.").arg(params.database));
        if (!file.isFile())
            Fail(Quillmark::tr("The label database \"%1\" is not a file.").arg(params.database));
    }
    if (!QSqlDatabase::isDriverAvailable(driver))
        Fail(Quillmark::tr("The label database %1 cannot be opened: the %2 database driver of Qt "
                           "(%3) is not installed.")
                 .arg(DatabaseName(params),
                      sqlite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL"), driver));
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
        UpgradeLabelTable();
        m_labels.Open();
        m_companies.Open();
    } catch (const CLabelDbError& e) {
        Disconnect();
        Fail(Quillmark::tr("The label database %1 could not be opened: %2")
                 .arg(DatabaseName(params), e.Description()));
    } catch (...) {
        Disconnect();
        throw;
    }
}

void CLabelDatabase::UpgradeLabelTable() {
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QSqlQuery query(db);
    // A database without the labels table fails to open in the recordset, with its own words.
    if (query.exec(QStringLiteral("SELECT Kind FROM labels LIMIT 0")) ||
        !query.exec(QStringLiteral("SELECT ID FROM labels LIMIT 0")))
        return;
    const LabelGeometryColumn& kind = kLabelGeometryColumns.back();
    if (!query.exec(QStringLiteral("ALTER TABLE labels ADD COLUMN %1 INTEGER NOT NULL DEFAULT %2")
                        .arg(QLatin1String(kind.column))
                        .arg(kind.columnDefault)))
        m_labels.DropColumn(QLatin1String(kind.column));
}

void CLabelDatabase::Disconnect() {
    QSqlDatabase::database(m_connectionName, false).close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

CLabelDatabase::~CLabelDatabase() {
    Disconnect();
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

std::optional<LabelRecord> CLabelDatabase::FindLabel(int labelId) {
    std::optional<CRowBookmark> row;
    {
        FilterScope filter(m_labels, QStringLiteral("ID=%1").arg(labelId));
        if (m_labels.IsEOF()) return std::nullopt;
        row = m_labels.GetBookmark();
    }
    return ReadLabel(*row);
}

std::optional<WrittenLabel> CLabelDatabase::FirstLabel() {
    m_labels.SetFilter(QString());
    if (m_labels.IsEOF()) return std::nullopt;
    return CurrentIds();
}

LabelRecord CLabelDatabase::ReadLabel(const CRowBookmark& product) {
    m_labels.GoToBookmark(product);
    LabelRecord r;
    r.id = m_labels.GetInt(QStringLiteral("ID"));
    r.companyId = m_labels.GetInt(QStringLiteral("CompanyID"));
    r.name1 = m_labels.GetString(QStringLiteral("LabelName1"));
    r.name2 = m_labels.GetString(QStringLiteral("LabelName2"));
    r.stock = m_labels.GetBool(QStringLiteral("Flag"));
    for (const LabelGeometryColumn& c : kLabelGeometryColumns)
        if (m_labels.HasColumn(QLatin1String(c.column)))
            r.geometry.*c.field = m_labels.GetInt(QLatin1String(c.column));
    return r;
}

void CLabelDatabase::WriteLabelColumns(const LabelRecord& label) {
    // Every column but the key; the label is filed as the user's own.
    LabelRecord own = label;
    own.companyId = kUserCompanyId;
    own.stock = false;
    const std::vector<QString> columns = LabelTableColumns();
    const std::vector<QVariant> values = LabelTableValues(own);
    if (IsRollKind(label.geometry) && !m_labels.HasColumn(columns.back()))
        Fail(Quillmark::tr("This label database was made by an earlier version of Quillmark and "
                           "may not be changed, so it cannot hold roll or tape labels."));
    for (std::size_t c = 1; c < columns.size(); ++c)
        if (m_labels.HasColumn(columns[c])) m_labels.SetValue(columns[c], values[c]);
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
            Fail(Quillmark::tr("The new label was saved but is no longer in the database."));
    }
    return CurrentIds();
}

WrittenLabel CLabelDatabase::ChangeLabel(const CRowBookmark& product, const LabelRecord& label) {
    m_labels.GoToBookmark(product);
    if (m_labels.GetBool(QStringLiteral("Flag")))
        Fail(Quillmark::tr("This label belongs to the label stock and cannot be changed; save "
                           "the changes as a new label instead."));
    WriteLabelColumns(label);
    m_labels.Update();
    return CurrentIds();
}

void CLabelDatabase::DeleteLabel(const CRowBookmark& product) {
    m_labels.GoToBookmark(product);
    if (m_labels.GetBool(QStringLiteral("Flag")))
        Fail(Quillmark::tr("This label belongs to the label stock and cannot be deleted."));
    m_labels.Delete();
}
