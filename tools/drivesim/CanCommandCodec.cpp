#include "tools/drivesim/CanCommandCodec.h"

namespace {

CanCommandCodec::Result Refuse(std::string* why, std::string text)
{
    if (why)
        *why = std::move(text);
    return CanCommandCodec::Result::Malformed;
}

}

CanCommandCodec::Result CanCommandCodec::Decode(const SimCanFrame& frame,
                                                const std::function<bool(int)>& isOurNode,
                                                CanRequest* out, std::string* why)
{
    if (frame.extended || frame.remote || frame.id < 1 || frame.id > 127
        || !isOurNode(static_cast<int>(frame.id)))
        return Result::NotAddressed;
    const int node = static_cast<int>(frame.id);
    const std::vector<uint8_t>& d = frame.data;
    if (d.size() < 4 || d.size() > 8)
        return Refuse(why, "data length " + std::to_string(d.size()));
    if (d[0] != d.size())
        return Refuse(why, "length byte " + std::to_string(d[0]) + " in a frame of "
                               + std::to_string(d.size()) + " bytes");
    if (d[1] != node)
        return Refuse(why, "node byte " + std::to_string(d[1]) + " in a frame to node "
                               + std::to_string(node));
    const int argBytes = static_cast<int>(d.size()) - 4;
    if (argBytes != 0 && argBytes != 2 && argBytes != 4)
        return Refuse(why, std::to_string(argBytes) + " argument bytes");

    CanRequest request;
    request.node = node;
    request.commandId = d[2] | d[3] << 8;
    request.request.command = SimCommandTable::Find(request.commandId);
    if (request.request.command) {
        const SimCommand& command = *request.request.command;
        if (argBytes != command.argBytes)
            return Refuse(why, command.mnemonic + " with " + std::to_string(argBytes)
                                   + " argument bytes instead of " + std::to_string(command.argBytes));
        request.request.mnemonic = command.mnemonic;
    }
    if (argBytes == 2)
        request.request.value = static_cast<int16_t>(d[4] | d[5] << 8);
    else if (argBytes == 4)
        request.request.value = static_cast<int32_t>(
            static_cast<uint32_t>(d[4]) | static_cast<uint32_t>(d[5]) << 8
            | static_cast<uint32_t>(d[6]) << 16 | static_cast<uint32_t>(d[7]) << 24);
    *out = std::move(request);
    return Result::Request;
}

std::optional<SimCanFrame> CanCommandCodec::Encode(int node, int commandId, const SimReply& reply,
                                                   uint32_t identifier)
{
    int32_t value = reply.value;
    int width = reply.width == 2 ? 2 : 4;
    switch (reply.kind) {
    case SimReply::Kind::None:
        return std::nullopt;
    case SimReply::Kind::Unknown:
        value = 2;
        width = 2;
        break;
    case SimReply::Kind::Value:
    case SimReply::Kind::Ack:
    case SimReply::Kind::Text:
        break;
    }
    const uint16_t answered = static_cast<uint16_t>(commandId + 0x8000);
    SimCanFrame frame;
    frame.id = identifier;
    frame.data = {static_cast<uint8_t>(node), 0, static_cast<uint8_t>(answered & 0xFF),
                  static_cast<uint8_t>(answered >> 8)};
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < width; ++i)
        frame.data.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    return frame;
}

std::optional<std::pair<int, uint8_t>> CanCommandCodec::DecodeSample(const SimCanFrame& frame,
                                                                     const std::function<bool(int)>& isOurNode)
{
    if (frame.extended || frame.remote || frame.id < 1 || frame.id > 127 || frame.data.size() != 2
        || frame.data[0] != frame.id || !isOurNode(static_cast<int>(frame.id)))
        return std::nullopt;
    return std::pair { static_cast<int>(frame.id), frame.data[1] };
}

SimCanFrame CanCommandCodec::EncodeSample(int node, const SimSample& sample, uint32_t identifier)
{
    SimCanFrame frame;
    frame.id = identifier;
    frame.data = {static_cast<uint8_t>(node), sample.code};
    const uint32_t bits = static_cast<uint32_t>(sample.value);
    for (int i = 0; i < 4; ++i)
        frame.data.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    return frame;
}
