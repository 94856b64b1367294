#pragma once

// What the link benchmarks share: one simulated drive (node 1) on a pseudo-terminal at an
// emulated baud rate and on a private virtual CAN bus at an emulated bit rate, the link
// opened to it on all three roads (serial COM1, the card, a USB-CAN adapter), a profile of
// its own, and the program's main that prints the figures after the benchmarks ran.
#include "bench/BenchSupport.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/LoopbackPort.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
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
