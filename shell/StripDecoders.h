#pragma once

#include "platform/TextToInt.h"

#include "link/CommandTables.h"
#include "platform/Colorref.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <map>

// Commands whose replies the top strip shows.
constexpr CommandId CMD_GID = 1;
constexpr CommandId CMD_GVER = 2;
constexpr CommandId CMD_GDTY = 3;
constexpr CommandId CMD_GMOD = 43;
constexpr CommandId CMD_ENA = 128;
constexpr CommandId CMD_GT = 209;
constexpr CommandId CMD_GEI = 210;
constexpr CommandId CMD_GSI = 211;
constexpr CommandId CMD_GVEN = 9808;
constexpr CommandId CMD_GDTN = 9809;
constexpr CommandId CMD_GEIN = 9810;
constexpr CommandId CMD_GSIN = 9832;

// Controls of the strip that show decoded values.
constexpr int IDC_TEMPERATURE = 1067;
constexpr int IDC_CONNECT = 1116;
constexpr int IDC_SEND = 1118;
constexpr int IDC_GM = 1136;
constexpr int IDC_SELECT_NODE = 1138;
constexpr int IDC_ENABLE = 1139;
constexpr int IDC_DISABLE = 1140;
constexpr int IDC_REFRESH = 1141;
constexpr int IDC_CONTROLLED = 1144;
constexpr int IDC_GV = 1147;
constexpr int IDC_PO = 1148;
constexpr int IDC_VERSION = 1149;
constexpr int IDC_TYPE = 1150;
constexpr int IDC_GC = 1151;
constexpr int IDC_GSE = 1153;
constexpr int IDC_MODE = 1182;
constexpr int IDC_SOURCE = 1183;
constexpr int IDC_DIRECTION = 1185;
constexpr int IDC_HW_ENABLE = 1223;
constexpr int IDC_PHASE = 1227;
constexpr int IDC_SW_ENABLE = 1228;
constexpr int IDC_HW_BRAKE = 1238;
constexpr int IDC_HW_LIMIT = 1239;
constexpr int IDC_HOME = 1240;
constexpr int IDC_ERROR_STATE = 1241;
constexpr int IDC_SW_BRAKE = 1242;
constexpr int IDC_SW_LIMIT = 1243;
constexpr int IDC_COMMAND_COMBO = 32859;

// The ten alarm lamps: lamp i shows bit i of the alarm word (or character i of the
// alarm text).
constexpr int LAMP_COUNT = 10;
constexpr std::array<int, LAMP_COUNT> LAMP_IDS { 1215, 1216, 1217, 1218, 1219, 1220, 1221, 1222, 1224, 1225 };
extern const std::array<const char*, LAMP_COUNT> LAMP_CAPTIONS;

// The boxes besides the lamps that show what the drive reported: identity, mode and status.
constexpr std::array<int, 15> VALUE_FIELD_IDS { IDC_TYPE, IDC_VERSION, IDC_MODE, IDC_SOURCE, IDC_DIRECTION,
    IDC_PHASE, IDC_HOME, IDC_ERROR_STATE, IDC_HW_ENABLE, IDC_HW_BRAKE, IDC_HW_LIMIT, IDC_SW_ENABLE, IDC_SW_BRAKE,
    IDC_SW_LIMIT, IDC_TEMPERATURE };

// Strip colours.
constexpr COLORREF STRIP_BACKGROUND = RGB(250, 250, 250);
constexpr COLORREF LAMP_IDLE_TEXT = 0x808080;
constexpr COLORREF LAMP_BLINK_TEXT = 0xFFFFFF;
constexpr COLORREF LAMP_ALARM_TEXT = RGB(255, 0, 0);
// A box whose value is not the drive's current one (never read from this drive, or kept from
// before the drive fell silent): grey text on grey, whatever the box shows when current.
constexpr COLORREF NOT_CURRENT_BACKGROUND = RGB(222, 222, 222);
constexpr COLORREF NOT_CURRENT_TEXT = RGB(128, 128, 128);

// The shown text of an unknown drive type or version.
extern const char* const UNKNOWN_TEXT;

// Lamp blink phase, 0 or 1, toggled every second while a drive is connected.
extern std::atomic<int> g_nLampBlinkPhase;
// The drive type name put together from its GDTN parts on a CAN channel (code page 936,
// NUL-terminated). User-interface thread only.
extern char g_szDriveTypeName[64];

// "V%d.%d.%d.%d" of the version's bytes, lowest first: 0x0000300C is "V12.48.0.0".
QString FirmwareVersionText(uint32_t version);

// The mode word: bits 8-10 the operating mode, bits 0-3 the command source.
QString ModeText(int modeWord);
QString CommandSourceText(int modeWord);

// Texts of the two-bit fields of the status words.
QString LimitText(unsigned field);
QString PhaseText(unsigned field);
QString HomeText(unsigned field);

// New texts for the strip's controls, by control id.
using ControlTexts = std::map<int, QString>;

// The 16-bit status word of GSI.
ControlTexts DecodeStatusWord(uint32_t status);
// The text form of GSI, read at character positions 2 to 6; a short text reads its
// missing characters as '0'.
ControlTexts DecodeStatusText(QByteArrayView text);
// The status word of GSIN.
ControlTexts DecodeStatusWordN(uint32_t status);

// Bit i set when lamp i is lit. A non-zero alarm kind (a numeric reply) makes the lamps
// follow the alarm word; otherwise a text of at least ten characters decides, one
// character per lamp ('0' is dark), and a shorter text leaves the word in charge.
uint16_t LitLamps(int alarmKind, uint32_t alarmWord, QByteArrayView alarmText);

struct LampColours {
    COLORREF text;
    COLORREF background;
    bool operator==(const LampColours&) const = default;
};
// A lit lamp is white on red in phase 1 and red on the strip background in phase 0; a
// dark lamp is grey on the background.
LampColours LampColour(bool lit, int blinkPhase);
// A lamp whose alarm state is not current does not blink: red when it was lit, grey when
// dark, on the not-current background.
LampColours NotCurrentLampColour(bool lit);

// One GDTN reply on a CAN channel: byte 0 holds the number of parts (high nibble) and
// this part's number (low nibble), bytes 1 to 3 three characters of the name.
struct TypeNamePart {
    enum class Result { Ignored, AskNext, Complete };
    Result result = Result::Ignored;
    int nextPart = 0; // with AskNext: the part to ask for next
};
// A name byte is printable ASCII or NUL; the test is made on the unsigned byte.
bool IsTypeNameByte(uint8_t byte);
// Checks the part against the part asked for and copies its characters into name; the
// last part terminates the name. A part that fails a check leaves name untouched.
TypeNamePart AddTypeNamePart(char (&name)[64], uint32_t value, int askedPart);
