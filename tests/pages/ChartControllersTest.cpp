#include "pages/runmonitor/RunMonitorController.h"
#include "pages/tuning/TuningController.h"

#include "tests/support/QtPrinters.h"
#include "tests/pages/ChartPageTestSupport.h"

#include <QObject>
#include <gtest/gtest.h>

namespace {


// The chart pages' controllers against a scripted drive, with a plain object as the page
// their threads would post to.
class ChartControllersTest : public ChartPageTest {
protected:
    void SetUp() override
    {
        Connect(COMM_RS232);
        run.SetServices({ link.Function(), [] { return 0u; }, {}, 2 });
        tuning.SetServices(link.Function(), {}, 0);
    }

    void ScriptWave()
    {
        g_nComType = COMM_CAN_USB2;
        link.Can("GMOD", 0x1234, 6);
        for (const char* command : { "SMOD4665", "SAT655363000", "SWM1", "SMOD4609", "SWM0" })
            link.Can(command, 0, 6);
    }

    QObject page;
    RunMonitorController run { &page };
    TuningController tuning { &page };
};

}

TEST_F(ChartControllersTest, EachRunModeSendsItsCommandsAndHeldRunsStop)
{
    using RunStart = RunMonitorController::RunStart;
    const struct {
        int mode;
        int target;
        QStringList start;
        const char* stop;
    } cases[] = {
        { RUN_ABSOLUTE_POSITION, -1500, { "SMOD256", "M-1500" }, nullptr },
        { RUN_RELATIVE_POSITION, 2000, { "SMOD256", "MR2000" }, nullptr },
        { RUN_VELOCITY, 600, { "SMOD0", "V600" }, "V0" },
        { RUN_CURRENT, -300, { "SMOD512", "EC-300" }, "EC0" },
    };
    for (const auto& c : cases) {
        // The mode commands fail unanswered: their results do not count.
        for (const char* answered : { "M-1500", "MR2000", "V600", "EC-300", "V0", "EC0" })
            link.Serial(answered, "OK");
        EXPECT_EQ(run.StartRun(c.mode, c.target), c.stop ? RunStart::Held : RunStart::Moved) << c.target;
        EXPECT_EQ(TakeCommands(), c.start) << c.target;
        EXPECT_EQ(run.IsRunHeld(), c.stop != nullptr);
        if (!c.stop)
            continue;
        EXPECT_EQ(run.StopRun(), std::nullopt);
        EXPECT_EQ(TakeCommands(), QStringList { c.stop });
        EXPECT_FALSE(run.IsRunHeld());
    }
}

TEST_F(ChartControllersTest, ARefusedRunOrStopKeepsTheStateItHad)
{
    link.Fail("V600", COMM_RS232_TIMEOUT);
    EXPECT_EQ(run.StartRun(RUN_VELOCITY, 600), RunMonitorController::RunStart::Refused);
    EXPECT_FALSE(run.IsRunHeld());
    link.Serial("V600", "OK");
    ASSERT_EQ(run.StartRun(RUN_VELOCITY, 600), RunMonitorController::RunStart::Held);
    link.Fail("V0", COMM_RS232_TIMEOUT);
    EXPECT_EQ(run.StopRun(), QString("The drive did not take V0: RS232接收超时"));
    EXPECT_TRUE(run.IsRunHeld()) << "the motor may still turn: Stop stays offered";
}

TEST_F(ChartControllersTest, BrakeTogglesOnlyWhenTheDriveTakesItAndEndsAHeldRun)
{
    link.Serial("SBS", "OK");
    link.Serial("CBS", "OK");
    link.Serial("V600", "OK");
    ASSERT_EQ(run.StartRun(RUN_VELOCITY, 600), RunMonitorController::RunStart::Held);
    link.Clear();
    EXPECT_TRUE(run.ToggleBrake());
    EXPECT_TRUE(run.IsBrakeSet());
    EXPECT_FALSE(run.IsRunHeld());
    EXPECT_TRUE(run.ToggleBrake());
    EXPECT_FALSE(run.IsBrakeSet());
    EXPECT_EQ(TakeCommands(), (QStringList { "SBS", "CBS" }));

    link.Fail("SBS", COMM_RS232_TIMEOUT);
    EXPECT_FALSE(run.ToggleBrake());
    EXPECT_FALSE(run.IsBrakeSet());
}

TEST_F(ChartControllersTest, AWaveStartsAndStopsAndAFailedStartIsToldToStop)
{
    ScriptWave();
    TuningForm form;
    ASSERT_TRUE(tuning.StartWave(form));
    EXPECT_TRUE(tuning.IsWaveRunning());
    EXPECT_EQ(TakeCommands(), kWaveStart);
    EXPECT_EQ(tuning.StopWave(), std::nullopt);
    EXPECT_FALSE(tuning.IsWaveRunning());
    EXPECT_EQ(TakeCommands(), kWaveStop);

    // The drive may have taken the shape: it is told to stop all the same.
    link.Fail("SWM1", 11);
    EXPECT_FALSE(tuning.StartWave(form));
    EXPECT_EQ(TakeCommands(), kWaveStart + kWaveStop);
    link.Fail("GMOD", 11);
    EXPECT_FALSE(tuning.StartWave(form));
    EXPECT_EQ(TakeCommands(), QStringList { "GMOD" });
    EXPECT_FALSE(tuning.IsWaveRunning());
}

TEST_F(ChartControllersTest, AStopTheDriveRefusesKeepsTheWaveRunningAndExitStopsItUnasked)
{
    ScriptWave();
    ASSERT_TRUE(tuning.StartWave(TuningForm {}));
    link.Fail("SWM0", 11);
    EXPECT_TRUE(tuning.StopWave().value_or("").startsWith("The drive did not take SWM0"));
    EXPECT_TRUE(tuning.IsWaveRunning());
    link.Can("SWM0", 0, 6);
    link.Clear();
    tuning.StopOnExit();
    EXPECT_FALSE(tuning.IsWaveRunning());
    EXPECT_EQ(TakeCommands(), kWaveStop);
}
