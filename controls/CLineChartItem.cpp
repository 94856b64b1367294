#include "controls/CLineChartItem.h"

CLineChartItem::CLineChartItem(COLORREF colour, const ChartAxis& yRange)
    : m_colour(colour)
    , m_yRange(yRange)
{
}
