// The print and run paths held to the export path's standard, through the program as a user runs
// it: a full disk, a killed run, data from a pipe, a FIFO or UTF-16 files, a batch that cannot be
// made whole, hostile data echoed to the terminal, and folders where files were meant.

#include "common/atomic_file.h"
#include "shell/app.h"
#include "tests/support/dialog_script.h"
#include "tests/support/image_scan.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/small_disk.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Finished {
    int status = -1; // -1: killed, or still running when its time was up
    std::string errors;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The hidden files of a folder: what a writer would leave there.
std::vector<std::string> HiddenFiles(const fs::path& folder) {
    std::vector<std::string> hidden;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().starts_with('.')) hidden.push_back(e.path().filename());
    return hidden;
}

class RobustRunTest : public SettingsTest {
protected:
    void SetUp() override {
        doc = Path("doc.qmx");
        ASSERT_EQ(Run({"--export", doc, "--symbology", "Code 128"}).status, 0);
    }

    QString Path(const std::string& name) const {
        return QString::fromStdString((env.Root() / name).string());
    }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(env.Root() / name, std::ios::binary) << bytes;
    }

    // The program as a user starts it, `input` on its standard input; killed after `seconds`.
    Finished Run(const QStringList& args, const QByteArray& input = {}, int seconds = 120) const {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("PAPERSIZE"), QStringLiteral("letter"));
        e.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(QM_QUILLMARK_EXE), args);
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(seconds * 1000)) p.kill(), p.waitForFinished();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardError().toStdString()};
    }

    // The text a PDF's pages show (the symbols' human-readable lines), a page a line.
    static std::string PdfText(const QString& pdf) {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {"-layout", pdf, "-"});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).simplified().toStdString();
    }

    QString doc;
};

} // namespace

// A PDF printed onto a full disk says so and leaves the earlier file as it was, with some room
// left or none; a metafile says why it was not written.
TEST_F(RobustRunTest, OnAFullDiskNothingIsSaidToBeWrittenAndNothingIsLost) {
    SmallDisk disk(env.Root() / "disk", 256);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
    const QString pdf = QString::fromStdString((disk.Root() / "p.pdf").string());
    ASSERT_EQ(Run({"--pdf", pdf, doc, "--count", "1"}).status, 0);
    const std::string before = ReadFile(disk.Root() / "p.pdf");
    ASSERT_TRUE(before.ends_with("%%EOF\n")) << before.size();
    for (const std::size_t left : {std::size_t{0}, std::size_t{8192}}) {
        disk.Fill(left);
        const Finished done = Run({"--pdf", pdf, doc, "--numbered", "1:500"});
        EXPECT_EQ(done.status, 1) << left << " bytes left";
        EXPECT_EQ(done.errors, "quillmark: Disk full while accessing " + pdf.toStdString() + ".\n");
        EXPECT_EQ(ReadFile(disk.Root() / "p.pdf"), before) << left << " bytes left";
        EXPECT_TRUE(HiddenFiles(disk.Root()).empty()) << "a scratch file stays";
        disk.Empty();
    }
    disk.Fill();
    for (const char* name : {"v.emf", "v.wmf"}) {
        const std::string path = (disk.Root() / name).string();
        const Finished done = Run({"--export", QString::fromStdString(path)});
        EXPECT_EQ(done.status, 1);
        EXPECT_EQ(done.errors, "quillmark: Unable to create Windows Metafile. Disk full while "
                               "accessing " +
                                   path + ".\n");
    }
}

// A --pdf run killed midway leaves at most a file of the program's temporary naming, which the
// next write into the folder removes once it is stale.
TEST_F(RobustRunTest, AKilledPdfRunLeavesNothingThatStays) {
    fs::create_directory(env.Root() / "out");
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(QM_QUILLMARK_EXE),
            {"--pdf", Path("out/run.pdf"), doc, "--numbered", "1:200000"});
    ASSERT_TRUE(p.waitForStarted());
    // Killed once the PDF is being written.
    for (int i = 0; i < 6000 && HiddenFiles(env.Root() / "out").empty(); ++i)
        QTest::qWait(5);
    QTest::qWait(300);
    p.kill();
    p.waitForFinished();
    const std::vector<std::string> left = HiddenFiles(env.Root() / "out");
    ASSERT_FALSE(left.empty()) << "the run ended before it was killed";
    for (const std::string& name : left) {
        EXPECT_TRUE(IsTemporaryName(name)) << name;
        // As if it had been left there long ago.
        const fs::path path = env.Root() / "out" / name;
        fs::last_write_time(path, fs::last_write_time(path) - std::chrono::minutes(5));
    }
    ASSERT_EQ(Run({"--pdf", Path("out/next.pdf"), doc, "--count", "1"}).status, 0);
    EXPECT_TRUE(HiddenFiles(env.Root() / "out").empty());
}

// A data file read from a pipe, from standard input as "-", or from a FIFO makes every label, in
// the export form and in the print form.
TEST_F(RobustRunTest, DataFromAPipeAFifoOrStandardInputMakesEveryLabel) {
    const QStringList batch = {
        "--export", Path("out/{n}-{data}.png"), "--symbology", "Code 128", "--dpi", "200"};
    const auto made = [this] {
        const QStringList names = QDir(Path("out")).entryList(QDir::Files, QDir::Name);
        std::string read;
        for (const QString& name : names)
            read += name.toStdString() + ":" +
                    ScanImage(QImage(Path("out/" + name.toStdString()))).text + " ";
        QDir(Path("out")).removeRecursively();
        return read;
    };
    for (const char* source : {"-", "/dev/stdin"}) {
        QDir().mkpath(Path("out"));
        const Finished done = Run(batch + QStringList{"--data-file", source}, "A1\nB2\n");
        EXPECT_EQ(done.status, 0) << source << ": " << done.errors;
        EXPECT_EQ(made(), "1-A1.png:A1 2-B2.png:B2 ") << source;
    }
    // A FIFO, written once by another process: the program waits for it and reads it once.
    const std::string fifo = (env.Root() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto feed = [&fifo](const char* rows) {
        return std::thread([&fifo, rows] {
            const int fd = ::open(fifo.c_str(), O_WRONLY);
            if (fd < 0) return;
            [[maybe_unused]] const ssize_t n = ::write(fd, rows, std::strlen(rows));
            ::close(fd);
        });
    };
    QDir().mkpath(Path("out"));
    std::thread writer = feed("F1\nF2\nF3\n");
    Finished done = Run(batch + QStringList{"--data-file", QString::fromStdString(fifo)}, {}, 30);
    if (done.status == -1) ::close(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK));
    writer.join();
    EXPECT_EQ(done.status, 0) << done.errors;
    EXPECT_EQ(made(), "1-F1.png:F1 2-F2.png:F2 3-F3.png:F3 ");

    // The print form checks the run, then prints it, from the one reading.
    done = Run({"--pdf", Path("p.pdf"), doc, "--data-file", "-"}, "P1\nP2\nP3\n");
    EXPECT_EQ(done.status, 0) << done.errors;
    EXPECT_EQ(done.errors, "");
    EXPECT_EQ(PdfText(Path("p.pdf")), "P1 P2 P3");
}

// UTF-16 with its byte-order mark is read in either byte order; without one it is refused.
TEST_F(RobustRunTest, Utf16DataFilesAreReadWithTheirMarkAndRefusedWithout) {
    // "Code;Qty\r\nA-1;2\r\nB-2;1\r\n" in UTF-16.
    const std::string text = "Code;Qty\r\nA-1;2\r\nB-2;1\r\n";
    const auto utf16 = [&text](bool little, bool mark) {
        std::string out = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
        for (char c : text)
            out += little ? std::string{c, '\0'} : std::string{'\0', c};
        return out;
    };
    const struct {
        bool little, mark;
        const char* errors;
        const char* printed;
    } cases[] = {
        {true, true, "", "A-1 A-1 B-2"},
        {false, true, "", "A-1 A-1 B-2"},
        {true, false, "UTF-16 text without a byte-order mark", ""},
        {false, false, "UTF-16 text without a byte-order mark", ""},
    };
    for (const auto& c : cases) {
        Write("utf16.csv", utf16(c.little, c.mark));
        QFile::remove(Path("p.pdf"));
        const Finished done = Run({"--pdf", Path("p.pdf"), doc, "--data-file", Path("utf16.csv"),
                                   "--header", "--column", "code", "--copies-column", "qty"});
        SCOPED_TRACE(testing::Message() << "little " << c.little << ", mark " << c.mark);
        EXPECT_EQ(done.status, *c.printed ? 0 : 1) << done.errors;
        EXPECT_NE(done.errors.find(c.errors), std::string::npos) << done.errors;
        EXPECT_EQ(QFile::exists(Path("p.pdf")) ? PdfText(Path("p.pdf")) : "", c.printed);
    }
}

// A batch with a label that cannot be made at all, or a file name no folder can hold, writes
// nothing: both are found before the first file.
TEST_F(RobustRunTest, ABatchThatCannotBeMadeWholeWritesNothing) {
    const std::string digits(8000, '7');
    const struct {
        const char* symbology;
        std::string rows;
        const char* pattern;
        std::string says;
    } cases[] = {
        {"QR Code", "123\n456\n" + digits + "\n789\n", "{n}.png",
         "quillmark: line 3 \"" + digits.substr(0, 100) +
             "...\" cannot be made: the data is too long for a QR Code at error-correction level "
             "M or any lower level; nothing was written\n"},
        {"GS1-128", "(01)09501101530003\nhello\n(01)09501101530010\n", "{n}.png",
         "quillmark: line 2 \"hello\" cannot be made: GS1-128 data is written as application "
         "identifiers in parentheses"},
        {"Code 128", "short\n" + std::string(200, 'b') + "\n", "{data}{data}{data}.png",
         "a name longer than the 255 bytes a file name may have; nothing was written\n"},
    };
    for (const auto& c : cases) {
        Write("rows.txt", c.rows);
        QDir().mkpath(Path("out"));
        const Finished done = Run({"--export", Path("out/") + c.pattern, "--symbology", c.symbology,
                                   "--data-file", Path("rows.txt")});
        EXPECT_EQ(done.status, 1) << c.symbology;
        EXPECT_NE(done.errors.find(c.says), std::string::npos) << done.errors.substr(0, 600);
        EXPECT_TRUE(
            QDir(Path("out")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            << c.symbology;
    }
    // A document copy holds data that draws nothing as it is: that batch is made.
    Write("rows.txt", "123\n" + digits + "\n");
    EXPECT_EQ(Run({"--export", Path("out/{n}.qmx"), "--symbology", "QR Code", "--data-file",
                   Path("rows.txt")})
                  .status,
              0);
    EXPECT_EQ(QDir(Path("out")).entryList(QDir::Files).size(), 2);
}

// Data echoed in the run's problem lines and in the list of header names reaches the terminal
// with its control bytes escaped and its length cut.
TEST_F(RobustRunTest, EchoedDataCannotCommandTheTerminalOrFloodIt) {
    Write("hostile.txt", "esc\x1B]0;owned\x07\x1B[2J\n" + std::string(10'000'000, 'Z') + "z\n");
    std::string names;
    while (names.size() < 12'900'000)
        names += "column" + std::to_string(names.size()) + ",";
    Write("header.csv", names + "\n1,2\n");
    fs::create_directory(env.Root() / "out");
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--data-file", Path("hostile.txt"), "--separator", "line", "--symbology", "Code 39"},
         "line 1 \"esc\\x1B]0;owned\\x07\\x1B[2J\": "},
        {{"--data-file", Path("header.csv"), "--header", "--column", "part\x1B[2J"},
         "the header line names no column \"part\\x1B[2J\" (it has \"column0\", "},
    };
    for (const auto& c : cases) {
        const Finished done =
            Run(QStringList{"--export", Path("out/{n}.png"), "--strict"} + c.args);
        EXPECT_EQ(done.status, 1);
        EXPECT_NE(done.errors.find(c.says), std::string::npos) << done.errors.substr(0, 600);
        EXPECT_EQ(done.errors.find('\x1B'), std::string::npos) << done.errors.substr(0, 600);
        EXPECT_LT(done.errors.size(), 2000u);
    }
}

// A folder named where a file was meant is said to be a folder.
TEST_F(RobustRunTest, AFolderWhereAFileWasMeantIsSaidToBeOne) {
    fs::create_directory(env.Root() / "folder.png");
    fs::create_directory(env.Root() / "folder.pdf");
    fs::create_directory(env.Root() / "folder.csv");
    const struct {
        QStringList args;
        std::string says;
    } cases[] = {
        {{"--export", Path("folder.png")}, Path("folder.png").toStdString() + " is a folder."},
        {{"--pdf", Path("folder.pdf"), doc, "--count", "1"},
         Path("folder.pdf").toStdString() + " is a folder."},
        {{"--export", Path("{n}.png"), "--data-file", Path("folder.csv")},
         "the data file \"" + Path("folder.csv").toStdString() + "\" is a folder"},
    };
    for (const auto& c : cases) {
        const Finished done = Run(c.args);
        EXPECT_EQ(done.status, 1);
        EXPECT_NE(done.errors.find(c.says), std::string::npos) << done.errors;
    }
}

// Copies that add up past a run's limit are refused before any label is looked at, with the
// total they make.
TEST_F(RobustRunTest, CopiesPastTheLimitAreRefusedAtOnceWithTheirTotal) {
    Write("copies.csv", "A,600000\nB,600000\n");
    const Finished done = Run(
        {"--pdf", Path("p.pdf"), doc, "--data-file", Path("copies.csv"), "--copies-column", "2"},
        {}, 10);
    EXPECT_EQ(done.status, 1);
    EXPECT_EQ(done.errors, "quillmark: nothing was printed: a run prints at most 1,000,000 "
                           "labels, not 1,200,000\n");
}

// Settings that cannot be saved on a full disk are said in the window once, with the cause, not
// at every write.
TEST(SettingsOnAFullDisk, TheWindowSaysSoOnce) {
    TempEnv env;
    SmallDisk disk(env.ConfigHome(), 64);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
    ASSERT_TRUE(SettingsStore().WriteInt("Options", "Density", 11));
    DialogScript dialogs;
    CQuillmarkApp app;
    app.CreateMainWindow();
    ASSERT_TRUE(app.OnFileNew());
    disk.Fill();
    for (int density = 12; density < 15; ++density)
        EXPECT_FALSE(SettingsStore().WriteInt("Options", "Density", density));
    QApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(
        dialogs.messages[0],
        QString::fromStdString("Your settings could not be saved: Disk full while accessing " +
                               env.SettingsFile().string() +
                               ". Settings changed from now on may be lost when Quillmark "
                               "ends."));
}
