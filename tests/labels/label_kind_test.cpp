// Label databases made before labels had a kind (sheets only): they open as they are, gain the
// Kind column with every label a sheet, keep the user's own labels and then take roll and tape
// labels; their damage check and repair read them as sound.

#include "labels/label_database.h"
#include "labels/label_file_repair.h"
#include "tests/labels/label_db_fixture.h"
#include "tests/support/temp_env.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// A labels table as the program made it before labels had a kind, with one label of the
// user's own (ID 5) and one stock sheet (ID 1).
QString MakeSheetsOnlyDatabase(const TempEnv& env) {
    const QString path = QString::fromStdString((env.Root() / "old.dat").string());
    LabelConnectionParams params;
    params.database = path;
    SideConnection side(params);
    EXPECT_TRUE(side.IsOpen()) << side.Error().toStdString();
    side.Exec("CREATE TABLE company (ID INTEGER PRIMARY KEY, Name TEXT NOT NULL)");
    side.Exec("CREATE TABLE labels (ID INTEGER PRIMARY KEY AUTOINCREMENT, CompanyID INTEGER NOT "
              "NULL, LabelName1 TEXT NOT NULL DEFAULT '', LabelName2 TEXT NOT NULL DEFAULT '', "
              "Flag BOOLEAN NOT NULL DEFAULT FALSE, PaperSize INTEGER NOT NULL DEFAULT 0, Width "
              "INTEGER NOT NULL DEFAULT 0, Height INTEGER NOT NULL DEFAULT 0, TopMargin INTEGER "
              "NOT NULL DEFAULT 0, SideMargin INTEGER NOT NULL DEFAULT 0, HorizontalPitch INTEGER "
              "NOT NULL DEFAULT 0, VerticalPitch INTEGER NOT NULL DEFAULT 0, NumberAcross INTEGER "
              "NOT NULL DEFAULT 1, NumberDown INTEGER NOT NULL DEFAULT 1)");
    side.Exec("CREATE INDEX labels_company ON labels (CompanyID)");
    side.Exec("INSERT INTO company VALUES (22, 'Custom Labels'), (23, 'Avery')");
    side.Exec("INSERT INTO labels VALUES (1, 23, '5160', 'Address', 1, 0, 6668, 2540, 1270, 475, "
              "6985, 2540, 3, 10)");
    side.Exec("INSERT INTO labels VALUES (5, 22, 'Mine', 'Jars', 0, 2, 5000, 3000, 1000, 1000, "
              "5500, 3500, 3, 7)");
    return path;
}

} // namespace

TEST(SheetsOnlyLabelDatabase, GainsTheKindAndKeepsTheUsersLabels) {
    TempEnv env;
    const QString path = MakeSheetsOnlyDatabase(env);
    EXPECT_EQ(FindLabelFileDamage(path), std::nullopt) << "an older database is not damaged";
    LabelRecord roll{0, 0, "Roll", "Die-cut", false, {0, 5715, 3175, 0, 0, 5715, 3493, 1, 1, 1}};
    int rollId = 0;
    {
        CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + Quote(path), "/"));
        const std::optional<LabelRecord> mine = db.FindLabel(5);
        ASSERT_TRUE(mine);
        EXPECT_EQ(mine->geometry, (CLabelGeometry{2, 5000, 3000, 1000, 1000, 5500, 3500, 3, 7, 0}));
        rollId = db.InsertLabel(roll).id;
    }
    CLabelDatabase again(ParseLabelConnectionString("Driver=SQLite;DBQ=" + Quote(path), "/"));
    const std::optional<LabelRecord> read = again.FindLabel(rollId);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->geometry, roll.geometry);
    EXPECT_EQ(KindOf(read->geometry), LabelKind::Roll);
    EXPECT_EQ(again.FindLabel(1)->geometry.kind, 0) << "stock sheets stay sheets";
}

TEST(SheetsOnlyLabelDatabase, ItsUsersLabelsAreReadForARepairAsSheets) {
    TempEnv env;
    const QString path = MakeSheetsOnlyDatabase(env);
    const std::vector<std::vector<QVariant>> mine = ReadableUserLabels(path);
    ASSERT_EQ(mine.size(), 1u);
    ASSERT_EQ(mine[0].size(), LabelTableColumns().size());
    EXPECT_EQ(mine[0][0].toInt(), 5);
    EXPECT_EQ(mine[0].back().toInt(), 0) << "the kind of a label from before kinds: a sheet";

    // Carried over into a database of today, the label keeps every value.
    const QString fresh = QString::fromStdString((env.Root() / "new.dat").string());
    QFile::copy(QM_SHIPPED_DATA_DAT, fresh);
    ASSERT_EQ(AddUserLabels(fresh, mine), 1);
    CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + Quote(fresh), "/"));
    std::optional<LabelRecord> kept;
    for (const LabelMaker& m : db.ListMakers())
        if (m.id == CLabelDatabase::kUserCompanyId)
            for (const LabelProduct& p : db.ListProducts(m.bookmark))
                kept = db.ReadLabel(p.bookmark);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->name1, "Mine");
    EXPECT_EQ(kept->geometry, (CLabelGeometry{2, 5000, 3000, 1000, 1000, 5500, 3500, 3, 7, 0}));
}

// A per-user copy made by an earlier version (the program installed, so the user's labels live
// in their copy) gains the shipped stock it lacks, once, and keeps the user's own label.
TEST(SheetsOnlyLabelDatabase, APerUserCopyGainsTheShippedRollsOnce) {
    TempEnv env;
    const QString old = MakeSheetsOnlyDatabase(env);
    const QString program = QString::fromStdString((env.Root() / "program").string());
    const QString user = QString::fromStdString((env.Root() / "user").string());
    ASSERT_TRUE(QDir().mkpath(program) && QDir().mkpath(user));
    ASSERT_TRUE(QFile::copy(QM_SHIPPED_DATA_DAT, program + "/data.dat"));
    ASSERT_TRUE(QFile::rename(old, user + "/data.dat"));
    const auto zebraRolls = [&] {
        const QString copy = LocateDefaultLabelDatabase(program, user, false);
        EXPECT_EQ(copy, user + "/data.dat");
        CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + Quote(copy), "/"));
        EXPECT_EQ(db.FindLabel(5)->name1, "Mine") << "the user's own label keeps its ID";
        std::vector<LabelRecord> rolls;
        for (const LabelMaker& m : db.ListMakers())
            if (m.name == "Zebra")
                for (const LabelProduct& p : db.ListProducts(m.bookmark))
                    rolls.push_back(db.ReadLabel(p.bookmark));
        return rolls;
    };
    const std::vector<LabelRecord> rolls = zebraRolls();
    ASSERT_EQ(rolls.size(), 6u);
    EXPECT_TRUE(rolls[4].stock);
    EXPECT_EQ(rolls[4].name1, "800262-125");
    EXPECT_EQ(rolls[4].geometry, (CLabelGeometry{0, 5715, 3175, 0, 0, 5715, 3493, 1, 1, 1}));
    EXPECT_EQ(zebraRolls().size(), 6u) << "added once";
}
