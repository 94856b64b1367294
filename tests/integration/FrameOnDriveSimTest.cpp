#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/SerialPort.h"
#include "link/ui/ComSetting.h"
#include "link/ui/SearchNode.h"
#include "pages/params/BasicParam.h"
#include "pages/params/BasicParamIds.h"
#include "pages/params/ReadAllParams.h"
#include "platform/FileDialog.h"
#include "platform/Profile.h"
#include "res/StripBitmaps.h"
#include "shell/C12DialogBar.h"
#include "shell/CBrantovelixEditView.h"
#include "shell/frame/MainFrame.h"
#include "shell/Globals.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/SimDriveStatus.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Where pictures of the test run go: the build folder, else beside the test program.
QString PictureFolder()
{
    if (const char* build = std::getenv("VELQUARIN_BUILD_DIR"))
        return QString::fromLocal8Bit(build);
    return QCoreApplication::applicationDirPath();
}

class WindowMessages : public QObject {
public:
    int autoConnects = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (WindowMessage::MessageOf(event) == WM_AUTO_CONNECT)
            ++autoConnects;
        return false;
    }
};

std::unique_ptr<DriveSimulator> StartDriveAsCom1()
{
    DriveSimulatorConfig config;
    config.pty = true;
    auto sim = std::make_unique<DriveSimulator>(config);
    std::string error;
    if (!sim->Start(&error))
        return nullptr;
    OpenProfile()->setValue("Ports/COM1", QString::fromStdString(sim->PtyPath()));
    return sim;
}

double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

template <typename Condition>
bool RunEventsUntil(Condition condition)
{
    for (int i = 0; i < 500 && !condition(); ++i)
        QTest::qWait(10);
    return condition();
}

} // namespace

// The program's window starts with a profile whose COM1 is the simulated drive's
// pseudo-terminal and opens the serial channel to it without asking the user.
TEST(FrameOnDriveSim, OpensTheStoredSerialChannelToTheDrive)
{
    constexpr int kBaud = 115200;
    DriveSimulatorConfig config;
    config.pty = true;
    config.baud = kBaud;
    DriveSimulator sim(config);
    // A type name that could not stand as a file name as it is.
    SimDriveStatus::Attach(*sim.Drive(1))->SetTypeName("QX/6215");
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;

    {
        auto profile = OpenProfile();
        profile->clear();
        profile->setValue("Ports/COM1", QString::fromStdString(sim.PtyPath()));
        profile->setValue("QzBrantovelix/ComType", 0);
        profile->setValue("QzBrantovelix/ComNum", 1);
        profile->setValue("QzBrantovelix/ComBaud", kBaud);
    }
    int dialogs = 0;
    CComSetting::SetExecHook([&dialogs](CComSetting&) {
        ++dialogs;
        return static_cast<int>(QDialog::Rejected);
    });

    {
        CMainFrame frame;
        WindowMessages messages;
        frame.installEventFilter(&messages);
        ASSERT_TRUE(frame.LoadFrame());
        EXPECT_EQ(g_bRs232Open.load(), 1);
        EXPECT_EQ(g_nComType.load(), COMM_RS232);
        EXPECT_EQ(dialogs, 0);
        EXPECT_FALSE(frame.SearchBar()->isVisibleTo(&frame));

        frame.resize(1280, 800);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        QCoreApplication::processEvents();
        EXPECT_EQ(messages.autoConnects, 1) << "the connect sequence is asked for once the window runs";
        // Once connected, the parameter page reads every setting of the drive.
        constexpr size_t kConnect = 3;
        const size_t expected = kConnect + ReadAllQueries(0).size();
        CBasicParam* page = frame.BasicParamPage();
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return sim.SerialCommands().size() >= expected && !page->IsBusy(); }, 30000));
        const std::vector<std::string> commands = sim.SerialCommands();
        ASSERT_EQ(commands.size(), expected);
        EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + kConnect),
            (std::vector<std::string> { "GDTN1", "GVEN", "GSI" }));
        EXPECT_EQ(commands[kConnect], "GMOD");
        EXPECT_EQ(g_bDriveConnected.load(), 1);
        sim.ClearRecords();

        // The port that opened is the drive's: a command reaches it and its reply comes back
        // through the link's receive thread and reply scanner.
        {
            std::lock_guard lock(g_csLink);
            LinkClearSerialReply();
            ASSERT_EQ(SerialWrite("GVEN\r", 5, true), 5);
            ASSERT_TRUE(LinkWaitReply(3000));
            uint8_t reply[64] = {};
            EXPECT_GT(LinkTakeSerialReply(reply, sizeof reply), 0);
        }
        EXPECT_EQ(sim.SerialCommands(), std::vector<std::string> { "GVEN" });

        // "Save to File" proposes the drive's type, as the strip shows it, for the file's name.
        QString proposed;
        SetFileDialogHandler([&proposed](const FileDialogRequest& request) {
            proposed = request.fileName;
            return QString();
        });
        qobject_cast<QAbstractButton*>(page->GetDlgItem(IDC_SAVE_FILE))->click();
        SetFileDialogHandler({});
        EXPECT_EQ(proposed, QStringLiteral("QX_6215.qzd"));

        const QString picture = QDir(PictureFolder()).filePath(QStringLiteral("velquarin-frame-on-drivesim.png"));
        EXPECT_TRUE(frame.grab().save(picture)) << picture.toStdString();

        EXPECT_TRUE(frame.close());
        EXPECT_FALSE(frame.IsPollThreadRunning());
    }
    CComSetting::SetExecHook({});
    OpenProfile()->clear();
    sim.Stop();
}

// The drive is killed while the window is connected to it: nothing spins, the log says once
// that the line was lost and how to get it back, the strip shows no drive, and opening the
// line again through the communication dialog connects the drive again.
TEST(FrameOnDriveSim, ALostLineIsShownAndOpeningItAgainReconnects)
{
    {
        auto profile = OpenProfile();
        profile->clear();
        profile->setValue("QzBrantovelix/ComType", 0);
        profile->setValue("QzBrantovelix/ComNum", 1);
        profile->setValue("QzBrantovelix/ComBaud", 115200);
    }
    auto sim = StartDriveAsCom1();
    ASSERT_TRUE(sim);
    {
        CMainFrame frame;
        ASSERT_TRUE(frame.LoadFrame());
        frame.show();
        ASSERT_TRUE(RunEventsUntil([] { return g_bDriveConnected.load() == 1; }));

        sim->Stop();
        ASSERT_TRUE(RunEventsUntil([] { return g_bDriveConnected.load() == 0; }));
        // A receive thread spinning on the dead line burns a whole core; the bound leaves
        // room for a sanitizer build on a busy machine.
        const double cpu = CpuSeconds();
        QTest::qWait(1000);
        EXPECT_LT(CpuSeconds() - cpu, 0.75);
        uint8_t reply[64] = {};
        int length = sizeof reply;
        EXPECT_EQ(LinkTransactLocked(QStringLiteral("GMOD\r"), reply, &length), COMM_ERR_RS232_NOT_OPEN)
            << "nothing is written to a dead line";
        const QString log = frame.LogView()->toPlainText();
        EXPECT_EQ(log.count(QStringLiteral("Connection lost")), 1) << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("Communication > Open"))) << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("COM1"))) << log.toStdString();
        EXPECT_EQ(g_bRs232Open.load(), 0);
        EXPECT_EQ(frame.TopBar()->Drive().TypeText(), QStringLiteral("Unknow"));
        EXPECT_EQ(frame.TopBar()->GetDlgItem(IDC_CONNECT)->property("bitmap").toInt(), IDB_CHAIN_BROKEN);

        sim = StartDriveAsCom1();
        ASSERT_TRUE(sim);
        CComSetting::SetExecHook([](CComSetting& dialog) {
            dialog.OnOpen();
            return dialog.result();
        });
        frame.OnConfigCommunication();
        EXPECT_EQ(g_bRs232Open.load(), 1);
        ASSERT_TRUE(RunEventsUntil([] { return g_bDriveConnected.load() == 1; }));
        // The connect sequence comes first; the parameter page's read of every setting follows.
        const std::vector<std::string> commands = sim->SerialCommands();
        ASSERT_GE(commands.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + 3),
            (std::vector<std::string> { "GDTN1", "GVEN", "GSI" }));
        EXPECT_EQ(frame.TopBar()->GetDlgItem(IDC_CONNECT)->property("bitmap").toInt(), IDB_CHAIN_CLOSED);
        // Opened again under a drive that answers: no drive until the connect sequence finds one.
        ASSERT_TRUE(RunEventsUntil([&] { return !frame.BasicParamPage()->IsBusy(); }));
        sim->ClearRecords();
        frame.OnConfigCommunication();
        CComSetting::SetExecHook({});
        EXPECT_EQ(g_bDriveConnected.load(), 0);
        ASSERT_TRUE(RunEventsUntil([] { return g_bDriveConnected.load() == 1; }));
        EXPECT_EQ(sim->SerialCommands().at(0), "GDTN1");
        frame.close();
    }
    OpenProfile()->clear();
}
