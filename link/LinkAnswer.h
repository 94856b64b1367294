#pragma once

#include "link/CommResult.h"

#include <QString>

// A command sent without waiting for its answer, and the answer heard all the same in the
// pause its sender keeps after it anyway (the write of all settings).
struct HeardAnswer {
    CommResult sent = COMM_OK;   // the send's result, as LinkTransactLocked with reply length 0
    CommResult answer = COMM_OK; // COMM_OK: the answer is in the reply record; else the
                                 // channel's time-out code (also when nothing was sent)
    int waitedMs = 0;            // how long after the send the answer came or the wait ended
};

// Sends the command exactly as LinkTransactLocked does with reply length 0; when it went out,
// gives the drive up to answerMs to answer it. Serial: the reply text after '#' up to and
// including its CR, at most *length - 1 bytes. CAN: the frame that answers this command (on
// the card also from this node). *length is the record's capacity in, the bytes stored out
// (0 without an answer). The transaction lock is held from the send to the answer, so no
// other exchange comes between them.
HeardAnswer LinkSendAndHearAnswer(QString command, void* reply, int* length, int answerMs);
