#include "link/CanFrameCodec.h"
#include "link/LinkAnswer.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/SerialPort.h"
#include "platform/Tick.h"
#include "tests/link/FakeBus.h"
#include "tests/support/PtyPair.h"
#include "tests/support/SerialChannel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <termios.h>
#include <vector>

namespace {
constexpr int kCom = 5;
constexpr int kCardIndex = 1;
constexpr int kNode = 6;
constexpr uint32_t kLongWait = 5000; // upper bound of every wait: the machine may be busy

// Plays a drive on the master side of a pseudo-terminal: each command line (up to its CR)
// is handed to `answer`, whose text (if any) is written back. The answer may take its time.
class PtyDrive {
public:
    using Answer = std::function<std::string(const std::string& command)>;

    PtyDrive(const PtyPair& pty, Answer answer)
        : m_thread([this, &pty, answer = std::move(answer)] { Run(pty, answer); })
    {
    }
    ~PtyDrive()
    {
        m_stop = true;
        m_thread.join();
    }
    std::vector<std::string> Commands() const
    {
        std::lock_guard lock(m_mutex);
        return m_commands;
    }

private:
    void Run(const PtyPair& pty, const Answer& answer)
    {
        std::string pending;
        while (!m_stop) {
            pending += pty.Read(1, 10);
            for (size_t cr; (cr = pending.find('\r')) != std::string::npos;) {
                const std::string command = pending.substr(0, cr + 1);
                pending.erase(0, cr + 1);
                {
                    std::lock_guard lock(m_mutex);
                    m_commands.push_back(command);
                }
                const std::string reply = answer(command);
                if (!reply.empty())
                    pty.Write(reply);
            }
        }
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_commands;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

// A drive's reply frame on the bus: {node, 0, (id + 0x8000) little-endian, value}.
CanMessage DriveReply(int node, int cmdId, int32_t value, int width = 2, uint32_t identifier = 0x101)
{
    const uint16_t answered = static_cast<uint16_t>(cmdId + 0x8000);
    CanMessage msg;
    msg.id = identifier;
    msg.length = static_cast<uint8_t>(4 + width);
    msg.data[0] = static_cast<uint8_t>(node);
    msg.data[2] = static_cast<uint8_t>(answered & 0xFF);
    msg.data[3] = static_cast<uint8_t>(answered >> 8);
    for (int i = 0; i < width; ++i)
        msg.data[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    return msg;
}

int RequestNode(const CanMessage& sent) { return sent.data[1]; }
int RequestCommand(const CanMessage& sent) { return sent.data[2] | (sent.data[3] << 8); }

// Answers every request with the given value, as the addressed drive.
FakeCanBackend::Responder Answering(int32_t value)
{
    return [value](const CanMessage& sent) {
        return std::vector<CanMessage> { DriveReply(RequestNode(sent), RequestCommand(sent), value) };
    };
}

struct Outcome {
    CommResult result = 0;
    int length = 0;
    uint32_t ms = 0;
    std::vector<uint8_t> record;

    std::string Text() const { return std::string(reinterpret_cast<const char*>(record.data()), static_cast<size_t>(length)); }
    CanFrame Frame() const
    {
        CanFrame frame {};
        std::memcpy(&frame, record.data(), sizeof frame);
        return frame;
    }
    int16_t Value16() const { return static_cast<int16_t>(record[offsetof(CanFrame, data) + 4] | (record[offsetof(CanFrame, data) + 5] << 8)); }
};

Outcome Send(const char* command, int capacity = 64, uint8_t fill = 0xAA)
{
    Outcome out;
    out.record.assign(64, fill);
    out.length = capacity;
    const uint32_t start = GetTickCount();
    out.result = LinkTransactLocked(QString::fromLatin1(command), out.record.data(), &out.length);
    out.ms = GetTickCount() - start;
    return out;
}

// An unanswered transaction: it gave up no sooner than its wait, long before the test's
// own, and zeroed the record.
void ExpectTimedOut(const Outcome& out, CommResult result, uint32_t minMs)
{
    EXPECT_EQ(out.result, result);
    EXPECT_GE(out.ms, minMs);
    EXPECT_LT(out.ms, kLongWait);
    EXPECT_EQ(out.record, std::vector<uint8_t>(64, 0)) << "the record was zeroed";
}

class LinkTransactionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommandTables();
        ResetLinkChannels();
        g_nCurNode = kNode;
        g_nVciDevType = 4;
        LinkInit();
        pty = std::make_unique<PtyPair>();
        pty->MapAsCom(kCom);
    }
    void TearDown() override
    {
        LinkPauseReceive(false);
        CloseLinkChannels();
    }

    void OpenSerial()
    {
        OpenSerialChannel(kCom);
    }
    static CanSettings Can(int device)
    {
        CanSettings settings;
        EXPECT_TRUE(BuildCanSettings(device, 500, "00000000", "FFFFFFFF", &settings));
        return settings;
    }
    std::shared_ptr<FakeCanBackend> OpenCard()
    {
        const CanSettings settings = Can(kCardIndex);
        EXPECT_EQ(LinkOpenChannel(COMM_CAN_K8110, &settings), 1);
        g_bCanK8110Open = 1;
        g_nComType = COMM_CAN_K8110;
        return bus.At(kCardIndex);
    }
    std::shared_ptr<FakeCanBackend> OpenUsb(int type = COMM_CAN_USB2)
    {
        g_nVciDevType = VciDeviceTypeOf(type);
        const CanSettings settings = Can(0);
        EXPECT_EQ(LinkOpenChannel(type, &settings), 1);
        g_bCanUsbOpen = 1;
        g_nComType = type;
        return bus.At(0);
    }

    FakeBus bus;
    std::unique_ptr<PtyPair> pty;
};
}

TEST_F(LinkTransactionTest, AnUnknownChannelTypeSendsNothing)
{
    OpenSerial();
    for (int type : { -1, 1, 15, 21, 255 }) {
        g_nComType = type;
        const Outcome out = Send("GV\r");
        EXPECT_EQ(out.result, COMM_ERR_UNKNOWN_CHANNEL) << type;
        EXPECT_EQ(out.length, 64) << type;
    }
    EXPECT_EQ(pty->Read(1, 50), "");
}

// ---- Serial line --------------------------------------------------------------------------

TEST_F(LinkTransactionTest, SerialReplyIsTheTextAfterTheHashUpToTheCR)
{
    OpenSerial();
    PtyDrive drive(*pty, [](const std::string& command) { return command == "GV\r" ? "#123\r\n" : "#ERR2\r\n"; });
    const Outcome out = Send("GV\r");
    ASSERT_EQ(out.result, COMM_OK);
    EXPECT_EQ(out.length, 4);
    EXPECT_EQ(out.Text(), "123\r");
    EXPECT_EQ(out.record[4], 0) << "the rest of the record is zeroed";
    EXPECT_EQ(out.record[63], 0);

    // The command text goes out as it stands, known to the table or not.
    EXPECT_EQ(Send("xyz12 \r").Text(), "ERR2\r");
    EXPECT_EQ(drive.Commands(), (std::vector<std::string> { "GV\r", "xyz12 \r" }));
}

TEST_F(LinkTransactionTest, SerialReplyLongerThanTheRecordLeavesRoomForTheTerminatingZero)
{
    OpenSerial();
    PtyDrive drive(*pty, [](const std::string&) { return "#1234567890\r\n"; });
    const Outcome out = Send("GV\r", 8);
    ASSERT_EQ(out.result, COMM_OK);
    EXPECT_EQ(out.length, 7);
    EXPECT_EQ(out.Text(), "1234567");
    EXPECT_EQ(out.record[7], 0);
    EXPECT_EQ(out.record[8], 0xAA) << "nothing beyond the capacity is touched";

    const Outcome one = Send("GV\r", 1);
    EXPECT_EQ(one.result, COMM_OK);
    EXPECT_EQ(one.length, 0);
    EXPECT_EQ(one.record[0], 0);
}

TEST_F(LinkTransactionTest, SerialWithoutReplyWantedReturnsAtOnce)
{
    OpenSerial();
    int length = 0;
    const uint32_t start = GetTickCount();
    EXPECT_EQ(LinkTransactLocked(QStringLiteral("ENA\r"), nullptr, &length), COMM_OK);
    EXPECT_LT(GetTickCount() - start, 400u) << "no reply wait";
    EXPECT_EQ(length, 0);
    EXPECT_EQ(pty->Read(4, kLongWait), "ENA\r");
    EXPECT_EQ(LinkTransactLocked(QStringLiteral("DIS\r"), nullptr, nullptr), COMM_OK) << "no length is no reply";
    EXPECT_EQ(pty->Read(4, kLongWait), "DIS\r");
}

TEST_F(LinkTransactionTest, SerialSilenceTimesOutAfterHalfASecond)
{
    OpenSerial();
    const Outcome out = Send("GV\r");
    ExpectTimedOut(out, COMM_RS232_TIMEOUT, 495u);
    EXPECT_EQ(out.length, 0);
}

TEST_F(LinkTransactionTest, SerialRefusalsBeforeAnythingIsSent)
{
    EXPECT_EQ(Send("GV\r").result, COMM_ERR_RS232_NOT_OPEN);
    OpenSerial();
    EXPECT_EQ(Send("GV\r", -1).result, COMM_ERR_REPLY_TOO_SMALL);
    int length = 64;
    EXPECT_EQ(LinkTransactLocked(QStringLiteral("GV\r"), nullptr, &length), COMM_ERR_REPLY_TOO_SMALL);
    EXPECT_EQ(pty->Read(1, 50), "");
}

TEST_F(LinkTransactionTest, SerialPortThatCannotBeExaminedIsResultEight)
{
    g_bRs232Open = 1; // the flag says open, the port is not
    g_nComType = COMM_RS232;
    EXPECT_EQ(Send("ENA\r", 0).result, COMM_RS232_RX_UNAVAILABLE);
    const Outcome out = Send("GV\r");
    EXPECT_EQ(out.result, COMM_RS232_TIMEOUT) << "with a reply wanted the wait runs out";
    EXPECT_GE(out.ms, 495u);
    EXPECT_EQ(out.length, 0);
}

TEST_F(LinkTransactionTest, SerialWriteFailureIsResultFourOrATimeout)
{
    OpenSerial();
    // Output held (as by a flow-control stop the port never recovers from): the command
    // cannot be written within the write time-out.
    ASSERT_EQ(::tcflow(g_hSerialPort, TCOOFF), 0);
    EXPECT_EQ(Send("ENA\r", 0).result, COMM_RS232_SEND_FAILED);
    const Outcome out = Send("GV\r");
    EXPECT_EQ(out.result, COMM_RS232_TIMEOUT);
    EXPECT_GE(out.ms, 495u);
    EXPECT_LT(out.ms, 2 * kLongWait);
    EXPECT_EQ(out.length, 0);
    ::tcflow(g_hSerialPort, TCOON);
}

TEST_F(LinkTransactionTest, SerialLateReplyToAnEarlierCommandIsNeverTheNextReply)
{
    OpenSerial();
    EXPECT_EQ(Send("GV\r").result, COMM_RS232_TIMEOUT);
    EXPECT_EQ(pty->Read(3, kLongWait), "GV\r");
    pty->Write("#111\r\n"); // the drive answers at last
    ASSERT_TRUE(WaitFor([] { return g_nSerialRxWrite >= 6; }, kLongWait));
    // A half-seen reply as well: the '#' of a reply whose line end never came.
    pty->Write("#9");
    ASSERT_TRUE(WaitFor([] { return g_nSerialRxWrite >= 8; }, kLongWait));

    PtyDrive drive(*pty, [](const std::string&) { return "#222\r\n"; });
    const Outcome out = Send("GMOD\r");
    ASSERT_EQ(out.result, COMM_OK);
    EXPECT_EQ(out.Text(), "222\r");
}

TEST_F(LinkTransactionTest, SerialLateReplyStillInThePortQueueIsPurged)
{
    OpenSerial();
    LinkPauseReceive(true);
    pty->Write("#111\r\n");
    ASSERT_TRUE(WaitFor([] { return SerialQueuedBytes() == 6; }, kLongWait));
    LinkPauseReceive(false);
    PtyDrive drive(*pty, [](const std::string&) { return "#222\r\n"; });
    EXPECT_EQ(Send("GMOD\r").Text(), "222\r");
}

TEST_F(LinkTransactionTest, SerialAnswerToACommandSentWithoutWaitingIsNotTheNextReply)
{
    OpenSerial();
    // The drive acknowledges every command, the first one a little late; being one drive, it
    // reads the next command only after that.
    PtyDrive drive(*pty, [](const std::string& command) {
        if (command == "ENA\r") {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            return std::string("#OK\r\n");
        }
        return std::string("#77\r\n");
    });
    EXPECT_EQ(Send("ENA\r", 0).result, COMM_OK);
    const Outcome out = Send("GV\r");
    ASSERT_EQ(out.result, COMM_OK);
    EXPECT_EQ(out.Text(), "77\r");
    EXPECT_EQ(drive.Commands(), (std::vector<std::string> { "ENA\r", "GV\r" }));
}

TEST_F(LinkTransactionTest, SerialCommandThatWaitsGoesOutOnlyOnceEveryOwedAnswerHasCome)
{
    OpenSerial();
    std::atomic<bool> answering { false };
    PtyDrive drive(*pty, [&answering](const std::string&) { return answering ? "#222\r\n" : ""; });
    EXPECT_EQ(Send("GV\r").result, COMM_RS232_TIMEOUT);
    EXPECT_EQ(Send("ENA\r", 0).result, COMM_OK) << "nobody waits for its answer: it goes out at once";
    ASSERT_TRUE(WaitFor([&] { return drive.Commands().size() == 2; }, kLongWait));

    pty->Write("#111\r\n"); // GV's answer at last; ENA's is still owed
    EXPECT_EQ(Send("GMOD\r").result, COMM_RS232_TIMEOUT);
    EXPECT_EQ(drive.Commands().size(), 2u) << "not written while an answer is owed";

    pty->Write("#OK\r\n");
    answering = true;
    EXPECT_EQ(Send("GMOD\r").Text(), "222\r");
}

TEST_F(LinkTransactionTest, SerialAnswerHeardAfterASendIsThatCommandsOwnNeverALateOne)
{
    OpenSerial();
    // The first write's answer comes after its listener gave up; the drive then keeps pace.
    PtyDrive drive(*pty, [](const std::string& command) {
        if (command == "SA1\r")
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return "#" + command.substr(0, command.size() - 1) + "\r\n";
    });
    auto hear = [](const char* command, int answerMs) {
        char reply[64] = {};
        int length = sizeof reply;
        const HeardAnswer heard = LinkSendAndHearAnswer(QString::fromLatin1(command), reply, &length, answerMs);
        return heard.answer == COMM_OK ? std::string(reply, static_cast<size_t>(length)) : std::string("-");
    };
    EXPECT_EQ(hear("SA1\r", 20), "-");
    EXPECT_EQ(hear("SA2\r", kLongWait), "SA2\r") << "SA1's late answer is dropped, not taken for SA2's";
    EXPECT_EQ(hear("SA3\r", kLongWait), "SA3\r");
    const Outcome out = Send("GV\r");
    EXPECT_EQ(out.Text(), "GV\r") << "nothing is owed any more: the query is answered by its own reply";
}

// ---- CAN card ----------------------------------------------------------------------------

TEST_F(LinkTransactionTest, CardSendsTheRequestAndReturnsTheReplyFrame)
{
    const auto fake = OpenCard();
    ASSERT_TRUE(fake);
    fake->SetResponder(Answering(300));
    const Outcome out = Send("GMOD\r");
    ASSERT_EQ(out.result, COMM_OK);
    EXPECT_EQ(out.length, 11) << "a standard frame";
    const CanFrame reply = out.Frame();
    EXPECT_EQ(reply.dataLength, 6u);
    EXPECT_EQ(reply.extended, 0u);
    // Identifier 0x101 in the card's register image.
    EXPECT_EQ(std::vector<uint8_t>(reply.id, reply.id + 4), (std::vector<uint8_t> { 0, 0, 0x20, 0x20 }));
    EXPECT_EQ(std::vector<uint8_t>(reply.data, reply.data + 8), (std::vector<uint8_t> { 6, 0, 43, 0x80, 0x2C, 0x01, 0, 0 }));

    const auto sent = fake->Transmitted();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].id, static_cast<uint32_t>(kNode)) << "the register image is the node's identifier";
    EXPECT_FALSE(sent[0].extended);
    ASSERT_EQ(sent[0].length, 4);
    EXPECT_EQ(std::vector<uint8_t>(sent[0].data, sent[0].data + 4), (std::vector<uint8_t> { 4, kNode, 43, 0 }));

    fake->SetResponder([](const CanMessage& sent) {
        CanMessage ext = DriveReply(RequestNode(sent), RequestCommand(sent), -5, 4, 0x1ABCDE01);
        ext.extended = true;
        return std::vector<CanMessage> { ext };
    });
    const Outcome extended = Send("SPC-1\r");
    ASSERT_EQ(extended.result, COMM_OK);
    EXPECT_EQ(extended.length, 13);
    EXPECT_EQ(extended.Frame().extended, 1u);
    EXPECT_EQ(extended.Frame().dataLength, 8u);
    const auto request = fake->Transmitted().back();
    EXPECT_EQ(std::vector<uint8_t>(request.data, request.data + request.length),
              (std::vector<uint8_t> { 8, kNode, 26, 0, 0xFF, 0xFF, 0xFF, 0xFF }));
}

TEST_F(LinkTransactionTest, CardReplyFromAnotherNodeOrForAnotherCommand)
{
    const auto fake = OpenCard();
    fake->SetResponder([](const CanMessage& sent) {
        return std::vector<CanMessage> { DriveReply(5, RequestCommand(sent), 1) };
    });
    Outcome out = Send("GMOD\r");
    EXPECT_EQ(out.result, COMM_ERR_WRONG_NODE);
    EXPECT_EQ(out.length, 11);

    fake->SetResponder([](const CanMessage& sent) {
        return std::vector<CanMessage> { DriveReply(RequestNode(sent), RequestCommand(sent) + 1, 1) };
    });
    out = Send("GV\r"); // GMOD's own answer is still owed
    EXPECT_EQ(out.result, COMM_ERR_WRONG_COMMAND);
}

TEST_F(LinkTransactionTest, CardSilenceTimesOutAfterFiftyMilliseconds)
{
    OpenCard();
    const Outcome out = Send("GMOD\r");
    EXPECT_EQ(out.result, COMM_CAN_TIMEOUT);
    EXPECT_EQ(out.length, 0);
    EXPECT_GE(out.ms, 50u);
    EXPECT_LT(out.ms, kLongWait);
    EXPECT_EQ(out.record, std::vector<uint8_t>(64, 0));
}

TEST_F(LinkTransactionTest, CardDrainsWhatCameBeforeTheRequestUnlessNoReplyIsWanted)
{
    const auto fake = OpenCard();
    fake->Inject(DriveReply(kNode, 43, 1)); // a late answer to an earlier GMOD
    ASSERT_TRUE(WaitFor([&] { return fake->Pending() == 1; }, kLongWait));
    EXPECT_EQ(Send("GMOD\r", 0).result, COMM_OK);
    EXPECT_EQ(fake->Pending(), 1) << "nothing is drained when no reply is wanted";

    fake->SetResponder(Answering(2));
    const Outcome out = Send("GMOD\r");
    ASSERT_EQ(out.result, COMM_OK);
    EXPECT_EQ(out.Value16(), 2);
}

TEST_F(LinkTransactionTest, CardRefusalsAndAdapterFailures)
{
    g_nComType = COMM_CAN_K8110;
    EXPECT_EQ(Send("GMOD\r").result, COMM_ERR_CAN_NOT_OPEN);
    const auto fake = OpenCard();
    fake->SetResponder(Answering(1));
    for (int length : { 1, 13, 14, 23, -1 })
        EXPECT_EQ(Send("GMOD\r", length).result, COMM_ERR_REPLY_TOO_SMALL) << length;
    EXPECT_EQ(Send("NOPE\r").result, COMM_ERR_UNKNOWN_COMMAND);
    EXPECT_TRUE(fake->Transmitted().empty()) << "nothing was sent";
    EXPECT_EQ(Send("GMOD\r", 24).result, COMM_OK) << "a CanFrame is enough";

    fake->RefuseTransmit(true);
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_SEND_FAILED);
    EXPECT_EQ(Send("ENA\r", 0).result, COMM_CAN_SEND_FAILED);
}

TEST_F(LinkTransactionTest, CardThatCannotBeDrainedWithinATenthOfASecond)
{
    const auto fake = OpenCard();
    // So many frames that reading them one by one takes far longer than 100 ms.
    for (int i = 0; i < 60000; ++i)
        fake->Inject(DriveReply(kNode, 43, i));
    const Outcome out = Send("GMOD\r");
    EXPECT_EQ(out.result, COMM_CAN_RX_UNAVAILABLE);
    EXPECT_GE(out.ms, 100u);
    EXPECT_TRUE(fake->Transmitted().empty());
}

// ---- USB-CAN adapter ---------------------------------------------------------------------

TEST_F(LinkTransactionTest, UsbCanReturnsTheReplyRecordOnEveryAdapterType)
{
    for (int type : { int(COMM_CAN_USB2), int(COMM_CAN_USB1), int(COMM_CAN_USB_E_U), int(COMM_CAN_USB_2E_U) }) {
        const auto fake = OpenUsb(type);
        ASSERT_TRUE(fake) << type;
        fake->SetResponder(Answering(-300));
        const Outcome out = Send("GMOD\r");
        ASSERT_EQ(out.result, COMM_OK) << type;
        EXPECT_EQ(out.length, 64) << "the length stays as it was";
        const CanFrame reply = out.Frame();
        EXPECT_EQ(reply.dataLength, 6u);
        EXPECT_EQ(std::vector<uint8_t>(reply.id, reply.id + 4), (std::vector<uint8_t> { 0, 0, 1, 1 }));
        EXPECT_EQ(out.Value16(), -300);
        EXPECT_EQ(g_nExpectedCmdId, 0) << "a delivered reply is no longer expected";

        const auto sent = fake->Transmitted();
        ASSERT_EQ(sent.size(), 1u) << type;
        EXPECT_EQ(sent[0].id, static_cast<uint32_t>(kNode));
        EXPECT_EQ(std::vector<uint8_t>(sent[0].data, sent[0].data + sent[0].length),
                  (std::vector<uint8_t> { 4, kNode, 43, 0 }));
        VCI_CloseDevice(static_cast<uint32_t>(g_nVciDevType.load()), 0);
    }
}

TEST_F(LinkTransactionTest, UsbCanSendsUnsignedArgumentsBitForBit)
{
    const auto fake = OpenUsb();
    fake->SetResponder(Answering(0));
    ASSERT_EQ(Send("SPC4294967295\r").result, COMM_OK);
    const auto sent = fake->Transmitted();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(sent[0].data, sent[0].data + sent[0].length),
              (std::vector<uint8_t> { 8, kNode, 26, 0, 0xFF, 0xFF, 0xFF, 0xFF }));
}

TEST_F(LinkTransactionTest, UsbCanRefusalsAndSendFailure)
{
    g_nComType = COMM_CAN_USB1;
    EXPECT_EQ(Send("GMOD\r").result, COMM_ERR_CAN_NOT_OPEN);
    const auto fake = OpenUsb();
    for (int length : { 1, 13, 14, 23, -5 })
        EXPECT_EQ(Send("GMOD\r", length).result, COMM_ERR_REPLY_TOO_SMALL) << length;
    int length = 64;
    EXPECT_EQ(LinkTransactLocked(QStringLiteral("GMOD\r"), nullptr, &length), COMM_ERR_REPLY_TOO_SMALL);
    EXPECT_EQ(Send("G1\r").result, COMM_ERR_UNKNOWN_COMMAND);
    EXPECT_TRUE(fake->Transmitted().empty());

    fake->RefuseTransmit(true);
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_SEND_FAILED);
    VciErrorRecord error {};
    VCI_ReadErrInfo(4, 0, 0, &error);
    EXPECT_EQ(error.ErrCode, VCI_ERR_NONE) << "the transaction fetched the adapter's error";
    EXPECT_EQ(Send("ENA\r", 0).result, COMM_CAN_SEND_FAILED);
}

TEST_F(LinkTransactionTest, UsbCanSilenceTimesOutAfterEightyMilliseconds)
{
    OpenUsb();
    ExpectTimedOut(Send("GMOD\r"), COMM_CAN_TIMEOUT, 79u);
    EXPECT_EQ(g_nExpectedCmdId, 43) << "the unanswered command stays expected";
}

TEST_F(LinkTransactionTest, UsbCanWithoutReplyWantedNeitherClearsNorWaits)
{
    const auto fake = OpenUsb();
    LinkPauseReceive(true); // frames stay in the adapter
    fake->Inject(DriveReply(kNode, 43, 1));
    ASSERT_TRUE(WaitFor([&] { return fake->Pending() == 1; }, kLongWait));
    EXPECT_EQ(Send("ENA\r", 0).result, COMM_OK);
    EXPECT_EQ(fake->Pending(), 1);
    ASSERT_EQ(fake->Transmitted().size(), 1u);

    // With a reply wanted, what the adapter holds from before the request is cleared.
    EXPECT_EQ(Send("GMOD\r").result, COMM_CAN_TIMEOUT);
    EXPECT_EQ(fake->Pending(), 0);
}

TEST_F(LinkTransactionTest, UsbCanFramesReceivedBeforeTheRequestAreNeverItsReply)
{
    const auto fake = OpenUsb();
    fake->Inject(DriveReply(kNode, 43, 1)); // a late answer to an earlier GMOD
    ASSERT_TRUE(WaitFor([] { return g_nCanRxWrite == 1; }, kLongWait));
    fake->SetResponder(Answering(2));
    const Outcome out = Send("GMOD\r");
    ASSERT_EQ(out.result, COMM_OK);
    EXPECT_EQ(out.Value16(), 2);
}

TEST_F(LinkTransactionTest, UsbCanSkipsAnswersToOtherCommandsAndWrongIdentifiers)
{
    const auto fake = OpenUsb();
    fake->SetResponder([](const CanMessage& sent) {
        const int node = RequestNode(sent);
        return std::vector<CanMessage> {
            DriveReply(node, 42, 7),                          // another command's answer
            DriveReply(node, RequestCommand(sent), 8, 2, 0x102), // not a reply identifier
            DriveReply(node + 1, RequestCommand(sent), 6),    // another node's answer
            DriveReply(node, RequestCommand(sent), 9),
        };
    });
    const int before = g_nCanRxWrite;
    const Outcome out = Send("GMOD\r");
    ASSERT_EQ(out.result, COMM_OK);
    EXPECT_EQ(out.Value16(), 9);
    EXPECT_EQ(g_nCanRxRead, before + 4) << "one past the reply";

    fake->SetResponder([](const CanMessage& sent) {
        return std::vector<CanMessage> { DriveReply(RequestNode(sent), RequestCommand(sent) + 1, 7) };
    });
    const Outcome other = Send("GMOD\r");
    EXPECT_EQ(other.result, COMM_CAN_TIMEOUT) << "an answer to another command is no reply";
    EXPECT_EQ(other.record, std::vector<uint8_t>(64, 0));
}

TEST_F(LinkTransactionTest, UsbCanWakingWithoutAMatchingFrameIsNoReply)
{
    OpenUsb();
    std::thread waker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (ManualResetEvent* event = g_hReplyEvent.load())
            event->Set();
    });
    const Outcome out = Send("GMOD\r");
    waker.join();
    EXPECT_EQ(out.result, COMM_CAN_TIMEOUT);
    EXPECT_EQ(out.record, std::vector<uint8_t>(64, 0));
}
