// How long the parameter page's read of all settings takes against the simulated drive,
// next to what the drive and the line need for the same exchanges: over a pseudo-terminal at
// an emulated 115200 baud, and over the virtual CAN bus at an emulated 500 kbit/s on the
// USB-CAN road.
//
// Beside each read runs the same queries done bare, one after another: each written to the
// port and its reply awaited there (serial, with the link's receive thread held), or each
// sent and polled for on the card library without pause (CAN). Bare time = wire time plus
// the simulator's own turnaround (simulator, pseudo-terminal, bus server). The goal: a read
// takes at most 1.15 x that.
#include "bench/BenchDrive.h"
#include "link/CanCardLibrary.h"
#include "link/CanFrameCodec.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/SerialPort.h"
#include "pages/ReadAllParams.h"
#include "tools/drivesim/SimDriveParams.h"
#include "tools/drivesim/WireTime.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 115200;
constexpr int kBitRateKbit = 500;
constexpr int kRounds = 15;

std::vector<ParamQuery> g_queries;

struct Figure {
    double readMs = 0;
    double bareMs = 0;
    double wireMs = 0;
    double ratio = 0; // median of the rounds' read / bare
    int replies = 0;
};
std::map<std::string, Figure> g_figures;

using bench::Fail;
using bench::Median;

double Ms(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Ms(std::chrono::microseconds us)
{
    return static_cast<double>(us.count()) / 1000.0;
}

void Start()
{
    SimDriveParams::Attach(*bench::StartDrive(kBaud, kBitRateKbit).Drive(bench::kNode));
    // A drive of newer firmware: the longest read, with the second tracking error.
    g_queries = ReadAllQueries(0x300D);
}

// The read as the page's worker runs it; the number of replies it delivered.
double ReadAllMs(int commType, int* replies)
{
    g_nComType = commType;
    *replies = 0;
    const auto start = Clock::now();
    RunReadAll(
        g_queries, commType == COMM_RS232, LinkTransactLocked, [] { return false; },
        [replies](CommandId, const QByteArray&) { ++*replies; });
    return Ms(start);
}

// The queries written to the port one by one, each reply awaited on the port itself.
double SerialBareMs(double* wireMs)
{
    LinkPauseReceive(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    SerialPurgeRx();
    std::chrono::microseconds wire { 0 };
    const auto start = Clock::now();
    for (const ParamQuery& query : g_queries) {
        const QByteArray command = query.mnemonic.toLatin1() + '\r';
        if (SerialWrite(command.constData(), static_cast<int>(command.size()), true) != command.size())
            Fail("serial write");
        std::string reply;
        while (reply.size() < 3 || reply.compare(reply.size() - 2, 2, "\r\n") != 0) {
            pollfd p { g_hSerialPort, POLLIN, 0 };
            char buf[64];
            if (::poll(&p, 1, 1000) <= 0)
                Fail("no serial reply");
            const int n = SerialRead(buf, sizeof buf);
            if (n > 0)
                reply.append(buf, static_cast<size_t>(n));
        }
        wire += WireTime::Serial(static_cast<size_t>(command.size()), kBaud) + WireTime::Serial(reply.size(), kBaud);
    }
    const double ms = Ms(start);
    LinkPauseReceive(false);
    *wireMs = Ms(wire);
    return ms;
}

// The queries sent one by one on the card, each reply polled for without pause.
double CanBareMs(double* wireMs)
{
    const int card = g_nK8110Index;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    uint8_t frame[20];
    K8110RegRecord waiting { K8110_REG_RX_COUNT, 0 };
    while (CAN_ReadReg(card, &waiting) && waiting.value != 0 && CAN_Recv(card, frame, sizeof frame)) {
    }
    std::chrono::microseconds wire { 0 };
    const auto start = Clock::now();
    for (const ParamQuery& query : g_queries) {
        CanFrame request {};
        EncodeCanCommand(query.mnemonic + u'\r', COMM_CAN_K8110, bench::kNode, &request, nullptr);
        uint8_t out[20] = {};
        EncodeK8110Frame(request, out);
        if (!CAN_Trans(card, out, sizeof out))
            Fail("card send");
        const auto sent = Clock::now();
        K8110RegRecord reg { K8110_REG_RX_COUNT, 0 };
        while (CAN_ReadReg(card, &reg) && reg.value == 0) {
            if (Clock::now() - sent > std::chrono::seconds(1))
                Fail("no CAN reply");
            std::this_thread::yield(); // leave the bus thread the lock it delivers under
        }
        if (!CAN_Recv(card, frame, sizeof frame))
            Fail("card receive");
        wire += WireTime::Can(request.dataLength, kBitRateKbit) + WireTime::Can(frame[0] & 0x0F, kBitRateKbit);
    }
    const double ms = Ms(start);
    // The USB-CAN adapter heard these replies too; let them land before its own read.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    *wireMs = Ms(wire);
    return ms;
}

// Each round makes the bare exchanges and then the read, so both meet the same load.
void RunRoad(benchmark::State& state, int commType, const std::string& name)
{
    Start();
    std::vector<double> reads, bares, ratios;
    Figure& f = g_figures[name];
    for (auto _ : state) {
        const double bare = commType == COMM_RS232 ? SerialBareMs(&f.wireMs) : CanBareMs(&f.wireMs);
        const double read = ReadAllMs(commType, &f.replies);
        if (f.replies != static_cast<int>(g_queries.size())) {
            state.SkipWithError("a query went unanswered");
            break;
        }
        bares.push_back(bare);
        reads.push_back(read);
        ratios.push_back(read / bare);
        state.SetIterationTime(read / 1e3);
    }
    if (reads.empty())
        return;
    f.readMs = Median(reads);
    f.bareMs = Median(bares);
    f.ratio = Median(ratios);
    state.counters["read_ms"] = f.readMs;
    state.counters["bare_ms"] = f.bareMs;
    state.counters["wire_ms"] = f.wireMs;
    state.counters["ratio"] = f.ratio;
}

void BM_SerialReadAll(benchmark::State& state)
{
    RunRoad(state, COMM_RS232, "serial 115200 baud");
}
BENCHMARK(BM_SerialReadAll)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);

void BM_UsbCanReadAll(benchmark::State& state)
{
    RunRoad(state, COMM_CAN_USB2, "USB-CAN 500 kbit/s");
}
BENCHMARK(BM_UsbCanReadAll)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);

void BM_CardReadAll(benchmark::State& state)
{
    RunRoad(state, COMM_CAN_K8110, "card 500 kbit/s");
}
BENCHMARK(BM_CardReadAll)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);

void PrintFigures()
{
    std::printf("\nread of all settings (%zu queries), median of %d rounds, milliseconds\n", g_queries.size(), kRounds);
    std::printf("%-20s %8s %8s %11s %8s %18s\n", "road", "read", "wire", "turnaround", "bare", "read/bare (goal)");
    for (const auto& [name, f] : g_figures)
        std::printf("%-20s %8.1f %8.1f %11.1f %8.1f %11.3f (<= 1.15)\n", name.c_str(), f.readMs, f.wireMs,
            f.bareMs - f.wireMs, f.bareMs, f.ratio);
    std::printf("bare = wire + turnaround: the same queries without the link (serial: written and awaited on\n"
                "the port with the receive thread held; CAN: the card library polled without pause).\n"
                "read/bare: the median of each round's ratio, a round's read right after its bare run.\n");
}
} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv, PrintFigures);
}
