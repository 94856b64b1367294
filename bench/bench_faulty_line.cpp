// What the program's side does when the drive misbehaves on the line: the pseudo-terminal
// hung up (the drive killed), the virtual CAN bus gone (its host killed), and a drive
// that answers late. Figures, not pass/fail:
//   - CPU of the program's threads after the line went away, how soon the loss was
//     reported and what a transaction gets afterwards;
//   - for a drive late by 450, 550 and 650 ms, and a silent one (-1): strip values that
//     differ from those a punctual drive gives (wrong values; a value the strip shows as
//     unknown is not wrong), failed exchanges, and the longest exchange.
//
// VELQUARIN_LOST_SECONDS sets the time measured after a loss (default 10).
#include "bench/BenchSupport.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "platform/Profile.h"
#include "platform/WindowMessage.h"
#include "shell/DriveCommands.h"
#include "shell/DriveReplyDecoder.h"
#include "shell/Globals.h"
#include "shell/StatusPollThread.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/LoopbackPort.h"
#include "tools/drivesim/SimDriveStatus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kCom = 1;
constexpr int kBaud = 115200;
constexpr int kPollCycles = 3;

int LostSeconds()
{
    const char* text = std::getenv("VELQUARIN_LOST_SECONDS");
    const int seconds = text ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 10;
}

void RunEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// What reached the strip, last value per command id.
class StripRecorder : public QObject {
public:
    std::map<int, QString> values;
    bool event(QEvent* e) override
    {
        if (WindowMessage::MessageOf(e) != WM_DRIVE_REPLY)
            return QObject::event(e);
        const auto* message = static_cast<WindowMessage*>(e);
        const int id = LOWORD(message->LParam());
        values[id] = HIWORD(message->LParam()) == DriveReply::NUMERIC ? QString::number(message->WParam())
                                                                      : QString::fromLatin1(message->Data());
        return true;
    }
};

std::unique_ptr<DriveSimulator> StartDrive(bool can)
{
    DriveSimulatorConfig config;
    config.pty = true;
    config.baud = kBaud;
    if (can) {
        config.canUrl = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/can0";
        config.canMode = VirtualCanBus::Mode::Host;
        qputenv("VELQUARIN_CAN_PLUGIN", "virtualcan");
        qputenv("VELQUARIN_CAN_INTERFACE", QByteArray::fromStdString(config.canUrl));
    }
    auto sim = std::make_unique<DriveSimulator>(config);
    if (!sim->Start())
        return nullptr;
    auto status = SimDriveStatus::Attach(*sim->Drive(1));
    status->SetAlarm(2, true);
    sim->Drive(1)->SetParameter("GMOD", 3);
    sim->Drive(1)->SetParameter("GT", 41);
    OpenProfile()->setValue(QStringLiteral("Ports/COM%1").arg(kCom), QString::fromStdString(sim->PtyPath()));
    return sim;
}

void CloseLink()
{
    LinkShutdown();
    g_bDriveConnected = 0;
    g_bRs232Open = 0;
    g_bCanUsbOpen = 0;
}

// The drive goes away while the program polls it.
void BM_LineLost(benchmark::State& state)
{
    const int type = static_cast<int>(state.range(0));
    const bool can = type != COMM_RS232;
    const int seconds = LostSeconds();
    for (auto _ : state) {
        auto sim = StartDrive(can);
        LinkInit();
        std::atomic<int64_t> lostAfterMs { -1 };
        QElapsedTimer sinceKill;
        LinkSetChannelLostHandler([&](int, const QString&) { lostAfterMs = sinceKill.elapsed(); });
        if (!sim || !OpenBenchChannel(type, kCom, kBaud)) {
            state.SkipWithError("the channel does not open");
            CloseLink();
            return;
        }
        StripRecorder strip;
        DriveCommands commands(LinkTransactLocked);
        commands.SetStripReceiver(&strip);
        commands.OnConnectDrive();
        StatusPollThread poll([&commands](PauseGate& gate, std::mutex& csPoll) { commands.PollCycle(gate, csPoll); },
            1000);
        poll.Start();
        RunEvents(1500);

        sinceKill.start();
        sim->Stop();
        const double cpuStart = CpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        RunEvents(seconds * 1000);
        const double cpu = CpuSeconds() - cpuStart;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

        QElapsedTimer exchange;
        exchange.start();
        uint8_t reply[64] = {};
        int length = sizeof reply;
        const int result = LinkTransactLocked(QStringLiteral("GMOD\r"), reply, &length);
        const qint64 exchangeMs = exchange.elapsed();

        poll.Stop();
        LinkSetChannelLostHandler({});
        CloseLink();

        const double percent = 100.0 * cpu / wall;
        state.SetIterationTime(wall);
        state.counters["cpu_percent"] = percent;
        std::printf("%s gone: %.2f %% of one core (%.2f s CPU in %.1f s); loss reported after %lld ms; "
                    "a transaction then gives %d in %lld ms\n",
            can ? "virtual CAN bus" : "serial line", percent, cpu, wall, static_cast<long long>(lostAfterMs.load()),
            result, static_cast<long long>(exchangeMs));
    }
}
BENCHMARK(BM_LineLost)->Arg(COMM_RS232)->Arg(COMM_CAN_USB2)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

struct LateRun {
    std::map<int, QString> strip;
    int exchanges = 0;
    int failed = 0;
    qint64 longestMs = 0;
    qint64 totalMs = 0;
};

// The connect sequence and a few poll cycles against a drive late by delayMs.
LateRun RunLate(DriveSimulator& sim, int delayMs)
{
    FaultPlan plan;
    plan.silent = delayMs < 0;
    plan.delayMs = std::max(delayMs, 0);
    sim.SetFaults(SimChannel::Serial, plan);
    LateRun run;
    StripRecorder strip;
    DriveCommands commands([&run](QString command, void* reply, int* length) {
        QElapsedTimer timer;
        timer.start();
        const int result = LinkTransactLocked(std::move(command), reply, length);
        const qint64 ms = timer.elapsed();
        ++run.exchanges;
        run.failed += result != 0;
        run.longestMs = std::max(run.longestMs, ms);
        run.totalMs += ms;
        return result;
    });
    commands.SetStripReceiver(&strip);
    commands.OnConnectDrive();
    PauseGate gate;
    std::mutex csPoll;
    for (int i = 0; i < kPollCycles; ++i)
        commands.PollCycle(gate, csPoll);
    QCoreApplication::processEvents();
    sim.ClearFaults();
    // Let the last late answer land before the next run starts.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max(delayMs, 0) + 100));
    run.strip = strip.values;
    return run;
}

void BM_LateReplies(benchmark::State& state)
{
    const int delayMs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto sim = StartDrive(false);
        LinkInit();
        if (!sim || !OpenBenchChannel(COMM_RS232, kCom, kBaud)) {
            state.SkipWithError("the channel does not open");
            CloseLink();
            return;
        }
        const LateRun punctual = RunLate(*sim, 0);
        const LateRun late = RunLate(*sim, delayMs);
        CloseLink();

        int wrong = 0;
        for (const auto& [id, value] : late.strip) {
            const auto right = punctual.strip.find(id);
            if (!value.isEmpty() && (right == punctual.strip.end() || right->second != value))
                ++wrong;
        }
        state.SetIterationTime(static_cast<double>(late.totalMs) / 1000.0);
        state.counters["wrong_values"] = wrong;
        state.counters["failed"] = late.failed;
        state.counters["longest_ms"] = static_cast<double>(late.longestMs);
        std::printf("drive late by %d ms: %d of %zu strip values wrong, %d of %d exchanges failed, "
                    "longest exchange %lld ms, all exchanges %lld ms (punctual: %lld ms)\n",
            delayMs, wrong, late.strip.size(), late.failed, late.exchanges, static_cast<long long>(late.longestMs),
            static_cast<long long>(late.totalMs), static_cast<long long>(punctual.totalMs));
    }
}
BENCHMARK(BM_LateReplies)->Arg(450)->Arg(550)->Arg(650)->Arg(-1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    BenchProfile profile;
    if (!profile.Made())
        return 1;
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
