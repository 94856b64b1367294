#include "link/ReplyScanner.h"

#include "link/CanFrameCodec.h"

namespace {
bool InRange(int index, int limit)
{
    return index >= 0 && index <= limit;
}
}

bool LinkScanSerialReply(const uint8_t* ring, int write, SerialScanState& state)
{
    if (!InRange(write, kSerialRxRingUsed) || !InRange(state.read, kSerialRxRingUsed) || state.read == write)
        return false;
    int i = state.read;
    if (i == kSerialRxRingUsed)
        i = 0; // the end of the ring: the receive side carries on at 0
    int start = i;
    for (int steps = 0; i != write && steps < kSerialRxRingUsed; ++steps) {
        const uint8_t next = ring[i + 1];
        if (ring[i] == '#' && next >= 0x2A && next <= 0x5A) {
            state.found = true;
            start = i;
        }
        if (ring[i] == '\r' && next == '\n' && i >= start) {
            state.replyLen = i - start + 1;
            if (state.found) {
                state.read = start;
                state.found = false;
                return true;
            }
        }
        if (++i == kSerialRxRingUsed && write != kSerialRxRingUsed)
            i = 0;
    }
    state.read = start;
    return false;
}

bool LinkScanCanReply(const CanFrame* ring, int write, int expectedCmdId, int& read)
{
    if (!InRange(write, kCanRxRingSize - 1) || !InRange(read, kCanRxRingSize - 1))
        return false;
    const int64_t wanted = static_cast<int64_t>(expectedCmdId) + kReplyCommandOffset;
    for (int i = read, steps = 0; i != write && steps < kCanRxRingSize; ++steps, i = (i + 1) % kCanRxRingSize) {
        const CanFrame& frame = ring[i];
        if (frame.data[3] * 256 + frame.data[2] == wanted && frame.id[3] == 1) {
            read = i;
            return true;
        }
    }
    return false;
}
