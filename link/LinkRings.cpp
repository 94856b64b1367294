#include "link/LinkLayer.h"
#include "link/LinkInternal.h"

#include <algorithm>
#include <chrono>
#include <cstring>

using namespace link_detail;

namespace {
// The scanner's found-flag, kept from pass to pass under g_csSerialRing.
bool g_bScanFound = false;

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

} // namespace

namespace link_detail {
void ScanSerialLocked()
{
    SerialScanState state { g_nSerialRxRead, g_nSerialReplyLen, g_bScanFound };
    const bool complete = LinkScanSerialReply(g_SerialRxRing, g_nSerialRxWrite, state);
    g_nSerialRxRead = state.read;
    g_nSerialReplyLen = state.replyLen;
    g_bScanFound = state.found;
    if (complete)
        SetReplyEvent();
}

void ScanCanLocked()
{
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

CanScanMark g_canScanMark;
std::condition_variable g_canRingCond;

void ScanOnce()
{
    const int type = g_nComType;
    if (type == COMM_RS232) {
        std::lock_guard lock(g_csSerialRing);
        ScanSerialLocked();
    } else if (IsUsbCanType(type)) {
        std::lock_guard lock(g_csCanRing);
        ScanCanLocked();
    }
}
} // namespace link_detail

void LinkClearSerialReply()
{
    std::lock_guard lock(g_csSerialRing);
    g_nSerialRxWrite = 0;
    g_nSerialRxRead = 0;
    g_nSerialReplyLen = 0;
    g_bScanFound = false;
    // Only the byte at the write index is ever looked at ahead of what was received.
    g_SerialRxRing[0] = 0;
    ResetReplyEvent();
}

namespace {
// Moves the read index past the reply the scanner found (its '#' and text up to the CR) and
// gives the new index; -1 when none is found. Under g_csSerialRing.
int PassSerialReplyLocked()
{
    const int read = g_nSerialRxRead;
    const int length = g_nSerialReplyLen;
    if (length < 1 || read < 0 || read + length > kSerialRxRingUsed)
        return -1;
    g_nSerialRxRead = std::min(read + length + 1, kSerialRxRingUsed);
    g_nSerialReplyLen = 0;
    return g_nSerialRxRead;
}
} // namespace

int LinkTakeSerialReply(uint8_t* dest, int capacity)
{
    std::lock_guard lock(g_csSerialRing);
    const int read = g_nSerialRxRead;
    const int count = std::min(g_nSerialReplyLen - 1, capacity);
    if (!dest || capacity <= 0 || PassSerialReplyLocked() < 0)
        return 0;
    std::memcpy(dest, g_SerialRxRing + read + 1, static_cast<size_t>(count));
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

int LinkDropSerialReply()
{
    std::lock_guard lock(g_csSerialRing);
    const int next = PassSerialReplyLocked();
    ResetReplyEvent();
    ScanSerialLocked();
    return next;
}

void LinkLookForCanReply(int cmdId)
{
    std::lock_guard lock(g_csCanRing);
    g_nExpectedCmdId = cmdId;
    g_canScanMark = {};
    ResetReplyEvent();
    ScanCanLocked();
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
