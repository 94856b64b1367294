#include "shell/StatusPollThread.h"

#include "shell/Globals.h"

StatusPollThread::StatusPollThread(Cycle cycle, uint32_t periodMs)
    : m_cycle(std::move(cycle))
    , m_periodMs(periodMs)
{
}

StatusPollThread::~StatusPollThread()
{
    Stop();
}

void StatusPollThread::Start()
{
    if (m_thread.joinable() || m_bPollStop.load())
        return;
    m_thread = std::thread([this] { Run(); });
}

void StatusPollThread::Stop()
{
    m_bPollStop = true;
    m_gate.Stop();
    m_hPollEvent.Set();
    if (m_thread.joinable())
        m_thread.join();
}

void StatusPollThread::Pause()
{
    m_gate.Pause();
}

void StatusPollThread::Resume()
{
    m_gate.Resume();
}

void StatusPollThread::Run()
{
    for (;;) {
        m_hPollEvent.Wait(m_periodMs);
        if (m_bPollStop.load())
            return;
        // With no drive the link is left alone.
        if (g_bDriveConnected.load())
            m_cycle(m_gate, m_csPoll);
        // Reset before looking at the flag: a stop that comes in between has set the
        // event again, so the next wait returns at once.
        m_hPollEvent.Reset();
        if (m_bPollStop.load())
            return;
    }
}
