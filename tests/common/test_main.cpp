// The gtest main of every test program: a QApplication on the offscreen platform, so windows can be built and
// driven without a display, speaking Traditional Chinese as the program does.

#include "core/Language.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useTraditionalChinese();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
