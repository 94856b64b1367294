#include "tools/drivesim/SimDriveStatus.h"

#include <algorithm>

namespace {

SimReply Value(uint32_t value, int width)
{
    SimReply reply;
    reply.kind = SimReply::Kind::Value;
    reply.value = static_cast<int32_t>(value);
    reply.width = width;
    return reply;
}

// A reply with a text on the serial line and a value on CAN.
SimReply Text(std::string text, uint32_t value, int width)
{
    SimReply reply = Value(value, width);
    reply.kind = SimReply::Kind::Text;
    reply.text = std::move(text);
    return reply;
}

char Digit(int value)
{
    return static_cast<char>('0' + (value & 3));
}

}

SimDriveStatus::SimDriveStatus(SimDrive& drive)
    : m_drive(drive)
{
}

std::shared_ptr<SimDriveStatus> SimDriveStatus::Attach(SimDrive& drive)
{
    std::shared_ptr<SimDriveStatus> status(new SimDriveStatus(drive));
    drive.SetParameter("GVEN", kDefaultFirmware);
    drive.SetParameter("GVER", kDefaultFirmware);
    drive.SetParameter("GDTY", kDefaultType);
    drive.SetParameter("GMOD", kDefaultMode);
    drive.SetParameter("GT", kDefaultTemperature);

    drive.SetHandler("GDTN", [status](SimDrive&, const DriveRequest& request) {
        const std::string name = status->TypeName();
        return Text(name, TypeNamePart(name, request.value.value_or(1)), 4);
    });
    drive.SetHandler("GSI", [status](SimDrive&, const DriveRequest&) {
        return Text(status->OldStatusText(), status->OldStatusWord(), 2);
    });
    drive.SetHandler("GSIN", [status](SimDrive&, const DriveRequest&) { return Value(status->StatusWord(), 2); });
    drive.SetHandler("GEI", [status](SimDrive&, const DriveRequest&) {
        return Text(status->AlarmText(), status->Alarms(), 2);
    });
    drive.SetHandler("GEIN", [status](SimDrive&, const DriveRequest&) {
        return Value(static_cast<uint32_t>(status->Alarms()) << 2, 4);
    });
    // Position zero: the strip sends it without an argument (CAN: a value of 0), which a
    // plain setting would refuse as incomplete.
    drive.SetHandler("PO", [](SimDrive& self, const DriveRequest& request) {
        self.SetParameter("GM", request.value.value_or(0));
        SimReply reply;
        reply.kind = SimReply::Kind::Ack;
        reply.width = 4;
        return reply;
    });
    for (const char* mnemonic : {"ENA", "DIS"}) {
        const bool enable = mnemonic[0] == 'E';
        drive.SetHandler(mnemonic, [status, enable](SimDrive&, const DriveRequest&) {
            Fields fields = status->GetFields();
            fields.enabled = enable;
            status->SetFields(fields);
            SimReply reply;
            reply.kind = SimReply::Kind::Ack;
            reply.width = 2;
            return reply;
        });
    }
    return status;
}

void SimDriveStatus::SetTypeName(std::string name)
{
    std::lock_guard lock(m_mutex);
    m_typeName = std::move(name);
}

std::string SimDriveStatus::TypeName() const
{
    std::lock_guard lock(m_mutex);
    return m_typeName;
}

void SimDriveStatus::SetAlarm(int bit, bool raised)
{
    if (bit < 0 || bit >= kAlarmBits)
        return;
    std::lock_guard lock(m_mutex);
    const uint16_t mask = static_cast<uint16_t>(1u << bit);
    m_alarms = raised ? (m_alarms | mask) : (m_alarms & ~mask);
}

uint16_t SimDriveStatus::Alarms() const
{
    std::lock_guard lock(m_mutex);
    return m_alarms;
}

void SimDriveStatus::SetFields(const Fields& fields)
{
    std::lock_guard lock(m_mutex);
    m_fields = fields;
}

SimDriveStatus::Fields SimDriveStatus::GetFields() const
{
    std::lock_guard lock(m_mutex);
    return m_fields;
}

void SimDriveStatus::SetOldFirmware(bool old)
{
    for (const char* mnemonic : {"GVEN", "GSIN", "GEIN"})
        m_drive.SetKnown(mnemonic, !old);
}

uint16_t SimDriveStatus::OldStatusWord() const
{
    const Fields f = GetFields();
    return static_cast<uint16_t>(f.enabled << 6 | f.braking << 7 | f.clockwise << 8 | (f.hardLimit & 3) << 9
                                 | (f.phase & 3) << 11);
}

std::string SimDriveStatus::OldStatusText() const
{
    const Fields f = GetFields();
    return std::string("00") + Digit(f.enabled) + Digit(f.braking) + Digit(f.clockwise) + Digit(f.hardLimit)
        + Digit(f.phase) + "0";
}

uint16_t SimDriveStatus::StatusWord() const
{
    const Fields f = GetFields();
    const bool error = Alarms() != 0;
    return static_cast<uint16_t>((f.phase & 3) << 2 | (f.softLimit & 3) << 4 | (f.hardLimit & 3) << 6
                                 | f.enabled << 8 | f.enabled << 9 | f.braking << 10 | f.braking << 11
                                 | f.clockwise << 12 | error << 13 | (f.homing & 3) << 14);
}

std::string SimDriveStatus::AlarmText() const
{
    const uint16_t alarms = Alarms();
    std::string text;
    for (int bit = 0; bit < kAlarmBits; ++bit)
        text += (alarms >> bit & 1) ? '1' : '0';
    return text;
}

uint32_t SimDriveStatus::TypeNamePart(const std::string& name, int part)
{
    // Three characters a part, at most fifteen parts: the counts share one byte.
    const int count = std::min<int>(15, static_cast<int>((name.size() + 2) / 3));
    if (part < 1 || part > count)
        return 0;
    uint32_t value = static_cast<uint32_t>(count << 4 | part);
    for (int i = 0; i < 3; ++i) {
        const size_t at = static_cast<size_t>(3 * (part - 1) + i);
        const uint8_t c = at < name.size() ? static_cast<uint8_t>(name[at]) : 0;
        value |= static_cast<uint32_t>(c) << (8 * (i + 1));
    }
    return value;
}
