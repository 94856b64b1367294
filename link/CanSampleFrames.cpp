#include "link/CanSampleFrames.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t kFrameExtended = 0x80;
constexpr uint8_t kFrameRemote = 0x40;
constexpr uint8_t kCardDataOffset = 3;
}

void EncodeCardSampleRequest(int node, uint8_t code, uint8_t (&frame)[kSampleCardBuffer])
{
    std::memset(frame, 0, sizeof frame);
    frame[0] = 0x02;
    frame[1] = static_cast<uint8_t>((node >> 3) & 0xFF);
    frame[2] = static_cast<uint8_t>((node & 7) << 5);
    frame[3] = static_cast<uint8_t>(node);
    frame[4] = code;
}

VciFrameRecord UsbSampleRequest(int node, uint8_t code)
{
    VciFrameRecord record {};
    record.ID = static_cast<uint32_t>(node);
    record.DataLen = 2;
    record.Data[0] = static_cast<uint8_t>(node);
    record.Data[1] = code;
    return record;
}

std::optional<int32_t> DecodeSampleReply(const uint8_t* data, uint32_t length, bool extended, bool remote, int node,
    uint8_t replyCode)
{
    if (extended || remote || length < 2 || length > 8)
        return std::nullopt;
    if (data[1] != replyCode || data[0] != static_cast<uint8_t>(node))
        return std::nullopt;
    uint32_t value = 0;
    const uint32_t bytes = std::min<uint32_t>(length - 2, 4);
    for (uint32_t i = 0; i < bytes; ++i)
        value |= static_cast<uint32_t>(data[2 + i]) << (8 * i);
    return static_cast<int32_t>(value);
}

std::optional<int32_t> DecodeCardSampleReply(const uint8_t (&frame)[kSampleCardBuffer], int node, uint8_t replyCode)
{
    const uint8_t info = frame[0];
    return DecodeSampleReply(frame + kCardDataOffset, info & 0x0F, info & kFrameExtended, info & kFrameRemote, node,
        replyCode);
}

std::optional<int32_t> DecodeRingSampleReply(const CanFrame& frame, int node, uint8_t replyCode)
{
    return DecodeSampleReply(frame.data, frame.dataLength, frame.extended, frame.remote, node, replyCode);
}
