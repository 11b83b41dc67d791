#pragma once
// What the tests of label runs printed by the program share: the program run as a user runs it,
// its PDF pages rasterised by poppler, and every label of them read back where it should be.

#include "common/label_geometry.h"
#include "common/settings_store.h"
#include "tests/support/image_scan.h"
#include "tests/support/pdf_pages.h"
#include "tests/support/settings_fixture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// A 3 × 10 sheet of 2.625 × 1 inch labels on letter paper, as the print settings keep it.
constexpr CLabelGeometry kSheet{0, 6668, 2540, 1270, 476, 6985, 2540, 3, 10};
constexpr double kDotsPerMm = 300 / 25.4; // the pages are read at 300 dpi

struct Finished {
    int status = -1;
    std::string errors;
    std::string output;
};

// What one label of a page holds: the reader's text (empty when it read nothing), whether the
// label is blank, and how far the centre of its marks lies from the label's centre, in mm.
struct LabelSeen {
    std::string text;
    bool blank = true;
    double dx = 0, dy = 0;
};

inline LabelSeen Look(const QImage& page, const CLabelGeometry& sheet, int row, int column) {
    const double k = 300 / 2540.0; // dots per thousandth of a centimetre
    const double left = (sheet.sideMargin + column * sheet.horizontalPitch) * k;
    const double top = (sheet.topMargin + row * sheet.verticalPitch) * k;
    const double w = sheet.width * k, h = sheet.height * k;
    // A little inside the label, so that a neighbour's marks never reach in; and on the page,
    // which may be narrower than the sheet (a queue's A4 under a letter sheet).
    const QRect area = QRect(qRound(left) + 3, qRound(top) + 3, qRound(w) - 6, qRound(h) - 6)
                           .intersected(page.rect());
    const QImage label = page.copy(area).convertToFormat(QImage::Format_Grayscale8);
    LabelSeen seen;
    int x0 = label.width(), y0 = label.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < label.height(); ++y) {
        const uchar* line = label.constScanLine(y);
        for (int x = 0; x < label.width(); ++x)
            if (line[x] < 128) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    }
    if (x1 < 0) return seen;
    seen.blank = false;
    seen.dx = (area.left() + (x0 + x1 + 1) / 2.0 - (left + w / 2)) / kDotsPerMm;
    seen.dy = (area.top() + (y0 + y1 + 1) / 2.0 - (top + h / 2)) / kDotsPerMm;
    const ScanResult read = ScanImage(label);
    if (read.ok) seen.text = read.text;
    return seen;
}

// Every label of a run's pages: the labels before `start` (an index on the first sheet) blank,
// then `count` labels reading expected(0), expected(1), ... with their marks centred on their
// labels within a quarter millimetre (moved by `offsetMm`), then blank labels to the end.
inline void ExpectRun(const std::vector<QImage>& pages, int start, int count,
                      const std::function<std::string(int)>& expected, QPointF offsetMm = {},
                      const CLabelGeometry& sheet = kSheet) {
    const int perSheet = sheet.numberAcross * sheet.numberDown;
    ASSERT_EQ(static_cast<int>(pages.size()), (start + count + perSheet - 1) / perSheet);
    for (std::size_t p = 0; p < pages.size(); ++p)
        for (int i = 0; i < perSheet; ++i) {
            const int row = i / sheet.numberAcross, column = i % sheet.numberAcross;
            const int ordinal = static_cast<int>(p) * perSheet + i - start;
            const LabelSeen seen = Look(pages[p], sheet, row, column);
            SCOPED_TRACE(testing::Message()
                         << "page " << p + 1 << ", row " << row + 1 << ", column " << column + 1);
            if (ordinal < 0 || ordinal >= count) {
                EXPECT_TRUE(seen.blank) << "a label the run leaves alone";
                continue;
            }
            EXPECT_EQ(seen.text, expected(ordinal));
            EXPECT_NEAR(seen.dx, offsetMm.x(), 0.25);
            EXPECT_NEAR(seen.dy, offsetMm.y(), 0.25);
        }
}

class PrintRunTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsStore store;
        ASSERT_TRUE(store.WriteInt("Print", "UseLabel", 1));
        ASSERT_TRUE(store.WriteInt("Print", "FullPage", 0));
        ASSERT_TRUE(WritePrintGeometry(kSheet));
        // Bars and text within a one-inch label.
        doc = Path("doc.qmx");
        ASSERT_EQ(Run({"--export", doc, "--symbology", "Code 128", "--height", "0.4 inch"}).status,
                  0);
        pdf = Path("run.pdf");
    }

    QString Path(const char* name) const {
        return QString::fromStdString((env.Root() / name).string());
    }

    // The program as a user starts it, on letter paper whatever the machine's.
    Finished Run(const QStringList& args) const {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("PAPERSIZE"), QStringLiteral("letter"));
        e.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(QM_QUILLMARK_EXE), args);
        EXPECT_TRUE(p.waitForFinished(120000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardError().toStdString(), p.readAllStandardOutput().toStdString()};
    }

    std::vector<QImage> Pages() const {
        return RasterisePdf(pdf, QString::fromStdString(env.Root().string()));
    }

    QString doc, pdf;
};
