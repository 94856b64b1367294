#include "platform/ManualResetEvent.h"

#include "platform/Locked.h"

#include <chrono>

ManualResetEvent::ManualResetEvent(bool signalled)
    : m_signalled(signalled)
{
}

void ManualResetEvent::Set()
{
    ChangeAndNotifyAll(m_mutex, m_cond, [this] { m_signalled = true; });
}

void ManualResetEvent::Reset()
{
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool ManualResetEvent::IsSet() const
{
    return ReadLocked(m_mutex, m_signalled);
}

bool ManualResetEvent::Wait(uint32_t timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_signalled; });
}
