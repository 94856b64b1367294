#include "controls/ChartAxis.h"

#include <algorithm>
#include <cmath>

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

bool ChartAxis::CanPlace(int pixels) const
{
    return pixels > 0 && std::isfinite(min) && std::isfinite(span) && span > 0.0;
}

std::optional<int> ChartTruncatePixel(double offset)
{
    if (std::isnan(offset))
        return std::nullopt;
    return static_cast<int>(std::clamp(offset, -kChartPixelLimit, kChartPixelLimit));
}

std::optional<int> ChartPixelX(const ChartAxis& x, double value, int width)
{
    if (!x.CanPlace(width))
        return std::nullopt;
    const std::optional<int> px = ChartTruncatePixel((value - x.min) / x.span * width);
    if (px && *px == 0)
        return 1;
    return px;
}

std::optional<int> ChartPixelY(const ChartAxis& y, double value, int height)
{
    if (!y.CanPlace(height) || std::isnan(value))
        return std::nullopt;
    if (value > y.max)
        value = y.max;
    if (value < y.min)
        value = y.min;
    return ChartTruncatePixel((1.0 - (value - y.min) / y.span) * height);
}

std::optional<int> ChartGridPixel(int num, int den, int pixels)
{
    if (den == 0)
        return std::nullopt;
    return ChartTruncatePixel(static_cast<double>(num) / den * pixels);
}
