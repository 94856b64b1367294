#pragma once

#include "link/CanFrame.h"

#include <cstdint>

// The serial receive ring: 65535 bytes in use; one more byte that always stays 0, so the
// scanner may look one byte past any position.
constexpr int kSerialRxRingSize = 65536;
constexpr int kSerialRxRingUsed = 65535;
// The USB-CAN receive ring, in frame records.
constexpr int kCanRxRingSize = 65535;

// What the serial reply scanner keeps from pass to pass.
struct SerialScanState {
    int read = 0;       // where the next pass begins; on the '#' of a reply once found
    int replyLen = 0;   // '#' to CR inclusive, of the last CR LF seen
    bool found = false; // a '#' followed by '*'..'Z' was seen and its CR LF not yet
};

// One pass of the serial reply scanner over ring[state.read .. write) (65535 wraps to 0).
// A reply is '#', a character from '*' to 'Z', the text, CR LF; the last such '#' before
// the CR LF starts it, so noise or an echo before it is skipped. True when one is complete:
// state.read is on its '#' and state.replyLen counts '#' to CR. Otherwise state.read is
// left on the last '#' seen (or where the pass began), for the next pass to resume there.
bool LinkScanSerialReply(const uint8_t* ring, int write, SerialScanState& state);

// One pass of the USB-CAN reply scanner over ring[read .. write) (wrapping at 65535): true
// with `read` on the first record that carries expectedCmdId + 0x8000 in data[2..3]
// (little-endian) and 1 as the lowest identifier byte; records before it are skipped.
// False with `read` unchanged when none does.
bool LinkScanCanReply(const CanFrame* ring, int write, int expectedCmdId, int& read);
