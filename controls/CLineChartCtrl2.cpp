#include "controls/CLineChartCtrl2.h"

#include <QMouseEvent>
#include <QPainter>
#include <initializer_list>

namespace {
const COLORREF kCursorColour = 0x0080FF;
}

CLineChartCtrl2::CLineChartCtrl2(QWidget* parent)
    : CLineChartCtrl(parent)
{
}

void CLineChartCtrl2::SetItemYRange(int item, double max, double min)
{
    if (item == -1) {
        for (int i = 0; i < ItemCount(); ++i)
            ItemAt(i)->m_yRange.Set(min, max, kMinYSpan);
    } else if (CLineChartItem* curve = ItemAt(item)) {
        curve->m_yRange.Set(min, max, kMinYSpan);
    }
}

int CLineChartCtrl2::GetItemYRange(int item, double* max, double* min) const
{
    const CLineChartItem* curve = Item(item);
    if (!curve)
        return 0;
    if (max)
        *max = curve->m_yRange.max;
    if (min)
        *min = curve->m_yRange.min;
    return 1;
}

const ChartAxis& CLineChartCtrl2::CurveYRange(const CLineChartItem& item) const
{
    return item.m_yRange;
}

void CLineChartCtrl2::EnableXCursors(bool on)
{
    m_cursors.EnableX(on);
    update();
}

void CLineChartCtrl2::EnableYCursors(bool on)
{
    m_cursors.EnableY(on);
    update();
}

int CLineChartCtrl2::SetDragCursor(int which)
{
    return m_cursors.SetDrag(which) ? 1 : 0;
}

void CLineChartCtrl2::PostDistances(ChartCursors::Changes changes)
{
    // The client rectangle as it is now, not as cached for drawing.
    if (changes.xDistance)
        PostMessage(parentWidget(), WM_CHART_NOTIFY,
                    static_cast<WPARAM>(m_cursors.XDistance(width(), m_xRange.max - m_xRange.min)), CHART_NOTIFY_XDIST);
    if (changes.yDistance)
        PostMessage(parentWidget(), WM_CHART_NOTIFY, static_cast<WPARAM>(m_cursors.YDistance(height())),
                    CHART_NOTIFY_YDIST);
}

void CLineChartCtrl2::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_cursors.AnyMode()) {
        CLineChartCtrl::mousePressEvent(e);
        return;
    }
    const QPoint p = ClampToClient(e->position().toPoint());
    PostDistances(m_cursors.Press(p.x(), p.y()));
    update();
}

void CLineChartCtrl2::mouseMoveEvent(QMouseEvent* e)
{
    CLineChartCtrl::mouseMoveEvent(e);
    if (!m_cursors.Dragging())
        return;
    const QPoint p = ClampToClient(e->position().toPoint());
    PostDistances(m_cursors.Move(p.x(), p.y()));
    update();
}

void CLineChartCtrl2::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_cursors.Dragging()) {
        CLineChartCtrl::mouseReleaseEvent(e);
        return;
    }
    PostDistances(m_cursors.Release());
    update();
}

void CLineChartCtrl2::CancelDrag()
{
    CLineChartCtrl::CancelDrag();
    if (m_cursors.Dragging()) {
        m_cursors.CancelDrag();
        update();
    }
}

void CLineChartCtrl2::PaintOverlay(QPainter& painter)
{
    CLineChartCtrl::PaintOverlay(painter);
    painter.setPen(QPen(ColorFromRef(kCursorColour), 0, Qt::DotLine));
    for (int which : { ChartCursors::X1, ChartCursors::X2 })
        if (m_cursors.Placed(which))
            painter.drawLine(m_cursors.Position(which), 0, m_cursors.Position(which), height());
    for (int which : { ChartCursors::Y1, ChartCursors::Y2 })
        if (m_cursors.Placed(which))
            painter.drawLine(0, m_cursors.Position(which), width(), m_cursors.Position(which));
}
