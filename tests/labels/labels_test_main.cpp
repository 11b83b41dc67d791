// Test entry point for the label stock: a widget application on the offscreen platform.

#include "labels/label_messages.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // No display is needed: widgets are driven by events and drawn into images.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Texts with a decimal point; the one test about other locales sets its own.
    QLocale::setDefault(QLocale::c());
    // A message box nobody expected would wait for a click that never comes.
    SetLabelMessageHandler(
        [](QWidget*, const QString& text, QMessageBox::Icon, QMessageBox::StandardButtons) {
            ADD_FAILURE() << "unexpected message box: " << text.toStdString();
            return QMessageBox::Ok;
        });
    SetLabelBeepHandler([] {});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
