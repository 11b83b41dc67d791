// A damaged per-user copy of the label database: kept under a new name, replaced by a fresh copy
// holding the user's own labels that can still be read from it, and the user told so.

#include "labels/label_database.h"
#include "labels/print_label_dialog.h"
#include "tests/labels/label_db_fixture.h"
#include "tests/labels/labels_test_support.h"
#include "tests/support/temp_env.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPrinter>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QString Name(int i) {
    return QStringLiteral("Mine %1").arg(i, 3, 10, QLatin1Char('0'));
}

// The user's own labels of a database: name and width.
std::vector<std::pair<QString, int>> UserLabels(const QString& path) {
    CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + Quote(path), "/"));
    std::vector<std::pair<QString, int>> labels;
    for (const LabelMaker& maker : db.ListMakers())
        if (maker.id == CLabelDatabase::kUserCompanyId)
            for (const LabelProduct& product : db.ListProducts(maker.bookmark)) {
                const LabelRecord r = db.ReadLabel(product.bookmark);
                labels.push_back({r.name1, r.geometry.width});
            }
    return labels;
}

int LabelCount(const QString& path) {
    CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + Quote(path), "/"));
    return db.Labels().RecordCount();
}

// The program's folder with the shipped database, and a per-user copy of it in which the user
// saved kMine labels of their own, "Mine 001" to "Mine 040", each 1000 + i wide and with a long
// description, so that they fill several pages of the file.
class DamagedCopyTest : public ::testing::Test {
protected:
    static constexpr int kMine = 40;

    void SetUp() override {
        program = QString::fromStdString((env.Root() / "bin").string());
        ASSERT_TRUE(QDir().mkpath(program));
        ASSERT_TRUE(QFile::copy(QM_SHIPPED_DATA_DAT, program + "/data.dat"));
        ASSERT_EQ(LocateDefaultLabelDatabase(program, UserLabelDataDir(), false), Copy());
        {
            CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=data.dat", User()));
            for (int i = 1; i <= kMine; ++i) {
                LabelRecord r;
                r.name1 = Name(i);
                r.name2 = QStringLiteral("Notes on label %1 ").arg(i).leftJustified(400, u'.');
                r.geometry = {2, 1000 + i, 2540, 1270, 400, 10630, 2540, 2, 10};
                db.InsertLabel(r);
            }
        }
        // Rewritten whole, so that each label's row is stored once, in one page of the file.
        SideConnection side(ParseLabelConnectionString("Driver=SQLite;DBQ=data.dat", User()));
        ASSERT_TRUE(side.IsOpen());
        side.Exec("VACUUM");
        sound = ReadAll(Copy());
        pageSize =
            (static_cast<unsigned char>(sound[16]) << 8) | static_cast<unsigned char>(sound[17]);
        ASSERT_GE(pageSize, 512);
    }

    QString User() const { return UserLabelDataDir(); }
    QString Copy() const { return User() + "/data.dat"; }

    // The page of the sound copy that holds a label's row.
    int PageOf(const QString& name) const {
        const QByteArray text = name.toUtf8();
        const qsizetype at = sound.indexOf(text);
        EXPECT_GE(at, 0) << name.toStdString();
        EXPECT_EQ(sound.indexOf(text, at + 1), -1) << name.toStdString() << " is stored once";
        return static_cast<int>(at / pageSize);
    }

    // Labels "Mine i" with `keep(page of the label)`.
    std::vector<std::pair<QString, int>> Mine(const std::function<bool(int)>& keep) const {
        std::vector<std::pair<QString, int>> labels;
        for (int i = 1; i <= kMine; ++i)
            if (keep(PageOf(Name(i)))) labels.push_back({Name(i), 1000 + i});
        return labels;
    }

    TempEnv env;
    QString program;
    QByteArray sound;
    int pageSize = 0;
};

TEST_F(DamagedCopyTest, IsKeptAndReplacedByAFreshCopyWithTheLabelsThatCanBeRead) {
    const int stock = LabelCount(program + "/data.dat");
    const int page = PageOf(Name(20));
    const struct {
        const char* what;
        QByteArray damaged;
        std::vector<std::pair<QString, int>> kept;
        bool some; // the damage spares some of the user's labels and not others
    } cases[] = {
        {"a page of the user's labels overwritten",
         QByteArray(sound).replace(page * pageSize, pageSize, QByteArray(pageSize, '\xa5')),
         Mine([page](int p) { return p != page; }), true},
        {"cut off after the page of Mine 020", sound.left((page + 1) * pageSize),
         Mine([page](int p) { return p <= page; }), true},
        {"its first page overwritten",
         QByteArray(pageSize, '\xa5') + sound.mid(pageSize),
         {},
         false},
        {"emptied", QByteArray(), {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.some) {
            EXPECT_GT(c.kept.size(), 0u);
            EXPECT_LT(c.kept.size(), static_cast<std::size_t>(kMine));
        }
        for (const QString& f : QDir(User()).entryList({"data.dat*"}, QDir::Files))
            ASSERT_TRUE(QFile::remove(User() + "/" + f));
        WriteAll(Copy(), c.damaged);

        std::optional<LabelCopyRepair> repaired;
        EXPECT_EQ(LocateDefaultLabelDatabase(program, User(), false, &repaired), Copy());
        ASSERT_TRUE(repaired);
        EXPECT_EQ(repaired->copy, Copy());
        EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(Copy()) +
                                       R"(\.damaged-\d{8}-\d{6}$)")
                        .match(repaired->damaged)
                        .hasMatch())
            << repaired->damaged.toStdString();
        EXPECT_EQ(ReadAll(repaired->damaged), c.damaged) << "the damaged file is kept as it was";
        EXPECT_EQ(repaired->labelsKept, static_cast<int>(c.kept.size()));
        EXPECT_EQ(UserLabels(Copy()), c.kept);
        EXPECT_EQ(LabelCount(Copy()), stock + static_cast<int>(c.kept.size()));
        EXPECT_EQ(QDir(User()).entryList({"data.dat*"}, QDir::Files),
                  QStringList({"data.dat", QFileInfo(repaired->damaged).fileName()}))
            << "nothing else is left beside them";

        // The fresh copy is sound: it is opened from now on as it is.
        repaired.reset();
        EXPECT_EQ(LocateDefaultLabelDatabase(program, User(), false, &repaired), Copy());
        EXPECT_FALSE(repaired);
    }
}

TEST_F(DamagedCopyTest, AnEarlierDamagedFileIsNeverOverwritten) {
    // Files under the names of this second and the next two, as if the copy had been damaged and
    // replaced a moment ago.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList earlier;
    for (int s = 0; s < 3; ++s) {
        earlier << Copy() + ".damaged-" + now.addSecs(s).toString("yyyyMMdd-HHmmss");
        WriteAll(earlier.back(), "earlier");
    }
    WriteAll(Copy(), sound.left(3 * pageSize));
    std::optional<LabelCopyRepair> repaired;
    LocateDefaultLabelDatabase(program, User(), false, &repaired);
    ASSERT_TRUE(repaired);
    EXPECT_TRUE(earlier.contains(repaired->damaged.chopped(2))) << repaired->damaged.toStdString();
    EXPECT_TRUE(repaired->damaged.endsWith("-2"));
    EXPECT_EQ(ReadAll(repaired->damaged), sound.left(3 * pageSize));
    for (const QString& f : earlier)
        EXPECT_EQ(ReadAll(f), "earlier");
}

TEST_F(DamagedCopyTest, AShippedDatabaseThatIsMissingOrDamagedIsNamedAndNothingChanges) {
    const QByteArray damaged = sound.left(3 * pageSize);
    const QString shipped = program + "/data.dat";
    const QByteArray shippedBytes = ReadAll(shipped);
    const struct {
        const char* what;
        std::function<void()> spoil;
        const char* says;
    } cases[] = {
        {"missing", [&] { QFile::remove(shipped); }, "does not exist."},
        {"damaged", [&] { WriteAll(shipped, shippedBytes.left(3 * pageSize)); },
         "is damaged as well (database disk image is malformed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(Copy(), damaged);
        c.spoil();
        try {
            LocateDefaultLabelDatabase(program, User(), false);
            ADD_FAILURE() << "no failure";
        } catch (const CLabelDbError& e) {
            const QString expected =
                "The label database \"" + Copy() +
                "\" is damaged (database disk image is malformed), and the label database \"" +
                shipped + "\" it would be copied from again ";
            EXPECT_TRUE(e.Description().startsWith(expected + c.says))
                << e.Description().toStdString();
        }
        EXPECT_EQ(ReadAll(Copy()), damaged) << "the user's copy is left as it was";
        EXPECT_EQ(QDir(User()).entryList({"data.dat*"}, QDir::Files), QStringList({"data.dat"}));
        WriteAll(shipped, shippedBytes);
    }

    // Nothing is copied from a damaged database on first use either.
    QFile::remove(Copy());
    WriteAll(shipped, shippedBytes.left(3 * pageSize));
    try {
        LocateDefaultLabelDatabase(program, User(), false);
        ADD_FAILURE() << "no failure";
    } catch (const CLabelDbError& e) {
        EXPECT_EQ(e.Description(), "The label database \"" + shipped +
                                       "\" is damaged: database disk image is malformed");
    }
    EXPECT_FALSE(QFile::exists(Copy()));
}

TEST_F(DamagedCopyTest, ACopyThatIsBusyIsNotTakenForDamaged) {
    // Another program writes to the copy and holds it longer than the wait for it.
    SideConnection other(ParseLabelConnectionString("Driver=SQLite;DBQ=data.dat", User()));
    ASSERT_TRUE(other.IsOpen());
    other.Exec("BEGIN EXCLUSIVE");
    std::optional<LabelCopyRepair> repaired;
    EXPECT_EQ(LocateDefaultLabelDatabase(program, User(), false, &repaired), Copy());
    EXPECT_FALSE(repaired);
    other.Exec("ROLLBACK");
    EXPECT_EQ(ReadAll(Copy()), sound);
    EXPECT_EQ(QDir(User()).entryList({"data.dat*"}, QDir::Files), QStringList({"data.dat"}));
}

TEST_F(DamagedCopyTest, ThePrintDialogSaysWhatHappenedAndOpens) {
    const int page = PageOf(Name(20));
    WriteAll(Copy(),
             QByteArray(sound).replace(page * pageSize, pageSize, QByteArray(pageSize, '\xa5')));
    QPrinter printer;
    CBWPrintLabelDialog d(&printer);
    d.SetPrinters({{"Office"}, "Office"});
    std::optional<LabelCopyRepair> seen;
    d.SetDatabaseLocator([&](std::optional<LabelCopyRepair>* repaired) {
        LabelConnectionParams params;
        params.database = LocateDefaultLabelDatabase(program, User(), false, repaired);
        seen = *repaired;
        return params;
    });
    MessageCatcher messages;
    ASSERT_TRUE(d.OnInitDialog());
    ASSERT_TRUE(seen);
    EXPECT_EQ(messages.texts, QStringList({LabelCopyRepairMessage(*seen)}));
    EXPECT_TRUE(messages.texts[0].contains(Copy()));
    EXPECT_TRUE(messages.texts[0].contains(seen->damaged));
    EXPECT_TRUE(messages.texts[0].contains(QString::number(seen->labelsKept) + " labels"));
    d.MakerList().setCurrentIndex(0);
    EXPECT_EQ(d.ProductList().count(), seen->labelsKept) << "the labels that were kept";

    // Without a database to copy from, the failure names both files.
    WriteAll(Copy(), sound.left(3 * pageSize));
    QFile::remove(program + "/data.dat");
    CBWPrintLabelDialog e(&printer);
    e.SetDatabaseLocator([&](std::optional<LabelCopyRepair>* repaired) {
        LabelConnectionParams params;
        params.database = LocateDefaultLabelDatabase(program, User(), false, repaired);
        return params;
    });
    EXPECT_FALSE(e.OnInitDialog());
    ASSERT_EQ(messages.texts.size(), 2);
    EXPECT_TRUE(messages.texts[1].contains("\"" + Copy() + "\" is damaged"));
    EXPECT_TRUE(messages.texts[1].contains("\"" + program + "/data.dat\""));
}

TEST(LabelCopyRepair, MessageNamesBothFilesAndCountsTheLabels) {
    const struct {
        int kept;
        const char* says;
    } cases[] = {
        {0, "None of your own labels could be read from it."},
        {1, "1 label of your own could be read from it and is in the new copy."},
        {12, "12 labels of your own could be read from it and are in the new copy."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            LabelCopyRepairMessage({"/home/u/data.dat", "/home/u/data.dat.damaged-1", c.kept}),
            QStringLiteral("Your copy of the label database, \"/home/u/data.dat\", was "
                           "damaged. It has been kept as \"/home/u/data.dat.damaged-1\", and "
                           "a fresh copy of the label database has taken its place. ") +
                c.says);
}

} // namespace
