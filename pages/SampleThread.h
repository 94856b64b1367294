#pragma once

#include "link/CanFrame.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// The PID-tuning page's CAN sampling: while the drive runs its test wave, the thread asks
// the current node for position feedback and position command as fast as the bus answers
// and posts each value to the page as WM_NEW_SAMPLE (wParam: the value's 32 bits; lParam:
// the page's array in the high word, the ms since that quantity's previous reply in the
// low word). It drives the adapter itself, holding the transaction lock around each
// exchange: the card through its library, the USB-CAN adapter by sending through its
// library and taking the reply from the link's receive ring, whose receive thread stays
// the adapter's only reader.
//
// It ends on Stop, or after ten send failures, ten receive failures in a row or ten bad
// replies: it then posts WM_MONITOR_END with the message for the user (data) and the page
// shows it and stops the wave and the sampling. On a channel that is not CAN it posts
// WM_MONITOR_END with its refusal at once. The status poll is paused while it runs.
class SampleThread {
public:
    static constexpr int kMaxFailures = 10;
    static constexpr int kDrainMs = 500;
    static constexpr uint32_t kMaxStepMs = 65535;
    // With nothing to ask, the thread looks at its stop flag this often.
    static constexpr int kIdleMs = 20;
    // How long an exchange waits for a command that waits for the transaction lock.
    static constexpr int kYieldMs = 200;
    // A reply wait looks this often at the stop flag and at commands waiting for the link.
    static constexpr uint32_t kSliceMs = 10;
    // A drive answers within a few milliseconds: once its reply is this late, a command that
    // waits for the transaction lock is not kept waiting for the rest of the reply wait.
    static constexpr uint32_t kOverdueMs = 100;

    struct Services {
        std::function<void()> pausePoll;
        std::function<void()> resumePoll;
    };
    static Services DefaultServices();

    explicit SampleThread(QObject* page, Services services = DefaultServices());
    ~SampleThread();
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
    bool IsRunning() const { return m_thread.joinable() && !m_ended.load(); }

    // Exchanges answered by a sample since Start, and the thread (its CPU clock), for the
    // benchmark.
    uint64_t SamplesPosted() const { return m_posted.load(); }
    std::thread::native_handle_type NativeHandle() { return m_thread.native_handle(); }

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
    bool StopRequested();
    bool WaitUnlessStopped(int ms);
    Wait AwaitReply(bool card, int cardIndex, uint32_t waitMs, CanFrame* reply);
    void Drain(int type, Counters& counters);
    // One request and its reply for the quantity: a sample posted, or the failure counted.
    void Exchange(int type, int node, int quantity, uint32_t& previous, Counters& counters);
    void End(const QString& message);

    QObject* const m_page;
    const Services m_services;
    bool m_feedback = false;
    bool m_command = false;
    std::thread m_thread;
    std::atomic<bool> m_ended { true };
    std::atomic<uint64_t> m_posted { 0 };
    std::mutex m_csStop;
    std::condition_variable m_stopWake;
    bool m_bStopSampling = false;
};
