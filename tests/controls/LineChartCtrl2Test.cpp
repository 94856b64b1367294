#include "controls/CLineChartCtrl2.h"
#include "tests/controls/ChartTestSupport.h"

#include <gtest/gtest.h>

namespace {
struct CursorChart : ::testing::Test, OwnedChart<CLineChartCtrl2> {
    CursorChart()
        : OwnedChart(200, 100)
    {
        chart->SetXRange(0, 1000);
    }

    void Click(QPoint p)
    {
        Press(chart, p);
        Release(chart, p);
    }

    // The posted notifications since the last call, as (kind, value) pairs.
    std::vector<std::pair<LPARAM, WPARAM>> Posted()
    {
        std::vector<std::pair<LPARAM, WPARAM>> seen;
        for (const ChartOwner::Note& n : owner.Deliver())
            seen.emplace_back(n.lParam, n.wParam);
        owner.notes.clear();
        return seen;
    }
    using Seen = std::vector<std::pair<LPARAM, WPARAM>>;
};
}

TEST(CLineChartCtrl2, EachCurveHasItsOwnYRange)
{
    CLineChartCtrl2 chart;
    chart.SetYRange(500, -500);
    ASSERT_EQ(chart.AddItem(RGB(255, 0, 0)), 0);
    ASSERT_EQ(chart.AddItem(RGB(0, 0, 255)), 1);
    double max = 0, min = 0;
    ASSERT_EQ(chart.GetItemYRange(0, &max, &min), 1);
    EXPECT_EQ(max, 500) << "a new curve starts on the common range";
    EXPECT_EQ(min, -500);

    chart.SetItemYRange(1, 15, 10);
    ASSERT_EQ(chart.GetItemYRange(1, &max, &min), 1);
    EXPECT_EQ(min, 10);
    EXPECT_EQ(max, 30);
    EXPECT_EQ(chart.Item(1)->m_yRange.span, 20);
    chart.GetItemYRange(0, &max, &min);
    EXPECT_EQ(max, 500) << "curve 0 left alone";

    chart.SetItemYRange(2, 99, 1);  // not a curve
    chart.SetItemYRange(-2, 99, 1);
    chart.GetItemYRange(0, &max, &min);
    EXPECT_EQ(max, 500);
    chart.GetItemYRange(1, &max, &min);
    EXPECT_EQ(max, 30);

    chart.SetItemYRange(-1, 9000, -9000);
    for (int i = 0; i < 2; ++i) {
        chart.GetItemYRange(i, &max, &min);
        EXPECT_EQ(max, 9000);
        EXPECT_EQ(min, -9000);
    }

    max = min = 42;
    EXPECT_EQ(chart.GetItemYRange(2, &max, &min), 0);
    EXPECT_EQ(chart.GetItemYRange(-1, &max, &min), 0);
    EXPECT_EQ(chart.GetItemYRange(-9, &max, &min), 0);
    EXPECT_EQ(max, 42) << "outputs untouched";
    EXPECT_EQ(min, 42);
    EXPECT_EQ(chart.m_yRange.max, 500) << "the common range is not a curve's";
}

TEST(CLineChartCtrl2, CurvesAreDrawnAgainstTheirOwnRange)
{
    QWidget owner;
    auto* chart = new CLineChartCtrl2(&owner);
    chart->setGeometry(0, 0, 256, 128);
    chart->InitMemDC();
    chart->SetXRange(0, 256);
    chart->AddItem(RGB(255, 0, 0));
    chart->AddItem(RGB(0, 0, 255));
    chart->SetItemYRange(0, 128, 0);
    chart->SetItemYRange(1, 0, -128);
    for (int item = 0; item < 2; ++item) {
        chart->MoveTo(item, 100, -64);
        chart->LineTo(item, 100, -64);
    }
    EXPECT_EQ(chart->Image().pixel(100, 64), qRgb(0, 0, 255));
    EXPECT_EQ(chart->Item(0)->m_lastY, 128) << "below curve 0's range: its bottom edge";
    EXPECT_EQ(InkedPixels(chart->Image()).size(), 1u);
}

TEST_F(CursorChart, VerticalCursorsArePlacedAndMeasured)
{
    chart->EnableXCursors(true);
    Click({ 50, 10 });
    EXPECT_TRUE(chart->Cursors().Placed(ChartCursors::X1));
    EXPECT_EQ(Posted(), Seen {}) << "one line measures nothing, and no zoom box";
    Click({ 150, 60 });
    EXPECT_EQ(chart->Cursors().Position(ChartCursors::X2), 150);
    EXPECT_EQ(Posted(), (Seen { { CHART_NOTIFY_XDIST, 500 } })) << "100 of 200 pixels of a 1000 wide range";
    EXPECT_FALSE(chart->IsZoomDragging());

    // A press 19 pixels from X1 grabs it; the drag reports every move.
    Press(chart, { 69, 40 });
    EXPECT_TRUE(chart->Cursors().IsDragging(ChartCursors::X1));
    Drag(chart, { 80, 40 });
    EXPECT_EQ(chart->Cursors().Position(ChartCursors::X1), 80);
    EXPECT_EQ(Posted(), (Seen { { CHART_NOTIFY_XDIST, 350 } }));
    Release(chart, { 80, 40 });
    EXPECT_FALSE(chart->Cursors().Dragging());
    EXPECT_EQ(Posted(), (Seen { { CHART_NOTIFY_XDIST, 350 }, { CHART_NOTIFY_YDIST, 0 } }));

    // 20 pixels from both lines is out of reach (and the horizontal lines near row 0 were
    // never placed): nothing moves, nothing is reported.
    Press(chart, { 100, 5 });
    EXPECT_FALSE(chart->Cursors().Dragging());
    Drag(chart, { 120, 40 });
    Release(chart, { 120, 40 });
    EXPECT_EQ(Posted(), Seen {});
    EXPECT_EQ(chart->Cursors().Position(ChartCursors::X1), 80);
    EXPECT_EQ(chart->Cursors().Position(ChartCursors::X2), 150);

    // The lines are painted over the image, not into it.
    const QImage shown = chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::size_t lit = 0;
    for (int y = 0; y < 100; ++y)
        lit += shown.pixel(80, y) == qRgb(255, 128, 0);
    EXPECT_GT(lit, 20u);
    EXPECT_TRUE(InkedPixels(chart->Image()).empty());

    chart->EnableXCursors(false);
    EXPECT_FALSE(chart->Cursors().Placed(ChartCursors::X1));
    EXPECT_FALSE(chart->Cursors().Placed(ChartCursors::X2));
    EXPECT_TRUE(InkedPixels(chart->grab().toImage().convertToFormat(QImage::Format_RGB32)).empty());
}

TEST_F(CursorChart, HorizontalCursorsMeasureInTenThousandthsOfTheHeight)
{
    chart->EnableYCursors(true);
    Click({ 10, 20 });
    Click({ 10, 70 });
    EXPECT_EQ(Posted(), (Seen { { CHART_NOTIFY_YDIST, 5000 } }));

    // Dragging outside the chart holds the line at its edge.
    Press(chart, { 10, 75 });
    Drag(chart, { 10, 400 });
    EXPECT_EQ(chart->Cursors().Position(ChartCursors::Y2), 99);
    EXPECT_EQ(Posted(), (Seen { { CHART_NOTIFY_YDIST, 7900 } }));
    Release(chart, { 10, 400 });
    Posted();

    // Both modes at once: a press places a line of each.
    chart->EnableYCursors(false);
    chart->EnableYCursors(true);
    chart->EnableXCursors(true);
    Click({ 30, 30 });
    Click({ 130, 80 });
    EXPECT_EQ(Posted(), (Seen { { CHART_NOTIFY_XDIST, 500 }, { CHART_NOTIFY_YDIST, 5000 } }));
}

TEST_F(CursorChart, SetDragCursorMakesAPlacedLineFollowTheMouse)
{
    chart->EnableYCursors(true);
    EXPECT_EQ(chart->SetDragCursor(3), 0) << "Y1 is not placed yet";
    Click({ 10, 20 });
    Click({ 10, 70 });
    Posted();

    EXPECT_EQ(chart->SetDragCursor(1), 0);
    EXPECT_EQ(chart->SetDragCursor(3), 1);
    EXPECT_TRUE(chart->Cursors().IsDragging(ChartCursors::Y1));
    Hover(chart, { 50, 40 });  // no button held
    EXPECT_EQ(chart->Cursors().Position(ChartCursors::Y1), 40);
    EXPECT_EQ(Posted(), (Seen { { CHART_NOTIFY_YDIST, 3000 } }));
    Click({ 50, 40 });
    EXPECT_FALSE(chart->Cursors().Dragging());
    EXPECT_EQ(Posted(), (Seen { { CHART_NOTIFY_XDIST, 0 }, { CHART_NOTIFY_YDIST, 3000 } }));

    EXPECT_EQ(chart->SetDragCursor(4), 1);
    EXPECT_EQ(chart->SetDragCursor(0), 0);
    EXPECT_EQ(chart->SetDragCursor(5), 0);
    EXPECT_EQ(chart->SetDragCursor(-1), 0);
    EXPECT_FALSE(chart->Cursors().Dragging()) << "a cursor that is not placed stops every drag";
}

TEST_F(CursorChart, LosingTheGrabEndsACursorDrag)
{
    chart->EnableXCursors(true);
    Click({ 50, 10 });
    Click({ 150, 10 });
    Posted();
    Press(chart, { 55, 10 });
    Drag(chart, { 60, 10 });
    Posted();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(chart, &deactivate);
    EXPECT_FALSE(chart->Cursors().Dragging());
    Drag(chart, { 90, 10 });
    Release(chart, { 90, 10 });
    EXPECT_EQ(chart->Cursors().Position(ChartCursors::X1), 60) << "the line stays where the drag ended";
    EXPECT_EQ(Posted(), Seen {});
}

TEST_F(CursorChart, WithoutAModeADragIsAZoomBox)
{
    Press(chart, { 20, 30 });
    Release(chart, { 120, 80 });
    ASSERT_EQ(owner.Deliver().size(), 1u);
    EXPECT_EQ(owner.notes[0].lParam, CHART_NOTIFY_ZOOM);
    ChartZoomRect zoom;
    ASSERT_TRUE(ChartZoomRect::FromData(owner.notes[0].data, &zoom));
    EXPECT_FLOAT_EQ(zoom.f[0], 0.1f);
    EXPECT_FLOAT_EQ(zoom.f[4], 0.2f);
}
