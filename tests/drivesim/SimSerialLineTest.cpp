#include "tests/drivesim/DriveSimTestClients.h"
#include "tests/support/TestEnvironment.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/WireTime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

class SimSerialLine : public ::testing::Test {
protected:
    void Start(int baud = 0)
    {
        DriveSimulatorConfig config;
        config.pty = true;
        config.baud = baud;
        sim = std::make_unique<DriveSimulator>(config);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
        port = std::make_unique<PtyClient>(sim->PtyPath());
        ASSERT_TRUE(port->IsOpen());
    }

    void Faults(const FaultEdit& edit) { sim->SetFaults(SimChannel::Serial, MakeFaults(edit)); }

    std::unique_ptr<DriveSimulator> sim;
    std::unique_ptr<PtyClient> port;
};

milliseconds Since(steady_clock::time_point start)
{
    return duration_cast<milliseconds>(steady_clock::now() - start);
}

}

TEST_F(SimSerialLine, StoresSettingsAndAnswersQueries)
{
    Start();
    EXPECT_EQ(port->Ask("SMOD5\r"), "#OK\r\n");
    EXPECT_EQ(port->Ask("GMOD\r"), "#5\r\n");
    EXPECT_EQ(port->Ask("SPC-1500\r"), "#OK\r\n");
    EXPECT_EQ(port->Ask("GPC\r"), "#-1500\r\n");
    EXPECT_EQ(port->Ask("ENA\r"), "#OK\r\n");
    EXPECT_EQ(port->Ask("NOPE\r"), "#ERR2\r\n");
    EXPECT_EQ(port->Ask("SMOD 5\r"), "#ERR2\r\n");
    EXPECT_EQ(sim->Drive(1)->Parameter("GMOD"), 5);
    EXPECT_EQ(sim->SerialCommands(),
              (std::vector<std::string> {"SMOD5", "GMOD", "SPC-1500", "GPC", "ENA", "NOPE", "SMOD 5"}));
}

TEST_F(SimSerialLine, AnswersCommandsSentTogetherInOrder)
{
    Start();
    sim->Drive(1)->SetParameter("GVER", 1234);
    port->Write("GVER\rSMOD3\rGMOD\r");
    std::string replies;
    const auto end = steady_clock::now() + 2s;
    while (replies.size() < 16 && steady_clock::now() < end)
        replies += port->ReadReply(200ms);
    EXPECT_EQ(replies, "#1234\r\n#OK\r\n#3\r\n");
}

TEST_F(SimSerialLine, IgnoresRepliesComingBackAndBlankLines)
{
    Start();
    port->Write("#5\r\r\n");
    EXPECT_EQ(port->ReadFor(150ms), "");
    EXPECT_EQ(port->Ask("GMOD\r"), "#0\r\n");
}

TEST_F(SimSerialLine, ServesTheNextProgramAfterOneClosedThePort)
{
    Start();
    EXPECT_EQ(port->Ask("SMOD7\r"), "#OK\r\n");
    port->Write("GMO");  // left half-written by the program that goes away
    port.reset();
    std::this_thread::sleep_for(50ms);
    PtyClient again(sim->PtyPath());
    ASSERT_TRUE(again.IsOpen());
    EXPECT_EQ(again.Ask("GMOD\r"), "#7\r\n");
}

TEST_F(SimSerialLine, KeepsAStableLinkWhileRunning)
{
    const std::string link = TestEnvironment::Root() + "/drive-link";
    DriveSimulatorConfig config;
    config.pty = true;
    config.linkPath = link;
    DriveSimulator linked(config);
    std::string error;
    ASSERT_TRUE(linked.Start(&error)) << error;
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), linked.PtyPath());
    PtyClient client(link);
    EXPECT_EQ(client.Ask("GMOD\r"), "#0\r\n");
    linked.Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST_F(SimSerialLine, SilenceSendsNothingAndCountedFaultsWearOff)
{
    Start();
    Faults([](FaultPlan& p) { p.silent = true; p.count = 2; });
    port->Write("GMOD\r");
    EXPECT_EQ(port->ReadFor(300ms), "");
    port->Write("GMOD\r");
    EXPECT_EQ(port->ReadFor(300ms), "");
    EXPECT_EQ(port->Ask("GMOD\r"), "#0\r\n");
    EXPECT_FALSE(sim->Faults(SimChannel::Serial).Any());
}

TEST_F(SimSerialLine, DelaysRepliesPastTheLinkTimeout)
{
    Start();
    Faults([](FaultPlan& p) { p.delayMs = 600; p.count = 1; });
    const auto start = steady_clock::now();
    port->Write("GMOD\r");
    EXPECT_EQ(port->ReadFor(450ms), "");
    EXPECT_EQ(port->ReadReply(3s), "#0\r\n");
    EXPECT_GE(Since(start), 600ms);
    // The late reply does not hold back the next one beyond its own turn.
    EXPECT_EQ(port->Ask("GMOD\r"), "#0\r\n");
}

TEST_F(SimSerialLine, SendsNoiseOrAnEchoBeforeTheReply)
{
    Start();
    const std::string noise("\xFF\x00#a~\r\n", 7);
    Faults([&](FaultPlan& p) { p.noise = noise; });
    port->Write("SMOD2\r");
    EXPECT_EQ(port->ReadFor(200ms), noise + "#OK\r\n");

    Faults([](FaultPlan& p) { p.echo = true; });
    EXPECT_EQ(port->Ask("GMOD\r"), "GMOD\r#2\r\n");
}

TEST_F(SimSerialLine, SplitsAReplyIntoTwoWrites)
{
    Start();
    sim->Drive(1)->SetParameter("GPC", 123456);
    Faults([](FaultPlan& p) { p.splitGapMs = 200; });
    const auto start = steady_clock::now();
    port->Write("GPC\r");
    const std::string first = port->ReadFor(120ms);
    EXPECT_EQ(first, "#1");
    const std::string rest = port->ReadReply(2s);
    EXPECT_EQ(first + rest, "#123456\r\n");
    EXPECT_GE(Since(start), 200ms);
}

TEST_F(SimSerialLine, PadsAReplyBeyondAnyBuffer)
{
    Start();
    sim->Drive(1)->SetParameter("GMOD", 5);
    Faults([](FaultPlan& p) { p.overlongLength = 300; });
    const std::string reply = port->Ask("GMOD\r");
    ASSERT_EQ(reply.size(), 1u + 300u + 2u);
    EXPECT_EQ(reply.substr(0, 4), "#501");
    EXPECT_EQ(reply.substr(reply.size() - 2), "\r\n");
    EXPECT_EQ(reply.find_first_not_of("0123456789", 1), 301u);
}

TEST_F(SimSerialLine, HoldsRepliesBackByTheirWireTime)
{
    Start(9600);
    Faults([](FaultPlan& p) { p.overlongLength = 200; });
    const auto wire = WireTime::Serial(5 + 203, 9600);  // "GMOD\r" and the padded reply
    const auto start = steady_clock::now();
    const std::string reply = port->Ask("GMOD\r");
    const auto took = steady_clock::now() - start;
    EXPECT_EQ(reply.size(), 203u);
    EXPECT_GE(took, wire);
    EXPECT_LT(took, wire + 2s);
}

TEST_F(SimSerialLine, SendsInjectedBytes)
{
    Start();
    sim->InjectSerial("#77\r\n");
    EXPECT_EQ(port->ReadReply(), "#77\r\n");
}

TEST(SimSerialStart, RefusesAnUnusableSetUp)
{
    std::string error;
    DriveSimulator nothing(DriveSimulatorConfig {});
    EXPECT_FALSE(nothing.Start(&error));
    EXPECT_FALSE(error.empty());

    DriveSimulatorConfig badNode;
    badNode.pty = true;
    badNode.nodes = {0};
    DriveSimulator zero(badNode);
    EXPECT_FALSE(zero.Start(&error));
    EXPECT_NE(error.find("127"), std::string::npos);

    DriveSimulatorConfig badLink;
    badLink.pty = true;
    badLink.linkPath = TestEnvironment::Root() + "/no/such/folder/link";
    DriveSimulator unlinked(badLink);
    EXPECT_FALSE(unlinked.Start(&error));
    EXPECT_FALSE(unlinked.IsRunning());
}
