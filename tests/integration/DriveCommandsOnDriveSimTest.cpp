#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/LogRing.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "shell/C12DialogBar.h"
#include "shell/DriveCommands.h"
#include "shell/Globals.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/SerialChannel.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/LoopbackPort.h"
#include "tools/drivesim/SimDriveStatus.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

constexpr int kCom = 7;
constexpr int kBaud = 115200;
constexpr int kAlarmBit = 2;         // "Over Current"
constexpr int kTrackingErrorBit = 9; // "Tracking Err."
constexpr int kPosition = 1234;


// The program's side against the simulated drive: the link on a pseudo-terminal or a
// virtual CAN bus, the drive commands, a recording strip and log, and a real top strip
// that is handed what the recording strip got.
class DriveCommandsOnDriveSim : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        m_savedConnected = g_bDriveConnected.load();
        g_bDriveConnected = 0;
        DriveSimulatorConfig config;
        config.pty = true;
        config.baud = kBaud;
        const uint16_t port = FreeLoopbackPort();
        ASSERT_NE(port, 0);
        config.canUrl = "tcp://127.0.0.1:" + std::to_string(port) + "/can0";
        config.canMode = VirtualCanBus::Mode::Host;
        sim = std::make_unique<DriveSimulator>(config);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
        status = SimDriveStatus::Attach(*sim->Drive(1));
        status->SetAlarm(kAlarmBit, true);
        sim->Drive(1)->SetParameter("GM", kPosition);

        {
            auto profile = OpenProfile();
            profile->setValue(QStringLiteral("Ports/COM%1").arg(kCom), QString::fromStdString(sim->PtyPath()));
        }
        qputenv("VELQUARIN_CAN_PLUGIN", "virtualcan");
        qputenv("VELQUARIN_CAN_INTERFACE", QByteArray::fromStdString(config.canUrl));

        LinkInit();
        g_nCurNode = 1;
        g_nComType = GetParam();
        if (GetParam() == COMM_RS232) {
            OpenSerialChannel(kCom);
        } else {
            CanSettings can;
            ASSERT_TRUE(BuildCanSettings(0, 500, "00000000", "FFFFFFFF", &can));
            g_nVciDevType = VciDeviceTypeOf(GetParam());
            g_bCanUsbOpen = LinkOpenChannel(GetParam(), &can);
            ASSERT_EQ(g_bCanUsbOpen.load(), 1);
        }

        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return IDOK;
        });
        SetLogView(&log);
        commands.SetStripReceiver(&recorder);
        ASSERT_TRUE(strip.Create(nullptr));
        strip.SetTypeNameRequester([this] { return commands.TypeNamePart(); },
            [this](int part) { commands.RequestTypeNamePart(part); });
    }

    void TearDown() override
    {
        UnsetLogView(&log);
        SetMessageBoxHandler({});
        CloseLinkChannels();
        g_bDriveConnected = m_savedConnected;
        if (sim)
            sim->Stop();
        qunsetenv("VELQUARIN_CAN_PLUGIN");
        qunsetenv("VELQUARIN_CAN_INTERFACE");
    }

    bool Serial() const { return GetParam() == COMM_RS232; }

    // Everything the strip was told since the last call, also handed on to the real strip
    // (whose type-name requests may bring more).
    std::vector<MessageRecorder::Message> Replies()
    {
        std::vector<MessageRecorder::Message> all;
        for (;;) {
            auto more = recorder.Take(WM_DRIVE_REPLY);
            if (more.empty())
                return all;
            for (const auto& m : more) {
                strip.OnDriveReply(m.wParam, m.lParam, m.data);
                all.push_back(m);
            }
        }
    }

    static const MessageRecorder::Message* Find(const std::vector<MessageRecorder::Message>& messages, int id)
    {
        for (const auto& m : messages) {
            if (m.Id() == id)
                return &m;
        }
        return nullptr;
    }

    QStringList LogLines()
    {
        QStringList lines;
        for (const auto& m : log.Take(WM_LOG_APPEND))
            lines << QString::fromLatin1(LOWORD(m.lParam) ? "C:" : "R:") + QString::fromLatin1(m.data);
        return lines;
    }

    std::unique_ptr<DriveSimulator> sim;
    std::shared_ptr<SimDriveStatus> status;
    DriveCommands commands { LinkTransactLocked };
    MessageRecorder recorder;
    MessageRecorder log;
    C12DialogBar strip;
    QStringList boxes;

private:
    int m_savedConnected = 0;
};

} // namespace

TEST_P(DriveCommandsOnDriveSim, ConnectRefreshButtonAndPollShowTheDrive)
{
    commands.OnConnectDrive();
    EXPECT_EQ(g_bDriveConnected.load(), 1);
    auto replies = Replies();
    const auto* version = Find(replies, CMD_GVEN);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->High(), DriveReply::NUMERIC);
    EXPECT_EQ(version->wParam, static_cast<WPARAM>(SimDriveStatus::kDefaultFirmware));
    const auto* type = Find(replies, CMD_GDTN);
    ASSERT_NE(type, nullptr);
    if (Serial())
        EXPECT_EQ(type->data, QByteArray(SimDriveStatus::kDefaultTypeName));
    else
        EXPECT_EQ(commands.TypeNamePart(), 2); // QX6215 comes in two parts
    EXPECT_EQ(strip.GetDlgItemText(IDC_TYPE), QStringLiteral("QX6215"));
    EXPECT_EQ(strip.GetDlgItemText(IDC_VERSION), QStringLiteral("V12.48.0.0"));
    EXPECT_TRUE(LogLines().isEmpty());

    commands.OnRefreshStatus();
    replies = Replies();
    const auto* mode = Find(replies, CMD_GMOD);
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->wParam, static_cast<WPARAM>(SimDriveStatus::kDefaultMode));
    const auto* alarms = Find(replies, CMD_GEIN);
    ASSERT_NE(alarms, nullptr);
    EXPECT_EQ(alarms->wParam, static_cast<WPARAM>(1u << (kAlarmBit + 2)));
    EXPECT_EQ(strip.GetDlgItemText(IDC_MODE), QStringLiteral("Position"));
    EXPECT_EQ(strip.GetDlgItemText(IDC_SOURCE), QStringLiteral("Communication"));
    EXPECT_EQ(strip.GetDlgItemText(IDC_TEMPERATURE), QStringLiteral("36"));
    EXPECT_EQ(strip.GetDlgItemText(IDC_ERROR_STATE), QStringLiteral("ERR"));
    EXPECT_EQ(strip.Drive().LitLamps(), 1u << kAlarmBit);
    const QStringList refresh = LogLines();
    EXPECT_EQ(refresh.size(), 8) << refresh.join(u' ').toStdString();

    commands.OnOneWordCommand(IDC_GM);
    EXPECT_EQ(LogLines(), (QStringList { "C:GM", Serial() ? "R:1234\r" : "R:1234" }));

    // The poll reports the drive's alarms as they change.
    status->SetAlarm(kAlarmBit, false);
    status->SetAlarm(kTrackingErrorBit, true);
    PauseGate gate;
    std::mutex csPoll;
    commands.PollCycle(gate, csPoll);
    replies = Replies();
    ASSERT_NE(Find(replies, CMD_GEIN), nullptr);
    EXPECT_EQ(Find(replies, CMD_GEIN)->wParam, static_cast<WPARAM>(1u << (kTrackingErrorBit + 2)));
    EXPECT_EQ(strip.Drive().LitLamps(), 1u << kTrackingErrorBit);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_P(DriveCommandsOnDriveSim, OlderFirmwareIsAskedTheOlderQueries)
{
    status->SetOldFirmware(true);
    commands.OnConnectDrive();
    EXPECT_EQ(g_bDriveConnected.load(), 1);
    auto replies = Replies();
    EXPECT_EQ(Find(replies, CMD_GVEN), nullptr);
    const auto* version = Find(replies, CMD_GVER);
    ASSERT_NE(version, nullptr);
    // The serial drive's own version text is shown as it stands.
    EXPECT_EQ(strip.GetDlgItemText(IDC_VERSION), Serial() ? QStringLiteral("12300") : QStringLiteral("V12.48.0.0"));

    commands.OnRefreshStatus();
    replies = Replies();
    const auto* statusWord = Find(replies, CMD_GSI);
    ASSERT_NE(statusWord, nullptr);
    EXPECT_EQ(statusWord->High(), Serial() ? 0 : DriveReply::NUMERIC);
    ASSERT_NE(Find(replies, CMD_GEI), nullptr);
    EXPECT_EQ(Find(replies, CMD_GSIN), nullptr);
    EXPECT_EQ(strip.Drive().LitLamps(), 1u << kAlarmBit);
    EXPECT_EQ(strip.GetDlgItemText(IDC_HW_ENABLE), QStringLiteral("Disable"));

    commands.OnOneWordCommand(IDC_ENABLE);
    // Enable is sent without waiting, and the simulated drive acknowledges it all the same:
    // let that answer arrive before the next query, which could otherwise take it for its own.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!status->GetFields().enabled && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(status->GetFields().enabled);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    commands.OnRefreshStatus();
    Replies();
    EXPECT_EQ(strip.GetDlgItemText(IDC_HW_ENABLE), QStringLiteral("Enable"));
}

INSTANTIATE_TEST_SUITE_P(Channels, DriveCommandsOnDriveSim, ::testing::Values(COMM_RS232, COMM_CAN_USB2),
    [](const ::testing::TestParamInfo<int>& info) { return info.param == COMM_RS232 ? "Serial" : "VirtualCan"; });
