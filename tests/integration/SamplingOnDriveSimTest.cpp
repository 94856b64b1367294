#include "link/LinkLayer.h"
#include "link/LinkTransaction.h"
#include "pages/tuning/SampleThread.h"
#include "platform/WindowMessage.h"
#include "tests/integration/IntegrationDrive.h"
#include "tools/drivesim/SimWave.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>

namespace {

// What the sampling thread posts to its page.
class SampleSink : public QObject {
public:
    struct Sample {
        int32_t value;
        int array;
        int step;
    };
    std::vector<Sample> samples;
    QStringList ends;

    bool event(QEvent* event) override
    {
        const int message = WindowMessage::MessageOf(event);
        if (message == 0)
            return QObject::event(event);
        auto* m = static_cast<WindowMessage*>(event);
        if (message == WM_NEW_SAMPLE)
            samples.push_back({ static_cast<int32_t>(static_cast<uint32_t>(m->WParam())), HIWORD(m->LParam()),
                LOWORD(m->LParam()) });
        else if (message == WM_MONITOR_END)
            ends << QString::fromUtf8(m->Data());
        return true;
    }
    int Count(int array) const
    {
        return static_cast<int>(std::count_if(samples.begin(), samples.end(), [array](const Sample& s) { return s.array == array; }));
    }
};

bool Send(const QString& command)
{
    uint8_t reply[64] = {};
    int length = sizeof reply;
    return LinkTransactLocked(command, reply, &length) == COMM_OK;
}

// The sampling thread against the simulated drive's running wave, on both CAN roads.
class SamplingOnDriveSim : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(OpenIntegrationChannel(GetParam()));
        wave = SimWave::Attach(*drive.Drive(g_nCurNode));
    }
    void TearDown() override
    {
        thread.Stop();
        Send(QStringLiteral("SWM0\r"));
        drive.ClearFaults();
        LinkShutdown();
        g_bCanK8110Open = 0;
        g_bCanUsbOpen = 0;
        g_nComType = COMM_RS232;
    }
    void WaitFor(const std::function<bool()>& done, int seconds = 20)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done() && std::chrono::steady_clock::now() < end)
            QTest::qWait(5);
        ASSERT_TRUE(done());
    }

    DriveSimulator& drive = IntegrationDrive();
    std::shared_ptr<SimWave> wave;
    SampleSink sink;
    SampleThread thread { &sink, PollPause {} };
};

} // namespace

TEST_P(SamplingOnDriveSim, FeedbackAndCommandOfASquareWaveReachTheirArrays)
{
    // Square wave of amplitude 1000 around -500, period 0.2 s.
    ASSERT_TRUE(Send(QStringLiteral("SAT%1\r").arg((20u << 16) | 1000u)));
    ASSERT_TRUE(Send(QStringLiteral("SWM%1\r").arg(int32_t(0xFE0C0003))));
    ASSERT_TRUE(wave->Running());
    drive.ClearRecords();
    ASSERT_TRUE(thread.Start(true, true));
    WaitFor([&] { return sink.Count(0) >= 100 && sink.Count(2) >= 100; });
    thread.Stop();
    QCoreApplication::sendPostedEvents(&sink);

    EXPECT_TRUE(sink.ends.isEmpty()) << sink.ends.join(u'\n').toStdString();
    int total = 0;
    for (const SampleSink::Sample& s : sink.samples) {
        ASSERT_TRUE(s.array == 0 || s.array == 2) << s.array;
        total += s.step;
        if (s.array == 2)
            ASSERT_TRUE(s.value == 500 || s.value == -1500) << s.value;
        else
            // The command 50 ms late: the offset alone until the wave is that old.
            ASSERT_TRUE(std::abs(s.value - 500) <= SimWave::kNoise || std::abs(s.value + 1500) <= SimWave::kNoise
                || std::abs(s.value + 500) <= SimWave::kNoise)
                << s.value;
        ASSERT_LT(s.step, 1000);
    }
    EXPECT_GT(total, 0);
    // The requests: two data bytes {node, code}, feedback first.
    const std::vector<SimCanFrame> requests = drive.CanRequests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0].data, (std::vector<uint8_t> { 6, 155 }));
    EXPECT_EQ(requests[1].data, (std::vector<uint8_t> { 6, 145 }));
    EXPECT_EQ(requests[0].id, 6u);
}

TEST_P(SamplingOnDriveSim, TenBadRepliesEndTheRunWithTheirMessage)
{
    const struct {
        FaultPlan faults;
    } cases[] = { { [] { FaultPlan p; p.wrongNode = true; return p; }() },
        { [] { FaultPlan p; p.dlc = 1; return p; }() } };
    for (const auto& c : cases) {
        sink.samples.clear();
        sink.ends.clear();
        drive.SetFaults(SimChannel::Can, c.faults);
        ASSERT_TRUE(thread.Start(true, false));
        WaitFor([&] { return !sink.ends.isEmpty(); });
        EXPECT_EQ(sink.ends, QStringList { QStringLiteral("通讯故障") });
        EXPECT_TRUE(sink.samples.empty());
        WaitFor([&] { return !thread.IsRunning(); });
        drive.ClearFaults();
    }
}

TEST_P(SamplingOnDriveSim, TenFailedSendsEndTheRun)
{
    const bool card = GetParam() == COMM_CAN_K8110;
    std::atomic<int>& index = card ? g_nK8110Index : g_nVciDevIndex;
    const int saved = index;
    index = 7; // no adapter there
    ASSERT_TRUE(thread.Start(true, true));
    WaitFor([&] { return !sink.ends.isEmpty(); });
    index = saved;
    EXPECT_EQ(sink.ends, QStringList { QStringLiteral("通讯故障－－发送失败") });
}

TEST_P(SamplingOnDriveSim, TenMissingRepliesInARowEndTheRun)
{
    FaultPlan silent;
    silent.silent = true;
    drive.SetFaults(SimChannel::Can, silent);
    // The card road waits 200 ms for the command's reply, the adapter road 2 s.
    ASSERT_TRUE(thread.Start(false, true));
    WaitFor([&] { return !sink.ends.isEmpty(); }, 40);
    EXPECT_EQ(sink.ends, QStringList { QStringLiteral("通讯故障－－接收失败") });
}

TEST_P(SamplingOnDriveSim, NothingCheckedSendsNothingAndWaitsIdle)
{
    drive.ClearRecords();
    ASSERT_TRUE(thread.Start(false, false));
    QTest::qWait(150);
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_TRUE(Send(QStringLiteral("GMOD\r"))) << "the idle thread leaves the link to others";
    thread.Stop();
    EXPECT_EQ(drive.CanRequests().size(), 1u); // the GMOD alone
}

TEST_P(SamplingOnDriveSim, CommandsWhileSamplingGetTheirOwnReplies)
{
    ASSERT_TRUE(Send(QStringLiteral("SAT%1\r").arg((100u << 16) | 1000u)));
    ASSERT_TRUE(Send(QStringLiteral("SWM2\r")));
    ASSERT_TRUE(thread.Start(true, true));
    WaitFor([&] { return sink.samples.size() > 20; });
    // A sample frame taken for a command's reply would fail it (another command id).
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(Send(QStringLiteral("GMOD\r"))) << i;
    thread.Stop();
}

TEST_P(SamplingOnDriveSim, StopEndsAReplyWaitAndSendsNothingMore)
{
    FaultPlan silent;
    silent.silent = true;
    drive.SetFaults(SimChannel::Can, silent);
    drive.ClearRecords();
    ASSERT_TRUE(thread.Start(true, true));
    WaitFor([&] { return !drive.CanRequests().empty(); });
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(drive.CanRequests().size(), 1u) << "the position command was not asked after the stop";
}

TEST_P(SamplingOnDriveSim, ACommandDoesNotWaitForAnOverdueSample)
{
    FaultPlan late;
    late.delayMs = 1000;
    drive.SetFaults(SimChannel::Can, late);
    drive.ClearRecords();
    ASSERT_TRUE(thread.Start(true, false));
    WaitFor([&] { return !drive.CanRequests().empty(); });
    Send(QStringLiteral("GMOD\r"));
    EXPECT_EQ(thread.SamplesPosted(), 0u) << "the command went before the late sample came";
    thread.Stop();
    EXPECT_EQ(thread.SamplesPosted(), 0u) << "a sample given up is not taken later";
}

INSTANTIATE_TEST_SUITE_P(Roads, SamplingOnDriveSim, ::testing::Values(COMM_CAN_K8110, COMM_CAN_USB2),
    [](const ::testing::TestParamInfo<int>& info) { return info.param == COMM_CAN_K8110 ? "Card" : "UsbCan"; });

TEST(SamplingOnSerial, RefusesAndEnds)
{
    const int saved = g_nComType;
    g_nComType = COMM_RS232;
    SampleSink sink;
    SampleThread thread(&sink, PollPause {});
    ASSERT_TRUE(thread.Start(true, true));
    for (int i = 0; i < 2000 && sink.ends.isEmpty(); ++i)
        QTest::qWait(1);
    EXPECT_EQ(sink.ends, QStringList { QStringLiteral("请使用CAN设备监测") });
    thread.Stop();
    g_nComType = saved;
}
