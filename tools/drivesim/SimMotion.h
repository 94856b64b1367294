#pragma once

#include "tools/drivesim/SimDrive.h"

#include <functional>
#include <memory>
#include <mutex>

class SimDriveStatus;

// The simulated drive's motor: what the run-monitor page moves and watches.
//
//   SMOD m   operating mode: 0 velocity, 256 (0x100) position, 512 (0x200) current
//            (stored as GMOD, as without the motor)
//   V v      velocity mode: runs towards v rpm, ramping at the acceleration
//   EC i     current mode: i mA drives the motor against its friction, so the velocity
//            settles at i / 2 rpm (time constant 0.5 s)
//   M p      position mode: moves to position p counts, ramping up to the speed limit
//            and down again, and stops exactly there
//   MR d     position mode: moves by d counts from where it is
//   A a      acceleration, 100 * a rpm/s (0: 5000 rpm/s)
//   SSP s    speed limit of position moves, rpm (0: 1000 rpm)
//   SBS      brake set: the motor stops at once and holds its position
//   CBS      brake released: the motor stays where it is until commanded again
//   PO [p]   the position becomes p (0)
//   GM       position in counts (10000 a revolution), 32 bits
//   GV       velocity in rpm, 32 bits
//   GC       current in mA, 16 bits: the commanded one in current mode, else what the
//            acceleration and the friction draw
//
// The motor moves in real time (the given clock), integrated in steps of at most a
// millisecond whenever the drive is asked something, and whether or not it is enabled.
// Attach keeps the motor in the drive's handlers, so it lives as long as the drive does.
// Every member is safe to call from any thread.
class SimMotion {
public:
    static constexpr double kCountsPerRevolution = 10000.0;
    static constexpr double kDefaultAccelerationRpmPerS = 5000.0;
    static constexpr double kDefaultSpeedLimitRpm = 1000.0;
    // Current mode: rpm/s per mA, and the friction's rpm/s per rpm.
    static constexpr double kTorquePerMa = 1.0;
    static constexpr double kFriction = 2.0;

    using Clock = std::function<double()>; // seconds, never falling

    struct State {
        double position = 0.0; // counts
        double velocity = 0.0; // rpm
        double current = 0.0;  // mA
        bool braked = false;
    };

    // Installs the commands above on the drive. When status is given, the brake shows in
    // its status words.
    static std::shared_ptr<SimMotion> Attach(SimDrive& drive, std::shared_ptr<SimDriveStatus> status = nullptr,
        Clock clock = SteadySeconds);
    static double SteadySeconds();

    // The motor as it is now.
    State Now();
    // Takes the motor's commands off the drive again: they go back to plain settings.
    void Detach();

private:
    SimMotion(SimDrive& drive, std::shared_ptr<SimDriveStatus> status, Clock clock);
    // Brings the motor up to the clock's time; the lock is held.
    void Advance();
    // What the drive's settings make of the motor during one Advance.
    struct Drive {
        int mode;
        double acceleration; // rpm/s
        double speedLimit;   // rpm
    };
    void Step(const Drive& drive, double dt);
    double Acceleration() const;
    double SpeedLimit() const;
    int Mode() const;
    SimReply Command(const DriveRequest& request);
    void SetBrake(bool set);

    SimDrive& m_drive;
    const std::shared_ptr<SimDriveStatus> m_status;
    const Clock m_clock;
    std::mutex m_mutex;
    double m_time = 0.0;
    State m_state;
    double m_velocityTarget = 0.0;
    double m_currentCommand = 0.0;
    double m_positionTarget = 0.0;
};
