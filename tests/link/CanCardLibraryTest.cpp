#include "link/CanCardLibrary.h"
#include "tests/link/FakeBus.h"

#include <gtest/gtest.h>
#include <chrono>
#include <vector>

namespace {
K8110InitRecord InitRecord(uint8_t btr0 = 0x00, uint8_t btr1 = 0x1C)
{
    K8110InitRecord init {};
    init.BTR0 = btr0;
    init.BTR1 = btr1;
    for (int i = 0; i < 4; ++i)
        init.AMR[i] = 0xFF;
    init.Mode = 0xC1;
    return init;
}

class CanCardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CAN_Open(0), 1);
        const K8110InitRecord init = InitRecord();
        ASSERT_EQ(CAN_Init(0, &init), 1);
        fake = bus.At(0);
        ASSERT_TRUE(fake);
    }
    void TearDown() override { CAN_Close(0); }

    int Waiting()
    {
        K8110RegRecord reg { K8110_REG_RX_COUNT, 0xEE };
        EXPECT_EQ(CAN_ReadReg(0, &reg), 1);
        return reg.value;
    }

    FakeBus bus;
    std::shared_ptr<FakeCanBackend> fake;
};
}

TEST_F(CanCardTest, InitSetsTheBitRateFromTheTimingBytes)
{
    EXPECT_EQ(fake->BitRate(), 500000u);
    EXPECT_TRUE(fake->Running());
    const std::vector<std::string> calls { "Open", "Configure", "Start" };
    EXPECT_EQ(fake->Calls(), calls);
}

TEST_F(CanCardTest, InitRefusesTimingWithoutAUsableRate)
{
    const K8110InitRecord bad = InitRecord(0x00, 0x00);
    EXPECT_EQ(CAN_Init(0, &bad), 0);
    EXPECT_EQ(CAN_Init(0, nullptr), 0);
    uint8_t frame[13] = { 0x04, 0x00, 0x20, 0x04, 0x01, 0x02, 0x03 };
    EXPECT_EQ(CAN_Trans(0, frame, 20), 0) << "a card whose init failed does not send";
}

TEST_F(CanCardTest, TransSendsTheStandardFrameLayout)
{
    // Node 6: identifier bits 10-3 in byte 1, bits 2-0 in bits 7-5 of byte 2.
    const uint8_t frame[13] = { 0x04, 6 >> 3, (6 & 7) << 5, 0x04, 0x06, 0x15, 0x00 };
    ASSERT_EQ(CAN_Trans(0, frame, 20), 1);
    const auto sent = fake->Transmitted();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].id, 6u);
    EXPECT_FALSE(sent[0].extended);
    EXPECT_FALSE(sent[0].remote);
    ASSERT_EQ(sent[0].length, 4);
    EXPECT_EQ(sent[0].data[0], 0x04);
    EXPECT_EQ(sent[0].data[2], 0x15);
}

TEST_F(CanCardTest, TransSendsExtendedAndRemoteFramesAndRefusesBadLengths)
{
    const uint32_t id = 0x1234567;
    const uint8_t ext[13] = { 0x82, uint8_t(id >> 21), uint8_t(id >> 13), uint8_t(id >> 5), uint8_t((id & 0x1F) << 3), 0xAA, 0xBB };
    ASSERT_EQ(CAN_Trans(0, ext, 20), 1);
    const uint8_t remote[13] = { 0x40, 0x01, 0x20 };
    ASSERT_EQ(CAN_Trans(0, remote, 20), 1);
    const auto sent = fake->Transmitted();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].extended);
    EXPECT_EQ(sent[0].id, id);
    EXPECT_EQ(sent[0].length, 2);
    EXPECT_EQ(sent[0].data[1], 0xBB);
    EXPECT_TRUE(sent[1].remote);
    EXPECT_EQ(sent[1].id, 9u);

    const uint8_t tooLong[13] = { 0x09 };
    EXPECT_EQ(CAN_Trans(0, tooLong, 20), 0);
    const uint8_t cut[13] = { 0x08, 0, 0 };
    EXPECT_EQ(CAN_Trans(0, cut, 5), 0) << "the frame does not fit the size given";
    EXPECT_EQ(CAN_Trans(0, nullptr, 20), 0);
}

TEST_F(CanCardTest, RegisterTwentyNineCountsWaitingFramesAndRecvGivesTheLayout)
{
    EXPECT_EQ(Waiting(), 0);
    fake->Inject(Message(1, { 0x06, 0x55, 0x15, 0x80, 0x2C, 0x01 }));
    fake->Inject(Message(0x1ABCDEF, { 0x01 }, true));
    EXPECT_EQ(Waiting(), 2);

    uint8_t frame[20];
    ASSERT_EQ(CAN_Recv(0, frame, 20), 1);
    EXPECT_EQ(frame[0], 0x06);
    EXPECT_EQ(frame[1], 0x00);
    EXPECT_EQ(frame[2], 0x20) << "identifier 1: bit 0 lands in bit 5";
    EXPECT_EQ(frame[3], 0x06);
    EXPECT_EQ(frame[5], 0x15);
    EXPECT_EQ(frame[8], 0x01);
    EXPECT_EQ(frame[9], 0x00) << "the rest of the buffer is cleared";

    ASSERT_EQ(CAN_Recv(0, frame, 20), 1);
    EXPECT_EQ(frame[0], 0x81);
    const uint32_t id = (uint32_t(frame[1]) << 21) | (uint32_t(frame[2]) << 13) | (uint32_t(frame[3]) << 5) | (frame[4] >> 3);
    EXPECT_EQ(id, 0x1ABCDEFu);
    EXPECT_EQ(frame[5], 0x01);

    EXPECT_EQ(Waiting(), 0);
    EXPECT_EQ(CAN_Recv(0, frame, 20), 0) << "nothing waiting";
    fake->Inject(Message(1, { 1 }));
    EXPECT_EQ(CAN_Recv(0, frame, 12), 0) << "a buffer too small for any frame";
    EXPECT_EQ(Waiting(), 1) << "and the frame stays for a proper read";
}

TEST_F(CanCardTest, OnlyRegisterTwentyNineIsKnown)
{
    K8110RegRecord reg { 30, 0xEE };
    EXPECT_EQ(CAN_ReadReg(0, &reg), 0);
    EXPECT_EQ(CAN_ReadReg(0, nullptr), 0);
    K8110RegRecord other { K8110_REG_RX_COUNT, 0 };
    EXPECT_EQ(CAN_ReadReg(5, &other), 0) << "no card 5";
}

TEST_F(CanCardTest, TheAcceptanceFilterDropsFramesOutsideCodeAndMask)
{
    // Accept only identifier 1 (bits 10-3 = 0, bits 2-0 = 001), any data.
    K8110InitRecord init = InitRecord();
    const uint8_t acr[4] = { 0x00, 0x20, 0x00, 0x00 };
    const uint8_t amr[4] = { 0x00, 0x0F, 0xFF, 0xFF };
    std::copy(acr, acr + 4, init.ACR);
    std::copy(amr, amr + 4, init.AMR);
    ASSERT_EQ(CAN_Init(0, &init), 1);
    fake->Inject(Message(2, { 1 }));
    fake->Inject(Message(1, { 2 }));
    fake->Inject(Message(9, { 3 }));
    EXPECT_EQ(Waiting(), 1);
    uint8_t frame[20];
    ASSERT_EQ(CAN_Recv(0, frame, 20), 1);
    EXPECT_EQ(frame[3], 2);
}

TEST_F(CanCardTest, ResetDropsFramesAndHoldsTheCardUntilInit)
{
    fake->Inject(Message(1, { 1 }));
    ASSERT_EQ(CAN_Reset(0), 1);
    EXPECT_EQ(Waiting(), 0);
    uint8_t frame[13] = { 0x01, 0x00, 0x20, 0x01 };
    EXPECT_EQ(CAN_Trans(0, frame, 20), 0) << "in reset the controller sends nothing";
    const K8110InitRecord init = InitRecord();
    ASSERT_EQ(CAN_Init(0, &init), 1);
    EXPECT_EQ(CAN_Trans(0, frame, 20), 1);
    EXPECT_EQ(bus.Created(), 1) << "reset and init keep the channel";
}

TEST_F(CanCardTest, CloseEndsTheCardAndOpenRefusalsAreReported)
{
    EXPECT_EQ(CAN_Close(0), 1);
    EXPECT_EQ(CAN_Close(0), 0) << "closing twice";
    K8110RegRecord reg { K8110_REG_RX_COUNT, 0 };
    EXPECT_EQ(CAN_ReadReg(0, &reg), 0);
    EXPECT_EQ(fake->Calls().back(), "Close");

    bus.Prepare([](FakeCanBackend& f) { f.RefuseOpen(true); });
    EXPECT_EQ(CAN_Open(1), 0);
    EXPECT_EQ(CAN_Open(-1), 0);

    bus.Prepare([](FakeCanBackend& f) { f.RefuseStart(true); });
    ASSERT_EQ(CAN_Open(2), 1);
    const K8110InitRecord init = InitRecord();
    EXPECT_EQ(CAN_Init(2, &init), 0);
    CAN_Close(2);
}

TEST_F(CanCardTest, WaitingForAFrameEndsWhenOneArrives)
{
    EXPECT_EQ(CAN_WaitRecv(0, 20), 0) << "nothing came";
    fake->Inject(Message(0x001, { 1, 2 }), 30);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CAN_WaitRecv(0, 5000), 1);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::milliseconds(2500)) << "woken by the frame, not by the end of the wait";
    EXPECT_EQ(Waiting(), 1);
    EXPECT_EQ(CAN_WaitRecv(7, 1), 0) << "no such card";
}

TEST_F(CanCardTest, AReplyWaitLastsItsMicrosecondsNotWholeMilliseconds)
{
    for (const int64_t us : { 300, 1500, 50000 }) {
        for (const int index : { 0, 7 }) { // a running card, and none
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(CAN_WaitRecvUs(index, us), 0);
            const auto waited = std::chrono::steady_clock::now() - start;
            EXPECT_GE(waited, std::chrono::microseconds(us)) << us << " us on card " << index;
            EXPECT_LT(waited, std::chrono::microseconds(us) + std::chrono::seconds(2)) << us << " us on card " << index;
        }
    }
}
