// How long one command exchange takes against the simulated drive, next to what the line
// itself needs: "GV\r" over a pseudo-terminal at an emulated 115200 baud, and over the
// simulator's virtual CAN bus at an emulated 500 kbit/s on the USB-CAN and card roads.
// Beside each transaction runs the same exchange done bare, twice: its reply awaited
// spinning (the port or the card library polled without pause) and blocked (poll on the
// port, the card library's frame wait), as a program that does not burn a core waits. Bare
// time is the wire time plus the simulator's own turnaround (plus one wake-up when blocked).
// The link's overhead is the transaction minus each; goal: at most 50 us on every road.
#include "bench/BenchDrive.h"
#include "link/CanCardLibrary.h"
#include "link/CanFrameCodec.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/SerialPort.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/WireTime.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 115200;
constexpr int kBitRateKbit = 500;
constexpr int kVelocity = 1500;
const char* const kCommand = "GV\r";
const std::string kSerialReply = "#1500\r\n";

struct Figure {
    double medianUs = 0;     // the transaction
    double spinUs = 0;       // the bare exchange that spins, beside it
    double blockUs = 0;      // the bare exchange that blocks, beside it
    double overSpinUs = 0;   // median of transaction minus spinning bare, pair by pair
    double overBlockUs = 0;  // median of transaction minus blocking bare, pair by pair
    double wireUs = 0;
};
std::map<std::string, Figure> g_figures;
// The link's goal: at most this much over the bare exchange on every road.
constexpr double kGoalOverheadUs = 50;

using bench::BareWait;
using bench::Median;

double Us(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}


void Start()
{
    bench::StartDrive(kBaud, kBitRateKbit).Drive(bench::kNode)->SetParameter("GV", kVelocity);
}

// The bare serial exchange on the link's own port, with its receive thread held: write,
// then await the whole reply on the line.
double SerialBareUs(BareWait how)
{
    const size_t length = std::strlen(kCommand);
    LinkPauseReceive(true);
    const auto start = Clock::now();
    std::string got;
    const bool answered = SerialWrite(kCommand, static_cast<int>(length), true) == static_cast<int>(length)
        && bench::ReadSerialReply(how, &got);
    const double us = Us(start);
    LinkPauseReceive(false);
    return answered && got == kSerialReply ? us : -1;
}

// The bare CAN exchange on the card, on the same bus.
double CanBareUs(BareWait how, size_t* replyBytes)
{
    CanFrame request {};
    EncodeCanCommand(QString::fromLatin1(kCommand), COMM_CAN_K8110, 1, &request, nullptr);
    uint8_t out[20] = {};
    EncodeK8110Frame(request, out);
    const int card = g_nK8110Index;
    // The card hears the replies of the other road's transactions too: let them land, then
    // drop them.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    bench::DropCardFrames(card);
    const auto start = Clock::now();
    if (!CAN_Trans(card, out, sizeof out) || !bench::AwaitCardFrame(how, card))
        return -1;
    uint8_t in[20] = {};
    if (!CAN_Recv(card, in, sizeof in))
        return -1;
    const double us = Us(start);
    *replyBytes = in[0] & 0x0F;
    // The USB-CAN adapter hears this reply as well; it must have landed before a USB-CAN
    // transaction of the same command starts, or it would pass for that one's answer.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return us;
}

double BareUs(int commType, BareWait how, size_t* replyBytes)
{
    return commType == COMM_RS232 ? SerialBareUs(how) : CanBareUs(how, replyBytes);
}

double TransactionUs(size_t* replyBytes)
{
    uint8_t reply[64];
    int length = sizeof reply;
    const auto start = Clock::now();
    if (LinkTransactLocked(QString::fromLatin1(kCommand), reply, &length) != COMM_OK)
        return -1;
    const double us = Us(start);
    CanFrame frame;
    std::memcpy(&frame, reply, sizeof frame);
    *replyBytes = frame.dataLength;
    return us;
}

// Each iteration makes both bare exchanges and then the transaction, so all meet the same
// load on the machine; the overheads are the medians of their differences.
void RunRoad(benchmark::State& state, int commType, const std::string& name)
{
    Start();
    g_nComType = commType;
    std::vector<double> spin, block, transaction, overSpin, overBlock;
    size_t replyBytes = 0;
    for (auto _ : state) {
        const double spinUs = BareUs(commType, BareWait::Spin, &replyBytes);
        const double blockUs = BareUs(commType, BareWait::Block, &replyBytes);
        const double us = TransactionUs(&replyBytes);
        if (spinUs < 0 || blockUs < 0 || us < 0) {
            state.SkipWithError("no reply");
            break;
        }
        spin.push_back(spinUs);
        block.push_back(blockUs);
        transaction.push_back(us);
        overSpin.push_back(us - spinUs);
        overBlock.push_back(us - blockUs);
        state.SetIterationTime(us / 1e6);
    }
    const double wire = commType == COMM_RS232
        ? static_cast<double>((WireTime::Serial(std::strlen(kCommand), kBaud) + WireTime::Serial(kSerialReply.size(), kBaud)).count())
        : static_cast<double>((WireTime::Can(4, kBitRateKbit) + WireTime::Can(replyBytes, kBitRateKbit)).count());
    Figure& f = g_figures[name];
    f = { Median(transaction), Median(spin), Median(block), Median(overSpin), Median(overBlock), wire };
    SetCounters(state, { { "median_us", f.medianUs }, { "wire_us", f.wireUs }, { "spin_bare_us", f.spinUs },
                           { "block_bare_us", f.blockUs }, { "overhead_spin_us", f.overSpinUs },
                           { "overhead_block_us", f.overBlockUs } });
}

void BM_SerialTransaction(benchmark::State& state)
{
    RunRoad(state, COMM_RS232, "serial 115200 baud");
}
BENCHMARK(BM_SerialTransaction)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

void BM_UsbCanTransaction(benchmark::State& state)
{
    RunRoad(state, COMM_CAN_USB2, "USB-CAN 500 kbit/s");
}
BENCHMARK(BM_UsbCanTransaction)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

void BM_CardTransaction(benchmark::State& state)
{
    RunRoad(state, COMM_CAN_K8110, "card 500 kbit/s");
}
BENCHMARK(BM_CardTransaction)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

void PrintFigures()
{
    std::printf("\n\"GV\\r\" median figures in microseconds; goal: overhead <= %.0f us on every road\n", kGoalOverheadUs);
    std::printf("%-20s %12s %8s %10s %10s %15s %15s\n", "road", "transaction", "wire", "bare spin", "bare block",
                "over spin", "over block");
    for (const auto& [name, f] : g_figures)
        std::printf("%-20s %12.1f %8.1f %10.1f %10.1f %7.1f %-7s %7.1f %-7s\n", name.c_str(), f.medianUs, f.wireUs,
                    f.spinUs, f.blockUs, f.overSpinUs, Verdict(f.overSpinUs <= kGoalOverheadUs), f.overBlockUs,
                    Verdict(f.overBlockUs <= kGoalOverheadUs));
    std::printf("bare: the same exchange without the link (serial: written and read on the port with the\n"
                "receive thread held; CAN: on the card library), its reply awaited spinning (spin) or\n"
                "blocked in poll or the card's frame wait, as a program waits (block). bare minus wire is the\n"
                "simulator's own turnaround. over: transaction minus bare, pair by pair.\n");
}
}

int main(int argc, char** argv)
{
    return bench::Main(argc, argv, PrintFigures);
}
