#include "link/CanBackend.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/UsbCanLibrary.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/LoopbackPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

int Send(const char* command)
{
    uint8_t reply[64] = {};
    int length = sizeof reply;
    return LinkTransactLocked(QString::fromLatin1(command), reply, &length);
}

std::unique_ptr<DriveSimulator> HostBus(const std::string& url)
{
    DriveSimulatorConfig config;
    config.canUrl = url;
    config.canMode = VirtualCanBus::Mode::Host;
    auto sim = std::make_unique<DriveSimulator>(config);
    return sim->Start() ? std::move(sim) : nullptr;
}

// As the dialog opens the adapter: the family closed first, then opened; true once the
// drive answers (a new device on a virtual bus is relayed to only once it is registered).
bool OpenUsbCan()
{
    CanSettings settings;
    BuildCanSettings(0, 500, "00000000", "FFFFFFFF", &settings);
    g_nVciDevType = VciDeviceTypeOf(COMM_CAN_USB2);
    VCI_CloseDevice(static_cast<uint32_t>(g_nVciDevType.load()), 0);
    g_bCanUsbOpen = LinkOpenChannel(COMM_CAN_USB2, &settings);
    g_nComType = COMM_CAN_USB2;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Send("GID\r") == COMM_OK)
            return true;
    }
    return false;
}

} // namespace

// The host of the virtual bus is killed under the program's USB-CAN channel.
TEST(LostChannel, AVirtualCanBusThatGoesAwayIsToldOnceAndOpensAgain)
{
    const std::string url = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/can0";
    qputenv("VELQUARIN_CAN_PLUGIN", "virtualcan");
    qputenv("VELQUARIN_CAN_INTERFACE", QByteArray::fromStdString(url));
    InitCommandTables();
    LinkInit();
    std::mutex mutex;
    std::vector<std::pair<int, QString>> losses;
    LinkSetChannelLostHandler([&](int commType, const QString& reason) {
        std::lock_guard lock(mutex);
        losses.emplace_back(commType, reason);
    });
    auto lossCount = [&] {
        std::lock_guard lock(mutex);
        return losses.size();
    };

    auto sim = HostBus(url);
    ASSERT_TRUE(sim);
    ASSERT_TRUE(OpenUsbCan());
    sim->Stop();
    for (int i = 0; i < 300 && lossCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(lossCount(), 1u);
    EXPECT_EQ(losses[0].first, COMM_CAN_USB2);
    EXPECT_TRUE(losses[0].second.contains(QString::fromStdString(url))) << losses[0].second.toStdString();
    EXPECT_EQ(g_bCanUsbOpen.load(), 0);
    EXPECT_EQ(Send("GID\r"), COMM_ERR_CAN_NOT_OPEN);

    sim = HostBus(url);
    ASSERT_TRUE(sim);
    EXPECT_TRUE(OpenUsbCan());
    EXPECT_EQ(Send("GMOD\r"), COMM_OK);
    EXPECT_EQ(lossCount(), 1u);

    LinkSetChannelLostHandler({});
    LinkShutdown();
    g_bCanUsbOpen = 0;
    g_nComType = COMM_RS232;
    qunsetenv("VELQUARIN_CAN_PLUGIN");
    qunsetenv("VELQUARIN_CAN_INTERFACE");
}
