#include "platform/PauseGate.h"

#include "platform/Locked.h"

void PauseGate::Pause()
{
    std::unique_lock lock(m_mutex);
    ++m_pauses;
    m_cond.wait(lock, [this] { return !m_busy || m_stopped; });
}

void PauseGate::Resume()
{
    ChangeAndNotifyAll(m_mutex, m_cond, [this] {
        if (m_pauses > 0)
            --m_pauses;
    });
}

bool PauseGate::Enter()
{
    std::unique_lock lock(m_mutex);
    m_cond.wait(lock, [this] { return m_pauses == 0 || m_stopped; });
    if (m_stopped)
        return false;
    m_busy = true;
    return true;
}

void PauseGate::Leave()
{
    ChangeAndNotifyAll(m_mutex, m_cond, [this] { m_busy = false; });
}

void PauseGate::Stop()
{
    ChangeAndNotifyAll(m_mutex, m_cond, [this] { m_stopped = true; });
}

bool PauseGate::IsStopped() const
{
    return ReadLocked(m_mutex, m_stopped);
}

int PauseGate::PauseCount() const
{
    return ReadLocked(m_mutex, m_pauses);
}
