#pragma once

#include "tools/drivesim/SimDrive.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The settings a simulated drive keeps and how it keeps them: a working copy that every
// setting command changes and every query reads (the drive's store), an EEPROM copy that
// survives a power cycle, and the factory settings.
//
//   ESA     the working settings go to the EEPROM copy
//   FCFG    the working settings return to the factory settings (the EEPROM copy stays
//           until the next ESA)
//   GESA    serial only: the EEPROM copy as one 128-byte block after two header bytes "ES",
//           laid out by the firmware version (GVEN): A up to 0x300C, B up to 0x3137, C after
//   BAUD    the serial baud rate, read back by GRBD
//   SPL/SPH a low limit above the high one (or a high one below the low one) is refused
//   GNOD    answers the node address
//
// Attach keeps the state in the drive's handlers, so it lives as long as the drive does.
// Every member is safe to call from any thread.
class SimDriveParams {
public:
    // Queries of the settings and their factory values.
    static const std::vector<std::pair<std::string, int32_t>>& FactoryDefaults();

    // Installs the commands and makes the factory settings the working and the EEPROM copy.
    static std::shared_ptr<SimDriveParams> Attach(SimDrive& drive);

    // What ESA does: the working settings become the EEPROM copy.
    void Store();
    // The EEPROM copy of a setting, by its query.
    std::optional<int32_t> Stored(const std::string& query) const;
    int StoreCount() const;
    // Power off and on: the working settings become the EEPROM copy.
    void PowerCycle();

    // The GESA reply text of a set of settings (by query; missing ones read 0) for a
    // firmware version: "ES" and the block.
    static constexpr int kBlockBytes = 128;
    static std::string Block(const std::map<std::string, int32_t>& settings, int32_t firmwareVersion);

private:
    explicit SimDriveParams(SimDrive& drive);
    std::map<std::string, int32_t> Working() const;

    SimDrive& m_drive;
    mutable std::mutex m_mutex;
    std::map<std::string, int32_t> m_eeprom;
    int m_stores = 0;
};
