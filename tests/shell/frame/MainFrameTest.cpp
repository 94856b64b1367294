#include "controls/CLineChartCtrl.h"
#include "link/CanCardLibrary.h"
#include "link/LinkLayer.h"
#include "link/OpenError.h"
#include "link/ui/ComSetting.h"
#include "link/ui/SearchNode.h"
#include "pages/shared/ChartPageDrawing.h"
#include "platform/Profile.h"
#include "shell/C12DialogBar.h"
#include "shell/CBrantovelixEditView.h"
#include "shell/frame/BrantovelixApp.h"
#include "shell/frame/BrantovelixSheetView.h"
#include "shell/frame/MainFrame.h"
#include "shell/Globals.h"
#include "shell/StripDecoders.h"
#include "tests/link/FakeBus.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/UrlRecorder.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <deque>
#include <fcntl.h>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

namespace {

// Window messages as the frame receives them.
class MessageRecorder : public QObject {
public:
    QList<int> messages;
    int Count(int message) const { return static_cast<int>(messages.count(message)); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (const int message = WindowMessage::MessageOf(event))
            messages.append(message);
        return false;
    }
};


// One scripted run of the communication dialog: how it ended, whether its channel opened
// and what it did to the link.
struct DialogRun {
    int result = QDialog::Rejected;
    bool opened = false;
    std::function<void()> effect;
};

// A pseudo-terminal whose slave stands in for a serial port.
class Pty {
public:
    Pty()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            m_slave = QString::fromLocal8Bit(::ptsname(m_master));
    }
    ~Pty()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    const QString& Slave() const { return m_slave; }

private:
    int m_master = -1;
    QString m_slave;
};

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OpenProfile()->clear();
        CComSetting::SetExecHook([this](CComSetting& dialog) {
            dialogParents.push_back(dialog.parentWidget());
            auto* status = dialog.findChild<QLabel*>(QStringLiteral("openStatus"));
            statusLines.push_back(status && status->isVisibleTo(&dialog) ? status->text() : QString());
            if (script.empty())
                return static_cast<int>(QDialog::Rejected);
            DialogRun run = script.front();
            script.pop_front();
            if (run.effect)
                run.effect();
            dialog.m_bOpened = run.opened ? 1 : 0;
            return run.result;
        });
    }

    void TearDown() override
    {
        CComSetting::SetExecHook({});
        OpenProfile()->clear();
        theApp.m_bOfflineMode = 0;
        g_bDriveConnected = 0;
    }

    static void Store(const QString& key, const QVariant& value) { OpenProfile()->setValue(key, value); }
    static QVariant Stored(const QString& key) { return OpenProfile()->value(key); }

    std::unique_ptr<CMainFrame> Start()
    {
        auto frame = std::make_unique<CMainFrame>();
        frame->installEventFilter(&recorder);
        EXPECT_TRUE(frame->LoadFrame());
        QCoreApplication::sendPostedEvents(frame.get());
        return frame;
    }

    static bool SearchBarShown(const CMainFrame& frame) { return frame.SearchBar()->isVisibleTo(&frame); }

    // The stored channel opened at start without a dialog; the search bar shows for CAN.
    void ExpectConnectedWithoutDialog(const CMainFrame& frame, bool searchBarShown)
    {
        EXPECT_TRUE(dialogParents.empty());
        EXPECT_EQ(SearchBarShown(frame), searchBarShown);
        EXPECT_EQ(recorder.Count(WM_AUTO_CONNECT), 1);
    }

    static DialogRun Run(int result, bool opened = false, std::function<void()> effect = {})
    {
        return { result, opened, std::move(effect) };
    }
    // A dialog run that opened the serial channel.
    static DialogRun OpenedSerial()
    {
        return Run(QDialog::Accepted, true, [] { g_nComType = COMM_RS232; });
    }

    std::deque<DialogRun> script;
    std::vector<QWidget*> dialogParents;
    QStringList statusLines;
    MessageRecorder recorder;
};

} // namespace

TEST_F(MainFrameTest, EmptyProfileOpensTheCardWithTheDefaultRecord)
{
    FakeBus bus;
    auto frame = Start();

    const auto card = bus.At(0);
    ASSERT_NE(card, nullptr) << "card index 0";
    EXPECT_EQ(card->BitRate(), 500000u);
    EXPECT_TRUE(card->Running());
    EXPECT_EQ(g_nComType.load(), COMM_CAN_K8110);
    EXPECT_EQ(g_bCanK8110Open.load(), 1);
    ExpectConnectedWithoutDialog(*frame, true);

    // What opened is written back; the node is not.
    EXPECT_EQ(Stored("CommK8110/Index").toInt(), 0);
    EXPECT_EQ(Stored("CommK8110/Baud").toInt(), 500);
    EXPECT_EQ(Stored("CommK8110/ACR").toString(), QStringLiteral("00000000"));
    EXPECT_EQ(Stored("CommK8110/AMR").toString(), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(Stored("QzBrantovelix/ComType").toInt(), COMM_CAN_K8110);
    EXPECT_FALSE(Stored("QzBrantovelix/CurNote").isValid());
}

TEST_F(MainFrameTest, AStoredChannelThatFailsBringsTheDialogUpUntilCancelled)
{
    FakeBus bus;
    bus.Prepare([](FakeCanBackend& fake) { fake.RefuseOpen(true); });
    script = { Run(QDialog::Accepted), Run(QDialog::Rejected) };
    auto frame = Start();

    EXPECT_EQ(bus.Created(), 1) << "the card was tried";
    ASSERT_EQ(dialogParents.size(), 2u);
    EXPECT_EQ(dialogParents[0], nullptr) << "at start-up the dialog has no parent";
    EXPECT_EQ(g_bCanK8110Open.load(), 0);
    EXPECT_EQ(recorder.Count(WM_AUTO_CONNECT), 0) << "no channel, no connect";
    EXPECT_FALSE(Stored("QzBrantovelix/ComType").isValid()) << "nothing written for a failed open";
    EXPECT_TRUE(frame->IsPollThreadRunning()) << "the program runs on without a channel";

    // Why the card did not open stands in the dialog and in the log.
    const QString failure = LinkLastOpenError(COMM_CAN_K8110);
    EXPECT_TRUE(failure.startsWith("CAN card 0: ")) << failure.toStdString();
    EXPECT_EQ(statusLines, QStringList({ failure, QString() })) << "the dialog's own Open never ran";
    QCoreApplication::sendPostedEvents(frame->LogView());
    frame->LogView()->FlushLog();
    EXPECT_TRUE(frame->LogView()->toPlainText().contains(failure));
}

TEST_F(MainFrameTest, TheDialogIsRepeatedUntilItOpensAChannel)
{
    FakeBus bus;
    bus.Prepare([](FakeCanBackend& fake) { fake.RefuseOpen(true); });
    script = { Run(QDialog::Accepted), Run(QDialog::Accepted), OpenedSerial(), Run(QDialog::Rejected) };
    auto frame = Start();

    EXPECT_EQ(dialogParents.size(), 3u);
    EXPECT_EQ(script.size(), 1u) << "no run after the channel opened";
    EXPECT_EQ(recorder.Count(WM_AUTO_CONNECT), 1);
    EXPECT_FALSE(SearchBarShown(*frame)) << "the dialog chose the serial port";
}

TEST_F(MainFrameTest, AStoredUsbCanTypeSetsItsAdapterTypeBeforeOpening)
{
    const std::pair<int, int> types[] = { { COMM_CAN_USB2, 4 }, { COMM_CAN_USB1, 3 }, { COMM_CAN_USB_E_U, 20 },
        { COMM_CAN_USB_2E_U, 21 } };
    for (const auto& [type, device] : types) {
        SCOPED_TRACE(type);
        OpenProfile()->clear();
        Store("QzBrantovelix/ComType", type);
        FakeBus bus;
        int deviceAtOpen = -1;
        bus.Prepare([&deviceAtOpen](FakeCanBackend&) { deviceAtOpen = g_nVciDevType; });
        auto frame = Start();
        EXPECT_EQ(deviceAtOpen, device);
        EXPECT_EQ(g_bCanUsbOpen.load(), 1);
        EXPECT_EQ(g_nComType.load(), type);
        EXPECT_TRUE(dialogParents.empty());
        EXPECT_EQ(Stored("QzBrantovelix/ComType").toInt(), type);
    }
}

TEST_F(MainFrameTest, AStoredNodeAddressOutsideTheRuleFallsBackToOne)
{
    FakeBus bus;
    for (const auto& [stored, node] : { std::pair { 300, 1 }, { 0, 0 }, { 128, 1 }, { -5, 1 }, { 127, 127 }, { 42, 42 } }) {
        Store("QzBrantovelix/CurNote", stored);
        auto frame = Start();
        EXPECT_EQ(g_nCurNode.load(), node) << stored;
    }
    Store("QzBrantovelix/CurNote", QStringLiteral("abc"));
    auto frame = Start();
    EXPECT_EQ(g_nCurNode.load(), 1) << "a value that is no number";
}

TEST_F(MainFrameTest, AnUnknownCanBitRateOpensNothingAndAsksTheUser)
{
    FakeBus bus;
    Store("CommK8110/Baud", 300);
    auto frame = Start();
    EXPECT_EQ(bus.Created(), 0) << "no open with timing that is not the user's";
    EXPECT_EQ(dialogParents.size(), 1u);
    EXPECT_EQ(g_bCanK8110Open.load(), 0);
}

TEST_F(MainFrameTest, ShortAcceptanceTextsFillTheirMissingBytesWithZeros)
{
    FakeBus bus;
    // Code 00 00 00 00, mask FF 00 00 00: any identifier whose low three bits are zero,
    // with the first two data bytes zero.
    Store("CommK8110/ACR", QString());
    Store("CommK8110/AMR", QStringLiteral("FF"));
    auto frame = Start();
    const auto card = bus.At(0);
    ASSERT_NE(card, nullptr);
    ASSERT_EQ(g_bCanK8110Open.load(), 1);
    EXPECT_EQ(Stored("CommK8110/AMR").toString(), QStringLiteral("FF")) << "written back as stored";

    card->Inject(Message(0x08, { 0, 0 }));
    card->Inject(Message(0x09, { 0, 0 }));
    card->Inject(Message(0x10, { 0, 1 }));
    card->Inject(Message(0x18, { 0, 0, 7 }));
    int received = 0;
    uint8_t buffer[20];
    while (CAN_Recv(0, buffer, sizeof buffer) == 1)
        ++received;
    EXPECT_EQ(received, 2) << "identifiers 0x08 and 0x18 pass";
}

TEST_F(MainFrameTest, AWorkingSerialPortNeedsNoDialogAndHidesTheSearchBar)
{
    Pty pty;
    ASSERT_FALSE(pty.Slave().isEmpty());
    Store("Ports/COM3", pty.Slave());
    Store("QzBrantovelix/ComType", 0);
    Store("QzBrantovelix/ComNum", 3);
    Store("QzBrantovelix/ComBaud", 19200);
    auto frame = Start();

    EXPECT_EQ(g_bRs232Open.load(), 1);
    ExpectConnectedWithoutDialog(*frame, false);
    EXPECT_EQ(Stored("QzBrantovelix/ComNum").toInt(), 3);
    EXPECT_EQ(Stored("QzBrantovelix/ComBaud").toInt(), 19200);
    EXPECT_EQ(Stored("QzBrantovelix/ComType").toInt(), 0);
}

TEST_F(MainFrameTest, OfflineSwitchCountsADriveAsConnectedWithoutAChannel)
{
    g_bDriveConnected = 0;
    theApp.m_bOfflineMode = 1;
    Store("QzBrantovelix/ComType", 0);
    Store("Ports/COM1", QStringLiteral("/nonexistent/tty"));
    CMainFrame frame;
    EXPECT_EQ(g_bDriveConnected.load(), 1);
    theApp.m_bOfflineMode = 0;
    CMainFrame second;
    EXPECT_EQ(g_bDriveConnected.load(), 0);
}

TEST_F(MainFrameTest, WindowLayout)
{
    FakeBus bus;
    auto frame = Start();
    frame->resize(1400, 900);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));

    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Velquarin"));

    // Pages on the left at their width, the log to the right of them taking the rest.
    QSplitter* splitter = frame->Splitter();
    ASSERT_EQ(splitter->count(), 2);
    EXPECT_NE(qobject_cast<CBrantovelixSheetView*>(splitter->widget(0)), nullptr);
    EXPECT_EQ(splitter->widget(1), frame->LogView());
    EXPECT_EQ(splitter->widget(0), frame->SheetView()) << "set by the view's initial update";
    EXPECT_EQ(splitter->sizes().at(0), CMainFrame::kSheetPaneWidth);
    EXPECT_GE(splitter->sizes().at(1), CMainFrame::kLogPaneWidth);
    frame->resize(1600, 900);
    QCoreApplication::processEvents();
    EXPECT_EQ(splitter->sizes().at(0), CMainFrame::kSheetPaneWidth) << "a wider window widens the log";

    // The strip across the top, the search bar (CAN) left of the panes.
    QWidget* top = frame->TopBar();
    EXPECT_EQ(top->objectName(), QStringLiteral("idc_152"));
    EXPECT_TRUE(top->isVisible());
    EXPECT_EQ(top->width(), frame->centralWidget()->width());
    EXPECT_LE(top->mapTo(frame.get(), QPoint(0, top->height())).y(), splitter->mapTo(frame.get(), QPoint()).y());
    CSearchNode* search = frame->SearchBar();
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(search->objectName(), QStringLiteral("idc_226"));
    EXPECT_LE(search->mapTo(frame.get(), QPoint(search->width(), 0)).x(), splitter->mapTo(frame.get(), QPoint()).x());
    EXPECT_EQ(search->m_nFrom, 2);
    EXPECT_EQ(search->m_nTo, 127);

    // The status bar is there but never seen.
    EXPECT_FALSE(frame->StatusBar()->isVisible());
    frame->SetStatusText(QStringLiteral("Sampling"));
    auto* pane = frame->StatusBar()->findChild<QLabel*>(QStringLiteral("pane_2"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->text(), QStringLiteral("Sampling"));
    EXPECT_EQ(frame->StatusBar()->findChildren<QLabel*>().size(), 4);
}

TEST_F(MainFrameTest, MenuAndKeys)
{
    FakeBus bus;
    auto frame = Start();
    const std::pair<int, const char*> items[] = { { 32897, "Open(&O)" }, { 57665, "Exit(&X)" },
        { 32850, "Communication(&N)" }, { 57664, "Velquarin" } };
    for (const auto& [id, text] : items) {
        auto* action = frame->findChild<QAction*>(QStringLiteral("idc_%1").arg(id));
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(action->text(), QString::fromUtf8(text));
    }
    QStringList menus;
    for (QAction* menu : frame->menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, (QStringList { "File(&F)", "Configuration(&C)", "About(&A)" }));

    QList<QKeySequence> sendKeys;
    for (QShortcut* shortcut : frame->findChildren<QShortcut*>(QStringLiteral("idc_1118")))
        sendKeys << shortcut->key();
    EXPECT_TRUE(sendKeys.contains(QKeySequence(Qt::Key_Return)));
}

TEST_F(MainFrameTest, CommunicationMenuRepeatsTheDialogAndPlacesTheSearchBar)
{
    FakeBus bus;
    auto frame = Start();
    ASSERT_TRUE(SearchBarShown(*frame));
    script = { Run(QDialog::Accepted), OpenedSerial() };
    frame->findChild<QAction*>(QStringLiteral("idc_32850"))->trigger();
    EXPECT_EQ(dialogParents.size(), 2u);
    EXPECT_EQ(dialogParents.back(), frame.get());
    EXPECT_FALSE(SearchBarShown(*frame));

    script = { Run(QDialog::Accepted, true, [] { g_nComType = COMM_CAN_USB2; }) };
    frame->OnConfigCommunication();
    EXPECT_TRUE(SearchBarShown(*frame));

    // Cancelled: the bar follows the channel type as it stands.
    script = { Run(QDialog::Rejected, false, [] { g_nComType = COMM_RS232; }) };
    frame->OnConfigCommunication();
    EXPECT_FALSE(SearchBarShown(*frame));
}

TEST_F(MainFrameTest, HelpOpensTheManualInTheProgramFolder)
{
    UrlRecorder urls;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &urls, "Open");
    FakeBus bus;
    auto frame = Start();
    frame->OnHelpManual();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened[0], QUrl::fromLocalFile(QCoreApplication::applicationDirPath()
                                                  + QStringLiteral("/Velquarin说明书-TRQX6215.pdf")));
}

TEST_F(MainFrameTest, ClosingJoinsThePollThreadWithoutWaitingOutItsPeriod)
{
    FakeBus bus;
    auto frame = Start();
    ASSERT_TRUE(frame->IsPollThreadRunning());
    // Closing also ends a poll thread that a worker holds paused.
    frame->SuspendPollThread();
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(frame->IsPollThreadRunning()) << "joined";
    EXPECT_LT(timer.elapsed(), static_cast<qint64>(CMainFrame::kPollPeriodMs) * 4 / 5);
    frame->ResumePollThread();
    EXPECT_EQ(CMainFrame::Get(), frame.get());
    const auto card = bus.At(0);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(card->Running()) << "the link outlives the closed window until it is destroyed";
    frame.reset();
    EXPECT_EQ(CMainFrame::Get(), nullptr);
    EXPECT_FALSE(card->Running()) << "the link is shut down with the frame";
    EXPECT_EQ(card->Calls().back(), "Close");
}


TEST_F(MainFrameTest, TheWindowFitsALaptopScreen)
{
    FakeBus bus;
    auto frame = Start();
    EXPECT_LE(frame->minimumSizeHint().width(), 1280);
    frame->resize(1366, 768);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    EXPECT_EQ(frame->size(), QSize(1366, 768)) << "the window does not force itself wider";

    const QRect window = frame->rect();
    auto placeOf = [&](QWidget* widget) { return QRect(widget->mapTo(frame.get(), QPoint()), widget->size()); };
    QWidget* disable = frame->TopBar()->GetDlgItem(1140);
    EXPECT_TRUE(window.contains(placeOf(disable))) << "the strip's last button";
    EXPECT_TRUE(disable->isVisible());
    const QRect log = placeOf(frame->LogView());
    EXPECT_TRUE(window.contains(log));
    EXPECT_GE(log.width(), CMainFrame::kLogPaneWidth);

    const QPixmap shot = frame->grab();
    const QByteArray buildDir = qgetenv("VELQUARIN_BUILD_DIR");
    const QString path = (buildDir.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(buildDir))
        + QStringLiteral("/main_window_1366x768.png");
    EXPECT_TRUE(shot.save(path)) << path.toStdString();

    // On a laptop's and on a desktop's screen the run-monitor chart's unit lies in the pane.
    CBrantovelixSheetView* pages = frame->SheetView();
    ASSERT_TRUE(pages->SetActivePage(1));
    const CPidParam& monitor = pages->PidParamPage();
    for (const QSize screen : { QSize(1366, 768), QSize(1920, 1080) }) {
        frame->resize(screen);
        QCoreApplication::processEvents();
        const QRect unit = XUnitBox(monitor.Chart()->geometry(), monitor.fontMetrics());
        EXPECT_TRUE(pages->viewport()->rect().contains(QRect(monitor.mapTo(pages->viewport(), unit.topLeft()), unit.size())))
            << screen.width();
    }

    // Narrower than the strip, the window clips the strip instead of growing.
    frame->resize(1000, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->width(), 1000);
}

TEST_F(MainFrameTest, AFailedOpenComesBackWithWhatTheUserTriedAndATypedDeviceIsKept)
{
    FakeBus bus;
    auto frame = Start();
    Pty pty;
    QStringList comeBack;
    int runs = 0;
    CComSetting::SetExecHook([&](CComSetting& dialog) {
        if (++runs == 1) {
            dialog.findChild<QAbstractButton*>(QStringLiteral("idc_1047"))->click(); // RS232
            dialog.m_cmbCom->setCurrentIndex(4);
            dialog.m_cmbBaud->setCurrentIndex(3);
            dialog.m_cmbSerialDevice->setEditText(QStringLiteral("/nonexistent/ttyVQ5"));
        } else {
            comeBack << QVariant(dialog.findChild<QAbstractButton*>(QStringLiteral("idc_1047"))->isChecked()).toString() << dialog.m_cmbCom->currentText()
                     << dialog.m_cmbBaud->currentText() << dialog.m_cmbSerialDevice->currentText()
                     << dialog.findChild<QLabel*>(QStringLiteral("openStatus"))->text().section(u':', 0, 0);
            dialog.m_cmbSerialDevice->setEditText(pty.Slave());
        }
        dialog.OnOpen();
        return dialog.result();
    });
    frame->OnConfigCommunication();
    EXPECT_EQ(comeBack, (QStringList { "true", "COM5", "57600", "/nonexistent/ttyVQ5", "COM5 (/nonexistent/ttyVQ5)" }));
    EXPECT_EQ(Stored("Ports/COM5").toString(), pty.Slave()) << "the typed device is kept once it opened";
}

TEST_F(MainFrameTest, ThePagesAndTheSearchBarAreHandedTheFramesWaysToTheDrive)
{
    auto frame = Start();
    CBrantovelixSheetView* sheet = frame->SheetView();
    EXPECT_EQ(frame->BasicParamPage(), &sheet->BasicParamPage());
    EXPECT_EQ(frame->PidParamPage(), &sheet->PidParamPage());
    EXPECT_EQ(frame->MonitorPage(), nullptr) << "no tab, no initial update";

    for (const CPropertyViewPage* page : std::initializer_list<const CPropertyViewPage*> {
             &sheet->BasicParamPage(), &sheet->PidParamPage(), &sheet->MonitorPage() }) {
        const DriveContext& context = page->Context();
        ASSERT_TRUE(context.pollPause.suspend && context.probe && context.driveName && context.setAllNodes);
        EXPECT_FALSE(context.searchRuns());
        EXPECT_FALSE(context.pageRefuses());
        context.statusPane(QStringLiteral("Stop"));
        EXPECT_EQ(frame->StatusBar()->findChild<QLabel*>(QStringLiteral("pane_2"))->text(), QStringLiteral("Stop"));
        context.searchStatus(QStringLiteral("All device setting succeed"));
        EXPECT_EQ(frame->SearchBar()->StatusText(), QStringLiteral("All device setting succeed"));
        qobject_cast<QLineEdit*>(frame->TopBar()->GetDlgItem(IDC_TYPE))->setText(QStringLiteral("QX6215"));
        EXPECT_EQ(context.driveType(), QStringLiteral("QX6215"));
    }
}
