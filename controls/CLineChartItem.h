#pragma once

#include "controls/ChartAxis.h"
#include "platform/Colorref.h"

// One curve of a line chart: its colour, its own Y range (used by the chart with a Y range
// per curve) and the pixel where its next segment starts.
class CLineChartItem {
public:
    CLineChartItem(COLORREF colour, const ChartAxis& yRange);

    COLORREF m_colour;
    ChartAxis m_yRange;
    int m_lastX = 0;
    int m_lastY = 0;
};
