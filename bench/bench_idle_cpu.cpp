// How much CPU the program's side uses while it sits connected to a drive: the link's
// threads, the status poll every 5 s and the event loop that takes the strip's messages.
// The simulated drive runs as its own process (velquarin-drivesim), so only the
// program's threads are counted. Goal: at most 1 % of one core.
//
// VELQUARIN_IDLE_SECONDS sets the time measured per channel (default 60).
#include "bench/BenchSupport.h"
#include "link/LinkLayer.h"
#include "tools/drivesim/LoopbackPort.h"
#include "link/LinkTransaction.h"
#include "platform/Profile.h"
#include "platform/WindowMessage.h"
#include "shell/DriveCommands.h"
#include "shell/Globals.h"
#include "shell/StatusPollThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kCom = 1;
constexpr int kBaud = 115200;

pid_t g_simPid = -1;
std::string g_ptyPath;
std::string g_canUrl;

int MeasureSeconds()
{
    return EnvCount("VELQUARIN_IDLE_SECONDS", 60);
}


std::string ReadLine(int fd)
{
    std::string line;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

// The simulated drive in its own process, on a pseudo-terminal and a virtual CAN bus,
// with one alarm raised so that the strip has something to show.
void StartDrive()
{
    const auto self = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::string program = (self.parent_path() / "tools/drivesim/velquarin-drivesim").string();
    g_canUrl = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/can0";
    const std::string baud = std::to_string(kBaud);
    std::vector<std::string> args { program, "--pty", "--baud", baud, "--can", g_canUrl, "--can-mode", "host",
        "--alarm", "2" };
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe(out) != 0)
        std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (posix_spawn(&g_simPid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        std::abort();
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    g_ptyPath = ReadLine(out[0]);
    const std::string bus = ReadLine(out[0]);
    ::close(out[0]);
    if (g_ptyPath.empty() || bus.empty()) {
        std::fprintf(stderr, "the simulated drive did not come up\n");
        std::abort();
    }
}

void StopDrive()
{
    if (g_simPid > 0) {
        ::kill(g_simPid, SIGTERM);
        ::waitpid(g_simPid, nullptr, 0);
        g_simPid = -1;
    }
}

// Counts the strip's messages, as the strip would take them on the UI thread.
class StripCounter : public QObject {
public:
    std::atomic<int> messages { 0 };
    bool event(QEvent* e) override
    {
        if (WindowMessage::MessageOf(e) == WM_DRIVE_REPLY) {
            ++messages;
            return true;
        }
        return QObject::event(e);
    }
};

void BM_IdleConnected(benchmark::State& state)
{
    const int type = static_cast<int>(state.range(0));
    const int seconds = MeasureSeconds();
    for (auto _ : state) {
        LinkInit();
        if (!OpenBenchChannel(type, kCom, kBaud)) {
            SkipAndClose(state, "the channel does not open");
            return;
        }
        StripCounter strip;
        DriveCommands commands(LinkTransactLocked);
        commands.SetStripReceiver(&strip);
        commands.OnConnectDrive();
        if (!g_bDriveConnected.load()) {
            SkipAndClose(state, "the drive does not answer");
            return;
        }
        StatusPollThread poll([&commands](PauseGate& gate, std::mutex& csPoll) { commands.PollCycle(gate, csPoll); });
        poll.Start();

        const double cpuStart = CpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = CpuSeconds() - cpuStart;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

        poll.Stop();
        CloseBenchLink();

        const double percent = 100.0 * cpu / wall;
        state.SetIterationTime(wall);
        state.counters["cpu_percent"] = percent;
        state.counters["strip_messages"] = strip.messages.load();
        std::printf("idle CPU connected over %s: %.3f %% of one core (%.2f s CPU in %.1f s, %d strip messages)\n",
            type == COMM_RS232 ? "the serial line" : "virtual CAN", percent, cpu, wall, strip.messages.load());
    }
}
BENCHMARK(BM_IdleConnected)->Arg(COMM_RS232)->Arg(COMM_CAN_USB2)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(
        argc, argv,
        [] {
            StartDrive();
            PointLinkAtDrive(kCom, g_ptyPath, g_canUrl);
        },
        StopDrive);
}
