#include "link/LinkAnswer.h"

#include "link/CanCardLibrary.h"
#include "link/CanFrameCodec.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/OwedAnswers.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kCardFrameBytes = 20;

int MsLeft(Clock::time_point end)
{
    return static_cast<int>(std::max<int64_t>(0, std::chrono::duration_cast<milliseconds>(end - Clock::now()).count()));
}

CommResult SerialAnswer(void* reply, int* length, int waitMs)
{
    // The send owes this command's answer after any owed before it; those land first and are
    // dropped, so a late answer to an earlier command never counts as this one's.
    const auto end = Clock::now() + milliseconds(waitMs);
    if (*length < 2 || !SettleSerialAnswers(waitMs, 1) || !LinkWaitReply(static_cast<uint32_t>(MsLeft(end))))
        return COMM_RS232_TIMEOUT;
    *length = LinkTakeSerialReply(static_cast<uint8_t*>(reply), *length - 1);
    if (*length <= 0)
        return COMM_RS232_TIMEOUT;
    SerialAnswerTaken();
    return COMM_OK;
}

CommResult UsbCanAnswer(CommandId id, void* reply, int* length, int waitMs)
{
    // The send published the id the scanner looks for.
    CanFrame got;
    if (*length < static_cast<int>(sizeof got) || !LinkWaitReply(static_cast<uint32_t>(waitMs))
        || !LinkTakeCanReply(&got) || CanReplyCommand(got) != id + kReplyCommandOffset)
        return COMM_CAN_TIMEOUT;
    std::memcpy(reply, &got, sizeof got);
    *length = sizeof got;
    return COMM_OK;
}

// The card keeps what it receives; frames that answer something else are passed over.
CommResult CardAnswer(CommandId id, int node, void* reply, int* length, int waitMs)
{
    const int card = g_nK8110Index;
    const auto end = Clock::now() + milliseconds(waitMs);
    if (*length < static_cast<int>(sizeof(CanFrame)))
        return COMM_CAN_TIMEOUT;
    for (;;) {
        if (!CardFramesWaiting(card)) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(end - Clock::now()).count();
            if (left <= 0)
                return COMM_CAN_TIMEOUT;
            CAN_WaitRecvUs(card, left);
            continue;
        }
        uint8_t in[kCardFrameBytes] = {};
        if (!CAN_Recv(card, in, kCardFrameBytes))
            return COMM_CAN_RECEIVE_FAILED;
        CanFrame got;
        int gotLength = 0;
        if (DecodeK8110Frame(in, &got, &gotLength) == COMM_OK && CheckCanReply(got, node, id) == COMM_OK) {
            std::memcpy(reply, &got, sizeof got);
            *length = gotLength;
            return COMM_OK;
        }
    }
}

} // namespace

HeardAnswer LinkSendAndHearAnswer(QString command, void* reply, int* length, int answerMs)
{
    const int capacity = *length;
    *length = 0;
    if (reply && capacity > 0)
        std::memset(reply, 0, static_cast<size_t>(capacity));
    ++g_nLinkWaiting;
    std::unique_lock lock(g_csLink);
    --g_nLinkWaiting;
    const int type = g_nComType;
    const int node = g_nCurNode;
    CommandId id = -1;
    QString mnemonic = command; // parsing upper-cases its text; the line gets the command as given
    ParseCommandId(mnemonic, id, false);
    HeardAnswer heard;
    int noReply = 0;
    heard.sent = LinkTransact(std::move(command), nullptr, &noReply);
    const auto sentAt = Clock::now();
    heard.answer = IsCanType(type) ? COMM_CAN_TIMEOUT : COMM_RS232_TIMEOUT;
    if (heard.sent != COMM_OK || !reply)
        return heard;
    int got = capacity;
    if (type == COMM_RS232)
        heard.answer = SerialAnswer(reply, &got, answerMs);
    else if (type == COMM_CAN_K8110)
        heard.answer = CardAnswer(id, node, reply, &got, answerMs);
    else if (IsUsbCanType(type))
        heard.answer = UsbCanAnswer(id, reply, &got, answerMs);
    if (heard.answer == COMM_OK)
        *length = got;
    heard.waitedMs = static_cast<int>(std::chrono::duration_cast<milliseconds>(Clock::now() - sentAt).count());
    return heard;
}
