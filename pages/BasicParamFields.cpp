#include "pages/BasicParamFields.h"

#include "pages/BasicParamIds.h"

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
    { 1047, K::Radio, &M::m_nCommandSource, nullptr, nullptr, nullptr, nullptr, R::None },
    // Feedback
    { IDC_ENCODER, K::Int, &M::m_nEncoderCounts, "Encoder", "(Fourfold)", "GENC", "ENC", R::Plain, 4, INT_MAX },
    { 1327, K::Radio, &M::m_nHallSensor, nullptr, nullptr, "GHE", "SHE", R::Own },
    { IDC_MASTER_ENCODER, K::Radio, &M::m_nEncoderSelect, nullptr, nullptr, "GCEC", "SCEC", R::Own },
    { IDC_AUX_ENC_INPUT, K::Radio, &M::m_nAuxEncoderDir, nullptr, nullptr, "GECM", "SECM", R::Own },
    // Motor Parameters
    { 1036, K::Int, &M::m_nRatedSpeed, "Rated Speed", "RPM", "GSP", "SSP", R::Plain },
    { 1051, K::Float, &M::m_fMaxPeakCurrent, "Max. I Peak", "mA", "GPC", "SPC", R::Float },
    { 1054, K::Float, &M::m_fMaxContCurrent, "Max. I Continuous", "mA", "GCC", "SCC", R::Float },
    { 1319, K::Int, &M::m_nPolePairs, "Pole Pairs", nullptr, "GNP", "SNP", R::Plain },
    { 1320, K::Int, &M::m_nPhaseCurrentNoHall, "Phase Current Limit (Without Hall)", "mA", "GCPI", "SCPI", R::Plain },
    // Analog, PWM and Pulses Command
    { 1042, K::Float, &M::m_fAnalogDeadRange, "Dead Range", "mV", "GMAV", "SMAV", R::Float },
    { 1224, K::Int, &M::m_nPwmDeadRange, "Dead Range", "‰", "GMV", "SMV", R::Plain },
    { 1066, K::Int, &M::m_nStepWidth, "Step Width", nullptr, "GTW", "STW", R::Plain },
    { 1322, K::Int, &M::m_nMaxFrequency, "Max. Frequence", "KHz", "GSK", "SSK", R::Plain },
    // Position Limit
    { IDC_DIGITAL_INPUT_LIMIT, K::Check, &M::m_bDigitalInputLimit, nullptr, nullptr, "GPHE", "SPHE", R::Check },
    { IDC_SCALE_LIMIT, K::Check, &M::m_bScaleLimit, nullptr, nullptr, "GPE", "SPE", R::Check },
    { 1025, K::Int, &M::m_nPosLimitLow, "From", nullptr, "GPL", "SPL", R::Plain },
    { 1026, K::Int, &M::m_nPosLimitHigh, "To", nullptr, "GPH", "SPH", R::Plain },
    // Protection && Alarm
    { 1040, K::Int, &M::m_nPosErrorRange, "Position Error Range", nullptr, "GME", "SME", R::Plain },
    { 1056, K::Int, &M::m_nTrackingError, "Tracking Error (Counts)", nullptr, "GER", "SER", R::Plain },
    { 1050, K::Int, &M::m_nAlarmDelay, "Delay Time", "ms", "GPT", "SPT", R::Plain },
    { 1324, K::Int, &M::m_nIitTimeLimit, "IIT Time Limit", "ms", "GIIT", "SIIT", R::Plain },
    { 1325, K::Int, &M::m_nIitReleaseTime, "IIT Release Time", "ms", "GCIT", "SCIT", R::Plain },
    { 1326, K::Check, &M::m_bVelocityOutOfControl, nullptr, nullptr, "GEVL", "SEVL", R::Check },
    // Position, Velocity and Torque Loop
    { 1236, K::Int, &M::m_nPosP, "P.Positon", nullptr, "GMP", "MP", R::Plain },
    { 1111, K::Int, &M::m_nPosI, "I.Position", nullptr, "GMI", "MI", R::Plain },
    { 1110, K::Uint, &M::m_uPosD, "D.Position", nullptr, "GMD", "MD", R::Plain },
    { 1059, K::Int, &M::m_nVelFeedForward, "F.Velocity", nullptr, "GMK", "MK", R::Plain },
    { 1099, K::Int, &M::m_nVelP, "P.Velocity", nullptr, "GP", "P", R::Plain },
    { 1102, K::Int, &M::m_nVelI, "I.Velocity", nullptr, "GI", "I", R::Plain },
    { 1105, K::Int, &M::m_nVelD, "D.Velocity", nullptr, "GD", "D", R::Plain },
    { 1292, K::Uint, &M::m_uTorqueP, "P.Torque", nullptr, "GAP", "AP", R::Plain },
    { 1293, K::Uint, &M::m_uTorqueI, "I.Torque", nullptr, "GAI", "AI", R::Plain },
    { 1321, K::Int, &M::m_nTorqueD, "D.Torque", nullptr, "GAD", "AD", R::Plain },
    // Acceleration
    { 1005, K::Int, &M::m_nAcceleration, "Acceleration", "R/S²", "GA", "A", R::Plain },
    { 1347, K::Int, &M::m_nDeceleration, "Decelerate", "R/S²", "GDEC", "SDEC", R::Plain },
    { 1348, K::Int, &M::m_nDisableDecel, "Decelerate for Dis.", "R/S²", "GQTA", "SQTA", R::Plain },
    { 1349, K::Int, &M::m_nDisableDecelTime, "Time for Dis. Dec.", "ms", "GQTT", "SQTT", R::Plain },
    { 1350, K::Int, &M::m_nBrakeDecel, "Decelerate for Bra.", "R/S²", "GBRA", "SBRA", R::Plain },
    // Position Direction
    { 1135, K::Radio, &M::m_nPositionDirection, nullptr, nullptr, "GCCW", "SCCW", R::Own },
    // Phase Initialization: the current goes to the drive by "Auto" only
    { IDC_PHASE_CURRENT, K::Int, &M::m_nPhaseInitCurrent, "Phase Current Limit", "mA", nullptr, "CPA", R::None },
    { IDC_PHASE_ACTIVATE, K::Check, &M::m_bPhaseInitActivate, nullptr, nullptr, nullptr, nullptr, R::None },
    // Consumption Brake Parameters
    { 1338, K::Int, &M::m_nBusVoltage, "Bus Voltage", "mV", "GVBU", nullptr, R::Plain },
    { IDC_THRESHOLD_BUS, K::State, &M::m_nThresholdMode, nullptr, nullptr, "GVRM", "SVRM", R::Own },
    { IDC_THRESHOLD_VOLTAGE, K::Int, &M::m_nThresholdVoltage, "Threshold Voltage", "mV", "GVRF", "SVRF", R::Plain },
    // Drive Address
    { 1341, K::Int, &M::m_nActiveAddress, "Active Number", nullptr, "GNOD", nullptr, R::Plain },
    { 1060, K::Float, &M::m_fDriveAddress, "Software Number", nullptr, "GADR", "SADR", R::Float },
    // Home
    { 1237, K::Check, &M::m_bHomeOnPowerOn, nullptr, nullptr, "GPOF", "SPOF", R::Check },
    { IDC_HOME_MODE, K::Combo, &M::m_cbHomeMode, "Home Mode", nullptr, "GPOM", "SPOM", R::Own },
    { 1238, K::Int, &M::m_nHomeVelocity, "Velocity", "RPM", "GOV", "SOV", R::Plain },
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
    // Hidden controls
    { 1038, K::Int, &M::m_nRunawayDelay, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1041, K::Int, &M::m_nOverCurrentDelay, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1061, K::Int, &M::m_nIxrGain, nullptr, nullptr, "GIR", nullptr, R::Plain },
    { 1062, K::Int, &M::m_nEdit1062, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1063, K::Int, &M::m_nEdit1063, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1298, K::Int, &M::m_nStallTime, nullptr, nullptr, "GST", nullptr, R::Plain },
    { 1263, K::Radio, &M::m_nCommChannel, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1294, K::Check, &M::m_bChangeNodeAddress, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1295, K::Check, &M::m_bIxrCompensation, nullptr, nullptr, "GEIR", nullptr, R::Check },
    { 1296, K::Radio, &M::m_nCurrentControl, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1266, K::Int, &M::m_nNodeFrom, nullptr, nullptr, nullptr, nullptr, R::None, 2, 127 },
    { 1267, K::Int, &M::m_nNodeTo, nullptr, nullptr, nullptr, nullptr, R::None, 2, 127 },
};

const int kExchangeOrder[] = {
    1266, 1267, 1029, 1005, 1030, 1036, 1042, 1026, 1025, 1051, 1054, 1066, 1102, 1099, 1105, 1056, 1050,
    1041, 1040, 1038, 1224, 1237, 1060, 1236, 1239, 1238, 1059, 1262, 1263, 1031, 1061, 1052, 1062, 1063,
    1110, 1292, 1293, 1295, 1294, 1108, 1135, 1047, 1296, 1298, 1319, 1320, 1111, 1321, 1322, 1325, 1324,
    1326, 1327, 1053, 1329, 1338, 1333, 1335, 1337, 1341, 1240, 1241, 1348, 1347, 1349, 1350,
};

// Every radio group of the page, the first button naming the group.
const std::vector<std::vector<int>> kRadioGroups {
    { IDC_VELOCITY, IDC_POSITION, IDC_TORQUE, IDC_AMPLIFIER },
    { kCommandSourceRadios.begin(), kCommandSourceRadios.end() },
    { 1327, 1328 },
    { IDC_MASTER_ENCODER, IDC_AUX_ENCODER },
    { IDC_AUX_ENC_INPUT, IDC_AUX_ENC_OUTPUT },
    { 1135, 1134 },
    { IDC_THRESHOLD_BUS, IDC_THRESHOLD_65V, IDC_THRESHOLD_MANUAL },
    { 1263, 1264 },
    { 1296, 1297 },
    { kIoInputRadios[0], kIoOutputRadios[0] },
    { kIoInputRadios[1], kIoOutputRadios[1] },
    { kIoInputRadios[2], kIoOutputRadios[2] },
    { kIoInputRadios[3], kIoOutputRadios[3] },
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
