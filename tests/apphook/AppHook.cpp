// The gtest main of the test programs that drive the complete window: every TestProgram gets the subsystems' tables
// and its window every subsystem, wired here at run time before the first test.

#include "app/Install.h"
#include "common/TestProgram.h"
#include "core/Language.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useTraditionalChinese();
    testWiring() = {registerSubsystemTables, installSubsystems};
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
