#pragma once
// A PDF read back as a person would look at it: its pages rasterised by poppler, and its words
// with where they stand.

#include <QImage>
#include <QString>

#include <vector>

// The PDF's pages at `dpi`, in grey, drawn by pdftoppm into `dir` and removed from it again.
std::vector<QImage> RasterisePdf(const QString& pdf, const QString& dir, int dpi = 300);

// One word of a page as pdftotext finds it, its box in points from the page's top-left corner.
struct CPdfWord {
    int page = 0; // from 0
    QString text;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
std::vector<CPdfWord> PdfWords(const QString& pdf);
