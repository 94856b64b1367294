#pragma once

#include "link/DriveExchange.h"
#include "shell/DriveCommands.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// A drive command of the run-monitor page and what came back: the result code and, for a
// query, its value. Serial replies are decimal text; CAN replies carry a 16-bit (data
// length 6) or 32-bit (data length 8) signed value. A reply that is no number has no
// value, so nothing is ever taken from a reply that does not hold one.
struct MonitorAnswer {
    int result = -1;
    std::optional<int32_t> value;
    // The reply as the log shows it: the serial text up to its CR (code page 936 bytes),
    // or the CAN value in decimal; empty for a failed exchange.
    QByteArray replyText;

    bool Ok() const { return result == 0; }
};

// Sends one command with a 64-byte reply record through `transact` and decodes the reply
// by the channel in use (g_nComType).
MonitorAnswer ExchangeForValue(const DriveCommands::Transaction& transact, const QString& command);

// The page's own commands, as the user starts them: the command is logged before it is
// sent, a failure's reason after it unless logReason is false.
MonitorAnswer SendLogged(const DriveCommands::Transaction& transact, const QString& command, bool logReason = true);
// A command the drive is not asked to answer (reply length 0): logged before it is sent,
// its result's reason never.
int SendUnanswered(const DriveCommands::Transaction& transact, const QString& command);
