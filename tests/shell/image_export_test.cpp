// Images as the command writes them, measured: the module of a default export, and the bars and
// spaces an image's bar-width reduction makes.
#include "common/settings_store.h"
#include "shell/app.h"
#include "shell/main_frame.h"
#include "shell/quillmark_view.h"
#include "tests/support/dialog_script.h"
#include "tests/support/image_scan.h"
#include "tests/support/settings_fixture.h"

#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::string Decode(const QImage& image) {
    const ScanResult r = ScanImage(image);
    return r.ok ? r.text : std::string("<nothing>");
}

// The narrowest run of dark pixels across any row: a symbol without its text has a bar or a
// module that narrow, the module itself.
int NarrowestDarkRun(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    int narrowest = grey.width();
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width();) {
            if (row[x] >= 128) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < grey.width() && row[x] < 128)
                ++x;
            narrowest = std::min(narrowest, x - start);
        }
    }
    return narrowest;
}

// The widths of the bars and spaces along the image's middle row, from its first dark pixel
// to its last: bar, space, bar, ...
std::vector<int> Elements(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const uchar* row = grey.constScanLine(grey.height() / 2);
    std::vector<int> widths;
    bool dark = true;
    int x = 0;
    while (x < grey.width() && row[x] >= 128)
        ++x;
    int end = grey.width();
    while (end > x && row[end - 1] >= 128)
        --end;
    while (x < end) {
        int w = 0;
        for (; x < end && (row[x] < 128) == dark; ++x)
            ++w;
        widths.push_back(w);
        dark = !dark;
    }
    return widths;
}

} // namespace

class ImageExportTest : public SettingsTest {
protected:
    struct Run {
        int code;
        QString err;
    };
    Run Quillmark(const QStringList& args) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("ASAN_OPTIONS", "detect_leaks=0");
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(QM_QUILLMARK_EXE), args);
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QString Path(const QString& name) const {
        return QString::fromStdString(env.Root().string()) + '/' + name;
    }
    DialogScript dialogs;
};

// An image export that names no resolution (none given, none in the Options) gives every
// module at least two dots, within 15 % of X, whatever X the Options set: a reader reads it
// and no warning is due. Where a resolution is set that makes the module more than 15 % off,
// the command and the window say so in the same words.
TEST_F(ImageExportTest, DefaultImagesGiveTheModuleTwoDotsAndAnOffModuleIsSaid) {
    const struct {
        const char* symbology;
        const char* data;
        const char* reads;
    } symbols[] = {
        {"Data Matrix", "1234567890", "1234567890"},
        {"UPC-A", "01234567890", "012345678905"},
        {"UPC-E", "01234565", "01234565"},
        {"Code 128", "Q-1", "Q-1"},
    };
    for (const int x : {7, 8, 10, 13, 20}) {
        ASSERT_TRUE(SettingsStore().WriteInt("Options", "Density", x));
        for (const auto& s : symbols) {
            SCOPED_TRACE(testing::Message() << s.symbology << " at X = " << x << " mil");
            const QString png = Path("default.png");
            const Run r = Quillmark(
                {"--export", png, "--symbology", s.symbology, "--data", s.data, "--no-text"});
            ASSERT_EQ(r.code, 0) << r.err.toStdString();
            EXPECT_EQ(r.err.toStdString(), "");
            const QImage image(png);
            EXPECT_GE(NarrowestDarkRun(image), 2);
            EXPECT_EQ(Decode(image), s.reads);
        }
    }
    ASSERT_TRUE(SettingsStore().WriteInt("Options", "Density", 13));
    ASSERT_TRUE(SettingsStore().WriteInt("Options", "CopyResolution", 96));
    const Run off =
        Quillmark({"--export", Path("off.png"), "--symbology", "UPC-A", "--data", "01234567890"});
    EXPECT_EQ(off.code, 0);
    const std::string warning = "At 96 dpi an X dimension of 13 mil becomes 1 dots (10.42 mil), "
                                "20 % smaller than asked. Choose another X dimension or "
                                "resolution.";
    EXPECT_EQ(off.err.toStdString(), "quillmark: " + warning + "\n");
    CQuillmarkApp app;
    app.CreateMainWindow();
    ASSERT_TRUE(app.OnFileNew());
    ASSERT_TRUE(app.GetMainFrame()->GetActiveView()->ExportToFile(Path("window.png")));
    EXPECT_EQ(app.GetMainFrame()->MessagePaneText().toStdString(), warning);
}

// The Options' bar-width reduction in an exported image: every bar that many dots narrower and
// every space as much wider, the symbol as wide as without it and still read.
TEST_F(ImageExportTest, TheBarWidthReductionNarrowsEveryBarAndWidensEverySpace) {
    std::vector<int> plain;
    QSize plainSize;
    for (const int reduction : {0, 1, 2}) {
        SCOPED_TRACE(testing::Message() << "reduction " << reduction);
        ASSERT_TRUE(SettingsStore().WriteInt("Options", "BarWidthReduction", reduction));
        const QString png = Path(QString("r%1.png").arg(reduction));
        const Run r = Quillmark({"--export", png, "--symbology", "Code 128", "--data", "QM-17",
                                 "--dpi", "600", "--no-text"});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QImage image(png);
        EXPECT_EQ(Decode(image), "QM-17");
        const std::vector<int> elements = Elements(image);
        if (reduction == 0) {
            plain = elements;
            plainSize = image.size();
            EXPECT_EQ(*std::min_element(plain.begin(), plain.end()), 6); // 10 mil at 600 dpi
            continue;
        }
        EXPECT_EQ(image.size(), plainSize);
        ASSERT_EQ(elements.size(), plain.size());
        for (std::size_t i = 0; i < plain.size(); ++i)
            EXPECT_EQ(elements[i], plain[i] + (i % 2 == 0 ? -reduction : reduction))
                << (i % 2 == 0 ? "bar " : "space ") << i / 2 + 1;
    }
}
