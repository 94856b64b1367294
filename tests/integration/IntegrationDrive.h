#pragma once

#include "tools/drivesim/DriveSimulator.h"

#include <memory>
#include <string>
#include <vector>

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
// Makes `node` the current node and asks it until it answers on the open CAN channel (at most
// 50 tries): a simulator that has just joined the bus is heard once the bus has registered it.
bool AnswersOnTheBus(int node);

// More drives on the same bus, at the given node addresses, served by a simulator of their own
// (so faults can be laid on them alone) that leaves the bus when it is destroyed. Each drive
// keeps its own parameters and answers GDTY with its type (SimDriveStatus).
std::unique_ptr<DriveSimulator> StartDrivesOnIntegrationBus(std::vector<int> nodes);

// Starts the link and opens a channel of `type` to the drive, as the page tests use it: the
// pseudo-terminal and node 1 for COMM_RS232, else the bus and node 6. Faults are cleared.
void OpenIntegrationChannel(int type);
