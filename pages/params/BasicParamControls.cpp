#include "pages/params/BasicParamControls.h"

#include "pages/params/BasicParamFields.h"
#include "pages/params/BasicParamIds.h"

#include <algorithm>
#include <vector>

namespace {

using K = ControlKind;
using S = ControlStart;

const char* const kCommandItems[] = { "Communication", "+/-10V", "PWM", "Pulses/DIR", "POT", "CU/CD", "Quad A/B",
    "PWM/DIR", "+10V/DIR", "0-10V" };
const char* const kCanBaudItems[] = { "20", "50", "100", "125", "250", "500", "1000" };
const char* const kSerialBaudItems[] = { "9600", "19200", "38400", "57600", "115200" };
const char* const kHomeModeItems[] = { "Index Pulse", "Current Trigger" };
const char* const kBrakeModeItems[] = { "Command", "Still Open", "Follow with Enable" };
const char* const kBrakeTypeItems[] = { "Normally Open", "Normally Close" };
const char* const kPullItems[] = { "Pull Down", "Pull Up" };
const char* const kOutTypeItems[] = { "NPN", "PNP" };
const char* const kLevelItems[] = { "Active Low", "Active High" };
const char* const kInFuncItems[] = { "Invalid Function", "Enable", "CW limit", "CCW limit", "Brake" };
const char* const kOutFuncNoneItems[] = { "Invalid Function" };
const char* const kOutFuncIo3Items[] = { "Invalid Function", "Current-polarity" };
const char* const kOutFuncIo4Items[] = { "Invalid Function", "Accurate current value", "Current-polarity" };
// Of the common ports' outputs only IO3 and IO4 have functions.
const std::span<const char* const> kOutFuncItems[kCommonPorts] = { kOutFuncNoneItems, kOutFuncNoneItems,
    kOutFuncIo3Items, kOutFuncIo4Items };
const char* const kPhaseRowNames[kPhaseRows] = { "HLA", "HLB", "HLC", "HLD", "HLE", "HLF", "HLG", "HLH", "HLI", "HLJ",
    "HLK", "HLL", "HLM", "HLN", "HLO", "HLR" };

// The controls up to the common ports; ControlSpecs() adds the rest.
const ControlSpec kControls[] = {
    // Action buttons
    { IDC_SETUP, K::Button, "Setup" },
    { IDC_READ, K::Button, "Read" },
    { IDC_SAVE_EEPROM, K::Button, "Save to EEPROM", {}, S::Disabled },
    { IDC_RESTORE_DEFAULTS, K::Button, "Restore Defaults" },
    { IDC_SAVE_FILE, K::Button, "Save to File" },
    { IDC_LOAD_FILE, K::Button, "Load from File" },
    // Mode && Command
    { IDC_VELOCITY, K::Radio, "Velocity" },
    { IDC_POSITION, K::Radio, "Position" },
    { IDC_TORQUE, K::Radio, "Torque" },
    { IDC_AMPLIFIER, K::Radio, "放大器模式", {}, S::Hidden },
    { IDC_COMMAND, K::Combo, nullptr, kCommandItems },
    { IDC_SOURCE_DIGITAL, K::Radio, "数字指令", {}, S::Hidden },
    { IDC_SOURCE_DIFF_ANALOG, K::Radio, "差分模拟电压", {}, S::Hidden },
    { IDC_SOURCE_PWM, K::Radio, "外部PWM信号", {}, S::Hidden },
    { IDC_SOURCE_STEP_PULSES, K::Radio, "步进脉冲", {}, S::Hidden },
    { IDC_SOURCE_SINGLE_ANALOG, K::Radio, "单端模拟电压", {}, S::Hidden },
    // Feedback
    { IDC_WITHOUT_HALL, K::Radio, "Without Hall Sensor" },
    { IDC_WITH_HALL, K::Radio, "With Hall Sensor" },
    { IDC_MASTER_ENCODER, K::Radio, "Use Master Encoder" },
    { IDC_AUX_ENCODER, K::Radio, "Use Auxiliary Encoder" },
    { IDC_AUX_ENC_INPUT, K::Radio, "Auxiliary Enc. Input" },
    { IDC_AUX_ENC_OUTPUT, K::Radio, "Auxiliary Enc. Output" },
    // Analog, PWM and Pulses Command
    { IDC_ANALOG_DEAD_PREFIX, K::Label, "0+/-" },
    { IDC_PWM_DEAD_PREFIX, K::Label, "50%+/-" },
    // Position Limit
    { IDC_DIGITAL_INPUT_LIMIT, K::Check, "Digital Input Limit" },
    { IDC_SCALE_LIMIT, K::Check, "Scale Limit" },
    // Protection && Alarm
    { IDC_VELOCITY_OUT_OF_CONTROL, K::Check, "Velocity out of Control" },
    // Position Direction
    { IDC_CH_A_AHEAD, K::Radio, "Encoder CH.A ahead CH.B" },
    { IDC_CH_B_AHEAD, K::Radio, "Encoder CH.B ahead CH.A" },
    // Phase Initialization
    { IDC_PHASE_ACTIVATE, K::Check, "Activate" },
    { IDC_PHASE_AUTO, K::Button, "Auto", {}, S::Disabled },
    // Consumption Brake Parameters
    { IDC_BUS_VOLTAGE, K::ReadOnlyEdit, nullptr },
    { IDC_THRESHOLD_BUS, K::Radio, "1.2 Times of Bus Voltage" },
    { IDC_THRESHOLD_65V, K::Radio, "65V" },
    { IDC_THRESHOLD_MANUAL, K::Radio, "Manual Input" },
    // Drive Address
    { IDC_ACTIVE_NUMBER, K::ReadOnlyEdit, nullptr },
    // Home
    { IDC_HOME_ON_POWER_ON, K::Check, "Home when Power on" },
    { IDC_HOME_MODE, K::Combo, nullptr, kHomeModeItems },
    { IDC_HOME_CURRENT, K::Edit, nullptr, {}, S::Disabled },
    { IDC_HOME_CURRENT_TIME, K::Edit, nullptr, {}, S::Disabled },
    // Brake Parameters
    { IDC_BRAKE_MODE, K::Combo, nullptr, kBrakeModeItems },
    { IDC_BRAKE_TYPE, K::Combo, nullptr, kBrakeTypeItems },
    { IDC_BRAKE_CLOSE, K::Button, "Close" },
    { IDC_BRAKE_OPEN, K::Button, "Open", {}, S::Disabled },
    // Communication
    { IDC_CHANGE_BAUD, K::Check, "Change" },
    { IDC_CAN_BAUD, K::Combo, nullptr, kCanBaudItems, S::Disabled },
    { IDC_RS232_BAUD, K::Combo, nullptr, kSerialBaudItems, S::Disabled },
    { IDC_USB_BAUD, K::Combo, nullptr, kSerialBaudItems, S::Disabled },
    { IDC_CHANNEL_RS232, K::Radio, "RS232", {}, S::Hidden },
    { IDC_CHANNEL_CAN, K::Radio, "CAN", {}, S::Hidden },
    // Function Port: Enable, DIR, CW Limit, CCW Limit, Fault, CLK
    { IDC_ENABLE_PULL, K::Combo, nullptr, kPullItems },
    { IDC_ENABLE_LEVEL, K::Combo, nullptr, kLevelItems },
    { IDC_DIR_PULL, K::Combo, nullptr, kPullItems },
    { IDC_DIR_LEVEL, K::Combo, nullptr, kLevelItems },
    { IDC_CW_PULL, K::Combo, nullptr, kPullItems },
    { IDC_CW_LEVEL, K::Combo, nullptr, kLevelItems },
    { IDC_CCW_PULL, K::Combo, nullptr, kPullItems },
    { IDC_CCW_LEVEL, K::Combo, nullptr, kLevelItems },
    { IDC_FAULT_OUT_TYPE, K::Combo, nullptr, kOutTypeItems },
    { IDC_FAULT_LEVEL, K::Combo, nullptr, kLevelItems },
    { IDC_CLK_PULL, K::Combo, nullptr, kPullItems },
};

// Kept hidden: settings no drive of this family takes, the channel choice, the
// current-control mode and the page's own node search.
const ControlSpec kHiddenControls[] = {
    { IDC_RUNAWAY_DELAY, K::Edit, nullptr, {}, S::Hidden },
    { IDC_OVER_CURRENT_DELAY, K::Edit, nullptr, {}, S::Hidden },
    { IDC_IXR_GAIN, K::Edit, nullptr, {}, S::Hidden },
    { IDC_EDIT_1062, K::Edit, nullptr, {}, S::Hidden },
    { IDC_EDIT_1063, K::Edit, nullptr, {}, S::Hidden },
    { IDC_STALL_TIME, K::Edit, nullptr, {}, S::Hidden },
    { IDC_CHANGE_NODE_ADDRESS, K::Check, "更改节点地址", {}, S::Hidden },
    { IDC_IXR_COMPENSATION, K::Check, "IxR补偿", {}, S::Hidden },
    { IDC_CURRENT_LIMIT_MODE, K::Radio, "限流模式", {}, S::Hidden },
    { IDC_OVER_CURRENT_MODE, K::Radio, "过流保护模式", {}, S::Hidden },
    { IDC_HIDDEN_PULL, K::Combo, nullptr, kPullItems, S::Hidden },
    { IDC_NODE_SEARCH, K::Button, "Search", {}, S::Hidden },
    { IDC_NODE_SET_ALL, K::Button, "Set All", {}, S::Hidden },
    { IDC_NODE_STOP, K::Button, "Stop", {}, S::Hidden },
    { IDC_NODE_FROM, K::Edit, nullptr, {}, S::Hidden },
    { IDC_NODE_TO, K::Edit, nullptr, {}, S::Hidden },
    { IDC_NODE_TREE, K::Tree, nullptr, {}, S::Hidden },
    { IDC_NODE_STATUS, K::ReadOnlyEdit, nullptr, {}, S::Hidden },
};

// The controls each common port IO1..IO4 and each row of the phase table have, in the
// dialog's order.
void AddRepeatedControls(std::vector<ControlSpec>& all)
{
    for (int port = 0; port < kCommonPorts; ++port) {
        all.push_back({ kIoInputRadios[port], K::Radio, "Input" });
        all.push_back({ kIoOutputRadios[port], K::Radio, "Output" });
    }
    for (int id : kIoPullCombos)
        all.push_back({ id, K::Combo, nullptr, kPullItems });
    for (int id : kIoOutTypeCombos)
        all.push_back({ id, K::Combo, nullptr, kOutTypeItems, S::Invisible });
    for (int id : kIoLevelCombos)
        all.push_back({ id, K::Combo, nullptr, kLevelItems });
    for (int id : kIoInFuncCombos)
        all.push_back({ id, K::Combo, nullptr, kInFuncItems });
    for (int port = 0; port < kCommonPorts; ++port)
        all.push_back({ kIoOutFuncCombos[port], K::Combo, nullptr, kOutFuncItems[port], S::Invisible });
    for (int row = 0; row < kPhaseRows; ++row)
        all.push_back({ IDC_PHASE_LABEL_FIRST + row, K::Label, kPhaseRowNames[row] });
    for (int id : kPhaseEdits)
        all.push_back({ id, K::Edit, nullptr });
}

// The listed controls, then an edit for each Int, Uint or Float field they leave out.
const std::vector<ControlSpec>& ControlSpecs()
{
    static const std::vector<ControlSpec> specs = [] {
        std::vector<ControlSpec> all(std::begin(kControls), std::end(kControls));
        AddRepeatedControls(all);
        all.insert(all.end(), std::begin(kHiddenControls), std::end(kHiddenControls));
        for (const ParamField& field : ParamFields()) {
            const FieldKind kind = field.kind;
            const bool plain = kind == FieldKind::Int || kind == FieldKind::Uint || kind == FieldKind::Float;
            const auto listed = [&field](const ControlSpec& c) { return c.id == field.id; };
            if (plain && std::none_of(all.begin(), all.end(), listed))
                all.push_back({ field.id, ControlKind::Edit, nullptr });
        }
        return all;
    }();
    return specs;
}

} // namespace

std::span<const ControlSpec> BasicParamControls()
{
    return ControlSpecs();
}

const ControlSpec* FindControlSpec(int id)
{
    const std::vector<ControlSpec>& specs = ControlSpecs();
    const auto it = std::find_if(specs.begin(), specs.end(), [id](const ControlSpec& c) { return c.id == id; });
    return it == specs.end() ? nullptr : &*it;
}
