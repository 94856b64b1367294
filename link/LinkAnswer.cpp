#include "link/LinkAnswer.h"

#include "link/LinkInternal.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/OwedAnswers.h"

#include <chrono>
#include <cstring>
#include <mutex>

namespace {
using link_detail::Clock;

CommResult SerialAnswer(void* reply, int* length, int waitMs)
{
    // The send owes this command's answer after any owed before it; those land first and are
    // dropped, so a late answer to an earlier command never counts as this one's.
    const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
    if (*length < 2 || !SettleSerialAnswers(waitMs, 1) || !LinkWaitReply(link_detail::MsUntil(end)))
        return COMM_RS232_TIMEOUT;
    *length = LinkTakeSerialReply(static_cast<uint8_t*>(reply), *length - 1);
    if (*length <= 0)
        return COMM_RS232_TIMEOUT;
    SerialAnswerTaken();
    return COMM_OK;
}

// A CAN answer names its node and command: frames that answer something else are passed over.
CommResult CanAnswer(int type, CommandId id, int node, void* reply, int* length, int waitMs)
{
    if (*length < static_cast<int>(sizeof(CanFrame)))
        return COMM_CAN_TIMEOUT;
    CanFrame got;
    int gotLength = sizeof got;
    const CommResult result = type == COMM_CAN_K8110
        ? link_detail::AwaitCardAnswer(node, id, int64_t { waitMs } * 1000, &got, &gotLength)
        : (link_detail::AwaitUsbReply(node, id, waitMs, got) ? COMM_OK : COMM_CAN_TIMEOUT);
    if (result == COMM_OK) {
        std::memcpy(reply, &got, sizeof got);
        *length = gotLength;
    }
    return result;
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
    else if (IsCanType(type))
        heard.answer = CanAnswer(type, id, node, reply, &got, answerMs);
    if (heard.answer == COMM_OK)
        *length = got;
    heard.waitedMs = link_detail::ElapsedMs(sentAt);
    return heard;
}
