#pragma once

#include "link/CanFrame.h"
#include "link/CommResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// A transaction as LinkTransactLocked runs it: command text, reply record, in: its capacity
// in bytes (0 = no reply wanted), out: the reply's length. Tests hand in scripted ones.
using LinkTransaction = std::function<CommResult(QString command, void* reply, int* length)>;

enum class ChannelKind { Serial, Can };

// The reply record most exchanges offer, the most any exchange may offer, and the data
// byte at which a CAN reply carries its value.
constexpr int kDriveReplyBytes = 64;
constexpr int kMaxDriveReplyBytes = 256;
constexpr int kCanValueByte = 4;

// One exchange with the drive and what came back.
struct DriveAnswer {
    CommResult result = -1;                    // -1: there was no transaction to ask
    ChannelKind channel = ChannelKind::Serial; // the channel when the exchange began
    QByteArray text;   // serial: the bytes the link stored (after '#', CR included); else empty
    CanFrame frame {}; // CAN: the reply frame; else zero
    int length = 0;    // the transaction's out length
    // Serial: the text to its line end read as a number; CAN: the frame's signed value.
    std::optional<int32_t> value;

    bool Ok() const { return result == COMM_OK; }
    bool Serial() const { return channel == ChannelKind::Serial; }
    // The reply as the log shows it: the text to its line end, or the CAN value in decimal;
    // empty for a failed exchange.
    QByteArray Line() const;
};

// Asks the drive through `transact` with a reply record of replyBytes (clamped to
// 0..kMaxDriveReplyBytes; 0 sends without waiting) and decodes the reply by the channel in
// use when the exchange began.
DriveAnswer DriveExchange(const LinkTransaction& transact, const QString& command,
    int replyBytes = kDriveReplyBytes);

// Where the command line and a failure's text go in the log around the exchange.
enum class LogOrder {
    CommandFirst,  // command line, exchange, failure text
    ExchangeFirst, // exchange, command line, failure text
    FailureOnly,   // exchange; command line and failure text only when it failed
};
struct ExchangeLog {
    LogOrder order = LogOrder::CommandFirst;
    bool reason = false;      // whether a failure logs its text (LogCommResult's enable)
    bool keepLineEnd = false; // the command line keeps its CR
};

// DriveExchange with the command and a failure logged (and posted) in the given order, all
// outside any lock; by default as the chart pages' commands go: the command line first, a
// failure with its text. The reply line is the caller's to log, in its own form.
DriveAnswer LoggedExchange(const LinkTransaction& transact, const QString& command,
    int replyBytes = kDriveReplyBytes, const ExchangeLog& log = { LogOrder::CommandFirst, true });

// The reply text as the strip and the decoders read it: what the drive sent before its CR
// (or LF, or NUL).
QByteArray ReplyTextWithoutLineEnd(const QByteArray& text);

// A serial reply read as a number: an optional sign and decimal digits, blanks around
// them allowed and nothing else. Values from 2^31 to 2^32 - 1 keep their 32 bits as
// the drive sends unsigned words; anything longer is no number.
std::optional<int32_t> ParseReplyNumber(QByteArrayView text);

// CAN reply values. Length 6 carries a 16-bit value at data byte 4, length 8 a 32-bit one.
// Signed value for the log; nothing for other lengths.
std::optional<int32_t> CanSignedValue(const CanFrame& frame);
// The status poll's value: 16-bit zero-extended, 32-bit, else 0.
uint32_t CanPollValue(const CanFrame& frame);
// The 32-bit word at data byte 4, whatever the length (the refresh's status words).
uint32_t CanWord(const CanFrame& frame);
// The status poll's temperature: the low byte at data byte 4, signed, for lengths 6 and 8.
int32_t CanTemperature(const CanFrame& frame);
// "%04X" (length 6) or "%08X" (length 8) of the value; empty for other lengths.
QString CanHexText(const CanFrame& frame);
