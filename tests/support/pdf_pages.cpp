#include "tests/support/pdf_pages.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

std::vector<QImage> RasterisePdf(const QString& pdf, const QString& dir, int dpi) {
    const QString base = QDir(dir).filePath("page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {"-r", QString::number(dpi), "-gray", "-png", pdf, base});
    EXPECT_TRUE(p.waitForFinished(300000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<QImage> pages;
    const QDir folder(dir);
    for (const QString& name : folder.entryList({"page-*.png"}, QDir::Files, QDir::Name)) {
        pages.emplace_back(folder.filePath(name));
        QFile::remove(folder.filePath(name));
    }
    return pages;
}

std::vector<CPdfWord> PdfWords(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"});
    EXPECT_TRUE(p.waitForFinished(120000));
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    std::vector<CPdfWord> words;
    int page = -1;
    static const QRegularExpression kWord(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (const QString& line : xml.split(u'\n')) {
        if (line.contains(QStringLiteral("<page "))) ++page;
        const QRegularExpressionMatch m = kWord.match(line);
        if (!m.hasMatch()) continue;
        QString text = m.captured(5);
        text.replace("&amp;", "&")
            .replace("&lt;", "<")
            .replace("&gt;", ">")
            .replace("&quot;", "\"");
        words.push_back({page, text, m.captured(1).toDouble(), m.captured(2).toDouble(),
                         m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return words;
}
