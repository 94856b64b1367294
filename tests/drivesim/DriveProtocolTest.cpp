#include "tools/drivesim/CanCommandCodec.h"
#include "tools/drivesim/SerialCommandParser.h"
#include "tools/drivesim/SimDrive.h"
#include "tools/drivesim/VirtualCanLine.h"
#include "tools/drivesim/WireTime.h"

#include <gtest/gtest.h>

namespace {

DriveRequest Text(const std::string& line)
{
    auto request = SerialCommandParser::Parse(line);
    EXPECT_TRUE(request.has_value()) << line;
    return request.value_or(DriveRequest {});
}

std::string Serial(SimDrive& drive, const std::string& line)
{
    auto request = SerialCommandParser::Parse(line);
    SimReply reply;
    if (request)
        reply = drive.Answer(*request);
    else
        reply.kind = SimReply::Kind::Unknown;
    return SerialCommandParser::Format(reply);
}

SimCanFrame Frame(uint32_t id, std::vector<uint8_t> data)
{
    SimCanFrame frame;
    frame.id = id;
    frame.data = std::move(data);
    return frame;
}

bool NodeOneOrTwo(int node)
{
    return node == 1 || node == 2;
}

}

TEST(SerialCommandParser, SplitsMnemonicAndSignedValue)
{
    DriveRequest r = Text("SPC-1500");
    EXPECT_EQ(r.mnemonic, "SPC");
    ASSERT_NE(r.command, nullptr);
    EXPECT_EQ(r.command->id, 26);
    EXPECT_EQ(r.value, -1500);

    EXPECT_EQ(Text("SPC+20").value, 20);
    EXPECT_FALSE(Text("GM").value.has_value());
    EXPECT_EQ(Text("gmod").mnemonic, "GMOD");
    EXPECT_EQ(Text("GDTY1").value, 1);
    EXPECT_EQ(Text("SSP4294967295").value, -1);
    EXPECT_EQ(Text("SSP-2147483648").value, INT32_MIN);

    // A blank, a lone sign, trailing rubbish or a number beyond 32 bits is not understood.
    for (const char* bad : {"SMOD 5", "SMOD-", "SMOD5x", "SMOD5 ", "SSP4294967296", "SSP-2147483649", "", "5", "#5"})
        EXPECT_FALSE(SerialCommandParser::Parse(bad).has_value()) << bad;

    // An unknown mnemonic parses, but names no command.
    DriveRequest g1 = Text("G1");
    EXPECT_EQ(g1.mnemonic, "G");
    EXPECT_EQ(g1.command, nullptr);
}

TEST(SerialCommandParser, CollectsLinesEndedByCr)
{
    SerialCommandParser parser;
    EXPECT_TRUE(parser.Feed("GM").empty());
    EXPECT_EQ(parser.Feed("OD\rSMOD5\r\nGV"), (std::vector<std::string> {"GMOD", "SMOD5"}));
    EXPECT_EQ(parser.Feed("\r"), (std::vector<std::string> {"GV"}));
    // Empty lines and replies coming back (a terminal that echoes) are not commands.
    EXPECT_TRUE(parser.Feed("\r\r\n#5\r").empty());

    const std::string longLine(SerialCommandParser::kMaxLine + 10, 'G');
    auto lines = parser.Feed(longLine + "\rGM\r");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FALSE(SerialCommandParser::Parse(lines[0]).has_value());
    EXPECT_EQ(lines[1], "GM");

    parser.Feed("GMO");
    parser.Clear();
    EXPECT_EQ(parser.Feed("GV\r"), (std::vector<std::string> {"GV"}));
}

TEST(SimDrive, SettingsStoreAndQueriesAnswerOverTheSerialLine)
{
    SimDrive drive(1);
    EXPECT_EQ(Serial(drive, "GMOD"), "#0\r\n");
    EXPECT_EQ(Serial(drive, "SMOD5"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "GMOD"), "#5\r\n");
    EXPECT_EQ(Serial(drive, "SPC-1500"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "GPC"), "#-1500\r\n");
    EXPECT_EQ(Serial(drive, "KN7"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "GKN"), "#7\r\n");
    EXPECT_EQ(Serial(drive, "ENA"), "#OK\r\n");
    EXPECT_EQ(Serial(drive, "XYZ"), "#ERR2\r\n");
    EXPECT_EQ(Serial(drive, "G1"), "#ERR2\r\n");
    EXPECT_EQ(Serial(drive, "SMOD"), "#ERR2\r\n");  // a setting without its value
    EXPECT_EQ(Serial(drive, "SMOD 5"), "#ERR2\r\n");
    EXPECT_EQ(drive.Parameter("GMOD"), 5);
    EXPECT_EQ(drive.Parameter("SMOD"), 5);
    EXPECT_FALSE(drive.Parameter("GSP").has_value());
}

TEST(SimDrive, HoldsValuesInTheirOwnWidth)
{
    SimDrive drive(1);
    Serial(drive, "SMOD70000");  // two bytes: the low 16 bits, signed
    EXPECT_EQ(drive.Parameter("GMOD"), static_cast<int16_t>(70000 & 0xFFFF));
    Serial(drive, "SMOD65535");
    EXPECT_EQ(drive.Parameter("GMOD"), -1);
    Serial(drive, "SSP4294967295");
    EXPECT_EQ(Serial(drive, "GSP"), "#-1\r\n");

    EXPECT_EQ(SimDrive::DefaultWidth(*SimCommandTable::Find(std::string_view("GMOD"))), 2);
    EXPECT_EQ(SimDrive::DefaultWidth(*SimCommandTable::Find(std::string_view("GSP"))), 4);
    EXPECT_EQ(SimDrive::DefaultWidth(*SimCommandTable::Find(std::string_view("GVER"))), 4);

    drive.SetParameter("GVER", 0x12345, 2);
    SimReply reply = drive.Answer(Text("GVER"));
    EXPECT_EQ(reply.width, 2);
    EXPECT_EQ(reply.value, 0x2345);
    drive.SetParameter("SWM", 9);  // a setting nothing reads back keeps its own name
    EXPECT_EQ(drive.Parameter("SWM"), 9);
}

TEST(SimDrive, CommandsCanBeForgottenOrTakenOver)
{
    SimDrive drive(4);
    drive.SetKnown("GVEN", false);
    EXPECT_EQ(Serial(drive, "GVEN"), "#ERR2\r\n");
    drive.SetKnown("GVEN", true);
    EXPECT_EQ(Serial(drive, "GVEN"), "#0\r\n");

    drive.SetHandler("GDTN", [](SimDrive& self, const DriveRequest& request) {
        SimReply reply;
        reply.kind = SimReply::Kind::Text;
        reply.text = "PART" + std::to_string(request.value.value_or(0)) + "@" + std::to_string(self.Node());
        self.SetParameter("GDTN", 77);
        return reply;
    });
    EXPECT_EQ(Serial(drive, "GDTN2"), "#PART2@4\r\n");
    EXPECT_EQ(drive.Parameter("GDTN"), 77);
    drive.SetHandler("GDTN", nullptr);
    EXPECT_EQ(Serial(drive, "GDTN2"), "#77\r\n");
}

TEST(CanCommandCodec, DecodesCommandFramesAsTheProgramBuildsThem)
{
    CanRequest request;
    // "GM": no argument.
    ASSERT_EQ(CanCommandCodec::Decode(Frame(1, {4, 1, 155, 0}), NodeOneOrTwo, &request),
              CanCommandCodec::Result::Request);
    EXPECT_EQ(request.node, 1);
    EXPECT_EQ(request.commandId, 155);
    EXPECT_EQ(request.request.mnemonic, "GM");
    EXPECT_FALSE(request.request.value.has_value());
    // SMOD 300: two bytes little-endian.
    ASSERT_EQ(CanCommandCodec::Decode(Frame(2, {6, 2, 42, 0, 0x2C, 0x01}), NodeOneOrTwo, &request),
              CanCommandCodec::Result::Request);
    EXPECT_EQ(request.node, 2);
    EXPECT_EQ(request.request.value, 300);
    // SMOD -2 and SPC -1: negative values sign-extend from their width.
    CanCommandCodec::Decode(Frame(1, {6, 1, 42, 0, 0xFE, 0xFF}), NodeOneOrTwo, &request);
    EXPECT_EQ(request.request.value, -2);
    CanCommandCodec::Decode(Frame(1, {8, 1, 26, 0, 0xFF, 0xFF, 0xFF, 0xFF}), NodeOneOrTwo, &request);
    EXPECT_EQ(request.request.value, -1);
    // A number the drive does not know is still a request (answered with value 2).
    ASSERT_EQ(CanCommandCodec::Decode(Frame(1, {4, 1, 0x88, 0x13}), NodeOneOrTwo, &request),
              CanCommandCodec::Result::Request);
    EXPECT_EQ(request.request.command, nullptr);
    EXPECT_EQ(request.commandId, 5000);
}

TEST(CanCommandCodec, SortsOutTrafficThatIsNotACommandForUs)
{
    CanRequest request;
    auto decode = [&](SimCanFrame frame) { return CanCommandCodec::Decode(frame, NodeOneOrTwo, &request); };
    using R = CanCommandCodec::Result;
    EXPECT_EQ(decode(Frame(3, {4, 3, 155, 0})), R::NotAddressed);
    EXPECT_EQ(decode(Frame(0x101, {1, 0, 155, 0x80, 0, 0})), R::NotAddressed);
    SimCanFrame remote = Frame(1, {});
    remote.remote = true;
    EXPECT_EQ(decode(remote), R::NotAddressed);
    SimCanFrame extended = Frame(1, {4, 1, 155, 0});
    extended.extended = true;
    EXPECT_EQ(decode(extended), R::NotAddressed);

    std::string why;
    EXPECT_EQ(CanCommandCodec::Decode(Frame(1, {4, 1, 155}), NodeOneOrTwo, &request, &why), R::Malformed);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(decode(Frame(1, {5, 1, 155, 0})), R::Malformed);           // length byte
    EXPECT_EQ(decode(Frame(1, {4, 2, 155, 0})), R::Malformed);           // node byte
    EXPECT_EQ(decode(Frame(1, {5, 1, 155, 0, 7})), R::Malformed);        // odd argument
    EXPECT_EQ(decode(Frame(1, {6, 1, 26, 0, 1, 0})), R::Malformed);      // SPC takes 4 bytes
    EXPECT_EQ(decode(Frame(1, {8, 1, 155, 0, 1, 0, 0, 0})), R::Malformed);  // GM takes none
}

TEST(CanCommandCodec, EncodesRepliesWithTwoOrFourValueBytes)
{
    SimReply value;
    value.kind = SimReply::Kind::Value;
    value.value = 300;
    value.width = 2;
    auto frame = CanCommandCodec::Encode(5, 43, value);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->id, 0x101u);
    EXPECT_FALSE(frame->extended);
    EXPECT_EQ(frame->data, (std::vector<uint8_t> {5, 0, 43, 0x80, 0x2C, 0x01}));

    value.value = -2;
    value.width = 4;
    frame = CanCommandCodec::Encode(5, 9809, value);
    EXPECT_EQ(frame->data, (std::vector<uint8_t> {5, 0, 0x51, 0xA6, 0xFE, 0xFF, 0xFF, 0xFF}));

    SimReply unknown;
    unknown.kind = SimReply::Kind::Unknown;
    frame = CanCommandCodec::Encode(1, 5000, unknown, 0x701);
    EXPECT_EQ(frame->id, 0x701u);
    EXPECT_EQ(frame->data, (std::vector<uint8_t> {1, 0, 0x88, 0x93, 2, 0}));

    EXPECT_FALSE(CanCommandCodec::Encode(1, 43, SimReply {}).has_value());
}

TEST(SimDrive, AcknowledgesOnCanWithTheValueTaken)
{
    SimDrive drive(1);
    CanRequest request;
    CanCommandCodec::Decode(Frame(1, {6, 1, 42, 0, 0x2C, 0x01}), NodeOneOrTwo, &request);
    auto ack = CanCommandCodec::Encode(1, request.commandId, drive.Answer(request.request));
    EXPECT_EQ(ack->data, (std::vector<uint8_t> {1, 0, 42, 0x80, 0x2C, 0x01}));

    CanCommandCodec::Decode(Frame(1, {4, 1, 43, 0}), NodeOneOrTwo, &request);
    auto value = CanCommandCodec::Encode(1, request.commandId, drive.Answer(request.request));
    EXPECT_EQ(value->data, (std::vector<uint8_t> {1, 0, 43, 0x80, 0x2C, 0x01}));

    CanCommandCodec::Decode(Frame(1, {4, 1, 128, 0}), NodeOneOrTwo, &request);  // ENA
    auto action = CanCommandCodec::Encode(1, request.commandId, drive.Answer(request.request));
    EXPECT_EQ(action->data, (std::vector<uint8_t> {1, 0, 128, 0x80, 0, 0}));

    ASSERT_EQ(CanCommandCodec::Decode(Frame(1, {4, 1, 23, 0}), NodeOneOrTwo, &request),  // GSP, 4 bytes
              CanCommandCodec::Result::Request);
    EXPECT_EQ(CanCommandCodec::Encode(1, request.commandId, drive.Answer(request.request))->data.size(), 8u);
}

TEST(VirtualCanLine, WritesAndReadsTheBusLines)
{
    SimCanFrame frame = Frame(0x101, {1, 0, 0x2B, 0x80, 0xAB, 0xCD});
    EXPECT_EQ(VirtualCanLine::ToClient(frame), "257##01002b80abcd\n");
    EXPECT_EQ(VirtualCanLine::ToServer(1, frame), "can1:257##01002b80abcd\n");
    EXPECT_EQ(VirtualCanLine::Connect(0), "connect:can0\n");

    auto parsed = VirtualCanLine::ParseFrame("257##01002B80ABcd");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, frame);
    parsed = VirtualCanLine::ParseFrame("1#RX#");
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->remote);
    EXPECT_TRUE(parsed->extended);
    EXPECT_TRUE(parsed->data.empty());
    for (const char* bad : {"", "#", "1", "1#", "x#1#00", "1##0", "1##zz", "#1#00", "99999999999##00"})
        EXPECT_FALSE(VirtualCanLine::ParseFrame(bad).has_value()) << bad;
}

TEST(WireTime, CountsTenBitsPerByteAndWholeCanFrames)
{
    using std::chrono::microseconds;
    EXPECT_EQ(WireTime::Serial(6, 115200), microseconds(520));
    EXPECT_EQ(WireTime::Serial(96, 9600), microseconds(100000));
    EXPECT_EQ(WireTime::Serial(100, 0), microseconds(0));
    EXPECT_EQ(WireTime::Can(8, 500), microseconds(222));   // 111 bits
    EXPECT_EQ(WireTime::Can(0, 1000), microseconds(47));
    EXPECT_EQ(WireTime::Can(0, 1000, true), microseconds(67));
    EXPECT_EQ(WireTime::Can(8, 0), microseconds(0));
}
