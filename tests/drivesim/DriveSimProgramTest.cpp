#include "tests/drivesim/DriveSimTestClients.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace std::chrono_literals;

namespace {

std::string ProgramPath()
{
    if (const char* build = std::getenv("VELQUARIN_BUILD_DIR"))
        return std::string(build) + "/tools/drivesim/velquarin-drivesim";
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools/drivesim/velquarin-drivesim")
        .string();
}

// The program run as a child, its standard output on a pipe, its errors in a file.
class Program {
public:
    explicit Program(std::vector<std::string> args, const std::string& errors = "/dev/null")
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string path = ProgramPath();
        std::vector<char*> argv {const_cast<char*>(path.c_str())};
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        m_out = out[0];
    }

    ~Program()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
    }

    std::string ReadLine(std::chrono::milliseconds timeout = 5s)
    {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p {m_out, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char c;
            if (::read(m_out, &c, 1) != 1)
                break;
            if (c == '\n')
                return line;
            line += c;
        }
        return line;
    }

    // Exit status, or -1 when the program did not end within the time.
    int Wait(std::chrono::milliseconds timeout = 5s)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    void Signal(int signal) { ::kill(m_pid, signal); }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

}

TEST(DriveSimProgram, ServesAPseudoTerminalUntilTerminated)
{
    const std::string link = TestEnvironment::Root() + "/program-drive";
    Program program({"--pty", "--link", link, "--baud", "115200", "--set", "GVER=321", "--echo", "--fault-count", "1"});
    const std::string path = program.ReadLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);

    PtyClient port(link);
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Ask("GVER\r"), "GVER\r#321\r\n");  // the one echoed reply
    EXPECT_EQ(port.Ask("SMOD5\r"), "#OK\r\n");
    EXPECT_EQ(port.Ask("GMOD\r"), "#5\r\n");
    EXPECT_EQ(port.Ask("WHAT\r"), "#ERR2\r\n");

    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(DriveSimProgram, ServesDrivesWithStoresOfTheirOwnOnAVirtualCanBus)
{
    const std::string url = VirtualCanUrl(FreeLoopbackPort());
    Program program({"--can", url, "--nodes", "3,4", "--bitrate", "500", "--set", "SMOD=2", "--set", "3:SMOD=5"});
    ASSERT_EQ(program.ReadLine(), "can " + url + " host");
    CanClient bus(url);
    ASSERT_TRUE(bus.IsConnected());
    auto reply = bus.Ask(4, 43);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->frameId(), 0x101u);
    EXPECT_EQ(Bytes(*reply), (std::vector<uint8_t> {4, 0, 43, 0x80, 2, 0}));
    ASSERT_TRUE(bus.Ask(3, 42, {7, 1})); // SMOD 0x107 to node 3 alone
    reply = bus.Ask(3, 43);
    ASSERT_TRUE(reply);
    EXPECT_EQ(Bytes(*reply), (std::vector<uint8_t> {3, 0, 43, 0x80, 7, 1}));
    reply = bus.Ask(4, 43);
    ASSERT_TRUE(reply);
    EXPECT_EQ(Bytes(*reply), (std::vector<uint8_t> {4, 0, 43, 0x80, 2, 0})) << "node 4 keeps its own mode";
    program.Signal(SIGINT);
    EXPECT_EQ(program.Wait(), 0);
}

TEST(DriveSimProgram, RefusesBadCommandLines)
{
    for (std::vector<std::string> args : std::vector<std::vector<std::string>> {
             {},
             {"--pty", "--nodes", "0"},
             {"--pty", "--dlc", "16"},
             {"--pty", "--baud"},
             {"--pty", "--set", "GMOD"},
             {"--pty", "--set", "9:GMOD=1"},
             {"--pty", "--set", "200:GMOD=1"},
             {"--pty", "--bogus"},
             {"--can", "tcp://127.0.0.1:1/can9"},
         }) {
        Program program(args);
        const int status = program.Wait();
        EXPECT_TRUE(status == 1 || status == 2) << (args.empty() ? "(none)" : args.back()) << ": " << status;
    }
    Program help({"--help"});
    EXPECT_NE(help.ReadLine().find("usage"), std::string::npos);
    EXPECT_EQ(help.Wait(), 0);
}

TEST(DriveSimProgram, TheScreenshotOfScriptsRunWaitsForAWholePollAfterTheRead)
{
    const std::string link = TestEnvironment::Root() + "/poll-drive";
    const std::string log = TestEnvironment::Root() + "/poll-drive.log";
    Program program({"--pty", "--link", link, "--verbose"}, log);
    ASSERT_EQ(program.ReadLine().rfind("/dev/pts/", 0), 0u);
    PtyClient port(link);
    ASSERT_TRUE(port.IsOpen());
    const std::string check = std::string(std::getenv("VELQUARIN_SOURCE_DIR")) + "/scripts/first-poll-answered '" + log + "'";
    auto asked = [&](std::initializer_list<const char*> queries) {
        for (const char* query : queries)
            EXPECT_EQ(port.Ask(std::string(query) + "\r").rfind("#", 0), 0u) << query;
        return std::system(check.c_str()) == 0;
    };
    // The read asks GTW, which is no temperature query.
    EXPECT_FALSE(asked({"GMOD", "GSIN", "GEIN", "GT", "GTW", "GIOC", "GIOD"})) << "a poll before the read";
    EXPECT_FALSE(asked({"GMOD", "GSIN", "GEIN"}));
    EXPECT_TRUE(asked({"GT"}));
}
