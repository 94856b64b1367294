#pragma once

#include "tools/drivesim/SimDrive.h"

#include <functional>
#include <memory>
#include <mutex>

// The simulated drive's wave generator and its sampling unit, what the PID-tuning page
// drives and watches.
//
//   SAT w    period (10 ms units) in the upper 16 bits, amplitude (0.01 degree) in the lower
//   SWM w    offset (signed 16 bits) in the upper half, shape in the lower: 1 triangle,
//            2 sine, 3 square starts the wave from phase 0; 0 stops it
//   sample 155 -> reply 155: position feedback, the command kLagSeconds late plus noise
//   sample 145 -> reply 157: position command, offset + the wave (offset alone while
//            stopped)
//
// Every member is safe to call from any thread.
class SimWave {
public:
    static constexpr double kLagSeconds = 0.05;
    static constexpr int kNoise = 20; // feedback noise, at most this much either way

    using Clock = std::function<double()>; // seconds, never falling

    static std::shared_ptr<SimWave> Attach(SimDrive& drive, Clock clock = nullptr);

    bool Running() const;
    // The command at the clock's time t, and the feedback then (without noise).
    int32_t CommandAt(double t) const;

private:
    explicit SimWave(Clock clock);
    SimReply Command(const DriveRequest& request);
    std::optional<SimSample> Sample(uint8_t code);

    const Clock m_clock;
    mutable std::mutex m_mutex;
    uint32_t m_periodAmplitude = 0;
    int m_shape = 0;
    int m_offset = 0;
    double m_start = 0.0;
    uint32_t m_noise = 12345;
};
