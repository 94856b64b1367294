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

struct ReadAllOutcome {
    int asked = 0;
    int failed = 0;
};

// Asks each query in turn and logs it; a reply is logged and handed to `deliver` with the
// query's id, a failed query (also a reply without a value) is skipped. `stopped` is
// checked before each query.
ReadAllOutcome RunReadAll(const std::vector<ParamQuery>& queries, bool serial,
    const DriveCommands::Transaction& transact, const std::function<bool()>& stopped,
    const std::function<void(CommandId id, const QByteArray& text)>& deliver);
