#pragma once

#include "tools/drivesim/DriveSimulator.h"

#include <string>

// The simulated drive that the integration tests of this program talk to: one for the whole
// process, started on first use and stopped at exit. Drives at nodes 1 and 6; node 1 also
// serves the pseudo-terminal, entered in the profile as COM<kIntegrationCom>. It hosts its own
// virtual CAN bus on a private URL, and the program's CAN backends are pointed at it
// (VELQUARIN_CAN_PLUGIN / VELQUARIN_CAN_INTERFACE): Qt's virtualcan plugin serves only the
// first bus port a process uses, so every test here shares this one bus.
constexpr int kIntegrationCom = 7;

DriveSimulator& IntegrationDrive();
const std::string& IntegrationCanUrl();

// Opens a CAN channel of `type` on the drive's bus at 500 kbit/s, makes it the link's
// channel and waits until the drive at g_nCurNode answers: the bus relays a new device's
// frames only once its server has registered it, which on a busy machine takes a while.
void OpenIntegrationCan(int type);
