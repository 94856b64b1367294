#pragma once

#include <cmath>

// One axis of a chart's view: the visible range in the units of the curves and its span.
// Owners read and write the fields directly as their view state; Set keeps the span equal
// to maximum minus minimum.
struct ChartAxis {
    double min = 0.0;
    double max = 0.0;
    double span = 0.0;

    // min .. max; a span below minimumSpan (or one that is not a number) becomes
    // minimumSpan with max = min + minimumSpan, so the view never collapses.
    void Set(double newMin, double newMax, double minimumSpan);

    // True when values can be placed on `pixels` pixels: a positive finite span over a
    // finite minimum and at least one pixel.
    bool CanPlace(int pixels) const
    {
        return pixels > 0 && std::isfinite(min) && std::isfinite(span) && span > 0.0;
    }
};

// Pixels further out than this are clamped before conversion to int. Lines to such points
// then lean by less than a tenth of a pixel inside any real chart, and no value however
// large can overflow the conversion.
constexpr double kChartPixelLimit = 4194304.0;

// The conversions below return false, leaving *pixel alone, when there is no pixel: a
// value that is not a number, a chart of no size, or a span that is not positive.

// Truncates a pixel offset toward zero after clamping it to +-kChartPixelLimit.
inline bool ChartTruncatePixel(double offset, int* pixel)
{
    if (offset >= -kChartPixelLimit && offset <= kChartPixelLimit)
        *pixel = static_cast<int>(offset);
    else if (std::isnan(offset))
        return false;
    else
        *pixel = static_cast<int>(offset < 0.0 ? -kChartPixelLimit : kChartPixelLimit);
    return true;
}

// Pixel column of x on a plot `width` pixels wide, counted from the left edge. x is not
// clamped: points left or right of the range fall outside the plot. Column 0 is reported
// as 1, so the first point of a window never sits on the frame line.
inline bool ChartPixelX(const ChartAxis& x, double value, int width, int* pixel)
{
    if (!x.CanPlace(width) || !ChartTruncatePixel((value - x.min) / x.span * width, pixel))
        return false;
    if (*pixel == 0)
        *pixel = 1;
    return true;
}

// Pixel row of y on a plot `height` pixels high, counted from the top edge. y is first
// held inside the range (to the maximum, then to the minimum), so a value off the scale
// runs along the top or bottom edge.
inline bool ChartPixelY(const ChartAxis& y, double value, int height, int* pixel)
{
    if (!y.CanPlace(height) || std::isnan(value))
        return false;
    if (value > y.max)
        value = y.max;
    if (value < y.min)
        value = y.min;
    return ChartTruncatePixel((1.0 - (value - y.min) / y.span) * height, pixel);
}

// Grid line at num/den of `pixels`; false for a zero denominator.
bool ChartGridPixel(int num, int den, int pixels, int* pixel);
