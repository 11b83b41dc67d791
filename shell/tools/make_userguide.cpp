// Builds the user's guide PDF from its Markdown source at build time.
//   make_userguide SOURCE.md OUT.pdf

#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_userguide SOURCE.md OUT.pdf\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make_userguide: cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument doc;
    doc.setMarkdown(QString::fromUtf8(source.readAll()));
    QFont body(QStringLiteral("Liberation Sans"));
    body.setPointSize(10);
    doc.setDefaultFont(body);

    // Written beside and renamed, so a failed build never leaves half a guide.
    const QString out = QString::fromLocal8Bit(argv[2]);
    const QString partial = out + QStringLiteral(".part");
    {
        QPdfWriter pdf(partial);
        pdf.setTitle(QStringLiteral("Quillmark User's Guide"));
        pdf.setCreator(QStringLiteral("Quillmark"));
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
        doc.print(&pdf);
    }
    QFile::remove(out);
    if (!QFile::rename(partial, out)) {
        std::fprintf(stderr, "make_userguide: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
