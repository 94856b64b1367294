#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// A manual-reset event: once set it stays signalled, and every waiter passes, until reset.
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool signalled = false);

    void Set();
    void Reset();
    bool IsSet() const;
    // Waits until the event is set or the time is up; true when it was set.
    bool Wait(uint32_t timeoutMs);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_signalled;
};
