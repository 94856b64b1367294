#include "link/NodeProbe.h"

#include "link/LinkLayer.h"
#include "platform/WindowMessage.h"

#include <chrono>
#include <thread>

namespace {
constexpr auto kProbeRetryDelay = std::chrono::milliseconds(10);
}

DriveAnswer NodeExchange(const LinkTransaction& transact, const QString& command)
{
    const int node = g_nCurNode;
    DriveAnswer answer = DriveExchange(transact, command, kNodeReplyBytes);
    if (answer.Ok() && !answer.Serial() && answer.frame.data[0] != static_cast<uint8_t>(node))
        answer.result = COMM_ERR_WRONG_NODE;
    return answer;
}

CommResult ProbeNodeType(const LinkTransaction& transact, QObject* window)
{
    const int node = g_nCurNode;
    DriveAnswer answer = NodeExchange(transact, kProbeCommand);
    if (!answer.Ok()) {
        std::this_thread::sleep_for(kProbeRetryDelay);
        answer = NodeExchange(transact, kProbeCommand);
    }
    if (answer.Ok())
        PostMessage(window, WM_NODE_FOUND, CanWord(answer.frame), MAKELPARAM(0, static_cast<uint16_t>(node)));
    return answer.result;
}
