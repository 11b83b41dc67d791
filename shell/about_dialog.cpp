#include "shell/about_dialog.h"

#include "shell/version.h"
#include "ui/translation.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

QString CAboutDialog::VersionLine() {
    return Quillmark::tr("Version %1.%2, Build %3.")
        .arg(QM_VERSION_MAJOR)
        .arg(QM_VERSION_MINOR)
        .arg(QM_VERSION_BUILD);
}

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Quillmark::tr("About Quillmark"));
    auto* outer = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon(QStringLiteral(":/icons/quillmark.svg")).pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop);
    row->addWidget(picture);

    auto* lines = new QVBoxLayout;
    // The product and version lines stand out in the message font at its heaviest.
    QFont heavy = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    heavy.setWeight(QFont::Black);
    auto* product = new QLabel(Quillmark::tr("Bellwick Quillmark Version 1.0"), this);
    product->setFont(heavy);
    auto* version = new QLabel(VersionLine(), this);
    version->setFont(heavy);
    lines->addWidget(product);
    lines->addWidget(version);
    lines->addWidget(
        new QLabel(Quillmark::tr("Copyright \u00A9 2026 Halvern. All rights reserved."), this));
    auto* notice = new QLabel(
        Quillmark::tr("This program is protected by copyright law. Unauthorised copying or "
                      "distribution of it, or of any part of it, is not permitted."),
        this);
    notice->setWordWrap(true);
    lines->addWidget(notice);
    row->addLayout(lines, 1);
    outer->addLayout(row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    outer->addWidget(buttons);
    setMinimumWidth(380);
}
