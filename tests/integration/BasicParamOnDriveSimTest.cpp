#include "link/CanBackend.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "pages/BasicParam.h"
#include "pages/BasicParamIds.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"
#include "shell/LogRing.h"
#include "tests/integration/IntegrationDrive.h"
#include "tests/shell/MessageRecorder.h"
#include "tests/shell/QtPrinters.h"
#include "tests/support/SerialChannel.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// The parameter page's own drive commands (the brake buttons and the phase initialisation's
// "Auto") against the simulated drive, on the serial line and on the virtual CAN bus.
class BasicParamOnDriveSim : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        InitCommandTables();
        drive.ClearFaults();
        drive.ClearRecords();
        SetCanBackendFactory({});
        LinkInit();
        if (Serial()) {
            g_nCurNode = 1;
            OpenSerialChannel(kIntegrationCom);
        } else {
            g_nCurNode = 6;
            ASSERT_NO_FATAL_FAILURE(OpenIntegrationCan(GetParam()));
            drive.ClearRecords();
        }
        g_bDriveConnected = 1;
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return IDOK;
        });
        SetLogView(&log);
        ASSERT_TRUE(page.Create(&host));
        page.OnInitialUpdate();
    }
    void TearDown() override
    {
        UnsetLogView(&log);
        SetMessageBoxHandler({});
        LinkShutdown();
        g_bRs232Open = 0;
        g_bCanUsbOpen = 0;
        g_nComType = COMM_RS232;
        g_bDriveConnected = 0;
    }

    bool Serial() const { return GetParam() == COMM_RS232; }
    SimDrive& Drive() { return *drive.Drive(Serial() ? 1 : 6); }
    void Click(int id) { qobject_cast<QAbstractButton*>(page.GetDlgItem(id))->click(); }
    bool Enabled(int id) { return page.GetDlgItem(id)->isEnabled(); }

    // The commands that reached the drive, by mnemonic and value, once the last has arrived.
    QStringList Received(int expected)
    {
        QStringList commands;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        do {
            commands.clear();
            if (Serial()) {
                for (const std::string& line : drive.SerialCommands())
                    commands << QString::fromStdString(line);
            } else {
                for (const SimCanFrame& frame : drive.CanRequests()) {
                    QString text;
                    CommandId id = frame.data[2] | frame.data[3] << 8;
                    ParseCommandId(text, id, true);
                    if (frame.data.size() >= 8)
                        text += QString::number(static_cast<int32_t>(frame.data[4] | frame.data[5] << 8
                            | frame.data[6] << 16 | static_cast<uint32_t>(frame.data[7]) << 24));
                    else if (frame.data.size() >= 6)
                        text += QString::number(static_cast<int16_t>(frame.data[4] | frame.data[5] << 8));
                    commands << text;
                }
            }
            if (commands.size() >= expected)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } while (std::chrono::steady_clock::now() < end);
        // An answer the page did not wait for must be in before the next command.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        drive.ClearRecords();
        return commands;
    }
    QStringList LogLines()
    {
        QStringList lines;
        for (const auto& m : log.Take(WM_LOG_APPEND))
            lines << QString::fromLatin1(LOWORD(m.lParam) ? "C:" : "R:") + QString::fromLatin1(m.data);
        return lines;
    }

    DriveSimulator& drive = IntegrationDrive();
    MessageRecorder log;
    QStringList boxes;
    QWidget host;
    CBasicParam page;
};

} // namespace

TEST_P(BasicParamOnDriveSim, BrakeButtonsSwitchTheDriveAndThemselves)
{
    Click(IDC_BRAKE_CLOSE);
    EXPECT_EQ(Received(1), QStringList { QStringLiteral("SCMS1") });
    EXPECT_EQ(Drive().Parameter("GCMS"), 1);
    EXPECT_EQ(LogLines(), QStringList { QStringLiteral("C:SCMS1") });
    EXPECT_EQ(page.Model().m_bBrakeOpen, 0);
    EXPECT_FALSE(Enabled(IDC_BRAKE_CLOSE));
    EXPECT_TRUE(Enabled(IDC_BRAKE_OPEN));

    Click(IDC_BRAKE_OPEN);
    EXPECT_EQ(Received(1), QStringList { QStringLiteral("SCMS0") });
    EXPECT_EQ(Drive().Parameter("GCMS"), 0);
    EXPECT_EQ(page.Model().m_bBrakeOpen, 1);
    EXPECT_TRUE(Enabled(IDC_BRAKE_CLOSE));
    EXPECT_FALSE(Enabled(IDC_BRAKE_OPEN));
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_P(BasicParamOnDriveSim, AutoSendsThePhaseCurrentOnlyWhenTheFormIsValid)
{
    Click(IDC_PHASE_ACTIVATE);
    ASSERT_TRUE(Enabled(IDC_PHASE_AUTO));
    qobject_cast<QLineEdit*>(page.GetDlgItem(IDC_PHASE_CURRENT))->setText(QStringLiteral("2500"));
    Click(IDC_PHASE_AUTO);
    EXPECT_EQ(Received(1), QStringList { QStringLiteral("CPA2500") });
    EXPECT_EQ(LogLines(), (QStringList { QStringLiteral("C:CPA2500"), Serial() ? QStringLiteral("R:OK\r") : QStringLiteral("R:2500") }));

    // A rejected field: its prompt, and nothing for the drive.
    qobject_cast<QLineEdit*>(page.GetDlgItem(IDC_PHASE_CURRENT))->setText(QStringLiteral("abc"));
    Click(IDC_PHASE_AUTO);
    EXPECT_EQ(boxes, QStringList { QStringLiteral("请输入一个整数。") });
    EXPECT_TRUE(Received(0).isEmpty());
    EXPECT_TRUE(LogLines().isEmpty());

    // A drive that does not answer: the command line alone.
    qobject_cast<QLineEdit*>(page.GetDlgItem(IDC_PHASE_CURRENT))->setText(QStringLiteral("100"));
    FaultPlan silent;
    silent.silent = true;
    silent.count = 1;
    drive.SetFaults(Serial() ? SimChannel::Serial : SimChannel::Can, silent);
    Click(IDC_PHASE_AUTO);
    EXPECT_EQ(LogLines(), QStringList { QStringLiteral("C:CPA100") });
    EXPECT_EQ(boxes.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Channels, BasicParamOnDriveSim, ::testing::Values(COMM_RS232, COMM_CAN_USB2),
    [](const ::testing::TestParamInfo<int>& info) { return info.param == COMM_RS232 ? "Serial" : "VirtualCan"; });
