#include "engine/barcode_file.h"
#include "engine/code128.h"
#include "engine/code39.h"
#include "engine/symbologies.h"
#include "shell/app.h"
#include "shell/command_ids.h"
#include "shell/main_frame.h"
#include "tests/support/dialog_script.h"
#include "tests/support/settings_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sys/stat.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray a = f.readAll();
    return Bytes(a.begin(), a.end());
}

void WriteBytes(const QString& path, const Bytes& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

const char* ClassName(const CQuillmarkDoc& doc) {
    return doc.m_pBarcode ? doc.m_pBarcode->GetRuntimeClass()->m_lpszClassName : "";
}

} // namespace

class DocumentTest : public SettingsTest {
protected:
    void SetUp() override {
        app.CreateMainWindow();
        ASSERT_TRUE(app.OnFileNew());
        dir = QString::fromStdString(env.Root().string());
    }
    QString Path(const char* name) const { return dir + '/' + name; }
    // Saves the current document under `path` through Save As.
    void SaveAs(const QString& path) {
        dialogs.files.push_back(path);
        ASSERT_TRUE(doc().DoSave(QString()));
    }
    CQuillmarkDoc& doc() { return app.GetDocument(); }

    DialogScript dialogs;
    CQuillmarkApp app;
    QString dir;
};

TEST_F(DocumentTest, NewDocumentSavesAsTheFamiliar48Bytes) {
    EXPECT_STREQ(ClassName(doc()), "C39Barcode");
    EXPECT_EQ(doc().m_pBarcode->m_strData, "HALVERN");
    EXPECT_FALSE(doc().IsModified());
    EXPECT_EQ(doc().GetTitle(), "Untitled");

    dialogs.files.push_back(Path("first.qmx"));
    app.GetMainFrame()->RouteCommand(cmd::kFileSave);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].title, "Save As");
    EXPECT_EQ(dialogs.requests[0].fileName, "Untitled.qmx");
    EXPECT_EQ(dialogs.requests[0].defaultSuffix, "qmx");
    EXPECT_EQ(dialogs.requests[0].filters.front(), "Bellwick Barcode Files (*.qmx)");

    const Bytes expected = {0xff, 0xff, 0x00, 0x01, 0x0a, 0x00, 'C',  '3',  '9',  'B',  'a',  'r',
                            'c',  'o',  'd',  'e',  0x07, 'H',  'A',  'L',  'V',  'E',  'R',  'N',
                            0x0b, 'C',  'o',  'u',  'r',  'i',  'e',  'r',  ' ',  'N',  'e',  'w',
                            0x08, 0x00, 0x00, 0x00, 0xee, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(ReadBytes(Path("first.qmx")), expected);
    EXPECT_EQ(doc().GetTitle(), "first.qmx");
    EXPECT_EQ(doc().GetPathName(), Path("first.qmx"));
    EXPECT_EQ(app.RecentFiles().value(0), Path("first.qmx"));
}

TEST_F(DocumentTest, EveryClassRoundTripsThroughAFile) {
    for (int command :
         {cmd::kCode39, cmd::kCode39Mod43, cmd::kCode39Ext, cmd::kCode93, cmd::kCode128, cmd::kI25,
          cmd::kUpcA, cmd::kUpcE, cmd::kEan13, cmd::kEan8, cmd::kPostnet}) {
        ASSERT_TRUE(app.OnFileNew());
        doc().SwitchSymbology(command);
        auto& bc = *doc().m_pBarcode;
        bc.SetData("12345678901234");
        bc.m_nHeight = 2000;
        bc.m_nHeightUnit = 1;
        if (auto* c128 = dynamic_cast<C128Barcode*>(&bc)) c128->m_nCodeSet = 2;
        const QString path = Path((std::to_string(command) + ".qmx").c_str());
        SaveAs(path);
        const Bytes saved = ReadBytes(path);
        ASSERT_TRUE(app.OnFileNew());
        ASSERT_TRUE(app.OpenDocumentFile(path));
        EXPECT_EQ(StoreBarcode(doc().m_pBarcode.get()), saved) << command;
        EXPECT_EQ(FindSymbology(doc().m_pBarcode->GetRuntimeClass())->command, command);
        if (command == cmd::kCode128) {
            EXPECT_EQ(dynamic_cast<C128Barcode&>(*doc().m_pBarcode).m_nCodeSet, 2);
        }
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DocumentTest, LongDataUsesTheRightLengthPrefix) {
    for (const auto& [length, prefix] : {std::pair<size_t, Bytes>{254, {0xfe}},
                                         std::pair<size_t, Bytes>{255, {0xff, 0xff, 0x00}}}) {
        doc().m_pBarcode->SetData(std::string(length, 'A'));
        const QString path = Path(("len" + std::to_string(length) + ".qmx").c_str());
        SaveAs(path);
        const Bytes bytes = ReadBytes(path);
        EXPECT_EQ(Bytes(bytes.begin() + 16, bytes.begin() + 16 + prefix.size()), prefix);
        ASSERT_TRUE(app.OnFileNew());
        ASSERT_TRUE(app.OpenDocumentFile(path));
        EXPECT_EQ(doc().m_pBarcode->m_strData, std::string(length, 'A'));
    }
}

TEST_F(DocumentTest, ACutFileIsRefusedAndLeavesTheDocumentAsItWas) {
    doc().SwitchSymbology(cmd::kCode128);
    doc().m_pBarcode->SetData("CUT ME");
    SaveAs(Path("whole.qmx"));
    const Bytes whole = ReadBytes(Path("whole.qmx"));
    for (size_t cut = 1; cut < whole.size(); ++cut) {
        WriteBytes(Path("cut.qmx"), Bytes(whole.begin(), whole.begin() + cut));
        dialogs.messages.clear();
        EXPECT_FALSE(app.OpenDocumentFile(Path("cut.qmx"))) << cut;
        ASSERT_EQ(dialogs.messages.size(), 1u) << cut;
        // The message names the file it could not read.
        EXPECT_EQ(dialogs.messages[0], "Unexpected file format.\n" + Path("cut.qmx"));
        EXPECT_EQ(dialogs.icons[0], MsgIcon::Exclamation);
        EXPECT_STREQ(ClassName(doc()), "C128Barcode");
        EXPECT_EQ(doc().m_pBarcode->m_strData, "CUT ME");
        EXPECT_EQ(doc().GetTitle(), "whole.qmx");
        EXPECT_EQ(doc().GetPathName(), Path("whole.qmx"));
        EXPECT_FALSE(doc().IsModified());
    }
}

TEST_F(DocumentTest, ContentsThatAreNoBarcodeAreRefused) {
    const Bytes cases[] = {
        {0x00, 0x00}, // the null object
        {0xff, 0xff, 0x00, 0x01, 0x08, 0x00, 'C', 'B', 'a', 'r', 'c', 'o', 'd', 'e', 0},
        {0xff, 0xff, 0x00, 0x01, 0x0a, 0x00, 'c', '3', '9', 'b', 'a', 'r', 'c', 'o', 'd', 'e'},
        {0xff, 0xff, 0x00, 0x02, 0x0a, 0x00, 'C', '3', '9', 'B', 'a', 'r', 'c', 'o', 'd', 'e'},
        {0x01, 0x80, 0x00, 0x00},
    };
    for (const Bytes& bytes : cases) {
        WriteBytes(Path("bad.qmx"), bytes);
        dialogs.messages.clear();
        EXPECT_FALSE(app.OpenDocumentFile(Path("bad.qmx")));
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0], "Unexpected file format.\n" + Path("bad.qmx"));
        EXPECT_EQ(doc().m_pBarcode->m_strData, "HALVERN");
    }
}

TEST_F(DocumentTest, AnEmptyFileKeepsTheBarcodeUnderItsName) {
    doc().m_pBarcode->SetData("KEEP");
    doc().SetModifiedFlag(true);
    WriteBytes(Path("empty.qmx"), {});
    dialogs.answers.push_back(IDNO); // do not save the changes
    ASSERT_TRUE(app.OpenDocumentFile(Path("empty.qmx")));
    EXPECT_EQ(doc().m_pBarcode->m_strData, "KEEP");
    EXPECT_EQ(doc().GetTitle(), "empty.qmx");
    EXPECT_FALSE(doc().IsModified());
}

TEST_F(DocumentTest, OpeningTheOpenFileDoesNothing) {
    SaveAs(Path("open.qmx"));
    doc().m_pBarcode->SetData("CHANGED");
    doc().SetModifiedFlag(true);
    // Quoted: still the same file.
    EXPECT_TRUE(app.OpenDocumentFile('"' + Path("open.qmx") + '"'));
    EXPECT_TRUE(dialogs.messages.empty()); // no save question either
    EXPECT_EQ(doc().m_pBarcode->m_strData, "CHANGED");
    EXPECT_TRUE(doc().IsModified());
    // Spelt in another case it is another file: the save question comes, and Cancel keeps all.
    dialogs.answers = {IDCANCEL};
    EXPECT_FALSE(app.OpenDocumentFile(Path("OPEN.qmx")));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Save changes to open.qmx?");
    EXPECT_EQ(doc().m_pBarcode->m_strData, "CHANGED");
    EXPECT_EQ(doc().GetPathName(), Path("open.qmx"));
}

TEST_F(DocumentTest, AFileThatCannotBeOpenedLeavesTheDocumentAsItWas) {
    SaveAs(Path("kept.qmx"));
    doc().m_pBarcode->SetData("EDITED");
    doc().SetModifiedFlag(true);
    QDir(dir).mkdir("folder.qmx");
    const struct {
        QString path;
        QString message;
    } cases[] = {
        {Path("missing.qmx"), Path("missing.qmx") + " was not found."},
        {Path("folder.qmx"), Path("folder.qmx") + " is a folder."},
        {Path("kept.qmx/inside.qmx"), Path("kept.qmx/inside.qmx") + " contains an invalid path."},
    };
    for (const auto& c : cases) {
        dialogs.messages.clear();
        dialogs.answers = {IDNO};
        EXPECT_FALSE(app.OpenDocumentFile(c.path));
        ASSERT_EQ(dialogs.messages.size(), 2u); // the save question, then the error
        EXPECT_EQ(dialogs.messages[1], c.message);
        EXPECT_EQ(doc().m_pBarcode->m_strData, "EDITED");
        EXPECT_EQ(doc().GetPathName(), Path("kept.qmx"));
        EXPECT_TRUE(doc().IsModified());
    }
}

TEST_F(DocumentTest, SaveOfAReadOnlyFileAsksForANameProposingTheOldPath) {
    SaveAs(Path("ro.qmx"));
    ::chmod(Path("ro.qmx").toLocal8Bit().constData(), 0444);
    doc().m_pBarcode->SetData("NEW");
    doc().SetModifiedFlag(true);
    dialogs.requests.clear();
    dialogs.files.push_back(Path("rw.qmx"));
    app.GetMainFrame()->RouteCommand(cmd::kFileSave);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].fileName, Path("ro.qmx"));
    EXPECT_EQ(doc().GetPathName(), Path("rw.qmx"));
    EXPECT_FALSE(doc().IsModified());
}

TEST_F(DocumentTest, AFailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    SaveAs(Path("target.qmx"));
    const Bytes before = ReadBytes(Path("target.qmx"));
    doc().m_pBarcode->SetData("LOST?");
    doc().SetModifiedFlag(true);
    // A folder that vanished since the file was opened.
    dialogs.messages.clear();
    EXPECT_FALSE(doc().OnSaveDocument(Path("gone/target.qmx")));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], Path("gone/target.qmx") + " was not found.");
    EXPECT_TRUE(doc().IsModified());
    EXPECT_EQ(ReadBytes(Path("target.qmx")), before);
    // Nothing but the saved file in the folder: no temporary file left behind.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).filter(".qmx").size(), 1);
}

TEST_F(DocumentTest, SaveQuestionBeforeNewOpenAndExit) {
    SaveAs(Path("q.qmx"));
    doc().m_pBarcode->SetData("DIRTY");
    doc().SetModifiedFlag(true);

    dialogs.answers = {IDCANCEL};
    EXPECT_FALSE(app.OnFileNew());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Save changes to q.qmx?");
    EXPECT_EQ(dialogs.icons[0], MsgIcon::Question);
    EXPECT_EQ(doc().m_pBarcode->m_strData, "DIRTY");

    dialogs.answers = {IDYES}; // saves to the document's own file, then goes on
    EXPECT_TRUE(app.OnFileNew());
    EXPECT_EQ(doc().m_pBarcode->m_strData, "HALVERN");
    ASSERT_TRUE(app.OpenDocumentFile(Path("q.qmx")));
    EXPECT_EQ(doc().m_pBarcode->m_strData, "DIRTY");

    doc().SetModifiedFlag(true);
    dialogs.messages.clear();
    dialogs.answers = {IDCANCEL};
    EXPECT_FALSE(app.GetMainFrame()->close()); // Exit stays
    EXPECT_EQ(dialogs.messages.size(), 1u);
    dialogs.answers = {IDNO};
    EXPECT_TRUE(app.GetMainFrame()->close());
}

TEST_F(DocumentTest, SymbologySwitchCarriesDataFontAndHeight) {
    doc().SwitchSymbology(cmd::kCode128);
    auto* bc = doc().m_pBarcode.get();
    bc->SetData("abc");
    bc->m_strFontName = "Liberation Sans";
    bc->m_nFontSize = 12;
    bc->m_nHeight = 2000; // 2 cm
    bc->m_nHeightUnit = 1;
    doc().SetModifiedFlag(false);

    doc().SwitchSymbology(cmd::kCode128); // already in use: nothing
    EXPECT_EQ(doc().m_pBarcode.get(), bc);
    EXPECT_FALSE(doc().IsModified());

    app.GetMainFrame()->RouteCommand(cmd::kCode39);
    EXPECT_STREQ(ClassName(doc()), "C39Barcode");
    EXPECT_EQ(doc().m_pBarcode->m_strData, "ABC"); // Code 128 stored "ABC"; Code 39 keeps it
    EXPECT_EQ(doc().m_pBarcode->m_strFontName, "Liberation Sans");
    EXPECT_EQ(doc().m_pBarcode->m_nFontSize, 12);
    EXPECT_EQ(doc().m_pBarcode->m_nHeight, 2000);
    EXPECT_EQ(doc().m_pBarcode->m_nHeightUnit, 1);
    EXPECT_TRUE(doc().IsModified());

    // The menu's check mark follows the class.
    app.GetMainFrame()->OnIdleUpdate();
    EXPECT_TRUE(app.GetMainFrame()->Action(cmd::kCode39)->isChecked());
    EXPECT_FALSE(app.GetMainFrame()->Action(cmd::kCode128)->isChecked());

    doc().m_pBarcode->m_strData = "abc"; // lower case reaches the next symbology's rules
    app.GetMainFrame()->RouteCommand(cmd::kCode39Mod43);
    EXPECT_EQ(doc().m_pBarcode->m_strData, "");
}

TEST_F(DocumentTest, RecentFilesMoveToTheTopAndAFailedOneIsDropped) {
    for (const char* name : {"a.qmx", "b.qmx", "c.qmx", "d.qmx", "e.qmx"})
        SaveAs(Path(name));
    EXPECT_EQ(app.RecentFiles(),
              QStringList({Path("e.qmx"), Path("d.qmx"), Path("c.qmx"), Path("b.qmx")}));
    ASSERT_TRUE(app.OpenDocumentFile(Path("c.qmx")));
    EXPECT_EQ(app.RecentFiles().front(), Path("c.qmx"));
    EXPECT_EQ(app.RecentFiles().size(), 4);

    QFile::remove(Path("d.qmx"));
    app.GetMainFrame()->RouteCommand(cmd::kFileMruFirst + 2); // d.qmx
    EXPECT_FALSE(app.RecentFiles().contains(Path("d.qmx")));
    EXPECT_EQ(dialogs.messages.back(), Path("d.qmx") + " was not found.");

    app.SaveRecentFiles();
    CQuillmarkApp again;
    again.LoadRecentFiles();
    EXPECT_EQ(again.RecentFiles(), app.RecentFiles());
}

TEST(RecentFiles, LongPathsAreShortenedForTheMenu) {
    EXPECT_EQ(AbbreviatePath("/home/a/b.qmx"), "/home/a/b.qmx");
    const QString shown = AbbreviatePath("/home/user/projects/labels/2026/box.qmx");
    EXPECT_LE(shown.size(), 30);
    EXPECT_TRUE(shown.endsWith("2026/box.qmx")) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("/home/...")) << shown.toStdString();
}
