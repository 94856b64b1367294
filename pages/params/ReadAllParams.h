#pragma once

#include "link/CommandTables.h"
#include "shell/DriveCommands.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// Reading every setting of the parameter page from the drive: the queries in the drive's
// order, the reply texts they give on either channel, and the sequence that asks them.

struct ParamQuery {
    QString mnemonic; // "GMOD"
    CommandId id = 0;
};

// A newer firmware than this keeps a second tracking-error setting, read right after the
// first (it lands in the same field).
constexpr int kFirstFirmwareWithSecondTrackingError = 0x300D;

// The queries of a read, for a drive of this firmware version (0 when unknown).
std::vector<ParamQuery> ReadAllQueries(int firmwareVersion);

// A query's answer is read into a 64-byte record: a serial reply text keeps at most this
// many bytes.
constexpr int kParamReplyBytes = 64;
constexpr int kParamReplyTextMax = kParamReplyBytes - 1;

// The text of a reply as the page decodes it. Serial: the reply bytes (the text and its
// CR), cut at 63 bytes. CAN: the frame's value in decimal: a 16-bit value unsigned (GORG's
// signed), a 32-bit value signed (GMOD's unsigned). GPOF gives "1" when its first value
// byte is non-zero, "0" otherwise, at any data length. Nothing for another CAN frame whose
// data length is neither 6 nor 8: it carries no value.
std::optional<QByteArray> QueryReplyText(const QString& mnemonic, const void* reply, int length, bool serial);

// A query that gave the page no value from this drive, and why in the log's words: the
// transaction's failure, a CAN reply without a value, or the drive's own "ERR" answer.
struct FailedQuery {
    ParamQuery query;
    QString reason;
};

struct ReadAllOutcome {
    int asked = 0;
    std::vector<FailedQuery> failed;
    bool stopped = false;  // asked to stop before the last query
    bool gaveUp = false;   // ended after kReadGiveUpTimeouts time-outs in a row
};

// A drive that lets this many queries in a row time out is gone or frozen: the read ends
// there instead of waiting out every query.
constexpr int kReadGiveUpTimeouts = 3;

// Asks each query in turn and logs it; a reply is logged and handed to `deliver` with the
// query's id. A failed query (also a reply without a value) logs why and is skipped; a
// serial "ERR" answer is delivered (the page decides what it means) and counted as failed.
// `stopped` is checked before each query.
ReadAllOutcome RunReadAll(const std::vector<ParamQuery>& queries, bool serial,
    const DriveCommands::Transaction& transact, const std::function<bool()>& stopped,
    const std::function<void(CommandId id, const QByteArray& text)>& deliver);

// What the user is told after a read of `queries` queries that left settings unread: why
// it ended early, if it did, how many were not read, and the first few with their reason.
// Empty when every one was read.
QString ReadAllFailureMessage(const ReadAllOutcome& outcome, int queries);
