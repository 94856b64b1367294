#pragma once

// What the link benchmarks share: one simulated drive (node 1) on a pseudo-terminal at an
// emulated baud rate and on a private virtual CAN bus at an emulated bit rate, the link
// opened to it on all three roads (serial COM1, the card, a USB-CAN adapter), a profile of
// its own, and the program's main that prints the figures after the benchmarks ran.
#include "bench/BenchSupport.h"
#include "link/CanCardLibrary.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/SerialPort.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/LoopbackPort.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace bench {

constexpr int kCom = 1;
constexpr int kNode = 1;

inline std::unique_ptr<DriveSimulator>& Sim()
{
    static std::unique_ptr<DriveSimulator> sim;
    return sim;
}

[[noreturn]] inline void Fail(const std::string& what)
{
    std::fprintf(stderr, "benchmark: %s\n", what.c_str());
    std::abort();
}

inline double Median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const size_t mid = samples.size() / 2;
    return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

// How a bare exchange, the same exchange done without the link, awaits its reply: spinning
// on the port or the card, the fastest an exchange can be had, or blocked in the wait a real
// program uses (poll on the port, the card library's frame wait), which costs the wake-up a
// blocked thread pays.
enum class BareWait { Spin, Block };

constexpr auto kBareReplyWait = std::chrono::seconds(1);

// Reads the link's serial port until `reply` ends in CR LF; false when nothing comes for a
// second.
inline bool ReadSerialReply(BareWait how, std::string* reply)
{
    auto heard = std::chrono::steady_clock::now();
    while (reply->size() < 3 || reply->compare(reply->size() - 2, 2, "\r\n") != 0) {
        pollfd p { g_hSerialPort, POLLIN, 0 };
        const int ready = ::poll(&p, 1, how == BareWait::Block ? 1000 : 0);
        if (ready < 0 || std::chrono::steady_clock::now() - heard > kBareReplyWait)
            return false;
        char buf[64];
        const int n = ready > 0 ? SerialRead(buf, sizeof buf) : 0;
        if (n > 0) {
            reply->append(buf, static_cast<size_t>(n));
            heard = std::chrono::steady_clock::now();
        }
    }
    return true;
}

// Waits until the card holds a received frame; false when none comes within a second.
inline bool AwaitCardFrame(BareWait how, int card)
{
    if (how == BareWait::Block)
        return CAN_WaitRecvUs(card, std::chrono::microseconds(kBareReplyWait).count()) != 0;
    const auto start = std::chrono::steady_clock::now();
    K8110RegRecord reg { K8110_REG_RX_COUNT, 0 };
    while (CAN_ReadReg(card, &reg) && reg.value == 0) {
        if (std::chrono::steady_clock::now() - start > kBareReplyWait)
            return false;
        std::this_thread::yield(); // leave the bus thread the lock it delivers under
    }
    return true;
}

// Drops what the card holds (the replies the other roads' exchanges brought it too).
inline void DropCardFrames(int card)
{
    K8110RegRecord waiting { K8110_REG_RX_COUNT, 0 };
    uint8_t stale[20];
    while (CAN_ReadReg(card, &waiting) && waiting.value != 0 && CAN_Recv(card, stale, sizeof stale)) {
    }
}

// The simulated drive (node 1) on a pseudo-terminal at an emulated baud rate and hosting a
// private virtual CAN bus (a free port, never the shared default) at an emulated bit rate.
inline DriveSimulatorConfig DriveConfig(int baud, int bitRateKbit)
{
    DriveSimulatorConfig config;
    config.pty = true;
    config.baud = baud;
    config.canUrl = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/can0";
    config.canMode = VirtualCanBus::Mode::Host;
    config.bitrateKbit = bitRateKbit;
    config.nodes = { kNode };
    return config;
}

// Starts the drive and opens the three roads to it, once; the drive thereafter.
inline DriveSimulator& StartDrive(int baud, int bitRateKbit)
{
    if (Sim())
        return *Sim();
    const DriveSimulatorConfig config = DriveConfig(baud, bitRateKbit);
    Sim() = std::make_unique<DriveSimulator>(config);
    std::string error;
    if (!Sim()->Start(&error))
        Fail("the simulated drive does not start: " + error);
    PointLinkAtDrive(kCom, Sim()->PtyPath(), config.canUrl);

    InitCommandTables();
    LinkInit();
    const bool serial = OpenBenchChannel(COMM_RS232, kCom, baud, bitRateKbit);
    const bool card = OpenBenchChannel(COMM_CAN_K8110, kCom, baud, bitRateKbit);
    const bool usb = OpenBenchChannel(COMM_CAN_USB2, kCom, baud, bitRateKbit);
    if (!serial || !card || !usb)
        Fail("a channel does not open (serial " + std::to_string(serial) + ", card " + std::to_string(card)
            + ", USB-CAN " + std::to_string(usb) + ")");
    return *Sim();
}

// A profile of its own, the benchmarks, then the figures; then the drive goes.
inline int Main(int argc, char** argv, void (*printFigures)())
{
    BenchProfile profile;
    if (!profile.Made())
        Fail("no temporary folder");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printFigures();
    if (Sim()) {
        LinkShutdown();
        Sim()->Stop();
    }
    return 0;
}

} // namespace bench
