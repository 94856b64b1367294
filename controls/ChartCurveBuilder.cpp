#include "controls/ChartCurveBuilder.h"

#include <algorithm>

ChartCurveBuilder::ChartCurveBuilder(const ChartAxis& x, const ChartAxis& y, int width, int height, int edgeHeight)
    : m_x(x)
    , m_y(y)
    , m_width(width)
    , m_height(height)
    , m_edgeHeight(edgeHeight)
{
}

bool ChartCurveBuilder::MoveTo(double x, double y)
{
    const std::optional<int> px = ChartPixelX(m_x, x, m_width);
    const std::optional<int> py = ChartPixelY(m_y, y, m_height);
    if (!px || !py)
        return false;
    MoveToPixel({ *px, *py });
    return true;
}

void ChartCurveBuilder::MoveToPixel(QPoint p)
{
    if (m_started)
        EndPath();
    m_started = true;
    m_pathDrawn = false;
    m_lineInStartColumn = false;
    m_column = p.x();
    m_entryY = m_minY = m_maxY = m_lastY = p.y();
}

bool ChartCurveBuilder::LineTo(double x, double y)
{
    const std::optional<int> px = ChartPixelX(m_x, x, m_width);
    const std::optional<int> py = ChartPixelY(m_y, y, m_height);
    if (!m_started || !px || !py)
        return false;
    LineToPixel({ *px, *py });
    return true;
}

void ChartCurveBuilder::LineToPixel(QPoint p)
{
    if (!m_started)
        return;
    if (p.x() == m_column) {
        if (!m_pathDrawn)
            m_lineInStartColumn = true;
        m_minY = std::min(m_minY, p.y());
        m_maxY = std::max(m_maxY, p.y());
        m_lastY = p.y();
        return;
    }
    FlushColumn();
    const bool white = p.y() == m_lastY && (m_lastY == 0 || m_lastY == m_edgeHeight);
    OpenRun(white, Current());
    Append(p);
    m_column = p.x();
    m_entryY = m_minY = m_maxY = m_lastY = p.y();
}

void ChartCurveBuilder::Finish()
{
    if (m_started)
        EndPath();
}

void ChartCurveBuilder::EndPath()
{
    FlushColumn();
    // A point drawn onto itself, and nothing else since the MoveTo, still shows as a dot.
    if (!m_pathDrawn && m_lineInStartColumn)
        OpenRun(false, Current());
}

void ChartCurveBuilder::FlushColumn()
{
    if (m_minY == m_maxY)
        return;
    // Entry, lowest, highest and exit are all in this column, so the strokes between them
    // cover exactly the pixels from the lowest to the highest, as the segments did.
    OpenRun(false, { m_column, m_entryY });
    Append({ m_column, m_minY });
    Append({ m_column, m_maxY });
    Append({ m_column, m_lastY });
    m_entryY = m_minY = m_maxY = m_lastY;
}

void ChartCurveBuilder::OpenRun(bool white, QPoint from)
{
    if (!m_runs.empty() && m_runs.back().white == white && m_points.back() == from)
        return;
    m_pathDrawn = true;
    m_runs.push_back({ white, static_cast<int>(m_points.size()), 0 });
    Append(from);
}

void ChartCurveBuilder::Append(QPoint p)
{
    Run& run = m_runs.back();
    if (run.count > 0 && m_points.back() == p)
        return;
    m_points.push_back(p);
    ++run.count;
}
