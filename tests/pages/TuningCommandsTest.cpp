#include "pages/tuning/TuningCommands.h"
#include "pages/tuning/TuningView.h"

#include <gtest/gtest.h>

TEST(TuningCommands, GainsAreWrittenAndReadInTheDrivesOrder)
{
    const TuningGains gains { 11, 12, 13, 14, 15, 16, 17 };
    EXPECT_EQ(TuningGainWrites(gains), QStringList({ "P11\r", "I12\r", "D13\r", "A14\r", "MP15\r", "MK16\r", "SMPT17\r" }));
    QStringList queries;
    for (const QString& query : TuningGainQueries())
        queries << query;
    EXPECT_EQ(queries, QStringList({ "GP\r", "GI\r", "GD\r", "GA\r", "GMP\r", "GMK\r", "GMPT\r" }));
}

TEST(TuningCommands, WaveStartAndStopTexts)
{
    TuningForm form; // triangle, period 10000, amplitude 3000, offset 0
    EXPECT_EQ(WaveStartCommands(0x1234, form),
        QStringList({ "SMOD4665\r", "SAT655363000\r", "SWM1\r" })); // 0x1239; 10000 << 16 | 3000
    form.waveShape = WAVE_SQUARE;
    form.offset = -100;
    form.period = 65535;
    form.amplitude = 65535;
    // The word is unsigned: 0xFFFFFFFF, never a negative number the drive cannot take.
    EXPECT_EQ(WaveStartCommands(0, form), QStringList({ "SMOD57\r", "SAT4294967295\r", "SWM-6553597\r" }));
    EXPECT_EQ(WaveShapeWord(-100, WAVE_SQUARE), int32_t(0xFF9C0003));
    EXPECT_EQ(WaveStopCommands(0x1239), QStringList({ "SMOD4609\r", "SWM0\r" }));
    EXPECT_EQ(PositionZeroCommands(0x0105), QStringList({ "SMOD257\r", "M0\r" }));
}

TEST(TuningCommands, HostTimedWavePositions)
{
    EXPECT_EQ(PositionModeCommand(0x1239), "SMOD4609\r");
    TuningForm form;
    form.period = 100; // 1000 ms
    form.amplitude = 3000;
    form.offset = -500;
    const struct {
        int shape;
        uint32_t ms;
        const char* command;
    } cases[] = {
        { WAVE_TRIANGLE, 0, "M-500\r" }, { WAVE_TRIANGLE, 125, "M1000\r" }, { WAVE_TRIANGLE, 250, "M2500\r" },
        { WAVE_TRIANGLE, 750, "M-3500\r" }, { WAVE_TRIANGLE, 1250, "M2500\r" }, { WAVE_SINE, 0, "M-500\r" },
        { WAVE_SINE, 250, "M2500\r" }, { WAVE_SINE, 750, "M-3500\r" }, { WAVE_SQUARE, 0, "M2500\r" },
        { WAVE_SQUARE, 499, "M2500\r" }, { WAVE_SQUARE, 500, "M-3500\r" },
        // The clock's whole range wraps into the period.
        { WAVE_TRIANGLE, 4294967295u, "M1960\r" },
    };
    for (const auto& c : cases) {
        form.waveShape = c.shape;
        EXPECT_EQ(HostWaveMoveCommand(form, c.ms), c.command) << c.shape << " " << c.ms;
    }
}

TEST(TuningForm, WaveFieldsTakeOnlyWhatTheDriveHolds)
{
    const struct {
        int id;
        const char* text;
        bool taken;
    } cases[] = {
        { IDC_TUNE_PERIOD, "1", true }, { IDC_TUNE_PERIOD, "65535", true }, { IDC_TUNE_PERIOD, "0", false },
        { IDC_TUNE_PERIOD, "65536", false }, { IDC_TUNE_AMPLITUDE, "65535", true },
        { IDC_TUNE_AMPLITUDE, "0", false }, { IDC_TUNE_OFFSET, "-32768", true }, { IDC_TUNE_OFFSET, "32767", true },
        { IDC_TUNE_OFFSET, "-32769", false }, { IDC_TUNE_OFFSET, "32768", false }, { IDC_TUNE_OFFSET, "1x", false },
        { IDC_TUNE_KT, "101", false }, { IDC_TUNE_A, "0", false }, { IDC_TUNE_SPEED_I, "10000", true },
    };
    for (const auto& c : cases) {
        TuningForm form;
        const auto failure = TakeTuningField(form, c.id, QString::fromLatin1(c.text));
        EXPECT_EQ(!failure, c.taken) << c.id << " " << c.text;
        if (failure)
            EXPECT_EQ(TuningFieldText(form, c.id), TuningFieldText(TuningForm {}, c.id)) << "untouched " << c.id;
        else
            EXPECT_EQ(TuningFieldText(form, c.id), QString::fromLatin1(c.text));
    }
}

TEST(TuningView, ZoomSteps)
{
    EXPECT_EQ(FeedbackZoomSpan(18000, true), 9000);
    EXPECT_EQ(FeedbackZoomSpan(8600, true), 4200);
    EXPECT_EQ(FeedbackZoomSpan(399, true), std::nullopt);
    EXPECT_EQ(FeedbackZoomSpan(4250, false), 8400); // 425 twenties -> 420
    EXPECT_EQ(FeedbackZoomSpan(99, false), std::nullopt);
    EXPECT_EQ(ErrorZoomSpan(18, true), 20);
    EXPECT_EQ(ErrorZoomSpan(200, true), 100);
    EXPECT_EQ(ErrorZoomSpan(200, false), 400);
    double max = 0;
    double min = 0;
    HalfSpanRange(18000, &max, &min);
    EXPECT_EQ(max, 9000);
    EXPECT_EQ(min, -9000); // not 2^32 - 9000
    ChartAxis y;
    y.Set(-100, 100, 20);
    EXPECT_EQ(YDistanceText(y, 2500), "50");
    EXPECT_EQ(MradText(180), "31.415926");
}
