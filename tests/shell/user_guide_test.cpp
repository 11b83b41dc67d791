#include "shell/user_guide.h"
#include "tests/support/dialog_script.h"
#include "tests/support/temp_env.h"

#include <QDir>
#include <QFile>
#include <QTextBrowser>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

// The desktop's viewer first; the program's own window where it has none or there is no PDF;
// a message naming both files where neither is there.
TEST(UserGuide, FallsBackToItsOwnWindowWhenTheDesktopCannotOpenThePdf) {
    const struct {
        const char* name;
        bool pdf, markdown, desktopOpens;
        bool opened;  // the opener was asked for the PDF
        bool window;  // the program's window shows the guide
        bool message; // the user is told the guide is missing
    } cases[] = {
        {"viewer", true, true, true, true, false, false},
        {"no viewer", true, true, false, true, true, false},
        {"no pdf", false, true, true, false, true, false},
        {"nothing", false, false, false, false, false, true},
        {"no viewer, no markdown", true, false, false, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempEnv env;
        DialogScript dialogs;
        const QString dir = QString::fromStdString(env.Root().string());
        if (c.pdf) Write(dir + "/userguide.pdf", "%PDF-1.4\n");
        if (c.markdown) Write(dir + "/userguide.md", "# Quillmark Guide\n\nMake **barcodes**.\n");
        std::vector<QUrl> asked;
        const UrlOpener previous = SetUrlOpener([&](const QUrl& url) {
            asked.push_back(url);
            return c.desktopOpens;
        });
        CUserGuideWindow* window = ShowUserGuide(dir);
        SetUrlOpener(previous);

        EXPECT_EQ(asked.size(), c.opened ? 1u : 0u);
        if (!asked.empty()) {
            EXPECT_EQ(asked[0], QUrl::fromLocalFile(dir + "/userguide.pdf"));
        }
        ASSERT_EQ(window != nullptr, c.window);
        if (window) {
            EXPECT_TRUE(window->isVisible());
            // Set as Markdown, not shown as its source.
            const QString text = window->Browser()->toPlainText();
            EXPECT_TRUE(text.contains("Quillmark Guide\nMake barcodes.")) << text.toStdString();
            // A second call shows the same window.
            EXPECT_EQ(ShowUserGuide(dir), window);
            delete window;
        }
        ASSERT_EQ(dialogs.messages.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_TRUE(dialogs.messages[0].contains(dir + "/userguide.md"))
                << dialogs.messages[0].toStdString();
        }
    }
}

// The desktop's own opener asks which program takes PDFs before it hands the guide over:
// xdg-open would report success even where none does, and the guide would never show.
TEST(UserGuide, TheDesktopIsAskedForAPdfViewerFirst) {
    TempEnv env;
    DialogScript dialogs;
    const QString dir = QString::fromStdString(env.Root().string());
    Write(dir + "/userguide.pdf", "%PDF-1.4\n");
    Write(dir + "/userguide.md", "# Quillmark Guide\n");
    // An xdg-mime that knows no program for any type, and notes what it was asked.
    QDir().mkpath(dir + "/bin");
    Write(dir + "/bin/xdg-mime", "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/asked\"\n");
    QFile::setPermissions(dir + "/bin/xdg-mime", QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir + "/bin:") + path);
    CUserGuideWindow* window = ShowUserGuide(dir);
    qputenv("PATH", path);

    ASSERT_NE(window, nullptr);
    delete window;
    QFile asked(dir + "/bin/asked");
    ASSERT_TRUE(asked.open(QIODevice::ReadOnly));
    EXPECT_EQ(asked.readAll(), "query default application/pdf\n");
    EXPECT_TRUE(dialogs.messages.empty());
}
