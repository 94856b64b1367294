#pragma once

#include "link/CommResult.h"

#include <QString>

#include <atomic>

// One command exchange with the drive at g_nCurNode on the channel of g_nComType.
//
// command: the command text ("GV\r", "SMOD3\r"). Serial: written as it stands in the ANSI
//   code page. CAN: looked up in the command table and sent as one request frame.
// reply: the caller's reply record, at least 64 bytes in practice. Zeroed (*length bytes)
//   before anything else happens. Serial: the reply text after '#' up to and including the
//   CR, at most *length - 1 bytes, so a terminating zero always fits (the rest stays zero).
//   CAN: one CanFrame (which needs *length of at least 24).
// length, in: the reply record's capacity in bytes; 0 (or a null pointer) sends the command
//   without waiting for an answer. Out: serial: the bytes stored (0 on any failure); card: 11
//   for a standard reply frame, 13 for an extended one, 0 after a reply time-out; USB-CAN:
//   unchanged.
// A capacity below 24 on CAN, a negative capacity or a null record with a capacity give
// COMM_ERR_REPLY_TOO_SMALL before anything is sent.
//
// Takes the transaction lock g_csLink (re-entrant) for the whole exchange, waits included:
// up to 500 ms serial, 80 ms USB-CAN, 50 ms card, plus up to 100 ms clearing stale frames.
//
// Answers still owed (link/OwedAnswers.h): a request whose answer could be mistaken for one
// an earlier request is still owed waits for that answer up to one reply wait, and is not sent
// (the result is the time-out) if it has not come by then. A command sent without waiting goes
// out at once and owes its answer too. So a drive that stalls and then answers its backlog, or
// one that answers every command late, gives time-outs, never another request's answer. On the
// USB-CAN road, another node's answer to the same command is passed over.
// The only entry for callers.
CommResult LinkTransactLocked(QString command, void* reply, int* length);
// How many callers of LinkTransactLocked wait for the lock now. A worker that takes the lock
// round after round (the CAN sampling) lets them go first.
extern std::atomic<int> g_nLinkWaiting;

// The steps of the exchange; callers hold g_csLink.
CommResult LinkTransact(QString command, void* reply, int* length);
// Serial (COMM_RS232): empties the port's receive queue and the reply ring, then writes the
// request bytes. Card (COMM_CAN_K8110): request is a CanFrame; drains what the card holds
// when a reply is wanted, sends, and polls up to 50 ms for the reply frame, stored in reply
// with *length 11 or 13. Another channel type: COMM_NO_SUCH_CHANNEL.
CommResult LinkSendSerialOrK8110(const void* request, int requestLength, void* reply, int* length, int channelType);
// USB-CAN: request is a CanFrame; clears the adapter's receive buffer when a reply is wanted
// (*length not 0) and transmits the frame. The reply comes through the receive ring.
CommResult LinkSendControlCan(const void* request, int requestLength, void* reply, int* length, int channelType);
