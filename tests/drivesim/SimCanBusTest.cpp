#include "tests/drivesim/DriveSimTestClients.h"
#include "tools/drivesim/DriveSimulator.h"
#include "tools/drivesim/WireTime.h"

#include <gtest/gtest.h>

#include <utility>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

using Data = std::vector<uint8_t>;

// A simulator with drives at `nodes` on the CAN bus at `url`, started; null when it did not start.
std::unique_ptr<DriveSimulator> StartOnBus(const std::string& url, std::vector<int> nodes, int bitrate = 0)
{
    DriveSimulatorConfig config;
    config.canUrl = url;
    config.nodes = std::move(nodes);
    config.bitrateKbit = bitrate;
    auto sim = std::make_unique<DriveSimulator>(config);
    std::string error;
    if (!sim->Start(&error)) {
        ADD_FAILURE() << error;
        return nullptr;
    }
    return sim;
}

class SimCanBus : public ::testing::Test {
protected:
    void Start(std::vector<int> nodes = {1}, int bitrate = 0)
    {
        url = VirtualCanUrl(FreeLoopbackPort());
        sim = StartOnBus(url, std::move(nodes), bitrate);
        ASSERT_TRUE(sim);
        ASSERT_TRUE(sim->IsCanHost());
        bus = std::make_unique<CanClient>(url);
        ASSERT_TRUE(bus->IsConnected());
    }

    void Faults(const FaultEdit& edit) { sim->SetFaults(SimChannel::Can, MakeFaults(edit)); }

    std::string url;
    std::unique_ptr<DriveSimulator> sim;
    std::unique_ptr<CanClient> bus;
};

// Asks until an answer comes: a client that has just joined a bus is relayed frames only
// once the server has read its registration.
std::optional<QCanBusFrame> AskUntilAnswered(CanClient& client, int node, int commandId)
{
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (auto reply = client.Ask(node, commandId, {}, 100ms))
            return reply;
    }
    return std::nullopt;
}

}

TEST_F(SimCanBus, StoresSettingsAndAnswersWithTwoOrFourValueBytes)
{
    Start();
    // SMOD 300: acknowledged with the value taken, data length 6.
    auto ack = bus->Ask(1, 42, {0x2C, 0x01});
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->frameId(), 0x101u);
    EXPECT_FALSE(ack->hasExtendedFrameFormat());
    EXPECT_EQ(Bytes(*ack), (Data {1, 0, 42, 0x80, 0x2C, 0x01}));

    auto mode = bus->Ask(1, 43);  // GMOD
    ASSERT_TRUE(mode);
    EXPECT_EQ(Bytes(*mode), (Data {1, 0, 43, 0x80, 0x2C, 0x01}));

    // SPC -1 (4 bytes), then GPC: data length 8.
    auto set = bus->Ask(1, 26, {0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_TRUE(set);
    EXPECT_EQ(Bytes(*set), (Data {1, 0, 26, 0x80, 0xFF, 0xFF, 0xFF, 0xFF}));
    auto position = bus->Ask(1, 27);
    ASSERT_TRUE(position);
    EXPECT_EQ(Bytes(*position), (Data {1, 0, 27, 0x80, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(sim->Drive(1)->Parameter("GPC"), -1);

    auto enable = bus->Ask(1, 128);  // ENA: an action, acknowledged with 0
    ASSERT_TRUE(enable);
    EXPECT_EQ(Bytes(*enable), (Data {1, 0, 128, 0x80, 0, 0}));
    EXPECT_EQ(sim->CanRequests().size(), 5u);
}

TEST_F(SimCanBus, AnswersUnknownCommandsWithValueTwo)
{
    Start();
    auto reply = bus->Ask(1, 5000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(Bytes(*reply), (Data {1, 0, 0x88, 0x93, 2, 0}));

    sim->Drive(1)->SetKnown("GSIN", false);
    reply = bus->Ask(1, 9832);
    ASSERT_TRUE(reply);
    EXPECT_EQ(Bytes(*reply), (Data {1, 0, 0x68, 0xA6, 2, 0}));
}

TEST_F(SimCanBus, EachNodeAnswersForItself)
{
    Start({1, 2});
    sim->Drive(2)->SetParameter("GMOD", 9);
    auto one = bus->Ask(1, 43);
    auto two = bus->Ask(2, 43);
    ASSERT_TRUE(one && two);
    EXPECT_EQ(Bytes(*one), (Data {1, 0, 43, 0x80, 0, 0}));
    EXPECT_EQ(Bytes(*two), (Data {2, 0, 43, 0x80, 9, 0}));
    // No drive at node 3: silence.
    EXPECT_FALSE(bus->Ask(3, 43, {}, 200ms));
}

TEST_F(SimCanBus, IgnoresMalformedCommands)
{
    Start();
    auto send = [&](Data data) {
        bus->Send(QCanBusFrame(1, QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()))));
    };
    send({5, 1, 43, 0});            // length byte
    send({4, 9, 43, 0});            // node byte
    send({6, 1, 26, 0, 1, 0});      // SPC takes four argument bytes
    send({3, 1, 43});               // too short
    // A loaded machine may take a while to deliver all four; receiving also runs the
    // client's event loop that writes them. None of them may be answered.
    std::vector<QCanBusFrame> answers;
    const auto deadline = steady_clock::now() + 10s;
    while (sim->RejectedFrames() < 4 && steady_clock::now() < deadline) {
        auto more = bus->ReceiveFor(20ms);
        answers.insert(answers.end(), more.begin(), more.end());
    }
    EXPECT_EQ(sim->RejectedFrames(), 4);
    auto late = bus->ReceiveFor(200ms);
    answers.insert(answers.end(), late.begin(), late.end());
    EXPECT_TRUE(answers.empty());
    EXPECT_TRUE(bus->Ask(1, 43));
}

TEST_F(SimCanBus, FaultsSilenceAndDelay)
{
    Start();
    Faults([](FaultPlan& p) { p.silent = true; p.count = 1; });
    EXPECT_FALSE(bus->Ask(1, 43, {}, 200ms));
    EXPECT_TRUE(bus->Ask(1, 43));

    Faults([](FaultPlan& p) { p.delayMs = 150; p.count = 1; });
    const auto start = steady_clock::now();
    bus->Send(CanClient::Request(1, 43));
    EXPECT_FALSE(bus->Receive(80ms));
    EXPECT_TRUE(bus->Receive(2s));
    EXPECT_GE(steady_clock::now() - start, 150ms);
}

TEST_F(SimCanBus, FaultsWrongNodeCommandAndIdentifier)
{
    Start({5});
    Faults([](FaultPlan& p) { p.wrongNode = true; });
    auto reply = bus->Ask(5, 43);
    ASSERT_TRUE(reply);
    EXPECT_EQ(Bytes(*reply), (Data {6, 0, 43, 0x80, 0, 0}));

    Faults([](FaultPlan& p) { p.wrongCommandId = true; });
    reply = bus->Ask(5, 43);
    ASSERT_TRUE(reply);
    EXPECT_EQ(Bytes(*reply), (Data {5, 0, 44, 0x80, 0, 0}));

    Faults([](FaultPlan& p) { p.wrongIdentifier = true; });
    reply = bus->Ask(5, 43);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->frameId(), 0x102u);
    EXPECT_EQ(Bytes(*reply), (Data {5, 0, 43, 0x80, 0, 0}));
}

TEST_F(SimCanBus, FaultsDataLength)
{
    Start();
    Faults([](FaultPlan& p) { p.dlc = 5; });
    auto reply = bus->Ask(1, 23);  // GSP: normally 8 bytes
    ASSERT_TRUE(reply);
    EXPECT_EQ(Bytes(*reply), (Data {1, 0, 23, 0x80, 0}));

    Faults([](FaultPlan& p) { p.dlc = 12; });
    reply = bus->Ask(1, 43);
    ASSERT_TRUE(reply);
    EXPECT_EQ(Bytes(*reply), (Data {1, 0, 43, 0x80, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SimCanBus, HoldsRepliesBackByTheirWireTime)
{
    Start({1}, 5);
    const auto wire = WireTime::Can(4, 5) + WireTime::Can(6, 5);  // GMOD and its reply: 174 bits
    const auto start = steady_clock::now();
    auto reply = bus->Ask(1, 43, {}, 3s);
    const auto took = steady_clock::now() - start;
    ASSERT_TRUE(reply);
    EXPECT_GE(took, wire);
    EXPECT_LT(took, wire + 2s);
}

TEST_F(SimCanBus, RelaysFramesBetweenItsClients)
{
    Start();
    CanClient other(url);
    ASSERT_TRUE(other.IsConnected());
    // A reply to the newcomer shows that the server has read its registration; frames
    // sent before that would not be relayed to it.
    ASSERT_TRUE(other.Ask(1, 43));
    ASSERT_TRUE(bus->Receive());
    bus->Send(CanClient::Request(1, 43));
    auto relayed = other.Receive();
    ASSERT_TRUE(relayed);
    EXPECT_EQ(relayed->frameId(), 1u);
    EXPECT_EQ(Bytes(*relayed), (Data {4, 1, 43, 0}));
    // The drive's reply reaches every client.
    EXPECT_TRUE(bus->Receive());
    EXPECT_TRUE(other.Receive());

    SimCanFrame injected;
    injected.id = 0x7FF;
    injected.extended = false;
    injected.data = {1, 2, 3};
    sim->InjectFrame(injected);
    auto seen = other.Receive();
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->frameId(), 0x7FFu);
    EXPECT_EQ(Bytes(*seen), (Data {1, 2, 3}));
}

TEST(SimCanJoin, DrivesOnASecondSimulatorJoinTheFirstOnesBus)
{
    const std::string url = VirtualCanUrl(FreeLoopbackPort());
    const auto host = StartOnBus(url, {1});
    ASSERT_TRUE(host);
    const auto guest = StartOnBus(url, {2});
    ASSERT_TRUE(guest);
    EXPECT_TRUE(host->IsCanHost());
    EXPECT_FALSE(guest->IsCanHost());
    guest->Drive(2)->SetParameter("GMOD", 4);

    CanClient client(url);
    ASSERT_TRUE(client.IsConnected());
    auto two = AskUntilAnswered(client, 2, 43);
    ASSERT_TRUE(two);
    EXPECT_EQ(Bytes(*two), (Data {2, 0, 43, 0x80, 4, 0}));
    auto one = client.Ask(1, 43);
    ASSERT_TRUE(one);
    EXPECT_EQ(Bytes(*one)[0], 1);
    EXPECT_TRUE(client.ReceiveFor(100ms).empty());
}

TEST(SimCanJoin, JoinsABusThatQtHosts)
{
    // The test's own device opens the port first, so Qt's bus server runs in this process.
    // Qt keeps that server, for that one port, until the process ends.
    static bool qtServerTaken = false;
    if (std::exchange(qtServerTaken, true))
        GTEST_SKIP() << "Qt hosts one virtual CAN bus per process, taken by an earlier run";
    const std::string url = VirtualCanUrl(FreeLoopbackPort());
    CanClient client(url);
    ASSERT_TRUE(client.IsConnected());

    const auto sim = StartOnBus(url, {7});
    ASSERT_TRUE(sim);
    EXPECT_FALSE(sim->IsCanHost());
    auto reply = AskUntilAnswered(client, 7, 43);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->frameId(), 0x101u);
    EXPECT_EQ(Bytes(*reply), (Data {7, 0, 43, 0x80, 0, 0}));
}

TEST(SimCanStart, RefusesBadUrlsAndABusItCannotHost)
{
    std::string error;
    for (const char* url : {"tcp://127.0.0.1:40000/can5", "tcp://127.0.0.1:40000/vcan", "udp://127.0.0.1:4/can0",
                            "tcp://localhost:40000/can0"}) {
        DriveSimulatorConfig config;
        config.canUrl = url;
        DriveSimulator sim(config);
        EXPECT_FALSE(sim.Start(&error)) << url;
        EXPECT_FALSE(error.empty());
    }

    const uint16_t port = FreeLoopbackPort();
    DriveSimulatorConfig first;
    first.canUrl = VirtualCanUrl(port);
    DriveSimulator host(first);
    ASSERT_TRUE(host.Start(&error)) << error;
    DriveSimulatorConfig second = first;
    second.canMode = VirtualCanBus::Mode::Host;
    DriveSimulator another(second);
    EXPECT_FALSE(another.Start(&error));
    EXPECT_NE(error.find(std::to_string(port)), std::string::npos) << error;

    DriveSimulatorConfig nobody;
    nobody.canUrl = VirtualCanUrl(FreeLoopbackPort());
    nobody.canMode = VirtualCanBus::Mode::Join;
    DriveSimulator lonely(nobody);
    EXPECT_FALSE(lonely.Start(&error));
}
