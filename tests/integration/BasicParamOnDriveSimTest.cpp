#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "pages/params/BasicParam.h"
#include "pages/params/BasicParamFields.h"
#include "pages/params/BasicParamIds.h"
#include "pages/params/WriteAllParams.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"
#include "tests/integration/IntegrationDrive.h"
#include "tests/support/SerialChannel.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/QtPrinters.h"
#include "tools/drivesim/SimDriveParams.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
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
        ASSERT_NO_FATAL_FAILURE(OpenIntegrationChannel(GetParam()));
        drive.ClearRecords();
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
        CloseLinkChannels();
        g_bDriveConnected = 0;
        g_nFirmwareVersion = 0;
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
    void Type(int id, const char* text) { qobject_cast<QLineEdit*>(page.GetDlgItem(id))->setText(QString::fromUtf8(text)); }
    void Choose(int id, int item) { qobject_cast<QComboBox*>(page.GetDlgItem(id))->setCurrentIndex(item); }
    QString Text(int id) { return qobject_cast<QLineEdit*>(page.GetDlgItem(id))->text(); }
    // Runs an action button and waits until the page is idle again.
    void RunAndWait(int id)
    {
        Click(id);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !page.IsBusy(); }, 30000)) << id;
    }
    // Every setting a write of the page would send, against what the drive holds.
    void ExpectDriveHoldsThePage()
    {
        ASSERT_TRUE(page.UpdateData(true));
        const BasicParamModel& model = page.Model();
        const std::vector<WriteCommand> commands = WriteAllCommands(model);
        size_t i = 0;
        for (const WriteStep& step : WriteOrder()) {
            if (step.value == WriteValue::Baud && !model.m_bChangeBaud)
                continue;
            const QString sent = commands[i++].text.chopped(1);
            const int value = sent.mid(WriteOf(step.ref).size()).toInt();
            EXPECT_EQ(Drive().Parameter(QueryOf(step.ref).toStdString()), value) << sent.toStdString();
        }
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

TEST_P(BasicParamOnDriveSim, ReadEditWriteReadStoreAndRestore)
{
    const std::shared_ptr<SimDriveParams> params = SimDriveParams::Attach(Drive());
    // A high limit below the low one the page will send: the drive takes the low limit only
    // when it comes again after the high one.
    Drive().SetParameter("GPH", 100);
    g_nFirmwareVersion = 0x300D;
    SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        boxes << request.text;
        return (request.type & MB_YESNO) ? IDYES : IDOK;
    });

    RunAndWait(IDC_READ);
    const QStringList read = Received(84);
    EXPECT_EQ(read.size(), 84);
    EXPECT_EQ(read.count(QStringLiteral("GER")), 2);
    EXPECT_EQ(Text(IDC_ENCODER), QStringLiteral("4000"));
    EXPECT_EQ(Text(1026), QStringLiteral("100"));
    EXPECT_TRUE(Enabled(IDC_SAVE_EEPROM));
    ExpectDriveHoldsThePage();

    // The user changes the form.
    Type(IDC_ENCODER, "8000");
    Type(1036, "2500");
    Type(1025, "200");
    Type(1026, "500");
    Type(1051, "8000");
    Type(1054, "4000.7");
    Type(1042, "12");
    Type(1060, "5");
    Type(1099, "321");
    Type(1110, "17");
    Type(IDC_THRESHOLD_VOLTAGE, "60000");
    Type(kPhaseEdits[0], "12");
    Type(kPhaseEdits[15], "34x");
    Click(IDC_POSITION);
    Choose(IDC_COMMAND, 4);
    Choose(IDC_HOME_MODE, 1);
    Choose(IDC_BRAKE_MODE, 2);
    Choose(IDC_BRAKE_TYPE, 1);
    Choose(1299, 1);
    Choose(1308, 1);
    Choose(IDC_CLK_PULL, 1);
    Click(IDC_SCALE_LIMIT);
    Click(1326);
    Click(1328);
    Click(1134);
    Click(IDC_AUX_ENCODER);
    Click(IDC_THRESHOLD_MANUAL);
    Click(kIoOutputRadios[1]);
    Choose(kIoOutTypeCombos[1], 1);
    Click(kIoOutputRadios[3]);
    Choose(kIoOutFuncCombos[3], 2);
    Choose(kIoInFuncCombos[0], 4);
    Choose(kIoLevelCombos[0], 1);

    RunAndWait(IDC_SETUP);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(u'|').toStdString();
    const QStringList written = Received(77);
    EXPECT_EQ(written.size(), 77);
    EXPECT_EQ(written.first(), QStringLiteral("SMOD261"));
    EXPECT_EQ(Drive().Parameter("GPL"), 200);
    EXPECT_EQ(Drive().Parameter("GPH"), 500);
    EXPECT_EQ(Drive().Parameter("GCC"), 4000);
    EXPECT_EQ(Drive().Parameter("GHLR"), 34);
    EXPECT_EQ(Drive().Parameter("GIOD"), 0x6601);
    EXPECT_TRUE(Enabled(IDC_READ));

    // Read again, with one setting changed on the drive meanwhile.
    Drive().SetParameter("GSP", 1234);
    RunAndWait(IDC_READ);
    EXPECT_EQ(Received(84).size(), 84);
    EXPECT_EQ(Text(1036), QStringLiteral("1234"));
    EXPECT_EQ(page.Model().m_nRunMode, 1);
    EXPECT_EQ(qobject_cast<QComboBox*>(page.GetDlgItem(IDC_COMMAND))->currentIndex(), 4);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(page.GetDlgItem(kIoOutputRadios[1]))->isChecked());
    EXPECT_EQ(qobject_cast<QComboBox*>(page.GetDlgItem(kIoOutFuncCombos[3]))->currentIndex(), 2);
    EXPECT_EQ(Text(kPhaseEdits[15]), QStringLiteral("34"));
    ExpectDriveHoldsThePage();

    // Stored in the drive's EEPROM, then back to the factory settings.
    LogLines();
    Click(IDC_SAVE_EEPROM);
    EXPECT_EQ(Received(1), QStringList { QStringLiteral("ESA") });
    EXPECT_EQ(params->StoreCount(), 1);
    EXPECT_EQ(params->Stored("GENC"), 8000);
    EXPECT_FALSE(Enabled(IDC_SAVE_EEPROM));
    EXPECT_EQ(LogLines(), QStringList { QStringLiteral("C:ESA\r") });

    RunAndWait(IDC_RESTORE_DEFAULTS);
    EXPECT_EQ(boxes, QStringList { QStringLiteral("if restore the factory setting?") });
    const QStringList restored = Received(85);
    ASSERT_FALSE(restored.isEmpty());
    EXPECT_EQ(restored.first(), QStringLiteral("FCFG"));
    EXPECT_EQ(restored.size(), 85);
    EXPECT_EQ(Text(IDC_ENCODER), QStringLiteral("4000"));
    ExpectDriveHoldsThePage();
    params->PowerCycle();
    EXPECT_EQ(Drive().Parameter("GENC"), 8000);
}

TEST_P(BasicParamOnDriveSim, StoredBlockComesOverTheSerialLineOnly)
{
    const std::shared_ptr<SimDriveParams> params = SimDriveParams::Attach(Drive());
    Drive().SetParameter("GVEN", 0x3138);
    g_nFirmwareVersion = 0x3138;
    Drive().SetParameter("GMV", 7);
    Drive().SetParameter("GCCW", 1);
    params->Store();
    page.OnBnClickedReadEepromBlock();
    if (!Serial()) {
        EXPECT_TRUE(Received(0).isEmpty());
        EXPECT_TRUE(LogLines().isEmpty());
        return;
    }
    EXPECT_EQ(Received(1), QStringList { QStringLiteral("GESA") });
    EXPECT_EQ(LogLines(), (QStringList { QStringLiteral("C:GESA\r"), QStringLiteral("R:SUCCESS") }));
    const auto& texts = page.Model().m_strSettingTexts;
    EXPECT_EQ(texts[0], QStringLiteral("4000"));
    EXPECT_EQ(texts[7], QStringLiteral("7"));
    EXPECT_EQ(texts[9], QStringLiteral("10000"));
    EXPECT_EQ(texts[15], QStringLiteral("正转"));

    // A block whose bytes hold the line end arrives cut short: nothing of it is taken.
    Drive().SetParameter("GPC", 0x0A0D);
    params->Store();
    page.OnBnClickedReadEepromBlock();
    EXPECT_EQ(Received(1), QStringList { QStringLiteral("GESA") });
    EXPECT_EQ(LogLines(), QStringList { QStringLiteral("C:GESA\r") });
    EXPECT_EQ(texts[9], QStringLiteral("10000"));
}

TEST_P(BasicParamOnDriveSim, ADriveThatTakesNothingIsToldAndTheUnreadFieldsAreMarked)
{
    const std::shared_ptr<SimDriveParams> params = SimDriveParams::Attach(Drive());
    RunAndWait(IDC_READ); // a silent drive still takes what it is sent: the page holds the drive's own values
    Received(83);
    const QString timeout = CommResultText(Serial() ? COMM_RS232_TIMEOUT : COMM_CAN_TIMEOUT);
    FaultPlan fault;
    for (int refuse = Serial() ? 1 : 0; refuse >= 0; --refuse) { // on CAN a refusal reads as the value 2
        fault.silent = !refuse;
        fault.refuse = refuse;
        drive.SetFaults(Serial() ? SimChannel::Serial : SimChannel::Can, fault);
        boxes.clear();
        RunAndWait(IDC_SETUP);
        EXPECT_EQ(boxes, QStringList { QStringLiteral("77 of 77 commands did not reach the drive or were refused by it, "
                                                      "the first \"SMOD256\" (%1).").arg(refuse ? QStringLiteral("ERR2") : timeout) });
        EXPECT_EQ(Received(77).size(), 77) << "every command still goes out";
    }
    boxes.clear();
    RunAndWait(IDC_READ); // still silent
    EXPECT_EQ(boxes, QStringList { QStringLiteral("The read stopped after 3 queries in a row had no answer. 83 of 83 "
                                                  "settings were not read from the drive; their fields are marked. The "
                                                  "first: GMOD (%1), GENC (%1), GSP (%1).").arg(timeout) });
    // "Read" again, or leaving the page, stops a read at its next query.
    for (bool leave : { false, true }) {
        Click(IDC_READ);
        leave ? (void)page.OnKillActive() : Click(IDC_READ);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !page.IsBusy(); }, 30000));
        EXPECT_TRUE(boxes.last().startsWith(QStringLiteral("The read was stopped. 83 of 83 settings were not read")));
    }
}

INSTANTIATE_TEST_SUITE_P(Channels, BasicParamOnDriveSim, ::testing::Values(COMM_RS232, COMM_CAN_USB2),
    [](const ::testing::TestParamInfo<int>& info) { return info.param == COMM_RS232 ? "Serial" : "VirtualCan"; });
