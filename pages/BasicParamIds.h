#pragma once

#include "pages/BasicParamModel.h"

#include <array>

// Control ids of the parameter page (dialog 141) that its rules and handlers name. Every
// control's object name is "idc_<id>".

// Mode && Command
constexpr int IDC_VELOCITY = 1108;
constexpr int IDC_POSITION = 1107;
constexpr int IDC_TORQUE = 1109;
constexpr int IDC_AMPLIFIER = 1290;
constexpr int IDC_COMMAND = 1318;
constexpr std::array<int, 5> kCommandSourceRadios { 1047, 1048, 1049, 1154, 1291 };

// Feedback
constexpr int IDC_ENCODER = 1030;
constexpr int IDC_MASTER_ENCODER = 1333;
constexpr int IDC_AUX_ENCODER = 1334;
constexpr int IDC_AUX_ENC_INPUT = 1335;
constexpr int IDC_AUX_ENC_OUTPUT = 1336;

// Prefix labels of the two dead-band edits
constexpr int IDC_PWM_DEAD_PREFIX = 1330;
constexpr int IDC_ANALOG_DEAD_PREFIX = 1331;

// Position Limit
constexpr int IDC_SCALE_LIMIT = 1029;
constexpr int IDC_DIGITAL_INPUT_LIMIT = 1031;

// Phase Initialization
constexpr int IDC_PHASE_CURRENT = 1053;
constexpr int IDC_PHASE_ACTIVATE = 1329;
constexpr int IDC_PHASE_AUTO = 1145;

// Consumption Brake Parameters: threshold radios in mode order 0, 1, 2
constexpr int IDC_THRESHOLD_BUS = 1340;
constexpr int IDC_THRESHOLD_65V = 1339;
constexpr int IDC_THRESHOLD_MANUAL = 1342;
constexpr int IDC_THRESHOLD_VOLTAGE = 1337;

// Home
constexpr int IDC_HOME_MODE = 1344;
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

// The page's own node search, kept hidden.
constexpr int IDC_NODE_TREE = 1268;
