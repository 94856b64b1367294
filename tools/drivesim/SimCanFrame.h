#pragma once

#include <cstdint>
#include <vector>

// A CAN frame as the simulated bus carries it. The payload may hold more than 8 bytes
// only when a fault asks for a broken data length.
struct SimCanFrame {
    uint32_t id = 0;
    bool extended = false;
    bool remote = false;
    std::vector<uint8_t> data;

    bool operator==(const SimCanFrame&) const = default;
};
