#include "pages/runmonitor/MonitorThread.h"

#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/ScriptedTransaction.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct Sample {
    int32_t value;
    int step;
    bool operator==(const Sample&) const = default;
};

// The polling thread against a scripted drive, on a clock that moves 10 ms per exchange
// (and as far as a test pushes it), without pauses.
class MonitorThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedComType = g_nComType.load();
        g_nComType = COMM_RS232;
        SetLogView(&log);
        link.OnCall([this](const QString&) {
            clock += 10;
            if (onCall)
                onCall(++calls);
        });
    }
    void TearDown() override
    {
        thread.Stop();
        UnsetLogView(&log);
        g_nComType = m_savedComType;
    }

    MonitorThread::Services Services()
    {
        MonitorThread::Services services;
        services.transact = link.Function();
        services.tick = [this] { return clock.load(); };
        services.pollPause = { [this] { ++pauses; }, [this] { ++resumes; } };
        services.pauseMs = 0;
        return services;
    }

    void WaitForEnd()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (thread.IsRunning() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_FALSE(thread.IsRunning());
    }

    // What the page was sent so far, sorted into samples and end messages.
    void Collect()
    {
        for (const auto& m : page.Take()) {
            if (m.message == WM_NEW_SAMPLE) {
                EXPECT_EQ(LOWORD(m.lParam), 0);
                samples.push_back({ static_cast<int32_t>(static_cast<uint32_t>(m.wParam)), HIWORD(m.lParam) });
            } else if (m.message == WM_MONITOR_END) {
                ends << QStringLiteral("%1:%2").arg(m.wParam).arg(QString::fromUtf8(m.data));
            }
        }
    }

    std::vector<Sample> samples;
    QStringList ends; // "reason:text"
    ScriptedTransaction link;
    std::atomic<uint32_t> clock { 1000 };
    std::atomic<int> calls { 0 };
    std::function<void(int)> onCall;
    std::atomic<int> pauses { 0 };
    std::atomic<int> resumes { 0 };
    MessageRecorder page;
    MessageRecorder log;
    MonitorThread thread { &page, Services() };
    int m_savedComType = 0;
};

}

TEST_F(MonitorThreadTest, PollsTheQueryAndPostsEachValueWithItsStep)
{
    link.Serial("GV", "1500");
    // (A hook changes the answer from the next call on.)
    onCall = [this](int call) {
        if (call == 3)
            link.Fail("GV", COMM_RS232_TIMEOUT);
    };
    ASSERT_TRUE(thread.Start(QStringLiteral("GV\r")));
    WaitForEnd();
    // After a sample, two failures in a row end it.
    Collect();
    EXPECT_EQ(samples, (std::vector<Sample> { { 1500, 0 }, { 1500, 10 }, { 1500, 10 } }));
    EXPECT_EQ(ends, QStringList { "2:Communication failed" });
    EXPECT_EQ(link.Commands(), QStringList(5, QStringLiteral("GV")));
    for (const auto& call : link.Calls())
        EXPECT_EQ(call.capacity, 64);
    EXPECT_EQ(pauses.load(), 1);
    EXPECT_EQ(resumes.load(), 1);

    QStringList lines;
    for (const auto& m : log.Take(WM_LOG_APPEND))
        lines << QString::fromLatin1(LOWORD(m.lParam) ? "C:" : "R:") + DecodeLogText(m.data);
    EXPECT_EQ(lines.mid(0, 4), (QStringList { "C:GV", "R:1500", "C:GV", "R:1500" }));
    EXPECT_EQ(lines.mid(4), (QStringList { "C:GV", "R:1500", "C:GV", "C:GV" })) << "failed polls log no reason";
}

TEST_F(MonitorThreadTest, ThreeFailuresAtTheStartEndIt)
{
    ASSERT_TRUE(thread.Start(QStringLiteral("GM\r")));
    WaitForEnd();
    Collect();
    EXPECT_EQ(link.Commands().size(), 3);
    EXPECT_TRUE(samples.empty());
    EXPECT_EQ(ends, QStringList { "2:Communication failed" });
}

TEST_F(MonitorThreadTest, AReplyThatIsNoNumberPostsNothingAndTheNextStepCountsFromTheLastSample)
{
    link.Serial("GM", "100");
    onCall = [this](int call) {
        if (call == 1)
            link.Serial("GM", "OK");
        if (call == 2)
            link.Serial("GM", "-300");
        if (call == 3)
            link.Fail("GM", COMM_RS232_TIMEOUT);
    };
    ASSERT_TRUE(thread.Start(QStringLiteral("GM\r")));
    WaitForEnd();
    Collect();
    EXPECT_EQ(samples, (std::vector<Sample> { { 100, 0 }, { -300, 20 } }));
}

TEST_F(MonitorThreadTest, RepliesThatAreNeverNumbersEndItWithWhatTheDriveSaid)
{
    link.Serial("GSI", "00EBDLP0");
    ASSERT_TRUE(thread.Start(QStringLiteral("GSI\r")));
    WaitForEnd();
    Collect();
    EXPECT_TRUE(samples.empty());
    EXPECT_EQ(ends, QStringList { "3:The reply to GSI is no number: 00EBDLP0" });
}

TEST_F(MonitorThreadTest, AGapBeyond65535MsBetweenSamplesEndsIt)
{
    link.Serial("GM", "5");
    onCall = [this](int call) {
        if (call == 1)
            clock += 65535 - 10;  // the next step is 65535 ms: still a sample
        if (call == 2)
            clock += 65536 - 10;  // then 65536 ms
    };
    ASSERT_TRUE(thread.Start(QStringLiteral("GM\r")));
    WaitForEnd();
    Collect();
    EXPECT_EQ(samples, (std::vector<Sample> { { 5, 0 }, { 5, 65535 } }));
    EXPECT_EQ(ends, QStringList { "1:Timeout for monitoring" });
    EXPECT_EQ(link.Commands().size(), 2);
}

TEST_F(MonitorThreadTest, CanValuesAreSignedAndOnlyOfTheirTwoLengths)
{
    g_nComType = COMM_CAN_USB2;
    link.Can("GC", 0xFFFE, 6);
    onCall = [this](int call) {
        if (call == 1)
            link.Can("GC", 0x80000000u, 8);
        if (call == 2)
            link.Can("GC", 7, 4);
        if (call == 3)
            link.Can("GC", 9, 8);
        if (call == 4)
            link.Fail("GC", COMM_CAN_TIMEOUT);
    };
    ASSERT_TRUE(thread.Start(QStringLiteral("GC\r")));
    WaitForEnd();
    Collect();
    EXPECT_EQ(samples, (std::vector<Sample> { { -2, 0 }, { INT32_MIN, 10 }, { 9, 20 } }));
}

TEST_F(MonitorThreadTest, StopJoinsAndEveryStartRunsExactlyOneThread)
{
    link.Serial("GM", "1");
    ASSERT_TRUE(thread.Start(QStringLiteral("GM\r")));
    EXPECT_FALSE(thread.Start(QStringLiteral("GM\r"))) << "one thread at a time";
    while (thread.SamplesPosted() < 3)
        std::this_thread::yield();
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    const int queries = static_cast<int>(link.Commands().size());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(link.Commands().size(), queries) << "nothing after Stop returned";
    EXPECT_EQ(pauses.load(), 1);
    EXPECT_EQ(resumes.load(), 1);

    ASSERT_TRUE(thread.Start(QStringLiteral("GM\r")));
    EXPECT_TRUE(thread.IsRunning());
    thread.Stop();
    EXPECT_EQ(pauses.load(), 2);
    EXPECT_EQ(resumes.load(), 2);
    Collect();
    EXPECT_TRUE(ends.isEmpty());
}

TEST_F(MonitorThreadTest, StopWakesTheThreadFromItsPause)
{
    MonitorThread::Services services = Services();
    services.pauseMs = 60000;
    MonitorThread slow(&page, services);
    g_nComType = COMM_CAN_USB2;
    link.Can("GM", 1);
    ASSERT_TRUE(slow.Start(QStringLiteral("GM\r")));
    while (slow.SamplesPosted() < 1)
        std::this_thread::yield();
    const auto started = std::chrono::steady_clock::now();
    slow.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_FALSE(slow.IsRunning());
}
