#include "bench/BenchSupport.h"

#include "link/LinkLayer.h"
#include "platform/Profile.h"
#include "shell/Globals.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>

void SetCounters(benchmark::State& state, std::initializer_list<std::pair<const char*, double>> figures)
{
    for (const auto& [name, value] : figures)
        state.counters[name] = value;
}

void CloseBenchLink()
{
    LinkShutdown();
    g_bDriveConnected = 0;
    g_bRs232Open = 0;
    g_bCanUsbOpen = 0;
}

void SkipAndClose(benchmark::State& state, const char* reason)
{
    state.SkipWithError(reason);
    CloseBenchLink();
}

int RunBenchmarks(int argc, char** argv, const std::function<void()>& before, const std::function<void()>& after)
{
    BenchProfile profile;
    if (!profile.Made())
        return 1;
    QCoreApplication app(argc, argv);
    if (before)
        before();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (after)
        after();
    return 0;
}

BenchProfile::BenchProfile()
{
    std::string home = (std::filesystem::temp_directory_path() / "velquarin-bench-XXXXXX").string();
    if (!::mkdtemp(home.data()))
        return;
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    m_home = home;
}

BenchProfile::~BenchProfile()
{
    if (!m_home.empty())
        std::filesystem::remove_all(m_home);
}

int EnvCount(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : fallback;
}

void RunEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool OpenBenchChannel(int commType, int com, int baud, int bitRateKbit)
{
    g_nCurNode = 1;
    g_nComType = commType;
    if (commType == COMM_RS232) {
        SerialSettings serial;
        serial.port = static_cast<uint32_t>(com);
        serial.baud = static_cast<uint32_t>(baud);
        serial.byteSize = 8;
        serial.stopBits = 1;
        g_bRs232Open = LinkOpenChannel(COMM_RS232, &serial);
        return g_bRs232Open.load() == 1;
    }
    CanSettings can;
    BuildCanSettings(0, bitRateKbit, "00000000", "FFFFFFFF", &can);
    if (commType == COMM_CAN_K8110) {
        g_bCanK8110Open = LinkOpenChannel(commType, &can);
        return g_bCanK8110Open.load() == 1;
    }
    g_nVciDevType = VciDeviceTypeOf(commType);
    g_bCanUsbOpen = LinkOpenChannel(commType, &can);
    return g_bCanUsbOpen.load() == 1;
}

void PointLinkAtDrive(int com, const std::string& ptyPath, const std::string& canUrl)
{
    {
        auto profile = OpenProfile();
        profile->setValue(QStringLiteral("Ports/COM%1").arg(com), QString::fromStdString(ptyPath));
        profile->sync();
    }
    if (canUrl.empty())
        return;
    qputenv("VELQUARIN_CAN_PLUGIN", "virtualcan");
    qputenv("VELQUARIN_CAN_INTERFACE", QByteArray::fromStdString(canUrl));
}
