#include "platform/DriveJob.h"

#include "platform/Locked.h"

#include <QMetaObject>
#include <QObject>

#include <chrono>
#include <system_error>

DriveJob::~DriveJob()
{
    Stop();
}

bool DriveJob::Start(QObject* receiver, PollPause pause, std::function<void(DriveJob&)> job,
    std::function<void()> done)
{
    Join();
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
    }
    const unsigned run = ++m_run;
    if (done && !m_completion)
        m_completion = std::make_unique<QObject>();
    m_working = true;
    try {
        m_thread = std::thread([this, receiver = QPointer<QObject>(receiver), run, pause = std::move(pause),
                                   job = std::move(job), done = std::move(done)] {
            if (pause.suspend)
                pause.suspend();
            job(*this);
            if (pause.resume)
                pause.resume();
            m_working = false;
            if (!done)
                return;
            // Queued behind everything the job posted; dropped with the receiver. A run
            // that was stopped, or one that a later run replaced, has nothing to report.
            QMetaObject::invokeMethod(
                m_completion.get(),
                [this, receiver, run, done] {
                    if (!receiver || run != m_run || !IsRunning())
                        return;
                    Join();
                    done();
                },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        m_working = false;
        return false;
    }
    return true;
}

void DriveJob::Stop()
{
    RequestStop();
    Join();
}

void DriveJob::RequestStop()
{
    ChangeAndNotifyAll(m_mutex, m_cond, [this] { m_stop = true; });
}

void DriveJob::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool DriveJob::StopRequested() const
{
    return ReadLocked(m_mutex, m_stop);
}

bool DriveJob::Wait(int ms)
{
    if (ms <= 0)
        return !StopRequested();
    std::unique_lock lock(m_mutex);
    return !m_cond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}
