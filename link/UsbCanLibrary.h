#pragma once

#include <cstdint>

// The USB-CAN adapter library: devices addressed by device type, device index and CAN
// index, reached through the CAN backend (link/CanBackend.h). Each open device carries the
// one CAN channel named as the third argument of VCI_OpenDevice; calls for another CAN
// index fail. Calls return 1 (or a count) on success and 0 on failure; after a failure
// VCI_ReadErrInfo tells why.

#pragma pack(push, 1)
// Handed to VCI_InitCAN. The acceptance code and mask work as an SJA1000 single filter on
// the identifier image (mask bits 1 = don't care; 0xFFFFFFFF accepts everything).
struct VciInitRecord {
    uint32_t AccCode;
    uint32_t AccMask;
    uint32_t Reserved;
    uint8_t Filter;
    uint8_t Timing0;
    uint8_t Timing1;
    uint8_t Mode;
};
// One frame as the adapter takes and gives it.
struct VciFrameRecord {
    uint32_t ID;
    uint32_t TimeStamp; // received frames: 0.1 ms units since the channel started
    uint8_t TimeFlag;   // 1 when TimeStamp is valid
    uint8_t SendType;   // 0 = normal
    uint8_t RemoteFlag;
    uint8_t ExternFlag;
    uint8_t DataLen;
    uint8_t Data[8];
    uint8_t Reserved[3];
};
// What went wrong last on a device; reading it clears it.
struct VciErrorRecord {
    uint32_t ErrCode;
    uint8_t Reserved[4];
};
#pragma pack(pop)
static_assert(sizeof(VciInitRecord) == 16, "the adapter's initialisation record is 16 bytes");
static_assert(sizeof(VciFrameRecord) == 24, "the adapter's frame record is 24 bytes");
static_assert(sizeof(VciErrorRecord) == 8, "the adapter's error record is 8 bytes");

// Error codes of VciErrorRecord::ErrCode.
enum VciError : uint32_t {
    VCI_ERR_NONE = 0,
    VCI_ERR_NOT_OPEN = 1,        // no such device or channel open
    VCI_ERR_OPEN = 2,            // the interface could not be reached
    VCI_ERR_REFERENCE = 3,       // the reference was refused
    VCI_ERR_INIT = 4,            // the timing gives no usable bit rate, or was refused
    VCI_ERR_START = 5,           // the channel could not go on the bus
    VCI_ERR_NOT_STARTED = 6,     // the channel is not on the bus
    VCI_ERR_TRANSMIT = 7,        // a frame was not accepted for sending
    VCI_ERR_RECEIVE_TIMEOUT = 8, // no frame within the wait
    VCI_ERR_ARGUMENT = 9,
};

extern "C" {
// Opens the device with its channel `reserved`; an open device is closed and opened again.
uint32_t VCI_OpenDevice(uint32_t devType, uint32_t devIndex, uint32_t reserved);
uint32_t VCI_CloseDevice(uint32_t devType, uint32_t devIndex);
// Reference type 0 takes one u32 (the adapter's reference word); other types are refused.
uint32_t VCI_SetReference(uint32_t devType, uint32_t devIndex, uint32_t canIndex, uint32_t refType, const void* data);
// Sets bit rate (from Timing0/Timing1) and acceptance filter; takes effect at VCI_StartCAN.
uint32_t VCI_InitCAN(uint32_t devType, uint32_t devIndex, uint32_t canIndex, const VciInitRecord* init);
uint32_t VCI_StartCAN(uint32_t devType, uint32_t devIndex, uint32_t canIndex);
// Restarts the controller: received frames are dropped, the channel stays on the bus.
uint32_t VCI_ResetCAN(uint32_t devType, uint32_t devIndex, uint32_t canIndex);
// Sends up to `count` frames; returns how many were accepted.
uint32_t VCI_Transmit(uint32_t devType, uint32_t devIndex, uint32_t canIndex, const VciFrameRecord* frames, uint32_t count);
// Takes up to `capacity` received frames, waiting up to waitMs for the first; returns how
// many were stored. Safe beside transmit and clear on other threads.
uint32_t VCI_Receive(uint32_t devType, uint32_t devIndex, uint32_t canIndex, VciFrameRecord* frames, uint32_t capacity, int waitMs);
uint32_t VCI_GetReceiveNum(uint32_t devType, uint32_t devIndex, uint32_t canIndex);
uint32_t VCI_ClearBuffer(uint32_t devType, uint32_t devIndex, uint32_t canIndex);
uint32_t VCI_ReadErrInfo(uint32_t devType, uint32_t devIndex, uint32_t canIndex, VciErrorRecord* error);
}

// Of our own, beside the adapter's calls: a receiver that is handed each frame of a started
// channel in the thread that receives it from the bus, so whoever waits for a frame is woken
// by that thread directly. It runs under the channel's queue lock, in the frames' order, and
// must be quick; false leaves the frame for VCI_Receive. None (the default) takes nothing.
using UsbCanReceiver = bool (*)(uint32_t devType, uint32_t devIndex, uint32_t canIndex, const VciFrameRecord& frame);
void UsbCanSetReceiver(UsbCanReceiver receiver);
// Waits up to waitMs for frames the receiver left queued (they were not yet due, or it
// declined them) and offers them to it again; returns how many it took.
uint32_t UsbCanPassReceived(uint32_t devType, uint32_t devIndex, uint32_t canIndex, int waitMs);
