#pragma once

#include "tools/drivesim/SimCanFrame.h"
#include "tools/drivesim/SimDrive.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

// A command frame taken apart: which node it addresses and what it asks.
struct CanRequest {
    int node = 0;
    int commandId = 0;
    DriveRequest request;
};

// The drive's side of the CAN protocol. A request is a standard data frame whose
// identifier is the node address, with data {4+n, node, id low, id high, n argument
// bytes little-endian}. A reply carries {node, 0, (id+0x8000) low, high, value
// little-endian}: 2 value bytes (data length 6) or 4 (data length 8).
class CanCommandCodec {
public:
    // Identifier of every reply. The link takes a frame as a reply only when the lowest
    // identifier byte is 1; 0x101 also stays clear of the request identifiers 1..127,
    // so no drive ever mistakes another drive's reply for a command.
    static constexpr uint32_t kReplyIdentifier = 0x101;

    enum class Result {
        Request,       // a command for one of our nodes
        NotAddressed,  // another node's traffic, a reply, a remote or extended frame
        Malformed,     // addressed to one of our nodes, but not a well-formed command
    };

    static Result Decode(const SimCanFrame& frame, const std::function<bool(int)>& isOurNode,
                         CanRequest* out, std::string* why = nullptr);
    // A sampling request: a standard data frame to one of our nodes with data {node, code}.
    // The node and the code; nullopt for anything else.
    static std::optional<std::pair<int, uint8_t>> DecodeSample(const SimCanFrame& frame,
                                                               const std::function<bool(int)>& isOurNode);
    // The sampling reply {node, reply code, 4 value bytes little-endian} (data length 6).
    static SimCanFrame EncodeSample(int node, const SimSample& sample, uint32_t identifier = kReplyIdentifier);
    // The reply frame; nullopt when the drive stays silent.
    static std::optional<SimCanFrame> Encode(int node, int commandId, const SimReply& reply,
                                             uint32_t identifier = kReplyIdentifier);
};
