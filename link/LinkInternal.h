#pragma once

#include "link/CommResult.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// What the link layer's own files share and nothing else sees: the wake-ups of the two
// threads, the scanner's pass, the CAN ring's scan mark, the start of the receive thread,
// the loss of a channel, and the waits for a CAN answer after a request went out.
namespace link_detail {

using Clock = std::chrono::steady_clock;

// Whole milliseconds since `since`.
inline int ElapsedMs(Clock::time_point since)
{
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Whole milliseconds until `until`, at least 1 while it lies ahead, 0 once it has passed.
inline uint32_t MsUntil(Clock::time_point until)
{
    const auto left = until - Clock::now();
    return left <= Clock::duration::zero()
        ? 0
        : static_cast<uint32_t>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

int WakeFd();
void WakeReceive();
void DrainWake();
void WaitWake(int timeoutMs);

extern std::mutex g_scanMutex;
extern std::condition_variable g_scanCond;
extern bool g_scanPending;
void WakeScanner();

void ScanOnce();
// One pass of the scanner over the serial ring; under g_csSerialRing.
void ScanSerialLocked();
// One pass of the scanner over the USB-CAN ring; under g_csCanRing.
void ScanCanLocked();
// How far the CAN ring has been looked through for the awaited reply, under g_csCanRing:
// frames already found not to answer it are not looked at again, so a busy bus filling the
// ring costs one look per frame instead of a pass over the whole ring per frame.
struct CanScanMark {
    int read = -1; // the read index and command id the mark belongs to
    int cmdId = -1;
    int scannedTo = 0;
};
extern CanScanMark g_canScanMark;
// Woken whenever a frame lands in the USB-CAN ring; waited on under g_csCanRing.
extern std::condition_variable g_canRingCond;

void StartReceiveOnce();

void LoseChannel(int commType, std::atomic<int>& openFlag, const QString& reason);

// Card: receives for up to waitUs until a frame answers the node's command; frames that
// answer something else are dropped. COMM_OK with the frame and its length, else
// COMM_CAN_TIMEOUT or COMM_CAN_RECEIVE_FAILED.
CommResult AwaitCardAnswer(int node, CommandId id, int64_t waitUs, CanFrame* got, int* gotLength);
// USB-CAN: waits up to waitMs for a record that answers the node's command, looking from
// the ring's read index on; another node's answer to the same command is passed over.
bool AwaitUsbReply(int node, CommandId id, int waitMs, CanFrame& got);

} // namespace link_detail
