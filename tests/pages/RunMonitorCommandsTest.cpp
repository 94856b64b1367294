#include "pages/runmonitor/RunMonitorCommands.h"

#include "link/CommandTables.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

QStringList Texts(const std::vector<RunStep>& steps)
{
    QStringList texts;
    for (const RunStep& step : steps)
        texts << step.command + QStringLiteral("/%1").arg(step.pauseAfterMs);
    return texts;
}

}

TEST(MonitorCommands, EachRunModeSendsItsModeThenItsTargetAndHeldRunsHaveTheirStop)
{
    EXPECT_EQ(Texts(RunStartCommands(RUN_ABSOLUTE_POSITION, -1500)),
        (QStringList { "SMOD256\r/20", "M-1500\r/0" }));
    EXPECT_EQ(Texts(RunStartCommands(RUN_RELATIVE_POSITION, 2000)), (QStringList { "SMOD256\r/20", "MR2000\r/0" }));
    EXPECT_EQ(Texts(RunStartCommands(RUN_VELOCITY, 600)), (QStringList { "SMOD0\r/20", "V600\r/0" }));
    EXPECT_EQ(Texts(RunStartCommands(RUN_CURRENT, -300)), (QStringList { "SMOD512\r/0", "EC-300\r/0" }));
    EXPECT_TRUE(RunStartCommands(7, 1).empty());

    EXPECT_FALSE(RunModeHolds(RUN_ABSOLUTE_POSITION));
    EXPECT_FALSE(RunModeHolds(RUN_RELATIVE_POSITION));
    EXPECT_EQ(RunStopCommand(RUN_VELOCITY), "V0\r");
    EXPECT_EQ(RunStopCommand(RUN_CURRENT), "EC0\r");
    EXPECT_TRUE(RunModeHolds(RUN_VELOCITY) && RunModeHolds(RUN_CURRENT));
    EXPECT_TRUE(RunStopCommand(RUN_ABSOLUTE_POSITION).isEmpty());
}

TEST(MonitorCommands, BrakeTogglesWithItsCaptions)
{
    EXPECT_EQ(BrakeToggleCommand(false), "SBS\r");
    EXPECT_EQ(BrakeToggleCaption(true), "Cancel");
    EXPECT_EQ(BrakeToggleCommand(true), "CBS\r");
    EXPECT_EQ(BrakeToggleCaption(false), "Brake");
}

TEST(MonitorCommands, GainsAndChannelsHaveTheirCommandsInOrder)
{
    const auto& queries = GainQueries();
    EXPECT_EQ(QStringList(queries.begin(), queries.end()),
        (QStringList { "GP\r", "GI\r", "GD\r", "GA\r", "GMP\r", "GMK\r" }));
    EXPECT_EQ(GainWriteCommands({ 10, 20, 30, 40, -5, 6 }),
        (QStringList { "P10\r", "I20\r", "D30\r", "A40\r", "MP-5\r", "MK6\r" }));
    EXPECT_EQ(ChannelQuery(CHANNEL_POSITION), "GM\r");
    EXPECT_EQ(ChannelQuery(CHANNEL_VELOCITY), "GV\r");
    EXPECT_EQ(ChannelQuery(CHANNEL_CURRENT), "GC\r");
    EXPECT_TRUE(ChannelQuery(CHANNEL_COMMAND).isEmpty());
}

TEST(MonitorCommands, UserQueriesAreOnlyKnownQueriesWithAnOptionalSignedNumber)
{
    InitCommandTables();
    using V = UserQuery::Verdict;
    const struct {
        const char* text;
        V verdict;
        const char* command;
    } cases[] = {
        { "", V::Empty, "" },
        { "   ", V::Empty, "" },
        { "GSE", V::Ok, "GSE\r" },
        { " gdtn1 ", V::Ok, "GDTN1\r" },
        { "GDTN-2", V::Ok, "GDTN-2\r" },
        { "GM+3", V::Ok, "GM+3\r" },
        { "V100", V::NotQuery, "" },    // a motion command must never be repeated
        { "ESA", V::NotQuery, "" },     // nor a store
        { "FCFG", V::NotQuery, "" },    // nor a reset
        { "GQZX", V::Unknown, "" },
        { "GM-", V::Malformed, "" },
        { "GM1X", V::Malformed, "" },
        { "G M", V::Malformed, "" },
        { "GABCDE", V::Malformed, "" }, // longer than any mnemonic
        { "1GM", V::Malformed, "" },
        { "GM\r", V::Ok, "GM\r" },      // trailing blanks, the CR included, are trimmed
        { "GM\x01", V::Malformed, "" },
        { "ÄGM", V::Malformed, "" },
    };
    for (const auto& c : cases) {
        const UserQuery query = CheckUserQuery(QString::fromUtf8(c.text));
        EXPECT_EQ(query.verdict, c.verdict) << c.text;
        EXPECT_EQ(query.command, QString::fromLatin1(c.command)) << c.text;
        EXPECT_EQ(query.message.isEmpty(), c.verdict == V::Ok || c.verdict == V::Empty) << c.text;
    }
    EXPECT_EQ(CheckUserQuery("GQZX").message, "Not found the command");
}
