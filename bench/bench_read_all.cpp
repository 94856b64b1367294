// How long the parameter page's read of all settings takes against the simulated drive,
// next to what the drive and the line need for the same exchanges: over a pseudo-terminal at
// an emulated 115200 baud, and over the virtual CAN bus at an emulated 500 kbit/s on the
// USB-CAN road.
//
// Beside each read runs the same queries done bare, one after another: each written to the
// port and its reply awaited there (serial, with the link's receive thread held), or each
// sent and awaited on the card library (CAN); once with the replies awaited spinning, once
// blocked as a program that does not burn a core waits. Bare time = wire time plus the
// simulator's own turnaround (simulator, pseudo-terminal, bus server), plus a wake-up a reply
// when blocked. The goal: a read takes at most 1.10 x that on every road.
#include "bench/BenchDrive.h"
#include "link/CanCardLibrary.h"
#include "link/CanFrameCodec.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/SerialPort.h"
#include "pages/params/ReadAllParams.h"
#include "tools/drivesim/SimDriveParams.h"
#include "tools/drivesim/WireTime.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
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
    double spinMs = 0;  // bare, replies awaited spinning
    double blockMs = 0; // bare, replies awaited blocked
    double wireMs = 0;
    double spinRatio = 0;  // median of the rounds' read / spinning bare
    double blockRatio = 0; // median of the rounds' read / blocking bare
    int replies = 0;
};
std::map<std::string, Figure> g_figures;
// The link's goal: a read at most this many times its bare exchanges, on every road.
constexpr double kGoalRatio = 1.10;

using bench::BareWait;
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
double SerialBareMs(BareWait how, double* wireMs)
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
        if (!bench::ReadSerialReply(how, &reply))
            Fail("no serial reply");
        wire += WireTime::Serial(static_cast<size_t>(command.size()), kBaud) + WireTime::Serial(reply.size(), kBaud);
    }
    const double ms = Ms(start);
    LinkPauseReceive(false);
    *wireMs = Ms(wire);
    return ms;
}

// The queries sent one by one on the card, each reply awaited there.
double CanBareMs(BareWait how, double* wireMs)
{
    const int card = g_nK8110Index;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    bench::DropCardFrames(card);
    uint8_t frame[20];
    std::chrono::microseconds wire { 0 };
    const auto start = Clock::now();
    for (const ParamQuery& query : g_queries) {
        CanFrame request {};
        EncodeCanCommand(query.mnemonic + u'\r', COMM_CAN_K8110, bench::kNode, &request, nullptr);
        uint8_t out[20] = {};
        EncodeK8110Frame(request, out);
        if (!CAN_Trans(card, out, sizeof out))
            Fail("card send");
        if (!bench::AwaitCardFrame(how, card))
            Fail("no CAN reply");
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

double BareMs(int commType, BareWait how, double* wireMs)
{
    return commType == COMM_RS232 ? SerialBareMs(how, wireMs) : CanBareMs(how, wireMs);
}

// Each round makes the bare exchanges both ways and then the read, so all meet the same load.
void RunRoad(benchmark::State& state, int commType, const std::string& name)
{
    Start();
    std::vector<double> reads, spins, blocks, spinRatios, blockRatios;
    Figure& f = g_figures[name];
    for (auto _ : state) {
        const double spin = BareMs(commType, BareWait::Spin, &f.wireMs);
        const double block = BareMs(commType, BareWait::Block, &f.wireMs);
        const double read = ReadAllMs(commType, &f.replies);
        if (f.replies != static_cast<int>(g_queries.size())) {
            state.SkipWithError("a query went unanswered");
            break;
        }
        spins.push_back(spin);
        blocks.push_back(block);
        reads.push_back(read);
        spinRatios.push_back(read / spin);
        blockRatios.push_back(read / block);
        state.SetIterationTime(read / 1e3);
    }
    if (reads.empty())
        return;
    f.readMs = Median(reads);
    f.spinMs = Median(spins);
    f.blockMs = Median(blocks);
    f.spinRatio = Median(spinRatios);
    f.blockRatio = Median(blockRatios);
    SetCounters(state, { { "read_ms", f.readMs }, { "spin_bare_ms", f.spinMs }, { "block_bare_ms", f.blockMs },
                           { "wire_ms", f.wireMs }, { "ratio_spin", f.spinRatio }, { "ratio_block", f.blockRatio } });
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
    std::printf("\nread of all settings (%zu queries), median of %d rounds, milliseconds; goal: read/bare <= %.2f "
                "on every road\n", g_queries.size(), kRounds, kGoalRatio);
    std::printf("%-20s %8s %8s %10s %10s %16s %16s\n", "road", "read", "wire", "bare spin", "bare block",
                "read/spin", "read/block");
    for (const auto& [name, f] : g_figures)
        std::printf("%-20s %8.1f %8.1f %10.1f %10.1f %8.3f %-7s %8.3f %-7s\n", name.c_str(), f.readMs, f.wireMs,
            f.spinMs, f.blockMs, f.spinRatio, Verdict(f.spinRatio <= kGoalRatio), f.blockRatio, Verdict(f.blockRatio <= kGoalRatio));
    std::printf("bare: the same queries without the link (serial: written and read on the port with the\n"
                "receive thread held; CAN: on the card library), each reply awaited spinning (spin) or\n"
                "blocked in poll or the card's frame wait, as a program waits (block). bare minus wire is the\n"
                "simulator's own turnaround. read/bare: the median of each round's ratio, a round's read right\n"
                "after its bare runs.\n");
}
} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv, PrintFigures);
}
