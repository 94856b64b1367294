#include "pages/BasicParamFields.h"

#include "pages/BasicParamIds.h"
#include "pages/PortWord.h"

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
    // Function Port: each row goes to the drive as one port word (see FunctionPorts)
    { 1299, K::Combo, &M::m_cbEnaPull, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1304, K::Combo, &M::m_cbEnaLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1300, K::Combo, &M::m_cbDirPull, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1305, K::Combo, &M::m_cbDirLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1301, K::Combo, &M::m_cbCwPull, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1306, K::Combo, &M::m_cbCwLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1302, K::Combo, &M::m_cbCcwPull, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1307, K::Combo, &M::m_cbCcwLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1303, K::Combo, &M::m_cbFaultOutType, nullptr, nullptr, nullptr, nullptr, R::None },
    { 1308, K::Combo, &M::m_cbFaultLevel, nullptr, nullptr, nullptr, nullptr, R::None },
    { IDC_CLK_PULL, K::Combo, &M::m_cbClkPull, nullptr, nullptr, nullptr, nullptr, R::None },
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

// The CLK port word carries the CCW-limit code, as drives in the field have always been
// sent; no code of its own exists.
const FunctionPort kFunctionPorts[] = {
    { "GENA", "SENA", PORT_FUNCTION_ENABLE, 1299, 1304, false },
    { "GDIR", "SDIR", PORT_FUNCTION_DIRECTION, 1300, 1305, false },
    { "GPOS", "SPOS", PORT_FUNCTION_CW_LIMIT, 1301, 1306, false },
    { "GNEG", "SNEG", PORT_FUNCTION_CCW_LIMIT, 1302, 1307, false },
    { "GFAT", "SFAT", PORT_FUNCTION_FAULT, 1303, 1308, true },
    { "GCDI", "SCDI", PORT_FUNCTION_CCW_LIMIT, IDC_CLK_PULL, 0, false },
};
constexpr int kEnaPort = 0, kDirPort = 1, kCwPort = 2, kCcwPort = 3, kFaultPort = 4, kClkPort = 5;

// The last letter of each phase-table row's commands, in table order.
constexpr char kPhaseLetters[kPhaseRows + 1] = "ABCDEFGHIJKLMNOR";
constexpr int kPhaseO = 14, kPhaseR = 15;
constexpr char kCommonPortLetters[kCommonPorts + 1] = "ABCD";

using Kind = ParamRef::Kind;
constexpr ParamRef F(int id) { return { Kind::Field, id }; }
constexpr ParamRef Phase(int row) { return { Kind::Phase, row }; }
constexpr ParamRef Port(int port) { return { Kind::FunctionPort, port }; }
constexpr ParamRef Io(int port) { return { Kind::CommonPort, port }; }

const ParamRef kReadOrder[] = {
    F(IDC_VELOCITY), F(IDC_ENCODER), F(1036), F(1224), F(1056), F(1135), F(1237), F(1238), F(IDC_HOME_RANGE),
    F(IDC_HOME_OFFSET), F(IDC_DIGITAL_INPUT_LIMIT), F(IDC_SCALE_LIMIT), F(1025), F(1026), F(1005), F(1042), F(1066),
    F(1236), F(1110), F(1059), F(1099), F(1102), F(1105), F(1292), F(1293), F(1051), F(1054), F(1050), F(1060),
    F(1341), { Kind::NumberLock, 1060 }, F(IDC_RS232_BAUD), F(IDC_USB_BAUD), F(IDC_CAN_BAUD), F(1320), F(1111),
    F(1321), F(1319), F(1322), F(1040), F(1324), F(1325), F(1326), F(1327), F(IDC_AUX_ENC_INPUT),
    F(IDC_MASTER_ENCODER), F(IDC_THRESHOLD_VOLTAGE), F(1338), F(IDC_THRESHOLD_BUS), F(IDC_HOME_MODE),
    F(IDC_HOME_CURRENT), F(IDC_HOME_CURRENT_TIME), F(IDC_BRAKE_CLOSE), F(IDC_BRAKE_MODE), F(IDC_BRAKE_TYPE), F(1348),
    F(1349), F(1347), F(1350), Phase(kPhaseO), Phase(0), Phase(1), Phase(2), Phase(3), Phase(4), Phase(5),
    Phase(6), Phase(7), Phase(8), Phase(9), Phase(10), Phase(11), Phase(kPhaseR), Port(kEnaPort), Port(kDirPort),
    Port(kCwPort), Port(kCcwPort), Port(kClkPort), Port(kFaultPort), Io(0), Io(1), Io(2), Io(3),
};

using W = WriteValue;
const WriteStep kWriteOrder[] = {
    { F(IDC_VELOCITY), W::RunMode },
    { F(IDC_ENCODER), W::Field },
    { F(1036), W::Field },
    { F(1224), W::Field },
    { F(1056), W::Field },
    { F(1135), W::Field },
    { F(1237), W::Flag },
    { F(1238), W::Field },
    { F(IDC_HOME_RANGE), W::Field },
    { F(IDC_DIGITAL_INPUT_LIMIT), W::Flag },
    { F(IDC_SCALE_LIMIT), W::Flag },
    { F(1025), W::Field },
    { F(1026), W::Field },
    // The low limit once more, after the high one: a drive that refused the first because
    // it lay above its old high limit takes it now.
    { F(1025), W::Field, false },
    { F(1005), W::Field },
    { F(1042), W::Field },
    { F(1066), W::Field },
    { F(1236), W::Field },
    { F(1110), W::Field },
    { F(1059), W::Field },
    { F(1099), W::Field },
    { F(1102), W::Field },
    { F(1105), W::Field },
    { F(1292), W::Field },
    { F(1293), W::Field },
    { F(1051), W::Field },
    { F(1054), W::Field },
    { F(1050), W::Field },
    { F(IDC_HOME_OFFSET), W::Field },
    { F(1319), W::Field },
    { F(1320), W::Field },
    { F(1321), W::Field },
    { F(1111), W::Field },
    { F(1322), W::Field },
    { F(1040), W::Field },
    { F(1324), W::Field },
    { F(1325), W::Field },
    { F(1326), W::Field },
    { F(1327), W::Field },
    { F(IDC_AUX_ENC_INPUT), W::Inverted },
    { F(IDC_MASTER_ENCODER), W::Inverted },
    { F(IDC_THRESHOLD_VOLTAGE), W::Field },
    { F(IDC_THRESHOLD_BUS), W::Field },
    { F(IDC_HOME_MODE), W::Field },
    { F(IDC_HOME_CURRENT), W::Field },
    { F(IDC_HOME_CURRENT_TIME), W::Field },
    { F(IDC_BRAKE_MODE), W::Field },
    { F(IDC_BRAKE_TYPE), W::Field },
    { F(1348), W::Field },
    { F(1349), W::Field },
    { F(1347), W::Field },
    { F(1350), W::Field },
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
    { F(1060), W::Field },
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
    std::vector<ParamRef> others { { Kind::NumberLock, 1060 } };
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
