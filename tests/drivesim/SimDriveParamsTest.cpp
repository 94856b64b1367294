#include "tools/drivesim/SerialCommandParser.h"
#include "tools/drivesim/SimDriveParams.h"

#include <gtest/gtest.h>

namespace {

std::string Serial(SimDrive& drive, const std::string& line)
{
    auto request = SerialCommandParser::Parse(line);
    EXPECT_TRUE(request.has_value()) << line;
    return SerialCommandParser::Format(drive.Answer(request.value_or(DriveRequest {})));
}

int32_t Read(const std::string& block, int offset, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(block[static_cast<size_t>(2 + offset + i)])) << (8 * i);
    return bytes == 2 ? static_cast<int16_t>(value) : static_cast<int32_t>(value);
}

class SimDriveParamsTest : public ::testing::Test {
protected:
    SimDrive drive { 5 };
    std::shared_ptr<SimDriveParams> params = SimDriveParams::Attach(drive);
};

} // namespace

TEST_F(SimDriveParamsTest, SettingsStoreRestoreAndFactoryDefaults)
{
    EXPECT_EQ(Serial(drive, "GENC"), "#4000\r\n");
    EXPECT_EQ(Serial(drive, "GNOD"), "#5\r\n");
    EXPECT_EQ(Serial(drive, "ENC8000"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "BAUD57600"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "GRBD"), "#57600\r\n");

    // Not stored yet: a power cycle loses the change.
    params->PowerCycle();
    EXPECT_EQ(Serial(drive, "GENC"), "#4000\r\n");

    EXPECT_EQ(Serial(drive, "ENC8000"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "ESA"), "#OK\r\n");
    EXPECT_EQ(params->StoreCount(), 1);
    EXPECT_EQ(params->Stored("GENC"), 8000);
    EXPECT_EQ(Serial(drive, "FCFG"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "GENC"), "#4000\r\n");
    EXPECT_EQ(Serial(drive, "GRBD"), "#9600\r\n");
    params->PowerCycle();
    EXPECT_EQ(Serial(drive, "GENC"), "#8000\r\n");
}

TEST_F(SimDriveParamsTest, AnEmptyLimitPairIsRefused)
{
    EXPECT_EQ(Serial(drive, "SPH100"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "SPL200"), "#ERR2\r\n");
    EXPECT_EQ(Serial(drive, "SPH300"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "SPL200"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "SPH199"), "#ERR2\r\n");
    EXPECT_EQ(Serial(drive, "GPL"), "#200\r\n");
    EXPECT_EQ(Serial(drive, "GPH"), "#300\r\n");
}

TEST_F(SimDriveParamsTest, StoredBlockFollowsTheFirmwareLayout)
{
    std::map<std::string, int32_t> settings { { "GPC", 9000 }, { "GA", -100 }, { "GMV", 7 }, { "GER", 33 },
        { "GMOD", 0x0102 }, { "GCCW", 1 }, { "GPE", 1 } };
    const std::string a = SimDriveParams::Block(settings, 0x300C);
    ASSERT_EQ(a.size(), 130u);
    EXPECT_EQ(a.substr(0, 2), "ES");
    EXPECT_EQ(Read(a, 16, 4), 9000);
    EXPECT_EQ(Read(a, 38, 2), -100);
    EXPECT_EQ(a[2 + 65], '1');
    EXPECT_EQ(a[2 + 66], 2);
    EXPECT_EQ(a[2 + 67], '1');
    EXPECT_EQ(a[2 + 69], 1);
    const std::string b = SimDriveParams::Block(settings, 0x300D);
    EXPECT_EQ(Read(b, 58, 2), -100);
    EXPECT_EQ(Read(b, 84, 2), 33);
    EXPECT_EQ(Read(b, 62, 2), 0);
    const std::string c = SimDriveParams::Block(settings, 0x3138);
    EXPECT_EQ(Read(c, 62, 2), 7);
    EXPECT_EQ(c[2 + 109], 1);

    // Over the line: the EEPROM copy, after its "#".
    drive.SetParameter("GVEN", 0x3138);
    EXPECT_EQ(Serial(drive, "SPC1234"), "#OK\r\n");
    EXPECT_EQ(Read(Serial(drive, "GESA").substr(1), 16, 4), 10000);
    EXPECT_EQ(Serial(drive, "ESA"), "#OK\r\n");
    const std::string reply = Serial(drive, "GESA");
    EXPECT_EQ(reply.size(), 1 + 130 + 2u);
    EXPECT_EQ(Read(reply.substr(1), 16, 4), 1234);
}
