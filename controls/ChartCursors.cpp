#include "controls/ChartCursors.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace {
int ClampedDistance(double d)
{
    if (!(d > 0.0))
        return 0;
    return d >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(d);
}
}

ChartCursors::Line* ChartCursors::LineOf(int which)
{
    return which >= X1 && which <= Y2 ? &m_lines[which - 1] : nullptr;
}

const ChartCursors::Line* ChartCursors::LineOf(int which) const
{
    return which >= X1 && which <= Y2 ? &m_lines[which - 1] : nullptr;
}

void ChartCursors::EnableX(bool on)
{
    m_xMode = on;
    if (!on)
        m_lines[X1 - 1] = m_lines[X2 - 1] = Line {};
}

void ChartCursors::EnableY(bool on)
{
    m_yMode = on;
    if (!on)
        m_lines[Y1 - 1] = m_lines[Y2 - 1] = Line {};
}

bool ChartCursors::SetDrag(int which)
{
    const Line* chosen = LineOf(which);
    const bool ok = chosen && chosen->placed;
    for (Line& line : m_lines)
        line.dragging = ok && &line == chosen;
    return ok;
}

bool ChartCursors::Dragging() const
{
    for (const Line& line : m_lines)
        if (line.dragging)
            return true;
    return false;
}

void ChartCursors::CancelDrag()
{
    for (Line& line : m_lines)
        line.dragging = false;
}

ChartCursors::Changes ChartCursors::Press(int x, int y)
{
    Changes changes;
    const bool xPair = m_xMode && Placed(X1) && Placed(X2);
    const bool yPair = m_yMode && Placed(Y1) && Placed(Y2);
    if (xPair || yPair) {
        // Only lines on screen can be grabbed.
        for (int which : { X1, X2, Y1, Y2 }) {
            const int at = which <= X2 ? x : y;
            if (Placed(which) && std::abs(Position(which) - at) < kGrabDistance) {
                SetDrag(which);
                break;
            }
        }
    }
    if (m_xMode) {
        for (int which : { X1, X2 }) {
            if (!Placed(which)) {
                *LineOf(which) = { x, true, false };
                changes.xDistance = which == X2;
                break;
            }
        }
    }
    if (m_yMode) {
        for (int which : { Y1, Y2 }) {
            if (!Placed(which)) {
                *LineOf(which) = { y, true, false };
                changes.yDistance = which == Y2;
                break;
            }
        }
    }
    return changes;
}

ChartCursors::Changes ChartCursors::Move(int x, int y)
{
    Changes changes;
    for (int which : { X1, X2, Y1, Y2 }) {
        Line& line = *LineOf(which);
        if (!line.dragging || !line.placed)
            continue;
        line.pos = which <= X2 ? x : y;
        (which <= X2 ? changes.xDistance : changes.yDistance) = true;
    }
    return changes;
}

ChartCursors::Changes ChartCursors::Release()
{
    if (!Dragging())
        return {};
    CancelDrag();
    return { true, true };
}

bool ChartCursors::Placed(int which) const
{
    const Line* line = LineOf(which);
    return line && line->placed;
}

bool ChartCursors::IsDragging(int which) const
{
    const Line* line = LineOf(which);
    return line && line->dragging;
}

int ChartCursors::Position(int which) const
{
    const Line* line = LineOf(which);
    return line ? line->pos : 0;
}

int ChartCursors::XDistance(int clientWidth, double xRangeWidth) const
{
    if (clientWidth <= 0)
        return 0;
    const double pixels = std::abs(static_cast<double>(Position(X2)) - Position(X1));
    return ClampedDistance(pixels / clientWidth * xRangeWidth);
}

int ChartCursors::YDistance(int clientHeight) const
{
    if (clientHeight <= 0)
        return 0;
    const double pixels = std::abs(static_cast<double>(Position(Y2)) - Position(Y1));
    return ClampedDistance(pixels / clientHeight * 10000.0);
}
