#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QObject;

// How a worker holds the status poll off the line: suspend before its first exchange, resume
// after its last (either may be empty).
struct PollPause {
    std::function<void()> suspend;
    std::function<void()> resume;
};

// One job on the drive (read all, write all, set all). The job runs on a thread of its own
// with the status poll paused; when it ends, `done` runs on the receiver's thread after
// everything the job posted to it. Its owner never kills it: Stop asks the job to end
// between two exchanges and joins it.
//
// All members but StopRequested and Wait belong to the receiver's thread.
class DriveJob {
public:
    DriveJob() = default;
    ~DriveJob();
    DriveJob(const DriveJob&) = delete;
    DriveJob& operator=(const DriveJob&) = delete;

    // Starts the job, the status poll paused around it. False, and nothing runs, when no
    // thread can be made.
    bool Start(QObject* receiver, PollPause pause, std::function<void(DriveJob&)> job, std::function<void()> done);
    // From Start until `done` has been called.
    bool IsRunning() const { return m_thread.joinable(); }
    // Ends the job at its next check and joins it; its `done` is not called.
    void Stop();
    // Asks the job to end at its next check and returns at once; `done` still follows.
    void RequestStop();

    // For the job: whether it is to end, and a pause that a stop cuts short (false then).
    bool StopRequested() const;
    bool Wait(int ms);

private:
    void Join();

    std::thread m_thread;
    unsigned m_run = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_stop = false;
};
