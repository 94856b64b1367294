#include "shell/DriveCommands.h"
#include "shell/DriveReplyDecoder.h"

#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/ScriptedTransaction.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>

namespace {

using Messages = std::vector<MessageRecorder::Message>;

// One line of the log as "C:text" (command) or "R:text" (reply).
QStringList LogLines(MessageRecorder& log)
{
    QStringList lines;
    for (const auto& m : log.Take(WM_LOG_APPEND))
        lines << QString::fromLatin1(LOWORD(m.lParam) ? "C:" : "R:") + DecodeLogText(m.data);
    return lines;
}

// The status text "00100010" in a reply to the strip, sent while the caller waited or posted.
void ExpectStatusText(const MessageRecorder::Message& reply, bool sent)
{
    EXPECT_EQ(reply.sent, sent);
    EXPECT_EQ(reply.lParam, CMD_GSI);
    EXPECT_EQ(reply.wParam, 1u);
    EXPECT_EQ(reply.data, QByteArray("00100010"));
}

class DriveCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedComType = g_nComType.load();
        m_savedConnected = g_bDriveConnected.load();
        m_savedBit8 = g_bDriveStatusBit8.load();
        g_nComType = COMM_RS232;
        g_bDriveConnected = 1;
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return IDOK;
        });
        SetLogView(&log);
        commands.SetStripReceiver(&strip);
        commands.SetPageReceivers(&basicPage, nullptr, &monitorPage);
        commands.SetNodeTextSink([this](const QString& text) { nodeTexts << text; });
    }
    void TearDown() override
    {
        UnsetLogView(&log);
        SetMessageBoxHandler({});
        log.Take();
        g_nComType = m_savedComType;
        g_bDriveConnected = m_savedConnected;
        g_bDriveStatusBit8 = m_savedBit8;
    }

    void UseCan() { g_nComType = COMM_CAN_USB2; }

    // The strip's messages as "id:value" for values and "id:'text'" (or "id:-" when no
    // text) for text forms.
    QStringList StripMessages()
    {
        QStringList out;
        for (const auto& m : strip.Take(WM_DRIVE_REPLY)) {
            if (m.High() == DriveReply::NUMERIC)
                out << QStringLiteral("%1:%2").arg(m.Id()).arg(static_cast<int32_t>(m.wParam));
            else if (m.wParam)
                out << QStringLiteral("%1:'%2'").arg(m.Id()).arg(QString::fromLatin1(m.data));
            else
                out << QStringLiteral("%1:-").arg(m.Id());
        }
        return out;
    }

    ScriptedTransaction drive;
    DriveCommands commands { drive.Function() };
    MessageRecorder strip;
    MessageRecorder log;
    MessageRecorder basicPage;
    MessageRecorder monitorPage;
    std::vector<MessageBoxRequest> boxes;
    QStringList nodeTexts;

private:
    int m_savedComType = 0;
    int m_savedConnected = 0;
    int m_savedBit8 = 1;
};

} // namespace

TEST(FreeTextRules, BlanksGoLettersAreUpperCasedAndOnly61CharactersCount)
{
    EXPECT_EQ(NormalizeFreeText(QStringLiteral("  g m od ")), QStringLiteral("GMOD"));
    EXPECT_EQ(NormalizeFreeText(QStringLiteral("\tspc -15\u3000")), QStringLiteral("SPC-15"));
    EXPECT_EQ(NormalizeFreeText(QStringLiteral("gé")), QStringLiteral("Gé"));
    EXPECT_EQ(NormalizeFreeText(QString(70, u'a')), QString(61, u'A'));
    // Blanks inside the first 61 characters use up the allowance.
    EXPECT_EQ(NormalizeFreeText(QString(60, u' ') + QStringLiteral("GM")), QStringLiteral("G"));
    EXPECT_TRUE(NormalizeFreeText(QStringLiteral("   ")).isEmpty());
}

TEST(FreeTextRules, PrefixSearchStartsAfterTheFirstItemAndWraps)
{
    const QStringList items { QStringLiteral("GMOD"), QStringLiteral("X"), QStringLiteral("gm") };
    EXPECT_EQ(FindStringPrefix(items, 0, QStringLiteral("GM")), 2);
    EXPECT_EQ(FindStringPrefix(items, 0, QStringLiteral("gmo")), 0);
    EXPECT_EQ(FindStringPrefix(items, -1, QStringLiteral("GM")), 0);
    EXPECT_EQ(FindStringPrefix(items, 0, QStringLiteral("GMODX")), -1);
    EXPECT_EQ(FindStringPrefix({}, 0, QStringLiteral("GM")), -1);
}

TEST(FreeTextRules, HistoryPutsTheCommandOnTopRemovesOneItemItBeginsAndKeeps15)
{
    QStringList history;
    UpdateCommandHistory(history, QStringLiteral("GMOD"));
    UpdateCommandHistory(history, QStringLiteral("GV"));
    EXPECT_EQ(history, (QStringList { "GV", "GMOD" }));
    // "GM" begins "GMOD", so that entry goes.
    UpdateCommandHistory(history, QStringLiteral("GM"));
    EXPECT_EQ(history, (QStringList { "GM", "GV" }));
    // Sent again, the command moves to the top instead of standing twice.
    UpdateCommandHistory(history, QStringLiteral("GV"));
    EXPECT_EQ(history, (QStringList { "GV", "GM" }));

    history.clear();
    for (int i = 1; i <= 16; ++i)
        UpdateCommandHistory(history, QStringLiteral("K%1").arg(100 + i));
    ASSERT_EQ(history.size(), kCommandHistorySize);
    EXPECT_EQ(history.first(), QStringLiteral("K116"));
    EXPECT_EQ(history.last(), QStringLiteral("K102"));
}

TEST_F(DriveCommandsTest, FreeTextIsSentFoldedLoggedAndFiled)
{
    drive.Serial("GMOD", "256");
    QStringList history;
    EXPECT_EQ(commands.OnSendText(QStringLiteral("  g m od "), history), QStringLiteral("GMOD"));
    ASSERT_EQ(drive.Calls().size(), 1u);
    EXPECT_EQ(drive.Calls()[0].command, QStringLiteral("GMOD"));
    EXPECT_EQ(drive.Calls()[0].capacity, 100);
    EXPECT_EQ(LogLines(log), (QStringList { "C:GMOD", "R:256\r" }));
    EXPECT_EQ(history, (QStringList { "GMOD" }));

    // A failed command is filed too, and the log says why nothing came back.
    EXPECT_EQ(commands.OnSendText(QStringLiteral("gm"), history), QStringLiteral("GM"));
    EXPECT_EQ(LogLines(log), (QStringList { "C:GM", "R:RS232接收超时" }));
    EXPECT_EQ(history, (QStringList { "GM" }));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DriveCommandsTest, EmptyFreeTextAsksForInputAndSendsNothing)
{
    QStringList history { QStringLiteral("GV") };
    EXPECT_FALSE(commands.OnSendText(QStringLiteral("  \t "), history).has_value());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Please input content！"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Velquarin"));
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_TRUE(drive.Calls().empty());
    EXPECT_TRUE(LogLines(log).isEmpty());
    EXPECT_EQ(history, (QStringList { "GV" }));
}

TEST_F(DriveCommandsTest, FreeTextCommandsWithoutReplyDoNotWaitAndLogNoReply)
{
    QStringList history;
    for (const char* text : { "ENA", "dis", "ESA", "FCFG", "SBS", "CBS" }) {
        drive.Serial(NormalizeFreeText(QString::fromLatin1(text)), "OK");
        commands.OnSendText(QString::fromLatin1(text), history);
    }
    for (const auto& call : drive.Calls())
        EXPECT_EQ(call.capacity, 0) << call.command.toStdString();
    EXPECT_EQ(LogLines(log), (QStringList { "C:ENA", "C:DIS", "C:ESA", "C:FCFG", "C:SBS", "C:CBS" }));

    // The same on CAN, where the command is still parsed for its number.
    UseCan();
    drive.Clear();
    commands.OnSendText(QStringLiteral("ena"), history);
    ASSERT_EQ(drive.Calls().size(), 1u);
    EXPECT_EQ(drive.Calls()[0].capacity, 0);
    EXPECT_EQ(LogLines(log), (QStringList { "C:ENA" }));
}

TEST_F(DriveCommandsTest, SerialReplyEndsAtTheLengthTheLinkReports)
{
    // The link hands back "12\r" (3 bytes) in a buffer holding more behind it.
    commands.SetTransaction([](QString, void* reply, int* length) {
        memcpy(reply, "12\rSTALE", 8);
        *length = 3;
        return 0;
    });
    QStringList history;
    commands.OnSendText(QStringLiteral("GV"), history);
    EXPECT_EQ(LogLines(log), (QStringList { "C:GV", "R:12\r" }));

    // A reply that fills the whole buffer still gets its end.
    commands.SetTransaction([](QString, void* reply, int* length) {
        memset(reply, 'A', static_cast<size_t>(*length));
        return 0;
    });
    commands.OnSendText(QStringLiteral("GV"), history);
    EXPECT_EQ(LogLines(log), (QStringList { "C:GV", "R:" + QString(100, u'A') }));
}

TEST_F(DriveCommandsTest, FreeTextOnCanLogsTheValueSignedOrTheIdentityUnsigned)
{
    UseCan();
    drive.Can(QStringLiteral("GID"), 0xFFFF, 6);
    drive.Can(QStringLiteral("GV"), 0xFFFF, 6);
    drive.Can(QStringLiteral("GPC"), 0xFFFFFFFF, 8);
    drive.Can(QStringLiteral("GM"), 0, 4);
    QStringList history;
    for (const char* text : { "GID", "GV", "GPC", "GM" })
        commands.OnSendText(QString::fromLatin1(text), history);
    EXPECT_EQ(LogLines(log), (QStringList { "C:GID", "R:65535", "C:GV", "R:-1", "C:GPC", "R:-1", "C:GM", "R:" }));
}

TEST_F(DriveCommandsTest, WithoutADriveEveryCommandRefusesAndSendsNothing)
{
    g_bDriveConnected = 0;
    QStringList history;
    commands.OnRefreshStatus();
    for (int id : { IDC_GM, IDC_GV, IDC_GC, IDC_GSE, IDC_PO, IDC_DISABLE,
             IDC_ENABLE })
        commands.OnOneWordCommand(id);
    EXPECT_FALSE(commands.OnSendText(QStringLiteral("GM"), history).has_value());

    EXPECT_TRUE(drive.Calls().empty());
    EXPECT_TRUE(history.isEmpty());
    EXPECT_TRUE(LogLines(log).isEmpty());
    ASSERT_EQ(boxes.size(), 9u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, QStringLiteral("Please connect Drive"));
        EXPECT_EQ(box.caption, QStringLiteral("Velquarin"));
        EXPECT_EQ(box.type, MB_ICONERROR);
    }
    // Disable and Enable tell the strip anyway, with the node id as the value.
    const Messages replies = strip.Take(WM_DRIVE_REPLY);
    ASSERT_EQ(replies.size(), 2u);
    for (const auto& m : replies) {
        EXPECT_EQ(m.lParam, CMD_ENA);
        EXPECT_EQ(m.wParam, static_cast<WPARAM>(commands.NodeId()));
    }
}

TEST_F(DriveCommandsTest, OneWordCommandsLogCommandAndReply)
{
    drive.Serial("GM", "-1500");
    drive.Serial("PO", "OK");
    commands.OnOneWordCommand(IDC_GM);
    commands.OnOneWordCommand(IDC_PO);
    commands.OnOneWordCommand(IDC_GSE); // times out
    commands.OnOneWordCommand(9999);           // not a button of the strip
    EXPECT_EQ(LogLines(log), (QStringList { "C:GM", "R:-1500\r", "C:PO", "C:GSE", "R:RS232接收超时" }));
    ASSERT_EQ(drive.Calls().size(), 3u);
    EXPECT_EQ(drive.Calls()[0].capacity, 64);
    EXPECT_EQ(drive.Calls()[1].capacity, 0);
    EXPECT_TRUE(strip.Take().empty());

    UseCan();
    drive.Can("GC", 0xFFFE, 6);
    drive.Can("GV", 70000, 8);
    commands.OnOneWordCommand(IDC_GC);
    commands.OnOneWordCommand(IDC_GV);
    drive.Fail("GM", -3); // no adapter open
    commands.OnOneWordCommand(IDC_ENABLE);
    commands.OnOneWordCommand(IDC_GM);
    EXPECT_EQ(LogLines(log),
        (QStringList { "C:GC", "R:-2", "C:GV", "R:70000", "C:ENA", "R:RS232接收超时", "C:GM", "R:CanK8110设备未打开" }));
    EXPECT_EQ(drive.Calls().rbegin()[1].capacity, 0) << "ENA waits for no reply";
}

TEST_F(DriveCommandsTest, SerialRefreshLogsAndHandsEachValueToTheStrip)
{
    drive.Serial("GMOD", "261");
    drive.Serial("GSIN", "772");
    drive.Serial("GEIN", "2052");
    drive.Serial("GT", "-3");
    commands.OnRefreshStatus();
    EXPECT_EQ(drive.Commands(), (QStringList { "GMOD", "GSIN", "GEIN", "GT" }));
    EXPECT_EQ(LogLines(log),
        (QStringList { "C:GMOD", "R:261\r", "C:GSIN", "R:772\r", "C:GEIN", "R:2052\r", "C:GT", "R:-3\r" }));
    EXPECT_EQ(StripMessages(), (QStringList { "43:261", "9832:772", "9810:2052", "209:-3" }));
}

TEST_F(DriveCommandsTest, SerialRefreshFallsBackToTheOlderQueriesOnErr2)
{
    drive.Fail("GMOD", 10);
    drive.Serial("GSIN", "ERR2");
    drive.Serial("GSI", "00100010");
    drive.Serial("GEIN", "ERR2");
    drive.Fail("GEI", 10);
    drive.Serial("GT", "36");
    commands.OnRefreshStatus();
    EXPECT_EQ(drive.Commands(), (QStringList { "GMOD", "GSIN", "GSI", "GEIN", "GEI", "GT" }));
    // A failed step keeps only the command it logged up front.
    EXPECT_EQ(LogLines(log), (QStringList { "C:GMOD", "R:RS232接收超时", "C:GSI", "R:00100010\r", "C:GEI",
                                 "R:RS232接收超时", "C:GT", "R:36\r" }));
    const Messages replies = strip.Take(WM_DRIVE_REPLY);
    ASSERT_EQ(replies.size(), 2u);
    // The status text reached the strip while the refresh ran, without its CR.
    ExpectStatusText(replies[0], true);
    EXPECT_EQ(replies[1].Id(), CMD_GT);
}

TEST_F(DriveCommandsTest, CanRefreshFallsBackOnValueTwoAndDropsZeroAndOne)
{
    UseCan();
    drive.Can("GMOD", 0x0205, 6);
    drive.Can("GSIN", 2, 6);
    drive.Can("GSI", 0x0140, 6);
    drive.Can("GEIN", 1, 8);
    drive.Can("GT", 0xFFFB, 6);
    commands.OnRefreshStatus();
    EXPECT_EQ(drive.Commands(), (QStringList { "GMOD", "GSIN", "GSI", "GEIN", "GT" }));
    EXPECT_EQ(LogLines(log), (QStringList { "C:GMOD", "R:517", "C:GSI", "R:0140", "C:GT", "R:-5" }));
    // The refresh reads values by the status poll's rule.
    // The temperature is signed, as the status poll reads it: -5 degrees, not 65531.
    EXPECT_EQ(StripMessages(), (QStringList { "43:517", "211:320", "209:-5" }));

    drive.Can("GSIN", 0x2004, 8);
    drive.Can("GEIN", 0x804, 8);
    commands.OnRefreshStatus();
    EXPECT_EQ(LogLines(log),
        (QStringList { "C:GMOD", "R:517", "C:GSIN", "R:00002004", "C:GEIN", "R:00000804", "C:GT", "R:-5" }));
    EXPECT_EQ(StripMessages(), (QStringList { "43:517", "9832:8196", "9810:2052", "209:-5" }));
}

TEST_F(DriveCommandsTest, SerialConnectAsksNameVersionAndStatusAndStartsThePages)
{
    g_bDriveConnected = 0;
    g_nCurNode = 5;
    drive.Serial("GDTN1", "QX6215");
    drive.Serial("GVEN", "12300");
    drive.Serial("GSI", "00100010");
    commands.OnConnectDrive();
    g_nCurNode = 1;

    EXPECT_EQ(drive.Commands(), (QStringList { "GDTN1", "GVEN", "GSI" }));
    EXPECT_EQ(g_bDriveConnected.load(), 1);
    EXPECT_EQ(g_bDriveStatusBit8.load(), 1);
    EXPECT_EQ(commands.TypeNamePart(), 1);
    EXPECT_EQ(nodeTexts, (QStringList { "5", "5" }));
    EXPECT_EQ(StripMessages(), (QStringList { "9809:'QX6215'", "9808:12300" }));
    EXPECT_TRUE(LogLines(log).isEmpty());
    EXPECT_TRUE(boxes.empty());
    const Messages basic = basicPage.Take();
    ASSERT_EQ(basic.size(), 2u);
    EXPECT_EQ(basic[0].message, WM_PAGE_INIT);
    EXPECT_EQ(basic[1].message, WM_PAGE_ACTIVATED);
    const Messages monitor = monitorPage.Take();
    ASSERT_EQ(monitor.size(), 1u);
    EXPECT_EQ(monitor[0].message, WM_PAGE_INIT);
}

TEST_F(DriveCommandsTest, SerialDriveAnsweringErr2ToGvenIsAskedGverAndCountsAsConnected)
{
    g_bDriveConnected = 0;
    drive.Serial("GDTN1", "ERR2");
    drive.Serial("GDTY1", "7");
    drive.Serial("GVEN", "ERR2");
    drive.Serial("GVER", "V2.1");
    drive.Serial("GSI", "00000010");
    commands.OnConnectDrive();
    EXPECT_EQ(drive.Commands(), (QStringList { "GDTN1", "GDTY1", "GVEN", "GVER", "GSI" }));
    EXPECT_EQ(StripMessages(), (QStringList { "3:'7'", "2:'V2.1'" }));
    EXPECT_EQ(g_bDriveConnected.load(), 1);

    // Connected even when GVER then fails.
    g_bDriveConnected = 0;
    drive.Fail("GVER", 10);
    commands.OnConnectDrive();
    EXPECT_EQ(g_bDriveConnected.load(), 1);
}

TEST_F(DriveCommandsTest, FailedConnectStepsLeaveTheDriveDisconnected)
{
    g_bDriveConnected = 1;
    drive.Fail("GDTN1", 10);
    drive.Fail("GVEN", 10);
    drive.Fail("GSI", 10);
    commands.OnConnectDrive();
    // GSI is asked even after a failed GVEN.
    EXPECT_EQ(drive.Commands(), (QStringList { "GDTN1", "GVEN", "GSI" }));
    EXPECT_EQ(g_bDriveConnected.load(), 0);
    // The failed name leaves the strip a type reply without text.
    EXPECT_EQ(StripMessages(), (QStringList { "3:-" }));
    EXPECT_TRUE(basicPage.Take().empty());

    // GDTN alone failing marks the drive lost until GVEN answers.
    drive.Clear();
    g_bDriveConnected = 1;
    commands.RequestTypeNamePart(2);
    EXPECT_EQ(g_bDriveConnected.load(), 0);
    EXPECT_EQ(commands.TypeNamePart(), 2);
    EXPECT_EQ(drive.Commands(), (QStringList { "GDTN2" }));
}

TEST_F(DriveCommandsTest, CanConnectPostsValuesAndFallsBackOnValueTwo)
{
    UseCan();
    g_bDriveConnected = 0;
    drive.Can("GDTN1", 0x36585121); // count 2, part 1, "QX6"
    drive.Can("GVEN", 2, 6);
    drive.Can("GVER", 0x300C, 8);
    drive.Can("GSI", 0x0140, 6);
    commands.OnConnectDrive();
    EXPECT_EQ(drive.Commands(), (QStringList { "GDTN1", "GVEN", "GVER", "GSI" }));
    EXPECT_EQ(StripMessages(), (QStringList { "9809:911757601", "2:12300" }));
    EXPECT_EQ(g_bDriveConnected.load(), 1);
    EXPECT_EQ(g_bDriveStatusBit8.load(), 1);

    drive.Can("GDTN1", 2, 6);
    drive.Can("GDTY1", 7, 8);
    drive.Can("GVEN", 0x300C, 8);
    drive.Can("GSI", 0x0040, 6);
    commands.OnConnectDrive();
    EXPECT_EQ(StripMessages(), (QStringList { "3:7", "9808:12300" }));
    EXPECT_EQ(g_bDriveStatusBit8.load(), 0);

    // Values 0 and 1 are no answer worth showing.
    drive.Can("GDTN1", 1, 6);
    drive.Can("GVEN", 0, 6);
    commands.OnConnectDrive();
    EXPECT_TRUE(StripMessages().isEmpty());
}

TEST_F(DriveCommandsTest, SerialPollCycleAsksFourQueriesAndShowsNothingInTheLog)
{
    PauseGate gate;
    std::mutex csPoll;
    drive.Serial("GMOD", "256");
    drive.Serial("GSIN", "4");
    drive.Serial("GEIN", "ERR2");
    drive.Serial("GEI", "0000000001");
    drive.Serial("GT", "36");
    const int slotBefore = ReplyRingIndex();
    commands.PollCycle(gate, csPoll);
    EXPECT_EQ(drive.Commands(), (QStringList { "GMOD", "GSIN", "GEIN", "GEI", "GT" }));
    // Run on the strip's own thread, the text is taken at once, ahead of the queued values.
    EXPECT_EQ(StripMessages(), (QStringList { "210:'0000000001'", "43:256", "9832:4", "209:36" }));
    // The replies reach the ring but the view is never told.
    EXPECT_EQ(ReplyRingIndex(), (slotBefore + 5) % kReplyRingSlots);
    EXPECT_TRUE(LogLines(log).isEmpty());
}

TEST_F(DriveCommandsTest, CanPollCycleValuesFollowTheDataLength)
{
    UseCan();
    PauseGate gate;
    std::mutex csPoll;
    drive.Can("GMOD", 0x8100, 6);   // zero-extended
    drive.Can("GSIN", 2, 6);
    drive.Can("GSI", 0x0140, 6);
    drive.Can("GEIN", 0x804, 4);    // no value: nothing
    drive.Can("GT", 0x01FB, 6);     // the low byte, signed
    commands.PollCycle(gate, csPoll);
    EXPECT_EQ(drive.Commands(), (QStringList { "GMOD", "GSIN", "GSI", "GEIN", "GT" }));
    EXPECT_EQ(StripMessages(), (QStringList { "43:33024", "211:320", "209:-5" }));

    drive.Can("GSIN", 0x2004, 6);
    drive.Can("GEIN", 0, 8);
    drive.Can("GT", 0, 4);
    commands.PollCycle(gate, csPoll);
    EXPECT_EQ(StripMessages(), (QStringList { "43:33024", "9832:8196", "209:0" }));
}

TEST_F(DriveCommandsTest, PollTextFromItsOwnThreadIsPostedWithItsOwnCopy)
{
    PauseGate gate;
    std::mutex csPoll;
    drive.Serial("GSIN", "ERR2");
    drive.Serial("GSI", "00100010");
    std::thread poll([&] { commands.PollCycle(gate, csPoll); });
    poll.join();
    // The reply buffer is gone with the cycle; the event kept its text.
    const Messages replies = strip.Take(WM_DRIVE_REPLY);
    ASSERT_EQ(replies.size(), 1u);
    ExpectStatusText(replies[0], false);
}

TEST_F(DriveCommandsTest, PollCycleHoldsThePollLockOnlyAroundEachTransaction)
{
    PauseGate gate;
    std::mutex csPoll;
    int held = 0;
    drive.OnCall([&](const QString&) {
        // Asked from another thread: the poll's own thread may not try a lock it holds.
        std::thread([&] {
            if (!csPoll.try_lock())
                ++held;
            else
                csPoll.unlock();
        }).join();
    });
    commands.PollCycle(gate, csPoll);
    EXPECT_EQ(held, 4);
    EXPECT_TRUE(csPoll.try_lock());
    csPoll.unlock();

    // A stopped gate lets no transaction through.
    drive.Clear();
    gate.Stop();
    commands.PollCycle(gate, csPoll);
    EXPECT_TRUE(drive.Calls().empty());
}

// The strip hears whether a poll or a refresh was answered at all, and of a lost or another channel.
TEST_F(DriveCommandsTest, TheStripHearsWhetherItsValuesAreStillTheDrives)
{
    PauseGate gate;
    std::mutex csPoll;
    const std::function<void()> poll = [&] { commands.PollCycle(gate, csPoll); }, refresh = [&] { commands.OnRefreshStatus(); };
    const std::tuple<std::function<void()>, QString, WPARAM> cases[] = { { poll, "", STRIP_STALE }, { poll, "GT", STRIP_FRESH },
        { refresh, "", STRIP_STALE }, { refresh, "GMOD", STRIP_FRESH }, { [&] { commands.OnChannelChanged(); }, "", STRIP_FORGET },
        { [&] { commands.OnChannelLost(); }, "", STRIP_STALE } };
    for (const auto& [run, answered, told] : cases) {
        ScriptedTransaction script;
        script.Serial(answered, "1");
        commands.SetTransaction(script.Function());
        run();
        const Messages heard = strip.Take(WM_STRIP_FRESHNESS);
        EXPECT_TRUE(heard.size() == 1 && heard[0].wParam == told) << answered.toStdString() << " " << told;
    }
}
