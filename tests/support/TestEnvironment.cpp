#include "tests/support/TestEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>

namespace {
std::string g_root;

void RemoveRoot()
{
    std::error_code ec;
    if (!g_root.empty())
        std::filesystem::remove_all(g_root, ec);
}

std::string MakeDir(const std::string& path)
{
    std::filesystem::create_directories(path);
    ::chmod(path.c_str(), 0700);
    return path;
}
}

void TestEnvironment::Prepare()
{
    if (!g_root.empty())
        return;
    std::string tmpl = (std::filesystem::temp_directory_path() / "velquarin-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary home");
    g_root = tmpl;
    std::atexit(RemoveRoot);
    ::setenv("HOME", MakeDir(g_root + "/home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", MakeDir(g_root + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", MakeDir(g_root + "/data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", MakeDir(g_root + "/cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", MakeDir(g_root + "/runtime").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("VELQUARIN_BUILD_DIR", VELQUARIN_BUILD_DIR, 0);
    ::setenv("VELQUARIN_SOURCE_DIR", VELQUARIN_SOURCE_DIR, 0);
}

const std::string& TestEnvironment::Root()
{
    return g_root;
}
