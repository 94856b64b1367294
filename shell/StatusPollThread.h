#pragma once

#include "platform/ManualResetEvent.h"
#include "platform/PauseGate.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// The status-poll thread: every period (5 s) while a drive is connected it runs one poll
// cycle. Worker threads that talk to the drive themselves pause it for the time of their
// work: Pause returns once no poll transaction is in flight, and the thread then waits at
// its gate, holding no lock, until every Pause has been matched by a Resume (pauses nest).
// Stop wakes the thread wherever it waits and joins it; a transaction already on the line
// is the most it waits for, as the cycle starts no other after the stop.
class StatusPollThread {
public:
    static constexpr uint32_t kPeriodMs = 5000;
    using Cycle = std::function<void(PauseGate& gate, std::mutex& csPoll)>;

    explicit StatusPollThread(Cycle cycle, uint32_t periodMs = kPeriodMs);
    ~StatusPollThread();
    StatusPollThread(const StatusPollThread&) = delete;
    StatusPollThread& operator=(const StatusPollThread&) = delete;

    void Start();
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

    // For worker threads: once at their start and once at their end.
    void Pause();
    void Resume();

    PauseGate& Gate() { return m_gate; }
    std::mutex& PollLock() { return m_csPoll; }

private:
    void Run();

    const Cycle m_cycle;
    const uint32_t m_periodMs;
    ManualResetEvent m_hPollEvent;
    std::atomic<bool> m_bPollStop { false };
    PauseGate m_gate;
    std::mutex m_csPoll;
    std::thread m_thread;
};
