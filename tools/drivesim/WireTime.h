#pragma once

#include <chrono>
#include <cstddef>

// How long bytes and frames take on a real line, so that the simulator can hold its
// replies back accordingly and benchmarks can compare against the line's own limit.
class WireTime {
public:
    // Ten bits per byte: start bit, eight data bits, stop bit. Baud 0 means no time.
    static std::chrono::microseconds Serial(size_t bytes, int baud);
    // A data frame without stuff bits: 47 bits plus 8 per data byte for a standard
    // identifier, 67 plus 8 per byte for an extended one. Bit rate 0 means no time.
    static std::chrono::microseconds Can(size_t dataBytes, int kbitPerSecond, bool extended = false);
};
