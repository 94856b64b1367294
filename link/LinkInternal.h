#pragma once

#include "link/LinkLayer.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>

// What the link layer's own files share and nothing else sees: the wake-ups of the two
// threads, the scanner's pass, the CAN ring's scan mark, the start of the receive thread
// and the loss of a channel.
namespace link_detail {

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

} // namespace link_detail
