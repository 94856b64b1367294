#include "controls/ChartAxis.h"

void ChartAxis::Set(double newMin, double newMax, double minimumSpan)
{
    min = newMin;
    const double width = newMax - newMin;
    if (width >= minimumSpan) {
        max = newMax;
        span = width;
    } else {
        max = newMin + minimumSpan;
        span = minimumSpan;
    }
}

bool ChartGridPixel(int num, int den, int pixels, int* pixel)
{
    return den != 0 && ChartTruncatePixel(static_cast<double>(num) / den * pixels, pixel);
}
