#pragma once

#include "link/DriveExchange.h"
#include "platform/DriveJob.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

class QObject;

// The run-monitor page's polling thread: it asks the drive one query again and again and
// posts each value it gets to the page as WM_NEW_SAMPLE (wParam: the value's 32 bits,
// lParam: the step in ms since the sample before, shifted left by 16). The status poll is
// paused for as long as it runs.
//
// A failed exchange, or a reply that is no number, posts no sample; the next sample's step
// then counts from the last one posted, so the time axis loses nothing. Three failures at
// the start, or two in a row after a sample, end the thread, and so does a gap of more
// than 65535 ms between samples: it posts WM_MONITOR_END (wParam: an EndReason, data:
// the message for the user) and the page goes back to idle.
//
// Start runs one job; Stop sets the stop flag, wakes the thread from its pause and joins
// it, which takes at most the exchange in flight. The destructor stops.
class MonitorThread {
public:
    enum EndReason : int {
        END_TIMEOUT = 1,       // "Timeout for monitoring"
        END_COMMUNICATION = 2, // "Communication failed"
        END_NOT_A_NUMBER = 3,  // the drive's replies are no numbers
    };
    // Pause before each query on the serial line and after each cycle on every channel.
    static constexpr int kPauseMs = 20;
    static constexpr uint32_t kMaxStepMs = 65535;
    static constexpr int kMaxFailures = 3;

    // What the thread uses besides the page: the transaction, the tick count, the status
    // poll's pause (may be empty) and the pause of each cycle.
    struct Services {
        LinkTransaction transact;
        std::function<uint32_t()> tick;
        PollPause pollPause;
        int pauseMs = kPauseMs;
    };

    MonitorThread(QObject* page, Services services);
    MonitorThread(const MonitorThread&) = delete;
    MonitorThread& operator=(const MonitorThread&) = delete;

    // Starts polling `query` (with its CR). A thread that has ended by itself is joined
    // first; false, starting nothing, while one still runs or when no thread can be made.
    bool Start(const QString& query);
    void Stop();
    // A thread exists and has not ended yet.
    bool IsRunning() const { return m_job.IsWorking(); }

    // Samples posted since Start, for the benchmark.
    uint64_t SamplesPosted() const { return m_posted.load(); }

    // The thread's body.
    void MonitorThreadProc();

private:
    void End(EndReason reason, const QString& message);

    QObject* const m_page;
    const Services m_services;
    QString m_query;
    std::atomic<uint64_t> m_posted { 0 };
    DriveJob m_job;
};
