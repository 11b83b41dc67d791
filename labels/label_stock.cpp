#include "labels/label_stock.h"

#include "ui/translation.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <map>

namespace {

[[noreturn]] void Fail(const QString& what, const QSqlError& error) {
    throw CLabelDbError(what + QStringLiteral(": ") + error.text().trimmed());
}

void Exec(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql)) Fail(sql.left(60), query.lastError());
}

// Splits one line of comma-separated fields, where a field in double quotes may hold commas
// and "" stands for one quote.
QStringList SplitCsvLine(const QString& line, bool& ok) {
    QStringList fields;
    QString field;
    bool quoted = false;
    ok = true;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
        } else if (c == u',') {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    ok = !quoted;
    fields << field;
    return fields;
}

// A seed line: Company, LabelName1 and LabelName2, then the geometry.
constexpr qsizetype kNameFields = 3;
constexpr qsizetype kSeedFields = kNameFields + qsizetype(kLabelGeometryColumns.size());

} // namespace

std::vector<LabelStockRow> ParseLabelStock(const QString& text) {
    std::vector<LabelStockRow> rows;
    const QStringList lines = text.split(u'\n');
    bool header = true;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#')) continue;
        auto fail = [&](const QString& why) {
            throw CLabelDbError(
                Quillmark::tr("Line %1 of the label stock: %2").arg(n + 1).arg(why));
        };
        bool ok = false;
        const QStringList f = SplitCsvLine(line, ok);
        if (!ok) fail(Quillmark::tr("a quoted field is not closed"));
        if (f.size() != kSeedFields)
            fail(Quillmark::tr("%1 fields where %2 belong").arg(f.size()).arg(kSeedFields));
        if (header) {
            if (f.front() != u"Company" ||
                f.back() != QLatin1String(kLabelGeometryColumns.back().column))
                fail(Quillmark::tr("not the header"));
            header = false;
            continue;
        }
        LabelStockRow row{f[0].trimmed(), f[1], f[2], {}};
        for (std::size_t i = 0; i < kLabelGeometryColumns.size(); ++i) {
            const QString& field = f[kNameFields + static_cast<qsizetype>(i)];
            row.geometry.*kLabelGeometryColumns[i].field = field.trimmed().toInt(&ok);
            if (!ok) fail(Quillmark::tr("\"%1\" is not a whole number").arg(field));
        }
        if (row.company.isEmpty()) fail(Quillmark::tr("no maker"));
        rows.push_back(std::move(row));
    }
    if (header) throw CLabelDbError(Quillmark::tr("The label stock has no header line."));
    return rows;
}

void CreateLabelTables(QSqlDatabase& db, LabelConnectionParams::Engine engine) {
    Exec(db, QStringLiteral("CREATE TABLE company (ID INTEGER PRIMARY KEY, Name TEXT NOT NULL)"));
    Exec(db, QStringLiteral("CREATE TABLE labels (%1)")
                 .arg(LabelTableDefinitions(engine).join(QStringLiteral(", "))));
    Exec(db, QStringLiteral("CREATE INDEX labels_company ON labels (CompanyID)"));
}

void FillLabelStock(QSqlDatabase& db, LabelConnectionParams::Engine engine,
                    const std::vector<LabelStockRow>& rows) {
    if (!db.transaction()) Fail(QStringLiteral("BEGIN"), db.lastError());
    try {
        QSqlQuery company(db);
        if (!company.prepare(QStringLiteral("INSERT INTO company (ID, Name) VALUES (?, ?)")))
            Fail(QStringLiteral("company"), company.lastError());
        auto addCompany = [&](int id, const QString& name) {
            company.addBindValue(id);
            company.addBindValue(name);
            if (!company.exec()) Fail(Quillmark::tr("company %1").arg(name), company.lastError());
        };
        addCompany(CLabelDatabase::kUserCompanyId, QString::fromLatin1(kUserCompanyName));
        std::map<QString, int> ids;
        int nextCompany = CLabelDatabase::kUserCompanyId + 1;
        for (const LabelStockRow& r : rows)
            if (ids.emplace(r.company, nextCompany).second) addCompany(nextCompany++, r.company);

        QSqlQuery label(db);
        QStringList columns, marks;
        for (const QString& column : LabelTableColumns()) {
            columns << column;
            marks << QStringLiteral("?");
        }
        if (!label.prepare(
                QStringLiteral("INSERT INTO labels (%1) VALUES (%2)")
                    .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))))
            Fail(QStringLiteral("labels"), label.lastError());
        int id = 0;
        for (const LabelStockRow& r : rows) {
            LabelRecord stock{++id, ids[r.company], r.name1, r.name2, true, r.geometry};
            for (const QVariant& v : LabelTableValues(stock))
                label.addBindValue(v);
            if (!label.exec())
                Fail(Quillmark::tr("label %1 %2").arg(r.company, r.name1), label.lastError());
        }
        // Rows given their IDs leave the generator of new IDs behind; move it past them.
        if (engine == LabelConnectionParams::Engine::PostgreSQL && id > 0)
            Exec(db, QStringLiteral("SELECT setval(pg_get_serial_sequence('labels', 'id'), %1)")
                         .arg(id));
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit()) Fail(QStringLiteral("COMMIT"), db.lastError());
}
