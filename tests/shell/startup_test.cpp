#include "common/settings_store.h"
#include "shell/about_dialog.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/main_frame.h"
#include "shell/options_dialog.h"
#include "shell/registration.h"
#include "tests/support/dialog_script.h"
#include "tests/support/settings_fixture.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSlider>

#include <gtest/gtest.h>

TEST(CommandLine, Forms) {
    using K = CCommandLineInfo;
    const struct {
        QStringList args;
        K::Kind kind;
        QString file;
    } cases[] = {
        {{}, K::New, ""},
        {{"/home/u/a.qmx"}, K::Open, "/home/u/a.qmx"}, // a path, not a flag
        {{"-p", "a.qmx"}, K::Print, "a.qmx"},
        {{"/p", "a.qmx"}, K::Print, "a.qmx"},
        {{"-P", "a.qmx"}, K::Open, "a.qmx"}, // p is compared with case
        {{"/pt", "a.qmx", "Office", "drv", "port"}, K::PrintTo, "a.qmx"},
        {{"/UNREGISTER"}, K::Unregister, ""},
        {{"-unregserver"}, K::Unregister, ""},
        {{"-p"}, K::Invalid, ""},
        {{"/pt", "a.qmx", "Office"}, K::Invalid, ""},
        {{"--help"}, K::Help, ""},
        {{"--export", "out.png", "in.qmx", "--dpi", "300"}, K::Export, "in.qmx"},
        {{"--export"}, K::Invalid, ""},
        {{"--export", "o.png", "--rotation", "4"}, K::Invalid, ""},
        {{"--export", "o.png", "--bogus"}, K::Invalid, ""},
    };
    for (const auto& c : cases) {
        const CCommandLineInfo info = ParseCommandLine(c.args);
        EXPECT_EQ(info.kind, c.kind) << c.args.join(' ').toStdString();
        EXPECT_EQ(info.file, c.file) << c.args.join(' ').toStdString();
    }
    const CCommandLineInfo pt = ParseCommandLine({"-pt", "a.qmx", "Office", "drv", "port"});
    EXPECT_EQ(pt.printer, "Office");
    EXPECT_EQ(pt.driver, "drv");
    EXPECT_EQ(pt.port, "port");
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

TEST_F(StartupTest, PreviewPagesIsKeptOnlyWhenChosen) {
    {
        CQuillmarkApp app;
        ASSERT_EQ(app.InitInstance({}, false), -1);
        app.ExitInstance();
    }
    EXPECT_EQ(SettingsStore().GetInt("Settings", "PreviewPages", -1), -1);
    {
        CQuillmarkApp app;
        ASSERT_EQ(app.InitInstance({}, false), -1);
        app.SetPreviewPages(2);
        app.ExitInstance();
    }
    CQuillmarkApp app;
    ASSERT_EQ(app.InitInstance({}, false), -1);
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
