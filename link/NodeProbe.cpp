#include "link/NodeProbe.h"

#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"

#include <cstring>

CommResult NodeExchange(const QString& command, CanFrame* reply)
{
    const int node = g_nCurNode;
    alignas(CanFrame) uint8_t record[kNodeReplyBytes] = {};
    int length = kNodeReplyBytes;
    const CommResult result = LinkTransactLocked(command, record, &length);
    std::memcpy(reply, record, sizeof *reply);
    if (result != COMM_OK || g_nComType == COMM_RS232)
        return result;
    return reply->data[0] == static_cast<uint8_t>(node) ? COMM_OK : COMM_ERR_WRONG_NODE;
}
