// Builds the label database shipped with the program from the label stock seed file, or fills
// an empty PostgreSQL database that a team is to share.
//
//   qm_make_labelstock SEED.csv OUTPUT.dat
//   qm_make_labelstock SEED.csv --connection "Driver=PostgreSQL;Server=...;Database=...;..."

#include "labels/label_stock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace {

int Fail(const QString& text) {
    std::fprintf(stderr, "qm_make_labelstock: %s\n", qPrintable(text));
    return 1;
}

void Build(const QString& connection, const LabelConnectionParams& params,
           const std::vector<LabelStockRow>& rows) {
    QSqlDatabase db = QSqlDatabase::addDatabase(
        params.engine == LabelConnectionParams::Engine::SQLite ? "QSQLITE" : "QPSQL", connection);
    db.setDatabaseName(params.database);
    db.setHostName(params.host);
    if (params.port > 0) db.setPort(params.port);
    db.setUserName(params.user);
    db.setPassword(params.password);
    if (!db.open()) throw CLabelDbError(db.lastError().text());
    CreateLabelTables(db, params.engine);
    FillLabelStock(db, params.engine, rows);
    if (params.engine == LabelConnectionParams::Engine::SQLite) QSqlQuery(db).exec("VACUUM");
    db.close();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool toServer = args.size() == 4 && args[2] == QLatin1String("--connection");
    if (args.size() != 3 && !toServer)
        return Fail("usage: qm_make_labelstock SEED.csv OUTPUT.dat | SEED.csv --connection STRING");

    QFile seed(args[1]);
    if (!seed.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("%1: %2").arg(args[1], seed.errorString()));
    try {
        const std::vector<LabelStockRow> rows = ParseLabelStock(QString::fromUtf8(seed.readAll()));
        if (toServer) {
            Build("stock", ParseLabelConnectionString(args[3], QDir::currentPath()), rows);
        } else {
            // Built beside the target and renamed over it, so a failed run leaves no half file.
            const QString output = QFileInfo(args[2]).absoluteFilePath();
            const QString temporary = output + ".part";
            QFile::remove(temporary);
            LabelConnectionParams params;
            params.database = temporary;
            Build("stock", params, rows);
            QSqlDatabase::removeDatabase("stock");
            if (std::rename(QFile::encodeName(temporary).constData(),
                            QFile::encodeName(output).constData()))
                return Fail(QStringLiteral("cannot write %1").arg(output));
            std::printf("%s: %zu labels\n", qPrintable(output), rows.size());
        }
    } catch (const CLabelDbError& e) {
        QFile::remove(QFileInfo(args[2]).absoluteFilePath() + ".part");
        return Fail(e.Description());
    }
    return 0;
}
