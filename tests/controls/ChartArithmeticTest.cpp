#include "controls/ChartAxis.h"
#include "controls/ChartCursors.h"
#include "controls/ChartCurveBuilder.h"
#include "controls/ChartZoomRect.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <optional>
#include <vector>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

ChartAxis Axis(double min, double max, double minimumSpan)
{
    ChartAxis a;
    a.Set(min, max, minimumSpan);
    return a;
}

// A builder for a chart of 100 by 100 pixels showing 0 to 100 on both axes.
ChartCurveBuilder Builder100()
{
    return ChartCurveBuilder(Axis(0, 100, 1), Axis(0, 100, 20), 100, 100, 100);
}

// Moves to the first pixel and draws lines through the others.
void DrawPixels(ChartCurveBuilder& b, std::initializer_list<QPoint> pixels)
{
    b.MoveToPixel(*pixels.begin());
    for (auto p = pixels.begin() + 1; p != pixels.end(); ++p)
        b.LineToPixel(*p);
}

// The conversions as optionals: nothing when there is no pixel.
template <class Convert>
std::optional<int> Pixel(Convert convert)
{
    int pixel = -12345;
    if (!convert(&pixel)) {
        EXPECT_EQ(pixel, -12345) << "a failed conversion leaves its output alone";
        return std::nullopt;
    }
    return pixel;
}
std::optional<int> PixelX(const ChartAxis& a, double v, int w)
{
    return Pixel([&](int* p) { return ChartPixelX(a, v, w, p); });
}
std::optional<int> PixelY(const ChartAxis& a, double v, int h)
{
    return Pixel([&](int* p) { return ChartPixelY(a, v, h, p); });
}
std::optional<int> GridPixel(int num, int den, int pixels)
{
    return Pixel([&](int* p) { return ChartGridPixel(num, den, pixels, p); });
}
}

TEST(ChartAxis, ShortSpansGrowFromTheMinimum)
{
    ChartAxis a = Axis(5, 50, 100);
    EXPECT_EQ(a.min, 5);
    EXPECT_EQ(a.max, 105);
    EXPECT_EQ(a.span, 100);

    a = Axis(0, 20000, 100);
    EXPECT_EQ(a.max, 20000);
    EXPECT_EQ(a.span, 20000);

    // Exactly the minimum span is kept as given; a reversed range starts at its minimum.
    a = Axis(10, 30, 20);
    EXPECT_EQ(a.max, 30);
    a = Axis(10, 0, 20);
    EXPECT_EQ(a.min, 10);
    EXPECT_EQ(a.max, 30);
    EXPECT_EQ(a.span, 20);

    // A range that is not a number never leaves a span of zero behind.
    a = Axis(0, kNaN, 20);
    EXPECT_EQ(a.max, 20);
    EXPECT_EQ(a.span, 20);
}

TEST(ChartAxis, ValueToPixel)
{
    const ChartAxis x = Axis(1000, 1256, 100);
    EXPECT_EQ(PixelX(x, 1000, 256), 1) << "the left edge is column 1";
    EXPECT_EQ(PixelX(x, 1000.5, 256), 1);
    EXPECT_EQ(PixelX(x, 1002.9, 256), 2) << "truncated, not rounded";
    EXPECT_EQ(PixelX(x, 1256, 256), 256);
    EXPECT_EQ(PixelX(x, 900, 256), -100) << "x is not clamped";
    EXPECT_EQ(PixelX(x, 999.5, 256), 1) << "truncation toward zero";

    const ChartAxis y = Axis(-64, 64, 20);
    EXPECT_EQ(PixelY(y, 0, 128), 64);
    EXPECT_EQ(PixelY(y, 64, 128), 0);
    EXPECT_EQ(PixelY(y, 1e9, 128), 0) << "above the range: top edge";
    EXPECT_EQ(PixelY(y, -1e9, 128), 128) << "below the range: bottom edge";
    EXPECT_EQ(PixelY(y, -kInf, 128), 128);

    EXPECT_EQ(GridPixel(1, 2, 128), 64);
    EXPECT_EQ(GridPixel(95, 100, 400), 380);
    EXPECT_EQ(GridPixel(1, 0, 400), std::nullopt);
}

TEST(ChartAxis, UnplaceableValuesAndHugeOnes)
{
    const ChartAxis x = Axis(0, 256, 100);
    EXPECT_EQ(PixelX(x, 10, 0), std::nullopt) << "a chart of no width";
    EXPECT_EQ(PixelY(Axis(0, 128, 20), 10, 0), std::nullopt) << "a chart of no height";
    EXPECT_EQ(PixelX(x, kNaN, 256), std::nullopt);
    EXPECT_EQ(PixelY(Axis(0, 128, 20), kNaN, 128), std::nullopt);

    ChartAxis zero = x;
    zero.span = 0;
    EXPECT_EQ(PixelX(zero, 10, 256), std::nullopt) << "a span of zero divides nothing";
    zero.span = -5;
    EXPECT_EQ(PixelX(zero, 10, 256), std::nullopt);
    zero.span = kInf;
    EXPECT_EQ(PixelX(zero, 10, 256), std::nullopt);

    EXPECT_EQ(PixelX(x, 1e300, 256), static_cast<int>(kChartPixelLimit));
    EXPECT_EQ(PixelX(x, -1e300, 256), -static_cast<int>(kChartPixelLimit));
    EXPECT_EQ(PixelX(x, kInf, 256), static_cast<int>(kChartPixelLimit));
    // A maximum written far beyond the span still lands on a bounded pixel.
    ChartAxis y = Axis(0, 128, 20);
    y.max = 1e300;
    EXPECT_EQ(PixelY(y, 1e300, 128), -static_cast<int>(kChartPixelLimit));
}

TEST(ChartVisibleWindow, FindsTheSamplesInsideTheRange)
{
    const std::vector<double> t { 0, 10, 20, 30, 40 };
    auto at = [&](std::size_t i) { return t[i]; };
    using W = std::pair<std::size_t, std::size_t>;
    EXPECT_EQ(ChartVisibleWindow(t.size(), at, 10, 30), W(1, 4)) << "both ends are inside";
    EXPECT_EQ(ChartVisibleWindow(t.size(), at, 11, 29), W(2, 3));
    EXPECT_EQ(ChartVisibleWindow(t.size(), at, -5, 5), W(0, 1));
    EXPECT_EQ(ChartVisibleWindow(t.size(), at, 41, 50), W(5, 5));
    EXPECT_EQ(ChartVisibleWindow(t.size(), at, 15, 15), W(2, 2));
    EXPECT_EQ(ChartVisibleWindow(0, at, 0, 100), W(0, 0));
    EXPECT_EQ(ChartVisibleWindow(t.size(), at, kNaN, 100).first, t.size());

    const std::vector<double> same { 5, 10, 10, 10, 12 };
    EXPECT_EQ(ChartVisibleWindow(same.size(), [&](std::size_t i) { return same[i]; }, 10, 10), W(1, 4));
}

TEST(ChartCurveBuilder, KeepsTwoLinesPerColumn)
{
    ChartCurveBuilder b(Axis(0, 10, 1), Axis(0, 100, 20), 10, 100, 100);
    ASSERT_TRUE(b.MoveTo(0.05, 50));
    for (int i = 0; i < 1000; ++i)
        b.LineTo(i / 100.0, 50 + 40 * std::sin(i * 0.37));
    b.Finish();
    ASSERT_EQ(b.Runs().size(), 1u);
    EXPECT_FALSE(b.Runs()[0].white);
    // Columns 1 to 9 (column 0 counts as 1): per column one vertical stroke, and one line
    // into the next column.
    ASSERT_EQ(b.Lines().size(), 9u + 8u);
    for (int col = 1; col < 10; ++col) {
        const QLine stroke = b.Lines()[static_cast<std::size_t>(2 * (col - 1))];
        EXPECT_EQ(stroke.x1(), col);
        EXPECT_EQ(stroke.x2(), col);
    }
    EXPECT_EQ(b.Current(), QPoint(9, static_cast<int>((1 - (50 + 40 * std::sin(999 * 0.37)) / 100) * 100)));
}

TEST(ChartCurveBuilder, SegmentsAlongAnEdgeAreWhite)
{
    ChartCurveBuilder b = Builder100();
    DrawPixels(b, { { 10, 50 }, { 20, 0 }, { 30, 0 }, { 40, 0 }, { 50, 30 }, { 60, 100 }, { 70, 100 } });
    b.Finish();
    const auto& runs = b.Runs();
    const auto& lines = b.Lines();
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_FALSE(runs[0].white);
    EXPECT_EQ(runs[0].count, 1);
    EXPECT_TRUE(runs[1].white);
    EXPECT_EQ(runs[1].count, 2);
    EXPECT_EQ(lines[1], QLine(20, 0, 30, 0));
    EXPECT_EQ(lines[2], QLine(30, 0, 40, 0));
    EXPECT_FALSE(runs[2].white);
    EXPECT_EQ(runs[2].count, 2);
    EXPECT_TRUE(runs[3].white) << "the bottom edge is the height";
    EXPECT_EQ(lines[5], QLine(60, 100, 70, 100));
}

TEST(ChartCurveBuilder, ALoneMoveDrawsNothingAPointOntoItselfIsADot)
{
    ChartCurveBuilder moveOnly = Builder100();
    DrawPixels(moveOnly, { { 5, 5 } });
    moveOnly.Finish();
    EXPECT_TRUE(moveOnly.Runs().empty());
    EXPECT_TRUE(moveOnly.HasCurrent());

    ChartCurveBuilder dot = Builder100();
    DrawPixels(dot, { { 5, 5 }, { 5, 5 } });
    dot.Finish();
    dot.Finish();
    ASSERT_EQ(dot.Lines().size(), 1u);
    EXPECT_EQ(dot.Lines()[0], QLine(5, 5, 5, 5));

    ChartCurveBuilder none = Builder100();
    EXPECT_FALSE(none.LineTo(5, 5)) << "no segment before a current point";
    EXPECT_FALSE(none.HasCurrent());
}

TEST(ChartCurveBuilder, AMoveInTheMiddleStartsASeparateLine)
{
    ChartCurveBuilder b = Builder100();
    DrawPixels(b, { { 1, 10 }, { 5, 10 } });
    DrawPixels(b, { { 50, 60 }, { 60, 70 } });
    b.Finish();
    ASSERT_EQ(b.Lines().size(), 2u);
    EXPECT_EQ(b.Lines()[1], QLine(50, 60, 60, 70));
}

TEST(ChartCurveBuilder, SamplesByColumnGiveTheLinesOfEverySample)
{
    // Uneven steps, repeated times, gaps of many columns, values off the scale and values
    // that are not numbers.
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> step(0.0, 3.0);
    std::normal_distribution<double> noise(0.0, 30.0);
    std::vector<ChartPoint> samples;
    double x = -50, y = 0;
    for (int i = 0; i < 20000; ++i) {
        x += i % 500 == 0 ? 400.0 : (i % 7 == 0 ? 0.0 : step(rng));
        y += noise(rng);
        samples.push_back({ x, i % 97 == 0 ? kNaN : y });
    }
    for (const ChartAxis& xAxis : { Axis(0, 25000, 100), Axis(1000, 1100, 100), Axis(-1e6, 1e6, 100) }) {
        const ChartAxis yAxis = Axis(-500, 500, 20);
        ChartCurveBuilder each(xAxis, yAxis, 880, 400, 400);
        for (const ChartPoint& p : samples) {
            if (!each.HasCurrent())
                each.MoveTo(p.x, p.y);
            each.LineTo(p.x, p.y);
        }
        each.Finish();
        ChartCurveBuilder columns(xAxis, yAxis, 880, 400, 400);
        columns.AddSamples(0, samples.size(), [&](std::size_t i) { return samples[i]; });
        columns.Finish();
        EXPECT_GT(columns.Lines().size(), 10u);
        EXPECT_EQ(columns.Lines(), each.Lines());
        EXPECT_EQ(columns.Current(), each.Current());
        ASSERT_EQ(columns.Runs().size(), each.Runs().size());
        for (std::size_t r = 0; r < each.Runs().size(); ++r) {
            EXPECT_EQ(columns.Runs()[r].white, each.Runs()[r].white);
            EXPECT_EQ(columns.Runs()[r].count, each.Runs()[r].count);
        }
    }

    ChartAxis noSpan = Axis(0, 100, 20);
    noSpan.span = 0;
    ChartCurveBuilder none(Axis(0, 100, 100), noSpan, 880, 400, 400);
    none.AddSamples(0, samples.size(), [&](std::size_t i) { return samples[i]; });
    none.Finish();
    EXPECT_FALSE(none.HasCurrent()) << "a Y span of zero places nothing";
}

TEST(ChartZoomRect, FractionsFromTheLeftAndFromTheBottom)
{
    const ChartZoomRect z = ChartZoomRect::Make({ 20, 30 }, { 120, 80 }, QRect(0, 0, 200, 100));
    EXPECT_FLOAT_EQ(z.f[0], 0.1f);
    EXPECT_FLOAT_EQ(z.f[1], 0.0f);
    EXPECT_FLOAT_EQ(z.f[2], 0.7f);
    EXPECT_FLOAT_EQ(z.f[3], 0.6f);
    EXPECT_FLOAT_EQ(z.f[4], 0.2f);

    ChartZoomRect back;
    ASSERT_TRUE(ChartZoomRect::FromData(z.ToData(), &back));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(back.f[i], z.f[i]);
    EXPECT_FALSE(ChartZoomRect::FromData(QByteArray(19, 0), &back));
    EXPECT_FALSE(ChartZoomRect::FromData(z.ToData(), nullptr));

    const ChartZoomRect empty = ChartZoomRect::Make({ 5, 5 }, { 9, 9 }, QRect());
    for (float f : empty.f)
        EXPECT_EQ(f, 0.0f) << "a plot of no size divides by nothing";
}

TEST(ChartCursors, Distances)
{
    ChartCursors c;
    c.EnableX(true);
    c.EnableY(true);
    c.Press(50, 20);
    c.Press(150, 70);
    EXPECT_EQ(c.XDistance(200, 1000), 500);
    EXPECT_EQ(c.YDistance(100), 5000);
    EXPECT_EQ(c.XDistance(0, 1000), 0);
    EXPECT_EQ(c.YDistance(0), 0);
    EXPECT_EQ(c.XDistance(200, 1e300), INT_MAX) << "clamped, not overflowed";
    EXPECT_EQ(c.XDistance(200, kNaN), 0);
    EXPECT_EQ(c.XDistance(200, -1000), 0);
}
