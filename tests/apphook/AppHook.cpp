// Linked into the test programs that drive the complete window: TestProgram::window() installs every subsystem.

#include "app/Install.h"
#include "common/TestProgram.h"

namespace {
const bool installed = [] {
    registerSubsystemTables();
    testInstaller() = installSubsystems;
    return true;
}();
} // namespace
