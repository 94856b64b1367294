#pragma once

#include "platform/FormText.h"
#include "pages/runmonitor/RunMonitorCommands.h"

#include <QString>

#include <optional>
#include <span>

// Control ids of the run-monitor page's edits (and of the first button of each radio group).
enum MonitorControlId : int {
    IDC_ABS_TARGET = 1003,
    IDC_REL_TARGET = 1004,
    IDC_VEL_TARGET = 1018,
    IDC_CUR_TARGET = 1010,
    IDC_USER_QUERY = 1343,
    IDC_GAIN_A = 1005,
    IDC_GAIN_P = 1014,
    IDC_GAIN_I = 1015,
    IDC_GAIN_D = 1016,
    IDC_GAIN_MP = 1236,
    IDC_GAIN_MK = 1237,
    IDC_Y_BASELINE = 1196,
    IDC_Y_RANGE = 1197,
    IDC_X_RANGE = 1198,
    IDC_RESET_Y_MAX = 1100,
    IDC_RESET_Y_MIN = 1101,
    IDC_RESET_X_MIN = 1102,
    IDC_RESET_X_MAX = 1103,
};

// The page's values, with their defaults.
struct RunMonitorForm {
    int absTarget = 0;
    int relTarget = 0;
    int velTarget = 0;
    int curTarget = 0; // mA
    int runMode = RUN_ABSOLUTE_POSITION;
    int channel = CHANNEL_POSITION;
    QString userQuery;
    MonitorGains gains { 0, 1, 0, 1, 0, 0 }; // P, I, D, A, MP, MK
    int yBaseline = 0;
    uint32_t yRange = 2000;
    uint32_t xRange = 20000;
    int baselineMode = 1; // center
    int resetYMax = 1000;
    int resetYMin = -1000;
    int resetXMin = 0;
    int resetXMax = 20000;
};

// The page's edits in the order the data exchange takes them.
std::span<const int> MonitorFieldIds();
// Whether the page keeps the edit hidden (the gain group and the axis reset edits). A
// full exchange does not check hidden edits: the user could not see what to correct.
bool IsHiddenField(int id);
// The edit's text for the form's value.
QString FieldText(const RunMonitorForm& form, int id);
// Takes the edit's text into the form after checking it (integer, range, length); the
// form is untouched when the text is rejected.
std::optional<ExchangeFailure> TakeField(RunMonitorForm& form, int id, const QString& text);
// The edit that a run of the mode reads its target from.
int TargetFieldOf(int runMode);
// The value of a run's target in the form.
int TargetOf(const RunMonitorForm& form, int runMode);
