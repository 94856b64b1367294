#include "link/CanFrameCodec.h"

#include "link/CanBackend.h"
#include "link/LinkLayer.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kStandardIdMask = 0x7FF;
}

CanFrame BuildCanRequest(int commType, int node, CommandId id, int argBytes, int32_t value)
{
    const uint32_t identifier = static_cast<uint32_t>(node) & kStandardIdMask;
    const int n = std::clamp(argBytes, 0, 4);
    CanFrame frame {};
    frame.extended = 0;
    frame.remote = 0;
    frame.dataLength = static_cast<uint32_t>(4 + n);
    if (commType == COMM_CAN_K8110) {
        // The card's two identifier registers, the first one last.
        uint8_t image[2];
        CanIdentifierImage(identifier, false, image);
        frame.id[3] = image[0];
        frame.id[2] = image[1];
    } else {
        for (int i = 0; i < 4; ++i)
            frame.id[i] = static_cast<uint8_t>(identifier >> (24 - 8 * i));
    }
    frame.data[0] = static_cast<uint8_t>(4 + n);
    frame.data[1] = static_cast<uint8_t>(node & 0xFF);
    frame.data[2] = static_cast<uint8_t>(id & 0xFF);
    frame.data[3] = static_cast<uint8_t>((id >> 8) & 0xFF);
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < n; ++i)
        frame.data[4 + i] = static_cast<uint8_t>(bits >> (8 * i));
    return frame;
}

CommResult EncodeCanCommand(QString text, int commType, int node, CanFrame* request, CommandId* id)
{
    CommandId command = -1;
    if (!ParseCommandId(text, command, false))
        return COMM_ERR_UNKNOWN_COMMAND;
    int argBytes = 0;
    if (!LookupCommandArgSize(command, argBytes))
        return COMM_ERR_NO_ARG_SIZE;
    int value = 0;
    if (argBytes > 0)
        ParseCommandValue(text, value, false);
    if (request)
        *request = BuildCanRequest(commType, node, command, argBytes, value);
    if (id)
        *id = command;
    return COMM_OK;
}

int EncodeK8110Frame(const CanFrame& frame, uint8_t* out)
{
    const uint8_t length = static_cast<uint8_t>(std::min<uint32_t>(frame.dataLength & 0x0F, 8));
    out[0] = static_cast<uint8_t>(length | (frame.extended ? 0x80 : 0) | (frame.remote ? 0x40 : 0));
    int head = 1;
    out[head++] = frame.id[3];
    out[head++] = frame.id[2];
    if (frame.extended) {
        out[head++] = frame.id[1];
        out[head++] = frame.id[0];
    }
    std::memcpy(out + head, frame.data, length);
    return head + length;
}

CommResult DecodeK8110Frame(const uint8_t* card, CanFrame* reply, int* length)
{
    const uint32_t dataLength = card[0] & 0x0F;
    if (dataLength > 8)
        return COMM_CAN_RECEIVE_TOO_LONG;
    CanFrame frame {};
    frame.dataLength = dataLength;
    frame.extended = (card[0] & 0x80) ? 1 : 0;
    frame.remote = (card[0] & 0x40) ? 1 : 0;
    frame.id[3] = card[1];
    frame.id[2] = card[2];
    int head = 3;
    if (frame.extended) {
        frame.id[1] = card[3];
        frame.id[0] = card[4];
        head = 5;
    }
    std::memcpy(frame.data, card + head, dataLength);
    *reply = frame;
    *length = frame.extended ? 13 : 11;
    return COMM_OK;
}

VciFrameRecord ToVciFrame(const CanFrame& frame)
{
    VciFrameRecord rec {};
    rec.ID = (uint32_t(frame.id[0]) << 24) | (uint32_t(frame.id[1]) << 16) | (uint32_t(frame.id[2]) << 8) | frame.id[3];
    rec.SendType = 0;
    rec.RemoteFlag = frame.remote ? 1 : 0;
    rec.ExternFlag = frame.extended ? 1 : 0;
    rec.DataLen = static_cast<uint8_t>(frame.dataLength & 0x0F);
    std::memcpy(rec.Data, frame.data, std::min<size_t>(rec.DataLen, sizeof rec.Data));
    return rec;
}

int CanReplyCommand(const CanFrame& reply)
{
    return reply.data[3] * 256 + reply.data[2];
}

CommResult CheckCanReply(const CanFrame& reply, int node, CommandId id)
{
    if (reply.data[0] != static_cast<uint8_t>(node & 0xFF))
        return COMM_ERR_WRONG_NODE;
    if (CanReplyCommand(reply) != id + kReplyCommandOffset)
        return COMM_ERR_WRONG_COMMAND;
    return COMM_OK;
}
