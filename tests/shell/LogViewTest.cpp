#include "link/LogRing.h"
#include "shell/CBrantovelixEditView.h"
#include "shell/LogLineFormatter.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr LPARAM kCommand = MAKELPARAM(1, 0);
constexpr LPARAM kReply = MAKELPARAM(0, 0);

QString Appended(LogLineFormatter& format, QByteArrayView text, LPARAM lParam, int viewLines = 1)
{
    const LogLineFormatter::Step step = format.Format(text, lParam, viewLines);
    EXPECT_FALSE(step.clear);
    return step.text;
}

// The dots that follow each command, as the reply line shows them.
QString ReplyAfter(QByteArrayView command, QByteArrayView reply)
{
    LogLineFormatter format;
    Appended(format, command, kCommand);
    return Appended(format, reply, kReply);
}

} // namespace

TEST(LogLineFormatter, CommandStartsARowAndItsReplyFollowsAfterDots)
{
    LogLineFormatter format;
    EXPECT_EQ(Appended(format, "GMOD\r", kCommand), QStringLiteral("\r\n GMOD"));
    EXPECT_EQ(format.LastCommand(), QStringLiteral("GMOD\r"));
    EXPECT_EQ(Appended(format, "3\r", kReply), QStringLiteral(" . 3")) << "the drive's CR is not shown";

    EXPECT_EQ(ReplyAfter("GM\r", "1200"), QStringLiteral(" ... 1200"));
    EXPECT_EQ(ReplyAfter("GM", "1200"), QStringLiteral(" .... 1200"));
    EXPECT_EQ(ReplyAfter("GMOD", "3"), QStringLiteral(" .. 3"));
    EXPECT_EQ(ReplyAfter("GSIN12", "0"), QStringLiteral("  0"));
    EXPECT_EQ(ReplyAfter("SMOD100\r", "OK"), QStringLiteral("  OK"));
    EXPECT_EQ(ReplyAfter("GT", ""), QStringLiteral(" .... ")) << "an empty CAN value still ends the row";

    LogLineFormatter fresh;
    EXPECT_EQ(Appended(fresh, "5", kReply), QStringLiteral(" ...... 5")) << "no command yet";
}

TEST(LogLineFormatter, TextAfterACrIsHiddenButCountsForTheDots)
{
    LogLineFormatter format;
    EXPECT_EQ(Appended(format, "GM\rXY", kCommand), QStringLiteral("\r\n GM"));
    EXPECT_EQ(Appended(format, "7\r\n", kReply), QStringLiteral(" . 7"));
    EXPECT_EQ(Appended(format, "8\nnoise", kReply), QStringLiteral(" . 8"));
    EXPECT_EQ(Appended(format, "\xCE\xC2\xB6\xC8", kReply), QStringLiteral(" . 温度"));
}

TEST(LogLineFormatter, AReplyFindingMoreThan2000LinesEmptiesTheView)
{
    LogLineFormatter format;
    Appended(format, "GM", kCommand, 2000);
    EXPECT_EQ(Appended(format, "1", kReply, 2000), QStringLiteral(" .... 1"));
    const LogLineFormatter::Step full = format.Format("1", kReply, 2001);
    EXPECT_TRUE(full.clear);
    EXPECT_TRUE(full.text.isEmpty()) << "the reply itself is dropped";
    EXPECT_EQ(Appended(format, "GV", kCommand, 5000), QStringLiteral("\r\n GV")) << "only replies check the count";
}

TEST(LogLineFormatter, ValueKindsReadTheSlotsBinaryUnits)
{
    LogLineFormatter format;
    Appended(format, "GM", kCommand);
    EXPECT_EQ(Appended(format, QByteArray("ab\x34\x12", 4), MAKELPARAM(0, 1)), QStringLiteral("          4660\r\n"));
    EXPECT_EQ(Appended(format, QByteArray("ab\xFF\xFF", 4), MAKELPARAM(0, 3)), QStringLiteral("          -1\r\n"));
    EXPECT_EQ(Appended(format, QByteArray("ab\x12\x34\x56\x78", 6), MAKELPARAM(0, 2)),
        QStringLiteral("          2018915346\r\n"));
    EXPECT_EQ(Appended(format, "a", MAKELPARAM(0, 2)), QStringLiteral("          0\r\n")) << "a short slot reads 0";
    EXPECT_EQ(Appended(format, "SPD\r", MAKELPARAM(1, 2)), QStringLiteral("\r\n SPD"));
    EXPECT_EQ(format.LastCommand(), QStringLiteral("GM")) << "only text command lines are remembered";
    EXPECT_EQ(Appended(format, "x", MAKELPARAM(0, 4)), QString());
}

class LogViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetReplyRingIndex();
        view.OnInitialUpdate();
    }
    void Deliver()
    {
        QCoreApplication::sendPostedEvents(&view);
        view.FlushLog();
    }
    CBrantovelixEditView view;
};

TEST_F(LogViewTest, ShowsExchangesOneRowEach)
{
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_EQ(view.objectName(), QStringLiteral("idc_59649"));
    PostLogText("GM", kLogCommandLine, true);
    PostLogText("1200\r", kLogReplyLine, true); // a serial reply with its CR
    PostLogText("ENA", kLogCommandLine, true);  // sent without a reply
    PostLogString(QStringLiteral("GMOD"), kLogCommandLine, true);
    PostLogString(QStringLiteral("-5"), kLogReplyLine, true);
    LogCommResult(10, true);
    EXPECT_TRUE(view.toPlainText().isEmpty()) << "lines arrive through the event queue";
    QCoreApplication::sendPostedEvents(&view);
    EXPECT_TRUE(view.toPlainText().isEmpty()) << "and go in together";
    Deliver();
    EXPECT_EQ(view.toPlainText(), QStringLiteral("\n GM .... 1200\n ENA\n GMOD .. -5 .. RS232接收超时"));
    EXPECT_EQ(view.document()->blockCount(), 4);
    EXPECT_EQ(view.textCursor().position(), view.document()->characterCount() - 1) << "the caret follows the log";

    view.resize(200, 300);
    view.show();
    PostLogString(QStringLiteral("Connection lost: ") + QString(60, u'x'), kLogCommandLine, true);
    Deliver();
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0) << "a long line wraps instead of scrolling sideways";
}

TEST_F(LogViewTest, LinesBeforeTheViewExistedAreNotShown)
{
    CBrantovelixEditView later;
    PostLogText("GV", kLogCommandLine, true); // goes to `view`, not to `later`
    QCoreApplication::sendPostedEvents(&later);
    EXPECT_TRUE(later.toPlainText().isEmpty());
    later.OnInitialUpdate();
    PostLogText("GC", kLogCommandLine, true);
    QCoreApplication::sendPostedEvents(&later);
    later.FlushLog();
    EXPECT_EQ(later.toPlainText(), QStringLiteral("\n GC"));
}

TEST(LogView, BatchesKeepTheOrderAndTheTwoThousandLineClear)
{
    // Each command adds a line to the empty first one; the 2000th command's reply finds 2001
    // lines, empties the view and is dropped. Batches of one line, of lines that split an
    // exchange, of a part of the log, and of the whole log must all end alike.
    for (const int batch : { 1, 3, 1000, 5000 }) {
        CBrantovelixEditView view;
        int queued = 0;
        const auto append = [&](QByteArrayView text, LPARAM lParam) {
            view.OnLogAppend(text, lParam);
            if (++queued % batch == 0)
                view.FlushLog();
        };
        for (int n = 1; n <= 2002; ++n) {
            append("GM", kCommand);
            append(QByteArray::number(n), kReply);
        }
        view.FlushLog();
        EXPECT_EQ(view.toPlainText(), QStringLiteral("\n GM .... 2001\n GM .... 2002")) << "batches of " << batch;
    }
}

TEST(LogView, ADestroyedViewIsNeverPostedTo)
{
    ResetReplyRingIndex();
    auto view = std::make_unique<CBrantovelixEditView>();
    view->OnInitialUpdate();
    PostLogText("GM", kLogCommandLine, true); // still queued when the view goes
    view.reset();
    EXPECT_FALSE(HasLogView());
    EXPECT_EQ(PostLogText("GV", kLogCommandLine, true), 2);
    QCoreApplication::processEvents();
}
