#include "pages/MonitorReply.h"

#include "link/LinkLayer.h"
#include "link/LogRing.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kReplyBytes = 64;
}

MonitorAnswer ExchangeForValue(const DriveCommands::Transaction& transact, const QString& command)
{
    MonitorAnswer answer;
    if (!transact)
        return answer;
    const bool serial = g_nComType.load() == COMM_RS232;
    // One byte more than offered, so the serial text always ends in a NUL.
    alignas(CanFrame) uint8_t buffer[kReplyBytes + 1] = {};
    int length = kReplyBytes;
    answer.result = transact(command, buffer, &length);
    if (!answer.Ok())
        return answer;
    if (serial) {
        answer.replyText = ReplyTextWithoutLineEnd(
            QByteArray(reinterpret_cast<const char*>(buffer), std::clamp(length, 0, kReplyBytes)));
        answer.value = ParseReplyNumber(answer.replyText);
    } else {
        CanFrame frame;
        memcpy(&frame, buffer, sizeof frame);
        answer.value = CanSignedValue(frame);
        if (answer.value)
            answer.replyText = QByteArray::number(*answer.value);
    }
    return answer;
}

MonitorAnswer SendLogged(const DriveCommands::Transaction& transact, const QString& command, bool logReason)
{
    PostLogString(QString(command).remove(u'\r'), kLogCommandLine, true);
    const MonitorAnswer answer = ExchangeForValue(transact, command);
    LogCommResult(answer.result, logReason);
    return answer;
}

int SendUnanswered(const DriveCommands::Transaction& transact, const QString& command)
{
    PostLogString(QString(command).remove(u'\r'), kLogCommandLine, true);
    int length = 0;
    const int result = transact ? transact(command, nullptr, &length) : -1;
    LogCommResult(result, false);
    return result;
}
