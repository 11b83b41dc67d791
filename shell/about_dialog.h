#pragma once
// The About box: the program's name, version line, maker and notice.

#include <QDialog>
#include <QString>

class CAboutDialog : public QDialog {
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
    // "Version 1.0, Build 0." from the program's version.
    static QString VersionLine();
};
