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

// A value of the block in a GESA reply ("#ES" and the block).
int32_t BlockValue(const std::string& reply, int offset, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(reply[static_cast<size_t>(3 + offset + i)])) << (8 * i);
    return bytes == 2 ? static_cast<int16_t>(value) : static_cast<int32_t>(value);
}

} // namespace

TEST(SimDriveParams, SettingsStoreRestoreAndFactoryDefaults)
{
    SimDrive drive { 5 };
    const std::shared_ptr<SimDriveParams> params = SimDriveParams::Attach(drive);
    EXPECT_EQ(Serial(drive, "GNOD"), "#5\r\n");
    EXPECT_EQ(Serial(drive, "BAUD57600"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "GRBD"), "#57600\r\n");
    // An empty limit pair is refused.
    EXPECT_EQ(Serial(drive, "SPL2100000001"), "#ERR2\r\n");

    // Not stored yet: a power cycle loses the change.
    EXPECT_EQ(Serial(drive, "ENC8000"), "#OK\r\n");
    params->PowerCycle();
    EXPECT_EQ(Serial(drive, "GENC"), "#4000\r\n");

    EXPECT_EQ(Serial(drive, "ENC8000"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "ESA"), "#OK\r\n");
    EXPECT_EQ(params->Stored("GENC"), 8000);
    EXPECT_EQ(Serial(drive, "FCFG"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "GENC"), "#4000\r\n");
    params->PowerCycle();
    EXPECT_EQ(Serial(drive, "GENC"), "#8000\r\n");
}

TEST(SimDriveParams, StoredBlockFollowsTheFirmwareLayout)
{
    SimDrive drive { 1 };
    SimDriveParams::Attach(drive);
    for (const char* setting : { "SPC9000", "A100", "SMV7", "SER33", "SMOD258", "SCCW1", "ESA" })
        EXPECT_EQ(Serial(drive, setting), "#OK\r\n");
    struct Layout {
        int32_t version;
        int acceleration, minimumSpeed, trackingError, runMode, direction;
        char forward;
    } layouts[] = { { 0x300C, 38, -1, -1, 65, 67, '1' }, { 0x3137, 58, -1, 84, 107, 109, '1' },
        { 0x3138, 58, 62, 84, 107, 109, 1 } };
    for (const Layout& l : layouts) {
        drive.SetParameter("GVEN", l.version);
        const std::string reply = Serial(drive, "GESA");
        ASSERT_EQ(reply.size(), 3 + 128 + 2u);
        EXPECT_EQ(reply.substr(0, 3), "#ES");
        EXPECT_EQ(BlockValue(reply, 16, 4), 9000);
        EXPECT_EQ(BlockValue(reply, l.acceleration, 2), 100);
        EXPECT_TRUE(l.minimumSpeed < 0 || BlockValue(reply, l.minimumSpeed, 2) == 7) << l.version;
        EXPECT_TRUE(l.trackingError < 0 || BlockValue(reply, l.trackingError, 2) == 33) << l.version;
        EXPECT_EQ(reply[3 + l.runMode], '1');
        EXPECT_EQ(reply[3 + l.runMode + 1], 2);
        EXPECT_EQ(reply[3 + l.direction], l.forward);
    }
}
