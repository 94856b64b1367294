#pragma once

#include <QHashFunctions> // std::hash<QString>
#include <QString>

#include <span>
#include <unordered_map>

// The drive's command number, carried in CAN frames in place of the mnemonic.
using CommandId = int;

// One row of the drive's command list: its number, its mnemonic (1 to 4 capitals) and
// how many argument bytes it carries on CAN (0, 2 or 4).
struct CommandRow {
    CommandId id;
    const char* mnemonic;
    int argBytes;
};

// Every command the drive knows, in id order; fixed for the life of the program.
std::span<const CommandRow> CommandRows();

// Lookup maps filled from the rows by InitCommandTables: mnemonic to id, id to argument
// bytes, id to mnemonic. They are empty until then and never change afterwards; read them
// directly only after InitCommandTables has returned on some thread that happened before.
extern const std::unordered_map<QString, CommandId>& g_mapCmdId;
extern const std::unordered_map<CommandId, int>& g_mapCmdArgSize;
extern const std::unordered_map<CommandId, QString>& g_mapCmdName;

// Fills the three maps. Safe to call from any thread and any number of times; only the
// first call fills them. Lookups made before it find nothing.
void InitCommandTables();

// direction false: upper-cases the ASCII letters of `text` in place and stores the id of
// its leading run of 'A'..'Z' (only the first 64 characters count); true when the mnemonic
// is known, else stores -1 and returns false.
// direction true: replaces `text` with the mnemonic of `id`; false (text untouched) when
// the id is unknown.
bool ParseCommandId(QString& text, CommandId& id, bool direction);

// direction false: upper-cases the ASCII letters of `text` in place and stores the signed
// decimal argument written straight after the mnemonic (0 when there is none); only the
// first 64 characters count. Values from 2^31 to 4294967295 keep their low 32 bits, so an
// argument written unsigned reaches the drive bit for bit; values beyond either end of
// that range are clamped to INT_MAX or INT_MIN.
// direction true: appends `value` as signed decimal to `text`.
// Always returns true.
bool ParseCommandValue(QString& text, int& value, bool direction);

// Stores the argument bytes (0, 2 or 4) of `id` and returns true when the id is known;
// leaves `argBytes` untouched otherwise.
bool LookupCommandArgSize(CommandId id, int& argBytes);
