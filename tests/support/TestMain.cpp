#include "tests/support/TestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

// Sanitizer settings are compiled in, so they hold however a test is started.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=1:abort_on_error=1:strict_string_checks=1";
}

extern "C" const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

// Allocations the system libraries keep for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libdbus\nleak:libglib\nleak:libQt6Gui\nleak:libQt6Core\n";
}

int main(int argc, char** argv)
{
    TestEnvironment::Prepare();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
