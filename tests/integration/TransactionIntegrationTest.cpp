#include "link/CanBackend.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "tests/integration/IntegrationDrive.h"
#include "tests/support/SerialChannel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {
struct Reply {
    CommResult result = 0;
    int length = 0;
    uint8_t record[64] = {};

    std::string Text() const { return std::string(reinterpret_cast<const char*>(record), static_cast<size_t>(length)); }
    CanFrame Frame() const
    {
        CanFrame frame;
        std::memcpy(&frame, record, sizeof frame);
        return frame;
    }
    // The value as callers read it: 16-bit signed for data length 6, 32-bit for 8, else none.
    std::optional<int32_t> Value() const
    {
        const CanFrame f = Frame();
        if (f.dataLength == 6)
            return static_cast<int16_t>(f.data[4] | (f.data[5] << 8));
        if (f.dataLength == 8)
            return static_cast<int32_t>(f.data[4] | (f.data[5] << 8) | (f.data[6] << 16) | (uint32_t(f.data[7]) << 24));
        return std::nullopt;
    }
};

Reply Send(const char* command, int capacity = 64)
{
    Reply reply;
    reply.length = capacity;
    reply.result = LinkTransactLocked(QString::fromLatin1(command), reply.record, &reply.length);
    return reply;
}

FaultPlan Once(FaultPlan plan)
{
    plan.count = 1;
    return plan;
}

class TransactionIntegration : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommandTables();
        drive.ClearFaults();
        drive.ClearRecords();
        SetCanBackendFactory({}); // the backends the environment names: virtualcan on the drive's bus
        g_nCurNode = 6;
        g_nUsbEuRateIndex = 0;
        LinkInit();
    }
    void TearDown() override
    {
        LinkShutdown();
        g_bRs232Open = 0;
        g_bCanK8110Open = 0;
        g_bCanUsbOpen = 0;
    }

    void OpenSerial()
    {
        OpenSerialChannel(kIntegrationCom);
    }
    void OpenCan(int type) { OpenIntegrationCan(type); }

    DriveSimulator& drive = IntegrationDrive();
};
}

TEST_F(TransactionIntegration, SerialRoadStoresQueriesAndAcknowledges)
{
    OpenSerial();
    EXPECT_EQ(Send("SMOD3\r").Text(), "OK\r");
    const Reply mode = Send("gmod\r");
    ASSERT_EQ(mode.result, COMM_OK);
    EXPECT_EQ(mode.Text(), "3\r");
    EXPECT_EQ(mode.record[mode.length], 0);
    EXPECT_EQ(Send("SPC-1500\r").Text(), "OK\r");
    EXPECT_EQ(Send("GPC\r").Text(), "-1500\r");
    EXPECT_EQ(Send("GQZX\r").Text(), "ERR2\r") << "unknown commands go out as they stand";
    EXPECT_EQ(Send("ENA\r", 0).result, COMM_OK);
    EXPECT_EQ(Send("GMOD\r").Text(), "3\r") << "the acknowledgement of ENA is not GMOD's reply";
    EXPECT_EQ(drive.Drive(1)->Parameter("GPC"), -1500);
    EXPECT_EQ(drive.SerialCommands(), (std::vector<std::string> { "SMOD3", "gmod", "SPC-1500", "GPC", "GQZX", "ENA", "GMOD" }));
}

TEST_F(TransactionIntegration, SerialRoadThroughNoiseEchoSplitAndOverlongReplies)
{
    OpenSerial();
    drive.Drive(1)->SetParameter("GV", 1234);
    FaultPlan noise;
    noise.noise = "\r\n#\x01garbage";
    drive.SetFaults(SimChannel::Serial, Once(noise));
    EXPECT_EQ(Send("GV\r").Text(), "1234\r");

    FaultPlan echo;
    echo.echo = true;
    drive.SetFaults(SimChannel::Serial, Once(echo));
    EXPECT_EQ(Send("GV\r").Text(), "1234\r");

    FaultPlan split;
    split.splitGapMs = 30;
    drive.SetFaults(SimChannel::Serial, Once(split));
    EXPECT_EQ(Send("GV\r").Text(), "1234\r");

    FaultPlan overlong;
    overlong.overlongLength = 200;
    drive.SetFaults(SimChannel::Serial, Once(overlong));
    const Reply cut = Send("GV\r");
    ASSERT_EQ(cut.result, COMM_OK);
    EXPECT_EQ(cut.length, 63) << "one byte stays free for the terminating zero";
    EXPECT_EQ(cut.record[63], 0);
    EXPECT_EQ(Send("GV\r").Text(), "1234\r") << "the rest of an over-long reply is gone";
}

TEST_F(TransactionIntegration, SerialRoadSilenceAndALateReply)
{
    OpenSerial();
    FaultPlan silent;
    silent.silent = true;
    drive.SetFaults(SimChannel::Serial, Once(silent));
    const Reply none = Send("GMOD\r");
    EXPECT_EQ(none.result, COMM_RS232_TIMEOUT);
    EXPECT_EQ(none.length, 0);

    drive.Drive(1)->SetParameter("GMOD", 5);
    drive.Drive(1)->SetParameter("GPC", 77);
    FaultPlan late;
    late.delayMs = 650;
    drive.SetFaults(SimChannel::Serial, Once(late));
    EXPECT_EQ(Send("GMOD\r").result, COMM_RS232_TIMEOUT);
    std::this_thread::sleep_for(400ms); // the late "5" arrives meanwhile
    EXPECT_EQ(Send("GPC\r").Text(), "77\r");
}

// The serial protocol carries no tag: a drive that answers after the reply wait must give
// time-outs, never one command's answer as the next one's.
TEST_F(TransactionIntegration, SerialRoadALateDriveGivesTimeoutsNeverAnotherAnswer)
{
    OpenSerial();
    drive.Drive(1)->SetParameter("GMOD", 5);
    drive.Drive(1)->SetParameter("GPC", 77);
    const struct {
        int delayMs;
        bool answered;
    } cases[] = { { 450, true }, { 550, false }, { 650, false } };
    for (const auto& c : cases) {
        FaultPlan late;
        late.delayMs = c.delayMs;
        drive.SetFaults(SimChannel::Serial, late);
        for (const char* command : { "GMOD\r", "GPC\r", "GMOD\r" }) {
            const Reply reply = Send(command);
            if (c.answered)
                EXPECT_EQ(reply.Text(), command[1] == 'M' ? "5\r" : "77\r") << c.delayMs << " ms " << command;
            else
                EXPECT_EQ(reply.result, COMM_RS232_TIMEOUT) << c.delayMs << " ms " << command << ": " << reply.Text();
        }
        drive.ClearFaults();
        EXPECT_EQ(Send("GPC\r").Text(), "77\r") << "after " << c.delayMs << " ms";
    }
}

TEST_F(TransactionIntegration, UsbCanRoadRepliesWithTwoOrFourValueBytes)
{
    OpenCan(COMM_CAN_USB2);
    Reply set = Send("SMOD3\r");
    ASSERT_EQ(set.result, COMM_OK);
    EXPECT_EQ(set.length, 64) << "the USB-CAN road leaves the length as it was";
    const CanFrame ack = set.Frame();
    EXPECT_EQ(ack.dataLength, 6u);
    EXPECT_EQ(std::vector<uint8_t>(ack.id, ack.id + 4), (std::vector<uint8_t> { 0, 0, 1, 1 }));
    EXPECT_EQ(std::vector<uint8_t>(ack.data, ack.data + 6), (std::vector<uint8_t> { 6, 0, 42, 0x80, 3, 0 }));
    EXPECT_EQ(Send("GMOD\r").Value(), 3);

    ASSERT_EQ(Send("SPC-1500\r").result, COMM_OK);
    const Reply position = Send("GPC\r");
    EXPECT_EQ(position.Frame().dataLength, 8u);
    EXPECT_EQ(position.Value(), -1500);
    ASSERT_EQ(Send("SPC4294967295\r").result, COMM_OK);
    EXPECT_EQ(drive.Drive(6)->Parameter("GPC"), -1) << "an unsigned argument arrives bit for bit";

    g_nCurNode = 1;
    drive.Drive(1)->SetParameter("GMOD", 9);
    const Reply other = Send("GMOD\r");
    ASSERT_EQ(other.result, COMM_OK);
    EXPECT_EQ(other.Frame().data[0], 1);
    EXPECT_EQ(other.Value(), 9);

    EXPECT_EQ(Send("GQZX\r").result, COMM_ERR_UNKNOWN_COMMAND);
    drive.Drive(1)->SetKnown("GMOD", false);
    EXPECT_EQ(Send("GMOD\r").Value(), 2) << "a drive that does not know a command answers 2";
    drive.Drive(1)->SetKnown("GMOD", true);
    EXPECT_EQ(Send("ENA\r", 0).result, COMM_OK);
    EXPECT_EQ(Send("GMOD\r").Value(), 9);
}

TEST_F(TransactionIntegration, UsbCanRoadFaults)
{
    OpenCan(COMM_CAN_USB1);
    drive.Drive(6)->SetParameter("GMOD", 4);
    ASSERT_EQ(Send("GMOD\r").Value(), 4);

    FaultPlan plan;
    plan.silent = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_TIMEOUT);

    plan = {};
    plan.wrongCommandId = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_TIMEOUT) << "an answer to another command is no reply";

    plan = {};
    plan.wrongIdentifier = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_TIMEOUT);

    plan = {};
    plan.wrongNode = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    const Reply wrongNode = Send("GMOD\r");
    EXPECT_EQ(wrongNode.result, COMM_OK) << "this road does not check the node byte";
    EXPECT_NE(wrongNode.Frame().data[0], 6);

    plan = {};
    plan.dlc = 4;
    drive.SetFaults(SimChannel::Can, Once(plan));
    const Reply cut = Send("GMOD\r");
    EXPECT_EQ(cut.result, COMM_OK);
    EXPECT_EQ(cut.Frame().dataLength, 4u);
    EXPECT_EQ(cut.Value(), std::nullopt);

    // An answer that comes after the wait is dropped with the ring before the next request,
    // even though it answers the same command.
    plan = {};
    plan.delayMs = 150;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_TIMEOUT);
    std::this_thread::sleep_for(250ms);
    drive.Drive(6)->SetParameter("GMOD", 5);
    EXPECT_EQ(Send("GMOD\r").Value(), 5);
}

TEST_F(TransactionIntegration, CardRoadRepliesAndChecksNodeAndCommand)
{
    OpenCan(COMM_CAN_K8110);
    drive.Drive(6)->SetParameter("GMOD", 4);
    Reply mode = Send("GMOD\r");
    ASSERT_EQ(mode.result, COMM_OK);
    EXPECT_EQ(mode.length, 11);
    EXPECT_EQ(mode.Value(), 4);
    // Identifier 0x101 as the card's register bytes.
    const CanFrame frame = mode.Frame();
    EXPECT_EQ(std::vector<uint8_t>(frame.id, frame.id + 4), (std::vector<uint8_t> { 0, 0, 0x20, 0x20 }));
    ASSERT_EQ(Send("SPC-7\r").result, COMM_OK);
    EXPECT_EQ(Send("GPC\r").Value(), -7);

    FaultPlan plan;
    plan.wrongNode = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_ERR_WRONG_NODE);

    plan = {};
    plan.wrongCommandId = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_ERR_WRONG_COMMAND);

    plan = {};
    plan.silent = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    const Reply none = Send("GMOD\r");
    EXPECT_EQ(none.result, COMM_CAN_TIMEOUT);
    EXPECT_EQ(none.length, 0);

    plan = {};
    plan.delayMs = 100;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_TIMEOUT);
    std::this_thread::sleep_for(200ms);
    drive.Drive(6)->SetParameter("GMOD", 5);
    EXPECT_EQ(Send("GMOD\r").Value(), 5) << "the late answer was drained before the request";

    EXPECT_EQ(Send("ENA\r", 0).result, COMM_OK);
    EXPECT_EQ(Send("GMOD\r", 13).result, COMM_ERR_REPLY_TOO_SMALL);
}
