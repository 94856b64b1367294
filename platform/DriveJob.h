#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>


// How a worker holds the status poll off the line: suspend before its first exchange, resume
// after its last (either may be empty).
struct PollPause {
    std::function<void()> suspend;
    std::function<void()> resume;
};

// One job on the drive (read all, write all, set all, monitor polling, sampling). The job
// runs on a thread of its own with the status poll paused; when it ends, `done` (if any)
// runs on the receiver's thread after everything the job posted to it, unless the receiver
// or the job is gone by then. Its owner never kills it: Stop asks the job to end between two
// exchanges and joins it.
//
// All members but IsWorking, StopRequested and Wait belong to the receiver's thread.
class DriveJob {
public:
    DriveJob() = default;
    ~DriveJob();
    DriveJob(const DriveJob&) = delete;
    DriveJob& operator=(const DriveJob&) = delete;

    // Starts the job, the status poll paused around it; a job that ended before is joined
    // first. False, and nothing runs, when no thread can be made. `done` may be empty.
    bool Start(QObject* receiver, PollPause pause, std::function<void(DriveJob&)> job, std::function<void()> done);
    // From Start until `done` has been called.
    bool IsRunning() const { return m_thread.joinable(); }
    // From Start until the job has returned and the poll is resumed.
    bool IsWorking() const { return m_working.load(); }
    // Ends the job at its next check and joins it; its `done` is not called.
    void Stop();
    // Asks the job to end at its next check and returns at once; `done` still follows.
    void RequestStop();

    // For the job: whether it is to end, and a pause that a stop cuts short (false then).
    // No pause (ms <= 0) only looks at the stop flag: even a wait that has timed out already
    // costs a trip through the scheduler.
    bool StopRequested() const;
    bool Wait(int ms);

    // The job's thread (its CPU clock), for the benchmarks.
    std::thread::native_handle_type NativeHandle() { return m_thread.native_handle(); }

private:
    void Join();

    std::thread m_thread;
    std::atomic<bool> m_working { false };
    unsigned m_run = 0;
    // Carries `done` to the starting thread; its queued calls go with it, so none outlives
    // the job.
    std::unique_ptr<QObject> m_completion;
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_stop = false;
};
