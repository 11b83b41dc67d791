// The printer, paper and orientation remembered per printer, and the paper a label sheet needs.

#include "labels/printer_settings.h"

#include "common/settings_lines.h"
#include "common/settings_store.h"
#include "tests/support/temp_env.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <gtest/gtest.h>

#include <set>

namespace {

QSizeF Mm(const QPageSize& paper) {
    return paper.size(QPageSize::Millimeter);
}

void ExpectMm(const QPageSize& paper, double w, double h, const std::string& what) {
    EXPECT_NEAR(Mm(paper).width(), w, 0.05) << what;
    EXPECT_NEAR(Mm(paper).height(), h, 0.05) << what;
}

// A job with nothing of the print system in it.
void PdfJob(QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
}

TEST(PrinterSettings, EveryPrinterNameGetsASectionOfItsOwnThatTheStoreKeeps) {
    const struct {
        const char* name; // UTF-8
        const char* section;
    } cases[] = {
        {"Office", "Printer Office"},
        {"HP LaserJet [2]", "Printer HP%20LaserJet%20%5B2%5D"},
        {"a=b", "Printer a%3Db"},
        {"50%", "Printer 50%25"},
        {"50%25", "Printer 50%2525"}, // not the same section as "50%"
        {"tab\there\n", "Printer tab%09here%0A"},
        {"B\xC3\xBCro", "Printer B%C3%BCro"},
        {" ", "Printer %20"},
    };
    std::set<std::string> sections;
    for (const auto& c : cases) {
        const std::string section = PrinterSection(QString::fromUtf8(c.name));
        EXPECT_EQ(section, c.section) << c.name;
        EXPECT_TRUE(settings::IsStorableName(section, false)) << section;
        sections.insert(section);
    }
    EXPECT_EQ(sections.size(), std::size(cases));
}

TEST(PrinterSettings, EachPrinterKeepsItsOwnCalibration) {
    TempEnv env;
    const QString office = QStringLiteral("Office"), labels = QString::fromUtf8("B\xC3\xBCro [2]");
    EXPECT_EQ(StoredCalibration(labels), PrinterCalibration{}) << "none stored: none at all";
    ASSERT_TRUE(StoreCalibration(labels, {150, -75, 2}));
    ASSERT_TRUE(StoreCalibration(office, {-1000, 1000, 0}));
    EXPECT_EQ(StoredCalibration(labels), (PrinterCalibration{150, -75, 2}));
    EXPECT_EQ(StoredCalibration(office), (PrinterCalibration{-1000, 1000, 0}));
    EXPECT_FALSE(StoreCalibration(QString(), {1, 1, 1})) << "a PDF file is no printer";
    EXPECT_EQ(StoredCalibration(QString()), PrinterCalibration{});
    // Written by hand beyond the range: held to 1 cm and 3 dots.
    SettingsStore store;
    ASSERT_TRUE(store.WriteInt(PrinterSection(office), "OffsetAcross", 5000));
    ASSERT_TRUE(store.WriteInt(PrinterSection(office), "BarWidthReduction", -4));
    EXPECT_EQ(StoredCalibration(office), (PrinterCalibration{1000, 1000, 0}));
}

TEST(PrinterSettings, AStoredChoiceComesBackOnTheNextJob) {
    TempEnv env;
    const QString name = QString::fromUtf8("B\xC3\xBCro [2]");
    const struct {
        QPageSize paper;
        QPageLayout::Orientation orientation;
        const char* stored;
    } cases[] = {
        {QPageSize(QPageSize::A5), QPageLayout::Landscape, "A5"},
        {QPageSize(QPageSize::Letter), QPageLayout::Portrait, "Letter"},
        {QPageSize(QSizeF(107.95, 127), QPageSize::Millimeter), QPageLayout::Portrait,
         "Custom.107.95x127mm"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(StorePrinterChoice(name, QPageLayout(c.paper, c.orientation, QMarginsF())));
        SettingsStore store;
        EXPECT_EQ(store.GetString("Print", "Printer", ""), name.toStdString());
        EXPECT_EQ(StoredPrinterName(), name);
        const std::string section = PrinterSection(name);
        EXPECT_EQ(store.GetString(section, "PaperSize", ""), c.stored);
        EXPECT_EQ(store.GetInt(section, "Orientation", -9),
                  c.orientation == QPageLayout::Landscape ? 1 : 0);

        QPrinter job;
        PdfJob(job);
        job.setPageOrientation(c.orientation == QPageLayout::Landscape ? QPageLayout::Portrait
                                                                       : QPageLayout::Landscape);
        ApplyStoredPage(job, name);
        ExpectMm(job.pageLayout().pageSize(), Mm(c.paper).width(), Mm(c.paper).height(), c.stored);
        EXPECT_EQ(job.pageLayout().orientation(), c.orientation) << c.stored;
    }

    // Another printer has a section of its own, and nothing stored leaves the job alone.
    QPrinter job;
    PdfJob(job);
    ApplyStoredPage(job, "Office");
    EXPECT_EQ(job.pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(job.pageLayout().orientation(), QPageLayout::Portrait);

    // What cannot be read is passed over.
    SettingsStore store;
    ASSERT_TRUE(store.WriteString(PrinterSection("Office"), "PaperSize", "Napkin"));
    ASSERT_TRUE(store.WriteInt(PrinterSection("Office"), "Orientation", -5));
    ApplyStoredPage(job, "Office");
    EXPECT_EQ(job.pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(job.pageLayout().orientation(), QPageLayout::Portrait);
}

TEST(PrinterSettings, PaperNames) {
    const QPageSize own(QSizeF(288, 432), QPageSize::Point, "4 x 6");
    const QList<QPageSize> printer = {own};
    const struct {
        const char* name;
        double w, h; // millimetres; 0: no paper
    } cases[] = {
        {"A4", 210, 297},
        {"Letter", 215.9, 279.4},
        {"Custom.288x432", 101.6, 152.4}, // points
        {"Custom.4x6in", 101.6, 152.4},
        {"Custom.107.95x127mm", 107.95, 127},
        {"", 0, 0},
        {"Custom.x", 0, 0},
        {"Custom.-4x6in", 0, 0},
        {"a4", 0, 0},
    };
    for (const auto& c : cases) {
        const std::optional<QPageSize> paper = PaperFromName(c.name, {});
        ASSERT_EQ(paper.has_value(), c.w > 0) << c.name;
        if (paper) ExpectMm(*paper, c.w, c.h, c.name);
    }
    // The printer's own paper by its own name.
    const std::optional<QPageSize> found = PaperFromName(own.key(), printer);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->key(), own.key());
    EXPECT_EQ(found->name(), "4 x 6");
}

TEST(PrinterSettings, WhichPaperAPrinterTakes) {
    PrinterPapers fixed;
    fixed.known = true;
    fixed.sizes = {QPageSize(QPageSize::A4), QPageSize(QPageSize::Letter)};
    PrinterPapers custom;
    custom.known = true;
    custom.customSizes = true;
    custom.minimum = QPageSize(QSizeF(76, 127), QPageSize::Millimeter);
    custom.maximum = QPageSize(QSizeF(216, 356), QPageSize::Millimeter);
    const PrinterPapers unknown;
    const struct {
        const PrinterPapers& printer;
        QPageSize paper;
        bool takes;
    } cases[] = {
        {fixed, QPageSize(QPageSize::A4), true},
        // The label table's letter, 21.59 × 27.94 cm, matched as a custom size.
        {fixed, QPageSize(QSizeF(215.9, 279.4), QPageSize::Millimeter), true},
        {fixed, QPageSize(QSizeF(210.6, 297.4), QPageSize::Millimeter), true},
        {fixed, QPageSize(QSizeF(212, 297), QPageSize::Millimeter), false},
        {fixed, QPageSize(QPageSize::A5), false},
        {custom, QPageSize(QPageSize::A5), true},
        // Turned either way: as long as the longest, but the other side is wider than 21.6 cm.
        {custom, QPageSize(QSizeF(254, 107.95), QPageSize::Millimeter), true},
        {custom, QPageSize(QSizeF(220, 254), QPageSize::Millimeter), false},
        {custom, QPageSize(QPageSize::JisB4), false},
        {custom, QPageSize(QSizeF(60, 100), QPageSize::Millimeter), false},
        {unknown, QPageSize(QPageSize::JisB4), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrinterTakesPaper(c.printer, c.paper), c.takes) << c.paper.key().toStdString();
}

TEST(PrinterSettings, EachPaperOfTheLabelTableAsAPage) {
    const struct {
        int index;
        double w, h; // the upright paper, millimetres
        QPageLayout::Orientation orientation;
        QPageSize::PageSizeId id;
    } cases[] = {
        {0, 215.9, 279.4, QPageLayout::Portrait, QPageSize::Letter},
        {1, 215.9, 279.4, QPageLayout::Landscape, QPageSize::Letter},
        {2, 210, 297, QPageLayout::Portrait, QPageSize::A4},
        {3, 210, 297, QPageLayout::Landscape, QPageSize::A4},
        {5, 148, 210, QPageLayout::Landscape, QPageSize::A5},
        {6, 182, 257, QPageLayout::Portrait, QPageSize::JisB5},
        {7, 107.95, 127, QPageLayout::Portrait, QPageSize::Custom},
        {9, 107.95, 254, QPageLayout::Landscape, QPageSize::Custom},
        {12, 257, 364, QPageLayout::Portrait, QPageSize::JisB4},
    };
    for (const auto& c : cases) {
        const std::optional<SheetPage> page = PageForSheet(c.index);
        ASSERT_TRUE(page) << c.index;
        ExpectMm(page->size, c.w, c.h, std::to_string(c.index));
        EXPECT_EQ(page->orientation, c.orientation) << c.index;
        EXPECT_EQ(page->size.id(), c.id) << c.index;
    }
    EXPECT_FALSE(PageForSheet(13));
    EXPECT_FALSE(PageForSheet(-1));
}

// Through the print system, on the queue that QM_TEST_PRINT_QUEUE names (see
// print_settings_queue.sh, which makes one); skipped without one.
TEST(PrinterSettings, ARealQueueIsChosenWithItsStoredPage) {
    const QString queue = qEnvironmentVariable("QM_TEST_PRINT_QUEUE");
    if (queue.isEmpty()) GTEST_SKIP() << "QM_TEST_PRINT_QUEUE names no print queue to test on";
    ASSERT_FALSE(QPrinterInfo::printerInfo(queue).isNull()) << queue.toStdString();
    TempEnv env;
    ASSERT_TRUE(StorePrinterChoice(
        queue, QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Landscape, QMarginsF())));

    QPrinter job(QPrinter::HighResolution);
    job.setPrinterName(QString());
    ApplyStoredPrinterChoice(job);
    EXPECT_EQ(job.printerName(), queue);
    EXPECT_EQ(job.pageLayout().pageSize().id(), QPageSize::A5);
    EXPECT_EQ(job.pageLayout().orientation(), QPageLayout::Landscape);

    // A stored printer the print system does not have leaves the job its own printer, with the
    // page last printed on that one.
    ASSERT_TRUE(StorePrinterChoice("NoSuchQueue", QPageLayout()));
    QPrinter other(QPrinter::HighResolution);
    other.setPrinterName(queue);
    other.setPageSize(QPageSize(QPageSize::Letter));
    ApplyStoredPrinterChoice(other);
    EXPECT_EQ(other.printerName(), queue);
    EXPECT_EQ(other.pageLayout().pageSize().id(), QPageSize::A5);

    // What the queue's driver says it takes.
    const PrinterPapers papers = PapersOf(queue);
    EXPECT_TRUE(papers.known);
    EXPECT_TRUE(PrinterTakesPaper(papers, PageForSheet(2)->size)) << "A4";
    EXPECT_FALSE(PapersOf("NoSuchQueue").known);
}

} // namespace
