#include "shell/DriveCommands.h"

#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "shell/DriveReplyDecoder.h"
#include "shell/Globals.h"

#include <QObject>
#include <QThread>

#include <algorithm>
#include <climits>

namespace {

// Every exchange here asks for at most this much reply (the free-text line).
constexpr int kMaxReplyBytes = 100;
constexpr int kReplyBytes = 64;

const QString kCaption = QStringLiteral("Velquarin");

struct OneWordCommand {
    int buttonId;
    const char* mnemonic;
    int replyBytes;
};

const OneWordCommand kOneWordCommands[] = {
    { IDC_GM, "GM", kReplyBytes },
    { IDC_GV, "GV", kReplyBytes },
    { IDC_GC, "GC", kReplyBytes },
    { IDC_GSE, "GSE", kReplyBytes },
    { IDC_PO, "PO", 0 },
    { IDC_DISABLE, "DIS", 0 },
    { IDC_ENABLE, "ENA", 0 },
};

// Commands the drive carries out without answering (ENA, DIS, ESA, FCFG, SBS, CBS).
bool IsNoReplyCommand(CommandId id)
{
    return id >= 128 && id <= 133;
}

void LogReplyText(const QByteArray& text)
{
    PostLogText(text.constData(), kLogReplyLine, true);
}

void LogReplyString(const QString& text)
{
    PostLogString(text, kLogReplyLine, true);
}

QString SignedText(const CanFrame& frame)
{
    const auto value = CanSignedValue(frame);
    return value ? QString::number(*value) : QString();
}

bool IsErr2(const QByteArray& text)
{
    return text.contains("ERR2");
}

// A failed exchange the user started says why in the log: the command on its own row (the
// connect sequence logs none of its own), then the result's text beside it.
constexpr ExchangeLog kUserLog { LogOrder::FailureOnly, true };
// The refresh logs a query up front, a button or the free-text line after the exchange.
constexpr ExchangeLog kQueryLog { LogOrder::CommandFirst, true };
constexpr ExchangeLog kSentLog { LogOrder::ExchangeFirst, true };

using CanValue = DriveQueryStep::CanValue;

const DriveQueryStep kTypeNameStep { "GDTN", CMD_GDTN, "GDTY1", CMD_GDTY, true, CanValue::Word };
const DriveQueryStep kVersionStep { "GVEN", CMD_GVEN, "GVER", CMD_GVER, false, CanValue::Word };
// What the refresh and the status poll ask, in order.
const DriveQueryStep kStatusSteps[] = {
    { "GMOD", CMD_GMOD, nullptr, 0, false, CanValue::Word },
    { "GSIN", CMD_GSIN, "GSI", CMD_GSI, false, CanValue::Word },
    { "GEIN", CMD_GEIN, "GEI", CMD_GEI, false, CanValue::Word },
    { "GT", CMD_GT, nullptr, 0, false, CanValue::Temperature },
};

QString CommandText(const char* mnemonic)
{
    return QString::fromLatin1(mnemonic) + u'\r';
}

// What a step's answer asks for: nothing, its value, its text, or the older query.
struct Verdict {
    enum Next { Drop, Value, Text, Older } next;
    uint32_t value = 0;
};

Verdict Judge(const DriveQueryStep& step, bool serial, const QByteArray& text, const CanFrame& frame)
{
    if (serial) {
        if (step.olderQuery && IsErr2(text))
            return { Verdict::Older };
        if (step.serialText)
            return { Verdict::Text };
        return { Verdict::Value, static_cast<uint32_t>(TextToInt(text)) };
    }
    const uint32_t value = step.canValue == CanValue::Temperature ? static_cast<uint32_t>(CanTemperature(frame))
                                                                  : CanPollValue(frame);
    if (!step.olderQuery)
        return { Verdict::Value, value };
    if (value == 2)
        return { Verdict::Older };
    return value > 2 ? Verdict { Verdict::Value, value } : Verdict { Verdict::Drop };
}

} // namespace

DriveCommands::DriveCommands(Transaction transact)
    : m_transact(std::move(transact))
{
    // The free-text line looks mnemonics up; filling the tables twice is harmless.
    InitCommandTables();
}

void DriveCommands::SetTransaction(Transaction transact)
{
    std::lock_guard lock(m_transactMutex);
    m_transact = std::move(transact);
}

void DriveCommands::SetStripReceiver(QObject* strip)
{
    m_strip = strip;
}

void DriveCommands::SetPageReceivers(QObject* basicParamPage, QObject* pidParamPage, QObject* monitorPage)
{
    m_basicParamPage = basicParamPage;
    m_pidParamPage = pidParamPage;
    m_monitorPage = monitorPage;
}

void DriveCommands::SetNodeTextSink(std::function<void(const QString&)> sink)
{
    m_nodeTextSink = std::move(sink);
}

void DriveCommands::SetMessageBoxOwner(QWidget* owner)
{
    m_messageBoxOwner = owner;
}

DriveAnswer DriveCommands::Exchange(const QString& command, int capacity, std::optional<ExchangeLog> log) const
{
    Transaction transact;
    {
        // The poll thread may be in here while the UI thread swaps the transaction.
        std::lock_guard lock(m_transactMutex);
        transact = m_transact;
    }
    capacity = std::clamp(capacity, 0, kMaxReplyBytes);
    DriveAnswer answer = log ? LoggedExchange(transact, command, capacity, *log) : DriveExchange(transact, command, capacity);
    // The strip and the log take a serial reply up to its length or an earlier NUL.
    if (const qsizetype nul = answer.text.indexOf('\0'); nul >= 0)
        answer.text.truncate(nul);
    return answer;
}

DriveAnswer DriveCommands::UserExchange(const QString& command, int capacity) const
{
    return Exchange(command, capacity, kUserLog);
}

DriveAnswer DriveCommands::PollExchange(const QString& command, PauseGate& gate, std::mutex& csPoll,
    bool* stopped) const
{
    // The gate is passed without the poll lock held, so a paused poll thread waits holding
    // nothing; the lock then covers exactly one transaction.
    if (*stopped || !gate.Enter()) {
        *stopped = true;
        return {};
    }
    // The drive was let go meanwhile (another channel, a lost line): nothing more to ask.
    if (!g_bDriveConnected.load()) {
        gate.Leave();
        *stopped = true;
        return {};
    }
    DriveAnswer answer;
    {
        std::lock_guard lock(csPoll);
        answer = Exchange(command, kReplyBytes);
    }
    gate.Leave();
    return answer;
}

bool DriveCommands::CheckConnected() const
{
    if (g_bDriveConnected.load())
        return true;
    ShowMessageBox(m_messageBoxOwner, QStringLiteral("Please connect Drive"), kCaption, MB_ICONERROR);
    return false;
}

void DriveCommands::PostValue(int id, uint32_t value) const
{
    PostMessage(m_strip.load(), WM_DRIVE_REPLY, value, MAKELPARAM(static_cast<uint16_t>(id), DriveReply::NUMERIC));
}

void DriveCommands::DeliverText(int id, const QByteArray* text) const
{
    QObject* strip = m_strip.load();
    if (!strip)
        return;
    const WPARAM hasText = text ? 1 : 0;
    QByteArray copy = text ? ReplyTextWithoutLineEnd(*text) : QByteArray();
    const LPARAM lParam = MAKELPARAM(static_cast<uint16_t>(id), 0);
    if (strip->thread() == QThread::currentThread())
        SendMessage(strip, WM_DRIVE_REPLY, hasText, lParam, std::move(copy));
    else
        PostMessage(strip, WM_DRIVE_REPLY, hasText, lParam, std::move(copy));
}

void DriveCommands::RequestTypeNamePart(int part)
{
    if (m_nodeTextSink)
        m_nodeTextSink(QString::number(g_nCurNode.load()));
    m_nTypeNamePart = part;
    const DriveAnswer answer = UserExchange(QStringLiteral("%1%2\r").arg(QLatin1String(kTypeNameStep.query)).arg(part), kReplyBytes);
    if (!answer.Ok()) {
        g_bDriveConnected = 0;
        DeliverText(CMD_GDTY, nullptr);
        return;
    }
    DeliverStep(kTypeNameStep, answer, [this](const QString& older) { return UserExchange(older, kReplyBytes); });
}

void DriveCommands::OnConnectDrive()
{
    if (m_nodeTextSink)
        m_nodeTextSink(QString::number(g_nCurNode.load()));
    RequestTypeNamePart(1);

    const DriveAnswer version = UserExchange(CommandText(kVersionStep.query), kReplyBytes);
    g_bDriveConnected = version.Ok() ? 1 : 0;
    if (version.Ok())
        DeliverStep(kVersionStep, version, [this](const QString& older) { return UserExchange(older, kReplyBytes); });

    const DriveAnswer status = UserExchange(QStringLiteral("GSI\r"), kReplyBytes);
    if (!status.Ok())
        return;
    g_bDriveStatusBit8 = status.Serial() ? 1 : static_cast<int>((CanPollValue(status.frame) >> 8) & 1);
    for (QObject* page : { m_basicParamPage, m_pidParamPage, m_monitorPage }) {
        if (page)
            PostMessage(page, WM_PAGE_INIT, 0, 0);
    }
    if (m_basicParamPage)
        PostMessage(m_basicParamPage, WM_PAGE_ACTIVATED, 0, 0);
}

void DriveCommands::OnRefreshStatus()
{
    if (!CheckConnected())
        return;
    bool heard = false;
    for (const DriveQueryStep& step : kStatusSteps)
        heard = RefreshStep(step) || heard;
    PostMessage(m_strip.load(), WM_STRIP_FRESHNESS, heard ? STRIP_FRESH : STRIP_STALE, 0);
}

bool DriveCommands::RefreshStep(const DriveQueryStep& step)
{
    if (!step.olderQuery) {
        // A plain query logs itself up front and its reply as a signed number.
        const DriveAnswer answer = Exchange(CommandText(step.query), kReplyBytes, kQueryLog);
        if (!answer.Ok())
            return false;
        if (answer.Serial())
            LogReplyText(answer.text);
        else
            LogReplyString(SignedText(answer.frame));
        DeliverStep(step, answer, nullptr);
        return true;
    }
    // A status word logs only the query whose answer the strip takes, its reply in hex.
    const DriveAnswer answer = UserExchange(CommandText(step.query), kReplyBytes);
    if (!answer.Ok())
        return false;
    auto logReply = [](const DriveAnswer& reply) {
        if (reply.Serial())
            LogReplyText(reply.text);
        else
            LogReplyString(CanHexText(reply.frame));
    };
    const Verdict verdict = Judge(step, answer.Serial(), answer.text, answer.frame);
    if (verdict.next == Verdict::Older) {
        const DriveAnswer old = Exchange(CommandText(step.olderQuery), kReplyBytes, kQueryLog);
        if (old.Ok()) {
            logReply(old);
            DeliverOlder(step, old);
        }
    } else if (verdict.next != Verdict::Drop) {
        PostLogText(step.query, kLogCommandLine, true);
        logReply(answer);
        DeliverStep(step, answer, nullptr);
    }
    return true;
}

void DriveCommands::DeliverStep(const DriveQueryStep& step, const DriveAnswer& answer,
    const std::function<DriveAnswer(const QString&)>& askOlder) const
{
    const Verdict verdict = Judge(step, answer.Serial(), answer.text, answer.frame);
    switch (verdict.next) {
    case Verdict::Value:
        PostValue(step.id, verdict.value);
        break;
    case Verdict::Text:
        DeliverText(step.id, &answer.text);
        break;
    case Verdict::Older:
        if (askOlder) {
            const DriveAnswer old = askOlder(CommandText(step.olderQuery));
            if (old.Ok())
                DeliverOlder(step, old);
        }
        break;
    case Verdict::Drop:
        break;
    }
}

void DriveCommands::DeliverOlder(const DriveQueryStep& step, const DriveAnswer& old) const
{
    if (old.Serial())
        DeliverText(step.olderId, &old.text);
    else
        PostValue(step.olderId, CanPollValue(old.frame));
}

void DriveCommands::OnOneWordCommand(int buttonId)
{
    const auto command = std::find_if(std::begin(kOneWordCommands), std::end(kOneWordCommands),
        [buttonId](const OneWordCommand& c) { return c.buttonId == buttonId; });
    if (command == std::end(kOneWordCommands))
        return;
    if (!CheckConnected()) {
        // The strip's controlled box follows every Enable and Disable, refused ones too.
        if (buttonId == IDC_ENABLE || buttonId == IDC_DISABLE)
            PostMessage(m_strip.load(), WM_DRIVE_REPLY, static_cast<WPARAM>(m_nNodeId), CMD_ENA);
        return;
    }
    const DriveAnswer answer = Exchange(CommandText(command->mnemonic), command->replyBytes, kSentLog);
    if (!answer.Ok() || command->replyBytes == 0)
        return;
    if (answer.Serial())
        LogReplyText(answer.text);
    else
        LogReplyString(SignedText(answer.frame));
}

std::optional<QString> DriveCommands::OnSendText(const QString& comboText, QStringList& history)
{
    if (!CheckConnected())
        return std::nullopt;
    const QString command = NormalizeFreeText(comboText);
    if (command.isEmpty()) {
        ShowMessageBox(m_messageBoxOwner, QStringLiteral("Please input content！"), kCaption, MB_ICONERROR);
        return std::nullopt;
    }
    QString mnemonic = command;
    CommandId id = -1;
    ParseCommandId(mnemonic, id, false);
    const int capacity = IsNoReplyCommand(id) ? 0 : kMaxReplyBytes;

    const DriveAnswer answer = Exchange(command + u'\r', capacity, kSentLog);
    // A command sent without waiting has no reply to show.
    if (answer.Ok() && capacity > 0) {
        if (answer.Serial()) {
            LogReplyText(answer.text);
        } else if (id == 1) {
            // The drive's identity number reads unsigned.
            const int32_t length = static_cast<int32_t>(answer.frame.dataLength);
            const uint32_t word = CanWord(answer.frame);
            LogReplyString(length == 6 ? QString::number(word & 0xFFFF)
                    : length == 8      ? QString::number(word)
                                       : QString());
        } else {
            LogReplyString(SignedText(answer.frame));
        }
    }
    UpdateCommandHistory(history, command);
    return command;
}

void DriveCommands::OnChannelLost()
{
    g_bDriveConnected = 0;
    PostMessage(m_strip.load(), WM_STRIP_FRESHNESS, STRIP_STALE, 0);
    DeliverText(CMD_GDTY, nullptr);
}

void DriveCommands::OnChannelChanged()
{
    g_bDriveConnected = 0;
    PostMessage(m_strip.load(), WM_STRIP_FRESHNESS, STRIP_FORGET, 0);
}

void DriveCommands::PollCycle(PauseGate& gate, std::mutex& csPoll)
{
    bool stopped = false;
    bool heard = false;
    // The poll's replies reach the log ring, but the view is never told.
    auto ask = [&](const QString& command) {
        DriveAnswer answer = PollExchange(command, gate, csPoll, &stopped);
        heard = heard || answer.Ok();
        if (answer.Ok() && answer.Serial())
            PostLogText(answer.text.constData(), kLogReplyLine, false);
        return answer;
    };
    for (const DriveQueryStep& step : kStatusSteps) {
        const DriveAnswer answer = ask(CommandText(step.query));
        if (answer.Ok())
            DeliverStep(step, answer, ask);
    }
    // Said inside the gate, while the drive still counts as connected: a channel change
    // pauses the poll first, so this never reaches the strip after it forgot the drive.
    if (stopped || !gate.Enter())
        return;
    if (g_bDriveConnected.load())
        PostMessage(m_strip.load(), WM_STRIP_FRESHNESS, heard ? STRIP_FRESH : STRIP_STALE, 0);
    gate.Leave();
}

QString NormalizeFreeText(const QString& comboText)
{
    QString command;
    for (QChar c : QStringView(comboText).left(kFreeTextMaxChars)) {
        if (c.isSpace())
            continue;
        command += (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 'a' + 'A') : c;
    }
    return command;
}

int FindStringPrefix(const QStringList& items, int startAfter, const QString& text)
{
    const int count = static_cast<int>(items.size());
    for (int step = 1; step <= count; ++step) {
        const int i = ((startAfter + step) % count + count) % count;
        if (items[i].startsWith(text, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

void UpdateCommandHistory(QStringList& history, const QString& command)
{
    if (const int found = FindStringPrefix(history, 0, command); found >= 0)
        history.removeAt(found);
    history.insert(0, command);
    while (history.size() > kCommandHistorySize)
        history.removeAt(kCommandHistorySize);
}
