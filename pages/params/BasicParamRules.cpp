#include "pages/params/BasicParamRules.h"

#include "pages/params/BasicParamControls.h"
#include "pages/params/BasicParamFields.h"
#include "pages/params/BasicParamIds.h"
#include "shell/IniFile.h"

namespace {

using What = ControlChange::What;

ControlChange Enable(int id, bool on)
{
    return { id, What::Enable, on };
}

ControlChange Show(int id, bool on)
{
    return { id, What::Show, on };
}

ControlChange Check(int id, bool on)
{
    return { id, What::Check, on };
}

ControlChange Text(int id, const char* text)
{
    return { id, What::Text, false, QString::fromUtf8(text) };
}

// Command-source positions that run modes restrict.
constexpr int kSourceDigital = 0;
constexpr int kSourcePulses = 3;

void ResetCommandSource(int& commandSource, ControlChanges& changes)
{
    commandSource = kSourceDigital;
    for (size_t i = 0; i < kCommandSourceRadios.size(); ++i)
        changes.push_back(Check(kCommandSourceRadios[i], i == kSourceDigital));
}

} // namespace

ControlChanges RunModeRule(int mode, int& commandSource)
{
    ControlChanges changes;
    // Which of the five sources (digital, differential analog, PWM, pulses, single-ended
    // analog) each mode can take.
    std::array<bool, 5> available { true, true, true, true, true };
    if (mode == 1) {
        if (commandSource != kSourceDigital && commandSource != kSourcePulses)
            ResetCommandSource(commandSource, changes);
        available = { true, false, false, true, false };
    } else if (mode == 2) {
        if (commandSource == kSourcePulses)
            ResetCommandSource(commandSource, changes);
        available = { true, true, true, false, true };
    }
    for (size_t i = 0; i < kCommandSourceRadios.size(); ++i)
        changes.push_back(Enable(kCommandSourceRadios[i], available[i]));
    return changes;
}

ControlChanges DeadBandLabels(int commandItem)
{
    switch (commandItem) {
    case 1: // "+/-10V"
        return { Text(IDC_ANALOG_DEAD_PREFIX, "0+/-") };
    case 2: // "PWM"
        return { Text(IDC_PWM_DEAD_PREFIX, "50%+/-") };
    case 7: // "PWM/DIR"
        return { Text(IDC_PWM_DEAD_PREFIX, "0 -") };
    case 8: // "+10V/DIR"
        return { Text(IDC_ANALOG_DEAD_PREFIX, "0 -") };
    default:
        return {};
    }
}

ControlChanges IoDirectionRule(int port, bool output)
{
    ControlChanges changes {
        Show(kIoPullCombos[port], !output),
        Show(kIoInFuncCombos[port], !output),
        Show(kIoOutTypeCombos[port], output),
        Show(kIoOutFuncCombos[port], output),
    };
    // Only IO4's output (the current value) has no level of its own.
    if (port == kCommonPorts - 1)
        changes.push_back(Enable(kIoLevelCombos[port], !output));
    return changes;
}

ControlChanges EncoderSelectRule(bool auxiliary)
{
    if (!auxiliary)
        return { Enable(IDC_AUX_ENC_OUTPUT, true) };
    // The auxiliary encoder, once it is the feedback, is always an input.
    return { Enable(IDC_AUX_ENC_OUTPUT, false), Check(IDC_AUX_ENC_OUTPUT, false), Check(IDC_AUX_ENC_INPUT, true) };
}

ControlChanges ThresholdRadios(int mode)
{
    return {
        Check(IDC_THRESHOLD_BUS, mode == 0),
        Check(IDC_THRESHOLD_65V, mode == 1),
        Check(IDC_THRESHOLD_MANUAL, mode != 0 && mode != 1),
        Enable(IDC_THRESHOLD_VOLTAGE, mode != 0 && mode != 1),
    };
}

int ThresholdModeFromRadios(bool busChecked, bool fixed65VChecked)
{
    if (busChecked)
        return 0;
    return fixed65VChecked ? 1 : 2;
}

ControlChanges HomeModeRule(int homeMode)
{
    const bool currentTrigger = homeMode == 1;
    return {
        Enable(IDC_HOME_CURRENT, currentTrigger),
        Enable(IDC_HOME_CURRENT_TIME, currentTrigger),
        Enable(IDC_HOME_OFFSET, !currentTrigger),
        Enable(IDC_HOME_RANGE, !currentTrigger),
    };
}

ControlChanges BrakeButtons(int brakeMode, int brakeOpen)
{
    if (brakeMode != 0)
        return { Enable(IDC_BRAKE_CLOSE, false), Enable(IDC_BRAKE_OPEN, false) };
    return { Enable(IDC_BRAKE_CLOSE, brakeOpen != 0), Enable(IDC_BRAKE_OPEN, brakeOpen == 0) };
}

QString BrakeCommand(bool close)
{
    return close ? QStringLiteral("SCMS1\r") : QStringLiteral("SCMS0\r");
}

QString PhaseAutoCommand(int current)
{
    return QStringLiteral("CPA%1\r").arg(current);
}

ControlChanges PhaseAutoEnable(bool activated)
{
    return { Enable(IDC_PHASE_AUTO, activated) };
}

ControlChanges BaudCombosEnable(bool change)
{
    return { Enable(IDC_RS232_BAUD, change), Enable(IDC_CAN_BAUD, change), Enable(IDC_USB_BAUD, change) };
}

ControlChanges ActionButtons(bool enable)
{
    ControlChanges changes;
    for (int id : kActionButtons)
        changes.push_back(Enable(id, enable));
    return changes;
}

ControlChanges PhaseTableVisibility(bool show)
{
    ControlChanges changes;
    for (int id : kPhaseEdits)
        changes.push_back(Show(id, show));
    for (int i = 0; i < kPhaseRows; ++i)
        changes.push_back(Show(IDC_PHASE_LABEL_FIRST + i, show));
    changes.push_back(Show(IDC_PHASE_GROUP, show));
    return changes;
}

bool PhaseTableShown(const QString& folder)
{
    CIniFile settings(folder + kPhaseSettingsFile);
    if (!settings.ReadFile())
        return false;
    return settings.GetValueI(QStringLiteral("PhaseData"), QStringLiteral("Show")) != 0;
}

int ModeCommandValue(int runMode, int commandItem)
{
    // "Command" items 4 and above stand for the drive's sources 5 to 10.
    constexpr int kLastDirectSource = 3;
    constexpr int kRunModeShift = 8;
    const auto within = [](int index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; };
    const int mode = within(runMode, RadioGroupButtons(IDC_VELOCITY).size()) ? runMode : 0;
    const int item = within(commandItem, FindControlSpec(IDC_COMMAND)->items.size()) ? commandItem : 0;
    return (mode << kRunModeShift) + item + (item > kLastDirectSource ? 1 : 0);
}
