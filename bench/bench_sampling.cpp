// The PID-tuning page's CAN sampling of the simulated drive's running wave, feedback and
// command, over the virtual CAN bus at an emulated 500 kbit/s, on the card road and on the
// USB-CAN road. For each it prints the sample rounds a second against the rate the wire
// allows (two request frames of 2 data bytes and two replies of 6 a round), the sampling
// thread's share of one CPU, and how long a command of the user interface issued meanwhile
// waits beyond the same command on an idle link, against one round. Request and reply
// follow each other, so a round also pays the virtual bus's own relay time twice (TCP
// through the bus server): the rate two bare command exchanges allow is printed beside.
//
// Against a silent drive it prints how long a UI command takes while the thread waits for
// its replies, and how long Stop takes to return.
//
// VELQUARIN_SAMPLING_SECONDS sets the time of each run (default 5).
#include "BenchDrive.h"

#include "link/LinkTransaction.h"
#include "pages/tuning/SampleThread.h"
#include "platform/WindowMessage.h"
#include "tools/drivesim/SimWave.h"
#include "tools/drivesim/WireTime.h"

#include <QCoreApplication>

#include <chrono>
#include <ctime>
#include <pthread.h>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBitRateKbit = 500;

struct Figures {
    const char* road;
    double roundsPerSecond = 0;
    double wireRounds = 0;
    double cpuShare = 0;
    double idleCommandMs = 0;
    double medianWaitMs = 0;
    double maxWaitMs = 0;
    double roundMs = 0;
};
std::vector<Figures> g_figures;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double ThreadCpuSeconds(pthread_t thread)
{
    clockid_t clock;
    timespec ts {};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &ts) != 0)
        return 0;
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double CommandMs()
{
    uint8_t reply[64] = {};
    int length = sizeof reply;
    const auto start = Clock::now();
    LinkTransactLocked(QStringLiteral("GMOD\r"), reply, &length);
    return Ms(Clock::now() - start);
}

void Run(int road, const char* name)
{
    DriveSimulator& sim = bench::StartDrive(115200, kBitRateKbit);
    static const auto wave = SimWave::Attach(*sim.Drive(bench::kNode));
    g_nComType = road;
    uint8_t reply[64] = {};
    int length = sizeof reply;
    LinkTransactLocked(QStringLiteral("SAT%1\r").arg((100u << 16) | 3000u), reply, &length);
    length = sizeof reply;
    LinkTransactLocked(QStringLiteral("SWM2\r"), reply, &length);

    std::vector<double> idle;
    for (int i = 0; i < 20; ++i)
        idle.push_back(CommandMs());

    const int seconds = EnvCount("VELQUARIN_SAMPLING_SECONDS", 5);
    QObject sink;
    SampleThread thread(&sink, PollPause {});
    thread.Start(true, true);
    const double cpuStart = ThreadCpuSeconds(thread.NativeHandle());
    const auto start = Clock::now();
    std::vector<double> waits;
    while (Clock::now() - start < std::chrono::seconds(seconds)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        waits.push_back(CommandMs());
        QCoreApplication::removePostedEvents(&sink);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ThreadCpuSeconds(thread.NativeHandle()) - cpuStart;
    const uint64_t samples = thread.SamplesPosted();
    thread.Stop();
    QCoreApplication::removePostedEvents(&sink);

    // Two requests {node, code} and two replies {node, code, 4 value bytes}.
    const auto wire = 2 * WireTime::Can(2, kBitRateKbit) + 2 * WireTime::Can(6, kBitRateKbit);
    Figures f;
    f.road = name;
    // The commands took some rounds' time away from sampling; they are not counted as lost.
    const double commandSeconds = waits.size() * bench::Median(idle) / 1000;
    f.roundsPerSecond = samples / 2.0 / (elapsed - commandSeconds);
    f.wireRounds = 1e6 / static_cast<double>(wire.count());
    f.cpuShare = cpu / elapsed;
    f.idleCommandMs = bench::Median(idle);
    f.medianWaitMs = std::max(0.0, bench::Median(waits) - f.idleCommandMs);
    f.maxWaitMs = std::max(0.0, *std::max_element(waits.begin(), waits.end()) - f.idleCommandMs);
    f.roundMs = 1000.0 / f.roundsPerSecond;
    g_figures.push_back(f);
}

void BM_SamplingCard(benchmark::State& state)
{
    for (auto _ : state)
        Run(COMM_CAN_K8110, "card");
}
void BM_SamplingUsbCan(benchmark::State& state)
{
    for (auto _ : state)
        Run(COMM_CAN_USB2, "USB-CAN");
}
BENCHMARK(BM_SamplingCard)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SamplingUsbCan)->Iterations(1)->Unit(benchmark::kMillisecond);

struct SilentFigures {
    const char* road;
    double medianCommandMs = 0;
    double maxCommandMs = 0;
    double stopMs = 0;
};
std::vector<SilentFigures> g_silent;

void RunSilent(int road, const char* name)
{
    DriveSimulator& sim = bench::StartDrive(115200, kBitRateKbit);
    g_nComType = road;
    FaultPlan silent;
    silent.silent = true;
    sim.SetFaults(SimChannel::Can, silent);
    QObject sink;
    SampleThread thread(&sink, PollPause {});
    thread.Start(true, true);
    std::vector<double> commands;
    // Fewer than ten missing replies, so the thread is still running when stopped.
    for (int i = 0; i < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        commands.push_back(CommandMs());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto stop = Clock::now();
    thread.Stop();
    SilentFigures f { name, bench::Median(commands), *std::max_element(commands.begin(), commands.end()),
        Ms(Clock::now() - stop) };
    g_silent.push_back(f);
    sim.ClearFaults();
    QCoreApplication::removePostedEvents(&sink);
}

void BM_SilentDrive(benchmark::State& state)
{
    const int road = static_cast<int>(state.range(0));
    for (auto _ : state)
        RunSilent(road, road == COMM_CAN_K8110 ? "card" : "USB-CAN");
}
BENCHMARK(BM_SilentDrive)->Arg(COMM_CAN_K8110)->Arg(COMM_CAN_USB2)->Iterations(1)->Unit(benchmark::kMillisecond);

void PrintFigures()
{
    std::printf("\nCAN sampling at %d kbit/s (feedback and command each round)\n", kBitRateKbit);
    for (const Figures& f : g_figures) {
        const double bareRounds = 1000.0 / (2 * f.idleCommandMs);
        std::printf("%-8s %7.0f rounds/s of %5.0f wire-limited (%5.1f %%), of %5.0f by two bare exchanges (%5.1f %%), "
                    "sampling thread %5.1f %% of a CPU\n",
            f.road, f.roundsPerSecond, f.wireRounds, 100 * f.roundsPerSecond / f.wireRounds, bareRounds,
            100 * f.roundsPerSecond / bareRounds, 100 * f.cpuShare);
        std::printf("         a UI command waits %.2f ms median, %.2f ms at most beyond its %.2f ms on an idle link; "
                    "one round %.2f ms\n",
            f.medianWaitMs, f.maxWaitMs, f.idleCommandMs, f.roundMs);
    }
    for (const SilentFigures& f : g_silent)
        std::printf("%-8s silent drive: a UI command takes %.1f ms median, %.1f ms at most; Stop returns after %.1f ms\n",
            f.road, f.medianCommandMs, f.maxCommandMs, f.stopMs);
}

} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv, PrintFigures);
}
