#include "controls/CLineChartCtrl.h"
#include "tests/controls/ChartTestSupport.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {
constexpr COLORREF kRed = RGB(255, 0, 0);
const QRgb kRedPixel = qRgb(255, 0, 0);
const QRgb kWhitePixel = qRgb(255, 255, 255);

// A 256 x 128 chart showing X 0..256 and Y 0..128, so values map to pixels exactly:
// column = x, row = 128 - y.
struct PixelChart : ::testing::Test, OwnedChart<CLineChartCtrl> {
    PixelChart()
        : OwnedChart(256, 128)
    {
        chart->SetXRange(0, 256);
        chart->SetYRange(128, 0);
        chart->AddItem(kRed);
    }
};

// The way the owner pages walk their samples: MoveTo to the first one in the window, then
// LineTo to it and every later one not beyond the window.
void DrawEverySample(CLineChartCtrl* chart, int item, const std::vector<ChartPoint>& samples)
{
    bool started = false;
    for (const ChartPoint& p : samples) {
        if (p.x < chart->m_xRange.min || p.x > chart->m_xRange.max)
            continue;
        if (!started)
            chart->MoveTo(item, p.x, p.y);
        started = true;
        chart->LineTo(item, p.x, p.y);
    }
}
}

TEST(CLineChartCtrl, DefaultsAndRangeRules)
{
    CLineChartCtrl chart;
    EXPECT_EQ(chart.m_xRange.min, 0);
    EXPECT_EQ(chart.m_xRange.max, 2000);
    EXPECT_EQ(chart.m_xRange.span, 2000) << "spans always match their range";
    EXPECT_EQ(chart.m_yRange.max, 1000);
    EXPECT_EQ(chart.m_yRange.span, 1000);
    EXPECT_EQ(chart.ItemCount(), 0);
    double fx = -1, fy = -1;
    chart.GetMousePos(&fx, &fy);
    EXPECT_EQ(fx, 0);
    EXPECT_EQ(fy, 0);

    chart.SetXRange(5, 50);
    EXPECT_EQ(chart.m_xRange.min, 5);
    EXPECT_EQ(chart.m_xRange.max, 105);
    EXPECT_EQ(chart.m_xRange.span, 100);

    chart.SetYRange(10, 0);  // maximum first
    EXPECT_EQ(chart.m_yRange.min, 0);
    EXPECT_EQ(chart.m_yRange.max, 20);
    EXPECT_EQ(chart.m_yRange.span, 20);
    chart.SetYRange(0, 10);  // maximum below minimum
    EXPECT_EQ(chart.m_yRange.min, 10);
    EXPECT_EQ(chart.m_yRange.max, 30);
    EXPECT_EQ(chart.m_yRange.span, 20);
    chart.SetYRange(1000, -1000);
    EXPECT_EQ(chart.m_yRange.min, -1000);
    EXPECT_EQ(chart.m_yRange.span, 2000);
}

TEST(CLineChartCtrl, CurvesAndIndicesThatAreNotCurves)
{
    CLineChartCtrl chart;
    chart.resize(100, 50);
    chart.InitMemDC();
    EXPECT_EQ(chart.AddItem(kRed), 0);
    EXPECT_EQ(chart.AddItem(RGB(0, 0, 255)), 1);
    ASSERT_NE(chart.Item(1), nullptr);
    EXPECT_EQ(chart.Item(1)->m_colour, RGB(0, 0, 255));
    EXPECT_EQ(chart.Item(1)->m_lastX, 0);
    EXPECT_EQ(chart.Item(1)->m_lastY, 0);

    EXPECT_EQ(chart.MoveTo(2, 1, 1), 1);
    EXPECT_EQ(chart.MoveTo(-1, 1, 1), 1);
    EXPECT_EQ(chart.MoveTo(-7, 1, 1), 1);
    EXPECT_EQ(chart.MoveTo(std::numeric_limits<int>::min(), 1, 1), 1);
    EXPECT_EQ(chart.MoveTo(0, 1000, 500), 0);
    chart.LineTo(-1, 2000, 0);
    chart.LineTo(2, 2000, 0);
    chart.DrawSamples(-3, {});
    EXPECT_EQ(chart.Item(-1), nullptr);
    EXPECT_EQ(chart.Item(2), nullptr);
    EXPECT_TRUE(InkedPixels(chart.Image()).empty());
}

TEST_F(PixelChart, APointOntoItselfLightsOnePixel)
{
    chart->MoveTo(0, 100, 32);
    EXPECT_TRUE(InkedPixels(chart->Image()).empty()) << "MoveTo draws nothing";
    chart->LineTo(0, 100, 32);
    const std::vector<QPoint> inked = InkedPixels(chart->Image());
    ASSERT_EQ(inked.size(), 1u);
    EXPECT_EQ(inked[0], QPoint(100, 96));
    EXPECT_EQ(chart->Image().pixel(100, 96), kRedPixel);
    EXPECT_EQ(chart->Item(0)->m_lastX, 100);
    EXPECT_EQ(chart->Item(0)->m_lastY, 96);
}

TEST_F(PixelChart, ASegmentLightsBothEndsAndTheLineBetween)
{
    chart->MoveTo(0, 10, 64);
    chart->LineTo(0, 20, 64);
    std::vector<QPoint> inked = InkedPixels(chart->Image());
    ASSERT_EQ(inked.size(), 11u);
    for (int i = 0; i <= 10; ++i)
        EXPECT_EQ(inked[static_cast<std::size_t>(i)], QPoint(10 + i, 64));

    chart->Clear();
    chart->MoveTo(0, 50, 10);
    chart->LineTo(0, 50, 40);  // straight up
    inked = InkedPixels(chart->Image());
    ASSERT_EQ(inked.size(), 31u);
    EXPECT_EQ(inked.front(), QPoint(50, 88));
    EXPECT_EQ(inked.back(), QPoint(50, 118));

    chart->Clear();
    chart->MoveTo(0, 30, 64);
    chart->LineTo(0, 40, 74);  // up and to the right at 45 degrees
    inked = InkedPixels(chart->Image());
    ASSERT_EQ(inked.size(), 11u);
    for (int i = 0; i <= 10; ++i)
        EXPECT_EQ(chart->Image().pixel(30 + i, 64 - i), kRedPixel) << i;
}

TEST_F(PixelChart, XMinimumIsColumnOne)
{
    chart->MoveTo(0, 0, 32);
    chart->LineTo(0, 0, 32);
    EXPECT_EQ(chart->Image().pixel(1, 96), kRedPixel);
    EXPECT_EQ(chart->Image().pixel(0, 96), kWhitePixel);
}

TEST_F(PixelChart, ValuesAboveTheRangeRunWhiteAlongTheTop)
{
    chart->DrawHGridLine(0, 1, RGB(0, 0, 0), PS_SOLID);
    EXPECT_EQ(chart->Image().pixel(55, 0), qRgb(0, 0, 0));
    chart->MoveTo(0, 50, 1000);
    chart->LineTo(0, 60, 1e9);
    EXPECT_EQ(chart->Item(0)->m_lastY, 0);
    for (int x = 50; x <= 60; ++x)
        EXPECT_EQ(chart->Image().pixel(x, 0), kWhitePixel) << x;
    EXPECT_EQ(chart->Image().pixel(49, 0), qRgb(0, 0, 0));
    EXPECT_EQ(chart->Image().pixel(61, 0), qRgb(0, 0, 0));

    // Coming down off the edge draws in the curve's colour again.
    chart->LineTo(0, 70, 64);
    EXPECT_EQ(chart->Image().pixel(70, 64), kRedPixel);

    // Below the range the curve sits on the bottom edge, outside the last row.
    chart->Clear();
    chart->MoveTo(0, 10, -5);
    chart->LineTo(0, 20, -1e300);
    EXPECT_EQ(chart->Item(0)->m_lastY, 128);
    EXPECT_TRUE(InkedPixels(chart->Image()).empty());
}

TEST_F(PixelChart, HugeValuesAreClampedNotOverflowed)
{
    chart->MoveTo(0, 100, 64);
    chart->LineTo(0, 1e300, 64);
    for (int x = 100; x < 256; ++x)
        EXPECT_EQ(chart->Image().pixel(x, 64), kRedPixel) << x;
    EXPECT_EQ(chart->Item(0)->m_lastX, static_cast<int>(kChartPixelLimit));
    chart->LineTo(0, -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(chart->Item(0)->m_lastX, -static_cast<int>(kChartPixelLimit));
    EXPECT_EQ(chart->Item(0)->m_lastY, 0);

    // A value that is not a number is no point: nothing drawn, the current point stays.
    chart->Clear();
    chart->MoveTo(0, 10, 10);
    chart->LineTo(0, std::numeric_limits<double>::quiet_NaN(), 10);
    chart->LineTo(0, 10, std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(InkedPixels(chart->Image()).empty());
    EXPECT_EQ(chart->Item(0)->m_lastX, 10);
}

TEST_F(PixelChart, ASpanOfZeroDrawsNothing)
{
    chart->MoveTo(0, 10, 10);
    chart->m_xRange.span = 0;  // owners write the view range directly
    chart->LineTo(0, 20, 20);
    EXPECT_EQ(chart->MoveTo(0, 30, 30), 0);
    chart->DrawSamples(0, std::vector<ChartPoint> { { 10, 10 }, { 20, 20 } });
    EXPECT_TRUE(InkedPixels(chart->Image()).empty());
    EXPECT_EQ(chart->Item(0)->m_lastX, 10);

    chart->m_xRange.span = 256;
    chart->m_yRange.span = 0;
    chart->LineTo(0, 20, 20);
    EXPECT_TRUE(InkedPixels(chart->Image()).empty());
}

TEST_F(PixelChart, GridLines)
{
    chart->DrawHGridLine(1, 2, RGB(0, 0, 255), PS_SOLID);
    chart->DrawVGridLine(1, 4, RGB(0, 255, 0), PS_SOLID);
    EXPECT_EQ(chart->Image().pixel(0, 64), qRgb(0, 0, 255));
    EXPECT_EQ(chart->Image().pixel(255, 64), qRgb(0, 0, 255));
    EXPECT_EQ(chart->Image().pixel(64, 0), qRgb(0, 255, 0));
    EXPECT_EQ(chart->Image().pixel(64, 127), qRgb(0, 255, 0));
    EXPECT_EQ(InkedPixels(chart->Image()).size(), 256u + 128u - 1u);

    chart->Clear();
    chart->DrawHGridLine(1, 0, RGB(0, 0, 0), PS_SOLID);
    chart->DrawVGridLine(1, 2, RGB(0, 0, 0), PS_NULL);
    EXPECT_TRUE(InkedPixels(chart->Image()).empty());
    chart->DrawVGridLine(1, 2, RGB(0, 0, 0), PS_DOT);
    const std::size_t dots = InkedPixels(chart->Image()).size();
    EXPECT_GT(dots, 10u);
    EXPECT_LT(dots, 100u) << "a dotted line leaves gaps";
}

TEST_F(PixelChart, PaintCopiesTheImage)
{
    chart->MoveTo(0, 10, 10);
    chart->LineTo(0, 200, 100);
    chart->Refresh();
    const QImage shown = chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, chart->Image());
}

TEST(CLineChartCtrl, DrawnInColumnsAsEverySampleWouldBe)
{
    // A noisy curve with many samples per pixel column, seen through a window in the
    // middle of the data.
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 25.0);
    std::vector<ChartPoint> samples;
    double y = 0;
    for (int i = 0; i < 30000; ++i) {
        y = std::clamp(y + noise(rng), -900.0, 900.0);
        samples.push_back({ i * 0.5, y + 300 * std::sin(i / 700.0) });
    }
    auto make = [](QWidget* owner) {
        auto* chart = new CLineChartCtrl(owner);
        chart->setGeometry(0, 0, 880, 400);
        chart->InitMemDC();
        chart->SetXRange(1234.5, 12345.5);
        chart->SetYRange(1000, -1000);
        chart->AddItem(RGB(0, 0, 255));
        return chart;
    };
    QWidget owner;
    CLineChartCtrl* each = make(&owner);
    CLineChartCtrl* columns = make(&owner);
    DrawEverySample(each, 0, samples);
    columns->DrawSamples(0, samples);
    EXPECT_GT(InkedPixels(columns->Image()).size(), 5000u);
    EXPECT_EQ(columns->Image(), each->Image());
    EXPECT_EQ(columns->Item(0)->m_lastX, each->Item(0)->m_lastX);
    EXPECT_EQ(columns->Item(0)->m_lastY, each->Item(0)->m_lastY);

    // Held at both edges, one sample a column apart: the white edge runs match too.
    std::vector<ChartPoint> clipped;
    for (int i = 0; i < 400; ++i)
        clipped.push_back({ 1300.0 + i * 25, (i / 40) % 2 ? 5000.0 : -5000.0 + i * 10 });
    each->Clear();
    columns->Clear();
    each->DrawHGridLine(0, 1, RGB(0, 0, 0), PS_SOLID);
    columns->DrawHGridLine(0, 1, RGB(0, 0, 0), PS_SOLID);
    DrawEverySample(each, 0, clipped);
    columns->DrawSamples(0, clipped);
    EXPECT_EQ(columns->Image(), each->Image());
}

TEST(CLineChartCtrl, AChartOfNoSizeDrawsNothingAndDividesByNothing)
{
    ChartOwner owner;
    auto* chart = new CLineChartCtrl(&owner);
    chart->setGeometry(0, 0, 0, 0);
    chart->InitMemDC();
    EXPECT_TRUE(chart->Image().isNull());
    EXPECT_EQ(chart->AddItem(kRed), 0);
    EXPECT_EQ(chart->MoveTo(0, 10, 10), 0);
    chart->LineTo(0, 100, 100);
    chart->DrawHGridLine(1, 2, kRed, PS_SOLID);
    chart->DrawVGridLine(1, 2, kRed, PS_SOLID);
    chart->Clear();
    Hover(chart, { 5, 5 });
    double fx = -1, fy = -1;
    chart->GetMousePos(&fx, &fy);
    EXPECT_EQ(fx, 0);
    EXPECT_EQ(fy, 0);
    Press(chart, { 0, 0 });
    Release(chart, { 0, 0 });
    ASSERT_EQ(owner.notes.size(), 1u);
    ChartZoomRect zoom;
    ASSERT_TRUE(ChartZoomRect::FromData(owner.notes[0].data, &zoom));
    for (float f : zoom.f)
        EXPECT_EQ(f, 0.0f);

    // Once it has a size, the image is made.
    chart->setGeometry(0, 0, 100, 50);
    chart->InitMemDC();
    EXPECT_EQ(chart->Image().size(), QSize(100, 50));
    chart->SetXRange(0, 100);
    chart->SetYRange(50, 0);
    chart->MoveTo(0, 10, 10);
    chart->LineTo(0, 20, 10);
    EXPECT_FALSE(InkedPixels(chart->Image()).empty());

    // The image keeps its first size; later calls only follow the new size for placing.
    chart->setGeometry(0, 0, 200, 100);
    chart->InitMemDC();
    EXPECT_EQ(chart->Image().size(), QSize(100, 50));
}

namespace {
struct ZoomChart : ::testing::Test, OwnedChart<CLineChartCtrl> {
    ZoomChart()
        : OwnedChart(200, 100)
    {
    }

    ChartZoomRect OnlyZoom()
    {
        ChartZoomRect zoom;
        EXPECT_EQ(owner.Deliver().size(), 1u);
        if (owner.notes.empty())
            return zoom;
        EXPECT_EQ(owner.notes[0].lParam, CHART_NOTIFY_ZOOM);
        EXPECT_TRUE(ChartZoomRect::FromData(owner.notes[0].data, &zoom));
        return zoom;
    }
};
}

TEST_F(ZoomChart, ADragReportsItsBoxAsFractions)
{
    Press(chart, { 20, 30 });
    EXPECT_TRUE(chart->IsZoomDragging());
    Drag(chart, { 60, 50 });
    Drag(chart, { 100, 70 });
    EXPECT_TRUE(owner.Deliver().empty()) << "nothing until the button-up";
    Release(chart, { 120, 80 });
    EXPECT_FALSE(chart->IsZoomDragging());
    ASSERT_EQ(owner.notes.size(), 1u) << "sent, so handled before the button-up returns";
    const ChartZoomRect zoom = OnlyZoom();
    EXPECT_FLOAT_EQ(zoom.f[0], 0.1f);
    EXPECT_FLOAT_EQ(zoom.f[1], 0.0f);
    EXPECT_FLOAT_EQ(zoom.f[2], 0.7f);
    EXPECT_FLOAT_EQ(zoom.f[3], 0.6f);
    EXPECT_FLOAT_EQ(zoom.f[4], 0.2f);
    // The chart leaves its range to its owner.
    EXPECT_EQ(chart->m_xRange.max, 2000);
}

TEST_F(ZoomChart, AClickIsABoxOfNoSize)
{
    Press(chart, { 50, 50 });
    Release(chart, { 50, 50 });
    const ChartZoomRect zoom = OnlyZoom();
    EXPECT_FLOAT_EQ(zoom.f[0], 0.25f);
    EXPECT_FLOAT_EQ(zoom.f[3], 0.25f);
    EXPECT_FLOAT_EQ(zoom.f[2], 0.5f);
    EXPECT_FLOAT_EQ(zoom.f[4], 0.5f);
}

TEST_F(ZoomChart, ACornerOutsideTheChartIsHeldAtItsEdge)
{
    Press(chart, { 20, 30 });
    Drag(chart, { 500, -40 });
    Release(chart, { 500, -40 });
    const ChartZoomRect zoom = OnlyZoom();
    EXPECT_FLOAT_EQ(zoom.f[3], 199.0f / 200.0f);
    EXPECT_FLOAT_EQ(zoom.f[4], 1.0f);
}

TEST_F(ZoomChart, TheBoxIsPaintedOverTheImageNotIntoIt)
{
    Press(chart, { 20, 20 });
    Drag(chart, { 120, 80 });
    QImage shown = chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::size_t black = 0;
    for (int x = 20; x <= 120; ++x)
        black += shown.pixel(x, 20) == qRgb(0, 0, 0);
    EXPECT_GT(black, 20u) << "a dotted top edge";
    EXPECT_LT(black, 101u);
    EXPECT_TRUE(InkedPixels(chart->Image()).empty());
    Release(chart, { 120, 80 });
    shown = chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(InkedPixels(shown).empty()) << "the box is gone after the button-up";
}

TEST_F(ZoomChart, OtherButtonsDoNothing)
{
    SendMouse(chart, QEvent::MouseButtonPress, { 20, 20 }, Qt::RightButton, Qt::RightButton);
    EXPECT_FALSE(chart->IsZoomDragging());
    SendMouse(chart, QEvent::MouseButtonRelease, { 20, 20 }, Qt::RightButton, Qt::NoButton);
    EXPECT_TRUE(owner.Deliver().empty());
}

TEST_F(ZoomChart, LosingTheGrabCancelsTheDrag)
{
    Press(chart, { 20, 30 });
    Drag(chart, { 60, 50 });
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(chart, &deactivate);
    EXPECT_FALSE(chart->IsZoomDragging());
    Release(chart, { 60, 50 });
    EXPECT_TRUE(owner.Deliver().empty()) << "a cancelled drag reports no box";

    // A move without the button means the button-up went elsewhere.
    Press(chart, { 20, 30 });
    Hover(chart, { 70, 50 });
    EXPECT_FALSE(chart->IsZoomDragging());
    Release(chart, { 70, 50 });
    EXPECT_TRUE(owner.Deliver().empty());

    // Hiding or disabling the chart ends a drag as well.
    owner.show();
    Press(chart, { 20, 30 });
    chart->hide();
    EXPECT_FALSE(chart->IsZoomDragging());
    chart->show();
    Press(chart, { 20, 30 });
    chart->setEnabled(false);
    EXPECT_FALSE(chart->IsZoomDragging());
    EXPECT_TRUE(owner.Deliver().empty());

    // And the next drag works as before.
    chart->setEnabled(true);
    Press(chart, { 20, 30 });
    Release(chart, { 40, 30 });
    OnlyZoom();
}

TEST_F(ZoomChart, MousePositionAsFractions)
{
    Hover(chart, { 50, 25 });
    double fx = 0, fy = 0;
    chart->GetMousePos(&fx, &fy);
    EXPECT_DOUBLE_EQ(fx, 0.25);
    EXPECT_DOUBLE_EQ(fy, 0.75);
    Drag(chart, { 0, 100 });
    chart->GetMousePos(&fx, &fy);
    EXPECT_DOUBLE_EQ(fx, 0.0);
    EXPECT_DOUBLE_EQ(fy, 0.0);
    EXPECT_EQ(chart->cursor().shape(), Qt::CrossCursor);
}
