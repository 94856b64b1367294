#pragma once

#include "tools/drivesim/SimDrive.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// What a simulated drive tells about itself: its type and type name, firmware version,
// mode, temperature, status words and alarm word, in the numeric form (CAN, and the
// newer queries on the serial line) and the text form of the older queries.
//
//   GVEN, GVER   firmware version (stored; default 0x300C, shown as V12.48.0.0)
//   GDTY         drive type number (stored; default 7)
//   GDTN<n>      CAN: part n of the type name, byte 0 = parts << 4 | n, bytes 1-3 three
//                characters; serial: the whole name
//   GMOD         mode word (stored, set by SMOD; default 0x0100: position, link commands)
//   GT           temperature in degrees (stored; default 36)
//   GSI          older status word; serial: eight characters "00EBDLP0"
//   GSIN         newer status word
//   GEI          alarm word, bit i = lamp i; serial: ten characters '0' or '1'
//   GEIN         the alarm word shifted left by 2
//   ENA, DIS     switch the drive's enable, which the status words report
//   PO           sets the position (GM) to zero, or to its argument
//
// Attach keeps the state in the drive's handlers, so it lives as long as the drive does.
// Every member is safe to call from any thread.
class SimDriveStatus {
public:
    static constexpr int32_t kDefaultFirmware = 0x300C;
    static constexpr int32_t kDefaultType = 7;
    static constexpr int32_t kDefaultMode = 0x0100;
    static constexpr int32_t kDefaultTemperature = 36;
    static constexpr const char* kDefaultTypeName = "QX6215";
    static constexpr int kAlarmBits = 10;

    struct Fields {
        bool enabled = false;
        bool braking = false;
        bool clockwise = false;
        int hardLimit = 0; // 0 none, 1 CCW, 2 CW, 3 both
        int softLimit = 0;
        int phase = 1;     // 0 failed, 1 succeeded, 2 running, 3 not run
        int homing = 0;    // 0 invalid, 1 seeking, 2 succeeded, 3 failed
    };

    // Installs the queries on the drive and stores the defaults of the stored ones.
    static std::shared_ptr<SimDriveStatus> Attach(SimDrive& drive);

    void SetTypeName(std::string name);
    std::string TypeName() const;
    void SetAlarm(int bit, bool raised);
    uint16_t Alarms() const;
    void SetFields(const Fields& fields);
    Fields GetFields() const;
    // Older firmware answers ERR2 (CAN: value 2) to GVEN, GSIN and GEIN.
    void SetOldFirmware(bool old);

    uint16_t OldStatusWord() const;
    std::string OldStatusText() const;
    uint16_t StatusWord() const;
    std::string AlarmText() const;
    // The GDTN value of one part of a name; 0 for a part the name does not have.
    static uint32_t TypeNamePart(const std::string& name, int part);

private:
    explicit SimDriveStatus(SimDrive& drive);

    SimDrive& m_drive;
    mutable std::mutex m_mutex;
    std::string m_typeName = kDefaultTypeName;
    Fields m_fields;
    uint16_t m_alarms = 0;
};
