#include "link/CanCardLibrary.h"
#include "link/LinkLayer.h"
#include "link/QtCanBackend.h"
#include "link/UsbCanLibrary.h"
#include "platform/Profile.h"
#include "platform/Tick.h"
#include "tools/drivesim/LoopbackPort.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <linux/can.h>
#include <stdexcept>
#include <thread>

namespace {
// A virtual bus of this test process alone, never the machine-wide default port. The
// plugin hosts one bus server per process, so every test here shares one port.
QString VirtualCanUrl()
{
    static const int port = [] {
        const uint16_t free = FreeLoopbackPort();
        if (free == 0)
            throw std::runtime_error("no free port");
        return static_cast<int>(free);
    }();
    return QStringLiteral("tcp://127.0.0.1:%1/can0").arg(port);
}

// Sets (or clears, for null) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old.empty() ? ::unsetenv(m_name) : ::setenv(m_name, m_old.c_str(), 1); }

private:
    const char* m_name;
    std::string m_old;
};

bool ReceiveWithin(CanBackend& backend, CanMessage* msg, int waitMs)
{
    return backend.Receive(msg, waitMs);
}
}

TEST(ChooseCanBackend, SocketCanByDefaultThenProfileThenEnvironment)
{
    ScopedEnv plugin("VELQUARIN_CAN_PLUGIN", nullptr);
    ScopedEnv iface("VELQUARIN_CAN_INTERFACE", nullptr);
    CanBackendChoice choice = ChooseCanBackend(2);
    EXPECT_EQ(choice.plugin, QStringLiteral("socketcan"));
    EXPECT_EQ(choice.interfaceName, QStringLiteral("can2"));

    auto profile = OpenProfile();
    profile->setValue(QStringLiteral("CanBackend/Plugin"), QStringLiteral("peakcan"));
    profile->setValue(QStringLiteral("CanBackend/Interface"), QStringLiteral("usb%1"));
    profile->sync();
    choice = ChooseCanBackend(1);
    EXPECT_EQ(choice.plugin, QStringLiteral("peakcan"));
    EXPECT_EQ(choice.interfaceName, QStringLiteral("usb1"));

    ScopedEnv envPlugin("VELQUARIN_CAN_PLUGIN", "virtualcan");
    ScopedEnv envIface("VELQUARIN_CAN_INTERFACE", "tcp://127.0.0.1:1/can1");
    choice = ChooseCanBackend(1);
    EXPECT_EQ(choice.plugin, QStringLiteral("virtualcan"));
    EXPECT_EQ(choice.interfaceName, QStringLiteral("tcp://127.0.0.1:1/can1"));
    profile->remove(QStringLiteral("CanBackend"));
}

TEST(QtCanBackend, SocketCanFailsCleanlyWithoutTheKernelSupport)
{
    const int probe = ::socket(AF_CAN, SOCK_RAW, 1);
    if (probe >= 0) {
        ::close(probe);
        GTEST_SKIP() << "this machine has SocketCAN";
    }
    ScopedEnv plugin("VELQUARIN_CAN_PLUGIN", "socketcan");
    ScopedEnv iface("VELQUARIN_CAN_INTERFACE", nullptr);
    SetCanBackendFactory({});

    const uint32_t start = GetTickCount();
    EXPECT_EQ(CAN_Open(0), 1) << "the plugin is there";
    K8110InitRecord init {};
    init.BTR1 = 0x1C;
    std::fill(std::begin(init.AMR), std::end(init.AMR), 0xFF);
    EXPECT_EQ(CAN_Init(0, &init), 0) << "but the interface cannot come up";
    uint8_t frame[13] = { 0x01, 0x00, 0x20, 0x01 };
    EXPECT_EQ(CAN_Trans(0, frame, 20), 0);
    EXPECT_EQ(CAN_Close(0), 1);

    const VciInitRecord vciInit { 0, 0xFFFFFFFF, 0, 1, 0x00, 0x1C, 0 };
    ASSERT_EQ(VCI_OpenDevice(4, 0, 0), 1u);
    EXPECT_EQ(VCI_InitCAN(4, 0, 0, &vciInit), 1u);
    EXPECT_EQ(VCI_StartCAN(4, 0, 0), 0u);
    VciErrorRecord error {};
    VCI_ReadErrInfo(4, 0, 0, &error);
    EXPECT_EQ(error.ErrCode, VCI_ERR_START);
    VCI_CloseDevice(4, 0);
    EXPECT_LT(GetTickCount() - start, 5000u) << "a missing interface is refused, not waited for";
}

TEST(QtCanBackend, AnUnknownPluginIsRefusedAtOpen)
{
    QtCanBackend backend(QStringLiteral("no-such-plugin"), QStringLiteral("can0"));
    QString error;
    EXPECT_FALSE(backend.Open(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("no-such-plugin"))) << error.toStdString();
    EXPECT_FALSE(backend.Start(&error));
    EXPECT_FALSE(backend.Transmit(CanMessage {}));
}

TEST(QtCanBackend, ExchangesFramesOverAPrivateVirtualBus)
{
    QtCanBackend first(QStringLiteral("virtualcan"), VirtualCanUrl());
    QtCanBackend second(QStringLiteral("virtualcan"), VirtualCanUrl());
    QString error;
    ASSERT_TRUE(first.Open(&error)) << error.toStdString();
    ASSERT_TRUE(first.Configure(500000, &error));
    ASSERT_TRUE(first.Start(&error)) << error.toStdString();
    ASSERT_TRUE(second.Open(&error)) << error.toStdString();
    ASSERT_TRUE(second.Configure(500000, &error));
    ASSERT_TRUE(second.Start(&error)) << error.toStdString();
    EXPECT_TRUE(second.Start(&error)) << "starting a running channel keeps it";

    CanMessage request;
    request.id = 6;
    request.length = 4;
    request.data[0] = 4;
    request.data[1] = 6;
    request.data[2] = 0x15;
    ASSERT_TRUE(first.Transmit(request));
    CanMessage got;
    ASSERT_TRUE(ReceiveWithin(second, &got, 5000));
    EXPECT_EQ(got.id, 6u);
    EXPECT_FALSE(got.extended);
    ASSERT_EQ(got.length, 4);
    EXPECT_EQ(got.data[2], 0x15);

    CanMessage answer;
    answer.id = 0x1ABCDEF;
    answer.extended = true;
    answer.length = 8;
    for (uint8_t i = 0; i < 8; ++i)
        answer.data[i] = static_cast<uint8_t>(0xF0 + i);
    ASSERT_TRUE(second.Transmit(answer));
    ASSERT_TRUE(ReceiveWithin(first, &got, 5000));
    EXPECT_TRUE(got.extended);
    EXPECT_EQ(got.id, 0x1ABCDEFu);
    EXPECT_EQ(got.data[7], 0xF7);
    EXPECT_FALSE(ReceiveWithin(second, &got, 50)) << "a device does not hear itself";

    second.Close();
    EXPECT_FALSE(second.Transmit(answer));
    first.Close();
}

TEST(QtCanBackend, CardAndUsbAdapterTalkOverAVirtualBus)
{
    // The two libraries on one virtual bus through the default factory, as a user would
    // point them at virtualcan.
    const QByteArray url = VirtualCanUrl().toUtf8();
    ScopedEnv plugin("VELQUARIN_CAN_PLUGIN", "virtualcan");
    ScopedEnv iface("VELQUARIN_CAN_INTERFACE", url.constData());
    SetCanBackendFactory({});

    ASSERT_EQ(CAN_Open(0), 1);
    K8110InitRecord init {};
    init.BTR1 = 0x1C;
    std::fill(std::begin(init.AMR), std::end(init.AMR), 0xFF);
    ASSERT_EQ(CAN_Init(0, &init), 1);
    ASSERT_EQ(VCI_OpenDevice(4, 0, 0), 1u);
    const VciInitRecord vciInit { 0, 0xFFFFFFFF, 0, 1, 0x00, 0x1C, 0 };
    ASSERT_EQ(VCI_InitCAN(4, 0, 0, &vciInit), 1u);
    ASSERT_EQ(VCI_StartCAN(4, 0, 0), 1u);

    const uint8_t request[13] = { 0x04, 6 >> 3, (6 & 7) << 5, 0x04, 0x06, 0x15, 0x00 };
    ASSERT_EQ(CAN_Trans(0, request, 20), 1);
    VciFrameRecord rec {};
    ASSERT_EQ(VCI_Receive(4, 0, 0, &rec, 1, 5000), 1u);
    EXPECT_EQ(rec.ID, 6u);
    EXPECT_EQ(rec.DataLen, 4);
    EXPECT_EQ(rec.Data[2], 0x15);

    VciFrameRecord reply {};
    reply.ID = 1;
    reply.DataLen = 6;
    const uint8_t data[6] = { 6, 6, 0x15, 0x80, 0x2C, 0x01 };
    std::copy(data, data + 6, reply.Data);
    ASSERT_EQ(VCI_Transmit(4, 0, 0, &reply, 1), 1u);
    K8110RegRecord reg { K8110_REG_RX_COUNT, 0 };
    const uint32_t start = GetTickCount();
    while (CAN_ReadReg(0, &reg) && reg.value == 0 && GetTickCount() - start < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(reg.value, 1);
    uint8_t frame[20] {};
    ASSERT_EQ(CAN_Recv(0, frame, 20), 1);
    EXPECT_EQ(frame[0], 0x06);
    EXPECT_EQ(frame[2], 0x20);
    EXPECT_EQ(frame[6], 0x80);

    VCI_CloseDevice(4, 0);
    CAN_Close(0);
}
