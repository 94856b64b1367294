#pragma once

#include "tests/support/TestEnvironment.h"

#include <QLocale>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// Switches the C library, the C++ library and Qt to German number formats for one test.
// Without a compiled de_DE locale on the machine it compiles one into the test's private
// folder; the test then checks the C library really writes a decimal comma.
class GermanNumbers {
public:
    GermanNumbers()
    {
        m_oldC = std::setlocale(LC_ALL, nullptr);
        m_active = Switch();
        if (!m_active && std::system("command -v localedef >/dev/null 2>&1") == 0) {
            const std::string dir = TestEnvironment::Root() + "/locale";
            const std::string cmd = "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir +
                                    "/de_DE.UTF-8' >/dev/null 2>&1";
            if (std::system(cmd.c_str()) == 0) {
                ::setenv("LOCPATH", dir.c_str(), 1);
                m_active = Switch();
            }
        }
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~GermanNumbers()
    {
#if defined(__SANITIZE_ADDRESS__)
        __lsan::ScopedDisabler keepLocalePath;
#endif
        std::setlocale(LC_ALL, m_oldC.c_str());
        std::locale::global(std::locale::classic());
        QLocale::setDefault(m_oldQt);
    }
    bool CLibraryIsGerman() const
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        return m_active && std::string(text) == "1,5";
    }

private:
    static bool Switch()
    {
#if defined(__SANITIZE_ADDRESS__)
        // glibc keeps the search path it builds from LOCPATH, unreferenced, for good.
        __lsan::ScopedDisabler keepLocalePath;
#endif
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
            if (std::setlocale(LC_ALL, name)) {
                try {
                    std::locale::global(std::locale(name));
                } catch (const std::exception&) {
                }
                return true;
            }
        }
        return false;
    }

    std::string m_oldC;
    QLocale m_oldQt;
    bool m_active = false;
};
