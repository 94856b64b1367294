#pragma once

#include "controls/ChartAxis.h"

#include <QRect>
#include <QString>

class CLineChartCtrl;
class ChartSamples;
class QFontMetrics;
class QPainter;

// What the two chart pages draw alike: the grid of their chart, the redraw of every
// stored sample, and the axis texts they paint around the chart.

// Clears the chart; light grid lines at tenths of the width and twentieths of the height,
// a black line across the middle.
void DrawChartGrid(CLineChartCtrl& chart);
// Draws sample array i as chart curve firstCurve + i, each array refreshed as it is done.
void ReplotSamples(CLineChartCtrl& chart, const ChartSamples& samples, int firstCurve);

// The box of the X axis's unit "ms", right of the chart's bottom corner: 18 pixels wide,
// or as wide as the unit is in the painter's font when that is wider.
QRect XUnitBox(const QRect& chart, const QFontMetrics& metrics);
// Eleven X ticks 5 pixels down from the bottom edge with their times and "ms", twenty-one Y
// ticks with the values of `y`, and the unit centred in a box unitHalfWidth either side of the
// top-left corner; `chart` is the chart's rectangle in the painter's coordinates.
void PaintChartAxes(QPainter& painter, const QRect& chart, const ChartAxis& x, const ChartAxis& y, const QString& unit,
    int unitHalfWidth);
