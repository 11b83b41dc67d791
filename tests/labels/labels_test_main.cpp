// Test entry point for the label stock: a widget application on the offscreen platform.

#include "ui/message_box.h"

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
    SetMessageBoxHandler([](const QString& text, MsgIcon, MsgButtons) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return IDOK;
    });
    SetBeepHandler([] {});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
