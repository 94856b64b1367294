// The parameter page's part in the CAN node search: the probe the search bar runs for each
// node, and sending the page's mode setting to every node found.
#include "pages/params/BasicParam.h"

#include "link/DriveExchange.h"
#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "link/LogRing.h"
#include "link/NodeAddress.h"
#include "link/NodeProbe.h"
#include "pages/params/BasicParamIds.h"
#include "platform/MessageBox.h"

namespace {
const QString kCaption = QStringLiteral("Velquarin");
constexpr int kSetAllNodePauseMs = 20;
}

CommResult CBasicParam::ProbeDeviceType(QObject* window)
{
    return ProbeNodeType(LinkTransactLocked, window);
}

LPARAM CBasicParam::OnStartSetAllNodes()
{
    if (!IsCanType(g_nComType)) {
        ShowMessageBox(this, QStringLiteral("Please set communication being CAN"), kCaption, MB_ICONERROR);
        return 0;
    }
    // Everything else that runs moves or needs the current node.
    if (RefuseWhileBusy())
        return 0;
    std::vector<uint16_t> nodes;
    {
        std::lock_guard lock(g_csFoundNodes);
        nodes = g_arrFoundNodes;
    }
    const int value = ModeCommandValue(m_model.m_nRunMode, ComboIndex(IDC_COMMAND));
    const bool started = m_setAllWorker.Start(
        this, Context().pollPause,
        [this, nodes, value, transact = Context().transact](DriveJob& worker) {
            SetAllNodesThread(worker, transact, nodes, value);
        },
        [] {});
    if (!started)
        ShowMessageBox(this, QStringLiteral("Can not set parameters"), kCaption, MB_ICONERROR);
    return 0;
}

void CBasicParam::SetAllNodesThread(
    DriveJob& worker, const LinkTransaction& transact, const std::vector<uint16_t>& nodes, int value)
{
    const int keep = LendCurrentNode();
    const QString command = QStringLiteral("SMOD%1\r").arg(value);
    auto status = [this](const QString& text) {
        QMetaObject::invokeMethod(this, [this, text] { ShowSearchStatus(text); }, Qt::QueuedConnection);
    };
    QString failed;
    for (uint16_t node : nodes) {
        if (worker.StopRequested())
            break;
        g_nCurNode = node;
        PostLogString(command.chopped(1), kLogCommandLine, true);
        if (!NodeExchange(transact, command).Ok()) {
            status(QStringLiteral("Device %1 setting parameters failed").arg(node));
            failed += QStringLiteral("%1 ").arg(node);
            continue;
        }
        // The drive's time to take the setting before the next node is addressed.
        worker.Wait(kSetAllNodePauseMs);
    }
    status(failed.isEmpty() ? QStringLiteral("All device setting succeed")
                            : QStringLiteral("Device of setting failed:") + failed);
    ReturnCurrentNode(keep);
}

bool CBasicParam::SearchRuns() const
{
    return Context().searchRuns && Context().searchRuns();
}

void CBasicParam::ShowSearchStatus(const QString& text)
{
    if (Context().searchStatus)
        Context().searchStatus(text);
}
