// What the program's side does when the drive misbehaves on the line: the pseudo-terminal
// hung up (the drive killed), the virtual CAN bus gone (its host killed), and a drive
// that answers late. Figures, not pass/fail:
//   - CPU of the program's threads after the line went away, how soon the loss was
//     reported and what a transaction gets afterwards;
//   - for a drive late by 450, 550, 650 and 1100 ms, and a silent one (-1): strip values that
//     differ from those a punctual drive gives (wrong values; a value the strip shows as
//     unknown is not wrong), failed exchanges, and the longest exchange;
//   - a read of all parameters (serial) during which the drive stalls for 1.5, 3 or 6 s and
//     then answers every command it got meanwhile, or from which on it answers 1.1 s late:
//     values taken for another query (those that differ from a punctual read's), failed
//     queries, and how long the read took.
//
// VELQUARIN_LOST_SECONDS sets the time measured after a loss (default 10).
#include "bench/BenchDrive.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "pages/params/ReadAllParams.h"
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
    return EnvCount("VELQUARIN_LOST_SECONDS", 10);
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
    DriveSimulatorConfig config = bench::DriveConfig(kBaud, 0);
    if (!can)
        config.canUrl.clear();
    auto sim = std::make_unique<DriveSimulator>(config);
    if (!sim->Start())
        return nullptr;
    auto status = SimDriveStatus::Attach(*sim->Drive(1));
    status->SetAlarm(2, true);
    sim->Drive(1)->SetParameter("GMOD", 3);
    sim->Drive(1)->SetParameter("GT", 41);
    PointLinkAtDrive(kCom, sim->PtyPath(), config.canUrl);
    return sim;
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
            SkipAndClose(state, "the channel does not open");
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
        CloseBenchLink();

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

// The drive on the serial line, the link opened to it; none (the benchmark skipped) when the
// channel does not open.
std::unique_ptr<DriveSimulator> StartSerialDrive(benchmark::State& state)
{
    auto sim = StartDrive(false);
    LinkInit();
    if (!sim || !OpenBenchChannel(COMM_RS232, kCom, kBaud)) {
        SkipAndClose(state, "the channel does not open");
        return nullptr;
    }
    return sim;
}

void BM_LateReplies(benchmark::State& state)
{
    const int delayMs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto sim = StartSerialDrive(state);
        if (!sim)
            return;
        const LateRun punctual = RunLate(*sim, 0);
        const LateRun late = RunLate(*sim, delayMs);
        CloseBenchLink();

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
BENCHMARK(BM_LateReplies)->Arg(450)->Arg(550)->Arg(650)->Arg(1100)->Arg(-1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

struct ReadRun {
    std::map<CommandId, QByteArray> values;
    ReadAllOutcome outcome;
    qint64 ms = 0;
};

ReadRun ReadAll(const std::vector<ParamQuery>& queries, const DriveCommands::Transaction& transact)
{
    ReadRun run;
    QElapsedTimer timer;
    timer.start();
    run.outcome = RunReadAll(queries, true, transact, [] { return false; },
        [&run](CommandId id, const QByteArray& text) { run.values[id] = text; });
    run.ms = timer.elapsed();
    return run;
}

// The fault begins at this query of the read.
constexpr int kFaultAtQuery = 10;

void BM_FaultyRead(benchmark::State& state)
{
    FaultPlan plan;
    plan.stallMs = static_cast<int>(state.range(0));
    plan.delayMs = static_cast<int>(state.range(1));
    for (auto _ : state) {
        auto sim = StartSerialDrive(state);
        if (!sim)
            return;
        const std::vector<ParamQuery> queries = ReadAllQueries(kFirstFirmwareWithSecondTrackingError);
        // Every setting its own value, so an answer taken for another query shows.
        for (size_t i = 0; i < queries.size(); ++i)
            sim->Drive(1)->SetParameter(queries[i].mnemonic.toStdString(), static_cast<int32_t>(1000 + i));
        const ReadRun punctual = ReadAll(queries, LinkTransactLocked);
        int asked = 0;
        const ReadRun faulty = ReadAll(queries, [&](QString command, void* reply, int* length) {
            if (asked++ == kFaultAtQuery)
                sim->SetFaults(SimChannel::Serial, plan);
            return LinkTransactLocked(std::move(command), reply, length);
        });
        sim->ClearFaults();
        CloseBenchLink();

        int wrong = 0;
        for (const auto& [id, value] : faulty.values) {
            const auto right = punctual.values.find(id);
            wrong += right == punctual.values.end() || right->second != value;
        }
        state.SetIterationTime(static_cast<double>(faulty.ms) / 1000.0);
        state.counters["wrong_values"] = wrong;
        state.counters["failed"] = static_cast<double>(faulty.outcome.failed.size());
        std::printf("read of all parameters, drive %s %.1f s: %d of %d values taken for another query, "
                    "%d of %d queries failed, read took %.1f s (punctual: %lld ms, %d of %d failed)\n",
            plan.stallMs > 0 ? "stalling for" : "late by", (plan.stallMs + plan.delayMs) / 1000.0, wrong,
            static_cast<int>(faulty.values.size()), static_cast<int>(faulty.outcome.failed.size()), faulty.outcome.asked,
            static_cast<double>(faulty.ms) / 1000.0, static_cast<long long>(punctual.ms), static_cast<int>(punctual.outcome.failed.size()),
            punctual.outcome.asked);
    }
}
BENCHMARK(BM_FaultyRead)
    ->Args({ 1500, 0 })
    ->Args({ 3000, 0 })
    ->Args({ 6000, 0 })
    ->Args({ 0, 1100 })
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
