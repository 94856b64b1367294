#pragma once

#include "controls/ChartAxis.h"

#include <QLine>
#include <QPoint>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

// One sample of a curve in the units of the view range.
struct ChartPoint {
    double x = 0.0;
    double y = 0.0;
};

// Index range [first, last) of the samples whose x lies within [lo, hi], found by binary
// search. xAt(i) must not fall as i rises (samples in time order).
template <class XAt>
std::pair<std::size_t, std::size_t> ChartVisibleWindow(std::size_t count, XAt&& xAt, double lo, double hi)
{
    auto firstWhere = [&](std::size_t from, auto&& beyond) {
        std::size_t a = from;
        std::size_t b = count;
        while (a < b) {
            const std::size_t mid = a + (b - a) / 2;
            if (beyond(xAt(mid)))
                b = mid;
            else
                a = mid + 1;
        }
        return a;
    };
    const std::size_t first = firstWhere(0, [&](double x) { return x >= lo; });
    const std::size_t last = firstWhere(first, [&](double x) { return x > hi; });
    return { first, last };
}

// Turns MoveTo/LineTo steps of one curve into the lines that draw it. Consecutive points
// in one pixel column are kept only as the column's lowest and highest pixel and where the
// curve leaves it, so the drawing work follows the chart's width and not the number of
// samples, with the same pixels lit as drawing every segment. (One exception: a segment
// from an edge pixel onto itself inside a column takes the colour of the column's stroke.)
//
// A segment that stays on the top or bottom edge (both ends on row 0 or on row
// edgeHeight) is drawn white: a curve held at the edge by the clamping of its values
// leaves no line there.
class ChartCurveBuilder {
public:
    // Consecutive lines of one colour, to be drawn in order; each line lights both of its
    // end points (a line from a point to itself is a dot).
    struct Run {
        bool white = false;
        int first = 0;  // index into Lines()
        int count = 0;
    };

    ChartCurveBuilder(const ChartAxis& x, const ChartAxis& y, int width, int height, int edgeHeight);

    // The curve's current point; draws nothing. False when the value cannot be placed
    // (a chart of no size, a span of zero, a value that is not a number).
    bool MoveTo(double x, double y);
    void MoveToPixel(QPoint p);
    // A segment from the current point. Ignored before the first MoveTo and for a value
    // that cannot be placed.
    bool LineTo(double x, double y)
    {
        int px = 0;
        int py = 0;
        if (!m_started || !ChartPixelX(m_x, x, m_width, &px) || !ChartPixelY(m_y, y, m_height, &py))
            return false;
        LineToPixel({ px, py });
        return true;
    }
    void LineToPixel(QPoint p)
    {
        if (!m_started)
            return;
        if (p.x() != m_column) {
            NextColumn(p);
            return;
        }
        // Inside one column only the extremes and the exit point matter.
        if (!m_pathDrawn)
            m_lineInStartColumn = true;
        m_minY = p.y() < m_minY ? p.y() : m_minY;
        m_maxY = p.y() > m_maxY ? p.y() : m_maxY;
        m_lastY = p.y();
    }

    // MoveTo to the first sample that can be placed when there is no current point yet,
    // then LineTo to each sample in [first, last); xyAt(i) returns the ChartPoint of
    // sample i, and x must not fall as i rises. Each pixel column costs a few placements
    // of x and one pass over its y values, so many samples per column stay cheap.
    template <class XYAt>
    void AddSamples(std::size_t first, std::size_t last, XYAt&& xyAt);

    bool HasCurrent() const { return m_started; }
    QPoint Current() const { return { m_column, m_lastY }; }

    // Completes the last column; call before reading the runs. More steps may follow.
    void Finish();
    const std::vector<QLine>& Lines() const { return m_lines; }
    const std::vector<Run>& Runs() const { return m_runs; }

private:
    void NextColumn(QPoint p);
    void EndPath();
    void FlushColumn();
    void AddLine(QLine line, bool white);

    ChartAxis m_x;
    ChartAxis m_y;
    int m_width;
    int m_height;
    int m_edgeHeight;

    bool m_started = false;
    bool m_pathDrawn = false;          // a line was added since the last MoveTo
    bool m_lineInStartColumn = false;  // a segment within the MoveTo's column
    int m_column = 0;
    int m_minY = 0;
    int m_maxY = 0;
    int m_lastY = 0;

    std::vector<QLine> m_lines;
    std::vector<Run> m_runs;
};

template <class XYAt>
void ChartCurveBuilder::AddSamples(std::size_t first, std::size_t last, XYAt&& xyAt)
{
    if (!m_y.CanPlace(m_height))
        return;
    std::size_t i = first;
    while (i < last) {
        int column = 0;
        if (!ChartPixelX(m_x, ChartPoint(xyAt(i)).x, m_width, &column)) {
            ++i;
            continue;
        }
        // The column ends at the first sample placed elsewhere: gallop, then bisect.
        auto inColumn = [&](std::size_t k) {
            int c = 0;
            return ChartPixelX(m_x, ChartPoint(xyAt(k)).x, m_width, &c) && c == column;
        };
        std::size_t end = i + 1;  // [i, end) lie in the column
        std::size_t beyond = last;  // not in the column, or the end of the samples
        for (std::size_t step = 1; end < beyond; step *= 2) {
            const std::size_t probe = std::min(end + step - 1, beyond - 1);
            if (!inColumn(probe)) {
                beyond = probe;
                break;
            }
            end = probe + 1;
        }
        while (end < beyond) {
            const std::size_t mid = end + (beyond - end) / 2;
            if (inColumn(mid))
                end = mid + 1;
            else
                beyond = mid;
        }

        // Higher values lie on lower rows, so the extremes of the values give the
        // extremes of the rows.
        bool any = false;
        double firstY = 0.0, lowY = 0.0, highY = 0.0, lastY = 0.0;
        for (std::size_t k = i; k < end; ++k) {
            const double y = ChartPoint(xyAt(k)).y;
            if (std::isnan(y))
                continue;
            if (!any) {
                firstY = lowY = highY = y;
                any = true;
            }
            lowY = y < lowY ? y : lowY;
            highY = y > highY ? y : highY;
            lastY = y;
        }
        i = end;
        if (!any)
            continue;
        int rowFirst = 0, rowTop = 0, rowBottom = 0, rowLast = 0;
        ChartPixelY(m_y, firstY, m_height, &rowFirst);
        ChartPixelY(m_y, highY, m_height, &rowTop);
        ChartPixelY(m_y, lowY, m_height, &rowBottom);
        ChartPixelY(m_y, lastY, m_height, &rowLast);
        if (!m_started)
            MoveToPixel({ column, rowFirst });
        LineToPixel({ column, rowFirst });
        LineToPixel({ column, rowTop });
        LineToPixel({ column, rowBottom });
        LineToPixel({ column, rowLast });
    }
}
