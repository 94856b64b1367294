#include "platform/DriveJob.h"

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

namespace {

// What happened, in order, and on which thread.
struct Trace {
    std::mutex mutex;
    std::vector<std::string> steps;
    std::vector<std::thread::id> threads;

    void Add(const std::string& step)
    {
        std::lock_guard lock(mutex);
        steps.push_back(step);
        threads.push_back(std::this_thread::get_id());
    }
};

PollPause Recorded(Trace& trace)
{
    return { [&trace] { trace.Add("suspend"); }, [&trace] { trace.Add("resume"); } };
}

} // namespace

TEST(DriveJob, PollPausedAroundTheJobAndDoneOnTheReceiversThread)
{
    QObject receiver;
    DriveJob worker;
    Trace trace;
    ASSERT_TRUE(worker.Start(&receiver, Recorded(trace), [&](DriveJob& self) {
        EXPECT_FALSE(self.StopRequested());
        EXPECT_TRUE(self.Wait(1));
        trace.Add("job");
    }, [&] { trace.Add("done"); }));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !worker.IsRunning(); }, 10000));
    EXPECT_EQ(trace.steps, (std::vector<std::string> { "suspend", "job", "resume", "done" }));
    EXPECT_NE(trace.threads[0], std::this_thread::get_id());
    EXPECT_EQ(trace.threads[0], trace.threads[2]);
    EXPECT_EQ(trace.threads[3], std::this_thread::get_id());
}

TEST(DriveJob, StopEndsAWaitingJobWithoutItsDone)
{
    QObject receiver;
    DriveJob worker;
    Trace trace;
    ASSERT_TRUE(worker.Start(&receiver, Recorded(trace), [&](DriveJob& self) {
        trace.Add("job");
        while (self.Wait(60000)) {
        }
        EXPECT_TRUE(self.StopRequested());
    }, [&] { trace.Add("done"); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { std::lock_guard lock(trace.mutex); return !trace.steps.empty() && trace.steps.back() == "job"; }, 10000));
    worker.Stop();
    EXPECT_FALSE(worker.IsRunning());
    QTest::qWait(20);
    EXPECT_EQ(trace.steps, (std::vector<std::string> { "suspend", "job", "resume" }));

    // The worker starts again afresh.
    ASSERT_TRUE(worker.Start(&receiver, {}, [&](DriveJob& self) { EXPECT_FALSE(self.StopRequested()); },
        [&] { trace.Add("done"); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !worker.IsRunning(); }, 10000));
    EXPECT_EQ(trace.steps.back(), "done");
}

TEST(DriveJob, AJobGoneBeforeItsCompletionRanTakesTheCompletionWithIt)
{
    QObject receiver;
    bool done = false;
    {
        DriveJob worker;
        ASSERT_TRUE(worker.Start(&receiver, {}, [](DriveJob&) {}, [&] { done = true; }));
        while (worker.IsWorking())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } // its completion is queued, not run: no events were processed in between
    QCoreApplication::processEvents();
    EXPECT_FALSE(done);
}
