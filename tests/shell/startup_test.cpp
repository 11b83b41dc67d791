#include "cli/command_line.h"
#include "common/settings_store.h"
#include "shell/about_dialog.h"
#include "shell/app.h"
#include "shell/main_frame.h"
#include "shell/options_dialog.h"
#include "shell/registration.h"
#include "tests/support/dialog_script.h"
#include "tests/support/settings_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSlider>

#include <gtest/gtest.h>

TEST(CommandLine, Forms) {
    using K = CCommandLineInfo;
    const struct {
        std::vector<std::string> args;
        K::Kind kind;
        std::string fileOrError;
    } cases[] = {
        {{}, K::New, ""},
        {{"/home/u/a.qmx"}, K::Open, "/home/u/a.qmx"}, // a path, not a flag
        {{"-p", "a.qmx"}, K::Print, "a.qmx"},
        {{"/p", "a.qmx"}, K::Print, "a.qmx"},
        {{"-P", "a.qmx"}, K::Invalid, "unknown option -P"}, // p is compared with case
        {{"/pt", "a.qmx", "Office", "drv", "port"}, K::PrintTo, "a.qmx"},
        {{"/UNREGISTER"}, K::Unregister, ""},
        {{"-unregserver"}, K::Unregister, ""},
        {{"-p"}, K::Invalid, "-p needs a file to print"},
        {{"-p", ""}, K::Invalid, "the document's name is empty"},
        {{""}, K::Invalid, "the document's name is empty"},
        {{"/pt", "a.qmx", "Office"},
         K::Invalid,
         "-pt needs a file, a printer, a driver and a port"},
        {{"--help"}, K::Help, ""},
        {{"--export", "out.png", "in.qmx", "--dpi", "300"}, K::Export, "in.qmx"},
        {{"--export", "out.png", "--", "-odd.qmx"}, K::Export, "-odd.qmx"},
        // A file name is the system's bytes, whatever their encoding.
        {{"--export", "o.png", "caf\xE9.qmx"}, K::Export, "caf\xE9.qmx"},
        {{"--export"}, K::Invalid, "--export needs an output file name"},
        {{"--export", ""}, K::Invalid, "--export needs an output file name, not an empty text"},
        {{"--export", "o.png", "--rotation", "4"}, K::Invalid, "--rotation needs 0, 1, 2 or 3"},
        {{"--export", "o.png", "--bogus"}, K::Invalid, "unknown option --bogus"},
        {{"--export", "o.png", "--data", ""}, K::Invalid, "--data needs a text, not an empty text"},
        {{"--export", "o.png", "--symbology", ""},
         K::Invalid,
         "--symbology needs a name, not an empty text"},
        {{"--export", "o.png", "--height"}, K::Invalid, "--height needs a height"},
        {{"--export", "o.png", "--dpi", ""},
         K::Invalid,
         "--dpi needs a resolution from 10 to 3000"},
        {{"--export", "o.png", ""}, K::Invalid, "the document's name is empty"},
        {{"--export", "o.png", "-dpi", "300"}, K::Invalid, "unknown option -dpi"},
        {{"--export", "o.png", "a.qmx", "b.qmx"},
         K::Invalid,
         "more than one document named: b.qmx"},
        // Outside the export form too, an option the program does not know is refused; the
        // toolkit's own options (the window program takes them) pass with their values.
        {{"--frobnicate"}, K::Invalid, "unknown option --frobnicate"},
        {{"a.qmx", "-x"}, K::Invalid, "unknown option -x"},
        {{"-style", "Fusion", "--reverse", "a.qmx"}, K::Open, "a.qmx"},
        {{"-platform=offscreen", "-qwindowgeometry", "400x300", "-p", "a.qmx"}, K::Print, "a.qmx"},
        {{"--", "-odd.qmx"}, K::Open, "-odd.qmx"},
        {{"--list-labels"}, K::ListLabels, ""},
        {{"--list-labels", "Avery", "5160"},
         K::Invalid,
         "--list-labels takes one TEXT; put a text with spaces in quotes"},
        {{"--list-labels", "--label", "106"}, K::Invalid, "unknown option --label"},
        {{"-p", "a.qmx", "--label", "Avery:"},
         K::Invalid,
         "--label needs a label product's ID or MAKER:NUMBER, such as 106 or Avery:5160, not "
         "\"Avery:\""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& a : c.args)
            shown += "[" + a + "]";
        const CCommandLineInfo info = ParseCommandLine(c.args);
        EXPECT_EQ(info.kind, c.kind) << shown;
        EXPECT_EQ(c.kind == K::Invalid ? info.error : info.file, c.fileOrError) << shown;
    }
    EXPECT_EQ(ParseCommandLine({"--list-labels", "2.625x1"}).labelText, "2.625x1");
    const CCommandLineInfo named = ParseCommandLine({"-p", "a.qmx", "--label", "Avery:5160"});
    EXPECT_EQ(named.run.labelName, "Avery:5160");
    EXPECT_EQ(named.run.labelId, 0);
    const CCommandLineInfo pt = ParseCommandLine({"-pt", "a.qmx", "Office", "drv", "port"});
    EXPECT_EQ(pt.printer, "Office");
    EXPECT_EQ(pt.driver, "drv");
    EXPECT_EQ(pt.port, "port");
}

// Arguments echoed in messages: control bytes shown escaped, long ones cut short.
TEST(CommandLine, EchoedArgumentsAreShortAndPrintable) {
    EXPECT_EQ(ShownArgument("plain"), "plain");
    EXPECT_EQ(ShownArgument("a\x1b[2Jb\n"), "a\\x1B[2Jb\\x0A");
    EXPECT_EQ(ShownArgument(std::string(100000, 'x')), std::string(60, 'x') + "...");
    const CCommandLineInfo bad =
        ParseCommandLine({"--export", "o.png", "--" + std::string(100000, 'y') + "\r"});
    EXPECT_EQ(bad.error, "unknown option --" + std::string(58, 'y') + "...");
}

TEST(AboutBox, VersionLineComesFromTheProjectVersion) {
    EXPECT_EQ(CAboutDialog::VersionLine(), "Version 1.0, Build 0.");
}

class StartupTest : public SettingsTest {
protected:
    DialogScript dialogs;
};

TEST_F(StartupTest, RegistrationIsWrittenOnceAndUnregisterRemovesItAndTheSettings) {
    EXPECT_TRUE(RegisterFileType("/opt/quill mark/quillmark"));
    const CRegistrationPaths paths = RegistrationPaths();
    QFile desktop(paths.desktopEntry);
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    EXPECT_TRUE(entry.contains("Name=Bellwick Quillmark"));
    EXPECT_TRUE(entry.contains("Exec=\"/opt/quill mark/quillmark\" %f"));
    EXPECT_TRUE(entry.contains("Exec=\"/opt/quill mark/quillmark\" -p %f"));
    EXPECT_TRUE(entry.contains("MimeType=application/x-quillmark-document;"));
    QFile mime(paths.mimePackage);
    ASSERT_TRUE(mime.open(QIODevice::ReadOnly));
    const QString package = QString::fromUtf8(mime.readAll());
    EXPECT_TRUE(package.contains("<comment>Bellwick Barcode Document</comment>"));
    EXPECT_TRUE(package.contains("<glob pattern=\"*.qmx\"/>"));
    EXPECT_FALSE(RegisterFileType("/opt/quill mark/quillmark")); // nothing differs

    SettingsStore().WriteInt("Options", "Density", 12);
    CQuillmarkApp app;
    EXPECT_EQ(app.InitInstance({"/Unregister"}, false), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "System registry entries have been removed and the INI file "
                                   "(if any) was deleted.");
    EXPECT_FALSE(QFile::exists(paths.desktopEntry));
    EXPECT_FALSE(QFile::exists(paths.mimePackage));
    EXPECT_EQ(SettingsStore().GetInt("Options", "Density", 10), 10);
}

namespace {
QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}
} // namespace

TEST_F(StartupTest, TheWrittenEntryIsThePackagesEntryRunningThisProgram) {
    RegisterFileType("/opt/quill mark/quillmark-window");
    const QStringList written = QString::fromUtf8(ReadAll(RegistrationPaths().desktopEntry))
                                    .split('\n', Qt::SkipEmptyParts);
    const QStringList package =
        QString::fromUtf8(ReadAll(":/desktop/quillmark.desktop")).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(written.size(), package.size() + 1); // and the program's mark
    EXPECT_TRUE(written[0].startsWith("# Written by Quillmark")) << written[0].toStdString();
    for (qsizetype i = 0; i < package.size(); ++i) {
        QString expected = package[i];
        expected.replace("Exec=quillmark ", "Exec=\"/opt/quill mark/quillmark-window\" ");
        EXPECT_EQ(written[i + 1], expected);
    }
    // The file type is the package's too, marked as the program's own.
    const QByteArray mime = ReadAll(RegistrationPaths().mimePackage);
    EXPECT_TRUE(mime.contains("<!-- Written by Quillmark"));
    for (const QByteArray& line : ReadAll(":/desktop/quillmark.xml").split('\n'))
        EXPECT_TRUE(mime.contains(line + '\n')) << line.toStdString();
}

TEST_F(StartupTest, OnlyAProgramRunFromItsBuildFolderRegistersItself) {
    const CRegistrationPaths paths = RegistrationPaths();
    EXPECT_FALSE(RegisterAtStartUp("/usr/" QM_INSTALL_PROGRAM_DIR "/quillmark-window"));
    for (const QString& file : {paths.desktopEntry, paths.mimePackage, paths.icon})
        EXPECT_FALSE(QFile::exists(file)) << file.toStdString();
    EXPECT_TRUE(RegisterAtStartUp("/home/u/quillmark/build/bin/quillmark-window"));
    for (const QString& file : {paths.desktopEntry, paths.mimePackage, paths.icon})
        EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
}

TEST_F(StartupTest, UnregisterRemovesOnlyTheFilesTheProgramWrote) {
    const CRegistrationPaths paths = RegistrationPaths();
    RegisterFileType("/opt/quillmark/quillmark-window");
    // The user has since put their own entry in place of the program's (a menu editor does).
    const QByteArray own = ReadAll(":/desktop/quillmark.desktop") + "NoDisplay=true\n";
    {
        QFile entry(paths.desktopEntry);
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly | QIODevice::Truncate));
        entry.write(own);
    }
    EXPECT_TRUE(UnregisterFileType());
    EXPECT_EQ(ReadAll(paths.desktopEntry), own);
    EXPECT_FALSE(QFile::exists(paths.mimePackage));
    EXPECT_FALSE(QFile::exists(paths.icon));
}

TEST_F(StartupTest, AnotherProgramsQmxTypeIsLeftAlone) {
    // A MIME database in which "*.qmx" already belongs to someone else.
    const QString mimeDir = QString::fromStdString((env.DataHome() / "mime").string());
    QDir().mkpath(mimeDir);
    QFile globs(mimeDir + "/globs2");
    ASSERT_TRUE(globs.open(QIODevice::WriteOnly));
    globs.write("50:application/x-other-thing:*.qmx\n");
    globs.close();
    EXPECT_EQ(ForeignQmxType(), "application/x-other-thing");
    RegisterFileType("/usr/bin/quillmark");
    EXPECT_FALSE(QFile::exists(RegistrationPaths().mimePackage));
    QFile desktop(RegistrationPaths().desktopEntry);
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    EXPECT_FALSE(desktop.readAll().contains("MimeType="));
}

TEST_F(StartupTest, AFileThatCannotBeOpenedEndsTheProgram) {
    CQuillmarkApp app;
    EXPECT_EQ(app.InitInstance({"/nowhere/missing.qmx"}, false), 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "/nowhere/missing.qmx was not found.");
}

// Mistyped options and a missing display, as a user meets them in a terminal: the command
// refuses what it does not know with its usage, and the window program without a display says
// so in one line and ends, instead of aborting in the toolkit.
TEST_F(StartupTest, AMistypedOptionOrAMissingDisplayEndsWithOneLine) {
    const QString quillmark = QStringLiteral(QM_QUILLMARK_EXE);
    const QString window = QFileInfo(quillmark).dir().filePath(QStringLiteral("quillmark-window"));
    const struct {
        QString program;
        QStringList args;
        int status;
        QString says;
    } cases[] = {
        {quillmark, {"--frobnicate"}, 2, "quillmark: unknown option --frobnicate\nUsage:"},
        {quillmark, {"-p", "a.qmx", "-q"}, 2, "quillmark: unknown option -q\nUsage:"},
        {quillmark, {}, 1, "quillmark: there is no display to show the window on"},
        {window, {"a.qmx"}, 1, "quillmark: there is no display to show the window on"},
    };
    for (const auto& c : cases) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            e.remove(QString::fromLatin1(name));
        e.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        p.setProcessEnvironment(e);
        p.start(c.program, c.args);
        ASSERT_TRUE(p.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        const QString shown = QFileInfo(c.program).fileName() + ' ' + c.args.join(' ');
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << shown.toStdString();
        EXPECT_EQ(p.exitCode(), c.status) << shown.toStdString();
        EXPECT_TRUE(err.startsWith(c.says)) << shown.toStdString() << ": " << err.toStdString();
        if (c.status == 1) {
            EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
        }
    }
}

TEST_F(StartupTest, PreviewPagesIsKeptOnlyWhenChosen) {
    {
        CQuillmarkApp app;
        ASSERT_EQ(app.InitInstance(QStringList(), false), -1);
        app.ExitInstance();
    }
    EXPECT_EQ(SettingsStore().GetInt("Settings", "PreviewPages", -1), -1);
    {
        CQuillmarkApp app;
        ASSERT_EQ(app.InitInstance(QStringList(), false), -1);
        app.SetPreviewPages(2);
        app.ExitInstance();
    }
    CQuillmarkApp app;
    ASSERT_EQ(app.InitInstance(QStringList(), false), -1);
    EXPECT_EQ(app.PreviewPages(), 2);
}

class OptionsTest : public SettingsTest {
protected:
    DialogScript dialogs;
};

TEST_F(OptionsTest, FreshAccountOpensWithTheDefaults) {
    COptionsDialog d;
    EXPECT_EQ(d.UnitGroup()->checkedId(), 0);
    EXPECT_EQ(d.FontNameList()->currentText(), "Courier New");
    EXPECT_EQ(d.FontSizeList()->currentText(), "8");
    EXPECT_EQ(d.ResolutionGroup()->checkedId(), 0);
    EXPECT_FALSE(d.CustomResolution()->isEnabled());
    EXPECT_EQ(d.CustomResolution()->text(), "72");
    EXPECT_EQ(d.DensitySlider()->value(), 10);
    EXPECT_EQ(d.RatioSlider()->value(), 25);
}

TEST_F(OptionsTest, CustomResolutionRoundTripAndOutOfRangeValues) {
    SettingsStore s;
    s.WriteInt("Options", "CopyResolution", 72);
    s.WriteInt("Options", "Density", 99);
    COptionsDialog d;
    EXPECT_EQ(d.ResolutionGroup()->checkedId(), 4);
    EXPECT_TRUE(d.CustomResolution()->isEnabled());
    EXPECT_EQ(d.CustomResolution()->text(), "72");
    EXPECT_EQ(d.DensitySlider()->value(), 20); // shown at the nearest end
    d.ResolutionGroup()->button(0)->click();
    EXPECT_FALSE(d.CustomResolution()->isEnabled());
    d.accept();
    EXPECT_EQ(s.GetInt("Options", "CopyResolution", -1), 0);
}

TEST_F(OptionsTest, CustomFieldIsValidatedWhateverIsChosen) {
    COptionsDialog d;
    d.ResolutionGroup()->button(4)->click();
    d.CustomResolution()->setText("5");
    d.ResolutionGroup()->button(2)->click();
    d.accept();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Please enter an integer between 10 and 3000.");
    EXPECT_EQ(SettingsStore().GetInt("Options", "CopyResolution", -1), -1); // nothing stored
    d.CustomResolution()->setText("abc");
    d.accept();
    EXPECT_EQ(dialogs.messages.back(), "Please enter an integer.");
    EXPECT_EQ(SettingsStore().GetInt("Options", "Unit", -1), -1);
}

TEST_F(OptionsTest, DefaultThenOkStoresTheFactoryValuesAndCancelStoresNothing) {
    SettingsStore s;
    s.WriteInt("Options", "Unit", 1);
    s.WriteInt("Options", "Density", 15);
    {
        COptionsDialog d;
        d.OnDefault();
        d.reject();
    }
    EXPECT_EQ(s.GetInt("Options", "Density", -1), 15);
    COptionsDialog d;
    d.OnDefault();
    d.accept();
    EXPECT_EQ(s.GetInt("Options", "Unit", -1), 0);
    EXPECT_EQ(s.GetString("Options", "Font Name", ""), "Courier New");
    EXPECT_EQ(s.GetInt("Options", "Font Size", -1), 8);
    EXPECT_EQ(s.GetInt("Options", "Density", -1), 10);
    EXPECT_EQ(s.GetInt("Options", "Ratio", -1), 25);
    EXPECT_EQ(s.GetInt("Options", "CopyResolution", -1), 0);
}

TEST_F(OptionsTest, WiderXDimensionWidensTheCurrentSymbol) {
    CQuillmarkApp app;
    app.CreateMainWindow();
    ASSERT_TRUE(app.OnFileNew());
    const int before = app.GetDocument().m_pBarcode->GetWidth();
    COptionsDialog d;
    d.DensitySlider()->setValue(20);
    d.accept();
    EXPECT_GT(app.GetDocument().m_pBarcode->GetWidth(), before);
    EXPECT_FALSE(app.GetDocument().IsModified());
}

// The warning about the X dimension shows whole, and a font name outside ASCII survives OK.
TEST_F(OptionsTest, NoteShowsWholeAndFontNamesRoundTrip) {
    COptionsDialog d;
    d.show();
    QApplication::processEvents();
    QLabel* note = nullptr;
    for (QLabel* label : d.findChildren<QLabel*>())
        if (label->text().startsWith("The following two settings")) note = label;
    ASSERT_NE(note, nullptr);
    EXPECT_GE(note->height(), note->heightForWidth(note->width()));

    // "Café Mono" as the store holds it: Latin-1 bytes, as the engine's text is. It is shown as
    // it is, and OK stores the same bytes.
    const std::string latin1 = "Caf\xE9 Mono";
    SettingsStore().WriteString("Options", "Font Name", latin1);
    COptionsDialog again;
    EXPECT_EQ(again.FontNameList()->currentText(), QString::fromUtf8("Caf\u00E9 Mono"));
    again.accept();
    EXPECT_EQ(SettingsStore().GetString("Options", "Font Name", ""), latin1);
}
