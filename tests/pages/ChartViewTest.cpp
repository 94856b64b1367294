#include "pages/shared/ChartSamples.h"
#include "pages/shared/ChartView.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

ChartAxis Axis(double min, double max)
{
    ChartAxis axis;
    axis.min = min;
    axis.max = max;
    axis.span = max - min;
    return axis;
}

void ExpectAxis(const ChartAxis& axis, double min, double max, const std::string& what)
{
    EXPECT_DOUBLE_EQ(axis.min, min) << what;
    EXPECT_DOUBLE_EQ(axis.max, max) << what;
    EXPECT_DOUBLE_EQ(axis.span, max - min) << what;
}

ChartZoomRect Box(float x0, float y0, float x1, float y1)
{
    ChartZoomRect box;
    box.f[0] = x0;
    box.f[2] = y0;
    box.f[3] = x1;
    box.f[4] = y1;
    return box;
}

}

TEST(ChartView, ButtonsMoveAndScaleTheAxes)
{
    const struct {
        const char* what;
        std::function<bool(ChartAxis&)> op;
        double min, max;      // before
        double newMin, newMax; // after
        bool changed;
    } cases[] = {
        { "pan left", PanLeft, 20000, 40000, 10000, 30000, true },
        { "pan left stops at 0", PanLeft, 0, 20000, 0, 20000, false },
        { "pan left below 0 once", PanLeft, 5, 20005, -9995, 10005, true },
        { "pan right", PanRight, 0, 20000, 10000, 30000, true },
        { "X big", ZoomInX, 1000, 21000, 1000, 11000, true },
        { "X big keeps 100", ZoomInX, 0, 150, 0, 100, true },
        { "X small", ZoomOutX, 1000, 21000, 1000, 41000, true },
        { "up", MoveViewDown, -1000, 1000, -1200, 800, true },
        { "down", MoveViewUp, -1000, 1000, -800, 1200, true },
        { "Y big center", [](ChartAxis& y) { return ZoomInY(y, BASELINE_CENTER); }, -1000, 1000, -500, 500, true },
        { "Y big bottom", [](ChartAxis& y) { return ZoomInY(y, BASELINE_BOTTOM); }, 100, 2100, 100, 1100, true },
        { "Y big needs 40", [](ChartAxis& y) { return ZoomInY(y, BASELINE_CENTER); }, 0, 39, 0, 39, false },
        { "Y small center", [](ChartAxis& y) { return ZoomOutY(y, BASELINE_CENTER); }, -1000, 1000, -2000, 2000, true },
        { "Y small bottom", [](ChartAxis& y) { return ZoomOutY(y, BASELINE_BOTTOM); }, 100, 2100, 100, 4100, true },
        { "baseline center", [](ChartAxis& y) { return SetBaseline(y, BASELINE_CENTER, 500); }, -1000, 1000, -500, 1500, true },
        { "baseline bottom", [](ChartAxis& y) { return SetBaseline(y, BASELINE_BOTTOM, -300); }, -1000, 1000, -300, 1700, true },
    };
    for (const auto& c : cases) {
        ChartAxis axis = Axis(c.min, c.max);
        EXPECT_EQ(c.op(axis), c.changed) << c.what;
        ExpectAxis(axis, c.newMin, c.newMax, c.what);
    }
}

TEST(ChartView, ZoomAndPanStopAtTheLastSoundView)
{
    ChartAxis x = Axis(0, 20000);
    int doublings = 0;
    while (ZoomOutX(x))
        ++doublings;
    EXPECT_LT(doublings, 40);
    EXPECT_TRUE(std::isfinite(x.span) && x.max <= kViewLimit);
    const ChartAxis widest = x;
    EXPECT_FALSE(PanRight(x));
    ExpectAxis(x, widest.min, widest.max, "unchanged at the limit");

    ChartAxis y = Axis(-1000, 1000);
    while (ZoomOutY(y, BASELINE_CENTER)) {
    }
    while (MoveViewUp(y)) {
    }
    EXPECT_TRUE(std::isfinite(y.min) && std::isfinite(y.max) && std::abs(y.max) <= kViewLimit);
    while (ZoomInY(y, BASELINE_CENTER)) {
    }
    EXPECT_GE(y.span, 20.0);
    EXPECT_LT(y.span, 40.0);
}

TEST(ChartView, TypedSpansAreRefusedBelowTheirMinimum)
{
    ChartAxis x = Axis(1000, 21000);
    EXPECT_EQ(SetXSpan(x, 99), QStringLiteral("Span of X axis is no less than 100"));
    ExpectAxis(x, 1000, 21000, "refused");
    EXPECT_EQ(SetXSpan(x, 100), std::nullopt);
    ExpectAxis(x, 1000, 1100, "accepted");

    ChartAxis y = Axis(-1000, 1000);
    EXPECT_TRUE(SetYSpan(y, BASELINE_CENTER, 19).has_value());
    ExpectAxis(y, -1000, 1000, "refused");
    EXPECT_EQ(SetYSpan(y, BASELINE_CENTER, 21), std::nullopt);
    ExpectAxis(y, -10, 10, "centre +- (21 >> 1), held at the minimum span");
    EXPECT_EQ(SetYSpan(y, BASELINE_BOTTOM, 4294967295u), std::nullopt);
    ExpectAxis(y, -10, 4294967285.0, "an unsigned span keeps all its bits");
}

TEST(ChartView, ZeroCatchAndReset)
{
    ChartAxis x = Axis(40000, 60000);
    ChartAxis y = Axis(300, 700);
    EXPECT_TRUE(ZeroView(x, y, BASELINE_CENTER));
    ExpectAxis(x, 0, 20000, "zero x");
    ExpectAxis(y, -200, 200, "zero center");
    EXPECT_TRUE(ZeroView(x, y, BASELINE_BOTTOM));
    ExpectAxis(y, 0, 400, "zero bottom");

    std::vector<RetValue> samples(1);
    samples[0].time = 45000;
    EXPECT_FALSE(CatchLast(x, y, samples)) << "one sample is not enough";
    samples.push_back(samples[0]);
    samples[1].time = 45000;
    samples[1].value = -2000;
    EXPECT_TRUE(CatchLast(x, y, samples));
    ExpectAxis(x, 40000, 60000, "the window of the last sample");
    ExpectAxis(y, -2200, -1800, "centred on its value");

    EXPECT_TRUE(ResetAxes(x, y, 1000, -1000, 0, 20000));
    ExpectAxis(x, 0, 20000, "reset x");
    ExpectAxis(y, -1000, 1000, "reset y");
}

TEST(ChartView, ZoomBoxesOfAtMost100By20AreIgnored)
{
    ChartAxis x = Axis(0, 20000);
    ChartAxis y = Axis(-1000, 1000);
    // 100 X units by 20 Y units.
    EXPECT_EQ(ZoomToBox(x, y, Box(0.5f, 0.5f, 0.505f, 0.51f)), -2);
    ExpectAxis(x, 0, 20000, "ignored");
    ExpectAxis(y, -1000, 1000, "ignored");
    // 101 X units: zooms, the Y height kept at its minimum.
    EXPECT_EQ(ZoomToBox(x, y, Box(0.50505f, 0.5f, 0.5f, 0.51f)), 0);
    EXPECT_NEAR(x.min, 10000, 0.01);
    EXPECT_NEAR(x.span, 101, 0.01);
    EXPECT_NEAR(y.min, 0, 0.01);
    EXPECT_DOUBLE_EQ(y.span, 20);

    // Dragged from the top right to the bottom left.
    x = Axis(0, 20000);
    y = Axis(-1000, 1000);
    EXPECT_EQ(ZoomToBox(x, y, Box(0.75f, 0.75f, 0.25f, 0.25f)), 0);
    ExpectAxis(x, 5000, 15000, "box x");
    ExpectAxis(y, -500, 500, "box y");
}

TEST(ChartView, AxisTextsAndTheMouseReadout)
{
    const ChartAxis x = Axis(0, 20000);
    EXPECT_DOUBLE_EQ(TickValue(x, 3, 10), 6000);
    EXPECT_EQ(XTickText(6000), "6000");
    EXPECT_EQ(XTickText(99999999), "99999999");
    EXPECT_EQ(XTickText(1e8), "0.1G");
    EXPECT_EQ(XTickText(4294967295.0), "4.3G");
    EXPECT_EQ(YTickText(-999999), "-999999");
    EXPECT_EQ(YTickText(-1.5e6), "-1.5M");
    EXPECT_EQ(YTickText(2147483647.0), "2.1G");
    EXPECT_EQ(YTickText(3e12), "3T");
    EXPECT_EQ(TickValue(Axis(-1000, 1000), 20, 20), 1000);

    EXPECT_EQ(ReadoutValue(x, 0.25), 5000);
    EXPECT_EQ(ReadoutValue(Axis(-1000, 1000), 0.0), -1000);
    EXPECT_EQ(ReadoutValue(Axis(0, 1e12), 1.0), INT_MAX) << "held in range, never undefined";
}

TEST(ChartSamples, TimesAccumulateAndTheWindowPagesForward)
{
    ChartSamples samples;
    const ChartAxis x = Axis(0, 20000);
    using K = ChartSamples::Plot::Kind;
    ChartSamples::Plot plot = samples.Append(5, 0, 30, 1000, x);
    EXPECT_EQ(plot.kind, K::MoveTo);
    EXPECT_DOUBLE_EQ(plot.x, 0) << "the first point sits at the left edge";
    EXPECT_EQ(samples.Array(0)[0].time, 30u);

    plot = samples.Append(-7, 3, 19970, 1001, x);
    EXPECT_EQ(plot.kind, K::LineTo);
    EXPECT_DOUBLE_EQ(plot.x, 20000);
    EXPECT_DOUBLE_EQ(plot.y, -7);
    EXPECT_DOUBLE_EQ(samples.Array(0)[1].value2, 3);

    plot = samples.Append(9, 0, 1, 1002, x);
    EXPECT_EQ(plot.kind, K::PageForward);
    EXPECT_DOUBLE_EQ(plot.xMin, 20000);
    EXPECT_DOUBLE_EQ(plot.xMax, 40000);
    EXPECT_DOUBLE_EQ(plot.x, 20001);

    samples.Clear();
    EXPECT_TRUE(samples.Array(0).empty());
}

TEST(ChartSamples, TheSampleAfterTheCapCutsTheArrayToItselfAndKeepsItsTime)
{
    ChartSamples samples;
    const ChartAxis x = Axis(0, 1e9);
    for (size_t i = 0; i < ChartSamples::kMaxSamples; ++i)
        samples.Append(static_cast<int32_t>(i), 0, 2, 0, x);
    ASSERT_EQ(samples.Array(0).size(), ChartSamples::kMaxSamples);
    samples.Append(INT32_MIN, 0, 2, 0, x);
    ASSERT_EQ(samples.Array(0).size(), 1u);
    EXPECT_EQ(samples.Array(0)[0].time, 2u * (ChartSamples::kMaxSamples + 1));
    EXPECT_DOUBLE_EQ(samples.Array(0)[0].value, INT32_MIN) << "all 32 bits";
    samples.Append(1, 0, 2, 0, x);
    EXPECT_EQ(samples.Array(0)[1].time, 2u * (ChartSamples::kMaxSamples + 2));
}
