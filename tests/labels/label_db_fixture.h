#pragma once
// Label databases for tests: a fresh one per test on SQLite (a file of the test's own) or on the
// PostgreSQL cluster that the test command starts, and a connection beside the one under test.

#include "labels/label_database.h"
#include "labels/label_stock.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTextStream>
#include <QUuid>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <vector>

// Names the engine in test output.
inline void PrintTo(LabelConnectionParams::Engine engine, std::ostream* os) {
    *os << (engine == LabelConnectionParams::Engine::SQLite ? "SQLite" : "PostgreSQL");
}

// A value for a connection string, in braces so that any character may stand in it.
inline QString Quote(const QString& v) {
    return QStringLiteral("{") + QString(v).replace(u'}', QStringLiteral("}}")) + u'}';
}

// The cluster that the test command starts (tests/labels/pg_cluster.sh); empty when none runs.
inline std::map<QString, QString> PostgresState() {
    std::map<QString, QString> state;
    QFile file(QStringLiteral(QM_TEST_PG_STATE));
    if (!file.open(QIODevice::ReadOnly)) return state;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0) state[line.left(eq)] = line.mid(eq + 1);
    }
    return state;
}

inline QString PostgresConnection(const std::map<QString, QString>& s, const QString& database) {
    return QStringLiteral("Driver=PostgreSQL;Server=127.0.0.1;Port=%1;Uid=%2;Pwd=%3;Database=%4")
        .arg(s.at("PORT"), s.at("USER"), Quote(s.at("PASSWORD")), database);
}

// Runs statements on a connection of its own, beside the one under test.
class SideConnection {
public:
    explicit SideConnection(const LabelConnectionParams& p)
        : m_name(QUuid::createUuid().toString()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            p.engine == LabelConnectionParams::Engine::SQLite ? "QSQLITE" : "QPSQL", m_name);
        db.setDatabaseName(p.database);
        db.setHostName(p.host);
        if (p.port > 0) db.setPort(p.port);
        db.setUserName(p.user);
        db.setPassword(p.password);
        m_open = db.open();
        if (!m_open) m_error = db.lastError().text();
    }
    ~SideConnection() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    SideConnection(const SideConnection&) = delete;
    SideConnection& operator=(const SideConnection&) = delete;

    bool IsOpen() const { return m_open; }
    const QString& Error() const { return m_error; }
    QSqlDatabase Db() const { return QSqlDatabase::database(m_name, false); }
    void Exec(const QString& sql) const {
        QSqlQuery q(Db());
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    }

private:
    QString m_name;
    bool m_open = false;
    QString m_error;
};

// A label database of one test's own, filled with `stock` and removed again afterwards.
// Check Ready() (or use ASSERT_NO_FATAL_FAILURE around Create) before using it.
class ScratchLabelDatabase {
public:
    ScratchLabelDatabase() = default;
    ~ScratchLabelDatabase() {
        if (m_database.isEmpty()) return;
        SideConnection admin(Params(PostgresConnection(m_pg, "postgres")));
        if (admin.IsOpen()) admin.Exec("DROP DATABASE IF EXISTS " + m_database + " WITH (FORCE)");
    }
    ScratchLabelDatabase(const ScratchLabelDatabase&) = delete;
    ScratchLabelDatabase& operator=(const ScratchLabelDatabase&) = delete;

    // SQLite: a file in `dir`; PostgreSQL: a new database on the test cluster.
    void Create(LabelConnectionParams::Engine engine, const QString& dir,
                const std::vector<LabelStockRow>& stock) {
        m_dir = dir;
        if (engine == LabelConnectionParams::Engine::SQLite) {
            m_connection = QStringLiteral("Driver=SQLite;DBQ=%1").arg(Quote(dir + "/labels.dat"));
        } else {
            m_pg = PostgresState();
            ASSERT_TRUE(m_pg.count("PORT"))
                << "No PostgreSQL test cluster is running (" << QM_TEST_PG_STATE
                << " is missing). ctest starts one; by hand: tests/labels/pg_cluster.sh start "
                << QM_TEST_PG_STATE;
            const QString name = QStringLiteral("qmtest_%1")
                                     .arg(QUuid::createUuid().toString(QUuid::Id128).left(16));
            SideConnection admin(Params(PostgresConnection(m_pg, "postgres")));
            ASSERT_TRUE(admin.IsOpen()) << admin.Error().toStdString();
            admin.Exec("CREATE DATABASE " + name);
            m_database = name;
            m_connection = PostgresConnection(m_pg, m_database);
        }
        // SQLite creates the file on first use; PostgreSQL has the empty database made above.
        SideConnection side(Params(m_connection));
        ASSERT_TRUE(side.IsOpen()) << side.Error().toStdString();
        QSqlDatabase db = side.Db();
        CreateLabelTables(db, engine);
        FillLabelStock(db, engine, stock);
    }

    const QString& Connection() const { return m_connection; }
    LabelConnectionParams Params(const QString& connection) const {
        return ParseLabelConnectionString(connection, m_dir);
    }
    LabelConnectionParams Params() const { return Params(m_connection); }

private:
    QString m_dir;
    QString m_connection;
    QString m_database; // PostgreSQL only
    std::map<QString, QString> m_pg;
};
