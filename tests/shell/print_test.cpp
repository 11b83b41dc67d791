#include "job/print_layout.h"
#include "shell/app.h"
#include "shell/command_ids.h"
#include "shell/main_frame.h"
#include "shell/printing.h"
#include "shell/quillmark_view.h"
#include "tests/support/dialog_script.h"
#include "tests/support/image_scan.h"
#include "tests/support/pdf_pages.h"
#include "tests/support/settings_fixture.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>

namespace {

void StoreSheet(int fullPage, int row, int column) {
    SettingsStore s;
    s.WriteInt("Print", "UseLabel", 1);
    s.WriteInt("Print", "FullPage", fullPage);
    s.WriteInt("Print", "Row", row);
    s.WriteInt("Print", "Column", column);
    s.WriteInt("Print", "TopMargin", 1270);
    s.WriteInt("Print", "SideMargin", 476);
    s.WriteInt("Print", "LabelWidth", 6668);
    s.WriteInt("Print", "LabelHeight", 2540);
    s.WriteInt("Print", "HorzPitch", 6985);
    s.WriteInt("Print", "VertPitch", 2540);
    s.WriteInt("Print", "NumberAcross", 3);
    s.WriteInt("Print", "NumberDown", 10);
}

// The symbols of the page, read one label at a time: the label's area on the paper (in
// thousandths of a centimetre) cut out of the page at 300 dpi. Positions are the page's.
ScanResult ScanLabel(const QImage& page, double left, double top, double width, double height) {
    const double k = 300 / 2540.0;
    const QRect area(qRound(left * k), qRound(top * k), qRound(width * k), qRound(height * k));
    ScanResult r = ScanImage(page.copy(area));
    r.x += area.left();
    r.y += area.top();
    return r;
}

} // namespace

class PrintTest : public SettingsTest {
protected:
    void SetUp() override {
        app.CreateMainWindow();
        ASSERT_TRUE(app.OnFileNew());
        view = app.GetMainFrame()->GetActiveView();
        auto& bc = *app.GetDocument().m_pBarcode;
        bc.m_nHeight = 400; // fits a one-inch label with its text
        pdf = QString::fromStdString((env.Root() / "sheet.pdf").string());
    }
    // A US-letter PDF page with quarter-inch margins, so the printable area sits inside the paper.
    void MakePrinter(QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(600);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                          QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch));
    }
    // The printed page as pixels at 300 dpi, through poppler.
    QImage Rasterise() {
        const QString base = QString::fromStdString((env.Root() / "page").string());
        QProcess p;
        p.start("pdftoppm", {"-r", "300", "-png", "-singlefile", pdf, base});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QImage(base + ".png");
    }
    DialogScript dialogs;
    CQuillmarkApp app;
    CQuillmarkView* view = nullptr;
    QString pdf;
};

TEST_F(PrintTest, PrinterFactsComeFromThePageLayout) {
    QPrinter printer(QPrinter::HighResolution);
    MakePrinter(printer);
    const CPrinterFacts f = PrinterFacts(printer);
    EXPECT_EQ(f.lpx, 600);
    EXPECT_EQ(f.lpy, 600);
    EXPECT_EQ(f.ox, 150);
    EXPECT_EQ(f.oy, 150);
    EXPECT_EQ(f.printableWidth, 4800);
    EXPECT_EQ(f.printableHeight, 6300);
}

// On every label the symbol reads back, centred on the label: along the bars for Code 39 (its
// bars' middle, the reader's line, anywhere within their height), both ways for the matrix
// symbols, whose quiet zones are alike on all sides.
TEST_F(PrintTest, AFullSheetPutsAScannableSymbolOnEveryLabelCentre) {
    StoreSheet(0, 1, 1);
    view->m_bShowText = false; // the bars alone are centred on the label
    const double mm = 300 / 25.4;
    const double halfBars = 400 * 0.3 / 2; // 400 mils at 300 dpi
    const struct {
        const char* symbology;
        const char* data;
        double acrossTolerance;
    } cases[] = {{"Code 39", "HALVERN", halfBars + mm},
                 {"QR Code", "Halvern label 2026", mm},
                 {"Data Matrix", "Halvern label 2026", mm}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.symbology);
        app.GetMainFrame()->OnSymbologyChosen(c.symbology);
        app.GetMainFrame()->OnDataChosen(c.data);
        QPrinter printer(QPrinter::HighResolution);
        MakePrinter(printer);
        ASSERT_TRUE(view->PrintPage(printer));
        const QImage page = Rasterise();
        ASSERT_FALSE(page.isNull());
        for (int r = 0; r < 10; ++r)
            for (int col = 0; col < 3; ++col) {
                const double left = 476 + col * 6985, top = 1270 + r * 2540;
                const ScanResult found = ScanLabel(page, left, top, 6668, 2540);
                EXPECT_TRUE(found.ok) << "label row " << r << " column " << col;
                EXPECT_EQ(found.text, c.data);
                // The label's centre on the paper, at 300 dpi.
                EXPECT_NEAR(found.x, (left + 3334) / 2540 * 300, mm) << r << " " << col;
                EXPECT_NEAR(found.y, (top + 1270) / 2540 * 300, c.acrossTolerance)
                    << r << " " << col;
            }
    }
}

TEST_F(PrintTest, ASingleLabelAndAPlainPage) {
    StoreSheet(1, 2, 3); // second label across, third down
    view->m_bShowText = false;
    {
        QPrinter printer(QPrinter::HighResolution);
        MakePrinter(printer);
        ASSERT_TRUE(view->PrintPage(printer));
    }
    QImage page = Rasterise();
    const double mm = 300 / 25.4;
    const ScanResult one = ScanLabel(page, 476 + 6985, 1270 + 2 * 2540, 6668, 2540);
    ASSERT_TRUE(one.ok);
    EXPECT_NEAR(one.x, (476 + 6985 + 3334) / 2540.0 * 300, mm);
    // Nothing on the first label.
    EXPECT_FALSE(ScanLabel(page, 476, 1270, 6668, 2540).ok);

    SettingsStore().WriteInt("Print", "UseLabel", 0);
    {
        QPrinter printer(QPrinter::HighResolution);
        MakePrinter(printer);
        ASSERT_TRUE(view->PrintPage(printer));
    }
    page = Rasterise();
    const ScanResult middle = ScanImage(page);
    ASSERT_TRUE(middle.ok);
    EXPECT_NEAR(middle.x, 8.5 / 2 * 300, mm); // the middle of the page
    EXPECT_NEAR(middle.y, 11.0 / 2 * 300, 400 * 0.3 / 2 + mm);
}

TEST_F(PrintTest, LabelsCloserThanADotPrintWhatCanBeToldApart) {
    // A pitch of a thousandth of a centimetre on a sheet of 100,000 × 100,000 labels, as the
    // settings may hold it: the page is printed with the labels it can tell apart (the layout's
    // tests say which) instead of running out of memory.
    StoreSheet(0, 1, 1);
    SettingsStore s;
    for (const char* key : {"HorzPitch", "VertPitch"})
        ASSERT_TRUE(s.WriteInt("Print", key, 1));
    for (const char* key : {"NumberAcross", "NumberDown"})
        ASSERT_TRUE(s.WriteInt("Print", key, 100000));
    view->m_bShowText = false;
    {
        QPrinter printer(QPrinter::HighResolution);
        MakePrinter(printer);
        ASSERT_TRUE(view->PrintPage(printer));
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_GT(QFileInfo(pdf).size(), 0);
}

TEST_F(PrintTest, LabelsSmallerThanADotPrintNothingAndSaySo) {
    StoreSheet(0, 1, 1);
    SettingsStore s;
    for (const char* key : {"LabelWidth", "LabelHeight", "HorzPitch", "VertPitch"})
        ASSERT_TRUE(s.WriteInt("Print", key, 1));
    for (const char* key : {"NumberAcross", "NumberDown"})
        ASSERT_TRUE(s.WriteInt("Print", key, 100000));
    QPrinter printer(QPrinter::HighResolution);
    MakePrinter(printer);
    EXPECT_FALSE(view->PrintPage(printer));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              "The labels of the print settings are smaller than a dot of the printer, so "
              "nothing was printed. Choose the label sheet again in the Print dialog.");
    EXPECT_FALSE(QFile::exists(pdf)) << "no blank page";
}

// A numbered run on a roll prints a page of the label's size per label, whatever paper the
// printer was set to, each label's symbol in the middle of its page; the preview paints the same
// pages.
TEST_F(PrintTest, ARollPrintsOneLabelAPageOfItsSize) {
    SettingsStore s;
    for (const auto& [key, value] : {std::pair{"UseLabel", 1},
                                     {"LabelKind", 1},
                                     {"LabelWidth", 5715},
                                     {"LabelHeight", 3175},
                                     {"VertPitch", 3493},
                                     {"NumberAcross", 1},
                                     {"NumberDown", 1},
                                     {"RunKind", 1}})
        ASSERT_TRUE(s.WriteInt("Print", key, value));
    ASSERT_TRUE(s.WriteString("Print", "RunLast", "3"));
    QPrinter printer(QPrinter::HighResolution);
    MakePrinter(printer);
    ASSERT_TRUE(view->PrintPage(printer));
    const std::vector<QImage> pages =
        RasterisePdf(pdf, QString::fromStdString(env.Root().string()), 300);
    ASSERT_EQ(pages.size(), 3u);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        // 2.25 x 1.25 in at 300 dpi.
        EXPECT_NEAR(pages[i].width(), 675, 1) << i;
        EXPECT_NEAR(pages[i].height(), 375, 1) << i;
        const ScanResult r = ScanImage(pages[i]);
        EXPECT_EQ(r.text, std::to_string(i + 1));
        EXPECT_NEAR(r.x, 337.5, 20) << "across the middle";
    }
    // The preview's pages are the printed ones.
    QPrinter preview(QPrinter::HighResolution);
    MakePrinter(preview);
    CPrintJob job = view->PrintJob();
    ASSERT_TRUE(PrepareRollJob(preview, job));
    EXPECT_NEAR(preview.pageLayout().fullRect(QPageLayout::Inch).width(), 2.25, 0.01);
    QPainter painter(&preview);
    CMessage error;
    EXPECT_EQ(PaintJob(painter, preview, view->PrintJob(), true, error), 3);
    EXPECT_TRUE(error.Empty());
}
