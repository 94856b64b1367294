#include "pages/ReadAllParams.h"

#include "link/CanFrame.h"
#include "link/DriveExchange.h"
#include "link/LogRing.h"
#include "pages/BasicParamFields.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kShortValueLength = 6;
constexpr uint32_t kLongValueLength = 8;
constexpr int kValueByte = 4;
// The failed queries a message names; the log has them all.
constexpr size_t kFailuresTold = 3;
const QString kNoValue = QStringLiteral("no value in the reply");

ParamQuery Query(const QString& mnemonic)
{
    QString text = mnemonic;
    CommandId id = -1;
    ParseCommandId(text, id, false);
    return { mnemonic, id };
}

} // namespace

std::vector<ParamQuery> ReadAllQueries(int firmwareVersion)
{
    InitCommandTables();
    std::vector<ParamQuery> queries;
    for (const ParamRef& ref : ReadOrder()) {
        queries.push_back(Query(QueryOf(ref)));
        if (queries.back().mnemonic == u"GER" && firmwareVersion >= kFirstFirmwareWithSecondTrackingError)
            queries.push_back(queries.back());
    }
    return queries;
}

std::optional<QByteArray> QueryReplyText(const QString& mnemonic, const void* reply, int length, bool serial)
{
    if (serial)
        return QByteArray(static_cast<const char*>(reply), std::clamp(length, 0, kParamReplyTextMax));
    CanFrame frame;
    std::memcpy(&frame, reply, sizeof frame);
    const uint8_t* value = frame.data + kValueByte;
    // The drive answers the home-on-power-on flag in its first value byte, however long the frame.
    if (mnemonic == u"GPOF")
        return QByteArray(value[0] ? "1" : "0");
    uint32_t word = 0;
    if (frame.dataLength == kShortValueLength)
        word = value[0] | value[1] << 8;
    else if (frame.dataLength == kLongValueLength)
        word = value[0] | value[1] << 8 | value[2] << 16 | static_cast<uint32_t>(value[3]) << 24;
    else
        return std::nullopt;
    if (mnemonic == u"GMOD")
        return QByteArray::number(word);
    if (frame.dataLength == kShortValueLength)
        return QByteArray::number(mnemonic == u"GORG" ? static_cast<int16_t>(word) : static_cast<int>(word));
    return QByteArray::number(static_cast<int32_t>(word));
}

ReadAllOutcome RunReadAll(const std::vector<ParamQuery>& queries, bool serial,
    const DriveCommands::Transaction& transact, const std::function<bool()>& stopped,
    const std::function<void(CommandId id, const QByteArray& text)>& deliver)
{
    ReadAllOutcome outcome;
    int timeoutsInARow = 0;
    for (const ParamQuery& query : queries) {
        if (stopped()) {
            outcome.stopped = true;
            break;
        }
        alignas(CanFrame) char reply[kParamReplyBytes] = {};
        int length = kParamReplyBytes;
        const int result = transact(query.mnemonic + u'\r', reply, &length);
        ++outcome.asked;
        PostLogString(query.mnemonic, kLogCommandLine, true);
        LogCommResult(result, true);
        const std::optional<QByteArray> text = result == 0 ? QueryReplyText(query.mnemonic, reply, length, serial)
                                                           : std::nullopt;
        timeoutsInARow = result == COMM_RS232_TIMEOUT || result == COMM_CAN_TIMEOUT ? timeoutsInARow + 1 : 0;
        if (!text) {
            QString reason = CommResultText(result);
            if (result == 0) {
                reason = kNoValue;
                PostLogString(reason, kLogReplyLine, true);
            }
            outcome.failed.push_back({ query, reason });
            if (timeoutsInARow == kReadGiveUpTimeouts) {
                outcome.gaveUp = &query != &queries.back();
                break;
            }
            continue;
        }
        PostLogText(text->constData(), kLogReplyLine, true);
        if (serial && text->contains("ERR"))
            outcome.failed.push_back({ query, DecodeLogText(ReplyTextWithoutLineEnd(*text)) });
        deliver(query.id, *text);
    }
    return outcome;
}

QString ReadAllFailureMessage(const ReadAllOutcome& outcome, int queries)
{
    const int notRead = static_cast<int>(outcome.failed.size()) + queries - outcome.asked;
    if (notRead == 0)
        return {};
    QString message;
    if (outcome.gaveUp)
        message = QStringLiteral("The read stopped after %1 queries in a row had no answer. ").arg(kReadGiveUpTimeouts);
    else if (outcome.stopped)
        message = QStringLiteral("The read was stopped. ");
    message += QStringLiteral("%1 of %2 settings were not read from the drive; their fields are marked.")
                   .arg(notRead)
                   .arg(queries);
    QStringList first;
    for (size_t i = 0; i < outcome.failed.size() && i < kFailuresTold; ++i)
        first << QStringLiteral("%1 (%2)").arg(outcome.failed[i].query.mnemonic, outcome.failed[i].reason);
    if (!first.isEmpty())
        message += QStringLiteral(" The first: ") + first.join(QStringLiteral(", ")) + u'.';
    return message;
}
