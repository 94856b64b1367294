#include "tools/drivesim/SerialCommandParser.h"
#include "tools/drivesim/SimDriveStatus.h"
#include "tools/drivesim/SimMotion.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The motor on a clock the test moves.
class SimMotionTest : public ::testing::Test {
protected:
    std::string Send(const std::string& line)
    {
        return SerialCommandParser::Format(drive.Answer(*SerialCommandParser::Parse(line)));
    }
    int32_t Query(const std::string& mnemonic)
    {
        const std::string reply = Send(mnemonic);
        return std::stoi(reply.substr(1));
    }
    void Wait(double seconds) { now += seconds; }

    double now = 100.0;
    SimDrive drive { 1 };
    std::shared_ptr<SimDriveStatus> status = SimDriveStatus::Attach(drive);
    std::shared_ptr<SimMotion> motion = SimMotion::Attach(drive, status, [this] { return now; });
};

}

TEST_F(SimMotionTest, VelocityRampsAtTheAccelerationAndPositionIntegratesIt)
{
    EXPECT_EQ(Send("SMOD0"), "#OK\r\n");
    EXPECT_EQ(Send("A10"), "#OK\r\n"); // 1000 rpm/s
    EXPECT_EQ(Send("V600"), "#OK\r\n");
    Wait(0.3);
    EXPECT_EQ(Query("GV"), 300);
    EXPECT_GT(Query("GC"), 0) << "accelerating draws current";
    Wait(0.3);
    EXPECT_EQ(Query("GV"), 600);
    // 0.6 s ramp: 0.5 * 10 rev/s * 0.6 s = 3 rev; then 1 s at 10 rev/s.
    EXPECT_NEAR(Query("GM"), 30000, 20);
    Wait(1.0);
    EXPECT_NEAR(Query("GM"), 130000, 20);
    EXPECT_EQ(Query("GC"), static_cast<int>(SimMotion::kFriction * 600));

    Send("V0");
    Wait(1.0);
    EXPECT_EQ(Query("GV"), 0);
    const int32_t stopped = Query("GM");
    Wait(1.0);
    EXPECT_EQ(Query("GM"), stopped);
}

TEST_F(SimMotionTest, CurrentDrivesTheVelocityAgainstFriction)
{
    Send("SMOD512");
    Send("EC1000");
    Wait(0.5);
    EXPECT_NEAR(Query("GV"), 500 * (1 - std::exp(-1.0)), 2);
    Wait(5.0);
    EXPECT_EQ(Query("GV"), 500);
    EXPECT_EQ(Query("GC"), 1000);
    Send("EC-400");
    Wait(10.0);
    EXPECT_EQ(Query("GV"), -200);
}

TEST_F(SimMotionTest, PositionMovesRampAndStopExactlyOnTheirTarget)
{
    Send("SMOD256");
    Send("SSP500");
    for (const auto& [command, target] : { std::pair { "M123457", 123457 }, std::pair { "MR-3000", 120457 },
             std::pair { "M-7", -7 } }) {
        EXPECT_EQ(Send(command), "#OK\r\n");
        Wait(0.05);
        EXPECT_NE(Query("GV"), 0) << command;
        EXPECT_LE(std::abs(Query("GV")), 500) << command;
        Wait(30.0);
        EXPECT_EQ(Query("GM"), target) << command;
        EXPECT_EQ(Query("GV"), 0) << command;
    }
}

TEST_F(SimMotionTest, TheBrakeHoldsTheMotorAndShowsInTheStatus)
{
    Send("SMOD0");
    Send("V1000");
    Wait(2.0);
    EXPECT_EQ(Send("SBS"), "#OK\r\n");
    EXPECT_TRUE(status->GetFields().braking);
    const int32_t held = Query("GM");
    EXPECT_EQ(Query("GV"), 0);
    Send("V2000");
    Wait(2.0);
    EXPECT_EQ(Query("GM"), held);
    EXPECT_EQ(Query("GC"), 0);

    EXPECT_EQ(Send("CBS"), "#OK\r\n");
    EXPECT_FALSE(status->GetFields().braking);
    Wait(2.0);
    EXPECT_EQ(Query("GM"), held) << "released, it waits for its next command";
    EXPECT_EQ(Send("PO5"), "#OK\r\n");
    EXPECT_EQ(Query("GM"), 5);
}

TEST_F(SimMotionTest, DetachedTheCommandsAreSettingsAgain)
{
    motion->Detach();
    drive.SetParameter("GM", 77);
    Wait(1.0);
    EXPECT_EQ(Query("GM"), 77);
    EXPECT_EQ(Send("V9"), "#OK\r\n");
    EXPECT_EQ(Query("GV"), 9);
}
