#pragma once

#include "shell/ProgramFiles.h"

#include <QString>

#include <vector>

// The rules by which the parameter page's controls enable, show, check and fill one another.
// Each rule says what to change as a list; the page carries the list out on its controls.
struct ControlChange {
    enum class What { Enable, Show, Check, Text, Select };
    int id = 0;
    What what = What::Enable;
    bool on = false;   // Enable, Show, Check
    QString text = {}; // Text
    int item = 0;      // Select: the combo item

    bool operator==(const ControlChange&) const = default;
};
using ControlChanges = std::vector<ControlChange>;

// Run-mode radios (0 "Velocity", 1 "Position", 2 "Torque"): the hidden command-source radios
// follow the mode. May set commandSource back to 0.
ControlChanges RunModeRule(int mode, int& commandSource);
// Prefix labels of the dead-band edits for a "Command" item; items that name neither
// command leave both labels as they are (no change).
ControlChanges DeadBandLabels(int commandItem);
// Row IO<port + 1> switched to input or output.
ControlChanges IoDirectionRule(int port, bool output);
// "Use Master Encoder" (false) or "Use Auxiliary Encoder" (true).
ControlChanges EncoderSelectRule(bool auxiliary);
// Threshold radios and the "Threshold Voltage" edit for a threshold mode.
ControlChanges ThresholdRadios(int mode);
// The threshold mode the radios show.
int ThresholdModeFromRadios(bool busChecked, bool fixed65VChecked);
// "Index Pulse" (0) or "Current Trigger" (1).
ControlChanges HomeModeRule(int homeMode);
// The two brake buttons for a brake mode and brake state: in mode "Command" (0) the button
// that changes the state is the one enabled; in the other modes neither is.
ControlChanges BrakeButtons(int brakeMode, int brakeOpen);
// "Close" (true, the brake holds) or "Open" (false).
QString BrakeCommand(bool close);
// The phase-initialisation current sent by "Auto".
QString PhaseAutoCommand(int current);
// "Auto" is offered while "Activate" is checked.
ControlChanges PhaseAutoEnable(bool activated);
// The three baud combos are offered while "Change" is checked.
ControlChanges BaudCombosEnable(bool change);
// The six action buttons together.
ControlChanges ActionButtons(bool enable);
// The 33 controls of the phase table.
ControlChanges PhaseTableVisibility(bool show);
// Whether the phase table is shown: any non-zero "Show" in section "PhaseData" of
// "settings.ini" in the folder; a missing file or key hides it.
inline const QString kPhaseSettingsFile = QStringLiteral("settings.ini");
bool PhaseTableShown(const QString& folder = GetDataFolderPath(kPhaseSettingsFile));
// The mode word SMOD sends (write-all and set-all alike): the run mode in the high byte and
// the "Command" item in the low byte, items above 3 counted one up (the drive has no command
// source 4). A mode or item outside its radios or list counts as the first.
int ModeCommandValue(int runMode, int commandItem);
