#include "link/CanFrameCodec.h"
#include "link/LinkLayer.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

class CanFrameCodecTest : public ::testing::Test {
protected:
    void SetUp() override { InitCommandTables(); }

    static CanFrame Request(const char* text, int commType, int node = 6)
    {
        CanFrame frame {};
        CommandId id = -1;
        EXPECT_EQ(EncodeCanCommand(QString::fromLatin1(text), commType, node, &frame, &id), COMM_OK) << text;
        return frame;
    }
    static Bytes Data(const CanFrame& frame) { return Bytes(frame.data, frame.data + 8); }
    static Bytes Id(const CanFrame& frame) { return Bytes(frame.id, frame.id + 4); }
    // A frame's flags, data length, identifier bytes and data bytes, to compare in one.
    using Fields = std::tuple<uint32_t, uint32_t, uint32_t, Bytes, Bytes>;
    static Fields FieldsOf(const CanFrame& frame)
    {
        return { frame.extended, frame.remote, frame.dataLength, Id(frame), Data(frame) };
    }
};
}

TEST_F(CanFrameCodecTest, ACommandWithoutArgumentIsFourDataBytes)
{
    for (int type : { int(COMM_CAN_K8110), int(COMM_CAN_USB2), int(COMM_CAN_USB_2E_U) }) {
        const CanFrame gm = Request("GM\r", type); // GM is 155 = 0x9B
        EXPECT_EQ(gm.dataLength, 4u) << type;
        EXPECT_EQ(gm.extended, 0u);
        EXPECT_EQ(gm.remote, 0u);
        EXPECT_EQ(Data(gm), (Bytes { 4, 6, 0x9B, 0, 0, 0, 0, 0 })) << type;
    }
    // An argument written after a command that takes none is not sent.
    EXPECT_EQ(Data(Request("GM5\r", COMM_CAN_USB2)), (Bytes { 4, 6, 0x9B, 0, 0, 0, 0, 0 }));
    // Ids above 255 keep their high byte.
    EXPECT_EQ(Data(Request("GSIN\r", COMM_CAN_USB2)), (Bytes { 4, 6, 0x68, 0x26, 0, 0, 0, 0 }));
}

TEST_F(CanFrameCodecTest, TwoAndFourArgumentBytesAreLittleEndianLowBytesOfTheValue)
{
    // SMOD is 42 (2 bytes), SPC 26 (4 bytes).
    EXPECT_EQ(Data(Request("SMOD300\r", COMM_CAN_USB2)), (Bytes { 6, 6, 42, 0, 0x2C, 0x01, 0, 0 }));
    EXPECT_EQ(Data(Request("SMOD-2\r", COMM_CAN_USB2)), (Bytes { 6, 6, 42, 0, 0xFE, 0xFF, 0, 0 }));
    EXPECT_EQ(Data(Request("SMOD70000\r", COMM_CAN_USB2)), (Bytes { 6, 6, 42, 0, 0x70, 0x11, 0, 0 }))
        << "a 2-byte command keeps the low 16 bits";
    EXPECT_EQ(Request("SPC-1\r", COMM_CAN_K8110).dataLength, 8u);
    EXPECT_EQ(Data(Request("SPC-1\r", COMM_CAN_K8110)), (Bytes { 8, 6, 26, 0, 0xFF, 0xFF, 0xFF, 0xFF }));
    EXPECT_EQ(Data(Request("spc-1500\r", COMM_CAN_USB2)), (Bytes { 8, 6, 26, 0, 0x24, 0xFA, 0xFF, 0xFF }));
    EXPECT_EQ(Data(Request("SPC4294967295\r", COMM_CAN_USB2)), (Bytes { 8, 6, 26, 0, 0xFF, 0xFF, 0xFF, 0xFF }))
        << "an argument written unsigned reaches the drive bit for bit";
    EXPECT_EQ(Data(Request("SPC2147483648\r", COMM_CAN_USB2)), (Bytes { 8, 6, 26, 0, 0, 0, 0, 0x80 }));
    EXPECT_EQ(Data(Request("SPC99999999999\r", COMM_CAN_USB2)), (Bytes { 8, 6, 26, 0, 0xFF, 0xFF, 0xFF, 0x7F }))
        << "beyond 32 bits the value saturates";
}

TEST_F(CanFrameCodecTest, TheIdentifierIsTheNodeInEachRoadsLayout)
{
    EXPECT_EQ(Id(Request("GM\r", COMM_CAN_USB2, 6)), (Bytes { 0, 0, 0, 6 }));
    EXPECT_EQ(Id(Request("GM\r", COMM_CAN_USB1, 127)), (Bytes { 0, 0, 0, 127 }));
    // The card's register image: byte 3 = identifier bits 10-3, byte 2 = bits 2-0 in bits 7-5.
    EXPECT_EQ(Id(Request("GM\r", COMM_CAN_K8110, 6)), (Bytes { 0, 0, 0xC0, 0x00 }));
    EXPECT_EQ(Id(Request("GM\r", COMM_CAN_K8110, 1)), (Bytes { 0, 0, 0x20, 0x00 }));
    EXPECT_EQ(Id(Request("GM\r", COMM_CAN_K8110, 127)), (Bytes { 0, 0, 0xE0, 0x0F }));
    EXPECT_EQ(Request("GM\r", COMM_CAN_K8110, 127).data[1], 127);
}

TEST_F(CanFrameCodecTest, AnUnknownMnemonicBuildsNothing)
{
    CanFrame frame {};
    frame.dataLength = 99;
    CommandId id = 1234;
    EXPECT_EQ(EncodeCanCommand(QStringLiteral("XYZ\r"), COMM_CAN_USB2, 6, &frame, &id), COMM_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(EncodeCanCommand(QStringLiteral("G1\r"), COMM_CAN_USB2, 6, &frame, &id), COMM_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(EncodeCanCommand(QString(), COMM_CAN_USB2, 6, &frame, &id), COMM_ERR_UNKNOWN_COMMAND);
    EXPECT_EQ(frame.dataLength, 99u);
    EXPECT_EQ(id, 1234);
}

TEST_F(CanFrameCodecTest, CardFrameLayoutOfARequest)
{
    uint8_t out[13] = {};
    const int size = EncodeK8110Frame(Request("SPC-1\r", COMM_CAN_K8110, 6), out);
    EXPECT_EQ(Bytes(out, out + size), (Bytes { 0x08, 0x00, 0xC0, 8, 6, 26, 0, 0xFF, 0xFF, 0xFF, 0xFF }));

    CanFrame ext {};
    ext.extended = 1;
    ext.remote = 1;
    ext.dataLength = 2;
    const uint8_t id[4] = { 0x11, 0x22, 0x33, 0x44 };
    std::copy(id, id + 4, ext.id);
    ext.data[0] = 0xAA;
    ext.data[1] = 0xBB;
    uint8_t extOut[13] = {};
    ASSERT_EQ(EncodeK8110Frame(ext, extOut), 7);
    EXPECT_EQ(Bytes(extOut, extOut + 7), (Bytes { 0xC2, 0x44, 0x33, 0x22, 0x11, 0xAA, 0xBB }));
}

TEST_F(CanFrameCodecTest, CardRepliesDecodeWithTheirLengthAndRefuseMoreThanEightBytes)
{
    // Identifier 0x101 standard: register bytes 0x20, 0x20.
    const uint8_t standard[20] = { 0x06, 0x20, 0x20, 6, 0, 43, 0x80, 0x2C, 0x01 };
    CanFrame reply {};
    int length = 64;
    ASSERT_EQ(DecodeK8110Frame(standard, &reply, &length), COMM_OK);
    EXPECT_EQ(length, 11);
    EXPECT_EQ(FieldsOf(reply), Fields(0, 0, 6, { 0, 0, 0x20, 0x20 }, { 6, 0, 43, 0x80, 0x2C, 0x01, 0, 0 }));
    EXPECT_EQ(CheckCanReply(reply, 6, 43), COMM_OK);
    EXPECT_EQ(CheckCanReply(reply, 5, 43), COMM_ERR_WRONG_NODE);
    EXPECT_EQ(CheckCanReply(reply, 6, 42), COMM_ERR_WRONG_COMMAND);

    const uint8_t extended[20] = { 0xC8, 0x44, 0x33, 0x22, 0x11, 1, 2, 3, 4, 5, 6, 7, 8 };
    ASSERT_EQ(DecodeK8110Frame(extended, &reply, &length), COMM_OK);
    EXPECT_EQ(length, 13);
    EXPECT_EQ(FieldsOf(reply), Fields(1, 1, 8, { 0x11, 0x22, 0x33, 0x44 }, { 1, 2, 3, 4, 5, 6, 7, 8 }));

    uint8_t encoded[13] = {};
    EncodeK8110Frame(reply, encoded);
    EXPECT_EQ(Bytes(encoded, encoded + 13), Bytes(extended, extended + 13)) << "the two layouts are each other's inverse";

    for (uint8_t info : { 0x09, 0x0F, 0x8F }) {
        const uint8_t bad[20] = { info, 0x20, 0x20 };
        CanFrame untouched {};
        int len = 64;
        EXPECT_EQ(DecodeK8110Frame(bad, &untouched, &len), COMM_CAN_RECEIVE_TOO_LONG) << int(info);
        EXPECT_EQ(len, 64);
        EXPECT_EQ(untouched.dataLength, 0u);
    }
}

TEST_F(CanFrameCodecTest, UsbCanRecordTakesTheIdentifierBigEndian)
{
    const VciFrameRecord rec = ToVciFrame(Request("SMOD-2\r", COMM_CAN_USB2, 6));
    EXPECT_EQ(rec.ID, 6u);
    EXPECT_EQ(rec.SendType, 0);
    EXPECT_EQ(rec.RemoteFlag, 0);
    EXPECT_EQ(rec.ExternFlag, 0);
    EXPECT_EQ(rec.DataLen, 6);
    EXPECT_EQ(Bytes(rec.Data, rec.Data + 8), (Bytes { 6, 6, 42, 0, 0xFE, 0xFF, 0, 0 }));
    EXPECT_EQ(rec.TimeStamp, 0u);
    EXPECT_EQ(rec.TimeFlag, 0);

    CanFrame ext {};
    ext.extended = 1;
    ext.remote = 1;
    ext.dataLength = 0x13; // only the low four bits count
    const uint8_t id[4] = { 0x12, 0x34, 0x56, 0x78 };
    std::copy(id, id + 4, ext.id);
    const VciFrameRecord extRec = ToVciFrame(ext);
    EXPECT_EQ(extRec.ID, 0x12345678u);
    EXPECT_EQ(extRec.ExternFlag, 1);
    EXPECT_EQ(extRec.RemoteFlag, 1);
    EXPECT_EQ(extRec.DataLen, 3);
}
