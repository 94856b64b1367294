#include "link/CanBackend.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/UsbCanLibrary.h"
#include "tests/support/SerialChannel.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/LoopbackPort.h"

#include "platform/Profile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int kCom = 9;

double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int Send(const char* command)
{
    uint8_t reply[64] = {};
    int length = sizeof reply;
    return LinkTransactLocked(QString::fromLatin1(command), reply, &length);
}

// The program's link against a simulated drive of the test's own, which the test kills.
class LostChannel : public ::testing::Test {
protected:
    struct Loss {
        int commType;
        QString reason;
    };

    void SetUp() override
    {
        InitCommandTables();
        LinkInit();
        LinkSetChannelLostHandler([this](int commType, const QString& reason) {
            std::lock_guard lock(m_mutex);
            m_losses.push_back({ commType, reason });
        });
    }
    void TearDown() override
    {
        LinkSetChannelLostHandler({});
        LinkShutdown();
        g_bRs232Open = 0;
        g_bCanUsbOpen = 0;
        g_nComType = COMM_RS232;
        qunsetenv("VELQUARIN_CAN_PLUGIN");
        qunsetenv("VELQUARIN_CAN_INTERFACE");
    }

    void StartDrive(const std::string& canUrl = {})
    {
        DriveSimulatorConfig config;
        config.pty = canUrl.empty();
        config.canUrl = canUrl;
        config.canMode = VirtualCanBus::Mode::Host;
        m_sim = std::make_unique<DriveSimulator>(config);
        std::string error;
        ASSERT_TRUE(m_sim->Start(&error)) << error;
        if (config.pty)
            OpenProfile()->setValue(QStringLiteral("Ports/COM%1").arg(kCom), QString::fromStdString(m_sim->PtyPath()));
    }

    void OpenUsbCan()
    {
        CanSettings settings;
        ASSERT_TRUE(BuildCanSettings(0, 500, "00000000", "FFFFFFFF", &settings));
        g_nVciDevType = VciDeviceTypeOf(COMM_CAN_USB2);
        // As the dialog does: the family is closed before it is opened again.
        VCI_CloseDevice(static_cast<uint32_t>(g_nVciDevType.load()), 0);
        g_bCanUsbOpen = LinkOpenChannel(COMM_CAN_USB2, &settings);
        ASSERT_EQ(g_bCanUsbOpen.load(), 1);
        g_nComType = COMM_CAN_USB2;
        // A new device on a virtual bus is relayed to only once the bus has registered it.
        bool answered = false;
        for (int attempt = 0; attempt < 50 && !answered; ++attempt)
            answered = Send("GID\r") == COMM_OK;
        ASSERT_TRUE(answered);
    }

    std::vector<Loss> WaitForLoss()
    {
        for (int i = 0; i < 300 && Losses().empty(); ++i)
            std::this_thread::sleep_for(10ms);
        return Losses();
    }
    std::vector<Loss> Losses()
    {
        std::lock_guard lock(m_mutex);
        return m_losses;
    }

    std::unique_ptr<DriveSimulator> m_sim;
    std::mutex m_mutex;
    std::vector<Loss> m_losses;
};

} // namespace

TEST_F(LostChannel, AHungUpSerialLineIsToldOnceAndNeverSpun)
{
    StartDrive();
    OpenSerialChannel(kCom);
    ASSERT_EQ(Send("GMOD\r"), COMM_OK);

    m_sim->Stop(); // the drive's end of the line closes
    const std::vector<Loss> losses = WaitForLoss();
    ASSERT_EQ(losses.size(), 1u);
    EXPECT_EQ(losses[0].commType, COMM_RS232);
    EXPECT_TRUE(losses[0].reason.contains(QStringLiteral("COM9"))) << losses[0].reason.toStdString();
    EXPECT_TRUE(losses[0].reason.contains(QStringLiteral("hung up"))) << losses[0].reason.toStdString();
    EXPECT_EQ(g_bRs232Open.load(), 0);
    EXPECT_EQ(Send("GMOD\r"), COMM_ERR_RS232_NOT_OPEN) << "no write to a dead line";

    // A receive thread spinning on the dead line burns a whole core.
    const double cpu = CpuSeconds();
    std::this_thread::sleep_for(1s);
    EXPECT_LT(CpuSeconds() - cpu, 0.3);
    EXPECT_EQ(Losses().size(), 1u) << "told once";

    // The drive comes back on a new line, and opening it again works.
    StartDrive();
    OpenSerialChannel(kCom);
    EXPECT_EQ(Send("GMOD\r"), COMM_OK);
    EXPECT_EQ(Losses().size(), 1u);
}

TEST_F(LostChannel, AVirtualCanBusThatGoesAwayIsToldAndOpensAgain)
{
    const std::string url = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/can0";
    qputenv("VELQUARIN_CAN_PLUGIN", "virtualcan");
    qputenv("VELQUARIN_CAN_INTERFACE", QByteArray::fromStdString(url));
    SetCanBackendFactory({});
    StartDrive(url);
    OpenUsbCan();

    m_sim->Stop(); // the bus's host goes away
    const std::vector<Loss> losses = WaitForLoss();
    ASSERT_EQ(losses.size(), 1u);
    EXPECT_EQ(losses[0].commType, COMM_CAN_USB2);
    EXPECT_TRUE(losses[0].reason.contains(QString::fromStdString(url))) << losses[0].reason.toStdString();
    EXPECT_EQ(g_bCanUsbOpen.load(), 0);
    EXPECT_EQ(Send("GID\r"), COMM_ERR_CAN_NOT_OPEN);

    StartDrive(url);
    OpenUsbCan();
    EXPECT_EQ(Send("GMOD\r"), COMM_OK);
    EXPECT_EQ(Losses().size(), 1u);
}
