#include "link/LinkLayer.h"
#include "link/LinkInternal.h"
#include "link/CanBackend.h"
#include "link/SerialPort.h"
#include "platform/Locked.h"
#include "platform/Tick.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>

using namespace link_detail;

namespace {
constexpr int kReceiveWaitMs = 20;

// The receive thread scans what it stores and wakes the transaction itself, one thread
// switch from the reply's arrival; the scanner's timed pass is only a safety net.
constexpr int kScannerPassMs = 100;

constexpr int kSerialReadChunk = 64;

// The one reply event; g_hReplyEvent points at it once it is "created".
ManualResetEvent g_replyEvent;

// Threads and their gates.
std::mutex g_threadsMutex;
std::thread g_scannerThread;
std::thread g_receiveThread;
bool g_linkRunning = false;

// The pause gate of the receive thread.
std::mutex g_gateMutex;
std::condition_variable g_gateCond;
bool g_rxRunning = false;
bool g_rxParked = false;

void ParkWhilePaused()
{
    ChangeAndNotifyAll(g_gateMutex, g_gateCond, [] { g_rxParked = true; });
    while (g_bRxPause && !g_bLinkStop)
        WaitWake(kReceiveWaitMs);
    std::lock_guard lock(g_gateMutex);
    g_rxParked = false;
}

// The adapter hands a frame over in the thread that receives it from the bus: stored and
// scanned there, the reply wakes its transaction with no thread switch between. Checked
// under the ring's lock, which LinkPauseReceive passes through, so no frame lands after a
// pause has begun; a frame not taken stays in the adapter.
bool TakeUsbCanFrame(uint32_t devType, uint32_t devIndex, uint32_t canIndex, const VciFrameRecord& rec)
{
    {
        std::lock_guard lock(g_csCanRing);
        if (g_bRxPause || !IsUsbCanType(g_nComType) || devType != static_cast<uint32_t>(g_nVciDevType.load())
            || devIndex != static_cast<uint32_t>(g_nVciDevIndex.load()) || canIndex != static_cast<uint32_t>(g_nVciCanIndex.load()))
            return false;
        CanFrame& frame = g_CanRxRing[g_nCanRxWrite];
        frame = CanFrame {};
        frame.dataLength = std::min<uint32_t>(rec.DataLen, 8);
        frame.extended = rec.ExternFlag ? 1 : 0;
        frame.remote = rec.RemoteFlag ? 1 : 0;
        for (int i = 0; i < 4; ++i)
            frame.id[i] = static_cast<uint8_t>(rec.ID >> (24 - 8 * i));
        std::memcpy(frame.data, rec.Data, frame.dataLength);
        const int next = (g_nCanRxWrite + 1) % kCanRxRingSize;
        // A full ring loses its oldest frame rather than every frame it holds.
        if (next == g_nCanRxRead)
            g_nCanRxRead = (next + 1) % kCanRxRingSize;
        g_nCanRxWrite = next;
        ScanCanLocked();
    }
    g_canRingCond.notify_all();
    return true;
}

// Frames the adapter still holds (received during a pause, or not yet due) go the same way.
void PassUsbCanFrames()
{
    const uint32_t start = GetTickCount();
    if (UsbCanPassReceived(g_nVciDevType, g_nVciDevIndex, g_nVciCanIndex, kReceiveWaitMs) == 0) {
        // A closed adapter, or one whose frame was not taken, answers at once: wait out the
        // rest of the receive wait.
        const int spent = static_cast<int>(GetTickCount() - start);
        if (spent < kReceiveWaitMs)
            WaitWake(kReceiveWaitMs - spent);
    }
}

void ReceiveSerialBytes()
{
    const SerialWait wait = SerialWaitInput(kReceiveWaitMs, WakeFd());
    DrainWake();
    if (g_bRxPause || g_bLinkStop)
        return;
    if (wait == SerialWait::HungUp) {
        // Closed, so the device is free when it comes back (a USB adapter plugged in again
        // gets its old name only once nobody holds the old one).
        const SerialPortSettings port = SerialLastSettings();
        if (SerialCloseHungUp())
            LoseChannel(COMM_RS232, g_bRs232Open,
                        QStringLiteral("COM%1 (%2): the line hung up").arg(port.port).arg(port.device));
        return;
    }
    const int queued = SerialQueuedBytes();
    if (queued <= 0)
        return;
    int got;
    {
        std::lock_guard lock(g_csSerialRing);
        int write = g_nSerialRxWrite;
        if (write + queued > kSerialRxRingUsed) {
            write = 0;
            g_nSerialRxWrite = 0;
            std::memset(g_SerialRxRing, 0, kSerialRxRingUsed);
        }
        // Never past the part of the ring in use, whatever has arrived meanwhile.
        const int room = kSerialRxRingUsed - write;
        got = SerialRead(g_SerialRxRing + write, std::min(kSerialReadChunk, room + 1));
        if (got > 0) {
            // The scanner looks one byte past the write index: it must not see old bytes there.
            g_SerialRxRing[write + got] = 0;
            g_nSerialRxWrite = write + got;
            ScanSerialLocked();
        }
    }
    if (got < 0)
        WaitWake(5); // a failing line stays "readable"; do not spin on it
}
} // namespace

namespace link_detail {
// From the first serial or USB-CAN open on, the receive thread runs and the reply event exists.
void StartReceiveOnce()
{
    std::lock_guard lock(g_threadsMutex);
    if (!g_linkRunning || !g_bRxThreadPending)
        return;
    g_replyEvent.Reset();
    g_hReplyEvent = &g_replyEvent;
    {
        std::lock_guard gate(g_gateMutex);
        g_rxRunning = true;
        g_rxParked = false;
    }
    g_receiveThread = std::thread(LinkReceiveThread, nullptr);
    g_bRxThreadPending = 0;
}
} // namespace link_detail

void LinkInit()
{
    std::lock_guard lock(g_threadsMutex);
    if (g_linkRunning)
        return;
    g_bLinkStop = 0;
    LinkResetAll();
    LinkClearSerialReply();
    {
        std::lock_guard ring(g_csCanRing);
        g_nCanRxWrite = 0;
        g_nCanRxRead = 0;
        g_nExpectedCmdId = 0;
        g_canScanMark = {};
    }
    g_linkRunning = true;
    UsbCanSetReceiver(TakeUsbCanFrame);
    g_scannerThread = std::thread(LinkReplyScannerThread, nullptr);
    SetCanLostHandler([](CanAdapterKind kind, const QString& reason) {
        if (kind == CanAdapterKind::Card)
            LoseChannel(COMM_CAN_K8110, g_bCanK8110Open, reason);
        else
            LoseChannel(IsUsbCanType(g_nComType) ? g_nComType.load() : COMM_CAN_USB2, g_bCanUsbOpen, reason);
    });
}

void LinkShutdown()
{
    {
        std::lock_guard lock(g_threadsMutex);
        if (!g_linkRunning)
            return;
        g_bLinkStop = 1;
        g_linkRunning = false;
    }
    SetCanLostHandler({});
    UsbCanSetReceiver(nullptr);
    WakeReceive();
    WakeScanner();
    if (g_scannerThread.joinable())
        g_scannerThread.join();
    if (g_receiveThread.joinable())
        g_receiveThread.join();
    {
        // No transaction may be half-way through a channel while it closes.
        std::lock_guard link(g_csLink);
        LinkCloseAll();
    }
    g_hReplyEvent = nullptr;
    g_bRxThreadPending = 1;
}

int LinkReceiveThread(void*)
{
    while (!g_bLinkStop) {
        if (g_bRxPause) {
            ParkWhilePaused();
            continue;
        }
        const int type = g_nComType;
        if (IsUsbCanType(type))
            PassUsbCanFrames();
        else if (type == COMM_RS232)
            ReceiveSerialBytes();
        else
            WaitWake(kReceiveWaitMs); // the card is polled by the transaction itself
    }
    ChangeAndNotifyAll(g_gateMutex, g_gateCond, [] { g_rxRunning = false; });
    return 0;
}

int LinkReplyScannerThread(void*)
{
    while (!g_bLinkStop) {
        {
            // New bytes or frames wake the scanner; the timed pass stays as a fallback.
            std::unique_lock lock(g_scanMutex);
            g_scanCond.wait_for(lock, std::chrono::milliseconds(kScannerPassMs),
                                [] { return g_scanPending || g_bLinkStop; });
            g_scanPending = false;
        }
        if (!g_bLinkStop)
            ScanOnce();
    }
    return 0;
}

void LinkPauseReceive(bool pause)
{
    g_bRxPause = pause ? 1 : 0;
    WakeReceive();
    if (!pause)
        return;
    // A frame being handed over by the adapter lands before this returns; none after it.
    { std::lock_guard ring(g_csCanRing); }
    std::unique_lock lock(g_gateMutex);
    g_gateCond.wait(lock, [] { return !g_rxRunning || g_rxParked; });
}
