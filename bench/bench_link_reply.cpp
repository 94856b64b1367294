// How soon the link sees a complete reply: from the moment the drive's last byte is written
// (serial over a pseudo-terminal, USB-CAN through the fake bus) to the moment the waiting
// transaction wakes, and the cost of one scanner pass.
#include "link/FakeCanBackend.h"
#include "link/LinkLayer.h"
#include "platform/Profile.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

int g_master = -1;
std::string g_home;
std::shared_ptr<FakeCanBackend> g_fake;

void Setup()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // A profile of our own, never the user's.
    g_home = (std::filesystem::temp_directory_path() / "velquarin-bench-XXXXXX").string();
    if (!::mkdtemp(g_home.data()))
        std::abort();
    ::setenv("XDG_CONFIG_HOME", g_home.c_str(), 1);

    g_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (g_master < 0 || ::grantpt(g_master) != 0 || ::unlockpt(g_master) != 0)
        std::abort();
    auto profile = OpenProfile();
    profile->setValue(QStringLiteral("Ports/COM1"), QString::fromLocal8Bit(::ptsname(g_master)));
    profile->sync();

    SetCanBackendFactory([](int) { return g_fake = std::make_shared<FakeCanBackend>(); });
    LinkInit();
    SerialSettings serial;
    serial.port = 1;
    serial.baud = 115200;
    serial.byteSize = 8;
    serial.stopBits = 1;
    if (LinkOpenChannel(COMM_RS232, &serial) != 1)
        std::abort();
    CanSettings can;
    BuildCanSettings(0, 1000, "00000000", "FFFFFFFF", &can);
    if (LinkOpenChannel(COMM_CAN_USB2, &can) != 1)
        std::abort();
}

void BM_SerialReplySeen(benchmark::State& state)
{
    Setup();
    g_nComType = COMM_RS232;
    const std::string reply = "#12345\r\n";
    uint8_t buf[64];
    for (auto _ : state) {
        LinkClearSerialReply();
        if (::write(g_master, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size()))
            std::abort();
        const auto written = Clock::now();
        if (!LinkWaitReply(1000))
            state.SkipWithError("no reply");
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - written).count());
        benchmark::DoNotOptimize(LinkTakeSerialReply(buf, sizeof buf));
    }
}
BENCHMARK(BM_SerialReplySeen)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_UsbCanReplySeen(benchmark::State& state)
{
    Setup();
    g_nComType = COMM_CAN_USB2;
    CanMessage answer;
    answer.id = 1;
    answer.length = 6;
    const uint8_t data[6] = { 6, 1, 0x15, 0x80, 0x2C, 0x01 };
    std::copy(data, data + 6, answer.data);
    CanFrame frame;
    for (auto _ : state) {
        LinkExpectCanReply(0x15);
        const auto sent = Clock::now();
        g_fake->Inject(answer);
        if (!LinkWaitReply(1000))
            state.SkipWithError("no reply");
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - sent).count());
        benchmark::DoNotOptimize(LinkTakeCanReply(&frame));
    }
}
BENCHMARK(BM_UsbCanReplySeen)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_SerialScannerPass(benchmark::State& state)
{
    static uint8_t ring[kSerialRxRingSize];
    const std::string text = "noise GV\r\n#-1234567\r\n";
    std::copy(text.begin(), text.end(), ring);
    for (auto _ : state) {
        SerialScanState scan;
        benchmark::DoNotOptimize(LinkScanSerialReply(ring, static_cast<int>(text.size()), scan));
    }
}
BENCHMARK(BM_SerialScannerPass);
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_master >= 0) {
        LinkShutdown();
        SetCanBackendFactory({});
        g_fake.reset();
        ::close(g_master);
        std::filesystem::remove_all(g_home);
    }
    return 0;
}
