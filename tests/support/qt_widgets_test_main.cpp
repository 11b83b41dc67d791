// Test entry point for widget tests: a QApplication on the offscreen platform.

#include "ui/message_box.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // A message box nobody expected would wait for a click that never comes.
    SetMessageBoxHandler([](const QString& text, MsgIcon, MsgButtons) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return IDCANCEL;
    });
    SetBeepHandler([] {});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
