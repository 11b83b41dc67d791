// Label runs printed by the program as a user runs it: into a PDF file with --pdf, rasterised
// by poppler, every label read back by a real barcode reader where it should be.

#include "common/label_geometry.h"
#include "common/settings_store.h"
#include "engine/symbologies.h"
#include "labels/print_label_dialog.h"
#include "labels/sheet_preview.h"
#include "shell/app.h"
#include "shell/main_frame.h"
#include "shell/printing.h"
#include "shell/quillmark_view.h"
#include "tests/support/dialog_script.h"
#include "tests/support/image_scan.h"
#include "tests/support/pdf_pages.h"
#include "tests/support/settings_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "tests/shell/print_run_fixture.h"

TEST_F(PrintRunTest, ANumberedRunFromRowFourColumnTwoScansLabelByLabel) {
    const Finished done = Run({"--pdf", pdf, doc, "--numbered", "1:65", "--prefix", "INV-",
                               "--digits", "5", "--start", "4,2"});
    ASSERT_EQ(done.status, 0) << done.errors;
    EXPECT_EQ(done.errors, "");
    // Row 4, column 2 is the eleventh label: 20 labels, 30, then 15.
    ExpectRun(Pages(), 10, 65, [](int i) {
        char text[16];
        std::snprintf(text, sizeof text, "INV-%05d", i + 1);
        return std::string(text);
    });
}

TEST_F(PrintRunTest, OneLabelPerRowOfACsvFileFromTheFifthLabel) {
    const QString csv = Path("parts.csv");
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // A spreadsheet's export: byte-order mark, quoted fields, a separator inside quotes.
    file.write("\xEF\xBB\xBFName;Code;Qty\r\n"
               "\"Bolt; M4\";B-104;2\r\n"
               "Nut;\"N-\"\"7\"\"\";1\r\n"
               "\"Caf\xC3\xA9\";W-9;0\r\n"
               "Washer;W-10;3\r\n");
    file.close();
    const Finished done = Run({"--pdf", pdf, doc, "--data-file", csv, "--column", "code",
                               "--header", "--copies-column", "Qty", "--start", "5"});
    ASSERT_EQ(done.status, 0) << done.errors;
    const std::vector<std::string> labels = {"B-104", "B-104", "N-\"7\"", "W-10", "W-10", "W-10"};
    ExpectRun(Pages(), 4, 6, [&labels](int i) { return labels[i]; });
}

TEST_F(PrintRunTest, TheOffsetMovesEverySymbol) {
    const Finished done = Run({"--pdf", pdf, doc, "--offset", "2mm,-0.04in", "--count", "30"});
    ASSERT_EQ(done.status, 0) << done.errors;
    ExpectRun(Pages(), 0, 30, [](int) { return std::string("HALVERN"); }, {2, -1.016});
}

TEST_F(PrintRunTest, LabelsThatWouldNotPrintAsGivenAreListedWithTheirLines) {
    const QString csv = Path("codes.txt");
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("OK-1\nlower\nOK-3\n\xE2\x82\xAC"
               "5\n");
    file.close();
    const QStringList args = {"--pdf", pdf, doc, "--data-file", csv};
    // Listed, then printed as the symbology makes them.
    Finished done = Run(args);
    ASSERT_EQ(done.status, 0) << done.errors;
    EXPECT_EQ(done.errors,
              "quillmark: line 2 \"lower\": lower-case letters were changed to "
              "capitals\n"
              "quillmark: line 4 \"5\": \"\xE2\x82\xAC\" outside Latin-1 was left out\n"
              "quillmark: 2 of 4 labels would not print as given; they were printed "
              "as the symbology makes them\n");
    EXPECT_TRUE(QFile::exists(pdf));
    // With --strict nothing prints, and the earlier file stays as it was.
    const QByteArray before = [&] {
        QFile f(pdf);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    done = Run(args + QStringList{"--strict"});
    EXPECT_EQ(done.status, 1);
    EXPECT_NE(done.errors.find("nothing was printed (--strict)"), std::string::npos) << done.errors;
    QFile after(pdf);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}

TEST_F(PrintRunTest, ARowsProblemIsListedOnceWithItsCopies) {
    const QString csv = Path("copies.txt");
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("OK-1,1\nlower,3\nOK-3,2\n");
    file.close();
    const Finished done = Run({"--pdf", pdf, doc, "--data-file", csv, "--copies-column", "2"});
    ASSERT_EQ(done.status, 0) << done.errors;
    EXPECT_EQ(done.errors, "quillmark: line 2 \"lower\": lower-case letters were changed to "
                           "capitals (3 labels)\n"
                           "quillmark: 3 of 6 labels would not print as given; they were printed "
                           "as the symbology makes them\n");
}

TEST_F(PrintRunTest, RunsThatCannotPrintSayWhyAndWriteNothing) {
    const struct {
        QStringList args;
        const char* error;
    } cases[] = {
        {{"--start", "11,1"},
         "quillmark: nothing was printed: the labels cannot start there: the sheet has 10 rows, "
         "no row 11\n"},
        {{"--numbered", "10:1"},
         "quillmark: nothing was printed: a step of 1 never reaches 1 "
         "from 10\n"},
        {{"--data-file", "absent.csv"},
         "quillmark: nothing was printed: the data file \"absent.csv\" cannot be read: No such "
         "file or directory\n"},
        {{"--offset", "11mm,0mm"},
         "quillmark: --offset moves the print at most 10 mm (0.39 in) "
         "each way\n"},
    };
    for (const auto& c : cases) {
        const Finished done = Run(QStringList{"--pdf", pdf, doc} + c.args);
        EXPECT_NE(done.status, 0) << c.error;
        EXPECT_EQ(done.errors, c.error);
        EXPECT_FALSE(QFile::exists(pdf)) << c.error;
        EXPECT_TRUE(QDir(QString::fromStdString(env.Root().string()))
                        .entryList({".run.pdf*", ".~qm*"}, QDir::Hidden | QDir::Files)
                        .isEmpty())
            << "no scratch file left behind";
    }
}

// A symbol that draws nothing (data a QR Code cannot hold) prints no blank pages.
TEST_F(PrintRunTest, ASymbolThatDrawsNothingIsNotPrinted) {
    const QString empty = Path("too-long.qmx");
    ASSERT_EQ(
        Run({"--export", empty, "--symbology", "QR Code", "--data", QString(5000, u'A')}).status,
        0);
    const Finished done = Run({"--pdf", pdf, empty, "--count", "3"});
    EXPECT_EQ(done.status, 1);
    EXPECT_NE(done.errors.find("There is nothing to print:"), std::string::npos) << done.errors;
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintRunTest, ASymbolLargerThanItsLabelIsFoundBeforePrinting) {
    std::unique_ptr<CBarcode> barcode =
        ConvertBarcode(*NewDocumentBarcode(), FindSymbologyByCliName("Code 39")->cls);
    CPrintJob job = StoredPrintJob(barcode.get(), {});
    job.run.kind = CLabelRunChoice::Kind::Numbered;
    job.run.first = "1";
    job.run.last = "3";
    job.run.prefix = "PART-";
    job.run.digits = 4;
    EXPECT_EQ(CheckPrintJob(job, true).problemCount, 0) << "PART-0001 fits 2.625 inches";
    job.run.digits = 12;
    const CRunReport report = CheckPrintJob(job, true);
    ASSERT_EQ(report.problemCount, 3);
    ASSERT_EQ(report.tooLarge.id, Msg::LabelSymbolTooLarge);
    ASSERT_EQ(report.tooLarge.args.size(), 2u);
    // 2.625 inches, as the label's read-out shows it.
    EXPECT_EQ(report.tooLarge.args[1].text, "2.63 x 1.00 in");
    EXPECT_EQ(report.problems[2].where, MakeMessage(Msg::WhereLabel, "3"));
}

TEST_F(PrintRunTest, ALengthReadsTheSameWhereverItIsShown) {
    // Every product of the program's own label database.
    const QString database = QFileInfo(QStringLiteral(QM_QUILLMARK_EXE)).dir().filePath("data.dat");
    std::vector<LabelRecord> labels;
    {
        CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + database, {}));
        for (const LabelMaker& maker : db.ListMakers())
            for (const LabelProduct& product : db.ListProducts(maker.bookmark))
                // Tape cut to the symbol's length is never shorter than the symbol.
                if (LabelRecord label = db.ReadLabel(product.bookmark);
                    LabelPrintFault(label.geometry).isEmpty() && label.geometry.height > 0)
                    labels.push_back(std::move(label));
    }
    ASSERT_GT(labels.size(), 1000u);
    CQuillmarkApp app;
    app.CreateMainWindow();
    ASSERT_TRUE(app.OnFileNew());
    // Bars a foot high: larger than every label, so that each check says both sizes.
    app.GetDocument().m_pBarcode->m_nHeight = 12000;
    const CQuillmarkView* view = app.GetMainFrame()->GetActiveView();
    for (const int unit : {0, 1}) {
        ASSERT_TRUE(SettingsStore().WriteInt("Options", "Unit", unit));
        const QString u = unit == 0 ? "in" : "cm";
        // The status bar's "1.44in x 12.30in" is the symbol's size in the message.
        const QString symbol = view->SizeReadout().replace(u, "") + ' ' + u;
        QStringList differing;
        for (const LabelRecord& label : labels) {
            CPrintJob job = view->PrintJob();
            job.settings.useLabel = 1;
            job.settings.fullPage = 0;
            job.settings.geometry = label.geometry;
            job.run = {};
            const LabelReadouts shown = MakeLabelReadouts(label, unit != 0);
            const QString expected = "the symbol, " + symbol + ", is larger than the label, " +
                                     shown.width.chopped(3) + " x " + shown.height;
            const QString said =
                QString::fromStdString(MessageText(CheckPrintJob(job, false).tooLarge));
            if (said != expected) differing << label.name1 + ": " + said + " | " + expected;
        }
        EXPECT_TRUE(differing.isEmpty())
            << differing.size() << " of " << labels.size() << " in " << u.toStdString()
            << ", such as " << differing.mid(0, 3).join("; ").toStdString();
    }
}

TEST_F(PrintRunTest, TheDialogPrintsOneLabelPerRowFromTheFifthLabel) {
    // The program's own label database, and in it a 3 x 10 sheet of address labels.
    const QString database = QFileInfo(QStringLiteral(QM_QUILLMARK_EXE)).dir().filePath("data.dat");
    ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                            "Driver=SQLite;DBQ=" + database.toStdString()));
    std::optional<LabelRecord> address;
    {
        CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + database, {}));
        for (const LabelMaker& maker : db.ListMakers())
            if (maker.name == "Avery")
                for (const LabelProduct& product : db.ListProducts(maker.bookmark))
                    if (product.text.startsWith("5160 - "))
                        address = db.ReadLabel(product.bookmark);
    }
    ASSERT_TRUE(address);
    ASSERT_TRUE(SettingsStore().WriteInt("Print", "SavedLabelID", address->id));
    const QString csv = Path("names.csv");
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Name,Code\nAda,AD-1\nBea,be-2\nCid,CI-3\n");
    file.close();

    DialogScript dialogs;
    dialogs.answers = {IDNO}; // leave out the label that would not print as given
    CQuillmarkApp app;
    app.CreateMainWindow();
    ASSERT_TRUE(app.OnFileNew());
    app.GetDocument().m_pBarcode->m_nHeight = 400;
    CQuillmarkView* view = app.GetMainFrame()->GetActiveView();
    view->SetPrinterHook([this](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    const auto click = [](QAbstractButton& b) {
        QTest::mouseClick(&b, Qt::LeftButton, {},
                          qobject_cast<QPushButton*>(&b) ? b.rect().center()
                                                         : QPoint(b.height() / 2, b.height() / 2));
    };
    view->SetPrintDialogHook([&](CBWPrintLabelDialog& d) {
        d.SetPrinters({{"PDF file"}, "PDF file"});
        d.SetFileChooser([csv](const QString&) { return std::optional<QString>(csv); });
        QTimer::singleShot(0, &d, [&] {
            click(d.FromFileRadio());
            click(d.BrowseButton());
            d.DataColumnField().setFocus();
            d.DataColumnField().selectAll();
            QTest::keyClicks(&d.DataColumnField(), "code");
            click(d.HeaderBox());
            // The fifth label: row 2, column 2.
            CBWSheetPreview& sheet = d.SheetPreview();
            QTest::mouseClick(&sheet, Qt::LeftButton, {},
                              sheet.Layout().LabelRect(*sheet.Sheet(), {1, 1}).center().toPoint());
            d.RefreshRunPreview();
            EXPECT_EQ(d.RunPreview().count(), 3);
            EXPECT_EQ(d.RunPreview().item(0)->text(), "line 2: AD-1");
            click(d.OkButton());
        });
    });
    view->OnFilePrint();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].startsWith(
        "1 of the 3 labels would not print as given:\n\nline 3 \"be-2\": 2 characters that Code "
        "39 cannot encode were removed\n"))
        << dialogs.messages[0].toStdString();
    const std::vector<std::string> printed = {"AD-1", "CI-3"};
    ExpectRun(
        Pages(), 4, 2, [&printed](int i) { return printed[i]; }, {}, address->geometry);
}

TEST_F(PrintRunTest, TheDialogPrintsTheOutlinePageAndStaysOpen) {
    const QString database = QFileInfo(QStringLiteral(QM_QUILLMARK_EXE)).dir().filePath("data.dat");
    ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                            "Driver=SQLite;DBQ=" + database.toStdString()));
    CQuillmarkApp app;
    app.CreateMainWindow();
    ASSERT_TRUE(app.OnFileNew());
    CQuillmarkView* view = app.GetMainFrame()->GetActiveView();
    view->SetPrinterHook([this](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    std::optional<CLabelGeometry> sheet;
    std::vector<QImage> pages;
    bool stayedOpen = false;
    view->SetPrintDialogHook([&](CBWPrintLabelDialog& d) {
        d.SetPrinters({{"PDF file"}, "PDF file"});
        QTimer::singleShot(0, &d, [&] {
            sheet = d.SheetPreview().Sheet();
            QTest::mouseClick(&d.OutlinesButton(), Qt::LeftButton);
            stayedOpen = d.isVisible();
            if (QFile::exists(pdf)) pages = Pages();
            QTest::mouseClick(&d.CancelButton(), Qt::LeftButton);
        });
    });
    DialogScript dialogs;
    view->OnFilePrint();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    EXPECT_TRUE(stayedOpen);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(pages.size(), 1u) << "the outline page, and nothing after Cancel";
    // A cross at each label's centre, its arms inside the label.
    for (const auto& [row, column] : {std::pair{0, 0}, std::pair{sheet->numberDown - 1, 0}}) {
        const LabelSeen seen = Look(pages[0], *sheet, row, column);
        EXPECT_FALSE(seen.blank) << row;
        EXPECT_LT(std::hypot(seen.dx, seen.dy), 0.25) << row;
    }
    EXPECT_EQ(SettingsStore().GetInt("Print", "SavedLabelID", -1), -1) << "Cancel stores nothing";
}

TEST_F(PrintRunTest, TheOutlinePageShowsEveryLabelAndItsCentreWhereTheOffsetPutsThem) {
    const Finished done = Run({"--pdf", pdf, doc, "--outlines", "--offset", "1mm,-0.5mm"});
    ASSERT_EQ(done.status, 0) << done.errors;
    const std::vector<QImage> pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    const QImage page = pages[0].convertToFormat(QImage::Format_Grayscale8);
    // Dark within a dot of (x, y), in mm from the paper's top-left corner.
    const auto dark = [&page](double xMm, double yMm) {
        const int x = qRound(xMm * kDotsPerMm), y = qRound(yMm * kDotsPerMm);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (qGray(page.pixel(x + dx, y + dy)) < 128) return true;
        return false;
    };
    for (int row = 0; row < kSheet.numberDown; ++row)
        for (int column = 0; column < kSheet.numberAcross; ++column) {
            SCOPED_TRACE(testing::Message() << "row " << row + 1 << ", column " << column + 1);
            // Thousandths of a centimetre are hundredths of a millimetre.
            const double left = (kSheet.sideMargin + column * kSheet.horizontalPitch) / 100.0 + 1;
            const double top = (kSheet.topMargin + row * kSheet.verticalPitch) / 100.0 - 0.5;
            const double cx = left + kSheet.width / 200.0, cy = top + kSheet.height / 200.0;
            EXPECT_TRUE(dark(cx, cy)) << "the cross at the centre";
            EXPECT_TRUE(dark(cx + 4, cy)) << "its arm across";
            EXPECT_TRUE(dark(cx, cy + 4)) << "its arm down";
            EXPECT_FALSE(dark(cx + 3, cy + 3)) << "between the arms";
            EXPECT_TRUE(dark(left, cy)) << "the label's left edge";
            EXPECT_TRUE(dark(cx, top)) << "the label's top edge";
            EXPECT_FALSE(dark(left + 8, top + 8)) << "inside the label, away from the cross";
        }
}

TEST_F(PrintRunTest, ThePreviewShowsEveryPageOfTheRun) {
    CLabelRunChoice run;
    run.kind = CLabelRunChoice::Kind::Numbered;
    run.first = "1";
    run.last = "65";
    run.startRow = 4;
    run.startColumn = 2;
    ASSERT_TRUE(WriteRunChoice(run, kSheet.numberAcross));
    CQuillmarkApp app;
    app.CreateMainWindow();
    ASSERT_TRUE(app.OnFileNew());
    int pages = -1;
    QTimer::singleShot(0, [&pages] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* preview = w->findChild<QPrintPreviewWidget*>(); preview && w->isVisible()) {
                pages = preview->pageCount();
                w->close();
            }
    });
    app.GetMainFrame()->GetActiveView()->OnFilePrintPreview();
    EXPECT_EQ(pages, 3) << "20 labels, 30, then 15";
}

TEST_F(PrintRunTest, ThePdfPageIsTheProductsPaperOrTheSystems) {
    // Products of the program's own label database on A4 and on letter paper.
    const QString database = QFileInfo(QStringLiteral(QM_QUILLMARK_EXE)).dir().filePath("data.dat");
    ASSERT_TRUE(SettingsStore().WriteString("Print", "LabelDBConnectionString",
                                            "Driver=SQLite;DBQ=" + database.toStdString()));
    std::map<int, int> productOfPaper; // paper size index, product
    {
        CLabelDatabase db(ParseLabelConnectionString("Driver=SQLite;DBQ=" + database, {}));
        for (const LabelMaker& maker : db.ListMakers())
            for (const LabelProduct& product : db.ListProducts(maker.bookmark)) {
                const LabelRecord label = db.ReadLabel(product.bookmark);
                if (LabelPrintFault(label.geometry).isEmpty())
                    productOfPaper.emplace(label.geometry.paperSize, label.id);
            }
    }
    ASSERT_TRUE(productOfPaper.count(0) && productOfPaper.count(2)) << "letter and A4";
    // The page's size in points, as poppler reads it.
    const auto pageSize = [this] {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), {pdf});
        EXPECT_TRUE(p.waitForFinished(60000));
        const QString info = QString::fromUtf8(p.readAllStandardOutput());
        const qsizetype at = info.indexOf("Page size:");
        return (at < 0 ? QString() : info.mid(at + 10).section(u'p', 0, 0).simplified())
            .toStdString();
    };
    const struct {
        QStringList args;
        const char* size;
    } cases[] = {
        {{"--label", QString::number(productOfPaper[2])}, "595 x 842"},
        {{"--label", QString::number(productOfPaper[0])}, "612 x 792"},
        {{"--count", "1"}, "612 x 792"}, // no product: the system's letter paper
    };
    for (const auto& c : cases) {
        const Finished done = Run(QStringList{"--pdf", pdf, doc} + c.args);
        ASSERT_EQ(done.status, 0) << done.errors;
        EXPECT_EQ(pageSize(), c.size) << c.args.join(' ').toStdString();
    }
    const Finished missing = Run({"--pdf", pdf, doc, "--label", "999999"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.errors, "quillmark: The label database has no label product 999999.\n");
}

// The calibration the print-queue test stores for its queue (QM_RUN_QUEUE names it) is what the
// printer's facts give printing: the offset and the bar width reduction.
TEST(PrintedRun, TheQueuesCalibrationIsItsPrintersFacts) {
    const QString queue = qEnvironmentVariable("QM_RUN_QUEUE");
    if (queue.isEmpty()) GTEST_SKIP() << "needs the print-queue test's queue";
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue);
    ASSERT_EQ(printer.printerName(), queue);
    const CPrinterFacts facts = PrinterFacts(printer);
    EXPECT_EQ(facts.offsetAcross, 100);
    EXPECT_EQ(facts.offsetDown, -50);
    EXPECT_EQ(facts.barWidthReduction, 1);
}

// A numbered run printed elsewhere, checked label by label like those above: the print-queue
// test (print_queue_test.sh) names the PDF its queue made in QM_RUN_PDF, the run in
// QM_RUN_NUMBERS ("first:count:prefix:digits" on the 3 x 10 sheet above) and QM_RUN_START (the
// first label's index), and the offset it stored for the queue in QM_RUN_OFFSET ("across,down"
// in mm).
TEST(PrintedRun, EveryLabelScansWhereItShould) {
    const QString pdf = qEnvironmentVariable("QM_RUN_PDF");
    if (pdf.isEmpty()) GTEST_SKIP() << "checks the PDF of a print queue";
    const QStringList numbers = qEnvironmentVariable("QM_RUN_NUMBERS").split(u':');
    const QStringList offset = qEnvironmentVariable("QM_RUN_OFFSET").split(u',');
    ASSERT_EQ(numbers.size(), 4);
    ASSERT_EQ(offset.size(), 2);
    const int first = numbers[0].toInt(), count = numbers[1].toInt(), digits = numbers[3].toInt();
    const std::string prefix = numbers[2].toStdString();
    TempEnv env;
    ExpectRun(RasterisePdf(pdf, QString::fromStdString(env.Root().string())),
              qEnvironmentVariable("QM_RUN_START").toInt(), count,
              [&](int i) {
                  std::string n = std::to_string(first + i);
                  return prefix + std::string(std::max<int>(0, digits - int(n.size())), '0') + n;
              },
              {offset[0].toDouble(), offset[1].toDouble()});
}
