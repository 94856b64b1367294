#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// The run-monitor page's command texts and the rules for the query it polls. Plain
// functions: the page sends what they build.

// The run modes of the page's radio group (Absolute P, Relative P, Velocity, Current).
enum MonitorRunMode : int {
    RUN_ABSOLUTE_POSITION = 0,
    RUN_RELATIVE_POSITION = 1,
    RUN_VELOCITY = 2,
    RUN_CURRENT = 3,
};

// The quantities the page can poll (Position, Velocity, Current, Cmd.).
enum MonitorChannel : int {
    CHANNEL_POSITION = 0,
    CHANNEL_VELOCITY = 1,
    CHANNEL_CURRENT = 2,
    CHANNEL_COMMAND = 3,
};

// The drive's operating mode words that a run selects with SMOD.
constexpr int kModeWordVelocity = 0;
constexpr int kModeWordPosition = 256;
constexpr int kModeWordCurrent = 512;
// The drive needs this long to take a new mode before a velocity or position command.
constexpr int kModeSettleMs = 20;

// One command of a run and the pause after it.
struct RunStep {
    QString command;
    int pauseAfterMs = 0;
};

// What Run sends to start a run of the mode towards `target` (the edit of that mode): the
// mode command, then the motion command. The result of the motion command decides the
// run only for velocity and current runs.
std::vector<RunStep> RunStartCommands(int runMode, int target);
// Whether a run of the mode keeps going until it is stopped (velocity, current).
bool RunModeHolds(int runMode);
// The command that stops a held run of the mode: "V0\r" or "EC0\r"; empty for others.
QString RunStopCommand(int runMode);

// Brake: set it while it is released, release it while it is set.
QString BrakeToggleCommand(bool brakeSet);
// The Brake button's caption for the brake's state.
QString BrakeToggleCaption(bool brakeSet);

// The loop gains of the page, in the order they are read and written.
enum MonitorGain : int { GAIN_P, GAIN_I, GAIN_D, GAIN_A, GAIN_MP, GAIN_MK, GAIN_COUNT };
using MonitorGains = std::array<int, GAIN_COUNT>;
// Their queries ("GP\r" ... "GMK\r") and their settings ("P%d\r" ... "MK%d\r").
const std::array<QString, GAIN_COUNT>& GainQueries();
QStringList GainWriteCommands(const MonitorGains& gains);

// The fixed query of a channel ("GM\r", "GV\r", "GC\r"); empty for CHANNEL_COMMAND.
QString ChannelQuery(int channel);
// The column heading of the channel's captured data: "Position(r)", "Speed(rpm)",
// "Current(mA)", or the user's query in capitals.
QString ChannelHeading(int channel, const QString& userQuery);
// The unit painted beside the chart: "RPM" for velocity, "mA" for current, else none.
QString ChannelUnit(int channel);

// The user's own query for channel Cmd. as the page checks it before monitoring.
struct UserQuery {
    enum class Verdict {
        Empty,      // nothing typed: monitoring does not start, silently
        Ok,         // `command` is the query to poll, with its CR
        Malformed,  // not a mnemonic with an optional signed number
        NotQuery,   // a mnemonic that does not begin with G: it would act, not ask
        Unknown,    // a query the command tables do not know
    };
    Verdict verdict = Verdict::Empty;
    QString command;
    QString message; // what the user is told, for the refusals
};
// Blanks around the text are ignored and letters are taken as capitals. Polling repeats
// the command many times a second, so only queries are accepted: a motion, store or
// reset command must never be repeated that way. The tables must be initialised.
UserQuery CheckUserQuery(const QString& text);
