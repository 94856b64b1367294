#include "controls/ChartCurveBuilder.h"

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
    int px = 0;
    int py = 0;
    if (!ChartPixelX(m_x, x, m_width, &px) || !ChartPixelY(m_y, y, m_height, &py))
        return false;
    MoveToPixel({ px, py });
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
    m_minY = m_maxY = m_lastY = p.y();
}

void ChartCurveBuilder::NextColumn(QPoint p)
{
    FlushColumn();
    const bool white = p.y() == m_lastY && (m_lastY == 0 || m_lastY == m_edgeHeight);
    AddLine(QLine(Current(), p), white);
    m_column = p.x();
    m_minY = m_maxY = m_lastY = p.y();
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
        AddLine(QLine(Current(), Current()), false);
}

void ChartCurveBuilder::FlushColumn()
{
    // The segments inside one column light exactly the pixels from its lowest to its
    // highest point: one vertical line draws them all.
    if (m_minY != m_maxY)
        AddLine(QLine(m_column, m_minY, m_column, m_maxY), false);
    m_minY = m_maxY = m_lastY;
}

void ChartCurveBuilder::AddLine(QLine line, bool white)
{
    m_pathDrawn = true;
    if (m_runs.empty() || m_runs.back().white != white)
        m_runs.push_back({ white, static_cast<int>(m_lines.size()), 0 });
    m_lines.push_back(line);
    ++m_runs.back().count;
}
