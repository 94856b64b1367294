#include "pages/ParamWorker.h"

#include "shell/MainFrame.h"

#include <QMetaObject>
#include <QObject>

#include <chrono>
#include <system_error>

namespace {

// The status poll stays paused for as long as the job talks to the drive.
class PollPause {
public:
    explicit PollPause(CMainFrame* frame)
        : m_frame(frame)
    {
        if (m_frame)
            m_frame->SuspendPollThread();
    }
    ~PollPause()
    {
        if (m_frame)
            m_frame->ResumePollThread();
    }
    PollPause(const PollPause&) = delete;
    PollPause& operator=(const PollPause&) = delete;

private:
    CMainFrame* m_frame;
};

} // namespace

ParamWorker::~ParamWorker()
{
    Stop();
}

bool ParamWorker::Start(QObject* receiver, CMainFrame* frame, std::function<void(ParamWorker&)> job,
    std::function<void()> done)
{
    Join();
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
    }
    const unsigned run = ++m_run;
    try {
        m_thread = std::thread([this, receiver, frame, run, job = std::move(job), done = std::move(done)] {
            {
                PollPause pause(frame);
                job(*this);
            }
            // Queued behind everything the job posted; dropped with the receiver. A run
            // that was stopped, or one that a later run replaced, has nothing to report.
            QMetaObject::invokeMethod(
                receiver,
                [this, run, done] {
                    if (run != m_run || !IsRunning())
                        return;
                    Join();
                    done();
                },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void ParamWorker::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_cond.notify_all();
    Join();
}

void ParamWorker::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool ParamWorker::StopRequested() const
{
    std::lock_guard lock(m_mutex);
    return m_stop;
}

bool ParamWorker::Wait(int ms)
{
    std::unique_lock lock(m_mutex);
    return !m_cond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}
