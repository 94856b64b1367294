#include "shell/DriveReplyDecoder.h"
#include "shell/Globals.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
using Picture = StripUpdate::Picture;

DriveReply Numeric(CommandId id, uint32_t value)
{
    return DriveReply::FromMessage(value, MAKELPARAM(static_cast<uint16_t>(id), 0x10), {});
}

DriveReply Text(CommandId id, const QByteArray& text)
{
    return DriveReply::FromMessage(1, MAKELPARAM(static_cast<uint16_t>(id), 0), text);
}

DriveReply NoText(CommandId id)
{
    return DriveReply::FromMessage(0, MAKELPARAM(static_cast<uint16_t>(id), 0), {});
}

class DriveReplyDecoderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nFirmwareVersion = -1;
        std::memset(g_szDriveTypeName, 0, sizeof g_szDriveTypeName);
    }

    StripUpdate Decode(const DriveReply& reply, bool serial = true, int asked = 0)
    {
        return decoder.Decode(reply, serial, asked);
    }

    // Type 5 is "TRQX6215"; names of type 7 cannot be read.
    DriveReplyDecoder decoder {
        [](int type, QString& name) {
            if (type == 7) {
                name = "Unknow";
                return false;
            }
            name = type == 5 ? "TRQX6215" : "";
            return true;
        },
        [](uint32_t id, QString& name) {
            if (id < 1000000000u || id >= 2300000000u)
                return false;
            name = (id / 10000) % 100 == 5 ? "TRQX6215" : "";
            return true;
        },
    };
};
}

TEST_F(DriveReplyDecoderTest, StartsWithTheInitialTexts)
{
    EXPECT_EQ(decoder.TypeText(), "Unknow");
    EXPECT_EQ(decoder.VersionText(), "Unknow");
    EXPECT_EQ(decoder.StatusText(), "00010100");
    EXPECT_EQ(decoder.AlarmText(), "0000000000");
    EXPECT_EQ(decoder.AlarmWord(), 0u);
    EXPECT_EQ(decoder.AlarmKind(), 0);
    EXPECT_EQ(decoder.EnableState(), 1);
    EXPECT_EQ(decoder.LitLamps(), 0);
}

TEST_F(DriveReplyDecoderTest, MessageFormsAreReadFromWParamAndLParam)
{
    DriveReply r = DriveReply::FromMessage(0x300C, MAKELPARAM(9808, 0x10), {});
    EXPECT_EQ(r.id, 9808);
    EXPECT_TRUE(r.IsNumeric());
    EXPECT_EQ(r.Word(), 0x300Cu);
    r = DriveReply::FromMessage(1, 211, QByteArray("0011\0garbage", 12));
    EXPECT_FALSE(r.IsNumeric());
    EXPECT_TRUE(r.HasText());
    EXPECT_EQ(r.text, "0011") << "a text ends at its first NUL";
    // A value that came through a sign-extended int keeps its low 32 bits.
    r = DriveReply::FromMessage(static_cast<WPARAM>(static_cast<intptr_t>(-3)), MAKELPARAM(209, 0x10), {});
    EXPECT_EQ(r.Word(), 0xFFFFFFFDu);
}

TEST_F(DriveReplyDecoderTest, VersionNumericAndText)
{
    StripUpdate u = Decode(Numeric(CMD_GVER, 0x0000300C));
    EXPECT_EQ(u.texts.at(IDC_VERSION), "V12.48.0.0");
    EXPECT_EQ(u.picture, Picture::Connected);
    EXPECT_EQ(g_nFirmwareVersion, 0x300C);

    u = Decode(Text(CMD_GVER, "QX-2.01"));
    EXPECT_EQ(u.texts.at(IDC_VERSION), "QX-2.01");
    EXPECT_EQ(u.picture, Picture::Connected);
    EXPECT_EQ(g_nFirmwareVersion, 0x300C) << "a version text leaves the firmware number alone";

    u = Decode(Text(CMD_GVEN, "12300"));
    EXPECT_EQ(u.texts.at(IDC_VERSION), "V12.48.0.0");
    EXPECT_EQ(g_nFirmwareVersion, 12300);

    u = Decode(Numeric(CMD_GVEN, 0x01020304));
    EXPECT_EQ(u.texts.at(IDC_VERSION), "V4.3.2.1");
    EXPECT_EQ(g_nFirmwareVersion, 0x01020304);
    EXPECT_EQ(decoder.VersionText(), "V4.3.2.1");

    for (CommandId id : { CMD_GVER, CMD_GVEN }) {
        g_nFirmwareVersion = 5;
        u = Decode(NoText(id));
        EXPECT_EQ(u.texts.at(IDC_VERSION), "Unknow");
        EXPECT_EQ(u.picture, Picture::Broken);
        EXPECT_EQ(g_nFirmwareVersion, 0);
    }
}

TEST_F(DriveReplyDecoderTest, BadVersionTextsSaturateOrGiveZero)
{
    StripUpdate u = Decode(Text(CMD_GVEN, "99999999999"));
    EXPECT_EQ(g_nFirmwareVersion, INT_MAX);
    EXPECT_EQ(u.texts.at(IDC_VERSION), "V255.255.255.127");
    u = Decode(Text(CMD_GVEN, "ERR2"));
    EXPECT_EQ(g_nFirmwareVersion, 0);
    EXPECT_EQ(u.texts.at(IDC_VERSION), "V0.0.0.0");
    EXPECT_EQ(u.picture, Picture::Connected);
}

TEST_F(DriveReplyDecoderTest, TypeFromIdentityNumberTypeNumberAndText)
{
    StripUpdate u = Decode(Numeric(CMD_GID, 1203051234));
    EXPECT_EQ(u.texts.at(IDC_TYPE), "TRQX6215");
    EXPECT_EQ(u.picture, Picture::Connected);

    u = Decode(Numeric(CMD_GID, 999999999));
    EXPECT_EQ(u.texts.at(IDC_TYPE), "Unknow");
    EXPECT_EQ(u.picture, Picture::Broken);
    EXPECT_EQ(decoder.TypeText(), "Unknow");

    u = Decode(Numeric(CMD_GDTY, 5));
    EXPECT_EQ(u.texts.at(IDC_TYPE), "TRQX6215");
    EXPECT_EQ(u.picture, Picture::Connected);

    u = Decode(Numeric(CMD_GDTY, 6));
    EXPECT_EQ(u.texts.at(IDC_TYPE), "") << "a type missing from the name file is shown empty";
    EXPECT_EQ(u.picture, Picture::Connected);

    u = Decode(Numeric(CMD_GDTY, 7));
    EXPECT_EQ(u.texts.at(IDC_TYPE), "Unknow");
    EXPECT_EQ(u.picture, Picture::Broken);

    for (CommandId id : { CMD_GID, CMD_GDTY }) {
        u = Decode(Text(id, "QX6215"));
        EXPECT_EQ(u.texts.at(IDC_TYPE), "QX6215");
        EXPECT_EQ(u.picture, Picture::Connected);
        u = Decode(NoText(id));
        EXPECT_EQ(u.texts.at(IDC_TYPE), "Unknow");
        EXPECT_EQ(u.picture, Picture::Broken);
    }
}

TEST_F(DriveReplyDecoderTest, TypeNameTextOnSerialIsCodePage936)
{
    StripUpdate u = Decode(Text(CMD_GDTN, "\xC7\xFD\xB6\xAF" "6215"), true);
    EXPECT_EQ(u.texts.at(IDC_TYPE), QString::fromUtf8("驱动6215"));
    EXPECT_EQ(u.picture, Picture::Connected);
    u = Decode(NoText(CMD_GDTN), true);
    EXPECT_EQ(u.texts.at(IDC_TYPE), "Unknow");
    EXPECT_EQ(u.picture, Picture::Broken);
}

TEST_F(DriveReplyDecoderTest, TypeNamePartsOnCan)
{
    StripUpdate u = Decode(Numeric(CMD_GDTN, 0x43424121), false, 1);
    EXPECT_EQ(u.askTypeNamePart, 2);
    EXPECT_TRUE(u.texts.empty());
    EXPECT_EQ(u.picture, Picture::Unchanged);

    // A repeat of part 1 while part 2 is asked for is dropped.
    u = Decode(Numeric(CMD_GDTN, 0x58585821), false, 2);
    EXPECT_EQ(u.askTypeNamePart, 0);
    EXPECT_TRUE(u.texts.empty());

    u = Decode(Numeric(CMD_GDTN, 0x46454422), false, 2);
    EXPECT_EQ(u.askTypeNamePart, 0);
    EXPECT_EQ(u.texts.at(IDC_TYPE), "ABCDEF");
    EXPECT_EQ(u.picture, Picture::Connected);
    EXPECT_STREQ(g_szDriveTypeName, "ABCDEF");

    // The high word does not matter for GDTN: the channel decides.
    u = Decode(DriveReply::FromMessage(0x46454411, MAKELPARAM(CMD_GDTN, 0), {}), false, 1);
    EXPECT_EQ(u.texts.at(IDC_TYPE), "DEF");
    u = Decode(Numeric(CMD_GDTN, 0x46454411), true, 1);
    EXPECT_EQ(u.texts.at(IDC_TYPE), "") << "on serial a GDTN is a text";

    u = Decode(Numeric(CMD_GDTN, 0x46454401), false, 1);
    EXPECT_TRUE(u.texts.empty()) << "count 0";
    EXPECT_EQ(decoder.TypeText(), "");
}

TEST_F(DriveReplyDecoderTest, ModeWordNumericTextAndMissing)
{
    StripUpdate u = Decode(Numeric(CMD_GMOD, 0x0205));
    EXPECT_EQ(u.texts.at(IDC_MODE), "Torque");
    EXPECT_EQ(u.texts.at(IDC_SOURCE), "POT");
    u = Decode(Text(CMD_GMOD, "259"));
    EXPECT_EQ(u.texts.at(IDC_MODE), "Position");
    EXPECT_EQ(u.texts.at(IDC_SOURCE), "Pulses/DIR");
    u = Decode(NoText(CMD_GMOD));
    EXPECT_EQ(u.texts.at(IDC_MODE), "Velocity");
    EXPECT_EQ(u.texts.at(IDC_SOURCE), "Communication");
    u = Decode(Text(CMD_GMOD, "junk"));
    EXPECT_EQ(u.texts.at(IDC_MODE), "Velocity");
}

TEST_F(DriveReplyDecoderTest, StatusWordsKeepTheirState)
{
    StripUpdate u = Decode(Numeric(CMD_GSI, 0x0040));
    EXPECT_EQ(u.texts.at(IDC_HW_ENABLE), "Enable");
    EXPECT_EQ(decoder.StatusWord(), 0x40);
    EXPECT_EQ(decoder.EnableText(), "Enable");

    u = Decode(Text(CMD_GSI, "00"));
    EXPECT_EQ(u.texts.at(IDC_HW_ENABLE), "Disable");
    EXPECT_EQ(decoder.StatusText(), "00");
    EXPECT_EQ(decoder.EnableText(), "Disable");

    u = Decode(NoText(CMD_GSI));
    EXPECT_TRUE(u.texts.empty());
    EXPECT_EQ(decoder.EnableText(), "Disable");

    u = Decode(Numeric(CMD_GSIN, 0x2100));
    EXPECT_EQ(u.texts.at(IDC_HW_ENABLE), "Enable");
    EXPECT_EQ(u.texts.at(IDC_ERROR_STATE), "ERR");
    EXPECT_EQ(decoder.EnableText(), "Disable") << "GSIN leaves the enable text alone";

    u = Decode(Text(CMD_GSIN, "4096"));
    EXPECT_EQ(u.texts.at(IDC_DIRECTION), "CW");
    u = Decode(NoText(CMD_GSIN));
    EXPECT_EQ(u.texts.at(IDC_DIRECTION), "CCW");
    EXPECT_EQ(u.texts.size(), 10u);
}

TEST_F(DriveReplyDecoderTest, TemperatureNumericTextAndMissing)
{
    StripUpdate u = Decode(Numeric(CMD_GT, 45));
    EXPECT_EQ(u.texts.at(IDC_TEMPERATURE), "45");
    EXPECT_EQ(decoder.TemperatureText(), "45");
    u = Decode(DriveReply::FromMessage(static_cast<WPARAM>(static_cast<intptr_t>(-12)), MAKELPARAM(CMD_GT, 0x10), {}));
    EXPECT_EQ(u.texts.at(IDC_TEMPERATURE), "-12");
    u = Decode(Text(CMD_GT, "38"));
    EXPECT_EQ(u.texts.at(IDC_TEMPERATURE), "38");
    u = Decode(NoText(CMD_GT));
    EXPECT_EQ(u.texts.at(IDC_TEMPERATURE), "");
    EXPECT_EQ(decoder.TemperatureText(), "-12") << "only numbers are remembered";
}

TEST_F(DriveReplyDecoderTest, AlarmWordsToLamps)
{
    Decode(Numeric(CMD_GEI, 0x0201));
    EXPECT_EQ(decoder.LitLamps(), 0x0201);
    EXPECT_EQ(decoder.AlarmKind(), 0x10);

    Decode(Numeric(CMD_GEIN, 0x0804));
    EXPECT_EQ(decoder.AlarmWord(), 0x0201u);
    EXPECT_EQ(decoder.LitLamps(), 0x0201);
    Decode(Numeric(CMD_GEIN, 0x80000000));
    EXPECT_EQ(decoder.AlarmWord(), 0x20000000u) << "the shift is unsigned";

    Decode(Text(CMD_GEI, "0100000001"));
    EXPECT_EQ(decoder.AlarmKind(), 0);
    EXPECT_EQ(decoder.LitLamps(), 0x0202);

    // A short text leaves the lamps to the last alarm word.
    Decode(Numeric(CMD_GEI, 0x0004));
    Decode(Text(CMD_GEI, "0110"));
    EXPECT_EQ(decoder.AlarmText(), "0110");
    EXPECT_EQ(decoder.LitLamps(), 0x0004);

    Decode(NoText(CMD_GEI));
    EXPECT_EQ(decoder.AlarmText(), "0000000000");
    EXPECT_EQ(decoder.LitLamps(), 0);

    Decode(Text(CMD_GEIN, "2052"));
    EXPECT_EQ(decoder.AlarmText(), "0");
    EXPECT_EQ(decoder.AlarmWord(), 2052u >> 2);
    EXPECT_EQ(decoder.LitLamps(), 0x0201);

    Decode(Text(CMD_GEIN, "99999999999"));
    EXPECT_EQ(decoder.AlarmWord(), static_cast<uint32_t>(INT_MAX) >> 2);

    Decode(NoText(CMD_GEIN));
    EXPECT_EQ(decoder.AlarmText(), "0000000000");
    EXPECT_EQ(decoder.LitLamps(), 0);
}

TEST_F(DriveReplyDecoderTest, EnableMessagesSetTheControlledCheck)
{
    StripUpdate u = Decode(DriveReply::FromMessage(0, CMD_ENA, {}));
    EXPECT_EQ(u.controlledCheck, false);
    EXPECT_EQ(decoder.EnableState(), 0);
    u = Decode(DriveReply::FromMessage(3, CMD_ENA, {}));
    EXPECT_EQ(u.controlledCheck, true);
    EXPECT_EQ(decoder.EnableState(), 3);
    u = Decode(Numeric(CMD_ENA, 1));
    EXPECT_EQ(u.controlledCheck, true);
}

TEST_F(DriveReplyDecoderTest, UnknownCommandsChangeNothing)
{
    for (CommandId id : { 0, 4, 128 + 1, 9999 }) {
        StripUpdate u = Decode(Numeric(id, 0x1234));
        EXPECT_TRUE(u.texts.empty());
        EXPECT_EQ(u.picture, Picture::Unchanged);
        EXPECT_FALSE(u.controlledCheck.has_value());
        u = Decode(NoText(id));
        EXPECT_TRUE(u.texts.empty());
    }
    EXPECT_EQ(g_nFirmwareVersion, -1);
    EXPECT_EQ(decoder.TypeText(), "Unknow");
}
