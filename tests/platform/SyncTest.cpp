#include "platform/ManualResetEvent.h"
#include "platform/PauseGate.h"
#include "platform/Tick.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

TEST(ManualResetEvent, StaysSetUntilReset)
{
    ManualResetEvent event;
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0)) << "a manual-reset event lets every waiter pass";
    event.Reset();
    EXPECT_FALSE(event.Wait(10));
}

TEST(ManualResetEvent, WakesAWaiterFromAnotherThread)
{
    ManualResetEvent event;
    std::thread setter([&] { std::this_thread::sleep_for(20ms); event.Set(); });
    EXPECT_TRUE(event.Wait(10000));
    setter.join();
}

TEST(ManualResetEvent, TimedWaitReturnsAfterTheTimeout)
{
    ManualResetEvent event;
    const uint32_t start = GetTickCount();
    EXPECT_FALSE(event.Wait(30));
    EXPECT_GE(GetTickCount() - start, 29u);
}

TEST(PauseGate, PauseWaitsForWorkInFlightAndNests)
{
    PauseGate gate;
    ASSERT_TRUE(gate.Enter());
    std::atomic<bool> paused { false };
    std::thread pauser([&] { gate.Pause(); paused = true; });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(paused) << "a pause must wait until the work in flight is done";
    gate.Leave();
    pauser.join();
    EXPECT_TRUE(paused);

    gate.Pause();
    EXPECT_EQ(gate.PauseCount(), 2);
    std::atomic<bool> entered { false };
    std::thread worker([&] { entered = gate.Enter(); if (entered) gate.Leave(); });
    gate.Resume();
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(entered) << "one resume of two nested pauses keeps the gate closed";
    gate.Resume();
    worker.join();
    EXPECT_TRUE(entered);
}

TEST(PauseGate, StopReleasesAPausedThread)
{
    PauseGate gate;
    gate.Pause();
    std::atomic<int> result { -1 };
    std::thread worker([&] { result = gate.Enter() ? 1 : 0; });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(result, -1);
    gate.Stop();
    worker.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(gate.IsStopped());
}

TEST(PauseGate, ResumeWithoutPauseDoesNotUnderflow)
{
    PauseGate gate;
    gate.Resume();
    EXPECT_EQ(gate.PauseCount(), 0);
    EXPECT_TRUE(gate.Enter());
    gate.Leave();
}
