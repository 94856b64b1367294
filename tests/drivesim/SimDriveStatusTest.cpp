#include "tools/drivesim/CanCommandCodec.h"
#include "tools/drivesim/SerialCommandParser.h"
#include "tools/drivesim/SimCommandTable.h"
#include "tools/drivesim/SimDriveStatus.h"

#include <gtest/gtest.h>

namespace {

std::string Serial(SimDrive& drive, const std::string& line)
{
    auto request = SerialCommandParser::Parse(line);
    EXPECT_TRUE(request.has_value()) << line;
    return SerialCommandParser::Format(drive.Answer(request.value_or(DriveRequest {})));
}

// The data bytes of the CAN reply to a request for `mnemonic` with an optional value.
std::vector<uint8_t> Can(SimDrive& drive, const std::string& mnemonic, std::optional<int32_t> value = {})
{
    DriveRequest request;
    request.command = SimCommandTable::Find(std::string_view(mnemonic));
    request.mnemonic = mnemonic;
    request.value = value;
    auto frame = CanCommandCodec::Encode(drive.Node(), request.command->id, drive.Answer(request));
    return frame ? frame->data : std::vector<uint8_t> {};
}

std::vector<uint8_t> Reply(int id, std::vector<uint8_t> value)
{
    const int answered = id + 0x8000;
    value.insert(value.begin(), {1, 0, static_cast<uint8_t>(answered & 0xFF), static_cast<uint8_t>(answered >> 8)});
    return value;
}

class SimDriveStatusTest : public ::testing::Test {
protected:
    SimDrive drive {1};
    std::shared_ptr<SimDriveStatus> status = SimDriveStatus::Attach(drive);
};

}

TEST_F(SimDriveStatusTest, IdentityAndModeDefaultsOnBothChannels)
{
    EXPECT_EQ(Serial(drive, "GVEN"), "#12300\r\n");
    EXPECT_EQ(Can(drive, "GVEN"), Reply(9808, {0x0C, 0x30, 0, 0}));
    EXPECT_EQ(Can(drive, "GVER"), Reply(2, {0x0C, 0x30, 0, 0}));
    EXPECT_EQ(Can(drive, "GDTY", 1), Reply(3, {7, 0, 0, 0}));
    EXPECT_EQ(Serial(drive, "GMOD"), "#256\r\n");
    EXPECT_EQ(Can(drive, "GMOD"), Reply(43, {0x00, 0x01}));
    EXPECT_EQ(Serial(drive, "GT"), "#36\r\n");

    // Stored ones follow their setters.
    EXPECT_EQ(Serial(drive, "SMOD517"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "GMOD"), "#517\r\n");
}

TEST_F(SimDriveStatusTest, TypeNameComesInPartsOnCanAndWholeOnTheSerialLine)
{
    EXPECT_EQ(Serial(drive, "GDTN1"), "#QX6215\r\n");
    EXPECT_EQ(Can(drive, "GDTN", 1), Reply(9809, {0x21, 'Q', 'X', '6'}));
    EXPECT_EQ(Can(drive, "GDTN", 2), Reply(9809, {0x22, '2', '1', '5'}));
    EXPECT_EQ(Can(drive, "GDTN", 3), Reply(9809, {0, 0, 0, 0}));

    status->SetTypeName("ABCDEFG");
    EXPECT_EQ(Can(drive, "GDTN", 3), Reply(9809, {0x33, 'G', 0, 0}));
    EXPECT_EQ(SimDriveStatus::TypeNamePart(std::string(60, 'x'), 15) & 0xFF, 0xFFu);
    EXPECT_EQ(SimDriveStatus::TypeNamePart(std::string(60, 'x'), 16), 0u);
    EXPECT_EQ(SimDriveStatus::TypeNamePart("", 1), 0u);
}

TEST_F(SimDriveStatusTest, StatusWordsFollowEnableAndFields)
{
    // Phase initialised, disabled: GSIN bits 2-3 = 1; GSI bits 11-12 = 1, text position 6.
    EXPECT_EQ(status->StatusWord(), 0x0004);
    EXPECT_EQ(Serial(drive, "GSI"), "#00000010\r\n");
    EXPECT_EQ(Can(drive, "GSI"), Reply(211, {0x00, 0x08}));

    EXPECT_EQ(Serial(drive, "ENA"), "#OK\r\n");
    EXPECT_EQ(status->StatusWord(), 0x0304);
    EXPECT_EQ(Serial(drive, "GSIN"), "#772\r\n");
    EXPECT_EQ(Serial(drive, "GSI"), "#00100010\r\n");
    EXPECT_EQ(Can(drive, "DIS"), Reply(129, {0, 0}));
    EXPECT_EQ(status->StatusWord(), 0x0004);

    SimDriveStatus::Fields fields;
    fields.braking = true;
    fields.clockwise = true;
    fields.hardLimit = 3;
    fields.softLimit = 2;
    fields.phase = 2;
    fields.homing = 3;
    status->SetFields(fields);
    EXPECT_EQ(status->StatusWord(), 0xDCE8);
    EXPECT_EQ(Can(drive, "GSIN"), Reply(9832, {0xE8, 0xDC}));
    EXPECT_EQ(status->OldStatusWord(), 0x1780);
    EXPECT_EQ(Serial(drive, "GSI"), "#00011320\r\n");
}

TEST_F(SimDriveStatusTest, RaisedAlarmsShowInBothAlarmQueriesAndTheErrorBit)
{
    status->SetAlarm(0, true);
    status->SetAlarm(9, true);
    status->SetAlarm(10, true); // no such lamp
    EXPECT_EQ(status->Alarms(), 0x0201);
    EXPECT_EQ(Serial(drive, "GEI"), "#1000000001\r\n");
    EXPECT_EQ(Can(drive, "GEI"), Reply(210, {0x01, 0x02}));
    EXPECT_EQ(Serial(drive, "GEIN"), "#2052\r\n");
    EXPECT_EQ(Can(drive, "GEIN"), Reply(9810, {0x04, 0x08, 0, 0}));
    EXPECT_TRUE(status->StatusWord() & 0x2000);

    status->SetAlarm(0, false);
    status->SetAlarm(9, false);
    EXPECT_EQ(Serial(drive, "GEI"), "#0000000000\r\n");
    EXPECT_FALSE(status->StatusWord() & 0x2000);
}

TEST_F(SimDriveStatusTest, OlderFirmwareAnswersErr2ToTheNewerQueries)
{
    status->SetOldFirmware(true);
    EXPECT_EQ(Serial(drive, "GVEN"), "#ERR2\r\n");
    EXPECT_EQ(Serial(drive, "GSIN"), "#ERR2\r\n");
    EXPECT_EQ(Can(drive, "GEIN"), Reply(9810, {2, 0}));
    EXPECT_EQ(Serial(drive, "GVER"), "#12300\r\n");
    EXPECT_EQ(Serial(drive, "GEI"), "#0000000000\r\n");

    status->SetOldFirmware(false);
    EXPECT_EQ(Serial(drive, "GVEN"), "#12300\r\n");
}

TEST_F(SimDriveStatusTest, EveryStripButtonGetsAnAnswer)
{
    for (const char* mnemonic : {"GM", "GV", "GC", "GSE", "PO", "ENA", "DIS"}) {
        EXPECT_NE(Serial(drive, mnemonic), "#ERR2\r\n") << mnemonic;
        const std::vector<uint8_t> reply = Can(drive, mnemonic, mnemonic == std::string("PO") ? std::optional(0) : std::nullopt);
        ASSERT_GE(reply.size(), 6u) << mnemonic;
        EXPECT_FALSE(reply.size() == 6 && reply[4] == 2 && reply[5] == 0) << mnemonic << " answered as unknown";
    }
    // PO puts the position to zero, whatever it was.
    drive.SetParameter("GM", 12345);
    EXPECT_EQ(Serial(drive, "PO"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "GM"), "#0\r\n");
    drive.SetParameter("GM", -7);
    Can(drive, "PO", 0);
    EXPECT_EQ(drive.Parameter("GM"), 0);
}
