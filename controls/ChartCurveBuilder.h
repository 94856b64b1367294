#pragma once

#include "controls/ChartAxis.h"

#include <QLine>
#include <QPoint>
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
// samples, with the same pixels lit as drawing every segment.
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
    bool LineTo(double x, double y);
    void LineToPixel(QPoint p);

    bool HasCurrent() const { return m_started; }
    QPoint Current() const { return { m_column, m_lastY }; }

    // Completes the last column; call before reading the runs. More steps may follow.
    void Finish();
    const std::vector<QLine>& Lines() const { return m_lines; }
    const std::vector<Run>& Runs() const { return m_runs; }

private:
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
