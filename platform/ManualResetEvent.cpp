#include "platform/ManualResetEvent.h"

#include <chrono>

ManualResetEvent::ManualResetEvent(bool signalled)
    : m_signalled(signalled)
{
}

void ManualResetEvent::Set()
{
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    m_cond.notify_all();
}

void ManualResetEvent::Reset()
{
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool ManualResetEvent::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_signalled;
}

bool ManualResetEvent::Wait(uint32_t timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_signalled; });
}
