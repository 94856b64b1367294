#include "tools/drivesim/SimWave.h"

#include "tools/drivesim/SimMotion.h"

#include <cmath>
#include <numbers>

namespace {
constexpr uint8_t kFeedbackCode = 155;
constexpr uint8_t kCommandCode = 145;
constexpr uint8_t kCommandReplyCode = 157;
}

SimWave::SimWave(Clock clock)
    : m_clock(clock ? std::move(clock) : SimMotion::SteadySeconds)
{
}

std::shared_ptr<SimWave> SimWave::Attach(SimDrive& drive, Clock clock)
{
    std::shared_ptr<SimWave> wave(new SimWave(std::move(clock)));
    for (const char* mnemonic : { "SAT", "SWM" })
        drive.SetHandler(mnemonic, [wave](SimDrive&, const DriveRequest& request) { return wave->Command(request); });
    drive.SetSampler([wave](uint8_t code) { return wave->Sample(code); });
    return wave;
}

bool SimWave::Running() const
{
    std::lock_guard lock(m_mutex);
    return m_shape != 0;
}

SimReply SimWave::Command(const DriveRequest& request)
{
    SimReply reply;
    if (!request.value) {
        reply.kind = SimReply::Kind::Unknown;
        return reply;
    }
    const auto word = static_cast<uint32_t>(*request.value);
    std::lock_guard lock(m_mutex);
    if (request.mnemonic == "SAT") {
        m_periodAmplitude = word;
    } else {
        m_shape = static_cast<int>(word & 0xFFFF) <= 3 ? static_cast<int>(word & 0xFFFF) : 0;
        m_offset = static_cast<int16_t>(word >> 16);
        m_start = m_clock();
    }
    reply.kind = SimReply::Kind::Ack;
    reply.value = *request.value;
    return reply;
}

int32_t SimWave::CommandAt(double t) const
{
    std::lock_guard lock(m_mutex);
    const double period = (m_periodAmplitude >> 16) * 0.01;
    const double amplitude = m_periodAmplitude & 0xFFFF;
    if (m_shape == 0 || period <= 0.0 || t < m_start)
        return m_offset;
    const double phase = std::fmod(t - m_start, period) / period;
    double wave = 0.0;
    switch (m_shape) {
    case 1: wave = phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase; break;
    case 2: wave = std::sin(2 * std::numbers::pi * phase); break;
    default: wave = phase < 0.5 ? 1.0 : -1.0; break;
    }
    return static_cast<int32_t>(std::lround(m_offset + amplitude * wave));
}

std::optional<SimSample> SimWave::Sample(uint8_t code)
{
    const double now = m_clock();
    if (code == kCommandCode)
        return SimSample { kCommandReplyCode, CommandAt(now) };
    if (code != kFeedbackCode)
        return std::nullopt;
    int noise;
    {
        std::lock_guard lock(m_mutex);
        m_noise = m_noise * 1103515245u + 12345u;
        noise = static_cast<int>((m_noise >> 16) % (2 * kNoise + 1)) - kNoise;
    }
    return SimSample { kFeedbackCode, CommandAt(now - kLagSeconds) + noise };
}
