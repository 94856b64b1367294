#include "link/LinkLayer.h"
#include "link/SerialPort.h"
#include "platform/Tick.h"
#include "tests/link/FakeBus.h"
#include "tests/support/PtyPair.h"
#include "tests/support/SerialChannel.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {
constexpr int kCom = 4;
constexpr int kWait = 5000; // generous: the machine may be busy

class LinkLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLinkChannels();
        g_bRxPause = 0;
        LinkInit();
        pty.MapAsCom(kCom);
    }
    void TearDown() override
    {
        LinkPauseReceive(false);
        LinkShutdown();
    }

    static SerialSettings Serial(int port = kCom)
    {
        SerialSettings settings;
        settings.port = static_cast<uint32_t>(port);
        settings.baud = 9600;
        settings.parity = 'N';
        settings.byteSize = 8;
        settings.stopBits = 1;
        return settings;
    }
    static CanSettings Can(int device = 0, int kbps = 500)
    {
        CanSettings settings;
        EXPECT_TRUE(BuildCanSettings(device, kbps, "00000000", "FFFFFFFF", &settings));
        return settings;
    }
    void OpenSerial()
    {
        const SerialSettings settings = Serial();
        ASSERT_EQ(LinkOpenChannel(COMM_RS232, &settings), 1);
        g_nComType = COMM_RS232;
    }
    void OpenUsb(int type = COMM_CAN_USB2, int device = 0)
    {
        g_nVciDevType = VciDeviceTypeOf(type);
        g_nComType = type;
        const CanSettings settings = Can(device);
        ASSERT_EQ(LinkOpenChannel(type, &settings), 1);
    }
    std::string SerialReply(int capacity = 64)
    {
        if (!LinkWaitReply(kWait))
            return "<no reply>";
        std::vector<uint8_t> buf(static_cast<size_t>(capacity));
        const int n = LinkTakeSerialReply(buf.data(), capacity);
        return std::string(buf.begin(), buf.begin() + n);
    }
    static CanMessage Answer(int cmdId, uint8_t idLow = 1, int16_t value = 300)
    {
        const uint16_t reply = static_cast<uint16_t>(cmdId + 0x8000);
        return Message(idLow, { 6, 6, uint8_t(reply & 0xFF), uint8_t(reply >> 8), uint8_t(value & 0xFF), uint8_t(uint16_t(value) >> 8) });
    }

    FakeBus bus;
    PtyPair pty;
};
}

TEST_F(LinkLayerTest, TheCardOpensWithoutTheReceiveThreadTheSerialPortStartsIt)
{
    EXPECT_EQ(g_bRxThreadPending, 1);
    EXPECT_EQ(g_hReplyEvent.load(), nullptr);
    const CanSettings card = Can(0);
    ASSERT_EQ(LinkOpenChannel(COMM_CAN_K8110, &card), 1);
    EXPECT_EQ(g_bRxThreadPending, 1) << "the card is polled by the transaction itself";
    EXPECT_EQ(g_hReplyEvent.load(), nullptr);

    OpenSerial();
    EXPECT_EQ(g_bRxThreadPending, 0);
    ManualResetEvent* event = g_hReplyEvent;
    ASSERT_NE(event, nullptr);
    EXPECT_FALSE(event->IsSet()) << "created unsignalled";
    OpenSerial();
    EXPECT_EQ(g_hReplyEvent.load(), event) << "created once";
}

TEST_F(LinkLayerTest, TheFirstUsbOpenStartsTheReceiveThreadAFailedOpenDoesNot)
{
    const SerialSettings missing = Serial(31);
    EXPECT_EQ(LinkOpenChannel(COMM_RS232, &missing), 0);
    EXPECT_EQ(g_bRxThreadPending, 1);
    OpenUsb();
    EXPECT_EQ(g_bRxThreadPending, 0);
    EXPECT_NE(g_hReplyEvent.load(), nullptr);
}

TEST_F(LinkLayerTest, UsbOpenRunsTheAdapterSequence)
{
    g_nVciDevType = 4;
    g_nUsbEuRateIndex = 3;
    const CanSettings settings = Can(1, 250);
    ASSERT_EQ(LinkOpenChannel(COMM_CAN_USB2, &settings), 1);
    const auto fake = bus.At(1);
    ASSERT_TRUE(fake) << "the record's device number is the CAN index";
    const std::vector<std::string> calls { "Open", "SetReference", "Configure", "Start" };
    EXPECT_EQ(fake->Calls(), calls);
    EXPECT_EQ(fake->Reference(), UsbEuReferenceTable[3]);
    EXPECT_EQ(fake->BitRate(), 250000u);
    EXPECT_EQ(g_nVciCanIndex, 1);

    const VciInitRecord init = UsbCanInitRecord(settings);
    EXPECT_EQ(init.AccCode, 0u);
    EXPECT_EQ(init.AccMask, 0xFFFFFFFFu);
    EXPECT_EQ(init.Reserved, 0u);
    EXPECT_EQ(init.Filter, 1);
    EXPECT_EQ(init.Timing0, 0x01);
    EXPECT_EQ(init.Timing1, 0x1C);
    EXPECT_EQ(init.Mode, 0);
}

TEST_F(LinkLayerTest, UsbOpenFailuresCallWhatEachStepAsks)
{
    struct Case {
        const char* name;
        std::function<void(FakeCanBackend&)> fault;
        std::vector<std::string> calls;
        uint32_t errorLeft; // VCI_ERR_NONE when the link fetched the adapter's error
        bool stillOpen;
    };
    const std::vector<Case> cases {
        { "open", [](FakeCanBackend& f) { f.RefuseOpen(true); }, { "Open" }, VCI_ERR_NONE, false },
        { "reference", [](FakeCanBackend& f) { f.RefuseReference(true); }, { "Open", "SetReference", "Close" }, VCI_ERR_REFERENCE, false },
        { "init", [](FakeCanBackend& f) { f.RefuseConfigure(true); }, { "Open", "SetReference", "Configure", "Close" }, VCI_ERR_NONE, false },
        { "start", [](FakeCanBackend& f) { f.RefuseStart(true); }, { "Open", "SetReference", "Configure", "Start" }, VCI_ERR_NONE, true },
    };
    g_nVciDevType = 4;
    g_nVciCanIndex = 7;
    for (const Case& c : cases) {
        bus.Prepare(c.fault);
        const CanSettings settings = Can(2);
        EXPECT_EQ(LinkOpenChannel(COMM_CAN_USB2, &settings), 0) << c.name;
        ASSERT_TRUE(bus.At(2)) << c.name;
        EXPECT_EQ(bus.At(2)->Calls(), c.calls) << c.name;
        VciErrorRecord error {};
        VCI_ReadErrInfo(4, 0, 2, &error);
        EXPECT_EQ(error.ErrCode, c.errorLeft) << c.name;
        EXPECT_EQ(VCI_CloseDevice(4, 0) == 1, c.stillOpen) << c.name;
        EXPECT_EQ(g_nVciCanIndex, 7) << c.name;
        EXPECT_EQ(g_bRxThreadPending, 1) << c.name;
    }
}

TEST_F(LinkLayerTest, AnUnknownBitRateOrReferenceOpensNothing)
{
    CanSettings settings; // zeroed: the rate was not in the table
    EXPECT_EQ(LinkOpenChannel(COMM_CAN_K8110, &settings), 0);
    EXPECT_EQ(LinkOpenChannel(COMM_CAN_USB2, &settings), 0);
    EXPECT_EQ(LinkResetChannel(COMM_CAN_K8110, &settings), 0);
    settings.BTR0 = 0x12;
    settings.BTR1 = 0x34;
    EXPECT_EQ(LinkOpenChannel(COMM_CAN_K8110, &settings), 0);

    g_nUsbEuRateIndex = 10;
    const CanSettings good = Can(0);
    EXPECT_EQ(LinkOpenChannel(COMM_CAN_USB1, &good), 0);
    EXPECT_EQ(bus.Created(), 0) << "no adapter was touched";
}

TEST_F(LinkLayerTest, ARecordOfTheWrongKindOrAnUnknownTypeOpensNothing)
{
    const SerialSettings serial = Serial();
    const CanSettings can = Can();
    EXPECT_EQ(LinkOpenChannel(COMM_CAN_K8110, &serial), 0);
    EXPECT_EQ(LinkOpenChannel(COMM_RS232, &can), 0);
    EXPECT_EQ(LinkOpenChannel(5, &can), 0);
    EXPECT_EQ(LinkOpenChannel(21, &can), 0);
    EXPECT_EQ(LinkOpenChannel(COMM_CAN_K8110, static_cast<const CanSettings*>(nullptr)), 0);
    EXPECT_EQ(LinkOpenChannel(COMM_RS232, static_cast<const SerialSettings*>(nullptr)), 0);
    EXPECT_EQ(bus.Created(), 0);
    EXPECT_EQ(g_hSerialPort, -1);
}

TEST_F(LinkLayerTest, TheCardOpensReopensAndResets)
{
    const CanSettings settings = Can(2);
    ASSERT_EQ(LinkOpenChannel(COMM_CAN_K8110, &settings), 1);
    EXPECT_EQ(g_nK8110Index, 2);
    EXPECT_EQ(g_bK8110CardReady, 1);
    const auto first = bus.At(2);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->BitRate(), 500000u);

    ASSERT_EQ(LinkOpenChannel(COMM_CAN_K8110, &settings), 1);
    EXPECT_EQ(first->Calls().back(), "Close") << "an open card is closed before it opens again";
    const auto second = bus.At(2);
    ASSERT_NE(second, first);

    second->Inject(Answer(0x15));
    const CanSettings slower = Can(2, 125);
    ASSERT_EQ(LinkResetChannel(COMM_CAN_K8110, &slower), 1);
    EXPECT_EQ(bus.Created(), 2) << "a reset keeps the card's channel";
    EXPECT_EQ(second->BitRate(), 125000u);
    EXPECT_EQ(second->Pending(), 0) << "a reset drops what was received";
    EXPECT_EQ(g_bK8110CardReady, 1);

    const CanSettings absent = Can(5);
    EXPECT_EQ(LinkResetChannel(COMM_CAN_K8110, &absent), 0);
    EXPECT_EQ(g_bK8110CardReady, 0);
}

TEST_F(LinkLayerTest, OnlyTheFirstUsbTypeResets)
{
    OpenUsb(COMM_CAN_USB2, 0);
    const auto fake = bus.At(0);
    const size_t calls = fake->Calls().size();
    const CanSettings settings = Can(0);
    for (int type : { int(COMM_CAN_USB1), int(COMM_CAN_USB_E_U), int(COMM_CAN_USB_2E_U), 3 })
        EXPECT_EQ(LinkResetChannel(type, &settings), 0) << type;
    EXPECT_EQ(fake->Calls().size(), calls) << "the adapter was not touched";

    LinkPauseReceive(true); // keep the receive thread from taking the frame first
    fake->Inject(Answer(0x15));
    EXPECT_EQ(fake->Pending(), 1);
    EXPECT_EQ(LinkResetChannel(COMM_CAN_USB2, &settings), 1);
    EXPECT_EQ(fake->Pending(), 0);
}

TEST_F(LinkLayerTest, CloseAllClosesEveryChannelAndLeavesTheFlags)
{
    OpenSerial();
    const CanSettings card = Can(1);
    ASSERT_EQ(LinkOpenChannel(COMM_CAN_K8110, &card), 1);
    OpenUsb(COMM_CAN_USB2, 0);
    g_bRs232Open = 1;
    g_bCanK8110Open = 1;
    g_bCanUsbOpen = 1;
    LinkCloseAll();
    EXPECT_EQ(g_hSerialPort, -1);
    EXPECT_EQ(bus.At(1)->Calls().back(), "Close");
    EXPECT_EQ(bus.At(0)->Calls().back(), "Close");
    EXPECT_EQ(g_bRs232Open, 1);
    EXPECT_EQ(g_bCanK8110Open, 1);
    EXPECT_EQ(g_bCanUsbOpen, 1);
}

TEST_F(LinkLayerTest, ASerialReplyIsFoundAndTaken)
{
    OpenSerial();
    LinkClearSerialReply();
    pty.Write("#123\r\n");
    EXPECT_EQ(SerialReply(), "123\r");
    EXPECT_EQ(g_nSerialRxRead, 6) << "past the LF";
    EXPECT_EQ(LinkTakeSerialReply(nullptr, 64), 0);
}

TEST_F(LinkLayerTest, NoiseBeforeTheHashAndASplitReply)
{
    OpenSerial();
    LinkClearSerialReply();
    pty.Write("GV\r\nxx#1");
    ASSERT_TRUE(WaitFor([] { return g_nSerialRxWrite == 8; }, kWait));
    EXPECT_FALSE(LinkWaitReply(20));
    pty.Write("2\r\n");
    EXPECT_EQ(SerialReply(), "12\r");
}

TEST_F(LinkLayerTest, ClearingForgetsAHalfSeenReplyAndAStaleOne)
{
    OpenSerial();
    LinkClearSerialReply();
    pty.Write("#AB");
    ASSERT_TRUE(WaitFor([] { return g_nSerialRxWrite == 3; }, kWait));
    LinkClearSerialReply();
    pty.Write("\r\n");
    ASSERT_TRUE(WaitFor([] { return g_nSerialRxWrite == 2; }, kWait));
    EXPECT_FALSE(LinkWaitReply(50)) << "the line end of a cleared reply completes nothing";

    LinkClearSerialReply();
    pty.Write("#OLD\r\n");
    ASSERT_TRUE(LinkWaitReply(kWait));
    LinkClearSerialReply();
    EXPECT_FALSE(LinkWaitReply(50)) << "a reply from before the clear is gone";
    pty.Write("#NEW\r\n");
    EXPECT_EQ(SerialReply(), "NEW\r");
}

TEST_F(LinkLayerTest, TheCopyStopsAtTheCapacity)
{
    OpenSerial();
    LinkClearSerialReply();
    pty.Write("#12345\r\n");
    EXPECT_EQ(SerialReply(3), "123");
}

TEST_F(LinkLayerTest, TheSerialRingIsNeverWrittenPastItsEnd)
{
    OpenSerial();
    LinkClearSerialReply();
    // Far more than the ring holds, in bursts of every size, while the thread reads.
    std::string noise;
    for (int i = 0; i < 200000; ++i)
        noise.push_back(static_cast<char>('a' + i % 26));
    size_t sent = 0;
    int burst = 1;
    while (sent < noise.size()) {
        const size_t n = std::min(noise.size() - sent, static_cast<size_t>(burst));
        pty.Write(std::string_view(noise).substr(sent, n));
        sent += n;
        burst = burst * 7 % 997 + 1;
        EXPECT_LE(g_nSerialRxWrite, kSerialRxRingUsed);
    }
    ASSERT_TRUE(WaitFor([] { return SerialQueuedBytes() == 0; }, kWait));
    EXPECT_LE(g_nSerialRxWrite, kSerialRxRingUsed);
    EXPECT_EQ(g_SerialRxRing[kSerialRxRingUsed], 0) << "the byte after the ring stays untouched";
    EXPECT_FALSE(LinkWaitReply(0));

    LinkClearSerialReply();
    pty.Write("#7\r\n");
    EXPECT_EQ(SerialReply(), "7\r");
}

TEST_F(LinkLayerTest, APausedReceiveThreadLeavesThePortAlone)
{
    OpenSerial();
    LinkClearSerialReply();
    LinkPauseReceive(true);
    EXPECT_EQ(g_bRxPause, 1);
    pty.Write("#P\r\n");
    ASSERT_TRUE(WaitFor([] { return SerialQueuedBytes() == 4; }, kWait));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(SerialQueuedBytes(), 4);
    EXPECT_EQ(g_nSerialRxWrite, 0);

    // While paused a caller may close and reopen the port under the thread's feet.
    SerialClose();
    OpenSerial();
    pty.Write("#Q\r\n");
    LinkPauseReceive(false);
    EXPECT_EQ(SerialReply(), "Q\r");
}

TEST_F(LinkLayerTest, AUsbReplyIsPickedFromTheRing)
{
    OpenUsb();
    const auto fake = bus.At(0);
    LinkExpectCanReply(0x15);
    EXPECT_EQ(g_nExpectedCmdId, 0x15);
    fake->Inject(Answer(0x16));            // an answer to another command
    fake->Inject(Answer(0x15, 5));         // not from identifier ..01
    fake->Inject(Answer(0x15, 1, 300));
    ASSERT_TRUE(LinkWaitReply(kWait));
    CanFrame reply;
    ASSERT_TRUE(LinkTakeCanReply(&reply));
    EXPECT_EQ(reply.dataLength, 6u);
    EXPECT_EQ(reply.extended, 0u);
    EXPECT_EQ(reply.id[3], 1);
    EXPECT_EQ(reply.id[0], 0);
    EXPECT_EQ(reply.data[2], 0x15);
    EXPECT_EQ(reply.data[3], 0x80);
    EXPECT_EQ(reply.data[4], 0x2C);
    EXPECT_EQ(reply.data[5], 0x01);
    EXPECT_EQ(reply.data[6], 0) << "only data-length bytes are copied";
    EXPECT_EQ(g_nCanRxRead, 3) << "one past the reply";
    EXPECT_EQ(g_nExpectedCmdId, 0);
    EXPECT_FALSE(LinkTakeCanReply(&reply));
}

TEST_F(LinkLayerTest, AUsbFrameFromTheWrongIdentifierIsNeverTaken)
{
    OpenUsb();
    LinkExpectCanReply(0x20);
    bus.At(0)->Inject(Answer(0x20, 2));
    ASSERT_TRUE(WaitFor([] { return g_nCanRxWrite == 1; }, kWait));
    EXPECT_FALSE(LinkWaitReply(50));
    CanFrame reply;
    EXPECT_FALSE(LinkTakeCanReply(&reply));
}

TEST_F(LinkLayerTest, FramesReceivedBeforeTheRequestCannotAnswerIt)
{
    OpenUsb();
    const auto fake = bus.At(0);
    LinkExpectCanReply(0x15);
    LinkExpectCanReply(0); // the earlier request timed out; nothing waits
    fake->Inject(Answer(0x15)); // its late answer
    ASSERT_TRUE(WaitFor([] { return g_nCanRxWrite == 1; }, kWait));
    LinkExpectCanReply(0x15); // the same command again
    EXPECT_FALSE(LinkWaitReply(50)) << "the late answer to the earlier request is not this one's";
    fake->Inject(Answer(0x15, 1, -2));
    ASSERT_TRUE(LinkWaitReply(kWait));
    CanFrame reply;
    ASSERT_TRUE(LinkTakeCanReply(&reply));
    EXPECT_EQ(reply.data[4], 0xFE);
}

TEST_F(LinkLayerTest, AFrameHeldDuringAPauseLandsAfterItAheadOfLaterOnes)
{
    OpenUsb();
    const auto fake = bus.At(0);
    LinkExpectCanReply(0x15);
    LinkPauseReceive(true);
    fake->Inject(Answer(0x15, 1, 1));
    EXPECT_EQ(fake->Pending(), 1) << "held by the adapter while paused";
    LinkPauseReceive(false);
    fake->Inject(Answer(0x15, 1, 2));
    ASSERT_TRUE(LinkWaitReply(kWait));
    CanFrame reply;
    ASSERT_TRUE(LinkTakeCanReply(&reply));
    EXPECT_EQ(reply.data[4], 1) << "the frame that came first is found first";
}

TEST_F(LinkLayerTest, AFullCanRingLosesItsOldestFrames)
{
    OpenUsb();
    LinkExpectCanReply(0x99);
    const auto fake = bus.At(0);
    const int total = kCanRxRingSize + 5;
    // In batches the adapter's own queue can hold, so that every frame reaches the ring
    // however slowly the receive thread is scheduled.
    constexpr int kBatch = 4096;
    for (int i = 0; i < total; ++i) {
        fake->Inject(Message(3, { uint8_t(i) }));
        if (i % kBatch == kBatch - 1) {
            ASSERT_TRUE(WaitFor([&] { return fake->Pending() == 0; }, 60000));
        }
    }
    ASSERT_TRUE(WaitFor([&] { return fake->Pending() == 0; }, 60000));
    ASSERT_TRUE(WaitFor([] { return g_nCanRxWrite == 5; }, kWait)) << g_nCanRxWrite;
    EXPECT_EQ(g_nCanRxRead, 6) << "the ring keeps the newest frames";
    fake->Inject(Answer(0x99));
    EXPECT_TRUE(LinkWaitReply(kWait)) << "and still finds a reply";
}

TEST_F(LinkLayerTest, ShutdownStopsTheThreadsClosesTheChannelsAndTheLinkStartsAgain)
{
    OpenSerial();
    OpenUsb();
    LinkPauseReceive(true);
    const uint32_t start = GetTickCount();
    LinkShutdown();
    EXPECT_LT(GetTickCount() - start, static_cast<uint32_t>(kWait));
    EXPECT_EQ(g_hSerialPort, -1);
    EXPECT_EQ(bus.At(0)->Calls().back(), "Close");
    EXPECT_EQ(g_hReplyEvent.load(), nullptr);
    EXPECT_EQ(g_bRxThreadPending, 1);
    LinkPauseReceive(true); // with no thread there is nothing to wait for
    LinkPauseReceive(false);

    LinkInit();
    OpenSerial();
    LinkClearSerialReply();
    pty.Write("#AGAIN\r\n");
    EXPECT_EQ(SerialReply(), "AGAIN\r");
}
