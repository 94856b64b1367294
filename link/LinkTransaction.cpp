#include "link/LinkTransaction.h"

#include "link/CanCardLibrary.h"
#include "link/CanFrameCodec.h"
#include "link/LinkInternal.h"
#include "link/LinkLayer.h"
#include "link/OwedAnswers.h"
#include "link/SerialPort.h"
#include "link/UsbCanLibrary.h"
#include "platform/AnsiCodePage.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {
using link_detail::Clock;
using link_detail::ElapsedMs;
using link_detail::MsUntil;
using std::chrono::milliseconds;

constexpr int kSerialReplyWaitMs = 500;
constexpr int kUsbReplyWaitMs = 80;
constexpr int kCardReplyWaitMs = 50;
constexpr int kClearWaitMs = 100;
constexpr int kCardFrameBuffer = 20;

// Microseconds until `until`, 0 once it has passed.
int64_t UsUntil(Clock::time_point until)
{
    return std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::microseconds>(until - Clock::now()).count());
}

// Whether a reply frame answers this node's command.
bool AnswersRequest(const CanFrame& reply, int node, CommandId id)
{
    return CanReplyCommand(reply) == id + kReplyCommandOffset && reply.data[0] == static_cast<uint8_t>(node);
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

CommResult SerialTransact(const QString& command, void* reply, int& length)
{
    if (!g_bRs232Open)
        return COMM_ERR_RS232_NOT_OPEN;
    if (RecordTooSmall(reply, length, false))
        return COMM_ERR_REPLY_TOO_SMALL;
    const QByteArray bytes = WideToAnsi(command);
    const int size = static_cast<int>(bytes.size());
    if (length == 0) {
        // Nobody waits for this answer: the command goes out at once and its answer is owed
        // as well. The line is cleared only while nothing is owed, so the count stays right.
        const CommResult step = SerialAnswersOwed() == 0
            ? LinkSendSerialOrK8110(bytes.constData(), size, reply, &length, COMM_RS232)
            : (SerialWrite(bytes.constData(), size, true) == size ? COMM_OK : COMM_RS232_SEND_FAILED);
        if (step == COMM_OK)
            OweSerialAnswer(Clock::now());
        return step;
    }
    const int capacity = length;
    length = 0;
    if (!SettleSerialAnswers(kSerialReplyWaitMs))
        return COMM_RS232_TIMEOUT; // the reply wait went by in waiting for the owed answers
    const CommResult step = LinkSendSerialOrK8110(bytes.constData(), size, reply, &length, COMM_RS232);
    const auto written = Clock::now();
    if (step != COMM_OK) {
        // Nothing that comes now answers a command that was not (fully) written. Keep the
        // reply wait all the same: pollers count on it as their pace on a broken line.
        std::this_thread::sleep_for(milliseconds(kSerialReplyWaitMs));
        return COMM_RS232_TIMEOUT;
    }
    if (!LinkWaitReply(kSerialReplyWaitMs)) {
        OweSerialAnswer(written);
        return COMM_RS232_TIMEOUT;
    }
    // One byte of the record stays free for the caller's terminating zero.
    length = LinkTakeSerialReply(static_cast<uint8_t*>(reply), capacity - 1);
    return COMM_OK;
}

// What both CAN channels check before an exchange: the channel is open, the record holds
// a frame, and the command encodes for the current node.
struct CanRequest {
    int node = 0;
    CanFrame frame;
    CommandId id = -1;
};

CommResult PrepareCanRequest(bool open, int type, const QString& command, const void* reply, int length,
    CanRequest& out)
{
    if (!open)
        return COMM_ERR_CAN_NOT_OPEN;
    if (RecordTooSmall(reply, length, true))
        return COMM_ERR_REPLY_TOO_SMALL;
    out.node = g_nCurNode;
    return EncodeCanCommand(command, type, out.node, &out.frame, &out.id);
}

CommResult CardTransact(const QString& command, void* reply, int& length)
{
    CanRequest prepared;
    if (const CommResult refused = PrepareCanRequest(g_bCanK8110Open, COMM_CAN_K8110, command, reply, length, prepared))
        return refused;
    const auto& [node, request, id] = prepared;
    const bool wanted = length != 0;
    CanFrame late;
    int lateLength = 0;
    if (wanted && CanAnswerOwed(node, id)
        && link_detail::AwaitCardAnswer(node, id, int64_t { kCardReplyWaitMs } * 1000, &late, &lateLength) != COMM_OK) {
        length = 0;
        return COMM_CAN_TIMEOUT;
    }
    CommResult step;
    {
        std::lock_guard again(g_csLink);
        step = LinkSendSerialOrK8110(&request, sizeof request, reply, &length, COMM_CAN_K8110);
    }
    if (!wanted || (step != COMM_OK && step != COMM_CAN_TIMEOUT))
        return step;
    CanFrame got;
    std::memcpy(&got, reply, sizeof got);
    const CommResult result = step == COMM_OK ? CheckCanReply(got, node, id) : step;
    if (result == COMM_OK)
        CanAnswered(node);
    else // its answer did not come (or not yet): another frame came first, or none
        OweCanAnswer(node, id);
    return result;
}

CommResult UsbCanTransact(int type, const QString& command, void* reply, int& length)
{
    CanRequest prepared;
    if (const CommResult refused = PrepareCanRequest(g_bCanUsbOpen, type, command, reply, length, prepared))
        return refused;
    const auto& [node, request, id] = prepared;
    const bool wanted = length != 0;
    if (wanted && CanAnswerOwed(node, id)) {
        // Looked for among what came since its request, before the ring is emptied.
        LinkLookForCanReply(id);
        CanFrame late;
        if (!link_detail::AwaitUsbReply(node, id, kUsbReplyWaitMs, late))
            return COMM_CAN_TIMEOUT;
    }
    // Published before the frame goes out, with the ring emptied: nothing received before
    // the request can answer it.
    LinkExpectCanReply(id);
    const CommResult step = LinkSendControlCan(&request, sizeof request, reply, &length, type);
    if (step != COMM_OK || !wanted)
        return step;
    CanFrame got;
    if (!link_detail::AwaitUsbReply(node, id, kUsbReplyWaitMs, got)) {
        OweCanAnswer(node, id);
        return COMM_CAN_TIMEOUT;
    }
    CanAnswered(node);
    std::memcpy(reply, &got, sizeof got);
    return COMM_OK;
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
    // One wait of the whole reply time on the steady clock, ended by the frame's arrival.
    if (!CardFramesWaiting(card) && !CAN_WaitRecvUs(card, int64_t { kCardReplyWaitMs } * 1000)) {
        *length = 0;
        return COMM_CAN_TIMEOUT;
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

CommResult link_detail::AwaitCardAnswer(int node, CommandId id, int64_t waitUs, CanFrame* got, int* gotLength)
{
    const int card = g_nK8110Index;
    const auto until = Clock::now() + std::chrono::microseconds(waitUs);
    for (;;) {
        while (CardFramesWaiting(card)) {
            uint8_t in[kCardFrameBuffer] = {};
            if (!CAN_Recv(card, in, kCardFrameBuffer))
                return COMM_CAN_RECEIVE_FAILED;
            if (DecodeK8110Frame(in, got, gotLength) == COMM_OK && AnswersRequest(*got, node, id))
                return COMM_OK;
        }
        const int64_t leftUs = UsUntil(until);
        if (leftUs == 0)
            return COMM_CAN_TIMEOUT;
        CAN_WaitRecvUs(card, leftUs);
    }
}

bool link_detail::AwaitUsbReply(int node, CommandId id, int waitMs, CanFrame& got)
{
    const auto until = Clock::now() + milliseconds(waitMs);
    while (LinkWaitReply(MsUntil(until))) {
        if (LinkTakeCanReply(&got) && AnswersRequest(got, node, id))
            return true;
        LinkLookForCanReply(id);
    }
    return false;
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
