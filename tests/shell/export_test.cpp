#include "common/settings_store.h"
#include "output/raster.h"
#include "shell/app.h"
#include "shell/command_ids.h"
#include "shell/file_dialog.h"
#include "shell/main_frame.h"
#include "shell/quillmark_view.h"
#include "tests/support/dialog_script.h"
#include "tests/support/image_scan.h"
#include "tests/support/run_command.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/zpl_decode.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

std::string Decode(const QImage& image) {
    const ScanResult r = ScanImage(image);
    return r.ok ? r.text : std::string("<nothing>");
}

QByteArray Head(const QString& path, int n) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

} // namespace

class ExportTest : public SettingsTest {
protected:
    void SetUp() override {
        app.CreateMainWindow();
        ASSERT_TRUE(app.OnFileNew());
        view = app.GetMainFrame()->GetActiveView();
        dir = QString::fromStdString(env.Root().string());
    }
    QString Path(const QString& name) const { return dir + '/' + name; }
    DialogScript dialogs;
    CQuillmarkApp app;
    CQuillmarkView* view = nullptr;
    QString dir;
};

TEST_F(ExportTest, RasterExportIsTheSymbolAtTheChosenResolution) {
    SettingsStore().WriteInt("Options", "CopyResolution", 300);
    for (int rotation : {0, 1}) {
        view->m_nRotation = rotation;
        const QString png = Path(QString("r%1.png").arg(rotation));
        ASSERT_TRUE(view->ExportToFile(png));
        const QImage img(png);
        ASSERT_FALSE(img.isNull());
        const CBarcode& bc = *app.GetDocument().m_pBarcode;
        const CImagePlan plan = PlanSymbolImage(MeasureSymbolAt(bc, 300, {rotation, true}),
                                                bc.GetQuietZones().cx, rotation, 300);
        EXPECT_EQ(img.size(), QSize(static_cast<int>(plan.width), static_cast<int>(plan.height)));
        EXPECT_EQ(qRound(img.dotsPerMeterX() * 0.0254), 300);
        EXPECT_EQ(Decode(img), "HALVERN") << rotation;
    }
}

// The window's ZPL export: the label alone at 203 dpi on plain paper, and a page of the roll
// label's size when the Print dialog last chose a roll, both read back.
TEST_F(ExportTest, ZplIsTheLabelAtALabelPrintersDots) {
    const auto exported = [this](const QString& name) {
        EXPECT_TRUE(view->ExportToFile(Path(name)));
        QFile f(Path(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        const ZplDocument doc = DecodeZpl(f.readAll().toStdString());
        EXPECT_EQ(doc.error, "");
        return doc.labels.size() == 1 ? doc.labels[0] : ZplLabel{};
    };
    const auto reads = [](const ZplLabel& l) {
        return ScanGrey(l.grey.data(), l.width, l.height, l.width).text;
    };
    SettingsStore().WriteInt("Options", "CopyResolution", 96); // no label printer's
    const ZplLabel alone = exported("alone.zpl");
    EXPECT_EQ(reads(alone), "HALVERN");
    const CBarcode& bc = *app.GetDocument().m_pBarcode;
    const CImagePlan plan =
        PlanSymbolImage(MeasureSymbolAt(bc, 203, {0, true}), bc.GetQuietZones().cx, 0, 203);
    EXPECT_EQ(alone.width, plan.width) << "at 203 dpi";

    SettingsStore s;
    for (const auto& [key, value] :
         {std::pair{"Uselabel", 1}, {"LabelKind", 1}, {"LabelWidth", 10160}, {"LabelHeight", 5080}})
        ASSERT_TRUE(s.WriteInt("Print", key, value));
    SettingsStore().WriteInt("Options", "CopyResolution", 300);
    const ZplLabel roll = exported("roll.zpl");
    EXPECT_EQ(QSize(roll.width, roll.height), QSize(1200, 600)) << "4 x 2 in at 300 dpi";
    EXPECT_EQ(reads(roll), "HALVERN");
}

TEST_F(ExportTest, TheExtensionChoosesTheFormat) {
    const struct {
        const char* name;
        QByteArray magic;
    } cases[] = {
        {"a.png", "\x89PNG"},
        {"a.JPG", "\xFF\xD8"},
        {"a.Jpg", "\xFF\xD8"},
        {"a.gif", "GIF8"},
        {"a.bmp", "BM"},
        {"a.tif", "II*"},
        {"a.pcx", "\x0A"},
        // The long spellings are the same formats; a name without a known one gets a BMP.
        {"a.jpeg", "\xFF\xD8"},
        {"a.tiff", "II*"},
        {"noextension", "BM"},
        {"a.ps", "BM"},
        {"a.eps", "%!PS-Adobe-3.0 EPSF-3.0"},
        {"a.wmf", QByteArray("\x01\0\0\0", 4)},
        {"a.EMF", QByteArray("\x01\0\0\0", 4)},
        {"a.svg", "<?xml"},
        {"a.pdf", "%PDF"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(view->ExportToFile(Path(c.name))) << c.name;
        EXPECT_EQ(Head(Path(c.name), c.magic.size()), c.magic) << c.name;
    }
    EXPECT_EQ(Head(Path("a.wmf"), 44).mid(40, 4), QByteArray(" EMF"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ExportTest, QmxWritesADocumentCopyAndKeepsTheDocumentsName) {
    app.GetDocument().SetModifiedFlag(true);
    ASSERT_TRUE(view->ExportToFile(Path("copy.QMX")));
    EXPECT_EQ(Head(Path("copy.QMX"), 16).mid(6), QByteArray("C39Barcode"));
    EXPECT_EQ(app.GetDocument().GetTitle(), "Untitled");
    EXPECT_TRUE(app.GetDocument().GetPathName().isEmpty());
    EXPECT_FALSE(app.GetDocument().IsModified());
}

TEST_F(ExportTest, AFailedExportIsReportedAndLeavesNoFile) {
    EXPECT_FALSE(view->ExportToFile(Path("missing/a.png")));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], Path("missing/a.png") + " was not found.");
    QDir().mkdir(Path("taken.png"));
    EXPECT_FALSE(view->ExportToFile(Path("taken.png")));
    EXPECT_EQ(dialogs.messages.back(), Path("taken.png") + " is a folder.");
    // A metafile that cannot be written names its cause as every other format does.
    EXPECT_FALSE(view->ExportToFile(Path("missing/a.wmf")));
    EXPECT_EQ(dialogs.messages.back(),
              "Unable to create Windows Metafile. " + Path("missing/a.wmf") + " was not found.");
    EXPECT_FALSE(view->ExportToFile(Path("missing/a.emf")));
    EXPECT_EQ(dialogs.messages.back(),
              "Unable to create Windows Metafile. " + Path("missing/a.emf") + " was not found.");
}

TEST_F(ExportTest, ExportCommandUsesTheDialogWithTheExportFilters) {
    dialogs.files.push_back(Path("dialog.bmp"));
    app.GetMainFrame()->RouteCommand(cmd::kFileExport);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_FALSE(dialogs.requests[0].open);
    EXPECT_EQ(dialogs.requests[0].defaultSuffix, "wmf");
    EXPECT_EQ(dialogs.requests[0].filters.size(), 11);
    EXPECT_EQ(dialogs.requests[0].filters.front(), "Windows MetaFile (*.wmf *.emf)");
    EXPECT_EQ(dialogs.requests[0].filters[6], "JPEG Files (*.jpg)");
    EXPECT_EQ(dialogs.requests[0].filters[8], "EPS Pictures (*.eps)");
    EXPECT_EQ(dialogs.requests[0].filters[9], "PDF Documents (*.pdf)");
    EXPECT_EQ(dialogs.requests[0].filters.back(), "ZPL Label Printer Files (*.zpl)");
    EXPECT_TRUE(QFile::exists(Path("dialog.bmp")));
    // Save As is taken as export too; cancelling writes nothing.
    app.GetMainFrame()->RouteCommand(cmd::kFileSaveAs);
    EXPECT_EQ(dialogs.requests.size(), 2u);
}

// Each kind of file dialog opens in the folder a file of its kind was last chosen in, also in a
// later run of the program: documents, exports and data files each their own.
TEST_F(ExportTest, FileDialogsOpenWhereTheirKindWasLastChosen) {
    QDir().mkpath(Path("exports"));
    QDir().mkpath(Path("documents"));
    dialogs.files = {Path("exports/a.png"), Path("documents/d.qmx"), Path("exports/b.png")};
    app.GetMainFrame()->RouteCommand(cmd::kFileExport);
    app.GetDocument().SetModifiedFlag(false);
    app.GetMainFrame()->RouteCommand(cmd::kFileSave); // a new document asks for its name
    app.GetMainFrame()->RouteCommand(cmd::kFileExport);
    app.GetMainFrame()->RouteCommand(cmd::kFileOpen); // cancelled
    ASSERT_EQ(dialogs.requests.size(), 4u);
    EXPECT_EQ(dialogs.requests[0].folder.toStdString(), ""); // nothing chosen yet: the default
    EXPECT_EQ(dialogs.requests[1].folder.toStdString(), "");
    EXPECT_EQ(dialogs.requests[2].folder.toStdString(), Path("exports").toStdString());
    EXPECT_EQ(dialogs.requests[3].folder.toStdString(), Path("documents").toStdString());
    EXPECT_EQ(QString::fromStdString(SettingsStore().GetString("Settings", "ExportFolder", "")),
              Path("exports"));
}

// The dialog says what X the images will have at the export resolution, and an export whose
// resolution cannot draw the module well says so in the status bar.
TEST_F(ExportTest, TheDialogAndTheStatusBarSayWhatTheModuleBecomes) {
    SettingsStore().WriteInt("Options", "Density", 10);
    SettingsStore().WriteInt("Options", "CopyResolution", 203);
    dialogs.files.push_back(Path("at203.png"));
    app.GetMainFrame()->RouteCommand(cmd::kFileExport);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_TRUE(dialogs.requests[0].note.contains("X = 9.85 mil at 203 dpi"))
        << dialogs.requests[0].note.toStdString();
    EXPECT_EQ(app.GetMainFrame()->MessagePaneText(), "Ready");
    EXPECT_TRUE(view->ModuleReadout().contains("Images: X = 9.85 mil at 203 dpi"))
        << view->ModuleReadout().toStdString();

    SettingsStore().WriteInt("Options", "CopyResolution", 40);
    dialogs.files.push_back(Path("at40.png"));
    app.GetMainFrame()->RouteCommand(cmd::kFileExport);
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_TRUE(dialogs.requests[1].note.contains("less than one dot"));
    EXPECT_TRUE(app.GetMainFrame()->MessagePaneText().contains("At 40 dpi"))
        << app.GetMainFrame()->MessagePaneText().toStdString();
    EXPECT_TRUE(QFile::exists(Path("at40.png")));
}

TEST_F(ExportTest, CopyOffersOnlyTheVectorPicturesAndKeepsTheZoom) {
    view->m_nZoom = 3;
    app.GetMainFrame()->RouteCommand(cmd::kEditCopy);
    EXPECT_EQ(view->m_nZoom, 3);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    QStringList formats = data->formats();
    formats.sort();
    EXPECT_EQ(formats, QStringList({"image/emf", "image/svg+xml", "image/x-emf"}));
    EXPECT_FALSE(data->hasText());
    EXPECT_FALSE(data->hasImage());
    const QString scratch = QDir::temp().filePath("temp$$.wmf");
    ASSERT_TRUE(QFile::exists(scratch));
    QFile f(scratch);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray emf = data->data("image/emf");
    EXPECT_EQ(emf, f.readAll());

    // The metafile does not depend on the zoom it was copied at.
    view->m_nZoom = 1;
    app.GetMainFrame()->RouteCommand(cmd::kEditCopy);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data("image/emf"), emf);
}

// The command-line form, run as a separate process the way scripts run it.
class CommandLineExportTest : public SettingsTest {
protected:
    struct Run {
        int code;
        QString err;
    };
    Run Quillmark(const QStringList& args) {
        QProcess p;
        p.setProgram(QStringLiteral(QM_QUILLMARK_EXE));
        p.setArguments(args);
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove("DISPLAY");
        e.remove("QT_QPA_PLATFORM"); // the export form must pick its platform itself
        e.insert("ASAN_OPTIONS", "detect_leaks=0");
        p.setProcessEnvironment(e);
        p.start();
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QString Path(const QString& name) const {
        return QString::fromStdString(env.Root().string()) + '/' + name;
    }
};

TEST_F(CommandLineExportTest, WritesWithoutADisplayAndReportsWhatWasWrong) {
    Run ok = Quillmark({"--export", Path("cli.png"), "--symbology", "code 128", "--data", "Cli 7",
                        "--dpi", "300", "--rotation", "2", "--height", "1 cm"});
    EXPECT_EQ(ok.code, 0) << ok.err.toStdString();
    EXPECT_EQ(Decode(QImage(Path("cli.png"))), "CLI 7");
    // Data typed in a UTF-8 terminal is read as the characters it shows.
    Run typed = Quillmark({"--export", Path("typed.png"), "--symbology", "QR Code", "--data",
                           QStringLiteral("Grüße 東京"), "--dpi", "300"});
    EXPECT_EQ(typed.code, 0) << typed.err.toStdString();
    EXPECT_EQ(typed.err, "");
    EXPECT_EQ(Decode(QImage(Path("typed.png"))), "Grüße 東京");
    // A symbology's options, named by their keys.
    Run options = Quillmark({"--export", Path("pdf417.png"), "--symbology", "PDF417", "--data",
                             QStringLiteral("Ωμέγα 417"), "--option", "columns=3", "--option",
                             "ecc=5", "--dpi", "300"});
    EXPECT_EQ(options.code, 0) << options.err.toStdString();
    EXPECT_EQ(Decode(QImage(Path("pdf417.png"))), "Ωμέγα 417");

    const struct {
        QStringList args;
        int code;
        const char* says;
    } failures[] = {
        {{"--export", Path("x.png"), "--symbology", "Code 40"}, 2, "unknown symbology"},
        {{"--export", Path("x.png"), Path("absent.qmx")}, 1, "absent.qmx was not found."},
        {{"--export", Path("no/x.png")}, 1, "no/x.png was not found."},
        {{"--export", Path("x.png"), "--height", "tall"}, 2, "is not a bar height"},
        // The window's rules: what a symbol cannot carry is left out and said; --strict refuses.
        {{"--export", Path("x.png"), "--data", QStringLiteral("€10"), "--strict"},
         1,
         "Encoded 10: 1 character outside the Latin-1 alphabet removed"},
        {{"--export"}, 2, "needs an output file name"},
        // Options and data a symbology cannot take, in the window's words.
        {{"--export", Path("x.png"), "--symbology", "QR Code", "--option", "ecc=Z"},
         2,
         "\"Z\" is not a choice of ecc (the choices: L 7%, M 15%, Q 25%, H 30%)"},
        {{"--export", Path("x.png"), "--option", "ecc=H"}, 2, "Code 39 has no option \"ecc\""},
        {{"--export", Path("x.png"), "--option", "ecc"}, 2, "--option needs KEY=VALUE"},
        {{"--export", Path("x.png"), "--symbology", "QR Code", "--option", "ecc=H", "--data",
          QString(3500, '7')},
         1,
         "Nothing encoded: the data is too long for a QR Code at error-correction level H "
         "(level Q holds it)"},
        {{"--export", Path("x.png"), "--symbology", "GS1-128", "--data", "(01)123"},
         1,
         "(01)\"123\" was left out: (01) takes 14 digits"},
        {{"--export", Path("x.png"), "--symbology", "GS1-128", "--data", "(01)09501101530004",
          "--strict"},
         1,
         "the check digit 4 of (01) was replaced by 3"},
        // The command line writes only what it names; a script hears of anything else.
        {{"--export", Path("x.ps")}, 1, "does not write files of the type of"},
    };
    for (const auto& f : failures) {
        const Run r = Quillmark(f.args);
        EXPECT_EQ(r.code, f.code) << f.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(f.says)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(Path("x.png")));
    }
    const Run help = Quillmark({"--help"});
    EXPECT_EQ(help.code, 0);
    const Run said = Quillmark({"--export", Path("said.png"), "--data", QStringLiteral("€10")});
    EXPECT_EQ(said.code, 0);
    EXPECT_EQ(said.err,
              "quillmark: Encoded 10: 1 character outside the Latin-1 alphabet removed\n");
    EXPECT_EQ(Decode(QImage(Path("said.png"))), "10");
}

// Data no symbol can carry writes nothing, and the command says why in the symbology's own
// words: too long, or not in its format; first as the window's note, also for a document's own
// data, then as the reason nothing was written.
TEST_F(CommandLineExportTest, NothingWrittenSaysWhyTheDataCannotBeEncoded) {
    const std::string tooLong = "the data is too long for a QR Code at error-correction level M "
                                "or any lower level";
    const std::string format = "GS1-128 data is written as application identifiers in "
                               "parentheses, each followed by its field, such as "
                               "(01)09501101530003(10)ABC123";
    const QString longQr = Path("long.qmx");
    ASSERT_EQ(
        Quillmark({"--export", longQr, "--symbology", "QR Code", "--data", QString(5000, 'A')})
            .code,
        0);
    const struct {
        QStringList args;
        QString output;
        std::string why;
    } cases[] = {
        {{"--symbology", "QR Code", "--data", QString(5000, 'A')}, Path("q.png"), tooLong},
        {{longQr}, Path("d.svg"), tooLong},
        {{"--symbology", "GS1-128", "--data", "hello"}, Path("g.pdf"), format},
    };
    for (const auto& c : cases) {
        const Run r = Quillmark(QStringList{"--export", c.output} + c.args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err.toStdString(), "quillmark: Nothing encoded: " + c.why +
                                           "\nquillmark: Nothing was written to " +
                                           c.output.toStdString() + ": " + c.why + ".\n");
        EXPECT_FALSE(QFile::exists(c.output));
    }
}

// A run exported as files: one per number or per line of a data file, each named by its place
// or its data and each scanning as what it was given; problems named by line before anything is
// written; and a run that cannot be made writes nothing.
TEST_F(CommandLineExportTest, ARunWritesAFilePerLabelNamedByItsPlaceOrData) {
    QDir().mkpath(Path("num"));
    const Run numbered =
        Quillmark({"--export", Path("num/{data}.png"), "--symbology", "Code 128", "--numbered",
                   "8:12:2", "--digits", "3", "--prefix", "INV-", "--dpi", "300"});
    EXPECT_EQ(numbered.code, 0) << numbered.err.toStdString();
    EXPECT_EQ(QDir(Path("num")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"INV-008.png", "INV-010.png", "INV-012.png"}));
    for (const char* n : {"008", "010", "012"})
        EXPECT_EQ(Decode(QImage(Path(QString("num/INV-%1.png").arg(n)))), std::string("INV-") + n);

    // Line 3 holds characters Code 39 cannot take and a slash, line 4 is the same data as
    // line 1 once made safe for a name.
    QFile list(Path("list.csv"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("part;qty\nAB-1;2\nCD-2;1\nx/y;5\nAB-1;1\n");
    list.close();
    QDir().mkpath(Path("rows"));
    const QStringList fromFile{"--data-file", Path("list.csv"), "--header", "--column", "part",
                               "--symbology", "Code 39",        "--dpi",    "200"};
    const Run strict =
        Quillmark(QStringList{"--export", Path("rows/{n}.png"), "--strict"} + fromFile);
    EXPECT_EQ(strict.code, 1);
    EXPECT_TRUE(strict.err.contains("line 4 \"x/y\": ")) << strict.err.toStdString();
    EXPECT_TRUE(QDir(Path("rows")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    const Run repeated = Quillmark(QStringList{"--export", Path("rows/{data}.png")} + fromFile);
    EXPECT_EQ(repeated.code, 1);
    EXPECT_TRUE(repeated.err.contains("line 5 would write")) << repeated.err.toStdString();
    EXPECT_TRUE(QDir(Path("rows")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    const Run listed = Quillmark(QStringList{"--export", Path("rows/{n}-{data}.png")} + fromFile);
    EXPECT_EQ(listed.code, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.err.contains("line 4 \"x/y\": ")) << listed.err.toStdString();
    EXPECT_EQ(QDir(Path("rows")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"2-AB-1.png", "3-CD-2.png", "4-x_y.png", "5-AB-1.png"}));
    EXPECT_EQ(Decode(QImage(Path("rows/3-CD-2.png"))), "CD-2");

    // A file that cannot be written, while the files before it are written on other threads,
    // is named by its label and ends the run.
    QDir().mkpath(Path("taken/3.png"));
    const Run blocked = Quillmark({"--export", Path("taken/{n}.png"), "--numbered", "1:6"});
    EXPECT_EQ(blocked.code, 1);
    EXPECT_TRUE(blocked.err.contains("label 3: ")) << blocked.err.toStdString();
    EXPECT_EQ(Decode(QImage(Path("taken/2.png"))), "2");

    // A batch's folder that is not there is made; one that cannot be made writes nothing.
    const Run noFolder = Quillmark({"--export", Path("absent/inner/{n}.png"), "--numbered", "1:3"});
    EXPECT_EQ(noFolder.code, 0) << noFolder.err.toStdString();
    EXPECT_EQ(Decode(QImage(Path("absent/inner/3.png"))), "3");
    QFile plain(Path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const Run underFile = Quillmark({"--export", Path("plain/{n}.png"), "--numbered", "1:3"});
    EXPECT_EQ(underFile.code, 1);
    EXPECT_TRUE(
        underFile.err.contains("plain cannot be made: Not a directory; nothing was written"))
        << underFile.err.toStdString();

    const struct {
        QStringList args;
        const char* says;
    } refused[] = {
        {{"--export", Path("one.png"), "--numbered", "1:3"}, "{n} or {data}"},
        {{"--export", Path("{n}.png"), "--numbered", "1:3", "--start", "2"}, "--start is for"},
        {{"--export", Path("{n}.png"), "--sheets", "2"}, "--sheets is for"},
    };
    for (const auto& r : refused) {
        const Run run = Quillmark(r.args);
        EXPECT_EQ(run.code, 2) << r.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(r.says)) << run.err.toStdString();
    }
}

// A batch killed midway leaves every file it named whole: each is written unnamed or under a
// temporary name and only then takes its own.
TEST_F(CommandLineExportTest, AKilledBatchLeavesNoPartialFile) {
    QDir().mkpath(Path("killed"));
    QProcess p;
    p.setProgram(QStringLiteral(QM_QUILLMARK_EXE));
    p.setArguments({"--export", Path("killed/{n}.png"), "--symbology", "Code 128", "--numbered",
                    "1:500", "--digits", "20", "--dpi", "600"});
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("ASAN_OPTIONS", "detect_leaks=0");
    p.setProcessEnvironment(e);
    p.start();
    ASSERT_TRUE(p.waitForStarted());
    // Killed once some files are written and many are not.
    QDir folder(Path("killed"));
    for (int i = 0; i < 2000 && folder.entryList(QDir::Files).size() < 20; ++i)
        QTest::qWait(5);
    p.kill();
    p.waitForFinished();
    const QStringList written = folder.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    ASSERT_FALSE(written.isEmpty());
    EXPECT_LT(written.size(), 500) << "the batch ended before it was killed";
    for (const QString& name : written) {
        ASSERT_TRUE(name.endsWith(".png") && !name.startsWith('.')) << name.toStdString();
        const std::string number = name.chopped(4).toStdString();
        EXPECT_EQ(Decode(QImage(folder.filePath(name))),
                  std::string(20 - number.size(), '0') + number)
            << name.toStdString();
    }
}

// The vector formats every layout program reads: the SVG picture and the PDF page at true size,
// the text drawn as the outlines of its font's glyphs, so the PDF needs no font; both scan.
TEST_F(ExportTest, SvgAndPdfAreTheSymbolAtTrueSize) {
    CBarcode& bc = *app.GetDocument().m_pBarcode;
    bc.SetData("TRUE-SIZE");
    ASSERT_TRUE(view->ExportToFile(Path("s.pdf")));
    ASSERT_TRUE(view->ExportToFile(Path("s.svg")));
    // The page is the raster image's plan at 1000 dpi: mils, in points × 0.072.
    const CSize quiet = bc.GetQuietZones();
    const CImagePlan plan =
        PlanSymbolImage(MeasureSymbolAt(bc, 1000, {0, true}), quiet.cx, 0, 1000);
    bool ok = false;
    const std::string info = RunCommand("pdfinfo " + Path("s.pdf").toStdString(), &ok, true);
    ASSERT_TRUE(ok) << info;
    // The page's size is stored in whole points.
    double w = 0, h = 0;
    const std::size_t at = info.find("Page size:");
    ASSERT_NE(at, std::string::npos) << info;
    ASSERT_EQ(std::sscanf(info.c_str() + at, "Page size: %lf x %lf pts", &w, &h), 2) << info;
    EXPECT_NEAR(w, plan.width * 0.072, 0.5);
    EXPECT_NEAR(h, plan.height * 0.072, 0.5);
    const std::string fonts = RunCommand("pdffonts " + Path("s.pdf").toStdString(), &ok, true);
    // Only the table's heading and its rule: no font at all.
    EXPECT_EQ(std::count(fonts.begin(), fonts.end(), '\n'), 2) << fonts;
    RunCommand("pdftoppm -r 300 -png -singlefile " + Path("s.pdf").toStdString() + " " +
               Path("page").toStdString());
    EXPECT_EQ(Decode(QImage(Path("page.png"))), "TRUE-SIZE");

    const QImage drawn = RenderSvgFile(Path("s.svg"), 4);
    ASSERT_FALSE(drawn.isNull());
    EXPECT_EQ(Decode(drawn), "TRUE-SIZE");
}

// A name typed without an extension in the export dialog takes the chosen file type's.
TEST_F(ExportTest, TheDialogGivesATypedNameTheChosenTypesExtension) {
    FileDialogRequest request;
    request.open = false;
    request.filters = {"Windows MetaFile (*.wmf *.emf)", "PNG Files (*.png)"};
    request.defaultSuffix = "wmf";
    CBWFileDialog dialog(request, nullptr);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(dir);
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(types, nullptr);
    ASSERT_NE(name, nullptr);
    dialog.show();
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down); // the user picks "PNG Files"
    EXPECT_EQ(dialog.selectedNameFilter(), "PNG Files (*.png)");
    name->setFocus();
    QTest::keyClicks(name, "label");
    QTest::keyClick(name, Qt::Key_Return);
    ASSERT_EQ(dialog.selectedFiles().size(), 1);
    EXPECT_EQ(dialog.selectedFiles().front(), Path("label.png"));
    EXPECT_EQ(FirstExtension("All Files (*)"), "");
}

// The window's Export and the command line take the one raster path: the same document,
// settings and resolution give the same file, byte for byte.
TEST_F(ExportTest, WindowAndCommandLineWriteTheSameImages) {
    CBarcode& bc = *app.GetDocument().m_pBarcode;
    bc.SetData("SAME-FILE");
    ASSERT_TRUE(view->ExportToFile(Path("doc.qmx")));
    for (const char* ext : {"png", "bmp", "gif", "tif", "pcx", "jpg", "qmx"})
        for (const int rotation : {0, 3})
            for (const bool text : {true, false}) {
                SCOPED_TRACE(std::string(ext) + " rotation " + std::to_string(rotation) +
                             (text ? " text" : ""));
                view->m_nRotation = rotation;
                view->m_bShowText = text;
                const QString window = Path(QString("w.") + ext);
                const QString cli = Path(QString("c.") + ext);
                ASSERT_TRUE(view->ExportToFile(window, 203));
                QProcess p;
                QStringList args = {"--export", cli,          Path("doc.qmx"),          "--dpi",
                                    "203",      "--rotation", QString::number(rotation)};
                if (!text) args << "--no-text";
                QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
                e.insert("ASAN_OPTIONS", "detect_leaks=0");
                p.setProcessEnvironment(e);
                p.start(QStringLiteral(QM_QUILLMARK_EXE), args);
                ASSERT_TRUE(p.waitForFinished(60000));
                ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
                QFile a(window), b(cli);
                ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
                EXPECT_TRUE(a.readAll() == b.readAll());
            }
}
