#include "tools/drivesim/SimMotion.h"

#include "tools/drivesim/SimDriveStatus.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr int kModeVelocity = 0;
constexpr int kModePosition = 0x100;
constexpr int kModeCurrent = 0x200;
constexpr double kMaxStepSeconds = 0.001;
// Beyond this many steps a long quiet spell is integrated in coarser steps.
constexpr double kMaxSteps = 20000;

SimReply Value(double value, int width)
{
    SimReply reply;
    reply.kind = SimReply::Kind::Value;
    reply.value = static_cast<int32_t>(static_cast<int64_t>(std::llround(value)));
    reply.width = width;
    return reply;
}

SimReply Ack(int32_t value, int width)
{
    SimReply reply;
    reply.kind = SimReply::Kind::Ack;
    reply.value = value;
    reply.width = width;
    return reply;
}

double Towards(double from, double to, double maxChange)
{
    return from + std::clamp(to - from, -maxChange, maxChange);
}

}

double SimMotion::SteadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

SimMotion::SimMotion(SimDrive& drive, std::shared_ptr<SimDriveStatus> status, Clock clock)
    : m_drive(drive)
    , m_status(std::move(status))
    , m_clock(std::move(clock))
    , m_time(m_clock())
{
}

namespace {
const char* const kCommands[] = { "SMOD", "V", "EC", "M", "MR", "SBS", "CBS", "PO", "GM", "GV", "GC" };
}

std::shared_ptr<SimMotion> SimMotion::Attach(SimDrive& drive, std::shared_ptr<SimDriveStatus> status, Clock clock)
{
    std::shared_ptr<SimMotion> motion(new SimMotion(drive, std::move(status), std::move(clock)));
    for (const char* mnemonic : kCommands) {
        // The handler holds the motor, and the motor its drive; the drive outlives both.
        drive.SetHandler(mnemonic, [motion](SimDrive&, const DriveRequest& request) { return motion->Command(request); });
    }
    return motion;
}

void SimMotion::Detach()
{
    for (const char* mnemonic : kCommands)
        m_drive.SetHandler(mnemonic, nullptr);
}

SimMotion::State SimMotion::Now()
{
    std::lock_guard lock(m_mutex);
    Advance();
    return m_state;
}

int SimMotion::Mode() const
{
    const int mode = m_drive.Parameter("GMOD").value_or(kModePosition) & 0x300;
    return mode == kModeVelocity || mode == kModeCurrent ? mode : kModePosition;
}

double SimMotion::Acceleration() const
{
    const int32_t a = m_drive.Parameter("GA").value_or(0);
    return a > 0 ? 100.0 * a : kDefaultAccelerationRpmPerS;
}

double SimMotion::SpeedLimit() const
{
    const int32_t limit = m_drive.Parameter("GSP").value_or(0);
    return limit > 0 ? limit : kDefaultSpeedLimitRpm;
}

void SimMotion::Advance()
{
    const double now = m_clock();
    double remaining = now - m_time;
    m_time = std::max(m_time, now);
    const double step = std::max(kMaxStepSeconds, remaining / kMaxSteps);
    const Drive drive { Mode(), Acceleration(), SpeedLimit() };
    while (remaining > 0) {
        const double dt = std::min(step, remaining);
        Step(drive, dt);
        remaining -= dt;
    }
}

void SimMotion::Step(const Drive& drive, double dt)
{
    State& s = m_state;
    if (s.braked) {
        s.velocity = 0.0;
        s.current = 0.0;
        return;
    }
    const double before = s.velocity;
    const double acceleration = drive.acceleration;
    switch (drive.mode) {
    case kModeCurrent:
        s.velocity += (kTorquePerMa * m_currentCommand - kFriction * s.velocity) * dt;
        break;
    case kModeVelocity:
        s.velocity = Towards(s.velocity, m_velocityTarget, acceleration * dt);
        break;
    default: {
        // Ramp up to the limit, and down so as to stop at the target: the highest speed
        // from which the acceleration still stops the motor within the distance left.
        const double error = m_positionTarget - s.position;
        const double distance = std::abs(error) / kCountsPerRevolution;
        const double stopping = std::sqrt(2.0 * (acceleration / 60.0) * distance) * 60.0;
        const double wanted = std::copysign(std::min(drive.speedLimit, stopping), error);
        s.velocity = Towards(s.velocity, wanted, acceleration * dt);
        break;
    }
    }
    // The mean speed of the step: exact while the acceleration is constant.
    const double moved = (before + s.velocity) / 2.0 / 60.0 * kCountsPerRevolution * dt;
    if (drive.mode == kModePosition) {
        const double error = m_positionTarget - s.position;
        // The last step lands on the target instead of passing it.
        if (std::abs(error) <= std::abs(moved) || (std::abs(error) < 0.5 && std::abs(s.velocity) < acceleration * dt)) {
            s.position = m_positionTarget;
            s.velocity = 0.0;
            s.current = 0.0;
            return;
        }
    }
    s.position += moved;
    s.current = drive.mode == kModeCurrent ? m_currentCommand
                                       : ((s.velocity - before) / dt + kFriction * s.velocity) / kTorquePerMa;
}

void SimMotion::SetBrake(bool set)
{
    m_state.braked = set;
    if (set) {
        m_state.velocity = 0.0;
        m_state.current = 0.0;
    } else {
        // Released, the motor waits for its next command where it stands.
        m_velocityTarget = 0.0;
        m_currentCommand = 0.0;
        m_positionTarget = m_state.position;
    }
    if (m_status) {
        SimDriveStatus::Fields fields = m_status->GetFields();
        fields.braking = set;
        m_status->SetFields(fields);
    }
}

SimReply SimMotion::Command(const DriveRequest& request)
{
    const std::string& name = request.command->mnemonic;
    const int32_t value = request.value.value_or(0);
    std::lock_guard lock(m_mutex);
    Advance();
    if (name == "GM")
        return Value(m_state.position, 4);
    if (name == "GV")
        return Value(m_state.velocity, 4);
    if (name == "GC")
        return Value(std::clamp(m_state.current, -32768.0, 32767.0), 2);
    if (name == "SBS" || name == "CBS") {
        SetBrake(name == "SBS");
        return Ack(0, 2);
    }
    if (name == "PO") {
        m_state.position = value;
        m_positionTarget = value;
        return Ack(value, 4);
    }
    // The settings take their value; one without it is refused as without the motor.
    if (!request.value) {
        SimReply refused;
        refused.kind = SimReply::Kind::Unknown;
        return refused;
    }
    if (name == "SMOD") {
        const int before = Mode();
        m_drive.SetParameter("GMOD", value);
        if (Mode() != before) {
            // A new mode starts from where the motor stands, asking for nothing yet.
            m_velocityTarget = m_currentCommand = 0.0;
            m_positionTarget = m_state.position;
        }
        return Ack(value, 2);
    }
    if (name == "V")
        m_velocityTarget = value;
    else if (name == "EC")
        m_currentCommand = value;
    else if (name == "M")
        m_positionTarget = value;
    else if (name == "MR")
        m_positionTarget = m_state.position + value;
    return Ack(value, 4);
}
