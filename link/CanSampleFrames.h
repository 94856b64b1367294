#pragma once

#include "link/CanFrame.h"
#include "link/UsbCanLibrary.h"

#include <cstdint>
#include <optional>

// The frames of the drive's CAN sampling. A request is a standard data frame to the node's
// identifier with data {node, code}; the reply carries {node, reply code, value
// little-endian}. These frames bypass the command tables: the drive answers them from its
// sampling unit.

// The card's frame buffer size the sampling passes to the library.
inline constexpr int kSampleCardBuffer = 20;

// The request in the card controller's standard-frame layout.
void EncodeCardSampleRequest(int node, uint8_t code, uint8_t (&frame)[kSampleCardBuffer]);
// The request as the USB-CAN adapter takes it.
VciFrameRecord UsbSampleRequest(int node, uint8_t code);

// The value a reply carries, or nothing for a bad reply: a data length below 2 (no room
// for node and code) or above 8, another node, another reply code, or an extended or
// remote frame. At most four value bytes are taken, zero-extended.
std::optional<int32_t> DecodeSampleReply(const uint8_t* data, uint32_t length, bool extended, bool remote, int node,
    uint8_t replyCode);
// The same for a frame read from the card, and for one from the link's receive ring.
std::optional<int32_t> DecodeCardSampleReply(const uint8_t (&frame)[kSampleCardBuffer], int node, uint8_t replyCode);
std::optional<int32_t> DecodeRingSampleReply(const CanFrame& frame, int node, uint8_t replyCode);
