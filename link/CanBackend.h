#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// One classic CAN frame as the backends carry it.
struct CanMessage {
    uint32_t id = 0;
    bool extended = false;
    bool remote = false;
    uint8_t length = 0;
    uint8_t data[8] = {};
};

// The identifier as an SJA1000 keeps it in its identifier registers, first register first:
// a standard identifier in two bytes (bits 10-3, then bits 2-0 in bits 7-5), an extended
// one in four (bits 28-21, 20-13, 12-5, then bits 4-0 in bits 7-3); the other bits are 0.
// Returns how many bytes it wrote.
int CanIdentifierImage(uint32_t id, bool extended, uint8_t* image);
// The identifier its register image holds (the bits beside it ignored).
uint32_t CanIdentifierFromImage(const uint8_t* image, bool extended);

// Acceptance filter of an SJA1000 in single-filter mode: four code bytes compared with the
// frame's identifier image, mask bits set to 1 are "don't care". A mask of FF FF FF FF
// accepts every frame.
struct CanAcceptance {
    uint8_t code[4] = { 0, 0, 0, 0 };
    uint8_t mask[4] = { 0xFF, 0xFF, 0xFF, 0xFF };
    bool Accepts(const CanMessage& msg) const;
};

// The bit rate an SJA1000 at 16 MHz runs with the given bus-timing bytes, in bit/s; 0 when
// the bytes describe no usable rate (outside 5 kbit/s .. 1 Mbit/s).
uint32_t CanTimingToBitRate(uint8_t btr0, uint8_t btr1);

// Which adapter library a backend serves.
enum class CanAdapterKind { Card, UsbCan };
// Told when an interface that was on the bus goes away without being asked to (the host
// of a virtual bus gone, an interface taken down); called on the bus's thread. The link
// installs one; an empty handler (the default) ignores such news.
using CanLostHandler = std::function<void(CanAdapterKind kind, const QString& reason)>;
void SetCanLostHandler(CanLostHandler handler);

// Where the two adapter libraries meet a bus. One object serves one opened channel for its
// whole life: Open, then (possibly several times) Configure and Start, then Close. The
// received-frame queue with its blocking wait lives here, so every backend behaves alike:
// the receive thread may wait in Receive while other threads transmit or clear.
class CanBackend {
public:
    virtual ~CanBackend();

    // Reaches the interface. False with a reason when it cannot be had.
    virtual bool Open(QString* error) = 0;
    // The adapter's reference word (USB-CAN adapters); the default accepts any.
    virtual bool SetReference(uint32_t value);
    // Sets the bit rate (bit/s) the next Start uses.
    virtual bool Configure(uint32_t bitRate, QString* error) = 0;
    // Goes on the bus; called again on a running channel it only makes sure it runs.
    virtual bool Start(QString* error) = 0;
    // Hands one frame to the bus. False when it was not accepted for sending.
    virtual bool Transmit(const CanMessage& msg) = 0;
    // Leaves the bus; every waiting Receive returns at once.
    virtual void Close() = 0;

    // Takes the oldest received frame, waiting up to waitMs for one.
    bool Receive(CanMessage* out, int waitMs);
    // Who takes frames as they come, in the thread that delivers them, so a reader learns of
    // a frame without a thread switch of its own. Called under the queue's lock, in the
    // frames' order; false leaves the frame queued. An empty taker (the default) takes none;
    // once SetTaker returns, the old one is not called again.
    using Taker = std::function<bool(const CanMessage&)>;
    void SetTaker(Taker taker);
    // Waits up to `wait` for a queued frame that is due, and offers every due frame, in
    // order, to the taker; returns how many it took.
    int PassToTaker(std::chrono::microseconds wait);
    // Waits up to `wait` on the steady clock until a received frame is there to take; true
    // when one is.
    bool WaitPending(std::chrono::microseconds wait);
    int Pending();
    void ClearReceive();
    void SetAcceptance(const CanAcceptance& acceptance);
    // Set by the adapter library that opens the backend, before it opens it.
    void SetAdapterKind(CanAdapterKind kind) { m_kind = kind; }

protected:
    // The interface left the bus without being asked: the lost handler hears of it.
    // Backends report each loss once; the next Start puts the interface back on the bus.
    void ReportLost(const QString& reason);
    // Queues a frame that came from the bus (visible after delayMs). Frames the acceptance
    // filter refuses are dropped, as the controller would.
    void Deliver(const CanMessage& msg, int delayMs = 0);
    // Ends every wait in Receive and drops what is queued until OpenQueue.
    void ShutQueue();
    void OpenQueue();

private:
    using Clock = std::chrono::steady_clock;
    struct Queued {
        CanMessage msg;
        Clock::time_point due;
    };
    // Index of the first frame that is due, or -1.
    int FirstDue(Clock::time_point now) const;
    // Waits under `lock` until a frame is due (its index) or the deadline passes (-1).
    int WaitFirstDue(std::unique_lock<std::mutex>& lock, Clock::time_point deadline);

    std::mutex m_mutex;
    std::condition_variable m_cond;
    std::deque<Queued> m_queue;
    CanAcceptance m_acceptance;
    Taker m_taker;
    bool m_shut = false;
    std::atomic<CanAdapterKind> m_kind { CanAdapterKind::UsbCan };
};

// Which Qt Serial Bus plugin and interface serve a channel index: the environment
// (VELQUARIN_CAN_PLUGIN, VELQUARIN_CAN_INTERFACE) before the profile section "CanBackend"
// (keys "Plugin", "Interface"), else "socketcan" and "can<index>". An interface text that
// contains "%1" gets the index put in.
struct CanBackendChoice {
    QString plugin;
    QString interfaceName;
};
CanBackendChoice ChooseCanBackend(int channel);

// The one place that decides which backend serves a channel. Tests install a factory of
// their own; an empty factory restores the choice above.
using CanBackendFactory = std::function<std::shared_ptr<CanBackend>(int channel)>;
void SetCanBackendFactory(CanBackendFactory factory);
std::shared_ptr<CanBackend> CreateCanBackend(int channel);
