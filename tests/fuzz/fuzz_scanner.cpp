// fuzz-sources: link/ReplyScanner.cpp
// Feeds the reply scanners arbitrary ring contents and indices, pass after pass, and checks
// that a reply they report is one and that they never look outside the rings.
#include "link/ReplyScanner.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
uint16_t Take16(const uint8_t*& data, size_t& size)
{
    uint16_t value = 0;
    if (size >= 2) {
        value = static_cast<uint16_t>(data[0] | (data[1] << 8));
        data += 2;
        size -= 2;
    }
    return value;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly the rings' sizes, so that a look past their ends is caught.
    static std::vector<uint8_t> ring(kSerialRxRingSize);
    static std::vector<CanFrame> frames(kCanRxRingSize);
    std::memset(ring.data(), 0, ring.size());

    uint16_t read = Take16(data, size);
    const uint16_t span = Take16(data, size);
    const int passes = span >> 13; // 0..7 further passes
    // The write index a little way after the read index, across the wrap now and then;
    // one value in eight puts it at the very end of the ring.
    int write = (read % kSerialRxRingUsed + span % 1024) % kSerialRxRingUsed;
    if ((span & 0x1C00) == 0x1C00) {
        write = kSerialRxRingUsed;
        read = static_cast<uint16_t>(kSerialRxRingUsed - span % 1024);
    }
    SerialScanState state;
    state.read = read;
    // The bytes lie from the read index on, as the receive side leaves them.
    for (size_t i = 0; i < size && i < 1024; ++i)
        ring[(read % kSerialRxRingUsed + i) % kSerialRxRingUsed] = data[i];

    for (int pass = 0; pass <= passes; ++pass) {
        if (LinkScanSerialReply(ring.data(), write, state)) {
            Check(state.read >= 0 && state.read < kSerialRxRingUsed);
            Check(state.replyLen >= 2);
            Check(state.read + state.replyLen < kSerialRxRingSize);
            Check(ring[state.read] == '#');
            Check(ring[state.read + 1] >= 0x2A && ring[state.read + 1] <= 0x5A);
            Check(ring[state.read + state.replyLen - 1] == '\r');
            Check(ring[state.read + state.replyLen] == '\n');
            // What the transaction does with it: on past the LF.
            state.read += state.replyLen + 1;
        } else {
            Check(state.read >= 0 && state.read <= kSerialRxRingUsed);
        }
    }

    // The CAN ring: the same bytes as frame records from the read index on.
    int canRead = read % kCanRxRingSize;
    const int count = static_cast<int>(std::min<size_t>(size / sizeof(CanFrame), 64));
    for (int i = 0; i < count; ++i)
        std::memcpy(&frames[(canRead + i) % kCanRxRingSize], data + i * sizeof(CanFrame), sizeof(CanFrame));
    const int canWrite = (canRead + span % 80) % kCanRxRingSize;
    const int expected = span & 0xFF;
    if (LinkScanCanReply(frames.data(), canWrite, expected, canRead)) {
        Check(canRead >= 0 && canRead < kCanRxRingSize);
        const CanFrame& frame = frames[canRead];
        Check(frame.data[3] * 256 + frame.data[2] == expected + 0x8000);
        Check(frame.id[3] == 1);
    }
    for (int i = 0; i < count; ++i)
        frames[(read % kCanRxRingSize + i) % kCanRxRingSize] = CanFrame {};
    return 0;
}
