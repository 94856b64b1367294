#include "shell/StatusPollThread.h"

#include "link/LinkLayer.h"
#include "shell/DriveCommands.h"
#include "shell/Globals.h"
#include "tests/support/ScriptedTransaction.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Waits for a condition, giving up after a generous time.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = 20s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A transaction that can be held inside the link until released.
class Latch {
public:
    void Hold()
    {
        std::unique_lock lock(m_mutex);
        ++m_inside;
        m_cond.notify_all();
        m_cond.wait(lock, [this] { return m_open; });
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cond.notify_all();
    }
    bool WaitInside(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_cond.wait_for(lock, 20s, [&] { return m_inside >= count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cond;
    int m_inside = 0;
    bool m_open = false;
};

class StatusPollThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedComType = g_nComType.load();
        m_savedConnected = g_bDriveConnected.load();
        g_nComType = COMM_RS232;
        g_bDriveConnected = 1;
        drive.Serial("GMOD", "256");
        drive.Serial("GSIN", "4");
        drive.Serial("GEIN", "0");
        drive.Serial("GT", "36");
    }
    void TearDown() override
    {
        poll.Stop();
        g_nComType = m_savedComType;
        g_bDriveConnected = m_savedConnected;
    }

    size_t Calls() const { return drive.Calls().size(); }

    ScriptedTransaction drive;
    DriveCommands commands { drive.Function() };
    StatusPollThread poll { [this](PauseGate& gate, std::mutex& csPoll) { commands.PollCycle(gate, csPoll); }, 10 };

    // Starts the poll thread with every transaction held in a latch. The poll thread goes on
    // calling into the latch until it is stopped, so it is stopped before the latch goes, also
    // when an assertion ends the test early.
    struct HeldPoll {
        explicit HeldPoll(StatusPollThreadTest& test)
            : poll(test.poll)
        {
            test.drive.OnCall([this](const QString&) { latch.Hold(); });
            poll.Start();
        }
        ~HeldPoll()
        {
            latch.Open();
            poll.Stop();
        }
        StatusPollThread& poll;
        Latch latch;
    };

private:
    int m_savedComType = 0;
    int m_savedConnected = 0;
};

} // namespace

TEST_F(StatusPollThreadTest, PollsEveryPeriodOnlyWhileADriveIsConnected)
{
    g_bDriveConnected = 0;
    poll.Start();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(Calls(), 0u);

    g_bDriveConnected = 1;
    ASSERT_TRUE(WaitFor([&] { return Calls() >= 8; }));
    const QStringList commands = drive.Commands();
    EXPECT_EQ(commands.mid(0, 8), (QStringList { "GMOD", "GSIN", "GEIN", "GT", "GMOD", "GSIN", "GEIN", "GT" }));
}

TEST_F(StatusPollThreadTest, PausesNestAndThePausedThreadHoldsNoLock)
{
    poll.Start();
    ASSERT_TRUE(WaitFor([&] { return Calls() >= 1; }));
    poll.Pause();
    poll.Pause();
    const size_t paused = Calls();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Calls(), paused);
    // Waiting at its gate, the poll thread keeps the poll lock free.
    EXPECT_TRUE(poll.PollLock().try_lock());
    poll.PollLock().unlock();

    poll.Resume();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Calls(), paused);
    poll.Resume();
    EXPECT_TRUE(WaitFor([&] { return Calls() > paused; }));
}

TEST_F(StatusPollThreadTest, PauseWaitsForTheTransactionInFlight)
{
    HeldPoll held(*this);
    Latch& latch = held.latch;
    ASSERT_TRUE(latch.WaitInside(1));

    auto paused = std::async(std::launch::async, [&] { poll.Pause(); });
    ASSERT_TRUE(WaitFor([&] { return poll.Gate().PauseCount() == 1; }));
    EXPECT_EQ(paused.wait_for(100ms), std::future_status::timeout);
    latch.Open();
    ASSERT_EQ(paused.wait_for(20s), std::future_status::ready);
    // Paused between transactions: the cycle went no further than the one it was in.
    const size_t calls = Calls();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Calls(), calls);
    EXPECT_EQ(calls, 1u);
    poll.Resume();
}

TEST_F(StatusPollThreadTest, StopWakesAPausedOrWaitingThread)
{
    StatusPollThread slow([this](PauseGate& gate, std::mutex& csPoll) { commands.PollCycle(gate, csPoll); }, 600000);
    slow.Start();
    auto stopped = std::async(std::launch::async, [&] { slow.Stop(); });
    // Far sooner than the ten minutes it would otherwise sleep.
    EXPECT_EQ(stopped.wait_for(30s), std::future_status::ready);
    EXPECT_FALSE(slow.IsRunning());

    poll.Start();
    ASSERT_TRUE(WaitFor([&] { return Calls() >= 1; }));
    poll.Pause();
    auto stoppedPaused = std::async(std::launch::async, [&] { poll.Stop(); });
    EXPECT_EQ(stoppedPaused.wait_for(30s), std::future_status::ready);
    EXPECT_FALSE(poll.IsRunning());
    // A worker that pauses after the stop is not held up.
    poll.Pause();
    poll.Resume();
}

TEST_F(StatusPollThreadTest, StopDuringATransactionEndsAfterItWithoutAnother)
{
    HeldPoll held(*this);
    Latch& latch = held.latch;
    ASSERT_TRUE(latch.WaitInside(1));
    auto stopped = std::async(std::launch::async, [&] { poll.Stop(); });
    ASSERT_TRUE(WaitFor([&] { return poll.Gate().IsStopped(); }));
    EXPECT_EQ(stopped.wait_for(100ms), std::future_status::timeout);
    latch.Open();
    ASSERT_EQ(stopped.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(Calls(), 1u);
    EXPECT_FALSE(poll.IsRunning());
}
