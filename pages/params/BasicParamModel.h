#pragma once

#include <QString>

#include <array>
#include <cstdint>

// Ports of the "Common Port" group and rows of the phase table.
constexpr int kCommonPorts = 4;
constexpr int kPhaseRows = 16;
// Text copies of the settings: one per key 1..25 of a parameter file, and one for the
// stored block's unused word.
constexpr int kSettingTexts = 26;

// Everything the parameter page holds, as plain values with the values a new page starts
// with. Check boxes hold 0 or 1; radio groups the index of the checked button (0 for the
// first, -1 for none); combos (m_cb...) the selected item (-1 for none).
//
// The settings fields move between the model and the controls by the page's data exchange;
// the combo selections, the Input/Output state of the common ports and the phase-table
// texts live in their controls and are copied in when the page takes a snapshot.
struct BasicParamModel {
    // Mode && Command
    int m_nRunMode = 0; // 0 velocity, 1 position, 2 torque, 3 amplifier (never shown)
    int m_cbCommand = 0;
    int m_nCommandSource = 0; // hidden radios 1047..1291

    // Feedback
    int m_nEncoderCounts = 4;
    int m_nHallSensor = 0;
    int m_nEncoderSelect = 0; // 0 master, 1 auxiliary
    int m_nAuxEncoderDir = 0; // 0 input, 1 output

    // Motor Parameters
    int m_nRatedSpeed = 0;
    float m_fMaxPeakCurrent = 0;
    float m_fMaxContCurrent = 0;
    int m_nPolePairs = 0;
    int m_nPhaseCurrentNoHall = 0;

    // Analog, PWM and Pulses Command
    float m_fAnalogDeadRange = 0;
    int m_nPwmDeadRange = 0;
    int m_nStepWidth = 1;
    int m_nMaxFrequency = 0;

    // Position Limit
    int m_bDigitalInputLimit = 0;
    int m_bScaleLimit = 0;
    int m_nPosLimitLow = -2100000000;
    int m_nPosLimitHigh = 2100000000;

    // Protection && Alarm
    int m_nPosErrorRange = 0;
    int m_nTrackingError = 1;
    int m_nAlarmDelay = 1;
    int m_nIitTimeLimit = 0;
    int m_nIitReleaseTime = 0;
    int m_bVelocityOutOfControl = 0;

    // Position, Velocity and Torque Loop
    int m_nPosP = 0;
    int m_nPosI = 0;
    uint32_t m_uPosD = 0;
    int m_nVelFeedForward = 0;
    int m_nVelP = 0;
    int m_nVelI = 1;
    int m_nVelD = 0;
    uint32_t m_uTorqueP = 0;
    uint32_t m_uTorqueI = 0;
    int m_nTorqueD = 0;

    // Acceleration
    int m_nAcceleration = 1;
    int m_nDeceleration = 0;
    int m_nDisableDecel = 0;
    int m_nDisableDecelTime = 0;
    int m_nBrakeDecel = 0;

    int m_nPositionDirection = 0;

    // Phase Initialization
    int m_nPhaseInitCurrent = 3000;
    int m_bPhaseInitActivate = 0;

    // Consumption Brake Parameters
    int m_nBusVoltage = 0;
    int m_nThresholdMode = 1; // 0 1.2 x bus voltage, 1 65 V, 2 (and any other) manual
    int m_nThresholdVoltage = 0;

    // Drive Address
    int m_nActiveAddress = 0;
    float m_fDriveAddress = 2.0f;

    // Home
    int m_bHomeOnPowerOn = 0;
    int m_cbHomeMode = 0;
    int m_nHomeVelocity = 0;
    int m_nHomeOffset = 0;
    int m_nHomeRange = 0;
    int m_nHomeCurrent = 0;
    int m_nHomeCurrentTime = 0;

    // Brake Parameters
    int m_cbBrakeMode = 0;
    int m_cbBrakeType = 0;
    int m_bBrakeOpen = 1;

    // Communication
    int m_bChangeBaud = 0;
    int m_cbCanBaud = 5; // "500"
    int m_cbRs232Baud = 0;
    int m_cbUsbBaud = 0;

    // Function Port
    int m_cbEnaPull = 0;
    int m_cbEnaLevel = 0;
    int m_cbDirPull = 0;
    int m_cbDirLevel = 0;
    int m_cbCwPull = 0;
    int m_cbCwLevel = 0;
    int m_cbCcwPull = 0;
    int m_cbCcwLevel = 0;
    int m_cbFaultOutType = 0;
    int m_cbFaultLevel = 0;
    int m_cbClkPull = 0;

    // Common Port, IO1..IO4
    std::array<int, kCommonPorts> m_cbIoPull {};
    std::array<int, kCommonPorts> m_cbIoOutType {};
    std::array<int, kCommonPorts> m_cbIoLevel {};
    std::array<int, kCommonPorts> m_cbIoInFunc {};
    std::array<int, kCommonPorts> m_cbIoOutFunc {};
    std::array<int, kCommonPorts> ioOutput {}; // 1 when the row's "Output" radio is checked

    // Phase table texts, rows HLA..HLR in table order (see kPhaseEdits).
    std::array<QString, kPhaseRows> phaseTexts;

    // Controls the page keeps hidden; their values still travel with the data exchange and
    // the parameter files.
    int m_nRunawayDelay = 1;      // 1038
    int m_nOverCurrentDelay = 1;  // 1041
    int m_nIxrGain = 0;           // 1061
    int m_nEdit1062 = 0;          // 1062
    int m_nEdit1063 = 0;          // 1063
    int m_nStallTime = 0;         // 1298
    int m_nCommChannel = 1;       // radios 1263 "RS232" / 1264 "CAN"
    int m_bChangeNodeAddress = 0; // 1294
    int m_bIxrCompensation = 0;   // 1295
    int m_nCurrentControl = 1;    // radios 1296 "限流模式" / 1297 "过流保护模式"

    // Node range of the page's own node search.
    int m_nNodeFrom = 2;
    int m_nNodeTo = 127;

    // Text copies of the settings for the parameter files and the stored block, and the
    // motor-type text; all empty until those fill them.
    std::array<QString, kSettingTexts> m_strSettingTexts;
    QString m_strMotorType;
};
