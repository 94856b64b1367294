#include "link/LinkTransaction.h"

#include "link/CanCardLibrary.h"
#include "link/CanFrameCodec.h"
#include "link/LinkLayer.h"
#include "link/SerialPort.h"
#include "link/UsbCanLibrary.h"
#include "platform/AnsiCodePage.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kSerialReplyWaitMs = 500;
constexpr int kUsbReplyWaitMs = 80;
constexpr int kCardReplyWaitMs = 50;
constexpr int kCardPollMs = 1;
constexpr int kClearWaitMs = 100;
constexpr int kCardFrameBuffer = 20;
// How long the answer to a command sent without waiting may still come and be mistaken for
// the answer to the next one. A drive acknowledges in a few milliseconds even at 9600 baud.
constexpr int kOwedAnswerMs = 50;
// After a reply time-out the late answer may still come; the next write waits for it at
// most one more reply wait, and only until the line has been quiet this long after it.
constexpr int kLateAnswerQuietMs = 50;
constexpr int kLateAnswerLookMs = 5;

// An answer the drive may still send for a serial command already written: no later than
// `until`. Bytes that arrive after the ring's write index stood at `mark` are its. Guarded
// by g_csLink.
struct OwedAnswer {
    bool owed = false;
    Clock::time_point until;
    int mark = 0;
};
OwedAnswer g_owedAnswer;

void OweAnswer(int forMs)
{
    g_owedAnswer = { true, Clock::now() + milliseconds(forMs), g_nSerialRxWrite.load() };
}

int ElapsedMs(Clock::time_point since)
{
    return static_cast<int>(std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

// A reply record that cannot take what the channel delivers, or no record at all.
bool RecordTooSmall(const void* reply, int wanted, bool can)
{
    if (wanted < 0)
        return true;
    if (wanted == 0)
        return false;
    return !reply || (can && wanted < static_cast<int>(sizeof(CanFrame)));
}

// The serial protocol carries no tag: the drive answers in order, and an answer still owed
// to an earlier command would land after the next command's write and pass for its answer.
// So before writing, give it the time to land (the clearing before the write discards it):
// until a complete reply has come, or until the line has been quiet for a while after some
// bytes came, but never past the time the answer was owed until.
void LetOwedAnswerLand()
{
    if (!g_owedAnswer.owed || !g_hReplyEvent.load())
        return;
    g_owedAnswer.owed = false;
    int seen = g_owedAnswer.mark;
    bool heard = false;
    auto lastByte = Clock::now();
    for (;;) {
        const auto now = Clock::now();
        if (now >= g_owedAnswer.until)
            return;
        if (const int write = g_nSerialRxWrite; write != seen) {
            seen = write;
            heard = true;
            lastByte = now;
        } else if (heard && now - lastByte >= milliseconds(kLateAnswerQuietMs)) {
            return;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(g_owedAnswer.until - now).count();
        if (LinkWaitReply(static_cast<uint32_t>(std::min<int64_t>(left, kLateAnswerLookMs))))
            return;
    }
}

CommResult SerialTransact(const QString& command, void* reply, int& length)
{
    if (!g_bRs232Open)
        return COMM_ERR_RS232_NOT_OPEN;
    if (RecordTooSmall(reply, length, false))
        return COMM_ERR_REPLY_TOO_SMALL;
    LetOwedAnswerLand();
    const QByteArray bytes = WideToAnsi(command);
    const CommResult step = LinkSendSerialOrK8110(bytes.constData(), static_cast<int>(bytes.size()), reply, &length,
                                                  COMM_RS232);
    if (length == 0) {
        if (step == COMM_OK)
            OweAnswer(kOwedAnswerMs);
        return step;
    }
    const int capacity = length;
    length = 0;
    if (step != COMM_OK) {
        // Nothing that comes now answers a command that was not (fully) written. Keep the
        // reply wait all the same: pollers count on it as their pace on a broken line.
        std::this_thread::sleep_for(milliseconds(kSerialReplyWaitMs));
        return COMM_RS232_TIMEOUT;
    }
    if (!LinkWaitReply(kSerialReplyWaitMs)) {
        OweAnswer(kSerialReplyWaitMs);
        return COMM_RS232_TIMEOUT;
    }
    // One byte of the record stays free for the caller's terminating zero.
    length = LinkTakeSerialReply(static_cast<uint8_t*>(reply), capacity - 1);
    return COMM_OK;
}

CommResult CardTransact(const QString& command, void* reply, int& length)
{
    if (!g_bCanK8110Open)
        return COMM_ERR_CAN_NOT_OPEN;
    if (RecordTooSmall(reply, length, true))
        return COMM_ERR_REPLY_TOO_SMALL;
    const int node = g_nCurNode;
    CanFrame request;
    CommandId id = -1;
    if (const CommResult encoded = EncodeCanCommand(command, COMM_CAN_K8110, node, &request, &id))
        return encoded;
    CommResult step;
    {
        std::lock_guard again(g_csLink);
        step = LinkSendSerialOrK8110(&request, sizeof request, reply, &length, COMM_CAN_K8110);
    }
    if (length == 0 || step != COMM_OK)
        return step;
    CanFrame got;
    std::memcpy(&got, reply, sizeof got);
    return CheckCanReply(got, node, id);
}

CommResult UsbCanTransact(int type, const QString& command, void* reply, int& length)
{
    if (!g_bCanUsbOpen)
        return COMM_ERR_CAN_NOT_OPEN;
    if (RecordTooSmall(reply, length, true))
        return COMM_ERR_REPLY_TOO_SMALL;
    const int node = g_nCurNode;
    CanFrame request;
    CommandId id = -1;
    if (const CommResult encoded = EncodeCanCommand(command, type, node, &request, &id))
        return encoded;
    // Published before the frame goes out, with the ring emptied: nothing received before
    // the request can answer it.
    LinkExpectCanReply(id);
    const CommResult step = LinkSendControlCan(&request, sizeof request, reply, &length, type);
    if (step != COMM_OK || length == 0)
        return step;
    if (!LinkWaitReply(kUsbReplyWaitMs))
        return COMM_CAN_TIMEOUT;
    // The scanner found the reply; it is taken only if it still answers this very command.
    CanFrame got;
    if (!LinkTakeCanReply(&got) || CanReplyCommand(got) != id + kReplyCommandOffset)
        return COMM_CAN_TIMEOUT;
    std::memcpy(reply, &got, sizeof got);
    return COMM_OK;
}

bool CardFramesWaiting(int card)
{
    K8110RegRecord reg { K8110_REG_RX_COUNT, 0 };
    return CAN_ReadReg(card, &reg) && reg.value != 0;
}

CommResult CardExchange(const CanFrame& request, void* reply, int* length)
{
    if (request.dataLength > 8)
        return COMM_CAN_SEND_TOO_LONG;
    uint8_t out[kCardFrameBuffer] = {};
    EncodeK8110Frame(request, out);
    const int card = g_nK8110Index;
    const bool wanted = length && *length != 0;
    if (wanted) {
        // Whatever the card holds now was received before the request: not its answer.
        const auto start = Clock::now();
        while (CardFramesWaiting(card)) {
            uint8_t stale[kCardFrameBuffer];
            if (!CAN_Recv(card, stale, kCardFrameBuffer))
                return COMM_CAN_RECEIVE_FAILED;
            if (ElapsedMs(start) > kClearWaitMs)
                return COMM_CAN_RX_UNAVAILABLE;
        }
    }
    if (!CAN_Trans(card, out, kCardFrameBuffer))
        return COMM_CAN_SEND_FAILED;
    if (!wanted)
        return COMM_OK;
    const auto sent = Clock::now();
    while (!CardFramesWaiting(card)) {
        if (ElapsedMs(sent) > kCardReplyWaitMs) {
            *length = 0;
            return COMM_CAN_TIMEOUT;
        }
        // One poll interval, cut short by a frame that arrives.
        CAN_WaitRecv(card, kCardPollMs);
    }
    uint8_t in[kCardFrameBuffer] = {};
    if (!CAN_Recv(card, in, kCardFrameBuffer))
        return COMM_CAN_RECEIVE_FAILED;
    CanFrame got;
    int gotLength = 0;
    if (const CommResult decoded = DecodeK8110Frame(in, &got, &gotLength))
        return decoded;
    std::memcpy(reply, &got, sizeof got);
    *length = gotLength;
    return COMM_OK;
}
}

std::atomic<int> g_nLinkWaiting { 0 };

CommResult LinkTransactLocked(QString command, void* reply, int* length)
{
    ++g_nLinkWaiting;
    std::unique_lock lock(g_csLink);
    --g_nLinkWaiting;
    return LinkTransact(std::move(command), reply, length);
}

CommResult LinkTransact(QString command, void* reply, int* length)
{
    int len = length ? *length : 0;
    // A reply record never carries anything from an earlier exchange.
    if (reply && len > 0)
        std::memset(reply, 0, static_cast<size_t>(len));
    const int type = g_nComType;
    CommResult result;
    if (type == COMM_RS232)
        result = SerialTransact(command, reply, len);
    else if (type == COMM_CAN_K8110)
        result = CardTransact(command, reply, len);
    else if (IsUsbCanType(type))
        result = UsbCanTransact(type, command, reply, len);
    else
        result = COMM_ERR_UNKNOWN_CHANNEL;
    if (length)
        *length = len;
    return result;
}

CommResult LinkSendSerialOrK8110(const void* request, int requestLength, void* reply, int* length, int channelType)
{
    if (channelType == COMM_RS232) {
        // Port queue first, then the ring: what the receive thread took meanwhile is in the
        // ring and goes with it, so only bytes that arrive from now on can make a reply.
        const bool purged = SerialPurgeRx() != 0;
        LinkClearSerialReply();
        if (!purged)
            return COMM_RS232_RX_UNAVAILABLE;
        const int written = SerialWrite(request, requestLength, true);
        return written == requestLength ? COMM_OK : COMM_RS232_SEND_FAILED;
    }
    if (channelType == COMM_CAN_K8110) {
        if (!request || requestLength < static_cast<int>(sizeof(CanFrame)))
            return COMM_CAN_SEND_TOO_LONG;
        CanFrame frame;
        std::memcpy(&frame, request, sizeof frame);
        return CardExchange(frame, reply, length);
    }
    return COMM_NO_SUCH_CHANNEL;
}

CommResult LinkSendControlCan(const void* request, int requestLength, void*, int* length, int channelType)
{
    if (!request || requestLength < static_cast<int>(sizeof(CanFrame)))
        return COMM_CAN_SEND_TOO_LONG;
    CanFrame frame;
    std::memcpy(&frame, request, sizeof frame);
    if (frame.dataLength > 8)
        return COMM_CAN_SEND_TOO_LONG;
    const VciFrameRecord rec = ToVciFrame(frame);
    const auto devType = static_cast<uint32_t>(g_nVciDevType.load());
    const auto device = static_cast<uint32_t>(g_nVciDevIndex.load());
    const auto can = static_cast<uint32_t>(g_nVciCanIndex.load());
    if (length && *length != 0) {
        const auto start = Clock::now();
        if (channelType == COMM_CAN_USB2 || channelType == COMM_CAN_USB1) {
            while (VCI_GetReceiveNum(devType, device, can) > 0) {
                if (VCI_ClearBuffer(devType, device, can))
                    break;
                if (ElapsedMs(start) > kClearWaitMs)
                    return COMM_CAN_RX_UNAVAILABLE;
            }
        } else if (!VCI_ClearBuffer(devType, device, can) && ElapsedMs(start) > kClearWaitMs) {
            return COMM_CAN_RX_UNAVAILABLE;
        }
    }
    if (VCI_Transmit(devType, device, can, &rec, 1) == 0) {
        VciErrorRecord error {};
        VCI_ReadErrInfo(devType, device, can, &error);
        return COMM_CAN_SEND_FAILED;
    }
    return COMM_OK;
}
