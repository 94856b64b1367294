#include "pages/params/ReadAllParams.h"

#include "link/CanFrame.h"
#include "link/DriveExchange.h"
#include "link/LogRing.h"
#include "pages/params/BasicParamFields.h"

#include <algorithm>
#include <cstring>

namespace {

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

// The reply text of a query's answer, read by the channel the read began on: the answer
// holds the transaction's record either way, as text on a serial link, as a frame on CAN.
std::optional<QByteArray> AnswerText(const QString& mnemonic, const DriveAnswer& answer, bool serial)
{
    QByteArray record = answer.Serial() ? answer.text
                                        : QByteArray(reinterpret_cast<const char*>(&answer.frame), sizeof answer.frame);
    if (!serial)
        record.resize(std::max<qsizetype>(record.size(), sizeof(CanFrame)), '\0');
    return QueryReplyText(mnemonic, record.constData(), static_cast<int>(record.size()), serial);
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
    // The drive answers the home-on-power-on flag in its first value byte, however long the frame.
    if (mnemonic == u"GPOF")
        return QByteArray(frame.data[kCanValueByte] ? "1" : "0");
    const std::optional<int32_t> value = CanSignedValue(frame);
    if (!value)
        return std::nullopt;
    // The mode, and a 16-bit value but the home offset's, read unsigned.
    if (mnemonic == u"GMOD" || (frame.dataLength == 6 && mnemonic != u"GORG"))
        return QByteArray::number(CanPollValue(frame));
    return QByteArray::number(*value);
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
        const DriveAnswer answer = LoggedExchange(transact, query.mnemonic + u'\r', kParamReplyBytes,
            { LogOrder::ExchangeFirst, true });
        ++outcome.asked;
        const int result = answer.result;
        const std::optional<QByteArray> text = answer.Ok() ? AnswerText(query.mnemonic, answer, serial) : std::nullopt;
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
