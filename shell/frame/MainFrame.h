#pragma once

#include "link/DriveContext.h"
#include "platform/WindowMessage.h"
#include "shell/DriveCommands.h"
#include "shell/StatusPollThread.h"

#include <QMainWindow>

class C12DialogBar;
class CBasicParam;
class CBrantovelixEditView;
class CBrantovelixSheetView;
class CMenuEx;
class CMonitor;
class CPidParam;
class CSearchNode;
class QLabel;
class QSplitter;
class QStatusBar;

// The main window. It owns the link's lifetime (LinkInit when built, LinkShutdown when
// destroyed), opens the channel kept in the profile, lays out the top status strip, the
// node-search bar and the two panes (drive pages left, log right), and hands the pages and
// the search bar what they work the drive with (DriveContextOfFrame): the transaction, the
// status poll's pause, each other's state and the status texts.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Initial pane sizes: the drive pages on the left, the log on the right.
    static constexpr int kSheetPaneWidth = 880;
    static constexpr int kLogPaneWidth = 200;
    static constexpr int kPaneHeight = 700;
    // The status-poll thread looks at the drive this often.
    static constexpr uint32_t kPollPeriodMs = StatusPollThread::kPeriodMs;

    // Start values of the frame and of the link's and shell's globals, the locks, then
    // LinkInit. A drive counts as connected from here on when theApp is in offline mode.
    CMainFrame();
    // Stops the poll thread if closing has not, destroys the views and pages (so their
    // threads end while the link still runs), then shuts the link down.
    ~CMainFrame() override;

    // Builds the window and its bars, opens the stored channel (showing the communication
    // dialog while that fails), starts the poll thread, then runs the views' initial
    // updates. False when a part of the window cannot be made.
    bool LoadFrame();

    // The main window while one exists.
    static CMainFrame* Get();

    // What the pages and the search bar work the drive with. Its functions read the frame
    // at call time; the pages and the bar die before the frame's poll and strip.
    DriveContext DriveContextOfFrame();

    // The log (see link/LogRing.h); safe from any thread.
    int PostLogText(const char* text, LPARAM lParam, bool post);
    int PostLogString(const QString& text, LPARAM lParam, bool post);
    void LogCommResult(int code, bool enable);

    // Pane 2 of the status bar, which is kept hidden.
    void SetStatusText(const QString& text);

    // The pause of the status-poll thread for worker threads that talk to the drive.
    // SuspendPollThread returns once no poll transaction is in flight; the poll thread
    // then waits between transactions until every suspension has been resumed. Nests.
    void SuspendPollThread();
    void ResumePollThread();

    // Opens the channel kept in the profile; 1 when a channel is open at the end, 0 when
    // the user cancelled the communication dialog.
    int ConnectFromRegistry();

    // Commands.
    void OnConnectDrive();        // strip button 1116; WM_AUTO_CONNECT
    void OnSendText();            // strip button 1118; the Enter key
    void OnConfigCommunication(); // menu 32850
    void OnFileOpenText();        // menu 32897
    void OnHelpManual();          // F1
    void OnSelectNode();          // strip button 1138 (kept hidden by the strip)
    void OnRefreshStatus();       // strip button 1141
    // A click on one of the strip's buttons.
    void OnStripCommand(int id);

    C12DialogBar* TopBar() const { return m_wndTopBar; }
    CSearchNode* SearchBar() const { return m_wndSearchBar; }
    QStatusBar* StatusBar() const { return m_wndStatusBar; }
    QSplitter* Splitter() const { return m_wndSplitter; }
    bool IsPollThreadRunning() const { return m_statusPoll.IsRunning(); }
    // The drive commands behind the strip: the node reported by Enable and Disable while
    // no drive is connected, and the part of the type name asked for last, live there.
    DriveCommands& Commands() { return m_driveCommands; }

    // The views and pages; each page from its initial update on, null before and after.
    CBrantovelixEditView* LogView() const { return m_pLogView; }
    CBrantovelixSheetView* SheetView() const { return m_pSheetView; }
    CMonitor* MonitorPage() const { return m_pMonitorPage; }
    CBasicParam* BasicParamPage() const { return m_pBasicParamPage; }
    CPidParam* PidParamPage() const { return m_pPidParamPage; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int OnCreate();
    bool OnCreateClient();
    CBrantovelixSheetView* Sheet() const;
    // The sheet's initial update is done: the frame keeps it and the pages it updated.
    void OnSheetUpdated(CBrantovelixSheetView* sheet);
    void InitialUpdateFrame();
    void CreateMenu();
    bool CreateTopBar();
    // Wires the drive commands to the strip, the search bar and message boxes.
    void ConnectDriveCommands();
    bool CreateStatusBar();
    void ShowSearchBar(bool show);
    // Runs the communication dialog modally while it ends with IDOK without having opened
    // its channel; true when it opened one. Each dialog shows why the attempt before it
    // failed (`failure` for the first), and each failure goes into the log.
    bool RunComSetting(QWidget* parent, QString failure);
    void LogOpenFailure(const QString& failure);
    void OnClose();
    // A channel went away under the program (on the UI thread): the log says so and how to
    // get it back; when it was the channel in use, the drive counts as disconnected.
    void OnChannelLost(int commType, const QString& reason);

    CMenuEx* m_menu = nullptr;
    QStatusBar* m_wndStatusBar = nullptr;
    QList<QLabel*> m_statusPanes;
    C12DialogBar* m_wndTopBar = nullptr;
    CSearchNode* m_wndSearchBar = nullptr;
    QSplitter* m_wndSplitter = nullptr;
    CBrantovelixEditView* m_pLogView = nullptr;
    CBrantovelixSheetView* m_pSheetView = nullptr;
    CMonitor* m_pMonitorPage = nullptr;
    CBasicParam* m_pBasicParamPage = nullptr;
    CPidParam* m_pPidParamPage = nullptr;

    DriveCommands m_driveCommands;
    // Every kPollPeriodMs while a drive is connected, one round of status queries. Its
    // poll lock is held around each of its transactions; workers pause it through its
    // gate, never by holding the lock. Lock order: the poll lock before g_csLink.
    StatusPollThread m_statusPoll { [this](PauseGate& gate, std::mutex& csPoll) {
        m_driveCommands.PollCycle(gate, csPoll);
    } };
};
