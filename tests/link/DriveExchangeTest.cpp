#include "link/DriveExchange.h"

#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/ScriptedTransaction.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ReplyValues, TextsForTheStripEndBeforeTheDrivesLineEnd)
{
    EXPECT_EQ(ReplyTextWithoutLineEnd("V1.2\r"), QByteArray("V1.2"));
    EXPECT_EQ(ReplyTextWithoutLineEnd("0000000001\r\n"), QByteArray("0000000001"));
    EXPECT_EQ(ReplyTextWithoutLineEnd("QX6215"), QByteArray("QX6215"));
    EXPECT_EQ(ReplyTextWithoutLineEnd("\r"), QByteArray());
}

TEST(ReplyValues, CanValuesByDataLength)
{
    CanFrame frame {};
    frame.data[4] = 0xFB;
    frame.data[5] = 0xFF;
    frame.data[6] = 0x12;
    frame.data[7] = 0x80;
    frame.dataLength = 6;
    EXPECT_EQ(CanSignedValue(frame), -5);
    EXPECT_EQ(CanPollValue(frame), 0xFFFBu);
    EXPECT_EQ(CanWord(frame), 0x8012FFFBu);
    EXPECT_EQ(CanTemperature(frame), -5);
    EXPECT_EQ(CanHexText(frame), QStringLiteral("FFFB"));
    frame.dataLength = 8;
    EXPECT_EQ(CanSignedValue(frame), static_cast<int32_t>(0x8012FFFB));
    EXPECT_EQ(CanPollValue(frame), 0x8012FFFBu);
    EXPECT_EQ(CanHexText(frame), QStringLiteral("8012FFFB"));
    for (uint32_t length : { 0u, 4u, 5u, 7u, 13u }) {
        frame.dataLength = length;
        EXPECT_FALSE(CanSignedValue(frame).has_value());
        EXPECT_EQ(CanPollValue(frame), 0u);
        EXPECT_EQ(CanTemperature(frame), 0);
        EXPECT_TRUE(CanHexText(frame).isEmpty());
    }
}

TEST(ReplyValues, SerialRepliesAreNumbersOnlyWhenTheyAreWholeNumbers)
{
    const struct {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {
        { "1500", 1500 },
        { " -42 ", -42 },
        { "+7", 7 },
        { "2147483647", INT32_MAX },
        { "-2147483648", INT32_MIN },
        { "4294967295", -1 },          // an unsigned word keeps its 32 bits
        { "4294967296", std::nullopt }, // beyond 32 bits
        { "-2147483649", std::nullopt },
        { "99999999999999999999", std::nullopt },
        { "OK", std::nullopt },
        { "ERR2", std::nullopt },
        { "12a", std::nullopt },
        { "", std::nullopt },
        { "-", std::nullopt },
        { "00EBDLP0", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseReplyNumber(c.text), c.value) << c.text;
}

// Where the command line and a failure's text stand around the exchange, for each order.
// The drive's side marks the moment of the exchange in the log ("R:<exchange>").
TEST(LoggedExchange, LogsCommandAndFailureInTheCallersOrder)
{
    using O = LogOrder;
    const QString failure = QStringLiteral("R:") + CommResultText(COMM_RS232_TIMEOUT);
    const struct {
        ExchangeLog log;
        bool fails;
        QStringList lines;
    } cases[] = {
        { { O::CommandFirst, true }, false, { "C:GV", "X" } },
        { { O::CommandFirst, true }, true, { "C:GV", "X", failure } },
        { { O::CommandFirst, false }, true, { "C:GV", "X" } },
        { { O::ExchangeFirst, true }, false, { "X", "C:GV" } },
        { { O::ExchangeFirst, true }, true, { "X", "C:GV", failure } },
        { { O::ExchangeFirst, false, true }, false, { "X", "C:GV\r" } },
        { { O::FailureOnly, true }, false, { "X" } },
        { { O::FailureOnly, true }, true, { "X", "C:GV", failure } },
        { { O::FailureOnly, false }, true, { "X", "C:GV" } },
    };
    const int savedComType = g_nComType.exchange(COMM_RS232);
    MessageRecorder log;
    SetLogView(&log);
    for (const auto& c : cases) {
        ScriptedTransaction drive;
        drive.OnCall([](const QString&) { PostLogString(QStringLiteral("<exchange>"), kLogReplyLine, true); });
        if (c.fails)
            drive.Fail("GV", COMM_RS232_TIMEOUT);
        else
            drive.Serial("GV", "-1500");
        const DriveAnswer answer = LoggedExchange(drive.Function(), QStringLiteral("GV\r"), kDriveReplyBytes, c.log);
        QStringList lines;
        for (const auto& m : log.Take(WM_LOG_APPEND)) {
            const QString text = DecodeLogText(m.data);
            lines << (text == QStringLiteral("<exchange>") ? QStringLiteral("X")
                                                           : QString::fromLatin1(LOWORD(m.lParam) ? "C:" : "R:") + text);
        }
        EXPECT_EQ(lines, c.lines) << static_cast<int>(c.log.order) << c.fails;
        EXPECT_EQ(answer.result, c.fails ? COMM_RS232_TIMEOUT : COMM_OK);
        EXPECT_EQ(answer.Line(), c.fails ? QByteArray() : QByteArray("-1500"));
        EXPECT_EQ(answer.value, c.fails ? std::nullopt : std::optional<int32_t>(-1500));
    }
    UnsetLogView(&log);
    g_nComType = savedComType;
}
