#include "controls/CLineChartCtrl.h"

#include "controls/ChartZoomRect.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <new>

namespace {
// The chart's own background where no image covers it.
const QColor kBackground(192, 192, 192);

Qt::PenStyle PenStyleOf(int penStyle)
{
    switch (penStyle) {
    case PS_DASH:
        return Qt::DashLine;
    case PS_DOT:
        return Qt::DotLine;
    case PS_DASHDOT:
        return Qt::DashDotLine;
    case PS_DASHDOTDOT:
        return Qt::DashDotDotLine;
    case PS_NULL:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

// Width 0 is Qt's one-pixel cosmetic pen, which lights both end points of a line.
QPen ChartPen(COLORREF colour, Qt::PenStyle style = Qt::SolidLine)
{
    return QPen(ColorFromRef(colour), 0, style);
}
}

CLineChartCtrl::CLineChartCtrl(QWidget* parent)
    : QWidget(parent)
{
    m_xRange.Set(0.0, 2000.0, kMinXSpan);
    m_yRange.Set(0.0, 1000.0, kMinYSpan);
    setMouseTracking(true);  // the owner reads the mouse position without a button held
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CLineChartCtrl::~CLineChartCtrl() = default;

void CLineChartCtrl::SetXRange(double min, double max)
{
    m_xRange.Set(min, max, kMinXSpan);
}

void CLineChartCtrl::SetYRange(double max, double min)
{
    m_yRange.Set(min, max, kMinYSpan);
}

int CLineChartCtrl::AddItem(COLORREF colour)
{
    try {
        // A curve starts on the common scale until its owner gives it its own.
        m_items.emplace_back(colour, m_yRange);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return ItemCount() - 1;
}

const CLineChartItem* CLineChartCtrl::Item(int item) const
{
    return item >= 0 && item < ItemCount() ? &m_items[static_cast<std::size_t>(item)] : nullptr;
}

CLineChartItem* CLineChartCtrl::ItemAt(int item)
{
    return item >= 0 && item < ItemCount() ? &m_items[static_cast<std::size_t>(item)] : nullptr;
}

const ChartAxis& CLineChartCtrl::CurveYRange(const CLineChartItem&) const
{
    return m_yRange;
}

ChartCurveBuilder CLineChartCtrl::MakeBuilder(const CLineChartItem& item) const
{
    // The edge test for white segments uses the height as it is now, not as cached.
    return ChartCurveBuilder(m_xRange, CurveYRange(item), m_clientWidth, m_clientHeight, height());
}

int CLineChartCtrl::MoveTo(int item, double x, double y)
{
    CLineChartItem* curve = ItemAt(item);
    if (!curve)
        return 1;
    ChartCurveBuilder builder = MakeBuilder(*curve);
    if (builder.MoveTo(x, y)) {
        curve->m_lastX = builder.Current().x();
        curve->m_lastY = builder.Current().y();
    }
    return 0;
}

void CLineChartCtrl::LineTo(int item, double x, double y)
{
    CLineChartItem* curve = ItemAt(item);
    if (!curve || m_image.isNull())
        return;
    ChartCurveBuilder builder = MakeBuilder(*curve);
    builder.MoveToPixel({ curve->m_lastX, curve->m_lastY });
    if (builder.LineTo(x, y))
        PaintCurve(*curve, builder);
}

void CLineChartCtrl::DrawSamples(int item, std::span<const ChartPoint> samples)
{
    DrawSamples(item, samples.size(), [samples](std::size_t i) { return samples[i]; });
}

void CLineChartCtrl::PaintCurve(CLineChartItem& item, ChartCurveBuilder& builder)
{
    builder.Finish();
    if (!builder.HasCurrent())
        return;
    item.m_lastX = builder.Current().x();
    item.m_lastY = builder.Current().y();
    if (builder.Runs().empty())
        return;
    // Separate lines, not polylines: Qt leaves out some corner pixels of a polyline, and a
    // curve must light the same pixels however its segments were batched. Within a run
    // the order does not matter; column strokes are filled as one-pixel-wide rectangles,
    // which Qt does much faster than lines.
    QPainter painter(&m_image);
    std::vector<QLine> slanted;
    for (const ChartCurveBuilder::Run& run : builder.Runs()) {
        const QColor colour = ColorFromRef(run.white ? RGB(255, 255, 255) : item.m_colour);
        slanted.clear();
        for (int i = run.first; i < run.first + run.count; ++i) {
            const QLine& line = builder.Lines()[static_cast<std::size_t>(i)];
            if (line.x1() == line.x2())
                painter.fillRect(QRect(QPoint(line.x1(), std::min(line.y1(), line.y2())),
                                       QPoint(line.x1(), std::max(line.y1(), line.y2()))),
                                 colour);
            else
                slanted.push_back(line);
        }
        painter.setPen(QPen(colour, 0));
        painter.drawLines(slanted.data(), static_cast<int>(slanted.size()));
    }
}

void CLineChartCtrl::DrawHGridLine(int num, int den, COLORREF colour, int penStyle)
{
    int y = 0;
    if (ChartGridPixel(num, den, m_clientHeight, &y))
        DrawGridLine(QLine(0, y, m_clientWidth, y), colour, penStyle);
}

void CLineChartCtrl::DrawVGridLine(int num, int den, COLORREF colour, int penStyle)
{
    int x = 0;
    if (ChartGridPixel(num, den, m_clientWidth, &x))
        DrawGridLine(QLine(x, 0, x, m_clientHeight), colour, penStyle);
}

void CLineChartCtrl::DrawGridLine(QLine line, COLORREF colour, int penStyle)
{
    const Qt::PenStyle style = PenStyleOf(penStyle);
    if (m_image.isNull() || style == Qt::NoPen)
        return;
    QPainter painter(&m_image);
    painter.setPen(ChartPen(colour, style));
    painter.drawLine(line);
}

void CLineChartCtrl::Clear()
{
    if (m_image.isNull())
        return;
    QPainter painter(&m_image);
    painter.fillRect(m_clientRect, Qt::white);
    painter.end();
    update(m_clientRect);
}

void CLineChartCtrl::Refresh()
{
    update();
}

void CLineChartCtrl::InitMemDC()
{
    // The image keeps the size of its first creation; a chart that had no size yet gets
    // its image once it has one.
    if (m_image.isNull() && !size().isEmpty()) {
        m_image = QImage(size(), QImage::Format_RGB32);
        m_image.fill(Qt::white);
    }
    update();
    m_clientRect = rect();
    m_clientWidth = m_clientRect.width();
    m_clientHeight = m_clientRect.height();
}

void CLineChartCtrl::GetMousePos(double* fx, double* fy) const
{
    if (fx)
        *fx = m_mouseFx;
    if (fy)
        *fy = m_mouseFy;
}

QPoint CLineChartCtrl::ClampToClient(QPoint p) const
{
    return { std::clamp(p.x(), 0, std::max(0, width() - 1)), std::clamp(p.y(), 0, std::max(0, height() - 1)) };
}

void CLineChartCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect covered = m_image.rect();
    if (!covered.contains(rect())) {
        const QRegion uncovered = QRegion(rect()).subtracted(covered);
        for (const QRect& r : uncovered)
            painter.fillRect(r, kBackground);
    }
    if (!m_image.isNull())
        painter.drawImage(QPoint(0, 0), m_image);
    PaintOverlay(painter);
}

void CLineChartCtrl::PaintOverlay(QPainter& painter)
{
    if (!m_zoomDragging)
        return;
    painter.setPen(ChartPen(RGB(0, 0, 0), Qt::DotLine));
    const QPoint box[] = { m_zoomAnchor, { m_zoomAnchor.x(), m_zoomCorner.y() }, m_zoomCorner,
                           { m_zoomCorner.x(), m_zoomAnchor.y() }, m_zoomAnchor };
    painter.drawPolyline(box, 5);
}

void CLineChartCtrl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    m_zoomAnchor = m_zoomCorner = ClampToClient(e->position().toPoint());
    m_zoomDragging = true;
    update();
}

void CLineChartCtrl::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (m_clientWidth > 0 && m_clientHeight > 0) {
        m_mouseFx = static_cast<double>(p.x() - m_clientRect.left()) / m_clientWidth;
        m_mouseFy = static_cast<double>(m_clientRect.top() + m_clientHeight - p.y()) / m_clientHeight;
    }
    if (!m_zoomDragging)
        return;
    if (!(e->buttons() & Qt::LeftButton)) {
        // The button went up where we could not see it: the grab was lost.
        CancelDrag();
        return;
    }
    m_zoomCorner = ClampToClient(p);
    update();
}

void CLineChartCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_zoomDragging) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    m_zoomDragging = false;
    update();
    const ChartZoomRect zoom = ChartZoomRect::Make(m_zoomAnchor, ClampToClient(e->position().toPoint()), m_clientRect);
    SendMessage(parentWidget(), WM_CHART_NOTIFY, 0, CHART_NOTIFY_ZOOM, zoom.ToData());
}

void CLineChartCtrl::CancelDrag()
{
    if (m_zoomDragging) {
        m_zoomDragging = false;
        update();
    }
}

bool CLineChartCtrl::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::WindowDeactivate:
    case QEvent::UngrabMouse:
        CancelDrag();
        break;
    case QEvent::EnabledChange:
        if (!isEnabled())
            CancelDrag();
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void CLineChartCtrl::hideEvent(QHideEvent* e)
{
    CancelDrag();
    QWidget::hideEvent(e);
}
