#pragma once

#include <string>

// Gives the test process a private HOME and XDG folders before Qt starts, so that no
// test reads or writes the user's own profile, and removes them at exit.
class TestEnvironment {
public:
    static void Prepare();
    static const std::string& Root();
};
