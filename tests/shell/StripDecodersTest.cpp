#include "shell/StripDecoders.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <utility>

TEST(TextToInt, ReadsLikeTheDriveRepliesAreWritten)
{
    const std::pair<const char*, int> cases[] = { { "12300", 12300 }, { "  -42\r", -42 }, { "\t+7x", 7 },
        { "0x1F", 0 }, { "", 0 }, { "-", 0 }, { "ERR2", 0 }, { "- 5", 0 } };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(TextToInt(text), value) << text;
}

TEST(TextToInt, SaturatesBeyondTheIntRange)
{
    for (const char* text : { "2147483647", "2147483648", "4294967295", "99999999999999999999999999" })
        EXPECT_EQ(TextToInt(text), INT_MAX) << text;
    for (const char* text : { "-2147483648", "-2147483649", "-99999999999999999999999999" })
        EXPECT_EQ(TextToInt(text), INT_MIN) << text;
    EXPECT_EQ(TextToInt("000000000000000000000012"), 12);
}

TEST(FirmwareVersion, BytesFromTheLowestUp)
{
    EXPECT_EQ(FirmwareVersionText(0x0000300C), "V12.48.0.0");
    EXPECT_EQ(FirmwareVersionText(12300), "V12.48.0.0");
    EXPECT_EQ(FirmwareVersionText(0x04030201), "V1.2.3.4");
    EXPECT_EQ(FirmwareVersionText(0xFFFFFFFF), "V255.255.255.255");
    EXPECT_EQ(FirmwareVersionText(0), "V0.0.0.0");
}

TEST(ModeWord, EveryModeAndSource)
{
    const char* modes[] = { "Velocity", "Position", "Torque", "Other", "Other", "Other", "Other", "Other" };
    for (int m = 0; m < 8; ++m)
        EXPECT_EQ(ModeText(m << 8), modes[m]) << m;
    const char* sources[] = { "Communication", "+/-10V", "PWM", "Pulses/DIR", "Inner wave", "POT", "CU/CD",
        "Quad A/B", "PWM/DIR", "+10V/DIR", "0-10V", "undefined", "undefined", "undefined", "undefined",
        "undefined" };
    for (int s = 0; s < 16; ++s)
        EXPECT_EQ(CommandSourceText(s), sources[s]) << s;

    EXPECT_EQ(ModeText(0x0205), "Torque");
    EXPECT_EQ(CommandSourceText(0x0205), "POT");
    EXPECT_EQ(ModeText(0x000B), "Velocity");
    EXPECT_EQ(CommandSourceText(0x000B), "undefined");
    // Bits outside the two fields change nothing.
    EXPECT_EQ(ModeText(0xF8F0 | 0x100), "Position");
    EXPECT_EQ(CommandSourceText(0xF8F0 | 0x3), "Pulses/DIR");
    EXPECT_EQ(ModeText(-1), "Other");
    EXPECT_EQ(CommandSourceText(-1), "undefined");
}

TEST(StatusWord, EveryBitOfGsi)
{
    const ControlTexts all0 = DecodeStatusWord(0);
    EXPECT_EQ(all0, (ControlTexts { { IDC_HW_ENABLE, "Disable" }, { IDC_DIRECTION, "CCW" },
                        { IDC_HW_BRAKE, "No Brake" }, { IDC_HW_LIMIT, "No Limit" }, { IDC_PHASE, "Init. Failed" } }));

    EXPECT_EQ(DecodeStatusWord(1u << 6).at(IDC_HW_ENABLE), "Enable");
    EXPECT_EQ(DecodeStatusWord(1u << 7).at(IDC_HW_BRAKE), "Braking");
    EXPECT_EQ(DecodeStatusWord(1u << 8).at(IDC_DIRECTION), "CW");
    const char* limits[] = { "No Limit", "CCW Limit", "CW Limit", "CW&CCW Limit" };
    const char* phases[] = { "Init. Failed", "Init. Succeed", "Initializing...", "Init. Not Executed" };
    for (unsigned f = 0; f < 4; ++f) {
        EXPECT_EQ(DecodeStatusWord(f << 9).at(IDC_HW_LIMIT), limits[f]);
        EXPECT_EQ(DecodeStatusWord(f << 11).at(IDC_PHASE), phases[f]);
    }
    // Bits the strip does not show leave every text as for 0.
    EXPECT_EQ(DecodeStatusWord(0xE03F), all0);
    // Each shown bit moves only its own control.
    for (unsigned bit : { 6u, 7u, 8u, 9u, 10u, 11u, 12u }) {
        ControlTexts one = DecodeStatusWord(1u << bit);
        int changed = 0;
        for (const auto& [id, text] : one)
            changed += text != all0.at(id);
        EXPECT_EQ(changed, 1) << "bit " << bit;
    }
}

TEST(StatusWord, GsiTextByCharacter)
{
    EXPECT_EQ(DecodeStatusText("00111126"), (ControlTexts { { IDC_HW_ENABLE, "Enable" }, { IDC_HW_BRAKE, "Braking" },
        { IDC_DIRECTION, "CW" }, { IDC_HW_LIMIT, "CCW Limit" }, { IDC_PHASE, "Initializing..." } }));
    EXPECT_EQ(DecodeStatusText("11000000"), (ControlTexts { { IDC_HW_ENABLE, "Disable" }, { IDC_HW_BRAKE, "No Brake" },
        { IDC_DIRECTION, "CCW" }, { IDC_HW_LIMIT, "No Limit" }, { IDC_PHASE, "Init. Failed" } }));

    EXPECT_EQ(DecodeStatusText("0000023").at(IDC_HW_LIMIT), "CW Limit");
    EXPECT_EQ(DecodeStatusText("0000023").at(IDC_PHASE), "Init. Not Executed");
    EXPECT_EQ(DecodeStatusText("000003x").at(IDC_HW_LIMIT), "CW&CCW Limit");
    EXPECT_EQ(DecodeStatusText("00000x9").at(IDC_HW_LIMIT), "CW&CCW Limit");
    EXPECT_EQ(DecodeStatusText("00000x9").at(IDC_PHASE), "Init. Not Executed");
    EXPECT_EQ(DecodeStatusText("0000001").at(IDC_PHASE), "Init. Succeed");
    // Any character but '0' sets a flag.
    EXPECT_EQ(DecodeStatusText("00x0000").at(IDC_HW_ENABLE), "Enable");
}

TEST(StatusWord, ShortAndEmptyGsiTextsReadMissingCharactersAsZero)
{
    const ControlTexts zeros = DecodeStatusText("0000000");
    EXPECT_EQ(DecodeStatusText(""), zeros);
    EXPECT_EQ(DecodeStatusText("00"), zeros);
    EXPECT_EQ(DecodeStatusText("000000"), zeros);
    ControlTexts t = DecodeStatusText("001");
    EXPECT_EQ(t.at(IDC_HW_ENABLE), "Enable");
    EXPECT_EQ(t.at(IDC_HW_BRAKE), "No Brake");
    EXPECT_EQ(t.at(IDC_PHASE), "Init. Failed");
    EXPECT_EQ(DecodeStatusText("000001").at(IDC_HW_LIMIT), "CCW Limit");
}

TEST(StatusWord, EveryBitOfGsin)
{
    EXPECT_EQ(DecodeStatusWordN(0x2000),
        (ControlTexts { { IDC_ERROR_STATE, "ERR" }, { IDC_HOME, "Home Seeking Invalid" }, { IDC_HW_LIMIT, "No Limit" },
            { IDC_SW_LIMIT, "No Limit" }, { IDC_HW_ENABLE, "Disable" }, { IDC_SW_ENABLE, "Disable" },
            { IDC_HW_BRAKE, "No Brake" }, { IDC_SW_BRAKE, "No Brake" }, { IDC_DIRECTION, "CCW" },
            { IDC_PHASE, "Init. Failed" } }));

    EXPECT_EQ(DecodeStatusWordN(0).at(IDC_ERROR_STATE), "OK");
    EXPECT_EQ(DecodeStatusWordN(1u << 8).at(IDC_HW_ENABLE), "Enable");
    EXPECT_EQ(DecodeStatusWordN(1u << 9).at(IDC_SW_ENABLE), "Enable");
    EXPECT_EQ(DecodeStatusWordN(1u << 10).at(IDC_HW_BRAKE), "Braking");
    EXPECT_EQ(DecodeStatusWordN(1u << 11).at(IDC_SW_BRAKE), "Braking");
    EXPECT_EQ(DecodeStatusWordN(1u << 12).at(IDC_DIRECTION), "CW");
    const char* limits[] = { "No Limit", "CCW Limit", "CW Limit", "CW&CCW Limit" };
    const char* phases[] = { "Init. Failed", "Init. Succeed", "Initializing...", "Init. Not Executed" };
    const char* homes[] = { "Home Seeking Invalid", "Home Seeking", "Home Seeking Succeed", "Home Seeking Failed" };
    for (unsigned f = 0; f < 4; ++f) {
        EXPECT_EQ(DecodeStatusWordN(f << 2).at(IDC_PHASE), phases[f]);
        EXPECT_EQ(DecodeStatusWordN(f << 4).at(IDC_SW_LIMIT), limits[f]);
        EXPECT_EQ(DecodeStatusWordN(f << 6).at(IDC_HW_LIMIT), limits[f]);
        EXPECT_EQ(DecodeStatusWordN(f << 14).at(IDC_HOME), homes[f]);
    }
    // Bits 0, 1 and everything above bit 15 are not shown.
    EXPECT_EQ(DecodeStatusWordN(0xFFFF0003), DecodeStatusWordN(0));
    // Each of bits 2 to 15 moves exactly one control.
    const ControlTexts zero = DecodeStatusWordN(0);
    for (unsigned bit = 2; bit < 16; ++bit) {
        int changed = 0;
        for (const auto& [id, text] : DecodeStatusWordN(1u << bit))
            changed += text != zero.at(id);
        EXPECT_EQ(changed, 1) << "bit " << bit;
    }
}

TEST(AlarmLamps, NumericWordsLightTheirBits)
{
    EXPECT_EQ(LitLamps(0x10, 0x0201, "0000000000"), 0x0201);
    EXPECT_EQ(LitLamps(0x10, 0x0804 >> 2, "1111111111"), 0x0201);
    for (int i = 0; i < LAMP_COUNT; ++i)
        EXPECT_EQ(LitLamps(0x10, 1u << i, ""), 1u << i);
    // Bits above the ten lamps light nothing.
    EXPECT_EQ(LitLamps(0x10, 0xFFFFFC00, ""), 0);
    EXPECT_EQ(LitLamps(0x10, 0xFFFFFFFF, ""), 0x3FF);
}

TEST(AlarmLamps, TextsOfTenCharactersDecideByCharacter)
{
    EXPECT_EQ(LitLamps(0, 0, "0100000001"), 0x0202);
    EXPECT_EQ(LitLamps(0, 0x3FF, "0000000000"), 0);
    EXPECT_EQ(LitLamps(0, 0, "x000000000"), 0x0001);
    // Characters beyond the tenth are not looked at.
    EXPECT_EQ(LitLamps(0, 0, "000000000011111"), 0);
    // A text shorter than ten characters leaves the alarm word in charge.
    EXPECT_EQ(LitLamps(0, 0x0005, "0"), 0x0005);
    EXPECT_EQ(LitLamps(0, 0x0005, "111111111"), 0x0005);
    EXPECT_EQ(LitLamps(0, 0x0005, ""), 0x0005);
}

TEST(AlarmLamps, ColoursPerBlinkPhase)
{
    EXPECT_EQ(LampColour(true, 1), (LampColours { 0xFFFFFF, 0x0000FF }));
    EXPECT_EQ(LampColour(true, 0), (LampColours { 0x0000FF, 0xFAFAFA }));
    EXPECT_EQ(LampColour(false, 0), (LampColours { 0x808080, 0xFAFAFA }));
    EXPECT_EQ(LampColour(false, 1), (LampColours { 0x808080, 0xFAFAFA }));
    // 0x0000FF is red in the 0x00BBGGRR order.
    EXPECT_EQ(ColorFromRef(LAMP_ALARM_TEXT), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromRef(STRIP_BACKGROUND), QColor(250, 250, 250));
}

TEST(AlarmLamps, TableOfCaptions)
{
    EXPECT_STREQ(LAMP_CAPTIONS[0], "Hot Alarm");
    EXPECT_STREQ(LAMP_CAPTIONS[5], "EEPROM");
    EXPECT_STREQ(LAMP_CAPTIONS[9], "Tracking Err.");
    EXPECT_EQ(LAMP_IDS[7], 1222);
    EXPECT_EQ(LAMP_IDS[8], 1224);
}

namespace {
uint32_t Part(int count, int index, char a, char b, char c)
{
    return static_cast<uint32_t>((count << 4) | index) | static_cast<uint32_t>(static_cast<uint8_t>(a)) << 8
        | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(c)) << 24;
}
}

TEST(TypeNameParts, TwoPartsMakeASixCharacterName)
{
    char name[64];
    std::memset(name, 'z', sizeof name);
    TypeNamePart p = AddTypeNamePart(name, Part(2, 1, 'A', 'B', 'C'), 1);
    EXPECT_EQ(p.result, TypeNamePart::Result::AskNext);
    EXPECT_EQ(p.nextPart, 2);
    p = AddTypeNamePart(name, Part(2, 2, 'D', 'E', 'F'), 2);
    EXPECT_EQ(p.result, TypeNamePart::Result::Complete);
    EXPECT_STREQ(name, "ABCDEF");
}

TEST(TypeNameParts, PartsThatFailTheChecksAreIgnored)
{
    char name[64] = "KEEP";
    const TypeNamePart::Result ignored = TypeNamePart::Result::Ignored;
    EXPECT_EQ(AddTypeNamePart(name, Part(2, 2, 'A', 'B', 'C'), 1).result, ignored) << "not the part asked for";
    EXPECT_EQ(AddTypeNamePart(name, Part(0, 0, 'A', 'B', 'C'), 0).result, ignored) << "count 0";
    EXPECT_EQ(AddTypeNamePart(name, Part(0, 1, 'A', 'B', 'C'), 1).result, ignored) << "count 0";
    EXPECT_EQ(AddTypeNamePart(name, Part(2, 0, 'A', 'B', 'C'), 0).result, ignored) << "index 0";
    EXPECT_EQ(AddTypeNamePart(name, Part(2, 3, 'A', 'B', 'C'), 3).result, ignored) << "index past count";
    EXPECT_EQ(AddTypeNamePart(name, Part(1, 1, 'A', '\x1F', 'C'), 1).result, ignored) << "control character";
    EXPECT_EQ(AddTypeNamePart(name, Part(1, 1, 'A', '\x7F', 'C'), 1).result, ignored) << "DEL";
    // Bytes with the top bit set are not printable; read as unsigned they are refused
    // rather than handed to a classifier as negative numbers.
    EXPECT_EQ(AddTypeNamePart(name, Part(1, 1, '\x80', 'B', 'C'), 1).result, ignored);
    EXPECT_EQ(AddTypeNamePart(name, Part(1, 1, 'A', 'B', '\xFF'), 1).result, ignored);
    EXPECT_STREQ(name, "KEEP");
}

TEST(TypeNameParts, NulAndBlankAreAcceptedAndTheLongestNameFits)
{
    char name[64];
    EXPECT_EQ(AddTypeNamePart(name, Part(1, 1, 'A', ' ', '\0'), 1).result, TypeNamePart::Result::Complete);
    EXPECT_STREQ(name, "A ");
    for (int i = 1; i < 15; ++i)
        EXPECT_EQ(AddTypeNamePart(name, Part(15, i, 'x', 'y', 'z'), i).nextPart, i + 1);
    EXPECT_EQ(AddTypeNamePart(name, Part(15, 15, 'x', 'y', 'z'), 15).result, TypeNamePart::Result::Complete);
    EXPECT_EQ(std::strlen(name), 45u);
}

TEST(TypeNameParts, PrintableTestOnEveryByte)
{
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(IsTypeNameByte(static_cast<uint8_t>(b)), b == 0 || (b >= 0x20 && b <= 0x7E)) << b;
}
