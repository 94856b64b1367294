#pragma once

// What the link benchmarks share: one simulated drive (node 1) on a pseudo-terminal at an
// emulated baud rate and on a private virtual CAN bus at an emulated bit rate, the link
// opened to it on all three roads (serial COM1, the card, a USB-CAN adapter), a profile of
// its own, and the program's main that prints the figures after the benchmarks ran.
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "platform/Profile.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/LoopbackPort.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace bench {

constexpr int kCom = 1;
constexpr int kNode = 1;

inline std::string& Home()
{
    static std::string home;
    return home;
}

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

// Starts the drive and opens the three roads to it, once; the drive thereafter.
inline DriveSimulator& StartDrive(int baud, int bitRateKbit)
{
    if (Sim())
        return *Sim();
    // A profile of our own, never the user's.
    Home() = (std::filesystem::temp_directory_path() / "velquarin-bench-XXXXXX").string();
    if (!::mkdtemp(Home().data()))
        Fail("no temporary folder");
    ::setenv("XDG_CONFIG_HOME", Home().c_str(), 1);

    DriveSimulatorConfig config;
    config.pty = true;
    config.baud = baud;
    config.canUrl = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/can0";
    config.canMode = VirtualCanBus::Mode::Host;
    config.bitrateKbit = bitRateKbit;
    config.nodes = { kNode };
    Sim() = std::make_unique<DriveSimulator>(config);
    std::string error;
    if (!Sim()->Start(&error))
        Fail("the simulated drive does not start: " + error);
    auto profile = OpenProfile();
    profile->setValue(QStringLiteral("Ports/COM%1").arg(kCom), QString::fromStdString(Sim()->PtyPath()));
    profile->sync();
    qputenv("VELQUARIN_CAN_PLUGIN", "virtualcan");
    qputenv("VELQUARIN_CAN_INTERFACE", QByteArray::fromStdString(config.canUrl));

    InitCommandTables();
    LinkInit();
    g_nCurNode = kNode;
    SerialSettings serial;
    serial.port = kCom;
    serial.baud = static_cast<uint32_t>(baud);
    serial.byteSize = 8;
    serial.stopBits = 1;
    CanSettings can;
    BuildCanSettings(0, bitRateKbit, "00000000", "FFFFFFFF", &can);
    g_bRs232Open = LinkOpenChannel(COMM_RS232, &serial);
    g_bCanK8110Open = LinkOpenChannel(COMM_CAN_K8110, &can);
    g_nVciDevType = VciDeviceTypeOf(COMM_CAN_USB2);
    g_bCanUsbOpen = LinkOpenChannel(COMM_CAN_USB2, &can);
    if (!g_bRs232Open || !g_bCanK8110Open || !g_bCanUsbOpen)
        Fail("a channel does not open (serial " + std::to_string(g_bRs232Open.load()) + ", card "
            + std::to_string(g_bCanK8110Open.load()) + ", USB-CAN " + std::to_string(g_bCanUsbOpen.load()) + ")");
    return *Sim();
}

// The benchmarks, then the figures, then the drive and the profile go.
inline int Main(int argc, char** argv, void (*printFigures)())
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printFigures();
    if (Sim()) {
        LinkShutdown();
        Sim()->Stop();
    }
    if (!Home().empty())
        std::filesystem::remove_all(Home());
    return 0;
}

} // namespace bench
