#pragma once

#include "pages/BasicParamModel.h"
#include "shell/DriveCommands.h"

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

// How a write went: the commands whose transaction failed, and the first of them.
struct WriteAllOutcome {
    int sent = 0;
    int failed = 0;
    QString firstFailed; // without its "\r"
    int firstResult = 0;
    bool stopped = false;
};

// The gap the drive needs after each setting before it takes the next.
constexpr int kWriteGapMs = 20;

// Sends each command without waiting for an answer, logs it, and waits the gap; a failed
// command does not stop the rest. `wait` sleeps the gap and returns false once the write is
// to stop, which ends it before the next command.
WriteAllOutcome RunWriteAll(const std::vector<WriteCommand>& commands, const DriveCommands::Transaction& transact,
    const std::function<bool(int ms)>& wait);

// What the user is told about failed commands; empty when none failed.
QString WriteFailureMessage(const WriteAllOutcome& outcome);
