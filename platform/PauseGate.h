#pragma once

#include <condition_variable>
#include <mutex>

// Lets other threads pause a polling thread between its transactions. The polling thread
// brackets each unit of work with Enter/Leave; Pause returns only once no work is in
// flight, and the thread stays at the gate until every Pause has been matched by a Resume.
// Pauses nest. Stop releases everyone for good.
class PauseGate {
public:
    void Pause();
    void Resume();
    // Called by the polling thread: waits while paused; false once the gate is stopped.
    bool Enter();
    void Leave();
    void Stop();

    bool IsStopped() const;
    int PauseCount() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    int m_pauses = 0;
    bool m_busy = false;
    bool m_stopped = false;
};
