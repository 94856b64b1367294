#pragma once

#include "controls/CLineChartItem.h"
#include "controls/ChartAxis.h"
#include "controls/ChartCurveBuilder.h"
#include "platform/Colorref.h"
#include "platform/WindowMessage.h"

#include <QImage>
#include <QWidget>
#include <cstddef>
#include <span>
#include <vector>

// Pen styles of grid lines, numbered as the owners pass them.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;

// lParam of WM_CHART_NOTIFY to the chart's parent.
// ZOOM is sent (handled before the button-up returns); the event's data holds the
// ChartZoomRect. XDIST (wParam: distance of the vertical cursors in X units) and YDIST
// (wParam: distance of the horizontal cursors in ten-thousandths of the plot height) are
// posted.
constexpr LPARAM CHART_NOTIFY_ZOOM = 0;
constexpr LPARAM CHART_NOTIFY_XDIST = 1;
constexpr LPARAM CHART_NOTIFY_YDIST = 2;

// A strip chart with one Y scale for all its curves. Curves are drawn into an off-screen
// image that paint copies to the screen; a left-button drag draws a zoom box and reports it
// to the parent, which decides what to show.
//
// The owner calls InitMemDC once the chart has its size, adds curves, sets both ranges,
// draws (MoveTo/LineTo, DrawSamples, grid lines) and calls Refresh after each batch.
class CLineChartCtrl : public QWidget {
    Q_OBJECT

public:
    // The narrowest view the range operations allow.
    static constexpr double kMinXSpan = 100.0;
    static constexpr double kMinYSpan = 20.0;

    explicit CLineChartCtrl(QWidget* parent = nullptr);
    ~CLineChartCtrl() override;

    // X range; a span below 100 becomes 100 with max = min + 100.
    void SetXRange(double min, double max);
    // Common Y range, maximum first; a span below 20 becomes 20 with max = min + 20.
    void SetYRange(double max, double min);

    // Appends a curve; its index, or -1 when it cannot be added.
    int AddItem(COLORREF colour);
    // Sets a curve's current point without drawing; 1 when item is not a curve, else 0.
    int MoveTo(int item, double x, double y);
    // Draws a segment from the curve's current point, which then moves to (x, y). Does
    // not repaint: call Refresh after a batch.
    void LineTo(int item, double x, double y);

    // Draws the samples whose x lies in the X range, as MoveTo to the first of them and
    // LineTo to each of them would, at a cost that follows the chart's width. xyAt(i)
    // returns the ChartPoint of sample i; x must not fall as i rises.
    template <class XYAt>
    void DrawSamples(int item, std::size_t count, XYAt&& xyAt);
    void DrawSamples(int item, std::span<const ChartPoint> samples);

    // Horizontal line at num/den of the height, vertical one at num/den of the width.
    void DrawHGridLine(int num, int den, COLORREF colour, int penStyle);
    void DrawVGridLine(int num, int den, COLORREF colour, int penStyle);

    // Fills the image white and repaints.
    void Clear();
    // Repaints the chart from its image.
    void Refresh();
    // Creates the image of the chart's current size once, and caches the size used to
    // place points (also on later calls).
    void InitMemDC();
    // Last mouse position over the chart as fractions from the left and from the bottom.
    void GetMousePos(double* fx, double* fy) const;

    int ItemCount() const { return static_cast<int>(m_items.size()); }
    // The curve, or nullptr when item is not a curve.
    const CLineChartItem* Item(int item) const;
    const QImage& Image() const { return m_image; }
    bool IsZoomDragging() const { return m_zoomDragging; }

    // The view range; owners may write the fields directly, keeping span = max - min.
    ChartAxis m_xRange;
    ChartAxis m_yRange;

protected:
    // The Y range a curve is drawn against.
    virtual const ChartAxis& CurveYRange(const CLineChartItem& item) const;
    // Draws what lies over the image: the zoom box while dragging.
    virtual void PaintOverlay(QPainter& painter);
    // Abandons a drag whose button-up will not come; reports nothing.
    virtual void CancelDrag();

    CLineChartItem* ItemAt(int item);
    // A mouse point held inside the chart, as the pointer was when it could not leave.
    QPoint ClampToClient(QPoint p) const;

    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    ChartCurveBuilder MakeBuilder(const CLineChartItem& item) const;
    void PaintCurve(CLineChartItem& item, ChartCurveBuilder& builder);
    void DrawGridLine(QLine line, COLORREF colour, int penStyle);

    bool m_zoomDragging = false;
    QPoint m_zoomCorner;
    QPoint m_zoomAnchor;
    std::vector<CLineChartItem> m_items;
    double m_mouseFx = 0.0;
    double m_mouseFy = 0.0;
    QRect m_clientRect;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    QImage m_image;
};

template <class XYAt>
void CLineChartCtrl::DrawSamples(int item, std::size_t count, XYAt&& xyAt)
{
    CLineChartItem* curve = ItemAt(item);
    if (!curve || m_image.isNull())
        return;
    const auto [first, last] = ChartVisibleWindow(
        count, [&](std::size_t i) { return ChartPoint(xyAt(i)).x; }, m_xRange.min, m_xRange.max);
    ChartCurveBuilder builder = MakeBuilder(*curve);
    builder.AddSamples(first, last, xyAt);
    PaintCurve(*curve, builder);
}
