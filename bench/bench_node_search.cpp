// How long the node-search bar takes to search the whole range 2..127 over the simulated
// drive's virtual CAN bus (500 kbit/s wire time) with three drives present, next to the
// pacing the search keeps by design: per absent node two probes that wait out the reply
// time-out with the retry delay between them, plus the pause after each node; per present
// node its answer and the pause. Once through the USB-CAN pass (80 ms time-out, 100 ms pause
// after every node) and once through the card pass (50 ms time-out, a card reset and 10 ms
// after each absent node). Goal: within 5 % of the pacing on the USB-CAN pass and 1.5 % on
// the card pass, every present drive found, no absent node listed.
#include "bench/BenchSupport.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/ui/SearchNode.h"
#include "platform/Profile.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/LoopbackPort.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBitRateKbit = 500; // the rate OpenBenchChannel opens with
constexpr int kFrom = 2;
constexpr int kTo = 127;
const std::vector<uint16_t> kDrives = { 5, 64, 127 };
// The transaction's reply time-outs and the probe's retry delay.
constexpr double kUsbReplyWaitMs = 80;
constexpr double kCardReplyWaitMs = 50;
constexpr double kProbeRetryMs = 10;
// How far over the pacing a pass may run.
constexpr double kUsbGoalPercent = 5;
constexpr double kCardGoalPercent = 1.5;

std::unique_ptr<DriveSimulator> g_sim;

// What the search takes by design, in milliseconds, over the whole range.
double PacingMs(int type)
{
    const int nodes = kTo - kFrom + 1;
    const int absent = nodes - static_cast<int>(kDrives.size());
    if (type == COMM_CAN_K8110) {
        // The card pass starts with a reset and its pause; an absent node costs two probes,
        // a reset and its pause.
        return CSearchNode::kCardResetPauseMs
            + absent * (2 * kCardReplyWaitMs + kProbeRetryMs + CSearchNode::kCardResetPauseMs);
    }
    return absent * (2 * kUsbReplyWaitMs + kProbeRetryMs) + nodes * CSearchNode::kUsbNodePauseMs;
}

void OpenChannel(int type)
{
    LinkInit();
    if (!OpenBenchChannel(type, 0, 0)) {
        std::fprintf(stderr, "the channel does not open\n");
        std::abort();
    }
    // The bus relays the program's frames once its server has registered the program.
    g_nCurNode = kDrives.front();
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint8_t reply[64] = {};
        int length = sizeof reply;
        if (LinkTransactLocked(QStringLiteral("GID\r"), reply, &length) == COMM_OK)
            return;
    }
    std::fprintf(stderr, "the simulated drives do not answer\n");
    std::abort();
}

void CloseChannel()
{
    LinkShutdown();
    g_bCanK8110Open = 0;
    g_bCanUsbOpen = 0;
    g_nComType = COMM_RS232;
}

void BM_SearchWholeRange(benchmark::State& state)
{
    const int type = static_cast<int>(state.range(0));
    OpenChannel(type);
    g_nCurNode = 1;
    for (auto _ : state) {
        QWidget host;
        CSearchNode bar;
        bar.Create(&host);
        qobject_cast<QLineEdit*>(bar.GetDlgItem(CSearchNode::IDC_FROM))->setText(QString::number(kFrom));
        qobject_cast<QLineEdit*>(bar.GetDlgItem(CSearchNode::IDC_TO))->setText(QString::number(kTo));
        const auto start = Clock::now();
        qobject_cast<QPushButton*>(bar.GetDlgItem(CSearchNode::IDC_SEARCH))->click();
        while (bar.IsSearching()) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        state.SetIterationTime(ms / 1000);

        std::vector<uint16_t> found;
        {
            std::lock_guard lock(g_csFoundNodes);
            found = g_arrFoundNodes;
        }
        const double pacing = PacingMs(type);
        const double over = 100 * (ms - pacing) / pacing;
        const double goal = type == COMM_CAN_K8110 ? kCardGoalPercent : kUsbGoalPercent;
        QString list;
        for (uint16_t node : found)
            list += QStringLiteral("%1 ").arg(node);
        std::printf("%s pass, nodes %d..%d, drives at 5 64 127: %.0f ms, pacing %.0f ms, %+.2f %% (goal <= +%.1f %%: %s); "
                    "found %s(%s)\n",
            type == COMM_CAN_K8110 ? "card" : "USB-CAN", kFrom, kTo, ms, pacing, over, goal,
            Verdict(over <= goal), qPrintable(list),
            found == kDrives ? "every drive, no other node" : "NOT the drives present");
        state.counters["pacing_ms"] = pacing;
        state.counters["over_pacing_percent"] = over;
        state.counters["found"] = static_cast<double>(found.size());
    }
    CloseChannel();
}
BENCHMARK(BM_SearchWholeRange)
    ->Arg(COMM_CAN_USB2)
    ->Arg(COMM_CAN_K8110)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    // No display needed.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    BenchProfile profile;
    QApplication app(argc, argv);

    DriveSimulatorConfig config;
    config.canUrl = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/can0";
    config.canMode = VirtualCanBus::Mode::Host;
    config.bitrateKbit = kBitRateKbit;
    config.nodes.assign(kDrives.begin(), kDrives.end());
    g_sim = std::make_unique<DriveSimulator>(config);
    std::string error;
    if (!g_sim->Start(&error)) {
        std::fprintf(stderr, "the simulated drives do not start: %s\n", error.c_str());
        return 1;
    }
    qputenv("VELQUARIN_CAN_PLUGIN", "virtualcan");
    qputenv("VELQUARIN_CAN_INTERFACE", QByteArray::fromStdString(config.canUrl));
    InitCommandTables();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_sim->Stop();
    return 0;
}
