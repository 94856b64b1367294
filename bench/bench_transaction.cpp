// How long one command exchange takes against the simulated drive, next to what the line
// itself needs: "GV\r" over a pseudo-terminal at an emulated 115200 baud, and over the
// simulator's virtual CAN bus at an emulated 500 kbit/s on the USB-CAN and card roads.
// Beside each transaction runs the same exchange done bare (the port written and waited on
// directly, or the card library polled without pause): the wire time plus the simulator's
// own turnaround. The link's overhead is the transaction minus that.
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
#include <poll.h>
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
    double medianUs = 0;   // the transaction
    double bareUs = 0;     // the bare exchange beside it
    double overheadUs = 0; // median of transaction minus bare exchange, pair by pair
    double wireUs = 0;
};
std::map<std::string, Figure> g_figures;

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
// then wait on the line for the whole reply.
double SerialBareUs()
{
    const size_t length = std::strlen(kCommand);
    const auto start = Clock::now();
    if (SerialWrite(kCommand, static_cast<int>(length), true) != static_cast<int>(length))
        return -1;
    std::string got;
    while (got.size() < kSerialReply.size()) {
        pollfd p { g_hSerialPort, POLLIN, 0 };
        if (::poll(&p, 1, 1000) <= 0)
            return -1;
        char buf[64];
        const int n = SerialRead(buf, sizeof buf);
        if (n > 0)
            got.append(buf, static_cast<size_t>(n));
    }
    return got == kSerialReply ? Us(start) : -1;
}

// The bare CAN exchange: the card library polled without pause, on the same bus.
double CanBareUs(size_t* replyBytes)
{
    CanFrame request {};
    EncodeCanCommand(QString::fromLatin1(kCommand), COMM_CAN_K8110, 1, &request, nullptr);
    uint8_t out[20] = {};
    EncodeK8110Frame(request, out);
    const int card = g_nK8110Index;
    // The card hears the replies of the other road's transactions too: let them land, then
    // drop them.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    K8110RegRecord waiting { K8110_REG_RX_COUNT, 0 };
    uint8_t stale[20];
    while (CAN_ReadReg(card, &waiting) && waiting.value != 0 && CAN_Recv(card, stale, sizeof stale)) {
    }
    const auto start = Clock::now();
    if (!CAN_Trans(card, out, sizeof out))
        return -1;
    K8110RegRecord reg { K8110_REG_RX_COUNT, 0 };
    while (CAN_ReadReg(card, &reg) && reg.value == 0) {
        if (Clock::now() - start > std::chrono::seconds(1))
            return -1;
        std::this_thread::yield(); // leave the bus thread the lock it delivers under
    }
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

// Each iteration makes the bare exchange and then the transaction, so both meet the same
// load on the machine; the overhead is the median of their differences.
void RunRoad(benchmark::State& state, int commType, const std::string& name)
{
    Start();
    g_nComType = commType;
    std::vector<double> bare, transaction, overhead;
    size_t replyBytes = 0;
    for (auto _ : state) {
        double bareUs;
        if (commType == COMM_RS232) {
            LinkPauseReceive(true);
            bareUs = SerialBareUs();
            LinkPauseReceive(false);
        } else {
            bareUs = CanBareUs(&replyBytes);
        }
        const double us = TransactionUs(&replyBytes);
        if (bareUs < 0 || us < 0) {
            state.SkipWithError("no reply");
            break;
        }
        bare.push_back(bareUs);
        transaction.push_back(us);
        overhead.push_back(us - bareUs);
        state.SetIterationTime(us / 1e6);
    }
    const double wire = commType == COMM_RS232
        ? static_cast<double>((WireTime::Serial(std::strlen(kCommand), kBaud) + WireTime::Serial(kSerialReply.size(), kBaud)).count())
        : static_cast<double>((WireTime::Can(4, kBitRateKbit) + WireTime::Can(replyBytes, kBitRateKbit)).count());
    Figure& f = g_figures[name];
    f = { Median(transaction), Median(bare), Median(overhead), wire };
    state.counters["median_us"] = f.medianUs;
    state.counters["wire_us"] = f.wireUs;
    state.counters["ratio"] = f.medianUs / f.wireUs;
    state.counters["bare_us"] = f.bareUs;
    state.counters["overhead_us"] = f.overheadUs;
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
    std::printf("\n\"GV\\r\" median figures in microseconds\n");
    std::printf("%-20s %12s %8s %7s %8s %11s %9s\n", "road", "transaction", "wire", "ratio", "bare", "turnaround",
                "overhead");
    for (const auto& [name, f] : g_figures)
        std::printf("%-20s %12.1f %8.1f %7.2f %8.1f %11.1f %9.1f\n", name.c_str(), f.medianUs, f.wireUs,
                    f.medianUs / f.wireUs, f.bareUs, f.bareUs - f.wireUs, f.overheadUs);
    std::printf("bare: the same exchange without the link (serial: write and wait on the port with the receive\n"
                "thread held; CAN: the card library polled without pause). turnaround: bare minus wire time\n"
                "(simulator, pseudo-terminal, bus server). overhead: transaction minus bare, pair by pair.\n");
}
}

int main(int argc, char** argv)
{
    return bench::Main(argc, argv, PrintFigures);
}
