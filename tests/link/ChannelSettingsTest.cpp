#include "link/ChannelSettings.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

namespace {
class ChannelSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { OpenProfile()->clear(); }
    void TearDown() override { OpenProfile()->clear(); }
};

TEST_F(ChannelSettingsTest, AnEmptyProfileReadsAsTheDefaults)
{
    const ChannelSettings s = ChannelSettings::Load();
    EXPECT_EQ(s.comType, COMM_CAN_K8110);
    EXPECT_EQ(s.comNum, 1);
    EXPECT_EQ(s.comBaud, 9600);
    EXPECT_EQ(s.canIndex, 0);
    EXPECT_EQ(s.canKbps, 500);
    EXPECT_EQ(s.acr, QStringLiteral("00000000"));
    EXPECT_EQ(s.amr, QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(s.node, 1);
}

TEST_F(ChannelSettingsTest, ANonNumberOrOutOfRangeValueReadsAsItsDefault)
{
    const struct {
        const char* key;
        QVariant stored;
        int ChannelSettings::*field;
        int expected;
    } cases[] = {
        { "QzBrantovelix/ComType", "abc", &ChannelSettings::comType, COMM_CAN_K8110 },
        { "QzBrantovelix/ComType", 0, &ChannelSettings::comType, COMM_RS232 },
        { "QzBrantovelix/ComType", 5, &ChannelSettings::comType, 5 }, // shown as CAN_USB2 by the dialog
        { "QzBrantovelix/ComNum", "COM3", &ChannelSettings::comNum, 1 },
        { "QzBrantovelix/ComNum", 0, &ChannelSettings::comNum, 1 },
        { "QzBrantovelix/ComNum", 256, &ChannelSettings::comNum, 1 },
        { "QzBrantovelix/ComNum", 12, &ChannelSettings::comNum, 12 },
        { "QzBrantovelix/ComBaud", "fast", &ChannelSettings::comBaud, 9600 },
        { "QzBrantovelix/ComBaud", -9600, &ChannelSettings::comBaud, 9600 },
        { "QzBrantovelix/ComBaud", 115200, &ChannelSettings::comBaud, 115200 },
        { "QzBrantovelix/ComBaud", "99999999999", &ChannelSettings::comBaud, 9600 },
        { "CommK8110/Index", -1, &ChannelSettings::canIndex, 0 },
        { "CommK8110/Index", " 3 ", &ChannelSettings::canIndex, 3 },
        { "CommK8110/Baud", "", &ChannelSettings::canKbps, 500 },
        { "CommK8110/Baud", 300, &ChannelSettings::canKbps, 300 }, // the open says it is no known rate
        { "QzBrantovelix/CurNote", "abc", &ChannelSettings::node, 1 },
        { "QzBrantovelix/CurNote", 128, &ChannelSettings::node, 1 },
        { "QzBrantovelix/CurNote", -1, &ChannelSettings::node, 1 },
        { "QzBrantovelix/CurNote", 127, &ChannelSettings::node, 127 },
    };
    for (const auto& c : cases) {
        OpenProfile()->clear();
        OpenProfile()->setValue(QLatin1String(c.key), c.stored);
        EXPECT_EQ(ChannelSettings::Load().*c.field, c.expected) << c.key << " = " << c.stored.toString().toStdString();
    }
}

TEST_F(ChannelSettingsTest, AcceptanceTextsAreTakenAsStored)
{
    OpenProfile()->setValue("CommK8110/ACR", QString());
    OpenProfile()->setValue("CommK8110/AMR", "FF");
    const ChannelSettings s = ChannelSettings::Load();
    EXPECT_EQ(s.acr, QString());
    EXPECT_EQ(s.amr, QStringLiteral("FF"));
}

TEST_F(ChannelSettingsTest, SaveWritesOnlyThePartsAskedForAndLoadsBackTheSame)
{
    ChannelSettings s;
    s.comType = COMM_CAN_USB_E_U;
    s.comNum = 4;
    s.comBaud = 57600;
    s.canIndex = 2;
    s.canKbps = 250;
    s.acr = QStringLiteral("00200000");
    s.amr = QStringLiteral("0000FFFF");
    s.node = 9;

    s.Save(ChannelSettings::CanPart | ChannelSettings::TypePart);
    const auto profile = OpenProfile();
    EXPECT_FALSE(profile->contains("QzBrantovelix/ComNum"));
    EXPECT_FALSE(profile->contains("QzBrantovelix/ComBaud"));
    EXPECT_FALSE(profile->contains("QzBrantovelix/CurNote")) << "the node is not the channel dialog's";
    EXPECT_EQ(profile->value("CommK8110/Baud").toInt(), 250);

    s.Save(ChannelSettings::SerialPart | ChannelSettings::NodePart);
    const ChannelSettings back = ChannelSettings::Load();
    EXPECT_EQ(back.comType, s.comType);
    EXPECT_EQ(back.comNum, s.comNum);
    EXPECT_EQ(back.comBaud, s.comBaud);
    EXPECT_EQ(back.canIndex, s.canIndex);
    EXPECT_EQ(back.canKbps, s.canKbps);
    EXPECT_EQ(back.acr, s.acr);
    EXPECT_EQ(back.amr, s.amr);
    EXPECT_EQ(back.node, s.node);
}
} // namespace
