#pragma once

#include "tools/drivesim/SimCanFrame.h"

#include <optional>
#include <string>
#include <string_view>

// The text lines of Qt's virtual CAN bus. A client registers with "connect:canN" and sends
// "canN:<id>#<flags>#<hex data>"; the bus server hands frames to the other clients of that
// channel as "<id>#<flags>#<hex data>". The identifier is decimal; flag R marks a remote,
// X an extended frame. Every line ends with LF.
class VirtualCanLine {
public:
    static std::string ToServer(int channel, const SimCanFrame& frame);
    static std::string ToClient(const SimCanFrame& frame);
    // "<id>#<flags>#<hex>" without the line end.
    static std::optional<SimCanFrame> ParseFrame(std::string_view text);
    static std::string Connect(int channel);
};
