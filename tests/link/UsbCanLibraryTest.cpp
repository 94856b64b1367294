#include "link/UsbCanLibrary.h"
#include "tests/link/FakeBus.h"
#include "platform/Tick.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {
constexpr uint32_t kType = 4;
constexpr uint32_t kDevice = 0;
constexpr uint32_t kCan = 1;

VciInitRecord Init(uint8_t timing0 = 0x00, uint8_t timing1 = 0x1C)
{
    VciInitRecord init {};
    init.AccMask = 0xFFFFFFFF;
    init.Filter = 1;
    init.Timing0 = timing0;
    init.Timing1 = timing1;
    return init;
}

uint32_t LastError()
{
    VciErrorRecord error {};
    EXPECT_EQ(VCI_ReadErrInfo(kType, kDevice, kCan, &error), 1u);
    return error.ErrCode;
}

VciFrameRecord Frame(uint32_t id, std::initializer_list<uint8_t> data)
{
    VciFrameRecord rec {};
    rec.ID = id;
    rec.DataLen = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), rec.Data);
    return rec;
}

class UsbCanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(VCI_OpenDevice(kType, kDevice, kCan), 1u);
        const VciInitRecord init = Init();
        ASSERT_EQ(VCI_InitCAN(kType, kDevice, kCan, &init), 1u);
        ASSERT_EQ(VCI_StartCAN(kType, kDevice, kCan), 1u);
        fake = bus.At(kCan);
        ASSERT_TRUE(fake);
    }
    void TearDown() override { VCI_CloseDevice(kType, kDevice); }

    FakeBus bus;
    std::shared_ptr<FakeCanBackend> fake;
};
}

TEST_F(UsbCanTest, TransmitsTheFrameRecord)
{
    VciFrameRecord frames[2] = { Frame(6, { 4, 6, 0x15, 0 }), Frame(7, { 1 }) };
    frames[1].ExternFlag = 1;
    frames[1].ID = 0x1FFFFFFF;
    ASSERT_EQ(VCI_Transmit(kType, kDevice, kCan, frames, 2), 2u);
    const auto sent = fake->Transmitted();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].id, 6u);
    EXPECT_EQ(sent[0].length, 4);
    EXPECT_EQ(sent[0].data[2], 0x15);
    EXPECT_TRUE(sent[1].extended);
    EXPECT_EQ(sent[1].id, 0x1FFFFFFFu);

    VciFrameRecord bad = Frame(6, {});
    bad.DataLen = 9;
    EXPECT_EQ(VCI_Transmit(kType, kDevice, kCan, &bad, 1), 0u);
    EXPECT_EQ(LastError(), VCI_ERR_ARGUMENT);

    fake->RefuseTransmit(true);
    EXPECT_EQ(VCI_Transmit(kType, kDevice, kCan, frames, 1), 0u);
    EXPECT_EQ(LastError(), VCI_ERR_TRANSMIT);
    EXPECT_EQ(LastError(), VCI_ERR_NONE) << "reading the error clears it";
}

TEST_F(UsbCanTest, ReceiveWaitsUpToItsTimeForAFrame)
{
    VciFrameRecord rec {};
    uint32_t start = GetTickCount();
    EXPECT_EQ(VCI_Receive(kType, kDevice, kCan, &rec, 1, 30), 0u);
    EXPECT_GE(GetTickCount() - start, 29u) << "an empty receive waits its time";
    EXPECT_EQ(LastError(), VCI_ERR_RECEIVE_TIMEOUT);

    fake->Inject(Message(1, { 6, 5, 0x15, 0x80, 0x2C, 0x01 }), 40);
    EXPECT_EQ(VCI_GetReceiveNum(kType, kDevice, kCan), 0u) << "not arrived yet";
    ASSERT_EQ(VCI_Receive(kType, kDevice, kCan, &rec, 1, 5000), 1u);
    EXPECT_EQ(rec.ID, 1u);
    EXPECT_EQ(rec.DataLen, 6);
    EXPECT_EQ(rec.Data[3], 0x80);
    EXPECT_EQ(rec.TimeFlag, 1);
    EXPECT_EQ(rec.ExternFlag, 0);
}

TEST_F(UsbCanTest, ReceiveTakesSeveralFramesAndClearEmptiesTheBuffer)
{
    for (uint8_t i = 0; i < 3; ++i)
        fake->Inject(Message(1, { i }));
    EXPECT_EQ(VCI_GetReceiveNum(kType, kDevice, kCan), 3u);
    VciFrameRecord recs[2] {};
    ASSERT_EQ(VCI_Receive(kType, kDevice, kCan, recs, 2, 0), 2u);
    EXPECT_EQ(recs[0].Data[0], 0);
    EXPECT_EQ(recs[1].Data[0], 1);
    EXPECT_EQ(VCI_ClearBuffer(kType, kDevice, kCan), 1u);
    EXPECT_EQ(VCI_GetReceiveNum(kType, kDevice, kCan), 0u);

    fake->Inject(Message(1, { 9 }));
    EXPECT_EQ(VCI_ResetCAN(kType, kDevice, kCan), 1u);
    EXPECT_EQ(VCI_GetReceiveNum(kType, kDevice, kCan), 0u);
    VciFrameRecord one = Frame(6, { 1 });
    EXPECT_EQ(VCI_Transmit(kType, kDevice, kCan, &one, 1), 1u) << "a reset channel stays on the bus";
}

TEST_F(UsbCanTest, CallsForAnotherChannelOrDeviceFail)
{
    VciFrameRecord rec = Frame(6, { 1 });
    EXPECT_EQ(VCI_Transmit(kType, kDevice, 0, &rec, 1), 0u);
    EXPECT_EQ(LastError(), VCI_ERR_NOT_OPEN);
    EXPECT_EQ(VCI_Transmit(3, kDevice, kCan, &rec, 1), 0u);
    EXPECT_EQ(VCI_GetReceiveNum(kType, 1, kCan), 0u);
    const uint32_t reference = 0x1C0008;
    EXPECT_EQ(VCI_SetReference(kType, kDevice, kCan, 1, &reference), 0u) << "only reference type 0";
    EXPECT_EQ(VCI_SetReference(kType, kDevice, kCan, 0, &reference), 1u);
    EXPECT_EQ(fake->Reference(), 0x1C0008u);
}

TEST_F(UsbCanTest, InitRefusesTimingWithoutAUsableRateAndStartNeedsInit)
{
    const VciInitRecord bad = Init(0x00, 0x00);
    EXPECT_EQ(VCI_InitCAN(kType, kDevice, kCan, &bad), 0u);
    EXPECT_EQ(LastError(), VCI_ERR_INIT);

    ASSERT_EQ(VCI_OpenDevice(kType, kDevice, kCan), 1u) << "opening an open device opens it afresh";
    EXPECT_EQ(fake->Calls().back(), "Close");
    EXPECT_EQ(VCI_StartCAN(kType, kDevice, kCan), 0u);
    EXPECT_EQ(LastError(), VCI_ERR_START);
    VciFrameRecord rec {};
    EXPECT_EQ(VCI_Receive(kType, kDevice, kCan, &rec, 1, 0), 0u);
    EXPECT_EQ(LastError(), VCI_ERR_NOT_STARTED);
}

TEST_F(UsbCanTest, TheAcceptanceFilterWorksOnTheIdentifierImage)
{
    VciInitRecord init = Init();
    init.AccCode = 0x00200000; // identifier 1
    init.AccMask = 0x000FFFFF;
    ASSERT_EQ(VCI_InitCAN(kType, kDevice, kCan, &init), 1u);
    fake->Inject(Message(2, { 1 }));
    fake->Inject(Message(1, { 2 }));
    EXPECT_EQ(VCI_GetReceiveNum(kType, kDevice, kCan), 1u);
}

TEST_F(UsbCanTest, ReceiveRunsBesideTransmitAndClearOnOtherThreads)
{
    // A drive that answers every request, a receive thread, a sender and a clearer at once.
    fake->SetResponder([](const CanMessage& sent) { return std::vector<CanMessage> { Message(1, { sent.data[0], 0x80 }) }; });
    std::atomic<bool> stop { false };
    std::atomic<int> received { 0 };
    std::thread receiver([&] {
        VciFrameRecord rec {};
        while (!stop)
            received += static_cast<int>(VCI_Receive(kType, kDevice, kCan, &rec, 1, 5));
    });
    std::thread clearer([&] {
        while (!stop) {
            VCI_ClearBuffer(kType, kDevice, kCan);
            VCI_GetReceiveNum(kType, kDevice, kCan);
            std::this_thread::yield();
        }
    });
    int sent = 0;
    for (int i = 0; i < 2000; ++i) {
        VciFrameRecord rec = Frame(6, { static_cast<uint8_t>(i) });
        sent += static_cast<int>(VCI_Transmit(kType, kDevice, kCan, &rec, 1));
    }
    stop = true;
    receiver.join();
    clearer.join();
    EXPECT_EQ(sent, 2000);
    EXPECT_LE(received.load(), 2000);
}

TEST_F(UsbCanTest, CloseWakesAWaitingReceive)
{
    std::atomic<uint32_t> got { 99 };
    const uint32_t start = GetTickCount();
    std::thread receiver([&] {
        VciFrameRecord rec {};
        got = VCI_Receive(kType, kDevice, kCan, &rec, 1, 10000);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(VCI_CloseDevice(kType, kDevice), 1u);
    receiver.join();
    EXPECT_EQ(got.load(), 0u);
    EXPECT_LT(GetTickCount() - start, 5000u) << "the receive did not sit out its whole wait";
    EXPECT_EQ(VCI_CloseDevice(kType, kDevice), 0u);
}

TEST(UsbCanOpen, ARefusedOpenIsReportedAndLeavesNoDevice)
{
    FakeBus bus;
    bus.Prepare([](FakeCanBackend& f) { f.RefuseOpen(true); });
    EXPECT_EQ(VCI_OpenDevice(kType, kDevice, kCan), 0u);
    EXPECT_EQ(LastError(), VCI_ERR_OPEN);
    EXPECT_EQ(VCI_CloseDevice(kType, kDevice), 0u);
}
