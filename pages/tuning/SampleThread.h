#pragma once

#include "platform/DriveJob.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>

class CanSampleLink;

// The PID-tuning page's CAN sampling: while the drive runs its test wave, the thread asks
// the current node for position feedback and position command as fast as the bus answers
// and posts each value to the page as WM_NEW_SAMPLE (wParam: the value's 32 bits; lParam:
// the page's array in the high word, the ms since that quantity's previous reply in the
// low word). It works the adapter through CanSampleLink, holding the transaction lock
// around each exchange.
//
// It ends on Stop, or after ten send failures, ten receive failures in a row or ten bad
// replies: it then posts WM_MONITOR_END with the message for the user (data) and the page
// shows it and stops the wave and the sampling. On a channel that is not CAN it posts
// WM_MONITOR_END with its refusal at once. The status poll is paused while it runs.
class SampleThread {
public:
    // The status poll's pause (may be empty).
    SampleThread(QObject* page, PollPause pollPause);
    SampleThread(const SampleThread&) = delete;
    SampleThread& operator=(const SampleThread&) = delete;

    // Starts sampling the quantities chosen; a thread that ended by itself is joined first.
    // False while one still runs, or when no thread can be made.
    bool Start(bool feedback, bool command);
    // Sets the stop flag; the thread ends within one slice of a reply wait, sending nothing
    // more.
    void RequestStop();
    // RequestStop and join.
    void Stop();
    bool IsRunning() const { return m_job.IsWorking(); }

    // Exchanges answered by a sample since Start, and the thread (its CPU clock), for the
    // benchmark.
    uint64_t SamplesPosted() const { return m_posted.load(); }
    std::thread::native_handle_type NativeHandle() { return m_job.NativeHandle(); }

    // The thread's body.
    void SampleThreadProc();

private:
    struct Counters {
        int send = 0;
        int receive = 0;
        int bad = 0;
    };
    // How a reply wait ended: a frame came, the wait ran out, or it was given up because the
    // run stops or a command waits for the link while the reply is overdue.
    enum class Wait { Arrived, TimedOut, GivenUp };
    Wait AwaitReply(CanSampleLink& link, uint32_t waitMs);
    void Drain(int type, Counters& counters);
    // One request and its reply for the quantity: a sample posted, or the failure counted.
    void Exchange(int type, int node, int quantity, uint32_t& previous, Counters& counters);
    void End(const QString& message);

    QObject* const m_page;
    const PollPause m_pollPause;
    bool m_feedback = false;
    bool m_command = false;
    std::atomic<uint64_t> m_posted { 0 };
    DriveJob m_job;
};
