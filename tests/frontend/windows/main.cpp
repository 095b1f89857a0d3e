// The window tests share one application object on the offscreen platform,
// with the program's Polish translation.
#include <QApplication>
#include <gtest/gtest.h>

#include "frontend/windows/polish.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    kelvo::windows::speakPolish(application);
    return RUN_ALL_TESTS();
}
