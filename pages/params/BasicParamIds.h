#pragma once

#include "pages/params/BasicParamModel.h"

#include <array>

// Control ids of the parameter page (dialog 141), each named once here; the tables, rules and
// handlers refer to them by name. Every control's object name is "idc_<id>".

// Mode && Command
constexpr int IDC_VELOCITY = 1108;
constexpr int IDC_POSITION = 1107;
constexpr int IDC_TORQUE = 1109;
constexpr int IDC_AMPLIFIER = 1290;
constexpr int IDC_COMMAND = 1318;
constexpr int IDC_SOURCE_DIGITAL = 1047;
constexpr int IDC_SOURCE_DIFF_ANALOG = 1048;
constexpr int IDC_SOURCE_PWM = 1049;
constexpr int IDC_SOURCE_STEP_PULSES = 1154;
constexpr int IDC_SOURCE_SINGLE_ANALOG = 1291;
constexpr std::array<int, 5> kCommandSourceRadios { IDC_SOURCE_DIGITAL, IDC_SOURCE_DIFF_ANALOG, IDC_SOURCE_PWM,
    IDC_SOURCE_STEP_PULSES, IDC_SOURCE_SINGLE_ANALOG };

// Feedback
constexpr int IDC_ENCODER = 1030;
constexpr int IDC_WITHOUT_HALL = 1327;
constexpr int IDC_WITH_HALL = 1328;
constexpr int IDC_MASTER_ENCODER = 1333;
constexpr int IDC_AUX_ENCODER = 1334;
constexpr int IDC_AUX_ENC_INPUT = 1335;
constexpr int IDC_AUX_ENC_OUTPUT = 1336;

// Motor Parameters
constexpr int IDC_RATED_SPEED = 1036;
constexpr int IDC_MAX_PEAK_CURRENT = 1051;
constexpr int IDC_MAX_CONT_CURRENT = 1054;
constexpr int IDC_POLE_PAIRS = 1319;
constexpr int IDC_PHASE_CURRENT_NO_HALL = 1320;

// Analog, PWM and Pulses Command, with the prefix labels of the two dead-band edits
constexpr int IDC_ANALOG_DEAD_RANGE = 1042;
constexpr int IDC_PWM_DEAD_RANGE = 1224;
constexpr int IDC_PWM_DEAD_PREFIX = 1330;
constexpr int IDC_ANALOG_DEAD_PREFIX = 1331;
constexpr int IDC_STEP_WIDTH = 1066;
constexpr int IDC_MAX_FREQUENCY = 1322;

// Position Limit
constexpr int IDC_SCALE_LIMIT = 1029;
constexpr int IDC_DIGITAL_INPUT_LIMIT = 1031;
constexpr int IDC_LIMIT_FROM = 1025;
constexpr int IDC_LIMIT_TO = 1026;

// Protection && Alarm
constexpr int IDC_POS_ERROR_RANGE = 1040;
constexpr int IDC_TRACKING_ERROR = 1056;
constexpr int IDC_ALARM_DELAY = 1050;
constexpr int IDC_IIT_TIME_LIMIT = 1324;
constexpr int IDC_IIT_RELEASE_TIME = 1325;
constexpr int IDC_VELOCITY_OUT_OF_CONTROL = 1326;

// Position, Velocity and Torque Loop
constexpr int IDC_P_POSITION = 1236;
constexpr int IDC_I_POSITION = 1111;
constexpr int IDC_D_POSITION = 1110;
constexpr int IDC_F_VELOCITY = 1059;
constexpr int IDC_P_VELOCITY = 1099;
constexpr int IDC_I_VELOCITY = 1102;
constexpr int IDC_D_VELOCITY = 1105;
constexpr int IDC_P_TORQUE = 1292;
constexpr int IDC_I_TORQUE = 1293;
constexpr int IDC_D_TORQUE = 1321;

// Acceleration
constexpr int IDC_ACCELERATION = 1005;
constexpr int IDC_DECELERATE = 1347;
constexpr int IDC_DISABLE_DECEL = 1348;
constexpr int IDC_DISABLE_DECEL_TIME = 1349;
constexpr int IDC_BRAKE_DECEL = 1350;

// Position Direction
constexpr int IDC_CH_A_AHEAD = 1135;
constexpr int IDC_CH_B_AHEAD = 1134;

// Phase Initialization
constexpr int IDC_PHASE_CURRENT = 1053;
constexpr int IDC_PHASE_ACTIVATE = 1329;
constexpr int IDC_PHASE_AUTO = 1145;

// Consumption Brake Parameters: threshold radios in mode order 0, 1, 2
constexpr int IDC_BUS_VOLTAGE = 1338;
constexpr int IDC_THRESHOLD_BUS = 1340;
constexpr int IDC_THRESHOLD_65V = 1339;
constexpr int IDC_THRESHOLD_MANUAL = 1342;
constexpr int IDC_THRESHOLD_VOLTAGE = 1337;

// Drive Address
constexpr int IDC_ACTIVE_NUMBER = 1341;
constexpr int IDC_SOFTWARE_NUMBER = 1060;

// Home
constexpr int IDC_HOME_ON_POWER_ON = 1237;
constexpr int IDC_HOME_MODE = 1344;
constexpr int IDC_HOME_VELOCITY = 1238;
constexpr int IDC_HOME_OFFSET = 1052;
constexpr int IDC_HOME_RANGE = 1239;
constexpr int IDC_HOME_CURRENT = 1240;
constexpr int IDC_HOME_CURRENT_TIME = 1241;

// Brake Parameters
constexpr int IDC_BRAKE_MODE = 1345;
constexpr int IDC_BRAKE_TYPE = 1346;
constexpr int IDC_BRAKE_CLOSE = 1146;
constexpr int IDC_BRAKE_OPEN = 1147;

// Communication
constexpr int IDC_CHANGE_BAUD = 1262;
constexpr int IDC_CAN_BAUD = 1001;
constexpr int IDC_RS232_BAUD = 1265;
constexpr int IDC_USB_BAUD = 1270;
constexpr int IDC_CHANNEL_RS232 = 1263;
constexpr int IDC_CHANNEL_CAN = 1264;

// Action buttons, in the order EnableActionButtons walks them
constexpr int IDC_SETUP = 1140;
constexpr int IDC_SAVE_EEPROM = 1141;
constexpr int IDC_READ = 1155;
constexpr int IDC_RESTORE_DEFAULTS = 1186;
constexpr int IDC_SAVE_FILE = 1191;
constexpr int IDC_LOAD_FILE = 1142;
constexpr std::array<int, 6> kActionButtons { IDC_SETUP, IDC_SAVE_EEPROM, IDC_READ, IDC_RESTORE_DEFAULTS,
    IDC_SAVE_FILE, IDC_LOAD_FILE };

// Function Port: pull (or output type) and level combos of rows Enable, DIR, CW Limit,
// CCW Limit, Fault; CLK has a pull combo only.
constexpr int IDC_ENABLE_PULL = 1299;
constexpr int IDC_ENABLE_LEVEL = 1304;
constexpr int IDC_DIR_PULL = 1300;
constexpr int IDC_DIR_LEVEL = 1305;
constexpr int IDC_CW_PULL = 1301;
constexpr int IDC_CW_LEVEL = 1306;
constexpr int IDC_CCW_PULL = 1302;
constexpr int IDC_CCW_LEVEL = 1307;
constexpr int IDC_FAULT_OUT_TYPE = 1303;
constexpr int IDC_FAULT_LEVEL = 1308;
constexpr int IDC_CLK_PULL = 1323;
constexpr int IDC_HIDDEN_PULL = 1317;

// Common Port, IO1..IO4. Each row's output-type combo shares the place of its pull combo,
// its output-function combo that of its input-function combo.
constexpr std::array<int, kCommonPorts> kIoInputRadios { 1309, 1311, 1313, 1315 };
constexpr std::array<int, kCommonPorts> kIoOutputRadios { 1310, 1312, 1314, 1316 };
constexpr std::array<int, kCommonPorts> kIoPullCombos { 1115, 1116, 1117, 1118 };
constexpr std::array<int, kCommonPorts> kIoOutTypeCombos { 1119, 1120, 1121, 1122 };
constexpr std::array<int, kCommonPorts> kIoLevelCombos { 1123, 1124, 1125, 1126 };
constexpr std::array<int, kCommonPorts> kIoInFuncCombos { 1127, 1128, 1129, 1130 };
constexpr std::array<int, kCommonPorts> kIoOutFuncCombos { 1133, 1136, 1131, 1132 };

// Phase table "相位初始化数据": edits and labels of rows HLA..HLR, and its group box.
constexpr std::array<int, kPhaseRows> kPhaseEdits { 1351, 1055, 1057, 1332, 1343, 1352, 1058, 1064, 1353, 1354,
    1355, 1065, 1067, 1356, 1357, 1358 };
constexpr int IDC_PHASE_LABEL_FIRST = 1359;
constexpr int IDC_PHASE_GROUP = 1375;

// Kept hidden: settings no drive of this family takes, the current-control mode and the
// page's own node search.
constexpr int IDC_RUNAWAY_DELAY = 1038;
constexpr int IDC_OVER_CURRENT_DELAY = 1041;
constexpr int IDC_IXR_GAIN = 1061;
constexpr int IDC_EDIT_1062 = 1062;
constexpr int IDC_EDIT_1063 = 1063;
constexpr int IDC_STALL_TIME = 1298;
constexpr int IDC_CHANGE_NODE_ADDRESS = 1294;
constexpr int IDC_IXR_COMPENSATION = 1295;
constexpr int IDC_CURRENT_LIMIT_MODE = 1296;
constexpr int IDC_OVER_CURRENT_MODE = 1297;
constexpr int IDC_NODE_SEARCH = 1139;
constexpr int IDC_NODE_SET_ALL = 1143;
constexpr int IDC_NODE_STOP = 1144;
constexpr int IDC_NODE_FROM = 1266;
constexpr int IDC_NODE_TO = 1267;
constexpr int IDC_NODE_TREE = 1268;
constexpr int IDC_NODE_STATUS = 1269;
