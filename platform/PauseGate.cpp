#include "platform/PauseGate.h"

void PauseGate::Pause()
{
    std::unique_lock lock(m_mutex);
    ++m_pauses;
    m_cond.wait(lock, [this] { return !m_busy || m_stopped; });
}

void PauseGate::Resume()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_pauses > 0)
            --m_pauses;
    }
    m_cond.notify_all();
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
    {
        std::lock_guard lock(m_mutex);
        m_busy = false;
    }
    m_cond.notify_all();
}

void PauseGate::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_cond.notify_all();
}

bool PauseGate::IsStopped() const
{
    std::lock_guard lock(m_mutex);
    return m_stopped;
}

int PauseGate::PauseCount() const
{
    std::lock_guard lock(m_mutex);
    return m_pauses;
}
