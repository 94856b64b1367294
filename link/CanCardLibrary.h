#pragma once

#include <cstdint>

// The k8110 CAN card library: an SJA1000-style controller per card index, reached through
// the CAN backend (link/CanBackend.h). Every call takes the card index first and returns
// non-zero on success. Frames travel in the controller's receive-buffer layout:
//   byte 0   frame information: data length in bits 0-3, bit 6 remote, bit 7 extended
//   standard frame: bytes 1-2 identifier (bits 10-3, then bits 2-0 in bits 7-5), data from 3
//   extended frame: bytes 1-4 identifier (bits 28-21, 20-13, 12-5, 4-0 in bits 7-3), data from 5

#pragma pack(push, 1)
// Handed to CAN_Init: bus timing, acceptance code and mask (single filter), mode byte.
struct K8110InitRecord {
    uint8_t BTR0;
    uint8_t BTR1;
    uint8_t ACR[4];
    uint8_t AMR[4];
    uint8_t Mode;
};
// A controller register to read: the caller sets the address, the library the value.
struct K8110RegRecord {
    uint8_t address;
    uint8_t value;
};
#pragma pack(pop)
static_assert(sizeof(K8110InitRecord) == 11, "the card's initialisation record is 11 bytes");
static_assert(sizeof(K8110RegRecord) == 2, "a register record is 2 bytes");

// Register 29: the receive-message counter, the number of frames waiting.
constexpr uint8_t K8110_REG_RX_COUNT = 29;
// A frame to send is at most 13 bytes; a receive buffer must hold 13 (callers use 20).
constexpr int K8110_FRAME_MAX = 13;

extern "C" {
int CAN_Open(int index);
// Sets the bit rate from BTR0/BTR1 (refused when they give no usable rate), loads the
// acceptance filter, empties the receive buffer and goes on the bus. The mode byte is kept
// for the caller's sake; the controller always runs in its normal mode.
int CAN_Init(int index, const K8110InitRecord* init);
// Puts the controller into reset: received frames are dropped and nothing is sent or
// received until the next CAN_Init.
int CAN_Reset(int index);
int CAN_ReadReg(int index, K8110RegRecord* reg);
// Waits until a received frame waits (what register 29 then counts), waking as soon as one
// arrives; non-zero when one does. The wait is measured on the monotonic clock from the call,
// to the microsecond: a reply wait of 50 ms ends 50 ms after the request, not at the next
// whole millisecond counted after it. A card that is not running just waits.
int CAN_WaitRecvUs(int index, int64_t waitUs);
// The same wait given in milliseconds.
int CAN_WaitRecv(int index, int waitMs);
// Takes one received frame into `frame` (size bytes, at least 13); 0 when none is waiting.
int CAN_Recv(int index, uint8_t* frame, int size);
// Sends the frame held in the first bytes of `frame` (size bytes available).
int CAN_Trans(int index, const uint8_t* frame, int size);
int CAN_Close(int index);
}
