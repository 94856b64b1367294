#pragma once

#include "link/CanFrame.h"
#include "link/CommResult.h"

#include <QString>

// The question a drive on the bus answers with its type number: it tells that a drive is
// there at all.
inline const QString kProbeCommand = QStringLiteral("GDTY1\r");
// Reply record of the probe and of the settings sent to each found node.
constexpr int kNodeReplyBytes = 64;

// One locked exchange with the drive at g_nCurNode that counts only when the drive at that
// very node answers. The transaction empties what was received before it sends; on top, a
// CAN reply that names another node in its data (a late answer of the node probed before)
// gives COMM_ERR_WRONG_NODE, never success. On CAN the reply lands in *reply.
CommResult NodeExchange(const QString& command, CanFrame* reply);
