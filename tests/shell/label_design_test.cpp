// Labels with lines as a user prints them: a CSV run of a product list on a 3 × 10 sheet through
// --pdf, every label's lines read back with their places from the PDF's text and every symbol
// with a real reader; a line too long for its label; a design saved and printed again.

#include "common/label_geometry.h"
#include "common/settings_store.h"
#include "labels/print_label_dialog.h"
#include "labels/sheet_preview.h"
#include "shell/app.h"
#include "shell/main_frame.h"
#include "shell/quillmark_view.h"
#include "tests/support/dialog_script.h"
#include "tests/support/image_scan.h"
#include "tests/support/pdf_pages.h"
#include "tests/support/settings_fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Avery 5160 as the label database has it (ID 106): 3 × 10 labels of 2.625 × 1 in on letter.
constexpr CLabelGeometry kSheet{0, 6668, 2540, 1270, 476, 6985, 2540, 3, 10};
constexpr double kPointsPerThousandthCm = 72 / 2540.0;

struct Finished {
    int status = -1;
    std::string errors;
};

struct Item {
    std::string sku, name, price;
};

class LabelDesignRunTest : public SettingsTest {
protected:
    QString Path(const char* name) const {
        return QString::fromStdString((env.Root() / name).string());
    }
    Finished Run(const QStringList& args) const {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("PAPERSIZE"), QStringLiteral("letter"));
        e.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(QM_QUILLMARK_EXE), args);
        EXPECT_TRUE(p.waitForFinished(180000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardError().toStdString()};
    }
    // Thirty products: quoted names with commas, names in Greek, Cyrillic and Japanese.
    std::vector<Item> WriteItems(const QString& csv) const {
        std::vector<Item> items;
        const char* names[] = {"Widget, large", "\xCE\x9A\xCE\xB1\xCF\x86\xCE\xAD",
                               "\xD0\xA7\xD0\xB0\xD0\xB9", "\xE6\x9D\xB1\xE4\xBA\xAC Tea",
                               "Bolt M4"};
        std::string text = "sku,name,price,qty\n";
        for (int i = 0; i < 30; ++i) {
            Item item{std::to_string(590123412300 + i), names[i % 5],
                      std::to_string(i + 1) + "." + std::to_string(10 + i)};
            items.push_back(item);
            text += item.sku + ",\"" + item.name + " " + std::to_string(i) + "\"," + item.price +
                    ",1\n";
            items.back().name += " " + std::to_string(i);
        }
        QFile f(csv);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
        return items;
    }
};

// A label's box on the page, in points.
struct Box {
    double x0, y0, x1, y1;
    bool Holds(const CPdfWord& w) const {
        return w.x0 >= x0 && w.x1 <= x1 && w.y0 >= y0 && w.y1 <= y1;
    }
};
Box LabelBox(int index) {
    const int row = index / kSheet.numberAcross, column = index % kSheet.numberAcross;
    const double x0 =
        (kSheet.sideMargin + column * kSheet.horizontalPitch) * kPointsPerThousandthCm;
    const double y0 = (kSheet.topMargin + row * kSheet.verticalPitch) * kPointsPerThousandthCm;
    return {x0, y0, x0 + kSheet.width * kPointsPerThousandthCm,
            y0 + kSheet.height * kPointsPerThousandthCm};
}

// The words of one label, in reading order, joined by spaces line by line: a word belongs to
// the line before when most of its height lies beside it (a fallback face's glyphs sit a little
// higher or lower than the family's own).
std::vector<std::string> LinesIn(const std::vector<CPdfWord>& words, const Box& box) {
    std::vector<std::string> lines;
    double top = 0, bottom = -1;
    for (const CPdfWord& w : words) {
        if (w.page != 0 || !box.Holds(w)) continue;
        const double shared = std::min(bottom, w.y1) - std::max(top, w.y0);
        if (lines.empty() || shared < 0.5 * std::min(bottom - top, w.y1 - w.y0)) {
            lines.emplace_back();
            top = w.y0, bottom = w.y1;
        }
        lines.back() += (lines.back().empty() ? "" : " ") + w.text.toStdString();
    }
    return lines;
}

// Every label of the sheet in `pdf`: its row's name, then its price, then the symbol's digits,
// each inside its label, and the symbol reads its row's data with nothing of the lines over its
// bars.
void ExpectDesignedRun(const QString& pdf, const std::vector<Item>& items) {
    const std::vector<CPdfWord> words = PdfWords(pdf);
    const std::vector<QImage> pages = RasterisePdf(pdf, QFileInfo(pdf).absolutePath() + '/');
    ASSERT_EQ(pages.size(), 1u);
    for (int i = 0; i < 30; ++i) {
        SCOPED_TRACE(i);
        const Box box = LabelBox(i);
        const std::vector<std::string> lines = LinesIn(words, box);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0], items[i].name);
        EXPECT_EQ(lines[1], "Price " + items[i].price);
        const double k = 300 / 72.0;
        const QImage label = pages[0].copy(QRect(qRound(box.x0 * k) + 3, qRound(box.y0 * k) + 3,
                                                 qRound((box.x1 - box.x0) * k) - 6,
                                                 qRound((box.y1 - box.y0) * k) - 6));
        const ScanResult read = ScanImage(label);
        ASSERT_TRUE(read.ok);
        EXPECT_EQ(read.text.substr(0, 12), items[i].sku);
    }
}

TEST_F(LabelDesignRunTest, ACsvRunPrintsEachRowsNameAndPriceAboveItsSymbol) {
    const QString csv = Path("items.csv"), doc = Path("doc.qmx"), pdf = Path("run.pdf");
    const std::vector<Item> items = WriteItems(csv);
    ASSERT_EQ(Run({"--export", doc, "--symbology", "EAN 13", "--height", "0.45in"}).status, 0);
    const Finished done = Run({"--pdf",       pdf,        doc,
                               "--label",     "106",      "--data-file",
                               csv,           "--header", "--column",
                               "sku",         "--line",   "{name}",
                               "--line-size", "9",        "--line-style",
                               "bold",        "--line",   "Price {price}",
                               "--line-size", "8",        "--line-style",
                               "regular"});
    ASSERT_EQ(done.status, 0) << done.errors;
    EXPECT_EQ(done.errors, "");
    ExpectDesignedRun(pdf, items);
}

TEST_F(LabelDesignRunTest, ALineTooLongIsSetSmallerThenReportedAndStrictPrintsNothing) {
    const QString doc = Path("doc.qmx"), pdf = Path("long.pdf");
    ASSERT_EQ(Run({"--export", doc, "--symbology", "Code 128", "--data", "A1", "--height", "0.3in"})
                  .status,
              0);
    // Fits once set smaller: nothing to say.
    Finished done = Run({"--pdf", pdf, doc, "--label", "106", "--count", "1", "--line",
                         "A product name somewhat longer than usual", "--line-size", "14"});
    EXPECT_EQ(done.status, 0) << done.errors;
    EXPECT_EQ(done.errors, "");
    // Too long even at the smallest size: said with its line, printed all the same...
    const QStringList tooLong = {"--pdf",   pdf, doc,      "--label",        "106",
                                 "--count", "1", "--line", QString(200, 'W')};
    done = Run(tooLong);
    EXPECT_EQ(done.status, 0);
    EXPECT_NE(done.errors.find("line 1 of the label"), std::string::npos) << done.errors;
    // ... and with --strict nothing is printed.
    QFile::remove(pdf);
    done = Run(tooLong + QStringList{"--strict"});
    EXPECT_EQ(done.status, 1);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(LabelDesignRunTest, ADesignSavedAndReopenedPrintsTheSame) {
    const QString doc = Path("design.qmx"), first = Path("first.pdf"), again = Path("again.pdf");
    ASSERT_EQ(Run({"--export", doc, "--symbology", "Code 128", "--data", "QM-7", "--height",
                   "0.4in", "--line", "Property of Halvern", "--line-size", "8", "--line",
                   "{date:%Y}", "--line-place", "below"})
                  .status,
              0);
    // Printed from the saved document alone, with no line given: its own lines.
    ASSERT_EQ(Run({"--pdf", first, doc, "--label", "106", "--count", "3"}).status, 0);
    const std::vector<std::string> lines = LinesIn(PdfWords(first), LabelBox(0));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "Property of Halvern");
    // Saved again through the export form, and printed: the same pages.
    ASSERT_EQ(Run({"--export", Path("copy.qmx"), doc}).status, 0);
    ASSERT_EQ(Run({"--pdf", again, Path("copy.qmx"), "--label", "106", "--count", "3"}).status, 0);
    const std::vector<QImage> a = RasterisePdf(first, Path("")), b = RasterisePdf(again, Path(""));
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(a[0], b[0]);
}

// The same run from the window: the document saved by the command line opened, the CSV chosen
// in the print dialog, whose sheet shows each label with its own row before it prints; the
// pages are those --pdf prints.
TEST_F(LabelDesignRunTest, TheWindowShowsAndPrintsTheDesignedLabelsOfTheRun) {
    const QString csv = Path("items.csv"), doc = Path("doc.qmx"), pdf = Path("window.pdf");
    const std::vector<Item> items = WriteItems(csv);
    ASSERT_EQ(Run({"--export", doc, "--symbology", "EAN 13", "--height", "0.45in", "--line",
                   "{name}", "--line-size", "9", "--line", "Price {price}", "--line-size", "8"})
                  .status,
              0);
    const QString database = QFileInfo(QStringLiteral(QM_QUILLMARK_EXE)).dir().filePath("data.dat");
    ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                            "Driver=SQLite;DBQ=" + database.toStdString()));
    ASSERT_TRUE(SettingsStore().WriteInt("Print", "SavedLabelID", 106));

    DialogScript dialogs;
    CQuillmarkApp app;
    app.CreateMainWindow();
    ASSERT_TRUE(app.OpenDocumentFile(doc));
    CQuillmarkView* view = app.GetMainFrame()->GetActiveView();
    view->SetPrinterHook([&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    std::vector<QImage> pictures;
    view->SetPrintDialogHook([&](CBWPrintLabelDialog& d) {
        d.SetPrinters({{"PDF file"}, "PDF file"});
        d.SetFileChooser([csv](const QString&) { return std::optional<QString>(csv); });
        QTimer::singleShot(0, &d, [&] {
            QTest::mouseClick(&d.FromFileRadio(), Qt::LeftButton, {}, QPoint(6, 6));
            QTest::mouseClick(&d.BrowseButton(), Qt::LeftButton);
            d.DataColumnField().setFocus();
            d.DataColumnField().selectAll();
            QTest::keyClicks(&d.DataColumnField(), "sku");
            QTest::mouseClick(&d.HeaderBox(), Qt::LeftButton, {}, QPoint(6, 6));
            d.RefreshRunPreview();
            pictures = d.SheetPreview().LabelPictures();
            QTest::mouseClick(&d.OkButton(), Qt::LeftButton);
        });
    });
    view->OnFilePrint();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();

    // The sheet's picture: every label of the sheet with its own row's symbol.
    ASSERT_EQ(pictures.size(), 30u);
    for (int i : {0, 1, 17, 29}) {
        const ScanResult read = ScanImage(pictures[i]);
        ASSERT_TRUE(read.ok) << i;
        EXPECT_EQ(read.text.substr(0, 12), items[i].sku);
    }
    // The printed page: each label's name and price above its symbol, inside the label, as
    // --pdf prints them (the window's printer lays the page out with margins, so bars may lie a
    // printer dot apart from the command line's).
    ExpectDesignedRun(pdf, items);
}

} // namespace
