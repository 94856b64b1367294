#include "shell/StripDecoders.h"

#include <climits>
#include <cstring>

const std::array<const char*, LAMP_COUNT> LAMP_CAPTIONS { "Hot Alarm", "Over Hot", "Over Current", "Under Vol.",
    "Over Vol.", "EEPROM", "V_lose Ctrl.", "P_lose Ctrl.", "Overload", "Tracking Err." };

const char* const UNKNOWN_TEXT = "Unknow";

std::atomic<int> g_nLampBlinkPhase { 0 };
char g_szDriveTypeName[64] = {};

namespace {
const char* const LIMIT_TEXTS[] = { "No Limit", "CCW Limit", "CW Limit", "CW&CCW Limit" };
const char* const PHASE_TEXTS[] = { "Init. Failed", "Init. Succeed", "Initializing...", "Init. Not Executed" };
const char* const HOME_TEXTS[] = { "Home Seeking Invalid", "Home Seeking", "Home Seeking Succeed",
    "Home Seeking Failed" };

QString EnableText(bool set) { return QString::fromLatin1(set ? "Enable" : "Disable"); }
QString BrakeText(bool set) { return QString::fromLatin1(set ? "Braking" : "No Brake"); }
QString DirectionText(bool set) { return QString::fromLatin1(set ? "CW" : "CCW"); }


// Character i of a status text; characters past its end count as '0'.
char StatusChar(QByteArrayView text, qsizetype i)
{
    return i < text.size() ? text[i] : '0';
}
}

QString FirmwareVersionText(uint32_t version)
{
    return QStringLiteral("V%1.%2.%3.%4")
        .arg(version & 0xFF)
        .arg((version >> 8) & 0xFF)
        .arg((version >> 16) & 0xFF)
        .arg((version >> 24) & 0xFF);
}

QString ModeText(int modeWord)
{
    static const char* const texts[] = { "Velocity", "Position", "Torque" };
    const unsigned mode = (static_cast<unsigned>(modeWord) >> 8) & 7;
    return QString::fromLatin1(mode < 3 ? texts[mode] : "Other");
}

QString CommandSourceText(int modeWord)
{
    static const char* const texts[] = { "Communication", "+/-10V", "PWM", "Pulses/DIR", "Inner wave", "POT",
        "CU/CD", "Quad A/B", "PWM/DIR", "+10V/DIR", "0-10V" };
    const unsigned source = static_cast<unsigned>(modeWord) & 15;
    return QString::fromLatin1(source < std::size(texts) ? texts[source] : "undefined");
}

QString LimitText(unsigned field) { return QString::fromLatin1(LIMIT_TEXTS[field & 3]); }
QString PhaseText(unsigned field) { return QString::fromLatin1(PHASE_TEXTS[field & 3]); }
QString HomeText(unsigned field) { return QString::fromLatin1(HOME_TEXTS[field & 3]); }

ControlTexts DecodeStatusWord(uint32_t s)
{
    return {
        { IDC_HW_ENABLE, EnableText(s & (1u << 6)) },
        { IDC_DIRECTION, DirectionText(s & (1u << 8)) },
        { IDC_HW_BRAKE, BrakeText(s & (1u << 7)) },
        { IDC_HW_LIMIT, LimitText(s >> 9) },
        { IDC_PHASE, PhaseText(s >> 11) },
    };
}

ControlTexts DecodeStatusText(QByteArrayView text)
{
    const char limit = StatusChar(text, 5);
    const char phase = StatusChar(text, 6);
    return {
        { IDC_HW_ENABLE, EnableText(StatusChar(text, 2) != '0') },
        { IDC_DIRECTION, DirectionText(StatusChar(text, 4) != '0') },
        { IDC_HW_BRAKE, BrakeText(StatusChar(text, 3) != '0') },
        { IDC_HW_LIMIT, limit >= '0' && limit <= '2' ? LimitText(limit - '0') : LimitText(3) },
        { IDC_PHASE, phase >= '0' && phase <= '3' ? PhaseText(phase - '0') : PhaseText(3) },
    };
}

ControlTexts DecodeStatusWordN(uint32_t v)
{
    return {
        { IDC_PHASE, PhaseText(v >> 2) },
        { IDC_SW_LIMIT, LimitText(v >> 4) },
        { IDC_HW_LIMIT, LimitText(v >> 6) },
        { IDC_HW_ENABLE, EnableText(v & (1u << 8)) },
        { IDC_SW_ENABLE, EnableText(v & (1u << 9)) },
        { IDC_HW_BRAKE, BrakeText(v & (1u << 10)) },
        { IDC_SW_BRAKE, BrakeText(v & (1u << 11)) },
        { IDC_DIRECTION, DirectionText(v & (1u << 12)) },
        { IDC_ERROR_STATE, QString::fromLatin1(v & (1u << 13) ? "ERR" : "OK") },
        { IDC_HOME, HomeText(v >> 14) },
    };
}

uint16_t LitLamps(int alarmKind, uint32_t alarmWord, QByteArrayView alarmText)
{
    uint16_t lit = 0;
    for (int i = 0; i < LAMP_COUNT; ++i) {
        bool on;
        if (alarmKind == 0 && alarmText.size() >= LAMP_COUNT)
            on = alarmText[i] != '0';
        else
            on = alarmWord & (1u << i);
        if (on)
            lit |= static_cast<uint16_t>(1u << i);
    }
    return lit;
}

LampColours LampColour(bool lit, int blinkPhase)
{
    if (!lit)
        return { LAMP_IDLE_TEXT, STRIP_BACKGROUND };
    if (blinkPhase == 1)
        return { LAMP_BLINK_TEXT, LAMP_ALARM_TEXT };
    return { LAMP_ALARM_TEXT, STRIP_BACKGROUND };
}

LampColours NotCurrentLampColour(bool lit)
{
    return { lit ? LAMP_ALARM_TEXT : NOT_CURRENT_TEXT, NOT_CURRENT_BACKGROUND };
}

bool IsTypeNameByte(uint8_t byte)
{
    return byte == 0 || (byte >= 0x20 && byte <= 0x7E);
}

TypeNamePart AddTypeNamePart(char (&name)[64], uint32_t value, int askedPart)
{
    const int count = (value >> 4) & 15;
    const int index = value & 15;
    const uint8_t chars[3] = { static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
        static_cast<uint8_t>(value >> 24) };
    if (count < 1 || index < 1 || index > count || index != askedPart)
        return {};
    for (uint8_t c : chars)
        if (!IsTypeNameByte(c))
            return {};
    std::memcpy(name + 3 * (index - 1), chars, sizeof chars);
    if (index < count)
        return { TypeNamePart::Result::AskNext, index + 1 };
    name[3 * count] = '\0';
    return { TypeNamePart::Result::Complete, 0 };
}
