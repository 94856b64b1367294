// The parameter page's part in the CAN node search: the probe the search bar runs for each
// node, and sending the page's mode setting to every node found.
#include "pages/BasicParam.h"

#include "link/LinkLayer.h"
#include "link/NodeAddress.h"
#include "link/NodeProbe.h"
#include "link/SearchNode.h"
#include "pages/BasicParamIds.h"
#include "platform/MessageBox.h"
#include "shell/DriveCommands.h"
#include "shell/LogRing.h"
#include "shell/MainFrame.h"

#include <QComboBox>

#include <chrono>
#include <system_error>

namespace {
const QString kCaption = QStringLiteral("Velquarin");
constexpr auto kProbeRetryDelay = std::chrono::milliseconds(10);
// The drive's time to take a setting before the next node is addressed.
constexpr auto kSetAllNodePause = std::chrono::milliseconds(20);
}

CommResult CBasicParam::ProbeDeviceType(QObject* window)
{
    const int node = g_nCurNode;
    CanFrame reply;
    CommResult result = NodeExchange(kProbeCommand, &reply);
    if (result != COMM_OK) {
        std::this_thread::sleep_for(kProbeRetryDelay);
        result = NodeExchange(kProbeCommand, &reply);
    }
    if (result == COMM_OK)
        PostMessage(window, WM_NODE_FOUND, CanWord(reply), MAKELPARAM(0, static_cast<uint16_t>(node)));
    return result;
}

bool CBasicParam::event(QEvent* event)
{
    if (WindowMessage::MessageOf(event) == WM_SET_ALL_NODES) {
        static_cast<WindowMessage*>(event)->SetResult(OnStartSetAllNodes());
        return true;
    }
    return CPropertyViewPage::event(event);
}

LPARAM CBasicParam::OnStartSetAllNodes()
{
    if (!IsCanType(g_nComType)) {
        ShowMessageBox(this, QStringLiteral("Please set communication being CAN"), kCaption, MB_ICONERROR);
        return 0;
    }
    if (IsSettingAllNodes()) {
        ShowMessageBox(this, QStringLiteral("Setting parameters......"), kCaption, MB_ICONERROR);
        return 0;
    }
    // Both would move the current node from drive to drive.
    const CSearchNode* bar = m_pMainFrame ? m_pMainFrame->SearchBar() : nullptr;
    if (bar && bar->IsSearching()) {
        ShowMessageBox(this, QStringLiteral("Searching devices......"), kCaption, MB_ICONERROR);
        return 0;
    }
    SetAllPlan plan;
    {
        std::lock_guard lock(g_csFoundNodes);
        plan.nodes = g_arrFoundNodes;
    }
    const auto* command = qobject_cast<QComboBox*>(GetDlgItem(IDC_COMMAND));
    plan.value = ModeCommandValue(m_model.m_nRunMode, command ? command->currentIndex() : 0);
    plan.frame = m_pMainFrame;
    try {
        m_hSetAllThread = std::jthread([this, plan](std::stop_token stop) { SetAllNodesThread(stop, plan); });
    } catch (const std::system_error&) {
        ShowMessageBox(this, QStringLiteral("Can not set parameters"), kCaption, MB_ICONERROR);
    }
    return 0;
}

void CBasicParam::SetAllNodesThread(std::stop_token stop, const SetAllPlan& plan)
{
    if (plan.frame)
        plan.frame->SuspendPollThread();
    const int keep = LendCurrentNode();
    const QString command = QStringLiteral("SMOD%1\r").arg(plan.value);
    auto status = [this](const QString& text) {
        QMetaObject::invokeMethod(this, [this, text] { ShowSearchStatus(text); }, Qt::QueuedConnection);
    };
    QString failed;
    for (uint16_t node : plan.nodes) {
        if (stop.stop_requested())
            break;
        g_nCurNode = node;
        PostLogString(command.chopped(1), kLogCommandLine, true);
        CanFrame reply;
        const CommResult result = NodeExchange(command, &reply);
        LogCommResult(result, false);
        if (result != COMM_OK) {
            status(QStringLiteral("Device %1 setting parameters failed").arg(node));
            failed += QStringLiteral("%1 ").arg(node);
            continue;
        }
        std::this_thread::sleep_for(kSetAllNodePause);
    }
    status(failed.isEmpty() ? QStringLiteral("All device setting succeed")
                            : QStringLiteral("Device of setting failed:") + failed);
    ReturnCurrentNode(keep);
    if (plan.frame)
        plan.frame->ResumePollThread();
    QMetaObject::invokeMethod(this, [this] { OnSetAllNodesEnded(); }, Qt::QueuedConnection);
}

void CBasicParam::OnSetAllNodesEnded()
{
    if (m_hSetAllThread.joinable())
        m_hSetAllThread.join();
}

void CBasicParam::ShowSearchStatus(const QString& text)
{
    if (CSearchNode* bar = m_pMainFrame ? m_pMainFrame->SearchBar() : nullptr)
        bar->SetStatusText(text);
}
