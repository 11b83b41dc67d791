// The label database on a real SQLite file and on a real PostgreSQL server.

#include "labels/label_database.h"
#include "labels/label_lengths.h"
#include "labels/label_stock.h"
#include "tests/labels/label_db_fixture.h"
#include "tests/support/label_geometry_printer.h"

#include "common/settings_store.h"
#include "tests/support/temp_env.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <ostream>

namespace {

using Engine = LabelConnectionParams::Engine;

// A small label stock: two makers, the first with its products on either side of the second's.
std::vector<LabelStockRow> FixtureStock() {
    return {
        {"Acme", "A1", "Address", {0, 6668, 2540, 1270, 400, 10630, 2540, 2, 10}},
        {"Acme", "A2", "Shipping", {2, 9906, 13900, 1000, 500, 10160, 14000, 2, 2}},
        {"Birch", "0042", "Cards", {2, 8500, 5400, 1300, 1500, 9000, 5500, 2, 5}},
        {"Acme", "A3", "Mini", {7, 2000, 1000, 500, 500, 2500, 1200, 4, 10}},
    };
}
constexpr int kAcme = 23, kBirch = 24;

LabelRecord MyLabel() {
    LabelRecord r;
    r.name1 = "Mine";
    r.name2 = "Notes";
    r.geometry = {2, 10160, 2540, 1270, 400, 10630, 2540, 2, 10};
    return r;
}

class LabelDatabaseTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        if (GetParam() == Engine::SQLite) {
            m_connection =
                QStringLiteral("Driver=SQLite;DBQ=%1")
                    .arg(Quote(QString::fromStdString((env.Root() / "labels.dat").string())));
        } else {
            m_pg = PostgresState();
            ASSERT_TRUE(m_pg.count("PORT"))
                << "No PostgreSQL test cluster is running (" << QM_TEST_PG_STATE
                << " is missing). ctest starts one; by hand: tests/labels/pg_cluster.sh start "
                << QM_TEST_PG_STATE;
            m_database = QStringLiteral("qmtest_%1")
                             .arg(QUuid::createUuid().toString(QUuid::Id128).left(16));
            SideConnection admin(Params(PostgresConnection(m_pg, "postgres")));
            ASSERT_TRUE(admin.IsOpen()) << admin.Error().toStdString();
            admin.Exec("CREATE DATABASE " + m_database);
            m_connection = PostgresConnection(m_pg, m_database);
        }
        // SQLite creates the file on first use; PostgreSQL has the empty database made above.
        SideConnection side(Params(m_connection));
        ASSERT_TRUE(side.IsOpen()) << side.Error().toStdString();
        QSqlDatabase db = side.Db();
        CreateLabelTables(db, GetParam());
        FillLabelStock(db, GetParam(), FixtureStock());
    }

    void TearDown() override {
        if (m_database.isEmpty()) return;
        SideConnection admin(Params(PostgresConnection(m_pg, "postgres")));
        if (admin.IsOpen()) admin.Exec("DROP DATABASE IF EXISTS " + m_database + " WITH (FORCE)");
    }

    LabelConnectionParams Params(const QString& connection) const {
        return ParseLabelConnectionString(connection, QString::fromStdString(env.Root().string()));
    }
    std::unique_ptr<CLabelDatabase> Open() const {
        return std::make_unique<CLabelDatabase>(Params(m_connection));
    }
    LabelMaker Maker(CLabelDatabase& db, int id) const {
        for (const LabelMaker& m : db.ListMakers())
            if (m.id == id) return m;
        ADD_FAILURE() << "no maker " << id;
        return {};
    }

    TempEnv env;
    QString m_connection;
    QString m_database;
    std::map<QString, QString> m_pg;
};

std::vector<int> Ids(const std::vector<LabelProduct>& products) {
    std::vector<int> ids;
    for (const LabelProduct& p : products)
        ids.push_back(p.id);
    return ids;
}

TEST_P(LabelDatabaseTest, ListsMakersAndTheirProducts) {
    auto db = Open();
    const std::vector<LabelMaker> makers = db->ListMakers();
    ASSERT_EQ(makers.size(), 3u);
    EXPECT_EQ(makers[0].id, CLabelDatabase::kUserCompanyId);
    EXPECT_EQ(makers[0].name, QString::fromLatin1(kUserCompanyName));
    EXPECT_EQ(makers[1].id, kAcme);
    EXPECT_EQ(makers[1].name, "Acme");
    EXPECT_EQ(makers[2].name, "Birch");

    const std::vector<LabelProduct> acme = db->ListProducts(makers[1].bookmark);
    EXPECT_EQ(Ids(acme), (std::vector<int>{1, 2, 4}));
    ASSERT_EQ(acme.size(), 3u);
    EXPECT_EQ(acme[0].text, "A1 - Address");
    EXPECT_EQ(db->ListProducts(makers[2].bookmark)[0].text, "0042 - Cards") << "names are text";
    EXPECT_TRUE(db->ListProducts(makers[0].bookmark).empty()) << "a maker without labels";
    EXPECT_EQ(db->Labels().RecordCount(), 4) << "listing leaves the labels unfiltered";

    const LabelRecord a2 = db->ReadLabel(acme[1].bookmark);
    EXPECT_EQ(a2.id, 2);
    EXPECT_EQ(a2.companyId, kAcme);
    EXPECT_TRUE(a2.stock);
    EXPECT_EQ(a2.geometry, (CLabelGeometry{2, 9906, 13900, 1000, 500, 10160, 14000, 2, 2}));
}

TEST_P(LabelDatabaseTest, FindsASavedLabelButNotAMissingOne) {
    auto db = Open();
    EXPECT_EQ(db->FindLabelCompany(3), kBirch);
    EXPECT_EQ(db->FindLabelCompany(999), std::nullopt);
    EXPECT_EQ(db->Labels().Filter(), "") << "the lookup removes its filter";
    // A product by its number, as the command line names it.
    const std::optional<LabelRecord> a2 = db->FindLabel(2);
    ASSERT_TRUE(a2);
    EXPECT_EQ(a2->name1, "A2");
    EXPECT_EQ(a2->geometry, (CLabelGeometry{2, 9906, 13900, 1000, 500, 10160, 14000, 2, 2}));
    EXPECT_EQ(db->FindLabel(999), std::nullopt);
    EXPECT_EQ(db->Labels().Filter(), "");
    const std::optional<WrittenLabel> first = db->FirstLabel();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->id, 1);
    EXPECT_EQ(first->companyId, kAcme);
}

TEST_P(LabelDatabaseTest, UserLabelsAreAddedChangedAndDeleted) {
    int mine = 0;
    {
        auto db = Open();
        const WrittenLabel written = db->InsertLabel(MyLabel());
        EXPECT_EQ(written.companyId, CLabelDatabase::kUserCompanyId);
        EXPECT_GT(written.id, 4);
        mine = written.id;
        EXPECT_EQ(db->Labels().GetInt("ID"), mine) << "the new row is the current one";
        EXPECT_EQ(db->Labels().AbsolutePosition(), 5) << "kept across the re-read";

        const auto products = db->ListProducts(Maker(*db, CLabelDatabase::kUserCompanyId).bookmark);
        ASSERT_EQ(products.size(), 1u);
        EXPECT_EQ(products[0].text, "Mine - Notes");

        LabelRecord changed = MyLabel();
        changed.name1 = "Mine, wider";
        changed.geometry.width = 10500;
        const WrittenLabel again = db->ChangeLabel(products[0].bookmark, changed);
        EXPECT_EQ(again.id, mine);
        EXPECT_EQ(again.companyId, CLabelDatabase::kUserCompanyId);

        // A stock label is never rewritten nor deleted, whoever asks.
        const auto acme = db->ListProducts(Maker(*db, kAcme).bookmark);
        EXPECT_THROW(db->ChangeLabel(acme[0].bookmark, changed), CLabelDbError);
        EXPECT_THROW(db->DeleteLabel(acme[0].bookmark), CLabelDbError);
    }
    {
        // What a new connection reads is what was saved.
        auto db = Open();
        const auto products = db->ListProducts(Maker(*db, CLabelDatabase::kUserCompanyId).bookmark);
        ASSERT_EQ(products.size(), 1u);
        const LabelRecord r = db->ReadLabel(products[0].bookmark);
        EXPECT_EQ(r.name1, "Mine, wider");
        EXPECT_EQ(r.geometry.width, 10500);
        EXPECT_EQ(r.geometry.height, 2540);
        EXPECT_FALSE(r.stock);

        db->DeleteLabel(products[0].bookmark);
        EXPECT_TRUE(db->ListProducts(Maker(*db, CLabelDatabase::kUserCompanyId).bookmark).empty());
        EXPECT_THROW(db->ReadLabel(products[0].bookmark), CLabelDbError) << "its bookmark is gone";
    }
    {
        auto db = Open();
        EXPECT_EQ(db->ListMakers().size(), 3u) << "the maker stays";
        EXPECT_EQ(db->FindLabelCompany(mine), std::nullopt);
        // A remembered ID must never come to name another label.
        EXPECT_GT(db->InsertLabel(MyLabel()).id, mine);
    }
}

TEST_P(LabelDatabaseTest, EachGeometryColumnHoldsItsOwnValue) {
    // Every value different, so one written to or read from another column shows.
    LabelRecord label = MyLabel();
    label.geometry = {3, 10101, 2202, 1303, 404, 10605, 2706, 7, 8, 2};
    int id = 0;
    {
        auto db = Open();
        id = db->InsertLabel(label).id;
        const auto products = db->ListProducts(Maker(*db, CLabelDatabase::kUserCompanyId).bookmark);
        ASSERT_EQ(products.size(), 1u);
        EXPECT_EQ(db->ReadLabel(products[0].bookmark).geometry, label.geometry);
    }
    SideConnection side(Params(m_connection));
    ASSERT_TRUE(side.IsOpen());
    QSqlQuery q(side.Db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT PaperSize, Width, Height, TopMargin, SideMargin, "
                                      "HorizontalPitch, VerticalPitch, NumberAcross, NumberDown, "
                                      "Kind, CompanyID, Flag FROM labels WHERE ID = %1")
                           .arg(id)))
        << q.lastError().text().toStdString();
    ASSERT_TRUE(q.next());
    const int expected[] = {
        3, 10101, 2202, 1303, 404, 10605, 2706, 7, 8, 2, CLabelDatabase::kUserCompanyId};
    for (int c = 0; c < 11; ++c)
        EXPECT_EQ(q.value(c).toInt(), expected[c]) << q.record().fieldName(c).toStdString();
    EXPECT_FALSE(q.value(11).toBool()) << "the user's own label";
}

TEST_P(LabelDatabaseTest, FiltersAndBookmarks) {
    auto db = Open();
    CLabelRecordset& labels = db->Labels();
    labels.SetAbsolutePosition(2);
    const CRowBookmark a2 = labels.GetBookmark();
    labels.SetAbsolutePosition(3);
    const CRowBookmark birch = labels.GetBookmark();

    labels.SetFilter("CompanyID=23");
    EXPECT_EQ(labels.RecordCount(), 3);
    EXPECT_EQ(labels.GetInt("ID"), 1) << "a filter starts at its first row";
    labels.GoToBookmark(a2);
    EXPECT_EQ(labels.GetString("LabelName1"), "A2");
    EXPECT_EQ(labels.AbsolutePosition(), 2);
    EXPECT_THROW(labels.GoToBookmark(birch), CLabelDbError) << "hidden by the filter";

    labels.SetFilter(" id = 3 ");
    EXPECT_EQ(labels.RecordCount(), 1);
    labels.SetFilter("ID=999");
    EXPECT_TRUE(labels.IsEOF());
    EXPECT_THROW(labels.GetInt("ID"), CLabelDbError);
    EXPECT_THROW(labels.SetFilter("Name LIKE 'A%'"), CLabelDbError);

    labels.SetFilter("");
    labels.GoToBookmark(birch);
    EXPECT_EQ(labels.GetInt("ID"), 3);
    labels.Requery();
    labels.GoToBookmark(birch);
    EXPECT_EQ(labels.GetInt("ID"), 3) << "bookmarks outlive a re-read";
    labels.SetAbsolutePosition(4);
    EXPECT_EQ(labels.GetString("LabelName1"), "A3");
    EXPECT_THROW(labels.SetAbsolutePosition(5), CLabelDbError);
}

TEST_P(LabelDatabaseTest, FailuresCarryTheDatabasesOwnText) {
    auto db = Open();
    SideConnection side(Params(m_connection));
    ASSERT_TRUE(side.IsOpen());
    side.Exec("DROP TABLE labels");

    const QString expected = GetParam() == Engine::SQLite ? "no such table: labels"
                                                          : "relation \"labels\" does not exist";
    try {
        db->InsertLabel(MyLabel());
        FAIL() << "the insert reported success";
    } catch (const CLabelDbError& e) {
        EXPECT_TRUE(e.Description().contains(expected)) << e.Description().toStdString();
    }
    // The snapshot still reads, and nothing half-written is pending.
    EXPECT_EQ(db->Labels().RecordCount(), 4);
    EXPECT_EQ(db->ListMakers().size(), 3u);

    try {
        Open();
        FAIL() << "a database without the labels table opened";
    } catch (const CLabelDbError& e) {
        EXPECT_TRUE(e.Description().contains(expected)) << e.Description().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, LabelDatabaseTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         [](const auto& info) {
                             return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
                         });

// ---- opening ----

QString Describe(const QString& connection, const QString& baseDir) {
    try {
        CLabelDatabase db(ParseLabelConnectionString(connection, baseDir));
    } catch (const CLabelDbError& e) {
        return e.Description();
    }
    return "opened";
}

TEST(LabelDatabaseOpen, ConnectionStrings) {
    const LabelConnectionParams pg = ParseLabelConnectionString(
        " Driver={PostgreSQL Unicode}; Server=db.local ;Port=5433;Database=labels;"
        "Uid=team;Pwd={a;b}}c}; Extra=ignored",
        "/opt");
    EXPECT_EQ(pg.engine, Engine::PostgreSQL);
    EXPECT_EQ(pg.host, "db.local");
    EXPECT_EQ(pg.port, 5433);
    EXPECT_EQ(pg.database, "labels");
    EXPECT_EQ(pg.user, "team");
    EXPECT_EQ(pg.password, "a;b}c");

    EXPECT_EQ(ParseLabelConnectionString("driver=sqlite;dbq=data.dat", "/opt/qm").database,
              "/opt/qm/data.dat");
    EXPECT_EQ(ParseLabelConnectionString("Driver=SQLite;DBQ=x/../data.dat;DefaultDir=/srv", "/opt")
                  .database,
              "/srv/data.dat");
    // Other names of the keys; empty parts are skipped and a later part wins.
    const LabelConnectionParams named = ParseLabelConnectionString(
        "Driver=PostgreSQL;;Host=first;Server=second;User=u;Password= {p} ;Database=d;", "/opt");
    EXPECT_EQ(named.host, "second");
    EXPECT_EQ(QStringList({named.user, named.password, named.database}),
              QStringList({"u", "p", "d"}));

    const struct {
        const char* text;
        const char* says;
    } bad[] = {
        {"Driver={Microsoft Access Driver (*.mdb)};DBQ=data.dat;Uid=Admin",
         "names the driver \"Microsoft Access Driver (*.mdb)\", which Quillmark cannot use"},
        {"DBQ=data.dat", "names no database driver"},
        {"Driver=SQLite", "names no database file"},
        {"Driver=PostgreSQL;Port=http", "\"http\" in the label database connection string is not"},
        {"Driver=SQLite;DBQ={data.dat", "without its closing brace"},
        {"Driver=SQLite;DBQ={data}.dat", "text after the braced value of \"dbq\""},
        {"Driver=SQLite;just text", "a part without '='"},
    };
    for (const auto& b : bad) {
        try {
            ParseLabelConnectionString(b.text, "/opt");
            ADD_FAILURE() << b.text << " was accepted";
        } catch (const CLabelDbError& e) {
            EXPECT_TRUE(e.Description().contains(b.says)) << e.Description().toStdString();
        }
    }
}

TEST(LabelDatabaseOpen, SQLiteFilesThatCannotServe) {
    TempEnv env;
    const QString dir = QString::fromStdString(env.Root().string());
    EXPECT_EQ(Describe("Driver=SQLite;DBQ=missing.dat", dir),
              "The label database \"" + dir + "/missing.dat\" does not exist.");
    EXPECT_FALSE(QFile::exists(dir + "/missing.dat")) << "no empty database is left in its place";

    QDir(dir).mkdir("folder.dat");
    EXPECT_TRUE(Describe("Driver=SQLite;DBQ=folder.dat", dir).contains("is not a file"));

    // A file that is not a label database: the message names it and says why.
    QFile junk(dir + "/junk.dat");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    QFile empty(dir + "/empty.dat");
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    for (const auto& [file, says] : {std::pair{"junk.dat", "file is not a database"},
                                     std::pair{"empty.dat", "no such table: labels"}}) {
        const QString description = Describe(QStringLiteral("Driver=SQLite;DBQ=") + file, dir);
        EXPECT_TRUE(description.startsWith("The label database \"" + dir + "/" + file +
                                           "\" could not be opened: "))
            << description.toStdString();
        EXPECT_TRUE(description.contains(says)) << description.toStdString();
    }
}

TEST(LabelDatabaseOpen, PostgreSQLServerThatRefuses) {
    const auto state = PostgresState();
    ASSERT_TRUE(state.count("PORT")) << "No PostgreSQL test cluster is running";
    // Nothing listens on port 1 of the loopback interface.
    const QString closed = "Driver=PostgreSQL;Server=127.0.0.1;Port=1;Uid=x;Pwd=y;Database=z";
    EXPECT_TRUE(Describe(closed, "/").contains("Connection refused"))
        << Describe(closed, "/").toStdString();
    EXPECT_TRUE(
        Describe(closed, "/")
            .startsWith("The label database \"z\" on the server 127.0.0.1:1 could not be opened: "))
        << Describe(closed, "/").toStdString();

    std::map<QString, QString> wrong = state;
    wrong["PASSWORD"] = "not-the-password";
    const QString description = Describe(PostgresConnection(wrong, "postgres"), "/");
    EXPECT_TRUE(description.contains("password authentication failed"))
        << description.toStdString();
}

TEST(LabelDatabaseOpen, DefaultFileBesideTheProgramOrAPerUserCopy) {
    TempEnv env;
    const QString program = QString::fromStdString((env.Root() / "bin").string());
    const QString user = UserLabelDataDir();
    EXPECT_EQ(user, QString::fromStdString((env.DataHome() / "Halvern/Quillmark").string()));
    EXPECT_THROW(LocateDefaultLabelDatabase(program, user, true), CLabelDbError);

    ASSERT_TRUE(QDir().mkpath(program));
    ASSERT_TRUE(QFile::copy(QM_SHIPPED_DATA_DAT, program + "/data.dat"));
    EXPECT_EQ(LocateDefaultLabelDatabase(program, user), program + "/data.dat");
    EXPECT_EQ(LabelConnectionFromSettings(program).database, program + "/data.dat");

    // An installed program cannot write its folder: the user's labels go to a copy of their own,
    // made once and kept from then on.
    const QString copy = LocateDefaultLabelDatabase(program, user, false);
    EXPECT_EQ(copy, user + "/data.dat");
    {
        CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=data.dat", user));
        db.InsertLabel(MyLabel());
    }
    EXPECT_EQ(LocateDefaultLabelDatabase(program, user, false), copy);
    CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=data.dat", user));
    EXPECT_EQ(db.ListProducts(db.ListMakers()[0].bookmark).size(), 1u);
    EXPECT_FALSE(QFile::exists(copy + ".part"));

    // A connection string in the settings wins.
    ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                            "Driver=SQLite;DBQ=other.dat;DefaultDir=/srv/labels"));
    EXPECT_EQ(LabelConnectionFromSettings(program).database, "/srv/labels/other.dat");
}

TEST(LabelDatabaseOpen, AnInstalledProgramKeepsTheUsersLabelsInTheirCopy) {
    // An installed tree whose shipped database can be written (as root could): the program
    // finds it under the prefix, not beside itself, and still never writes it.
    TempEnv env;
    const QString prefix = QString::fromStdString((env.Root() / "usr").string());
    const QString program = prefix + "/" QM_INSTALL_PROGRAM_DIR;
    const QString shipped = prefix + "/" QM_INSTALL_DATA_DIR "/data.dat";
    ASSERT_TRUE(QDir().mkpath(program));
    ASSERT_TRUE(QDir().mkpath(prefix + "/" QM_INSTALL_DATA_DIR));
    ASSERT_TRUE(QFile::copy(QM_SHIPPED_DATA_DAT, shipped));
    QFile::setPermissions(shipped, QFile::permissions(shipped) | QFileDevice::WriteOwner);
    // A data.dat beside the installed program is not the shipped one.
    ASSERT_TRUE(QFile::copy(QM_SHIPPED_DATA_DAT, program + "/data.dat"));

    const QString copy = UserLabelDataDir() + "/data.dat";
    EXPECT_EQ(LabelConnectionFromSettings(program).database, copy);
    {
        CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + copy, "/"));
        db.InsertLabel(MyLabel());
    }
    CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + shipped, "/"));
    EXPECT_TRUE(db.ListProducts(db.ListMakers()[0].bookmark).empty());

    // A relative file in a connection string is taken from the shipped database's folder.
    ASSERT_TRUE(
        SettingsStore().WriteString("Print", "LabelDBConnectionString", "Driver=SQLite;DBQ=x.dat"));
    EXPECT_EQ(LabelConnectionFromSettings(program).database,
              prefix + "/" QM_INSTALL_DATA_DIR "/x.dat");
}

TEST(LabelDatabaseOpen, FailureMessage) {
    EXPECT_EQ(LabelDatabaseOpenFailureMessage("no such table: labels"),
              "Error found: The program can not locate the label database.\nPlease reinstall the "
              "program.\n\nIf problem persists, contact Halvern support at "
              "https://www.halvern.example/forum/quillmark or support@halvern.example.\n\n"
              "no such table: labels");
}

// ---- the shipped label stock ----

TEST(ShippedLabelStock, HoldsEveryProductOfEveryMaker) {
    TempEnv env;
    const QString copy = QString::fromStdString((env.Root() / "data.dat").string());
    ASSERT_TRUE(QFile::copy(QM_SHIPPED_DATA_DAT, copy));
    CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + Quote(copy), "/"));

    const std::vector<LabelMaker> makers = db.ListMakers();
    ASSERT_EQ(makers.size(), 57u) << "56 makers and the user's own";
    EXPECT_EQ(makers[0].id, 22);
    EXPECT_EQ(makers[0].name, QString::fromLatin1(kUserCompanyName));
    EXPECT_TRUE(db.ListProducts(makers[0].bookmark).empty());

    CLabelRecordset& labels = db.Labels();
    EXPECT_EQ(labels.RecordCount(), 1432);
    int stock = 0;
    for (labels.MoveFirst(); !labels.IsEOF(); labels.MoveNext())
        stock += labels.GetBool("Flag") ? 1 : 0;
    EXPECT_EQ(stock, 1432);

    std::map<QString, std::vector<LabelProduct>> byMaker;
    for (const LabelMaker& m : makers)
        byMaker[m.name] = db.ListProducts(m.bookmark);
    EXPECT_EQ(byMaker["Avery"].size(), 341u);
    EXPECT_EQ(byMaker["APLI"].size(), 3u);
    EXPECT_EQ(byMaker["Apli"].size(), 1u);
    EXPECT_EQ(byMaker["APLI"][0].text, "01293 - General Labels") << "leading zeros kept";
    const auto& online = byMaker["Online Labels"];
    EXPECT_TRUE(std::any_of(online.begin(), online.end(), [](const LabelProduct& p) {
        return p.text == QString::fromUtf8("OL1499 - USPS\u00AE shipping labels");
    })) << "text beyond ASCII survives";
    // The last sheet of the seed, field by field.
    const LabelRecord last = db.ReadLabel(byMaker["Zweckform"].back().bookmark);
    EXPECT_EQ(last.name1, "J8435B");
    EXPECT_EQ(last.name2, "CD Inlet");
    EXPECT_EQ(last.geometry, (CLabelGeometry{2, 15500, 12200, 2100, 2750, 15500, 12200, 1, 1}));
    // The thermal printers' rolls and tapes: die-cut labels with their gap, tape without length.
    EXPECT_EQ(byMaker["Zebra"].size(), 6u);
    EXPECT_EQ(byMaker["Generic"].size(), 2u);
    EXPECT_EQ(byMaker["DYMO"].size(), 8u);
    EXPECT_EQ(byMaker["Brother"].size(), 9u);
    const LabelRecord roll = db.ReadLabel(byMaker["Zebra"][4].bookmark);
    EXPECT_EQ(roll.name1, "800262-125");
    EXPECT_EQ(roll.geometry, (CLabelGeometry{0, 5715, 3175, 0, 0, 5715, 3493, 1, 1, 1}));
    const LabelRecord tape = db.ReadLabel(byMaker["Brother"].back().bookmark);
    EXPECT_EQ(tape.name1, "DK-22205");
    EXPECT_EQ(tape.geometry, (CLabelGeometry{0, 6200, 0, 0, 0, 6200, 0, 1, 1, 2}));
}

TEST(LabelStockSeed, TablesOfANewDatabase) {
    TempEnv env;
    SideConnection side(ParseLabelConnectionString("Driver=SQLite;DBQ=new.dat",
                                                   QString::fromStdString(env.Root().string())));
    ASSERT_TRUE(side.IsOpen());
    QSqlDatabase db = side.Db();
    CreateLabelTables(db, Engine::SQLite);
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec("SELECT sql FROM sqlite_master WHERE name = 'labels'"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(),
              "CREATE TABLE labels (ID INTEGER PRIMARY KEY AUTOINCREMENT, CompanyID INTEGER NOT "
              "NULL, LabelName1 TEXT NOT NULL DEFAULT '', LabelName2 TEXT NOT NULL DEFAULT '', "
              "Flag BOOLEAN NOT NULL DEFAULT FALSE, PaperSize INTEGER NOT NULL DEFAULT 0, Width "
              "INTEGER NOT NULL DEFAULT 0, Height INTEGER NOT NULL DEFAULT 0, TopMargin INTEGER "
              "NOT NULL DEFAULT 0, SideMargin INTEGER NOT NULL DEFAULT 0, HorizontalPitch INTEGER "
              "NOT NULL DEFAULT 0, VerticalPitch INTEGER NOT NULL DEFAULT 0, NumberAcross INTEGER "
              "NOT NULL DEFAULT 1, NumberDown INTEGER NOT NULL DEFAULT 1, Kind INTEGER NOT NULL "
              "DEFAULT 0)");
}

TEST(LabelStockSeed, RejectsMalformedLines) {
    const QString header =
        "Company,LabelName1,LabelName2,PaperSize,Width,Height,TopMargin,"
        "SideMargin,HorizontalPitch,VerticalPitch,NumberAcross,NumberDown,Kind\n";
    const auto rows =
        ParseLabelStock("# comment\n" + header + "A,1,\"x, \"\"y\"\"\",0,1,2,3,4,5,6,7,8,2\r\n");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name2, "x, \"y\"");
    EXPECT_EQ(rows[0].geometry, (CLabelGeometry{0, 1, 2, 3, 4, 5, 6, 7, 8, 2}));
    for (const QString& bad :
         {header + "A,1,x,0,1,2,3,4,5,6,7,8\n", header + "A,1,x,0,1,2,3,4,5,6,7,8,z\n",
          header + "A,1,\"x,0,1,2,3,4,5,6,7,8,9\n", QString("A,1\n")}) {
        EXPECT_THROW(ParseLabelStock(bad), CLabelDbError) << bad.toStdString();
    }
}

// ---- lengths as shown and as stored ----

TEST(LabelLengths, StoredAndShown) {
    const struct {
        double shown;
        bool cm;
        int stored;
    } cases[] = {
        {1.5, false, 3810},
        {4.0, true, 4000},
        {0.33333, true, 333},
        {10.16, true, 10160},
        // Binary floating point puts these a hair below the integer they are.
        {1.005, true, 1005},
        {0.35, false, 889},
        {2.55, false, 6477},
        {-1.005, true, -1005},
        {1e300, true, INT_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StoredLength(c.shown, c.cm), c.stored) << c.shown << (c.cm ? " cm" : " in");

    EXPECT_EQ(FormatLength(6668, true), "6.67 cm");
    EXPECT_EQ(FormatLength(6668, false), "2.63 in");
    EXPECT_EQ(FormatLength(2540, false), "1.00 in");
    EXPECT_EQ(DisplayThousandths(1270, false), 500);
    EXPECT_EQ(DisplayThousandths(400, false), 157);
    EXPECT_EQ(DisplayThousandths(889, false), 350);
    EXPECT_EQ(PaperSizeName(12), "B4 JIS ( 25.7 x 36.4 cm)");
    EXPECT_EQ(PaperSizeName(13), "");
    EXPECT_EQ(PaperSizeName(-1), "");
}

} // namespace
