#include "link/DriveExchange.h"

#include "link/LinkLayer.h"
#include "link/LogRing.h"

#include <algorithm>
#include <climits>
#include <cstring>

QByteArray DriveAnswer::Line() const
{
    if (Serial())
        return ReplyTextWithoutLineEnd(text);
    return value ? QByteArray::number(*value) : QByteArray();
}

DriveAnswer DriveExchange(const LinkTransaction& transact, const QString& command, int replyBytes)
{
    DriveAnswer answer;
    answer.channel = g_nComType.load() == COMM_RS232 ? ChannelKind::Serial : ChannelKind::Can;
    if (!transact)
        return answer;
    alignas(CanFrame) uint8_t buffer[kMaxDriveReplyBytes] = {};
    replyBytes = std::clamp(replyBytes, 0, kMaxDriveReplyBytes);
    int length = replyBytes;
    answer.result = transact(command, buffer, &length);
    answer.length = length;
    if (!answer.Ok() || replyBytes == 0)
        return answer;
    if (answer.Serial()) {
        answer.text = QByteArray(reinterpret_cast<const char*>(buffer), std::clamp(length, 0, replyBytes));
        answer.value = ParseReplyNumber(ReplyTextWithoutLineEnd(answer.text));
    } else {
        memcpy(&answer.frame, buffer, sizeof answer.frame);
        answer.value = CanSignedValue(answer.frame);
    }
    return answer;
}

DriveAnswer LoggedExchange(const LinkTransaction& transact, const QString& command, int replyBytes,
    const ExchangeLog& log)
{
    const auto logCommand = [&] {
        PostLogString(log.keepLineEnd ? command : QString(command).remove(u'\r'), kLogCommandLine, true);
    };
    if (log.order == LogOrder::CommandFirst)
        logCommand();
    const DriveAnswer answer = DriveExchange(transact, command, replyBytes);
    if (log.order == LogOrder::ExchangeFirst || (log.order == LogOrder::FailureOnly && !answer.Ok()))
        logCommand();
    LogCommResult(answer.result, log.reason);
    return answer;
}

QByteArray ReplyTextWithoutLineEnd(const QByteArray& text)
{
    qsizetype end = 0;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n' && text[end] != '\0')
        ++end;
    return text.left(end);
}

std::optional<int32_t> ParseReplyNumber(QByteArrayView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return std::nullopt;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > int64_t(UINT32_MAX))
            return std::nullopt;
    }
    if (negative && magnitude > -int64_t(INT32_MIN))
        return std::nullopt;
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::optional<int32_t> CanSignedValue(const CanFrame& frame)
{
    if (frame.dataLength != 6 && frame.dataLength != 8)
        return std::nullopt;
    const uint32_t value = CanPollValue(frame);
    return frame.dataLength == 6 ? static_cast<int16_t>(value) : static_cast<int32_t>(value);
}

uint32_t CanPollValue(const CanFrame& frame)
{
    if (frame.dataLength == 6)
        return static_cast<uint32_t>(frame.data[kCanValueByte] | frame.data[kCanValueByte + 1] << 8);
    if (frame.dataLength == 8)
        return CanWord(frame);
    return 0;
}

uint32_t CanWord(const CanFrame& frame)
{
    const uint8_t* v = frame.data + kCanValueByte;
    return static_cast<uint32_t>(v[0]) | static_cast<uint32_t>(v[1]) << 8 | static_cast<uint32_t>(v[2]) << 16
        | static_cast<uint32_t>(v[3]) << 24;
}

int32_t CanTemperature(const CanFrame& frame)
{
    if (frame.dataLength != 6 && frame.dataLength != 8)
        return 0;
    return static_cast<int8_t>(frame.data[kCanValueByte]);
}

QString CanHexText(const CanFrame& frame)
{
    if (frame.dataLength == 6)
        return QStringLiteral("%1").arg(CanPollValue(frame), 4, 16, QChar(u'0')).toUpper();
    if (frame.dataLength == 8)
        return QStringLiteral("%1").arg(CanWord(frame), 8, 16, QChar(u'0')).toUpper();
    return {};
}
