#include "link/LinkLayer.h"

#include "link/CanBackend.h"
#include "link/OpenError.h"
#include "link/SerialPort.h"
#include "platform/Tick.h"

#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

const uint32_t UsbEuReferenceTable[10] = {
    0x00060003, 0x00060004, 0x00060007, 0x001C0008, 0x001C0011,
    0x00160023, 0x001C002C, 0x001600B3, 0x001C00E0, 0x001C01C1,
};

std::atomic<int> g_nComType { COMM_RS232 };
std::atomic<int> g_nCurNode { 1 };
std::atomic<int> g_bRs232Open { 0 };
std::atomic<int> g_bCanK8110Open { 0 };
std::atomic<int> g_bCanUsbOpen { 0 };
std::atomic<int> g_nVciDevType { 4 };
std::atomic<int> g_nVciDevIndex { 0 };
std::atomic<int> g_nVciCanIndex { 0 };
std::atomic<int> g_nK8110Index { 0 };
std::atomic<int> g_bK8110CardReady { 0 };
std::atomic<int> g_nUsbEuRateIndex { 0 };

std::recursive_mutex g_csLink;
std::atomic<ManualResetEvent*> g_hReplyEvent { nullptr };

uint8_t g_SerialRxRing[kSerialRxRingSize];
std::atomic<int> g_nSerialRxWrite { 0 };
std::atomic<int> g_nSerialRxRead { 0 };
std::atomic<int> g_nSerialReplyLen { 0 };
std::mutex g_csSerialRing;
CanFrame g_CanRxRing[kCanRxRingSize];
std::atomic<int> g_nCanRxWrite { 0 };
std::atomic<int> g_nCanRxRead { 0 };
std::atomic<int> g_nExpectedCmdId { 0 };
std::mutex g_csCanRing;

std::atomic<int> g_bLinkStop { 0 };
std::atomic<int> g_bRxPause { 0 };
std::atomic<uint8_t> g_bRxThreadPending { 1 };

std::vector<uint16_t> g_arrFoundNodes;
std::mutex g_csFoundNodes;

namespace {
constexpr int kReceiveWaitMs = 20;
// Every write into a ring wakes the scanner, so its timed pass is only a safety net; a
// pass every millisecond kept an idle program busy for no reply.
constexpr int kScannerPassMs = 100;
constexpr int kSerialReadChunk = 64;

const struct {
    int kbps;
    uint8_t btr0;
    uint8_t btr1;
} kBitRates[] = {
    { 5, 0xBF, 0xFF }, { 10, 0x31, 0x1C }, { 20, 0x18, 0x1C }, { 40, 0x87, 0xFF },
    { 50, 0x09, 0x1C }, { 80, 0x83, 0xFF }, { 100, 0x04, 0x1C }, { 125, 0x03, 0x1C },
    { 200, 0x81, 0xFA }, { 250, 0x01, 0x1C }, { 400, 0x80, 0xFA }, { 500, 0x00, 0x1C },
    { 666, 0x80, 0xB6 }, { 800, 0x00, 0x16 }, { 1000, 0x00, 0x14 },
};

// The scanner's found-flag, kept from pass to pass under g_csSerialRing.
bool g_bScanFound = false;
// How far the CAN ring has been looked through for the awaited reply, under g_csCanRing:
// frames already found not to answer it are not looked at again, so a busy bus filling the
// ring costs one look per frame instead of a pass over the whole ring per frame.
struct CanScanMark {
    int read = -1; // the read index and command id the mark belongs to
    int cmdId = -1;
    int scannedTo = 0;
};
CanScanMark g_canScanMark;
// The one reply event; g_hReplyEvent points at it once it is "created".
ManualResetEvent g_replyEvent;

// Threads and their gates.
std::mutex g_threadsMutex;
std::thread g_scannerThread;
std::thread g_receiveThread;
bool g_linkRunning = false;

// Wakes the receive thread out of its waits (poll on the port, the pause gate).
int WakeFd()
{
    static const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd;
}

void WakeReceive()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(WakeFd(), &one, sizeof one);
}

void DrainWake()
{
    uint64_t count;
    [[maybe_unused]] const ssize_t n = ::read(WakeFd(), &count, sizeof count);
}

void WaitWake(int timeoutMs)
{
    pollfd fd { WakeFd(), POLLIN, 0 };
    ::poll(&fd, 1, timeoutMs);
    DrainWake();
}

// Woken whenever a frame lands in the USB-CAN ring; waited on under g_csCanRing.
std::condition_variable g_canRingCond;

std::mutex g_lostMutex;
ChannelLostHandler g_lostHandler;

// The family behind openFlag counts as closed from now on; the handler hears of it once.
void LoseChannel(int commType, std::atomic<int>& openFlag, const QString& reason)
{
    if (!openFlag.exchange(0))
        return;
    qWarning("%s", qPrintable(reason));
    std::lock_guard lock(g_lostMutex);
    if (g_lostHandler)
        g_lostHandler(commType, reason);
}

// The pause gate of the receive thread.
std::mutex g_gateMutex;
std::condition_variable g_gateCond;
bool g_rxRunning = false;
bool g_rxParked = false;

// The scanner's wake-up: new bytes or frames are in a ring.
std::mutex g_scanMutex;
std::condition_variable g_scanCond;
bool g_scanPending = false;

void WakeScanner()
{
    {
        std::lock_guard lock(g_scanMutex);
        g_scanPending = true;
    }
    g_scanCond.notify_one();
}

void SetReplyEvent()
{
    if (ManualResetEvent* event = g_hReplyEvent.load())
        event->Set();
}

void ResetReplyEvent()
{
    if (ManualResetEvent* event = g_hReplyEvent.load())
        event->Reset();
}

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

void ParkWhilePaused()
{
    {
        std::lock_guard lock(g_gateMutex);
        g_rxParked = true;
    }
    g_gateCond.notify_all();
    while (g_bRxPause && !g_bLinkStop)
        WaitWake(kReceiveWaitMs);
    std::lock_guard lock(g_gateMutex);
    g_rxParked = false;
}

void ScanOnce();

void ReceiveUsbCanFrame()
{
    VciFrameRecord rec {};
    const uint32_t start = GetTickCount();
    if (VCI_Receive(g_nVciDevType, g_nVciDevIndex, g_nVciCanIndex, &rec, 1, kReceiveWaitMs) != 1) {
        // A closed adapter answers at once: wait out the rest of the receive wait.
        const int spent = static_cast<int>(GetTickCount() - start);
        if (spent < kReceiveWaitMs)
            WaitWake(kReceiveWaitMs - spent);
        return;
    }
    CanFrame frame {};
    frame.dataLength = std::min<uint32_t>(rec.DataLen, 8);
    frame.extended = rec.ExternFlag ? 1 : 0;
    frame.remote = rec.RemoteFlag ? 1 : 0;
    for (int i = 0; i < 4; ++i)
        frame.id[i] = static_cast<uint8_t>(rec.ID >> (24 - 8 * i));
    std::memcpy(frame.data, rec.Data, frame.dataLength);
    {
        std::lock_guard lock(g_csCanRing);
        const int write = g_nCanRxWrite;
        g_CanRxRing[write] = frame;
        const int next = (write + 1) % kCanRxRingSize;
        // A full ring loses its oldest frame rather than every frame it holds.
        if (next == g_nCanRxRead)
            g_nCanRxRead = (next + 1) % kCanRxRingSize;
        g_nCanRxWrite = next;
    }
    g_canRingCond.notify_all();
    // Scanned here rather than by the scanner thread: a transaction waiting for this frame
    // is woken one thread switch sooner.
    ScanOnce();
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
        if (got > 0)
            g_nSerialRxWrite = write + got;
    }
    if (got > 0)
        WakeScanner();
    else if (got < 0)
        WaitWake(5); // a failing line stays "readable"; do not spin on it
}

void ScanOnce()
{
    const int type = g_nComType;
    if (type == COMM_RS232) {
        std::lock_guard lock(g_csSerialRing);
        SerialScanState state { g_nSerialRxRead, g_nSerialReplyLen, g_bScanFound };
        const bool complete = LinkScanSerialReply(g_SerialRxRing, g_nSerialRxWrite, state);
        g_nSerialRxRead = state.read;
        g_nSerialReplyLen = state.replyLen;
        g_bScanFound = state.found;
        if (complete)
            SetReplyEvent();
    } else if (IsUsbCanType(type)) {
        std::lock_guard lock(g_csCanRing);
        const int from = g_nCanRxRead;
        const int cmdId = g_nExpectedCmdId;
        const int write = g_nCanRxWrite;
        const bool marked = g_canScanMark.read == from && g_canScanMark.cmdId == cmdId;
        int read = marked ? g_canScanMark.scannedTo : from;
        if (LinkScanCanReply(g_CanRxRing, write, cmdId, read)) {
            g_nCanRxRead = read;
            SetReplyEvent();
        } else {
            g_canScanMark = { from, cmdId, write };
        }
    }
}

K8110InitRecord CardInitRecord(const CanSettings& settings)
{
    K8110InitRecord init;
    std::memcpy(&init, reinterpret_cast<const uint8_t*>(&settings) + offsetof(CanSettings, BTR0), sizeof init);
    return init;
}

bool KnownTimingOrSay(int commType, const CanSettings& settings)
{
    if (CanTimingIsKnown(settings.BTR0, settings.BTR1))
        return true;
    LinkSetOpenError(commType, QStringLiteral("CAN bus timing %1 %2 is not one of the known bit rates")
            .arg(settings.BTR0, 2, 16, QChar(u'0')).arg(settings.BTR1, 2, 16, QChar(u'0')).toUpper());
    return false;
}

int OpenUsbCan(const CanSettings& settings)
{
    const uint32_t type = static_cast<uint32_t>(g_nVciDevType.load());
    const uint32_t device = static_cast<uint32_t>(g_nVciDevIndex.load());
    const uint32_t can = settings.deviceNumber;
    const int rateIndex = g_nUsbEuRateIndex;
    if (rateIndex < 0 || rateIndex >= static_cast<int>(std::size(UsbEuReferenceTable))) {
        LinkSetOpenError(COMM_CAN_USB2, QStringLiteral("USB-CAN reference index %1 is outside the table").arg(rateIndex));
        return 0;
    }
    VciErrorRecord error {};
    if (VCI_OpenDevice(type, device, can) != 1) {
        VCI_ReadErrInfo(type, device, can, &error);
        return 0;
    }
    const uint32_t reference = UsbEuReferenceTable[rateIndex];
    if (VCI_SetReference(type, device, can, 0, &reference) != 1) {
        LinkSetOpenError(COMM_CAN_USB2, QStringLiteral("USB-CAN adapter %1 refuses its reference word").arg(can));
        VCI_CloseDevice(type, device);
        return 0;
    }
    const VciInitRecord init = UsbCanInitRecord(settings);
    if (VCI_InitCAN(type, device, can, &init) != 1) {
        VCI_ReadErrInfo(type, device, can, &error);
        VCI_CloseDevice(type, device);
        return 0;
    }
    if (VCI_StartCAN(type, device, can) == 0) {
        VCI_ReadErrInfo(type, device, can, &error);
        return 0;
    }
    g_nVciCanIndex = static_cast<int>(can);
    LinkSetOpenError(COMM_CAN_USB2, QString());
    return 1;
}
}

VciInitRecord UsbCanInitRecord(const CanSettings& settings)
{
    // The adapter accepts every identifier; the record's ACR and AMR are the card's.
    VciInitRecord init {};
    init.AccCode = 0;
    init.AccMask = 0xFFFFFFFF;
    init.Reserved = 0;
    init.Filter = 1;
    init.Timing0 = settings.BTR0;
    init.Timing1 = settings.BTR1;
    init.Mode = 0;
    return init;
}

int VciDeviceTypeOf(int commType)
{
    switch (commType) {
    case COMM_CAN_USB2: return 4;
    case COMM_CAN_USB1: return 3;
    case COMM_CAN_USB_E_U: return 20;
    case COMM_CAN_USB_2E_U: return 21;
    default: return 0;
    }
}

bool IsUsbCanType(int commType)
{
    return commType >= COMM_CAN_USB2 && commType <= COMM_CAN_USB_2E_U;
}

bool IsCanType(int commType)
{
    return commType == COMM_CAN_K8110 || IsUsbCanType(commType);
}

void CanInitDefaults()
{
    g_nK8110Index = 0;
    g_bK8110CardReady = 0;
    g_bCanUsbOpen = 0;
    g_nVciDevType = 4;
    g_nVciDevIndex = 0;
    g_nVciCanIndex = 0;
}

void LinkResetAll()
{
    SerialInitDefaults();
    CanInitDefaults();
}

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

void LinkCloseAll()
{
    SerialClose();
    CAN_Close(g_nK8110Index);
    VCI_CloseDevice(static_cast<uint32_t>(g_nVciDevType.load()), static_cast<uint32_t>(g_nVciDevIndex.load()));
}

int LinkOpenChannel(int commType, const SerialSettings* settings)
{
    if (commType != COMM_RS232 || !settings)
        return 0;
    if (settings->byteSize < 5 || settings->byteSize > 8 || settings->port > 0x7FFFFFFF)
        return 0;
    const int stopBits = settings->stopBits == 1 ? 1 : settings->stopBits == 2 ? 2 : 3;
    if (!SerialOpen(static_cast<int>(settings->port), settings->baud, settings->parity,
                    static_cast<uint8_t>(settings->byteSize), stopBits))
        return 0;
    StartReceiveOnce();
    WakeReceive(); // the thread picks up the new port at once
    return 1;
}

int LinkOpenChannel(int commType, const CanSettings* settings)
{
    if (!settings || (commType != COMM_CAN_K8110 && !IsUsbCanType(commType)))
        return 0;
    if (!KnownTimingOrSay(commType, *settings))
        return 0;
    if (commType == COMM_CAN_K8110) {
        const K8110InitRecord init = CardInitRecord(*settings);
        return K8110Open(static_cast<int>(settings->deviceNumber), &init);
    }
    if (!OpenUsbCan(*settings))
        return 0;
    StartReceiveOnce();
    WakeReceive();
    return 1;
}

int LinkResetChannel(int commType, const SerialSettings* settings)
{
    return LinkOpenChannel(commType, settings);
}

int LinkResetChannel(int commType, const CanSettings* settings)
{
    if (!settings)
        return 0;
    if (commType == COMM_CAN_K8110) {
        if (!KnownTimingOrSay(commType, *settings))
            return 0;
        const K8110InitRecord init = CardInitRecord(*settings);
        return K8110Reset(static_cast<int>(settings->deviceNumber), &init);
    }
    if (commType == COMM_CAN_USB2) {
        VCI_ResetCAN(static_cast<uint32_t>(g_nVciDevType.load()), static_cast<uint32_t>(g_nVciDevIndex.load()),
                     settings->deviceNumber);
        return 1;
    }
    return 0;
}

int K8110Open(int index, const K8110InitRecord* init)
{
    if (g_bK8110CardReady) {
        CAN_Close(g_nK8110Index);
        g_bK8110CardReady = 0;
    }
    if (!CAN_Open(index) || !CAN_Init(index, init)) {
        g_bK8110CardReady = 0;
        return 0;
    }
    g_nK8110Index = index;
    g_bK8110CardReady = 1;
    LinkSetOpenError(COMM_CAN_K8110, QString());
    return 1;
}

int K8110Reset(int index, const K8110InitRecord* init)
{
    CAN_Reset(index);
    if (!CAN_Init(index, init)) {
        g_bK8110CardReady = 0;
        return 0;
    }
    g_nK8110Index = index;
    g_bK8110CardReady = 1;
    LinkSetOpenError(COMM_CAN_K8110, QString());
    return 1;
}

int CanBitrateToTiming(int kbps, uint8_t* btr0, uint8_t* btr1)
{
    for (const auto& rate : kBitRates) {
        if (rate.kbps == kbps) {
            if (btr0)
                *btr0 = rate.btr0;
            if (btr1)
                *btr1 = rate.btr1;
            return 1;
        }
    }
    return 0;
}

bool CanTimingIsKnown(uint8_t btr0, uint8_t btr1)
{
    return std::any_of(std::begin(kBitRates), std::end(kBitRates),
                       [&](const auto& rate) { return rate.btr0 == btr0 && rate.btr1 == btr1; });
}

size_t HexTextToBytes(std::string_view text, uint8_t* dest, size_t capacity)
{
    auto nibble = [](char c) -> uint8_t {
        if (c >= '0' && c <= '9')
            return static_cast<uint8_t>(c - '0');
        if (c >= 'a' && c <= 'f')
            return static_cast<uint8_t>(c - 'a' + 10);
        if (c >= 'A' && c <= 'F')
            return static_cast<uint8_t>(c - 'A' + 10);
        return 0;
    };
    if (!dest)
        return 0;
    const size_t pairs = std::min({ text.size() / 2, size_t { 10240 }, capacity });
    for (size_t i = 0; i < pairs; ++i)
        dest[i] = static_cast<uint8_t>(nibble(text[2 * i]) * 16 + nibble(text[2 * i + 1]));
    return pairs;
}

bool BuildCanSettings(int deviceNumber, int kbps, std::string_view acr, std::string_view amr, CanSettings* out)
{
    if (!out)
        return false;
    *out = CanSettings {};
    out->deviceNumber = static_cast<uint32_t>(deviceNumber);
    out->mode = kCanSettingsMode;
    HexTextToBytes(acr, out->ACR, sizeof out->ACR);
    HexTextToBytes(amr, out->AMR, sizeof out->AMR);
    return CanBitrateToTiming(kbps, &out->BTR0, &out->BTR1) == 1;
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
            ReceiveUsbCanFrame();
        else if (type == COMM_RS232)
            ReceiveSerialBytes();
        else
            WaitWake(kReceiveWaitMs); // the card is polled by the transaction itself
    }
    {
        std::lock_guard lock(g_gateMutex);
        g_rxRunning = false;
    }
    g_gateCond.notify_all();
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

void LinkSetChannelLostHandler(ChannelLostHandler handler)
{
    std::lock_guard lock(g_lostMutex);
    g_lostHandler = std::move(handler);
}

void LinkPauseReceive(bool pause)
{
    g_bRxPause = pause ? 1 : 0;
    WakeReceive();
    if (!pause)
        return;
    std::unique_lock lock(g_gateMutex);
    g_gateCond.wait(lock, [] { return !g_rxRunning || g_rxParked; });
}

void LinkClearSerialReply()
{
    std::lock_guard lock(g_csSerialRing);
    g_nSerialRxWrite = 0;
    g_nSerialRxRead = 0;
    g_nSerialReplyLen = 0;
    g_bScanFound = false;
    std::memset(g_SerialRxRing, 0, kSerialRxRingUsed);
    ResetReplyEvent();
}

int LinkTakeSerialReply(uint8_t* dest, int capacity)
{
    std::lock_guard lock(g_csSerialRing);
    const int read = g_nSerialRxRead;
    const int length = g_nSerialReplyLen;
    if (!dest || capacity <= 0 || length < 1 || read < 0 || read + length > kSerialRxRingUsed)
        return 0;
    const int count = std::min(length - 1, capacity);
    std::memcpy(dest, g_SerialRxRing + read + 1, static_cast<size_t>(count));
    g_nSerialRxRead = std::min(read + length + 1, kSerialRxRingUsed);
    g_nSerialReplyLen = 0;
    return count;
}

void LinkExpectCanReply(int cmdId)
{
    std::lock_guard lock(g_csCanRing);
    g_nExpectedCmdId = cmdId;
    g_nCanRxRead = g_nCanRxWrite.load();
    g_canScanMark = {};
    ResetReplyEvent();
}

bool LinkTakeCanReply(CanFrame* reply)
{
    if (!reply)
        return false;
    std::lock_guard lock(g_csCanRing);
    int read = g_nCanRxRead;
    if (!LinkScanCanReply(g_CanRxRing, g_nCanRxWrite, g_nExpectedCmdId, read))
        return false;
    const CanFrame& found = g_CanRxRing[read];
    *reply = CanFrame {};
    reply->extended = found.extended;
    reply->remote = found.remote;
    reply->dataLength = std::min<uint32_t>(found.dataLength, 8);
    std::memcpy(reply->id, found.id, sizeof reply->id);
    std::memcpy(reply->data, found.data, reply->dataLength);
    g_nCanRxRead = (read + 1) % kCanRxRingSize;
    g_nExpectedCmdId = 0;
    return true;
}

void LinkDiscardCanFrames()
{
    std::lock_guard lock(g_csCanRing);
    g_nCanRxRead = g_nCanRxWrite.load();
    g_canScanMark = {};
}

bool LinkWaitCanFrame(CanFrame* frame, uint32_t timeoutMs)
{
    std::unique_lock lock(g_csCanRing);
    if (!g_canRingCond.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [] { return g_nCanRxRead != g_nCanRxWrite || g_bLinkStop; })
        || g_nCanRxRead == g_nCanRxWrite)
        return false;
    const int read = g_nCanRxRead;
    *frame = g_CanRxRing[read];
    g_nCanRxRead = (read + 1) % kCanRxRingSize;
    return true;
}

bool LinkWaitReply(uint32_t timeoutMs)
{
    ManualResetEvent* event = g_hReplyEvent.load();
    return event && event->Wait(timeoutMs);
}
