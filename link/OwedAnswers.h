#pragma once

#include "link/CommandTables.h"

#include <chrono>

// Answers a drive still owes. A drive answers its requests in order, each once. An answer
// that has not come within the reply wait, or that nobody waited for (a command sent without
// waiting), is owed: it may still come, and must never pass for the answer to a later
// request. So a request that could take it for its own goes out only once the owed answers
// have come (they are dropped) or are no longer believed to come.
//
// Serial answers carry no tag: any reply may be an owed one, and one is believed to come for
// 10 s after the newest was owed (a stalled drive may hold its answers that long and then
// send them all). A CAN reply names its node and command, so only a later request of the
// same node and command waits, and an owed CAN answer is believed to come within 1 s.
//
// The transaction keeps this under g_csLink; LinkForgetOwedAnswers may be called from anywhere.

// Serial: an answer is owed from `since` (when its command was written).
void OweSerialAnswer(std::chrono::steady_clock::time_point since);
// Serial: how many answers are owed on this line now.
int SerialAnswersOwed();
// Serial: lets the owed answers land, each dropped from the receive ring, for at most
// waitMs, until only the newest `keep` of them are owed; a garbled one (bytes that make no
// reply, then a quiet line) counts as landed with everything owed. True when no more than
// `keep` are owed any more.
bool SettleSerialAnswers(int waitMs, int keep = 0);
// Serial: the newest owed answer was taken from the receive ring by the one who sent its
// command (a sender that listens after a send without waiting).
void SerialAnswerTaken();

// CAN: whether the answer to this node's command is owed.
bool CanAnswerOwed(int node, CommandId id);
// CAN: the request of this node's command got no answer of its own (yet).
void OweCanAnswer(int node, CommandId id);
// CAN: the node answered a later request, so whatever it owed has come before or never comes.
void CanAnswered(int node);

// A channel was opened: nothing owed on the line before is looked for on it.
void LinkForgetOwedAnswers();
