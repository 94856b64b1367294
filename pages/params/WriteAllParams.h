#pragma once

#include "pages/params/BasicParamModel.h"
#include "shell/DriveCommands.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// Writing every setting of the parameter page to the drive: the checks a form must pass,
// the commands built from a snapshot of it, and the sequence that sends them.

// A check the form fails, with what the user is told and the message box's icon.
struct SetupProblem {
    QString message;
    unsigned icon = 0;
};
// The checks in the order the user meets them: encoder counts, drive address, position
// limits, currents. Nothing when the form may be written.
std::optional<SetupProblem> CheckSetupValues(const BasicParamModel& model);

struct WriteCommand {
    QString text;        // with its "\r"
    bool logged = true;  // a repeated command goes to the log only once
};
// The commands that write the model, in the drive's order; with "Change" checked also the
// three baud rates.
std::vector<WriteCommand> WriteAllCommands(const BasicParamModel& model);

// Told once the rates are sent: the link keeps its own until the user changes it.
extern const QString kChangeBaudMessage;

// The rate behind an item of the CAN combo (bit/s) or of a serial baud combo.
int CanBaudRate(int item);
int SerialBaudRate(int item);
// A float setting as the drive takes it: truncated toward zero, saturated at the int range,
// 0 for NaN.
int FloatToInt(float value);

// One command's trip: what the send gave and, when it went out, what the drive answered in
// the gap after it.
struct CommandTrip {
    int result = 0;   // the send's result
    int answer = 0;   // 0: the drive answered (text); else the result code of hearing nothing
    QByteArray text;  // the answer's text (serial)
    int answerMs = 0; // the part of the gap spent waiting for the answer
};
// Sends a command without waiting for an answer before it goes on, and hears the answer
// within answerMs.
using SendCommand = std::function<CommandTrip(const QString& command, int answerMs)>;
// The link's: LinkSendAndHearAnswer.
CommandTrip SendOnLink(const QString& command, int answerMs);

// How a write went: the commands the drive did not take (not sent, refused, unanswered),
// and the first of them with why.
struct WriteAllOutcome {
    int sent = 0;
    int failed = 0;
    QString firstFailed; // without its "\r"
    QString firstReason;
    bool stopped = false;
};

// The gap the drive needs after each setting before it takes the next.
constexpr int kWriteGapMs = 20;

// Why the drive did not take a command, in the log's words; empty when it did. A serial
// answer holding "ERR" is a refusal; on CAN any answer to the command counts as taken.
QString CommandTripProblem(const CommandTrip& trip);

// Sends each command, reads its answer within the gap that follows it, logs it, and waits
// out the rest of the gap; a command the drive did not take is logged with why and does
// not stop the rest. A command the drive takes when it comes again counts as taken. `wait` sleeps and returns false once the write is to stop, which ends
// it before the next command.
WriteAllOutcome RunWriteAll(
    const std::vector<WriteCommand>& commands, const SendCommand& send, const std::function<bool(int ms)>& wait);

// What the user is told about commands the drive did not take; empty when it took all.
QString WriteFailureMessage(const WriteAllOutcome& outcome);
