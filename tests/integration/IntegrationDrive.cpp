#include "tests/integration/IntegrationDrive.h"
#include "tools/drivesim/LoopbackPort.h"
#include "tools/drivesim/SimDriveStatus.h"

#include "link/CanBackend.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "platform/Profile.h"
#include "tests/support/SerialChannel.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

std::unique_ptr<DriveSimulator> Start()
{
    DriveSimulatorConfig config;
    config.pty = true;
    config.canUrl = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/can0";
    config.canMode = VirtualCanBus::Mode::Host;
    config.nodes = { 1, 6 };
    auto sim = std::make_unique<DriveSimulator>(config);
    std::string error;
    if (!sim->Start(&error))
        throw std::runtime_error("the simulated drive does not start: " + error);
    return sim;
}
}

DriveSimulator& IntegrationDrive()
{
    static const std::unique_ptr<DriveSimulator> sim = Start();
    // Entered on every use: other tests of the program may start from an empty profile or
    // clear the environment.
    qputenv("VELQUARIN_CAN_PLUGIN", "virtualcan");
    qputenv("VELQUARIN_CAN_INTERFACE", QByteArray::fromStdString(sim->Config().canUrl));
    auto profile = OpenProfile();
    const QString key = QStringLiteral("Ports/COM%1").arg(kIntegrationCom);
    const QString path = QString::fromStdString(sim->PtyPath());
    if (profile->value(key).toString() != path) {
        profile->setValue(key, path);
        profile->sync();
    }
    return *sim;
}

const std::string& IntegrationCanUrl()
{
    return IntegrationDrive().Config().canUrl;
}

void OpenIntegrationCan(int type)
{
    CanSettings settings;
    ASSERT_TRUE(BuildCanSettings(0, 500, "00000000", "FFFFFFFF", &settings));
    if (type != COMM_CAN_K8110)
        g_nVciDevType = VciDeviceTypeOf(type);
    ASSERT_EQ(LinkOpenChannel(type, &settings), 1) << "virtual bus " << IntegrationCanUrl();
    (type == COMM_CAN_K8110 ? g_bCanK8110Open : g_bCanUsbOpen) = 1;
    g_nComType = type;
    ASSERT_TRUE(AnswersOnTheBus(g_nCurNode)) << "the simulated drive does not answer on " << IntegrationCanUrl();
}

bool AnswersOnTheBus(int node)
{
    g_nCurNode = node;
    for (int attempt = 0; attempt < 50; ++attempt) {
        uint8_t reply[64] = {};
        int length = sizeof reply;
        if (LinkTransactLocked(QStringLiteral("GID\r"), reply, &length) == COMM_OK)
            return true;
    }
    return false;
}

std::unique_ptr<DriveSimulator> StartDrivesOnIntegrationBus(std::vector<int> nodes)
{
    DriveSimulatorConfig config;
    config.canUrl = IntegrationCanUrl();
    config.canMode = VirtualCanBus::Mode::Join;
    config.nodes = std::move(nodes);
    auto sim = std::make_unique<DriveSimulator>(config);
    for (int node : config.nodes)
        SimDriveStatus::Attach(*sim->Drive(node));
    std::string error;
    if (!sim->Start(&error))
        throw std::runtime_error("the drives do not join the bus: " + error);
    return sim;
}

void OpenIntegrationChannel(int type)
{
    InitCommandTables();
    IntegrationDrive().ClearFaults();
    SetCanBackendFactory({});
    LinkInit();
    if (type == COMM_RS232) {
        g_nCurNode = 1;
        OpenSerialChannel(kIntegrationCom);
    } else {
        g_nCurNode = 6;
        OpenIntegrationCan(type);
    }
}
