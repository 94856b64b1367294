#pragma once

#include "link/CommResult.h"
#include "link/DriveExchange.h"

#include <QString>

class QObject;

// The question a drive on the bus answers with its type number: it tells that a drive is
// there at all.
inline const QString kProbeCommand = QStringLiteral("GDTY1\r");
// Reply record of the probe and of the settings sent to each found node.
constexpr int kNodeReplyBytes = kDriveReplyBytes;

// One exchange through `transact` with the drive at g_nCurNode that counts only when the
// drive at that very node answers. The transaction empties what was received before it
// sends; on top, a CAN reply that names another node in its data (a late answer of the node
// probed before) gives COMM_ERR_WRONG_NODE, never success.
DriveAnswer NodeExchange(const LinkTransaction& transact, const QString& command);

// The node search's probe of the drive at g_nCurNode (kProbeCommand, once more after 10 ms
// when that fails); an answer from that very node is posted to window as WM_NODE_FOUND
// (wParam the drive type, HIWORD(lParam) the node). Returns the last try's result.
CommResult ProbeNodeType(const LinkTransaction& transact, QObject* window);
