// The window in another language: a translation made with the translation tools at test time
// and installed for its locale changes what the window shows; the build's template holds the
// texts of the menus, dialogs, tables and messages, so none is left out of translation.

#include "engine/symbologies.h"
#include "render/export_formats.h"
#include "shell/app.h"
#include "shell/main_frame.h"
#include "tests/support/settings_fixture.h"
#include "ui/shown_message.h"
#include "ui/translation.h"

#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QTranslator>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

QString ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TranslationTest : public SettingsTest {};

TEST_F(TranslationTest, ATranslationForTheUsersLanguageIsWhatTheWindowShows) {
#ifndef QM_LRELEASE
    GTEST_SKIP() << "Qt's translation tools are not installed";
#else
    const QString dir = QString::fromStdString(env.Root().string());
    QFile ts(dir + "/quillmark_fr.ts");
    ASSERT_TRUE(ts.open(QIODevice::WriteOnly));
    ts.write(R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context><name>Quillmark</name>
<message><source>&amp;File</source><translation>&amp;Fichier</translation></message>
<message><source>Ready</source><translation>Prêt</translation></message>
<message><source>&amp;Export...</source><translation>E&amp;xporter...</translation></message>
<message><source>Untitled</source><translation>Sans titre</translation></message>
<message><source>line %1</source><translation>ligne %1</translation></message>
<message><source>the check digit %1 was replaced by %2</source><translation>le chiffre de contrôle %1 a été remplacé par %2</translation></message>
</context>
</TS>
)");
    ts.close();
    QProcess lrelease;
    lrelease.start(QStringLiteral(QM_LRELEASE), {dir + "/quillmark_fr.ts"});
    ASSERT_TRUE(lrelease.waitForFinished(60000));
    ASSERT_TRUE(QFile::exists(dir + "/quillmark_fr.qm")) << lrelease.readAll().toStdString();

    const std::vector<QTranslator*> installed =
        InstallTranslations({dir}, QLocale(QLocale::French));
    ASSERT_FALSE(installed.empty());
    {
        CQuillmarkApp app;
        app.CreateMainWindow();
        ASSERT_TRUE(app.OnFileNew());
        CMainFrame* frame = app.GetMainFrame();
        const QList<QAction*> menus = frame->menuBar()->actions();
        ASSERT_FALSE(menus.isEmpty());
        EXPECT_EQ(menus.front()->text(), "&Fichier");
        EXPECT_EQ(frame->MessagePaneText(), "Prêt");
        EXPECT_EQ(frame->windowTitle(), "Sans titre[*] - Bellwick Quillmark");
        QStringList items;
        for (const QAction* a : menus.front()->menu()->actions())
            items << a->text();
        EXPECT_TRUE(items.contains("E&xporter...")) << items.join('|').toStdString();
        // A text without a translation stays as it is.
        EXPECT_TRUE(items.contains("&Open...")) << items.join('|').toStdString();
        // A message of the layers below the window, with a message as one of its arguments.
        const CMessage line = MakeMessage(Msg::WhereLine, "7");
        EXPECT_EQ(
            ShownMessage(MakeMessage(Msg::RunProblem, line,
                                     CMessages{MakeMessage(Msg::CheckDigitReplaced, "8", "7")})),
            QString::fromUtf8("ligne 7: le chiffre de contrôle 8 a été remplacé par 7"));
    }
    for (QTranslator* t : installed) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
#endif
}

TEST(TranslationTemplate, HoldsTheTextsOfMenusDialogsTablesAndMessages) {
#ifndef QM_TRANSLATION_TEMPLATE
    GTEST_SKIP() << "Qt's translation tools are not installed";
#else
    const QString ts = ReadAll(QStringLiteral(QM_TRANSLATION_TEMPLATE));
    ASSERT_FALSE(ts.isEmpty()) << QM_TRANSLATION_TEMPLATE;
    for (const char* text : {
             "&amp;Export...",                       // a menu item, from the command table
             "Export to other image format\nExport", // its prompt and tool tip
             "Save changes to %1?",                  // a question
             "Start at Label",                       // the print dialog
             "Top Margin:",                          // the label setting dialog's table
             "Inch (US)",                            // the Options dialog's table
             "There is nothing to print: %1.",       // a printing message
             "Snap bars to device dots",             // an option
             "Horizontal pitch",                     // a caption of the label diagram
             "Please specify a numeric value between %1 and %2.", // an entry field's warning
             "The label database connection string names no database file; give it as "
             "DBQ=&lt;file&gt;.", // a label database message
             "Error correction",  // a symbology's option, named by the engine
             "Untitled",          // a new document's title, written in a header
         })
        EXPECT_TRUE(ts.contains(QStringLiteral("<source>%1</source>").arg(QString::fromUtf8(text))))
            << text;
#endif
}

// Every message the layers below the window give is in the template, from their one table, and a
// translation of it is what the window shows.
TEST(TranslationTemplate, HoldsEveryMessageOfTheLowerLayers) {
#ifndef QM_TRANSLATION_TEMPLATE
    GTEST_SKIP() << "Qt's translation tools are not installed";
#else
    const QString ts = ReadAll(QStringLiteral(QM_TRANSLATION_TEMPLATE));
    ASSERT_FALSE(ts.isEmpty()) << QM_TRANSLATION_TEMPLATE;
    const auto escaped = [](QString text) {
        return text.replace('&', "&amp;")
            .replace('<', "&lt;")
            .replace('>', "&gt;")
            .replace('"', "&quot;")
            .replace('\'', "&apos;");
    };
    for (int id = 1; id < static_cast<int>(Msg::Count); ++id) {
        const QString text = QString::fromUtf8(MessageTemplate(static_cast<Msg>(id)));
        EXPECT_TRUE(ts.contains(QStringLiteral("<source>%1</source>").arg(escaped(text))))
            << text.toStdString();
    }
#endif
}

// The symbologies' option names and the Symbology menu's submenus come from the engine's
// tables; each is listed for translation.
TEST(TranslationTemplate, HoldsEveryOptionNameAndSymbologyGroup) {
#ifndef QM_TRANSLATION_TEMPLATE
    GTEST_SKIP() << "Qt's translation tools are not installed";
#else
    const QString ts = ReadAll(QStringLiteral(QM_TRANSLATION_TEMPLATE));
    ASSERT_FALSE(ts.isEmpty()) << QM_TRANSLATION_TEMPLATE;
    const auto listed = [&ts](const char* text) {
        return ts.contains(QStringLiteral("<source>%1</source>").arg(QString::fromUtf8(text)));
    };
    for (const SymbologyInfo& s : Symbologies()) {
        EXPECT_TRUE(listed(GroupName(s.group))) << GroupName(s.group);
        const std::unique_ptr<CBarcode> bc = CreateBarcode(s.cls);
        for (const CBarcode::COption& o : bc->GetOptions()) {
            EXPECT_TRUE(listed(o.name)) << o.name;
            // Numbers, sizes, versions (M1) and levels ("L 7%") are names, not words.
            for (const std::string choice : o.choices)
                if (!std::isdigit(static_cast<unsigned char>(choice[0])) &&
                    choice.find('%') == std::string::npos &&
                    !(choice[0] == 'M' && std::isdigit(static_cast<unsigned char>(choice[1])))) {
                    EXPECT_TRUE(listed(choice.c_str())) << choice;
                }
        }
    }
#endif
}

// The export dialog's format names come from a table the template's tool cannot read; each is
// listed for translation beside the window's texts.
TEST(TranslationTemplate, HoldsTheDialogNameOfEveryExportFormat) {
#ifndef QM_TRANSLATION_TEMPLATE
    GTEST_SKIP() << "Qt's translation tools are not installed";
#else
    const QString ts = ReadAll(QStringLiteral(QM_TRANSLATION_TEMPLATE));
    ASSERT_FALSE(ts.isEmpty()) << QM_TRANSLATION_TEMPLATE;
    for (const ExportFormat& format : ExportFormats()) {
        if (!format.filter) continue;
        EXPECT_TRUE(ts.contains(QStringLiteral("<source>%1</source>").arg(format.filter)))
            << format.filter;
    }
#endif
}
