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
        CloseLinkChannels();
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
    // Its answer is owed: the next query is not written while it may still come...
    drive.ClearRecords();
    EXPECT_EQ(Send("GPC\r").result, COMM_RS232_TIMEOUT);
    EXPECT_TRUE(drive.SerialCommands().empty());
    // ... unless the line is opened again.
    OpenSerial();

    drive.Drive(1)->SetParameter("GMOD", 5);
    drive.Drive(1)->SetParameter("GPC", 77);
    FaultPlan late;
    late.delayMs = 650;
    drive.SetFaults(SimChannel::Serial, Once(late));
    EXPECT_EQ(Send("GMOD\r").result, COMM_RS232_TIMEOUT);
    std::this_thread::sleep_for(400ms); // the late "5" arrives meanwhile
    EXPECT_EQ(Send("GPC\r").Text(), "77\r");
}

// The serial protocol carries no tag: a drive that answers after the reply wait, or stalls
// and then answers every command it got meanwhile, must give time-outs, never one command's
// answer as another's; once it has caught up, the answers are right again.
TEST_F(TransactionIntegration, SerialRoadALateOrStallingDriveGivesTimeoutsNeverAnotherAnswer)
{
    OpenSerial();
    drive.Drive(1)->SetParameter("GMOD", 5);
    drive.Drive(1)->SetParameter("GPC", 77);
    const auto right = [](const char* command) { return command[1] == 'M' ? "5\r" : "77\r"; };
    enum Expect { Answered, TimedOut, Either };
    const struct {
        int delayMs;
        int stallMs;
        Expect expect;
    } cases[] = { { 450, 0, Answered }, { 550, 0, TimedOut }, { 650, 0, TimedOut }, { 1100, 0, TimedOut },
        { 2500, 0, TimedOut }, { 0, 1500, Either }, { 0, 4000, Either } };
    for (const auto& c : cases) {
        FaultPlan plan;
        plan.delayMs = c.delayMs;
        plan.stallMs = c.stallMs;
        drive.SetFaults(SimChannel::Serial, plan);
        const std::string name = std::to_string(c.delayMs) + " ms late, " + std::to_string(c.stallMs) + " ms stall: ";
        for (const char* command : { "GMOD\r", "GPC\r", "GMOD\r" }) {
            const Reply reply = Send(command);
            if (reply.result == COMM_OK)
                EXPECT_EQ(reply.Text(), right(command)) << name << command;
            else
                EXPECT_EQ(reply.result, COMM_RS232_TIMEOUT) << name << command;
            if (c.expect != Either) {
                EXPECT_EQ(reply.result == COMM_OK, c.expect == Answered) << name << command;
            }
        }
        drive.ClearFaults();
        Reply after;
        after.result = COMM_RS232_TIMEOUT;
        for (int i = 0; i < 40 && after.result != COMM_OK; ++i) {
            after = Send("GPC\r");
            EXPECT_TRUE(after.result == COMM_RS232_TIMEOUT || after.Text() == "77\r") << name << after.Text();
        }
        EXPECT_EQ(after.Text(), "77\r") << name << "once the drive has caught up";
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
    drive.Drive(6)->SetParameter("GPC", 8);
    ASSERT_EQ(Send("GMOD\r").Value(), 4);

    FaultPlan plan;
    plan.silent = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_TIMEOUT);
    // Its answer is owed: GMOD is not asked again while it may still come; another query is,
    // and once that is answered, nothing the drive answered before it is still to come.
    drive.ClearRecords();
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_TIMEOUT);
    EXPECT_TRUE(drive.CanRequests().empty());
    ASSERT_EQ(Send("GPC\r").Value(), 8);

    const auto once = [&](FaultPlan fault) {
        drive.SetFaults(SimChannel::Can, Once(fault));
        const Reply reply = Send("GMOD\r");
        Send("GPC\r");
        return reply;
    };
    plan = {};
    plan.wrongCommandId = true;
    EXPECT_EQ(once(plan).result, COMM_CAN_TIMEOUT) << "an answer to another command is no reply";

    plan = {};
    plan.wrongIdentifier = true;
    EXPECT_EQ(once(plan).result, COMM_CAN_TIMEOUT);

    plan = {};
    plan.wrongNode = true;
    EXPECT_EQ(once(plan).result, COMM_CAN_TIMEOUT) << "another node's answer is no reply";

    plan = {};
    plan.dlc = 4;
    const Reply cut = once(plan);
    EXPECT_EQ(cut.result, COMM_OK);
    EXPECT_EQ(cut.Frame().dataLength, 4u);
    EXPECT_EQ(cut.Value(), std::nullopt);
}

// An answer that comes after the wait, to the same command of the same node: never the next
// request's answer, whether it lands before that request or during its wait.
TEST_F(TransactionIntegration, CanRoadsNeverTakeALateAnswerForTheNextRequest)
{
    for (const int type : { int(COMM_CAN_USB1), int(COMM_CAN_K8110) }) {
        OpenCan(type);
        drive.Drive(6)->SetParameter("GPC", 8);
        for (const int delayMs : { 100, 150, 300 }) {
            for (const auto pause : { 0ms, 400ms }) {
                drive.Drive(6)->SetParameter("GMOD", 4);
                FaultPlan late;
                late.delayMs = delayMs;
                drive.SetFaults(SimChannel::Can, Once(late));
                EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_TIMEOUT);
                std::this_thread::sleep_for(pause);
                drive.Drive(6)->SetParameter("GMOD", 5);
                const Reply next = Send("GMOD\r");
                EXPECT_TRUE(next.result == COMM_CAN_TIMEOUT || next.Value() == 5)
                    << type << ", " << delayMs << " ms late, asked again after " << pause.count() << " ms: "
                    << next.result << " " << next.Value().value_or(-1);
                // Once the late answer has surely come, another query's answer settles GMOD's.
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                const Reply settle = Send("GPC\r");
                EXPECT_EQ(settle.Value(), 8) << type << ", " << delayMs << " ms: " << settle.result;
            }
        }
    }
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

    // Each fault leaves GMOD's own answer owed; the answered GPC after it settles that.
    FaultPlan plan;
    plan.wrongNode = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_ERR_WRONG_NODE);
    EXPECT_EQ(Send("GPC\r").Value(), -7);

    plan = {};
    plan.wrongCommandId = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    EXPECT_EQ(Send("GMOD\r").result, COMM_ERR_WRONG_COMMAND);
    EXPECT_EQ(Send("GPC\r").Value(), -7);

    plan = {};
    plan.silent = true;
    drive.SetFaults(SimChannel::Can, Once(plan));
    const Reply none = Send("GMOD\r");
    EXPECT_EQ(none.result, COMM_CAN_TIMEOUT);
    EXPECT_EQ(none.length, 0);
    EXPECT_EQ(Send("GPC\r").Value(), -7);

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
