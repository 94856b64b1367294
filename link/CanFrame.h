#pragma once

#include <cstdint>

// One CAN frame as the link keeps it: the record of requests, of the USB-CAN receive ring
// and of CAN replies. The identifier bytes are big-endian on the USB-CAN road (byte 3
// holds the lowest 8 bits) and the card's identifier register image on the card road.
struct CanFrame {
    uint32_t extended;
    uint32_t remote;
    uint32_t dataLength;
    uint8_t id[4];
    uint8_t data[8];
};
static_assert(sizeof(CanFrame) == 24, "a CAN frame record is 24 bytes");
