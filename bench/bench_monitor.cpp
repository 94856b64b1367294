// The run-monitor page watching the simulated motor's position, with the page and the log on
// screen (offscreen platform): over a pseudo-terminal at an emulated 115200 baud and over the
// virtual CAN bus at an emulated 500 kbit/s. For each run it prints the samples a second
// against the rate the polling cycle allows (its pauses plus one exchange, the exchanges timed
// as the run makes them), the share of the user-interface thread's time spent working, the
// samples posted against those plotted, and how often the chart was repainted. Then it feeds
// the page samples as fast as it takes them and prints its resident memory as the sample
// array passes the 60000 cap again and again.
//
// The polling cycle pauses 20 ms before each serial query and 20 ms after every query. The
// runs "20 ms a cycle" and "back to back" shorten the pauses to show the page at higher
// rates (the latter: hundreds of samples a second on CAN); the last run leaves the log view
// out, to show what of the user-interface thread's time is the page's own. The allowed rate
// is the pauses plus the mean of the exchanges the run itself made. Goal, back to back on CAN
// with the log: at least 90 % of the allowed rate with the window's thread at most 25 % busy.
//
// VELQUARIN_MONITOR_SECONDS sets the time of each run (default 10).
#include "bench/BenchDrive.h"
#include "controls/CLineChartCtrl.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/LogRing.h"
#include "pages/runmonitor/PidParam.h"
#include "platform/Profile.h"
#include "platform/Tick.h"
#include "shell/CBrantovelixEditView.h"
#include "shell/Globals.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/LoopbackPort.h"
#include "tools/drivesim/SerialCommandParser.h"
#include "tools/drivesim/SimMotion.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBaud = 115200;
constexpr int kBitRateKbit = 500;

// Counts the events of one type an object is given, leaving them to it.
class EventCounter : public QObject {
public:
    EventCounter(QObject* target, QEvent::Type type)
        : m_type(type)
    {
        target->installEventFilter(this);
    }
    uint64_t count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};

double ThreadCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double ResidentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

int RunSeconds()
{
    return EnvCount("VELQUARIN_MONITOR_SECONDS", 10);
}

struct Run {
    const char* name;
    int channel;
    int pauseMs;
    bool log;
};

// The goal back to back on CAN with the log on screen: the page keeps up with this share of
// the rate the polling allows, its window's thread at most this busy.
constexpr double kGoalRatePercent = 90;
constexpr double kGoalUiBusyPercent = 25;

// The exchanges the monitor thread makes, timed as it makes them: the allowed rate comes
// from the same run as the rate it is compared with, under the same load.
struct ExchangeClock {
    std::atomic<uint64_t> count { 0 };
    std::atomic<int64_t> totalNs { 0 };
    double MeanMs() const { return count ? totalNs / 1e6 / static_cast<double>(count) : 0; }
};

void Monitor(CPidParam& page, const Run& run, int seconds)
{
    g_nComType = run.channel;
    auto exchanges = std::make_shared<ExchangeClock>();
    MonitorThread::Services services;
    services.tick = [] { return GetTickCount(); };
    services.pauseMs = run.pauseMs;
    services.transact = [exchanges](QString command, void* reply, int* length) {
        const auto start = Clock::now();
        const int result = LinkTransactLocked(std::move(command), reply, length);
        exchanges->totalNs += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        ++exchanges->count;
        return result;
    };
    page.SetServices(services);

    EventCounter plotted(&page, WindowMessage::EventType(WM_NEW_SAMPLE));
    EventCounter paints(page.Chart(), QEvent::Paint);

    const double cpu0 = ThreadCpuSeconds();
    const auto start = Clock::now();
    page.OnGraph();
    RunEvents(seconds * 1000);
    page.OnStop();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ThreadCpuSeconds() - cpu0;

    const bool serial = run.channel == COMM_RS232;
    const double exchangeMs = exchanges->MeanMs();
    const double cycleMs = exchangeMs + run.pauseMs * (serial ? 2 : 1);
    const double rate = page.Controller().SamplesPosted() / wall;
    const double allowed = 1000.0 / cycleMs;
    const double ratePercent = 100.0 * rate / allowed;
    const double busyPercent = 100.0 * cpu / wall;
    std::printf("%-34s exchange %6.3f ms, cycle %6.2f ms: %7.1f samples/s of %7.1f allowed (%5.1f %%); "
                "UI busy %4.1f %%; posted %llu, plotted %llu; chart repainted %5.1f /s\n",
        run.name, exchangeMs, cycleMs, rate, allowed, ratePercent, busyPercent,
        static_cast<unsigned long long>(page.Controller().SamplesPosted()), static_cast<unsigned long long>(plotted.count),
        paints.count / wall);
    if (!serial && run.pauseMs == 0 && run.log)
        std::printf("%-34s goal >= %.0f %% of allowed: %s; UI busy <= %.0f %%: %s\n", "", kGoalRatePercent,
            Verdict(ratePercent >= kGoalRatePercent), kGoalUiBusyPercent,
            Verdict(busyPercent <= kGoalUiBusyPercent));
    std::fflush(stdout);
}

// Samples posted as fast as the page takes them (at most 2000 waiting), 1 ms apart, with the
// resident memory each time the array has been cut at the cap.
void FillPastTheCap(CPidParam& page)
{
    page.OnStop();
    EventCounter taken(&page, WindowMessage::EventType(WM_NEW_SAMPLE));
    constexpr uint64_t kCap = ChartSamples::kMaxSamples;
    constexpr uint64_t kTotal = 4 * kCap + 1;
    std::atomic<bool> done { false };
    std::atomic<uint64_t> sent { 0 };
    std::thread feeder([&] {
        for (uint64_t i = 0; i < kTotal; ++i) {
            while (i - taken.count > 2000)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            PostMessage(&page, WM_NEW_SAMPLE, static_cast<uint32_t>(i % 2000), LPARAM(1) << 16);
            ++sent;
        }
        done = true;
    });
    std::printf("resident memory, samples taken by the page:");
    uint64_t next = kCap;
    const auto start = Clock::now();
    while (!done || taken.count < kTotal) {
        RunEvents(5);
        if (taken.count > next) {
            std::printf(" %llu: %.1f MiB;", static_cast<unsigned long long>(next), ResidentMiB());
            std::fflush(stdout);
            next += kCap;
        }
    }
    feeder.join();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(" array now %zu; %.0f samples/s taken\n", page.Samples().Array(0).size(), taken.count / wall);
}
}

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    BenchProfile home;
    if (!home.Made())
        return 1;
    QApplication app(argc, argv);

    DriveSimulator& sim = bench::StartDrive(kBaud, kBitRateKbit);
    SimDrive& drive = *sim.Drive(bench::kNode);
    auto motion = SimMotion::Attach(drive);
    // The motor turns slowly, so the curve climbs through the runs.
    for (const char* command : { "SMOD0", "V3" })
        drive.Answer(*SerialCommandParser::Parse(command));

    // The bus relays a new device's frames once its server has registered it.
    g_nComType = COMM_CAN_USB2;
    for (int i = 0; i < 50; ++i) {
        uint8_t reply[64] = {};
        int length = sizeof reply;
        if (LinkTransactLocked(QStringLiteral("GID\r"), reply, &length) == 0)
            break;
    }
    g_bDriveConnected = 1;

    // The page and the log, as the main window shows them.
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* page = new CPidParam;
    if (!page->Create(&window))
        return 1;
    row->addWidget(page);
    page->show();
    auto* log = new CBrantovelixEditView;
    log->OnInitialUpdate();
    row->addWidget(log);
    window.resize(1100, 640);
    window.show();
    RunEvents(100);

    const int seconds = RunSeconds();
    std::printf("bench_monitor: %d s a run; position polled, page and log on screen\n", seconds);
    for (const Run& run : { Run { "serial 115200, as built", COMM_RS232, MonitorThread::kPauseMs, true },
             Run { "serial 115200, 20 ms a cycle", COMM_RS232, MonitorThread::kPauseMs / 2, true },
             Run { "CAN 500 kbit/s, as built", COMM_CAN_USB2, MonitorThread::kPauseMs, true },
             Run { "CAN 500 kbit/s, back to back", COMM_CAN_USB2, 0, true } })
        Monitor(*page, run, seconds);
    // The log view takes two lines a sample; without it, what the page itself costs.
    UnsetLogView(log);
    Monitor(*page, Run { "CAN back to back, no log view", COMM_CAN_USB2, 0, false }, seconds);
    std::printf("after the runs: %.1f MiB resident\n", ResidentMiB());
    FillPastTheCap(*page);

    delete page;
    LinkShutdown();
    motion->Detach();
    sim.Stop();
    return 0;
}
