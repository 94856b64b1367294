#include "pages/runmonitor/RunMonitorCommands.h"

#include "link/CommandTables.h"

namespace {

QString Command(const char* mnemonic, int value)
{
    return QString::fromLatin1(mnemonic) + QString::number(value) + u'\r';
}

bool IsAsciiUpper(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A mnemonic of one to four capitals, then an optional sign that must be followed by
// digits, then digits only.
bool IsCommandText(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && IsAsciiUpper(text[i]))
        ++i;
    if (i == 0 || i > 4)
        return false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
        if (i == text.size())
            return false;
    }
    for (; i < text.size(); ++i) {
        if (!IsAsciiDigit(text[i]))
            return false;
    }
    return true;
}

}

std::vector<RunStep> RunStartCommands(int runMode, int target)
{
    switch (runMode) {
    case RUN_ABSOLUTE_POSITION:
        return { { Command("SMOD", kModeWordPosition), kModeSettleMs }, { Command("M", target), 0 } };
    case RUN_RELATIVE_POSITION:
        return { { Command("SMOD", kModeWordPosition), kModeSettleMs }, { Command("MR", target), 0 } };
    case RUN_VELOCITY:
        return { { Command("SMOD", kModeWordVelocity), kModeSettleMs }, { Command("V", target), 0 } };
    case RUN_CURRENT:
        // The current command follows its mode at once.
        return { { Command("SMOD", kModeWordCurrent), 0 }, { Command("EC", target), 0 } };
    default:
        return {};
    }
}

bool RunModeHolds(int runMode)
{
    return runMode == RUN_VELOCITY || runMode == RUN_CURRENT;
}

QString RunStopCommand(int runMode)
{
    if (runMode == RUN_VELOCITY)
        return QStringLiteral("V0\r");
    if (runMode == RUN_CURRENT)
        return QStringLiteral("EC0\r");
    return {};
}

QString BrakeToggleCommand(bool brakeSet)
{
    return brakeSet ? QStringLiteral("CBS\r") : QStringLiteral("SBS\r");
}

QString BrakeToggleCaption(bool brakeSet)
{
    return brakeSet ? QStringLiteral("Cancel") : QStringLiteral("Brake");
}

const std::array<QString, GAIN_COUNT>& GainQueries()
{
    static const std::array<QString, GAIN_COUNT> queries = { QStringLiteral("GP\r"), QStringLiteral("GI\r"),
        QStringLiteral("GD\r"), QStringLiteral("GA\r"), QStringLiteral("GMP\r"), QStringLiteral("GMK\r") };
    return queries;
}

QStringList GainWriteCommands(const MonitorGains& gains)
{
    static const char* const kMnemonics[GAIN_COUNT] = { "P", "I", "D", "A", "MP", "MK" };
    QStringList commands;
    for (int gain = 0; gain < GAIN_COUNT; ++gain)
        commands << Command(kMnemonics[gain], gains[static_cast<size_t>(gain)]);
    return commands;
}

namespace {

struct ChannelTexts {
    const char* query;
    const char* heading;
    const char* unit;
};

// Position, Velocity, Current; Cmd. is the user's own query.
constexpr ChannelTexts kChannels[] = { { "GM\r", "Position(r)", "" }, { "GV\r", "Speed(rpm)", "RPM" },
    { "GC\r", "Current(mA)", "mA" } };

const ChannelTexts* TextsOf(int channel)
{
    return channel >= 0 && channel < CHANNEL_COMMAND ? &kChannels[channel] : nullptr;
}

}

QString ChannelQuery(int channel)
{
    const ChannelTexts* texts = TextsOf(channel);
    return texts ? QString::fromLatin1(texts->query) : QString();
}

QString ChannelHeading(int channel, const QString& userQuery)
{
    const ChannelTexts* texts = TextsOf(channel);
    return texts ? QString::fromLatin1(texts->heading) : userQuery.trimmed().toUpper();
}

QString ChannelUnit(int channel)
{
    const ChannelTexts* texts = TextsOf(channel);
    return texts ? QString::fromLatin1(texts->unit) : QString();
}

UserQuery CheckUserQuery(const QString& text)
{
    UserQuery query;
    QString command = text.trimmed();
    if (command.isEmpty())
        return query;
    for (QChar& c : command) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    if (!IsCommandText(command)) {
        query.verdict = UserQuery::Verdict::Malformed;
        query.message = QStringLiteral("Please enter a query: a command mnemonic and an optional number, such as GM or GDTN1");
        return query;
    }
    if (command[0] != u'G') {
        query.verdict = UserQuery::Verdict::NotQuery;
        query.message = QStringLiteral("Only a query (a command beginning with G) can be monitored");
        return query;
    }
    QString mnemonic = command;
    CommandId id = -1;
    if (!ParseCommandId(mnemonic, id, false)) {
        query.verdict = UserQuery::Verdict::Unknown;
        query.message = QStringLiteral("Not found the command");
        return query;
    }
    query.verdict = UserQuery::Verdict::Ok;
    query.command = command + u'\r';
    return query;
}
