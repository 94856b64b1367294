#include "link/CanBackend.h"
#include "link/LinkLayer.h"

#include <cstring>
#include <gtest/gtest.h>

TEST(CanBitrateToTiming, GivesTheTableBytesAndAMatchingBusRate)
{
    const struct {
        int kbps;
        uint8_t btr0, btr1;
    } table[] = {
        { 5, 0xBF, 0xFF }, { 10, 0x31, 0x1C }, { 20, 0x18, 0x1C }, { 40, 0x87, 0xFF },
        { 50, 0x09, 0x1C }, { 80, 0x83, 0xFF }, { 100, 0x04, 0x1C }, { 125, 0x03, 0x1C },
        { 200, 0x81, 0xFA }, { 250, 0x01, 0x1C }, { 400, 0x80, 0xFA }, { 500, 0x00, 0x1C },
        { 666, 0x80, 0xB6 }, { 800, 0x00, 0x16 }, { 1000, 0x00, 0x14 },
    };
    for (const auto& row : table) {
        uint8_t btr0 = 0x55, btr1 = 0x55;
        ASSERT_EQ(CanBitrateToTiming(row.kbps, &btr0, &btr1), 1) << row.kbps;
        EXPECT_EQ(btr0, row.btr0) << row.kbps;
        EXPECT_EQ(btr1, row.btr1) << row.kbps;
        EXPECT_TRUE(CanTimingIsKnown(btr0, btr1));
        // The adapters run the controller at the rate the bytes describe.
        EXPECT_EQ(CanTimingToBitRate(btr0, btr1) / 1000, static_cast<uint32_t>(row.kbps)) << row.kbps;
    }
}

TEST(CanBitrateToTiming, RefusesAnUnknownRateAndLeavesTheOutputs)
{
    for (int kbps : { 300, 0, -500, 1001, 499 }) {
        uint8_t btr0 = 0xA5, btr1 = 0x5A;
        EXPECT_EQ(CanBitrateToTiming(kbps, &btr0, &btr1), 0) << kbps;
        EXPECT_EQ(btr0, 0xA5);
        EXPECT_EQ(btr1, 0x5A);
    }
    // Zeroed timing bytes (a record whose rate was unknown) are no rate at all.
    EXPECT_FALSE(CanTimingIsKnown(0x00, 0x00));
    EXPECT_EQ(CanTimingToBitRate(0x00, 0x00), 0u);
}

TEST(HexTextToBytes, ConvertsPairsAndCountsOtherCharactersAsZero)
{
    uint8_t out[4] = {};
    EXPECT_EQ(HexTextToBytes("FFFFFFFF", out, 4), 4u);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[3], 0xFF);

    uint8_t two[2] = {};
    EXPECT_EQ(HexTextToBytes("12G4", two, 2), 2u);
    EXPECT_EQ(two[0], 0x12);
    EXPECT_EQ(two[1], 0x04);

    EXPECT_EQ(HexTextToBytes("0020", two, 2), 2u);
    EXPECT_EQ(two[0], 0x00);
    EXPECT_EQ(two[1], 0x20);

    EXPECT_EQ(HexTextToBytes("aBcD", two, 2), 2u);
    EXPECT_EQ(two[0], 0xAB);
    EXPECT_EQ(two[1], 0xCD);
}

TEST(HexTextToBytes, IgnoresAnOddLastDigitAndNeverWritesPastTheCapacity)
{
    uint8_t out[6] = { 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE };
    EXPECT_EQ(HexTextToBytes("123", out, 4), 1u);
    EXPECT_EQ(out[0], 0x12);
    EXPECT_EQ(out[1], 0xEE) << "the odd digit is not converted";

    // A profile text longer than 8 digits fills the 4-byte field and stops there.
    uint8_t guarded[6] = { 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE };
    EXPECT_EQ(HexTextToBytes("0102030405060708090A", guarded + 1, 4), 4u);
    EXPECT_EQ(guarded[0], 0xEE);
    EXPECT_EQ(guarded[1], 0x01);
    EXPECT_EQ(guarded[4], 0x04);
    EXPECT_EQ(guarded[5], 0xEE);

    EXPECT_EQ(HexTextToBytes("", out, 4), 0u);
    EXPECT_EQ(HexTextToBytes("FFFF", nullptr, 4), 0u);
}

TEST(BuildCanSettings, MakesTheFifteenByteRecord)
{
    CanSettings settings;
    ASSERT_TRUE(BuildCanSettings(2, 500, "00200000", "FFFFFFFF", &settings));
    EXPECT_EQ(settings.deviceNumber, 2u);
    EXPECT_EQ(settings.BTR0, 0x00);
    EXPECT_EQ(settings.BTR1, 0x1C);
    const uint8_t acr[4] = { 0x00, 0x20, 0x00, 0x00 };
    EXPECT_EQ(0, std::memcmp(settings.ACR, acr, 4));
    EXPECT_EQ(settings.AMR[0], 0xFF);
    EXPECT_EQ(settings.AMR[3], 0xFF);
    EXPECT_EQ(settings.mode, 0xC1);

    // The card's initialisation record is the tail as it stands.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&settings);
    EXPECT_EQ(bytes[4], 0x00);
    EXPECT_EQ(bytes[5], 0x1C);
    EXPECT_EQ(bytes[7], 0x20);
    EXPECT_EQ(bytes[14], 0xC1);
}

TEST(BuildCanSettings, ShortTextsConvertOnlyTheirPairsAndAnUnknownRateFails)
{
    CanSettings settings;
    ASSERT_TRUE(BuildCanSettings(0, 250, "123", "", &settings));
    EXPECT_EQ(settings.ACR[0], 0x12);
    EXPECT_EQ(settings.ACR[1], 0x00);
    EXPECT_EQ(settings.AMR[0], 0x00);

    EXPECT_FALSE(BuildCanSettings(0, 300, "00000000", "FFFFFFFF", &settings));
    EXPECT_EQ(settings.BTR0, 0) << "an unknown rate leaves no timing behind";
    EXPECT_EQ(settings.BTR1, 0);
    EXPECT_FALSE(CanTimingIsKnown(settings.BTR0, settings.BTR1));
}

TEST(CommType, MapsToTheAdapterDeviceTypes)
{
    EXPECT_EQ(VciDeviceTypeOf(COMM_CAN_USB2), 4);
    EXPECT_EQ(VciDeviceTypeOf(COMM_CAN_USB1), 3);
    EXPECT_EQ(VciDeviceTypeOf(COMM_CAN_USB_E_U), 20);
    EXPECT_EQ(VciDeviceTypeOf(COMM_CAN_USB_2E_U), 21);
    EXPECT_EQ(VciDeviceTypeOf(COMM_RS232), 0);
    EXPECT_EQ(VciDeviceTypeOf(COMM_CAN_K8110), 0);
    EXPECT_FALSE(IsUsbCanType(COMM_CAN_K8110));
    EXPECT_FALSE(IsUsbCanType(21));
    EXPECT_TRUE(IsUsbCanType(19));
}
