#include "shell/frame/MainFrame.h"

#include "controls/LogFont.h"
#include "controls/MenuEx.h"
#include "link/ChannelSettings.h"
#include "link/CommandTables.h"
#include "link/LinkLayer.h"
#include "link/LogRing.h"
#include "link/NodeAddress.h"
#include "link/OpenError.h"
#include "link/ui/CommSel.h"
#include "link/ui/ComSetting.h"
#include "link/ui/SearchNode.h"
#include "pages/params/BasicParam.h"
#include "pages/tuning/Monitor.h"
#include "pages/runmonitor/PidParam.h"
#include "platform/ControlName.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "res/ProgramIcon.h"
#include "shell/C12DialogBar.h"
#include "shell/CBrantovelixEditView.h"
#include "shell/frame/BrantovelixApp.h"
#include "shell/frame/BrantovelixSheetView.h"
#include "shell/Globals.h"
#include "shell/ProgramFiles.h"
#include "shell/StripDecoders.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

std::atomic<CMainFrame*> s_mainFrame { nullptr };

// Command ids of the menu and the keys.
constexpr int ID_CONFIG_COMMUNICATION = 32850;
constexpr int ID_FILE_OPEN_TEXT = 32897;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_HELP = 57670;
constexpr int IDR_MAINFRAME_MENU = 134;
constexpr int AFX_IDW_STATUS_BAR = 59393;
constexpr int AFX_IDW_PANE_FIRST = 59648;
constexpr int kStatusBarMinHeight = 30;
constexpr int kStatusPaneWidths[] = { 0, 400, 424, 200 };
// The search bar's current-device combo, which shows the node being talked to.
constexpr int IDC_SEARCH_NODE_COMBO = 1342;

const QString kManualFile = QStringLiteral("Velquarin说明书-TRQX6215.pdf");


} // namespace

CMainFrame::CMainFrame()
{
    setWindowTitle(QStringLiteral("Velquarin"));
    g_nCurNode = 1;
    g_nComType = COMM_RS232;
    g_bRs232Open = 0;
    g_bCanK8110Open = 0;
    ResetReplyRingIndex();
    g_bDriveStatusBit8 = 1;
    g_bMonitoring = 0;
    g_nCanState = 0;
    g_nRunLockValue = 0;
    g_bDriveConnected = theApp.m_bOfflineMode ? 1 : 0;
    s_mainFrame = this;
    LinkInit();
    LinkSetChannelLostHandler([this](int commType, const QString& reason) {
        QMetaObject::invokeMethod(this, [this, commType, reason] { OnChannelLost(commType, reason); },
            Qt::QueuedConnection);
    });
}

CMainFrame::~CMainFrame()
{
    LinkSetChannelLostHandler({});
    m_statusPoll.Stop();
    // The views take the pages with them, and the pages end their worker threads; all of
    // that has to happen while the link still runs.
    delete takeCentralWidget();
    m_pLogView = nullptr;
    m_pSheetView = nullptr;
    m_pBasicParamPage = nullptr;
    m_pPidParamPage = nullptr;
    m_pMonitorPage = nullptr;
    CMainFrame* self = this;
    s_mainFrame.compare_exchange_strong(self, nullptr);
    LinkShutdown();
}

CMainFrame* CMainFrame::Get()
{
    return s_mainFrame.load();
}

bool CMainFrame::LoadFrame()
{
    if (OnCreate() == -1)
        return false;
    InitialUpdateFrame();
    // Restored from maximised, the window gives the panes their initial sizes.
    const int searchWidth = m_wndSearchBar->isVisibleTo(this) ? m_wndSearchBar->width() : 0;
    const int panesWidth = searchWidth + kSheetPaneWidth + m_wndSplitter->handleWidth() + kLogPaneWidth;
    // As wide as the strip too, where the screen has room for it.
    int width = std::max({ panesWidth, m_wndTopBar->sizeHint().width(), minimumSizeHint().width() });
    if (const QScreen* screen = this->screen())
        width = std::min(width, screen->availableGeometry().width());
    resize(width, menuBar()->sizeHint().height() + m_wndTopBar->height() + kPaneHeight);
    return true;
}

int CMainFrame::OnCreate()
{
    if (!OnCreateClient())
        return -1;
    // The maker's shared folder; nothing of ours needs it to exist.
    QDir().mkpath(GetSharedFolderPath());
    if (!CreateTopBar())
        return -1;
    m_wndSearchBar = new CSearchNode;
    if (!m_wndSearchBar->Create(centralWidget()))
        return -1;
    static_cast<QHBoxLayout*>(m_wndSplitter->parentWidget()->layout())->insertWidget(0, m_wndSearchBar);
    // Before anything is posted to the pages and before the poll runs.
    const DriveContext context = DriveContextOfFrame();
    Sheet()->SetDriveContext(context);
    m_wndSearchBar->SetDriveContext(context);
    if (!CreateStatusBar())
        return -1;
    InitCommandTables();
    ConnectDriveCommands();
    setWindowIcon(ProgramIcon());
    CreateMenu();
    for (QObject* page : std::initializer_list<QObject*> { m_pBasicParamPage, m_pPidParamPage, m_pMonitorPage })
        PostMessage(page, WM_PAGE_INIT, 0, 0);
    if (ConnectFromRegistry())
        PostMessage(this, WM_AUTO_CONNECT, 0, 0);
    m_statusPoll.Start();
    return 0;
}

bool CMainFrame::OnCreateClient()
{
    // Top strip across the whole width; below it the search bar (CAN only) and the panes.
    auto* client = new QWidget;
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(0);
    column->addWidget(row, 1);
    setCentralWidget(client);

    m_wndSplitter = new QSplitter(Qt::Horizontal);
    m_wndSplitter->setObjectName(ControlObjectName(AFX_IDW_PANE_FIRST));
    m_wndSplitter->setChildrenCollapsible(false);
    rowLayout->addWidget(m_wndSplitter, 1);

    auto* sheet = new CBrantovelixSheetView;
    connect(sheet, &CBrantovelixSheetView::InitialUpdateDone, this, &CMainFrame::OnSheetUpdated);
    m_pLogView = new CBrantovelixEditView;
    // The log is there before the stored channel is opened, so a failure to open it shows.
    m_pLogView->OnInitialUpdate();
    m_wndSplitter->addWidget(sheet);
    m_wndSplitter->addWidget(m_pLogView);
    // The pages keep their width; the log takes what the window has beyond it.
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setSizes({ kSheetPaneWidth, kLogPaneWidth });
    return true;
}

void CMainFrame::InitialUpdateFrame()
{
    if (CBrantovelixSheetView* sheet = Sheet())
        sheet->OnInitialUpdate();
}

CBrantovelixSheetView* CMainFrame::Sheet() const
{
    return qobject_cast<CBrantovelixSheetView*>(m_wndSplitter->widget(0));
}

void CMainFrame::OnSheetUpdated(CBrantovelixSheetView* sheet)
{
    m_pSheetView = sheet;
    // A page without a window is no tab and had no initial update: it stays unknown here.
    auto updated = [](auto& page) { return page.HasWindow() ? &page : nullptr; };
    m_pBasicParamPage = updated(sheet->BasicParamPage());
    m_pPidParamPage = updated(sheet->PidParamPage());
    m_pMonitorPage = updated(sheet->MonitorPage());
}

DriveContext CMainFrame::DriveContextOfFrame()
{
    DriveContext context;
    context.transact = LinkTransactLocked;
    context.pollPause = { [this] { SuspendPollThread(); }, [this] { ResumePollThread(); } };
    context.pageRefuses = [this] { return m_pBasicParamPage && m_pBasicParamPage->RefuseWhileBusy(); };
    context.searchRuns = [this] { return m_wndSearchBar && m_wndSearchBar->IsSearching(); };
    context.probe = &CBasicParam::ProbeDeviceType;
    context.setAllNodes = [this] { PostMessage(m_pBasicParamPage, WM_SET_ALL_NODES, 0, 0); };
    context.driveName = [](int type, QString& name) { return GetDriverName(type, name); };
    context.searchStatus = [this](const QString& text) {
        if (m_wndSearchBar)
            m_wndSearchBar->SetStatusText(text);
    };
    context.statusPane = [this](const QString& text) { SetStatusText(text); };
    context.driveType = [this] { return m_wndTopBar ? m_wndTopBar->GetDlgItemText(IDC_TYPE) : QString(); };
    return context;
}

bool CMainFrame::CreateTopBar()
{
    m_wndTopBar = new C12DialogBar;
    if (!m_wndTopBar->Create(centralWidget()))
        return false;
    static_cast<QVBoxLayout*>(centralWidget()->layout())->insertWidget(0, m_wndTopBar);
    connect(m_wndTopBar, &C12DialogBar::CommandClicked, this, &CMainFrame::OnStripCommand);
    return true;
}

bool CMainFrame::CreateStatusBar()
{
    m_wndStatusBar = new QStatusBar;
    m_wndStatusBar->setObjectName(ControlObjectName(AFX_IDW_STATUS_BAR));
    m_wndStatusBar->setMinimumHeight(kStatusBarMinHeight);
    m_wndStatusBar->setFont(FontFromLogFont(100, 900, DEFAULT_PITCH, QStringLiteral("宋体")));
    for (int pane = 0; pane < 4; ++pane) {
        auto* label = new QLabel;
        label->setObjectName(QStringLiteral("pane_%1").arg(pane));
        if (pane == 0) {
            label->setEnabled(false);
            m_wndStatusBar->addWidget(label, 1);
        } else {
            label->setFixedWidth(kStatusPaneWidths[pane]);
            label->setFrameShape(QFrame::Panel);
            label->setFrameShadow(QFrame::Sunken);
            m_wndStatusBar->addPermanentWidget(label);
        }
        m_statusPanes.append(label);
    }
    setStatusBar(m_wndStatusBar);
    // Nothing shows it again: its texts are kept but not seen.
    m_wndStatusBar->hide();
    return true;
}

void CMainFrame::CreateMenu()
{
    m_menu = new CMenuEx;
    m_menu->setObjectName(QStringLiteral("idr_%1").arg(IDR_MAINFRAME_MENU));
    auto command = [this](QMenu* menu, const QString& text, int id, auto handler) {
        QAction* action = menu->addAction(text);
        action->setObjectName(ControlObjectName(id));
        connect(action, &QAction::triggered, this, handler);
    };
    QMenu* file = m_menu->addMenu(QStringLiteral("File(&F)"));
    command(file, QStringLiteral("Open(&O)"), ID_FILE_OPEN_TEXT, [this] { OnFileOpenText(); });
    command(file, QStringLiteral("Exit(&X)"), ID_APP_EXIT, [this] { close(); });
    QMenu* config = m_menu->addMenu(QStringLiteral("Configuration(&C)"));
    command(config, QStringLiteral("Communication(&N)"), ID_CONFIG_COMMUNICATION, [this] { OnConfigCommunication(); });
    QMenu* about = m_menu->addMenu(QStringLiteral("About(&A)"));
    command(about, QStringLiteral("Velquarin"), ID_APP_ABOUT, [] { theApp.OnAppAbout(); });
    setMenuBar(m_menu);

    // The keys: Enter sends the strip's free text, F1 opens the manual.
    for (QKeySequence key : { QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) }) {
        auto* send = new QShortcut(key, this);
        send->setObjectName(ControlObjectName(IDC_SEND));
        connect(send, &QShortcut::activated, this, &CMainFrame::OnSendText);
    }
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setObjectName(ControlObjectName(ID_HELP));
    connect(help, &QShortcut::activated, this, &CMainFrame::OnHelpManual);
}

void CMainFrame::ShowSearchBar(bool show)
{
    m_wndSearchBar->setVisible(show);
    centralWidget()->layout()->invalidate();
}

int CMainFrame::ConnectFromRegistry()
{
    const ChannelSettings stored = ChannelSettings::Load();
    g_nCurNode = stored.node;
    g_nComType = stored.comType;

    ShowSearchBar(stored.comType != COMM_RS232);
    if (!OpenStoredChannel(stored)) {
        const QString failure = LinkLastOpenError(stored.comType);
        LogOpenFailure(failure);
        // The dialog stores what it opened itself.
        if (!RunComSetting(nullptr, failure))
            return 0;
    }

    ShowSearchBar(g_nComType != COMM_RS232);
    return 1;
}

bool CMainFrame::RunComSetting(QWidget* parent, QString failure)
{
    // After a failed Open the dialog comes back with what the user tried, not with the
    // stored settings (a serial port that did not open stored nothing).
    std::optional<CComSetting::Choice> tried;
    for (;;) {
        CComSetting dialog(parent);
        if (tried)
            dialog.ShowChoice(*tried);
        dialog.ShowOpenFailure(failure);
        if (dialog.exec() != IDOK)
            return false;
        if (dialog.IsOpened())
            return true;
        failure = dialog.OpenFailure();
        LogOpenFailure(failure);
        tried = dialog.UserChoice();
    }
}

void CMainFrame::LogOpenFailure(const QString& failure)
{
    if (!failure.isEmpty())
        PostLogString(failure, kLogCommandLine, true);
}

void CMainFrame::OnConfigCommunication()
{
    // No poll exchange runs while the channel may change, so none of the old channel's
    // answers reaches the strip after it has forgotten the drive.
    m_statusPoll.Pause();
    if (RunComSetting(this, QString())) {
        // Whatever answered before, the drive on this channel is known only once the connect
        // sequence has found it, as at start-up.
        m_driveCommands.OnChannelChanged();
        PostMessage(this, WM_AUTO_CONNECT, 0, 0);
    }
    m_statusPoll.Resume();
    ShowSearchBar(g_nComType != COMM_RS232);
}

void CMainFrame::OnChannelLost(int commType, const QString& reason)
{
    // Two rows: what happened, then what to do about it.
    PostLogString(QStringLiteral("Connection lost: ") + reason, kLogCommandLine, true);
    PostLogString(QStringLiteral("To reconnect: Configuration > Communication > Open"), kLogCommandLine, true);
    const int inUse = g_nComType;
    if (commType == inUse || (IsUsbCanType(commType) && IsUsbCanType(inUse)))
        m_driveCommands.OnChannelLost();
}

void CMainFrame::OnSelectNode()
{
    CCommSel dialog(this);
    dialog.exec();
}

void CMainFrame::OnStripCommand(int id)
{
    switch (id) {
    case IDC_CONNECT: OnConnectDrive(); break;
    case IDC_SEND: OnSendText(); break;
    case IDC_SELECT_NODE: OnSelectNode(); break;
    case IDC_REFRESH: OnRefreshStatus(); break;
    default: m_driveCommands.OnOneWordCommand(id); break;
    }
}

void CMainFrame::OnFileOpenText()
{
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("Text Files (*.txt)"));
    if (!path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void CMainFrame::OnHelpManual()
{
    // A missing manual or no program for PDF files is not worth a message.
    QDesktopServices::openUrl(QUrl::fromLocalFile(GetDataFolderPath(kManualFile) + kManualFile));
}

void CMainFrame::ConnectDriveCommands()
{
    m_driveCommands.SetStripReceiver(m_wndTopBar);
    m_driveCommands.SetMessageBoxOwner(this);
    m_driveCommands.SetNodeTextSink([this](const QString& text) {
        if (auto* combo = qobject_cast<QComboBox*>(m_wndSearchBar->GetDlgItem(IDC_SEARCH_NODE_COMBO)))
            combo->setEditText(text);
    });
    m_wndTopBar->SetTypeNameRequester([this] { return m_driveCommands.TypeNamePart(); },
        [this](int part) { m_driveCommands.RequestTypeNamePart(part); });
}

void CMainFrame::OnConnectDrive()
{
    m_driveCommands.SetPageReceivers(m_pBasicParamPage, m_pPidParamPage, m_pMonitorPage);
    m_driveCommands.OnConnectDrive();
}

void CMainFrame::OnRefreshStatus()
{
    m_driveCommands.OnRefreshStatus();
}

void CMainFrame::OnSendText()
{
    QComboBox* combo = m_wndTopBar->CommandCombo();
    QStringList history;
    for (int i = 0; i < combo->count(); ++i)
        history << combo->itemText(i);
    const std::optional<QString> sent = m_driveCommands.OnSendText(combo->currentText(), history);
    if (!sent)
        return;
    combo->clear();
    combo->addItems(history);
    combo->setEditText(*sent);
    combo->lineEdit()->selectAll();
    combo->setFocus();
}

void CMainFrame::SetStatusText(const QString& text)
{
    m_statusPanes[2]->setText(text);
}

int CMainFrame::PostLogText(const char* text, LPARAM lParam, bool post)
{
    return ::PostLogText(text, lParam, post);
}

int CMainFrame::PostLogString(const QString& text, LPARAM lParam, bool post)
{
    return ::PostLogString(text, lParam, post);
}

void CMainFrame::LogCommResult(int code, bool enable)
{
    ::LogCommResult(code, enable);
}

void CMainFrame::SuspendPollThread()
{
    m_statusPoll.Pause();
}

void CMainFrame::ResumePollThread()
{
    m_statusPoll.Resume();
}

bool CMainFrame::event(QEvent* event)
{
    if (WindowMessage::MessageOf(event) == WM_AUTO_CONNECT) {
        OnConnectDrive();
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    OnClose();
    event->accept();
}

void CMainFrame::OnClose()
{
    m_statusPoll.Stop();
}
