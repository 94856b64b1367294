#include "pages/params/BasicParamFields.h"

#include "pages/params/BasicParamIds.h"
#include "pages/params/PortWord.h"

#include <algorithm>
#include <vector>

namespace {

using M = BasicParamModel;
using K = FieldKind;
using R = ReplyRule;

const ParamField kFields[] = {
    // Mode && Command
    { IDC_VELOCITY, K::Radio, &M::m_nRunMode, nullptr, nullptr, "GMOD", "SMOD", R::Own },
    { IDC_COMMAND, K::Combo, &M::m_cbCommand, "Command", nullptr, "GMOD", "SMOD", R::Own },
    { IDC_SOURCE_DIGITAL, K::Radio, &M::m_nCommandSource, nullptr, nullptr, nullptr, nullptr, R::None },
    // Feedback
    { IDC_ENCODER, K::Int, &M::m_nEncoderCounts, "Encoder", "(Fourfold)", "GENC", "ENC", R::Plain, 4, INT_MAX },
    { IDC_WITHOUT_HALL, K::Radio, &M::m_nHallSensor, nullptr, nullptr, "GHE", "SHE", R::Own },
    { IDC_MASTER_ENCODER, K::Radio, &M::m_nEncoderSelect, nullptr, nullptr, "GCEC", "SCEC", R::Own },
    { IDC_AUX_ENC_INPUT, K::Radio, &M::m_nAuxEncoderDir, nullptr, nullptr, "GECM", "SECM", R::Own },
    // Motor Parameters
    { IDC_RATED_SPEED, K::Int, &M::m_nRatedSpeed, "Rated Speed", "RPM", "GSP", "SSP", R::Plain },
    { IDC_MAX_PEAK_CURRENT, K::Float, &M::m_fMaxPeakCurrent, "Max. I Peak", "mA", "GPC", "SPC", R::Float },
    { IDC_MAX_CONT_CURRENT, K::Float, &M::m_fMaxContCurrent, "Max. I Continuous", "mA", "GCC", "SCC", R::Float },
    { IDC_POLE_PAIRS, K::Int, &M::m_nPolePairs, "Pole Pairs", nullptr, "GNP", "SNP", R::Plain },
    { IDC_PHASE_CURRENT_NO_HALL, K::Int, &M::m_nPhaseCurrentNoHall, "Phase Current Limit (Without Hall)", "mA", "GCPI",
        "SCPI", R::Plain },
    // Analog, PWM and Pulses Command
    { IDC_ANALOG_DEAD_RANGE, K::Float, &M::m_fAnalogDeadRange, "Dead Range", "mV", "GMAV", "SMAV", R::Float },
    { IDC_PWM_DEAD_RANGE, K::Int, &M::m_nPwmDeadRange, "Dead Range", "‰", "GMV", "SMV", R::Plain },
    { IDC_STEP_WIDTH, K::Int, &M::m_nStepWidth, "Step Width", nullptr, "GTW", "STW", R::Plain },
    { IDC_MAX_FREQUENCY, K::Int, &M::m_nMaxFrequency, "Max. Frequence", "KHz", "GSK", "SSK", R::Plain },
    // Position Limit
    { IDC_DIGITAL_INPUT_LIMIT, K::Check, &M::m_bDigitalInputLimit, nullptr, nullptr, "GPHE", "SPHE", R::Check },
    { IDC_SCALE_LIMIT, K::Check, &M::m_bScaleLimit, nullptr, nullptr, "GPE", "SPE", R::Check },
    { IDC_LIMIT_FROM, K::Int, &M::m_nPosLimitLow, "From", nullptr, "GPL", "SPL", R::Plain },
    { IDC_LIMIT_TO, K::Int, &M::m_nPosLimitHigh, "To", nullptr, "GPH", "SPH", R::Plain },
    // Protection && Alarm
    { IDC_POS_ERROR_RANGE, K::Int, &M::m_nPosErrorRange, "Position Error Range", nullptr, "GME", "SME", R::Plain },
    { IDC_TRACKING_ERROR, K::Int, &M::m_nTrackingError, "Tracking Error (Counts)", nullptr, "GER", "SER", R::Plain },
    { IDC_ALARM_DELAY, K::Int, &M::m_nAlarmDelay, "Delay Time", "ms", "GPT", "SPT", R::Plain },
    { IDC_IIT_TIME_LIMIT, K::Int, &M::m_nIitTimeLimit, "IIT Time Limit", "ms", "GIIT", "SIIT", R::Plain },
    { IDC_IIT_RELEASE_TIME, K::Int, &M::m_nIitReleaseTime, "IIT Release Time", "ms", "GCIT", "SCIT", R::Plain },
    { IDC_VELOCITY_OUT_OF_CONTROL, K::Check, &M::m_bVelocityOutOfControl, nullptr, nullptr, "GEVL", "SEVL", R::Check },
    // Position, Velocity and Torque Loop
    { IDC_P_POSITION, K::Int, &M::m_nPosP, "P.Positon", nullptr, "GMP", "MP", R::Plain },
    { IDC_I_POSITION, K::Int, &M::m_nPosI, "I.Position", nullptr, "GMI", "MI", R::Plain },
    { IDC_D_POSITION, K::Uint, &M::m_uPosD, "D.Position", nullptr, "GMD", "MD", R::Plain },
    { IDC_F_VELOCITY, K::Int, &M::m_nVelFeedForward, "F.Velocity", nullptr, "GMK", "MK", R::Plain },
    { IDC_P_VELOCITY, K::Int, &M::m_nVelP, "P.Velocity", nullptr, "GP", "P", R::Plain },
    { IDC_I_VELOCITY, K::Int, &M::m_nVelI, "I.Velocity", nullptr, "GI", "I", R::Plain },
    { IDC_D_VELOCITY, K::Int, &M::m_nVelD, "D.Velocity", nullptr, "GD", "D", R::Plain },
    { IDC_P_TORQUE, K::Uint, &M::m_uTorqueP, "P.Torque", nullptr, "GAP", "AP", R::Plain },
    { IDC_I_TORQUE, K::Uint, &M::m_uTorqueI, "I.Torque", nullptr, "GAI", "AI", R::Plain },
    { IDC_D_TORQUE, K::Int, &M::m_nTorqueD, "D.Torque", nullptr, "GAD", "AD", R::Plain },
    // Acceleration
    { IDC_ACCELERATION, K::Int, &M::m_nAcceleration, "Acceleration", "R/S²", "GA", "A", R::Plain },
    { IDC_DECELERATE, K::Int, &M::m_nDeceleration, "Decelerate", "R/S²", "GDEC", "SDEC", R::Plain },
    { IDC_DISABLE_DECEL, K::Int, &M::m_nDisableDecel, "Decelerate for Dis.", "R/S²", "GQTA", "SQTA", R::Plain },
    { IDC_DISABLE_DECEL_TIME, K::Int, &M::m_nDisableDecelTime, "Time for Dis. Dec.", "ms", "GQTT", "SQTT", R::Plain },
    { IDC_BRAKE_DECEL, K::Int, &M::m_nBrakeDecel, "Decelerate for Bra.", "R/S²", "GBRA", "SBRA", R::Plain },
    // Position Direction
    { IDC_CH_A_AHEAD, K::Radio, &M::m_nPositionDirection, nullptr, nullptr, "GCCW", "SCCW", R::Own },
    // Phase Initialization: the current goes to the drive by "Auto" only
    { IDC_PHASE_CURRENT, K::Int, &M::m_nPhaseInitCurrent, "Phase Current Limit", "mA", nullptr, "CPA", R::None },
    { IDC_PHASE_ACTIVATE, K::Check, &M::m_bPhaseInitActivate, nullptr, nullptr, nullptr, nullptr, R::None },
    // Consumption Brake Parameters
    { IDC_BUS_VOLTAGE, K::Int, &M::m_nBusVoltage, "Bus Voltage", "mV", "GVBU", nullptr, R::Plain },
    { IDC_THRESHOLD_BUS, K::State, &M::m_nThresholdMode, nullptr, nullptr, "GVRM", "SVRM", R::Own },
    { IDC_THRESHOLD_VOLTAGE, K::Int, &M::m_nThresholdVoltage, "Threshold Voltage", "mV", "GVRF", "SVRF", R::Plain },
    // Drive Address
    { IDC_ACTIVE_NUMBER, K::Int, &M::m_nActiveAddress, "Active Number", nullptr, "GNOD", nullptr, R::Plain },
    { IDC_SOFTWARE_NUMBER, K::Float, &M::m_fDriveAddress, "Software Number", nullptr, "GADR", "SADR", R::Float },
    // Home
    { IDC_HOME_ON_POWER_ON, K::Check, &M::m_bHomeOnPowerOn, nullptr, nullptr, "GPOF", "SPOF", R::Check },
    { IDC_HOME_MODE, K::Combo, &M::m_cbHomeMode, "Home Mode", nullptr, "GPOM", "SPOM", R::Own },
    { IDC_HOME_VELOCITY, K::Int, &M::m_nHomeVelocity, "Velocity", "RPM", "GOV", "SOV", R::Plain },
    { IDC_HOME_OFFSET, K::Int, &M::m_nHomeOffset, "Modification", nullptr, "GORG", "SORG", R::Plain },
    { IDC_HOME_RANGE, K::Int, &M::m_nHomeRange, "Range", nullptr, "GOP", "SOP", R::Plain },
    { IDC_HOME_CURRENT, K::Int, &M::m_nHomeCurrent, "Threshold Current", "mA", "GPOI", "SPOI", R::Plain },
    { IDC_HOME_CURRENT_TIME, K::Int, &M::m_nHomeCurrentTime, "Lasting Time", "ms", "GPOT", "SPOT", R::Plain },
    // Brake Parameters
    { IDC_BRAKE_MODE, K::Combo, &M::m_cbBrakeMode, "Mode", nullptr, "GMST", "SMST", R::Own },
    { IDC_BRAKE_TYPE, K::Combo, &M::m_cbBrakeType, "Type", nullptr, "GMSO", "SMSO", R::Own },
    { IDC_BRAKE_CLOSE, K::State, &M::m_bBrakeOpen, nullptr, nullptr, "GCMS", "SCMS", R::Own },
    // Communication
    { IDC_CHANGE_BAUD, K::Check, &M::m_bChangeBaud, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_CAN_BAUD, K::Combo, &M::m_cbCanBaud, "CAN", "Kbps", "GCBD", "SCBD", R::Own },
    { IDC_RS232_BAUD, K::Combo, &M::m_cbRs232Baud, "RS232", "bps", "GRBD", "BAUD", R::Own },
    { IDC_USB_BAUD, K::Combo, &M::m_cbUsbBaud, "USB-232", "bps", "GUBD", "SUBD", R::Own },
    // Function Port: each row goes to the drive as one port word (see FunctionPorts)
    { IDC_ENABLE_PULL, K::Combo, &M::m_cbEnaPull, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_ENABLE_LEVEL, K::Combo, &M::m_cbEnaLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_DIR_PULL, K::Combo, &M::m_cbDirPull, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_DIR_LEVEL, K::Combo, &M::m_cbDirLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_CW_PULL, K::Combo, &M::m_cbCwPull, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_CW_LEVEL, K::Combo, &M::m_cbCwLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_CCW_PULL, K::Combo, &M::m_cbCcwPull, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_CCW_LEVEL, K::Combo, &M::m_cbCcwLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_FAULT_OUT_TYPE, K::Combo, &M::m_cbFaultOutType, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_FAULT_LEVEL, K::Combo, &M::m_cbFaultLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_CLK_PULL, K::Combo, &M::m_cbClkPull, nullptr, nullptr, nullptr, nullptr, R::None },
    // Hidden controls
    { IDC_RUNAWAY_DELAY, K::Int, &M::m_nRunawayDelay, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_OVER_CURRENT_DELAY, K::Int, &M::m_nOverCurrentDelay, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_IXR_GAIN, K::Int, &M::m_nIxrGain, nullptr, nullptr, "GIR", nullptr, R::Plain },
    { IDC_EDIT_1062, K::Int, &M::m_nEdit1062, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_EDIT_1063, K::Int, &M::m_nEdit1063, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_STALL_TIME, K::Int, &M::m_nStallTime, nullptr, nullptr, "GST", nullptr, R::Plain },
    { IDC_CHANNEL_RS232, K::Radio, &M::m_nCommChannel, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_CHANGE_NODE_ADDRESS, K::Check, &M::m_bChangeNodeAddress, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_IXR_COMPENSATION, K::Check, &M::m_bIxrCompensation, nullptr, nullptr, "GEIR", nullptr, R::Check },
    { IDC_CURRENT_LIMIT_MODE, K::Radio, &M::m_nCurrentControl, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_NODE_FROM, K::Int, &M::m_nNodeFrom, nullptr, nullptr, nullptr, nullptr, R::None, 2, 127 },
    { IDC_NODE_TO, K::Int, &M::m_nNodeTo, nullptr, nullptr, nullptr, nullptr, R::None, 2, 127 },
};

const int kExchangeOrder[] = {
    IDC_NODE_FROM, IDC_NODE_TO, IDC_SCALE_LIMIT, IDC_ACCELERATION, IDC_ENCODER, IDC_RATED_SPEED, IDC_ANALOG_DEAD_RANGE,
    IDC_LIMIT_TO, IDC_LIMIT_FROM, IDC_MAX_PEAK_CURRENT, IDC_MAX_CONT_CURRENT, IDC_STEP_WIDTH, IDC_I_VELOCITY,
    IDC_P_VELOCITY, IDC_D_VELOCITY, IDC_TRACKING_ERROR, IDC_ALARM_DELAY, IDC_OVER_CURRENT_DELAY, IDC_POS_ERROR_RANGE,
    IDC_RUNAWAY_DELAY, IDC_PWM_DEAD_RANGE, IDC_HOME_ON_POWER_ON, IDC_SOFTWARE_NUMBER, IDC_P_POSITION, IDC_HOME_RANGE,
    IDC_HOME_VELOCITY, IDC_F_VELOCITY, IDC_CHANGE_BAUD, IDC_CHANNEL_RS232, IDC_DIGITAL_INPUT_LIMIT, IDC_IXR_GAIN,
    IDC_HOME_OFFSET, IDC_EDIT_1062, IDC_EDIT_1063, IDC_D_POSITION, IDC_P_TORQUE, IDC_I_TORQUE, IDC_IXR_COMPENSATION,
    IDC_CHANGE_NODE_ADDRESS, IDC_VELOCITY, IDC_CH_A_AHEAD, IDC_SOURCE_DIGITAL, IDC_CURRENT_LIMIT_MODE, IDC_STALL_TIME,
    IDC_POLE_PAIRS, IDC_PHASE_CURRENT_NO_HALL, IDC_I_POSITION, IDC_D_TORQUE, IDC_MAX_FREQUENCY, IDC_IIT_RELEASE_TIME,
    IDC_IIT_TIME_LIMIT, IDC_VELOCITY_OUT_OF_CONTROL, IDC_WITHOUT_HALL, IDC_PHASE_CURRENT, IDC_PHASE_ACTIVATE,
    IDC_BUS_VOLTAGE, IDC_MASTER_ENCODER, IDC_AUX_ENC_INPUT, IDC_THRESHOLD_VOLTAGE, IDC_ACTIVE_NUMBER, IDC_HOME_CURRENT,
    IDC_HOME_CURRENT_TIME, IDC_DISABLE_DECEL, IDC_DECELERATE, IDC_DISABLE_DECEL_TIME, IDC_BRAKE_DECEL,
};

// Every radio group of the page, the first button naming the group.
const std::vector<std::vector<int>> kRadioGroups {
    { IDC_VELOCITY, IDC_POSITION, IDC_TORQUE, IDC_AMPLIFIER },
    { kCommandSourceRadios.begin(), kCommandSourceRadios.end() },
    { IDC_WITHOUT_HALL, IDC_WITH_HALL },
    { IDC_MASTER_ENCODER, IDC_AUX_ENCODER },
    { IDC_AUX_ENC_INPUT, IDC_AUX_ENC_OUTPUT },
    { IDC_CH_A_AHEAD, IDC_CH_B_AHEAD },
    { IDC_THRESHOLD_BUS, IDC_THRESHOLD_65V, IDC_THRESHOLD_MANUAL },
    { IDC_CHANNEL_RS232, IDC_CHANNEL_CAN },
    { IDC_CURRENT_LIMIT_MODE, IDC_OVER_CURRENT_MODE },
    { kIoInputRadios[0], kIoOutputRadios[0] },
    { kIoInputRadios[1], kIoOutputRadios[1] },
    { kIoInputRadios[2], kIoOutputRadios[2] },
    { kIoInputRadios[3], kIoOutputRadios[3] },
};

// The CLK port word carries the CCW-limit code, as drives in the field have always been
// sent; no code of its own exists.
const FunctionPort kFunctionPorts[] = {
    { "GENA", "SENA", PORT_FUNCTION_ENABLE, IDC_ENABLE_PULL, IDC_ENABLE_LEVEL, false },
    { "GDIR", "SDIR", PORT_FUNCTION_DIRECTION, IDC_DIR_PULL, IDC_DIR_LEVEL, false },
    { "GPOS", "SPOS", PORT_FUNCTION_CW_LIMIT, IDC_CW_PULL, IDC_CW_LEVEL, false },
    { "GNEG", "SNEG", PORT_FUNCTION_CCW_LIMIT, IDC_CCW_PULL, IDC_CCW_LEVEL, false },
    { "GFAT", "SFAT", PORT_FUNCTION_FAULT, IDC_FAULT_OUT_TYPE, IDC_FAULT_LEVEL, true },
    { "GCDI", "SCDI", PORT_FUNCTION_CCW_LIMIT, IDC_CLK_PULL, 0, false },
};
constexpr int kEnaPort = 0, kDirPort = 1, kCwPort = 2, kCcwPort = 3, kFaultPort = 4, kClkPort = 5;

// The last letter of each phase-table row's commands, in table order.
constexpr char kPhaseLetters[kPhaseRows + 1] = "ABCDEFGHIJKLMNOR";
constexpr char kCommonPortLetters[kCommonPorts + 1] = "ABCD";

using Kind = ParamRef::Kind;
using namespace param_ref;

const ParamRef kReadOrder[] = {
    F(IDC_VELOCITY), F(IDC_ENCODER), F(IDC_RATED_SPEED), F(IDC_PWM_DEAD_RANGE), F(IDC_TRACKING_ERROR),
    F(IDC_CH_A_AHEAD), F(IDC_HOME_ON_POWER_ON), F(IDC_HOME_VELOCITY), F(IDC_HOME_RANGE), F(IDC_HOME_OFFSET),
    F(IDC_DIGITAL_INPUT_LIMIT), F(IDC_SCALE_LIMIT), F(IDC_LIMIT_FROM), F(IDC_LIMIT_TO), F(IDC_ACCELERATION),
    F(IDC_ANALOG_DEAD_RANGE), F(IDC_STEP_WIDTH), F(IDC_P_POSITION), F(IDC_D_POSITION), F(IDC_F_VELOCITY),
    F(IDC_P_VELOCITY), F(IDC_I_VELOCITY), F(IDC_D_VELOCITY), F(IDC_P_TORQUE), F(IDC_I_TORQUE), F(IDC_MAX_PEAK_CURRENT),
    F(IDC_MAX_CONT_CURRENT), F(IDC_ALARM_DELAY), F(IDC_SOFTWARE_NUMBER), F(IDC_ACTIVE_NUMBER),
    { Kind::NumberLock, IDC_SOFTWARE_NUMBER }, F(IDC_RS232_BAUD), F(IDC_USB_BAUD), F(IDC_CAN_BAUD),
    F(IDC_PHASE_CURRENT_NO_HALL), F(IDC_I_POSITION), F(IDC_D_TORQUE), F(IDC_POLE_PAIRS), F(IDC_MAX_FREQUENCY),
    F(IDC_POS_ERROR_RANGE), F(IDC_IIT_TIME_LIMIT), F(IDC_IIT_RELEASE_TIME), F(IDC_VELOCITY_OUT_OF_CONTROL),
    F(IDC_WITHOUT_HALL), F(IDC_AUX_ENC_INPUT), F(IDC_MASTER_ENCODER), F(IDC_THRESHOLD_VOLTAGE), F(IDC_BUS_VOLTAGE),
    F(IDC_THRESHOLD_BUS), F(IDC_HOME_MODE), F(IDC_HOME_CURRENT), F(IDC_HOME_CURRENT_TIME), F(IDC_BRAKE_CLOSE),
    F(IDC_BRAKE_MODE), F(IDC_BRAKE_TYPE), F(IDC_DISABLE_DECEL), F(IDC_DISABLE_DECEL_TIME), F(IDC_DECELERATE),
    F(IDC_BRAKE_DECEL), Phase(kPhaseO), Phase(0), Phase(1), Phase(2), Phase(3), Phase(4), Phase(5), Phase(6), Phase(7),
    Phase(8), Phase(9), Phase(10), Phase(11), Phase(kPhaseR), Port(kEnaPort), Port(kDirPort), Port(kCwPort),
    Port(kCcwPort), Port(kClkPort), Port(kFaultPort), Io(0), Io(1), Io(2), Io(3),
};

using W = WriteValue;
const WriteStep kWriteOrder[] = {
    { F(IDC_VELOCITY), W::RunMode },
    { F(IDC_ENCODER), W::Field },
    { F(IDC_RATED_SPEED), W::Field },
    { F(IDC_PWM_DEAD_RANGE), W::Field },
    { F(IDC_TRACKING_ERROR), W::Field },
    { F(IDC_CH_A_AHEAD), W::Field },
    { F(IDC_HOME_ON_POWER_ON), W::Flag },
    { F(IDC_HOME_VELOCITY), W::Field },
    { F(IDC_HOME_RANGE), W::Field },
    { F(IDC_DIGITAL_INPUT_LIMIT), W::Flag },
    { F(IDC_SCALE_LIMIT), W::Flag },
    { F(IDC_LIMIT_FROM), W::Field },
    { F(IDC_LIMIT_TO), W::Field },
    // The low limit once more, after the high one: a drive that refused the first because
    // it lay above its old high limit takes it now.
    { F(IDC_LIMIT_FROM), W::Field, false },
    { F(IDC_ACCELERATION), W::Field },
    { F(IDC_ANALOG_DEAD_RANGE), W::Field },
    { F(IDC_STEP_WIDTH), W::Field },
    { F(IDC_P_POSITION), W::Field },
    { F(IDC_D_POSITION), W::Field },
    { F(IDC_F_VELOCITY), W::Field },
    { F(IDC_P_VELOCITY), W::Field },
    { F(IDC_I_VELOCITY), W::Field },
    { F(IDC_D_VELOCITY), W::Field },
    { F(IDC_P_TORQUE), W::Field },
    { F(IDC_I_TORQUE), W::Field },
    { F(IDC_MAX_PEAK_CURRENT), W::Field },
    { F(IDC_MAX_CONT_CURRENT), W::Field },
    { F(IDC_ALARM_DELAY), W::Field },
    { F(IDC_HOME_OFFSET), W::Field },
    { F(IDC_POLE_PAIRS), W::Field },
    { F(IDC_PHASE_CURRENT_NO_HALL), W::Field },
    { F(IDC_D_TORQUE), W::Field },
    { F(IDC_I_POSITION), W::Field },
    { F(IDC_MAX_FREQUENCY), W::Field },
    { F(IDC_POS_ERROR_RANGE), W::Field },
    { F(IDC_IIT_TIME_LIMIT), W::Field },
    { F(IDC_IIT_RELEASE_TIME), W::Field },
    { F(IDC_VELOCITY_OUT_OF_CONTROL), W::Field },
    { F(IDC_WITHOUT_HALL), W::Field },
    { F(IDC_AUX_ENC_INPUT), W::Inverted },
    { F(IDC_MASTER_ENCODER), W::Inverted },
    { F(IDC_THRESHOLD_VOLTAGE), W::Field },
    { F(IDC_THRESHOLD_BUS), W::Field },
    { F(IDC_HOME_MODE), W::Field },
    { F(IDC_HOME_CURRENT), W::Field },
    { F(IDC_HOME_CURRENT_TIME), W::Field },
    { F(IDC_BRAKE_MODE), W::Field },
    { F(IDC_BRAKE_TYPE), W::Field },
    { F(IDC_DISABLE_DECEL), W::Field },
    { F(IDC_DISABLE_DECEL_TIME), W::Field },
    { F(IDC_DECELERATE), W::Field },
    { F(IDC_BRAKE_DECEL), W::Field },
    { Phase(kPhaseO), W::Text },
    { Phase(0), W::Text },
    { Phase(1), W::Text },
    { Phase(2), W::Text },
    { Phase(3), W::Text },
    { Phase(4), W::Text },
    { Phase(5), W::Text },
    { Phase(6), W::Text },
    { Phase(7), W::Text },
    { Phase(8), W::Text },
    { Phase(9), W::Text },
    { Phase(10), W::Text },
    { Phase(11), W::Text },
    { Phase(kPhaseR), W::Text },
    { Port(kEnaPort), W::Port },
    { Port(kDirPort), W::Port },
    { Port(kCwPort), W::Port },
    { Port(kCcwPort), W::Port },
    { Port(kClkPort), W::Port },
    { Port(kFaultPort), W::Port },
    { Io(0), W::Port },
    { Io(1), W::Port },
    { Io(2), W::Port },
    { Io(3), W::Port },
    { F(IDC_SOFTWARE_NUMBER), W::Field },
    { F(IDC_CAN_BAUD), W::Baud },
    { F(IDC_RS232_BAUD), W::Baud },
    { F(IDC_USB_BAUD), W::Baud },
};

} // namespace

std::span<const ParamField> ParamFields()
{
    return kFields;
}

const ParamField* FindParamField(int id)
{
    const auto it = std::find_if(std::begin(kFields), std::end(kFields), [id](const ParamField& f) { return f.id == id; });
    return it == std::end(kFields) ? nullptr : &*it;
}

std::span<const int> DataExchangeOrder()
{
    return kExchangeOrder;
}

const std::vector<std::vector<int>>& RadioGroups()
{
    return kRadioGroups;
}

std::span<const int> RadioGroupButtons(int firstId)
{
    for (const std::vector<int>& group : kRadioGroups) {
        if (group.front() == firstId)
            return group;
    }
    return {};
}

std::span<const FunctionPort> FunctionPorts()
{
    return kFunctionPorts;
}

std::span<const ParamRef> ReadOrder()
{
    return kReadOrder;
}

std::span<const WriteStep> WriteOrder()
{
    return kWriteOrder;
}

namespace {

// The command of a reference; `prefix` is 'G' for the query, 'S' for the setting.
QString CommandOf(ParamRef ref, char prefix)
{
    const bool query = prefix == 'G';
    switch (ref.kind) {
    case Kind::Field: {
        const ParamField* field = FindParamField(ref.index);
        const char* command = field ? (query ? field->query : field->write) : nullptr;
        return QString::fromLatin1(command);
    }
    case Kind::Phase:
        return QStringLiteral("%1HL%2").arg(QLatin1Char(prefix)).arg(QLatin1Char(kPhaseLetters[ref.index]));
    case Kind::FunctionPort:
        return QString::fromLatin1(query ? kFunctionPorts[ref.index].query : kFunctionPorts[ref.index].write);
    case Kind::CommonPort:
        return QStringLiteral("%1IO%2").arg(QLatin1Char(prefix)).arg(QLatin1Char(kCommonPortLetters[ref.index]));
    case Kind::NumberLock:
        return query ? QStringLiteral("GNOT") : QStringLiteral("SNOT");
    }
    return {};
}

} // namespace

QString QueryOf(ParamRef ref)
{
    return CommandOf(ref, 'G');
}

QString WriteOf(ParamRef ref)
{
    return CommandOf(ref, 'S');
}

std::optional<ParamRef> FindQuery(QStringView query)
{
    for (const ParamField& field : kFields) {
        if (field.query && field.reply != ReplyRule::None && query == QLatin1String(field.query))
            return F(field.id);
    }
    std::vector<ParamRef> others { { Kind::NumberLock, IDC_SOFTWARE_NUMBER } };
    for (int row = 0; row < kPhaseRows; ++row)
        others.push_back(Phase(row));
    for (int port = 0; port < static_cast<int>(std::size(kFunctionPorts)); ++port)
        others.push_back(Port(port));
    for (int port = 0; port < kCommonPorts; ++port)
        others.push_back(Io(port));
    for (const ParamRef& ref : others) {
        if (QueryOf(ref) == query)
            return ref;
    }
    return std::nullopt;
}
