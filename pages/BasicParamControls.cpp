#include "pages/BasicParamControls.h"

#include "pages/BasicParamIds.h"

#include <algorithm>

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
    { 1047, K::Radio, "数字指令", {}, S::Hidden },
    { 1048, K::Radio, "差分模拟电压", {}, S::Hidden },
    { 1049, K::Radio, "外部PWM信号", {}, S::Hidden },
    { 1154, K::Radio, "步进脉冲", {}, S::Hidden },
    { 1291, K::Radio, "单端模拟电压", {}, S::Hidden },
    // Feedback
    { IDC_ENCODER, K::Edit, nullptr },
    { 1327, K::Radio, "Without Hall Sensor" },
    { 1328, K::Radio, "With Hall Sensor" },
    { IDC_MASTER_ENCODER, K::Radio, "Use Master Encoder" },
    { IDC_AUX_ENCODER, K::Radio, "Use Auxiliary Encoder" },
    { IDC_AUX_ENC_INPUT, K::Radio, "Auxiliary Enc. Input" },
    { IDC_AUX_ENC_OUTPUT, K::Radio, "Auxiliary Enc. Output" },
    // Motor Parameters
    { 1036, K::Edit, nullptr },
    { 1051, K::Edit, nullptr },
    { 1054, K::Edit, nullptr },
    { 1319, K::Edit, nullptr },
    { 1320, K::Edit, nullptr },
    // Analog, PWM and Pulses Command
    { IDC_ANALOG_DEAD_PREFIX, K::Label, "0+/-" },
    { 1042, K::Edit, nullptr },
    { IDC_PWM_DEAD_PREFIX, K::Label, "50%+/-" },
    { 1224, K::Edit, nullptr },
    { 1066, K::Edit, nullptr },
    { 1322, K::Edit, nullptr },
    // Position Limit
    { IDC_DIGITAL_INPUT_LIMIT, K::Check, "Digital Input Limit" },
    { IDC_SCALE_LIMIT, K::Check, "Scale Limit" },
    { 1025, K::Edit, nullptr },
    { 1026, K::Edit, nullptr },
    // Protection && Alarm
    { 1040, K::Edit, nullptr },
    { 1056, K::Edit, nullptr },
    { 1050, K::Edit, nullptr },
    { 1324, K::Edit, nullptr },
    { 1325, K::Edit, nullptr },
    { 1326, K::Check, "Velocity out of Control" },
    // Position, Velocity and Torque Loop
    { 1236, K::Edit, nullptr },
    { 1111, K::Edit, nullptr },
    { 1110, K::Edit, nullptr },
    { 1059, K::Edit, nullptr },
    { 1099, K::Edit, nullptr },
    { 1102, K::Edit, nullptr },
    { 1105, K::Edit, nullptr },
    { 1292, K::Edit, nullptr },
    { 1293, K::Edit, nullptr },
    { 1321, K::Edit, nullptr },
    // Acceleration
    { 1005, K::Edit, nullptr },
    { 1347, K::Edit, nullptr },
    { 1348, K::Edit, nullptr },
    { 1349, K::Edit, nullptr },
    { 1350, K::Edit, nullptr },
    // Position Direction
    { 1135, K::Radio, "Encoder CH.A ahead CH.B" },
    { 1134, K::Radio, "Encoder CH.B ahead CH.A" },
    // Phase Initialization
    { IDC_PHASE_CURRENT, K::Edit, nullptr },
    { IDC_PHASE_ACTIVATE, K::Check, "Activate" },
    { IDC_PHASE_AUTO, K::Button, "Auto", {}, S::Disabled },
    // Consumption Brake Parameters
    { 1338, K::ReadOnlyEdit, nullptr },
    { IDC_THRESHOLD_BUS, K::Radio, "1.2 Times of Bus Voltage" },
    { IDC_THRESHOLD_65V, K::Radio, "65V" },
    { IDC_THRESHOLD_MANUAL, K::Radio, "Manual Input" },
    { IDC_THRESHOLD_VOLTAGE, K::Edit, nullptr },
    // Drive Address
    { 1341, K::ReadOnlyEdit, nullptr },
    { 1060, K::Edit, nullptr },
    // Home
    { 1237, K::Check, "Home when Power on" },
    { IDC_HOME_MODE, K::Combo, nullptr, kHomeModeItems },
    { 1238, K::Edit, nullptr },
    { IDC_HOME_OFFSET, K::Edit, nullptr },
    { IDC_HOME_RANGE, K::Edit, nullptr },
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
    { 1263, K::Radio, "RS232", {}, S::Hidden },
    { 1264, K::Radio, "CAN", {}, S::Hidden },
    // Function Port: Enable, DIR, CW Limit, CCW Limit, Fault, CLK
    { 1299, K::Combo, nullptr, kPullItems },
    { 1304, K::Combo, nullptr, kLevelItems },
    { 1300, K::Combo, nullptr, kPullItems },
    { 1305, K::Combo, nullptr, kLevelItems },
    { 1301, K::Combo, nullptr, kPullItems },
    { 1306, K::Combo, nullptr, kLevelItems },
    { 1302, K::Combo, nullptr, kPullItems },
    { 1307, K::Combo, nullptr, kLevelItems },
    { 1303, K::Combo, nullptr, kOutTypeItems },
    { 1308, K::Combo, nullptr, kLevelItems },
    { IDC_CLK_PULL, K::Combo, nullptr, kPullItems },
    // Common Port, IO1..IO4
    { 1309, K::Radio, "Input" },
    { 1310, K::Radio, "Output" },
    { 1311, K::Radio, "Input" },
    { 1312, K::Radio, "Output" },
    { 1313, K::Radio, "Input" },
    { 1314, K::Radio, "Output" },
    { 1315, K::Radio, "Input" },
    { 1316, K::Radio, "Output" },
    { 1115, K::Combo, nullptr, kPullItems },
    { 1116, K::Combo, nullptr, kPullItems },
    { 1117, K::Combo, nullptr, kPullItems },
    { 1118, K::Combo, nullptr, kPullItems },
    { 1119, K::Combo, nullptr, kOutTypeItems, S::Invisible },
    { 1120, K::Combo, nullptr, kOutTypeItems, S::Invisible },
    { 1121, K::Combo, nullptr, kOutTypeItems, S::Invisible },
    { 1122, K::Combo, nullptr, kOutTypeItems, S::Invisible },
    { 1123, K::Combo, nullptr, kLevelItems },
    { 1124, K::Combo, nullptr, kLevelItems },
    { 1125, K::Combo, nullptr, kLevelItems },
    { 1126, K::Combo, nullptr, kLevelItems },
    { 1127, K::Combo, nullptr, kInFuncItems },
    { 1128, K::Combo, nullptr, kInFuncItems },
    { 1129, K::Combo, nullptr, kInFuncItems },
    { 1130, K::Combo, nullptr, kInFuncItems },
    { 1133, K::Combo, nullptr, kOutFuncNoneItems, S::Invisible },
    { 1136, K::Combo, nullptr, kOutFuncNoneItems, S::Invisible },
    { 1131, K::Combo, nullptr, kOutFuncIo3Items, S::Invisible },
    { 1132, K::Combo, nullptr, kOutFuncIo4Items, S::Invisible },
    // Phase table "相位初始化数据"
    { 1359, K::Label, "HLA" },
    { 1360, K::Label, "HLB" },
    { 1361, K::Label, "HLC" },
    { 1362, K::Label, "HLD" },
    { 1363, K::Label, "HLE" },
    { 1364, K::Label, "HLF" },
    { 1365, K::Label, "HLG" },
    { 1366, K::Label, "HLH" },
    { 1367, K::Label, "HLI" },
    { 1368, K::Label, "HLJ" },
    { 1369, K::Label, "HLK" },
    { 1370, K::Label, "HLL" },
    { 1371, K::Label, "HLM" },
    { 1372, K::Label, "HLN" },
    { 1373, K::Label, "HLO" },
    { 1374, K::Label, "HLR" },
    { 1351, K::Edit, nullptr },
    { 1055, K::Edit, nullptr },
    { 1057, K::Edit, nullptr },
    { 1332, K::Edit, nullptr },
    { 1343, K::Edit, nullptr },
    { 1352, K::Edit, nullptr },
    { 1058, K::Edit, nullptr },
    { 1064, K::Edit, nullptr },
    { 1353, K::Edit, nullptr },
    { 1354, K::Edit, nullptr },
    { 1355, K::Edit, nullptr },
    { 1065, K::Edit, nullptr },
    { 1067, K::Edit, nullptr },
    { 1356, K::Edit, nullptr },
    { 1357, K::Edit, nullptr },
    { 1358, K::Edit, nullptr },
    // Kept hidden: settings no drive of this family takes, the channel choice, the
    // current-control mode and the page's own node search.
    { 1038, K::Edit, nullptr, {}, S::Hidden },
    { 1041, K::Edit, nullptr, {}, S::Hidden },
    { 1061, K::Edit, nullptr, {}, S::Hidden },
    { 1062, K::Edit, nullptr, {}, S::Hidden },
    { 1063, K::Edit, nullptr, {}, S::Hidden },
    { 1298, K::Edit, nullptr, {}, S::Hidden },
    { 1294, K::Check, "更改节点地址", {}, S::Hidden },
    { 1295, K::Check, "IxR补偿", {}, S::Hidden },
    { 1296, K::Radio, "限流模式", {}, S::Hidden },
    { 1297, K::Radio, "过流保护模式", {}, S::Hidden },
    { IDC_HIDDEN_PULL, K::Combo, nullptr, kPullItems, S::Hidden },
    { 1139, K::Button, "Search", {}, S::Hidden },
    { 1143, K::Button, "Set All", {}, S::Hidden },
    { 1144, K::Button, "Stop", {}, S::Hidden },
    { 1266, K::Edit, nullptr, {}, S::Hidden },
    { 1267, K::Edit, nullptr, {}, S::Hidden },
    { IDC_NODE_TREE, K::Tree, nullptr, {}, S::Hidden },
    { 1269, K::ReadOnlyEdit, nullptr, {}, S::Hidden },
};

} // namespace

std::span<const ControlSpec> BasicParamControls()
{
    return kControls;
}

const ControlSpec* FindControlSpec(int id)
{
    const auto it = std::find_if(std::begin(kControls), std::end(kControls), [id](const ControlSpec& c) { return c.id == id; });
    return it == std::end(kControls) ? nullptr : &*it;
}
