#include "pages/shared/ChartView.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr double kMinXSpan = 100.0;
constexpr double kMinYSpan = 20.0;
constexpr double kPanLeftFloor = 0.00001;

bool Sound(const ChartAxis& axis)
{
    return std::isfinite(axis.min) && std::isfinite(axis.max) && std::abs(axis.min) <= kViewLimit
        && std::abs(axis.max) <= kViewLimit;
}

// Sets the range as the chart's setters do, unless the result would not be sound.
bool Apply(ChartAxis& axis, double min, double max, double minimumSpan)
{
    ChartAxis next;
    next.Set(min, max, minimumSpan);
    if (!Sound(next))
        return false;
    axis = next;
    return true;
}

bool ApplyX(ChartAxis& x, double min, double max)
{
    return Apply(x, min, max, kMinXSpan);
}

bool ApplyY(ChartAxis& y, double min, double max)
{
    return Apply(y, min, max, kMinYSpan);
}

double Centre(const ChartAxis& y)
{
    return y.min + y.span / 2;
}

// The Y range of a span over the current bottom edge, or around the current centre.
bool ApplySpan(ChartAxis& y, int baselineMode, double span, double halfSpan)
{
    if (baselineMode == BASELINE_BOTTOM)
        return ApplyY(y, y.min, y.min + span);
    const double centre = Centre(y);
    return ApplyY(y, centre - halfSpan, centre + halfSpan);
}

}

bool PanLeft(ChartAxis& x)
{
    if (!(x.min > kPanLeftFloor))
        return false;
    return ApplyX(x, x.min - x.span / 2, x.max - x.span / 2);
}

bool PanRight(ChartAxis& x)
{
    return ApplyX(x, x.min + x.span / 2, x.max + x.span / 2);
}

bool ZoomInX(ChartAxis& x)
{
    return ApplyX(x, x.min, x.min + x.span / 2);
}

bool ZoomOutX(ChartAxis& x)
{
    return ApplyX(x, x.min, x.min + 2 * x.span);
}

bool MoveViewDown(ChartAxis& y)
{
    return ApplyY(y, y.min - y.span / 10, y.max - y.span / 10);
}

bool MoveViewUp(ChartAxis& y)
{
    return ApplyY(y, y.min + y.span / 10, y.max + y.span / 10);
}

bool ZoomInY(ChartAxis& y, int baselineMode)
{
    if (y.span / 2 < kMinYSpan)
        return false;
    return ApplySpan(y, baselineMode, y.span / 2, y.span / 4);
}

bool ZoomOutY(ChartAxis& y, int baselineMode)
{
    if (y.span < kMinYSpan)
        return false;
    return ApplySpan(y, baselineMode, 2 * y.span, y.span);
}

bool SetBaseline(ChartAxis& y, int baselineMode, int b)
{
    if (baselineMode == BASELINE_BOTTOM)
        return ApplyY(y, b, b + y.span);
    return ApplyY(y, b - y.span / 2, b + y.span / 2);
}

std::optional<QString> SetYSpan(ChartAxis& y, int baselineMode, uint32_t span)
{
    if (span < kMinYSpan)
        return QStringLiteral("Span of Y axis is no less than 20");
    ApplyYSpan(y, baselineMode, span);
    return std::nullopt;
}

bool ApplyYSpan(ChartAxis& y, int baselineMode, uint32_t span)
{
    return ApplySpan(y, baselineMode, span, span >> 1);
}

std::optional<QString> SetXSpan(ChartAxis& x, uint32_t span)
{
    if (span < kMinXSpan)
        return QStringLiteral("Span of X axis is no less than 100");
    ApplyX(x, x.min, x.min + span);
    return std::nullopt;
}

bool ZeroView(ChartAxis& x, ChartAxis& y, int baselineMode)
{
    const bool yDone = baselineMode == BASELINE_BOTTOM ? ApplyY(y, 0, y.span) : ApplyY(y, -y.span / 2, y.span / 2);
    return ApplyX(x, 0, x.span) && yDone;
}

bool CatchLast(ChartAxis& x, ChartAxis& y, const std::vector<RetValue>& samples)
{
    if (samples.size() <= 1)
        return false;
    const RetValue& last = samples.back();
    const double k = std::trunc(last.time / x.span);
    x.min = k * x.span;
    x.max = (k + 1) * x.span;
    ApplyY(y, last.value - y.span / 2, last.value + y.span / 2);
    return true;
}

bool ResetAxes(ChartAxis& x, ChartAxis& y, int yMax, int yMin, int xMin, int xMax)
{
    const bool yDone = ApplyY(y, yMin, yMax);
    return ApplyX(x, xMin, xMax) && yDone;
}

int ZoomToBox(ChartAxis& x, ChartAxis& y, const ChartZoomRect& box)
{
    const float left = std::min(box.f[0], box.f[3]);
    const float right = std::max(box.f[0], box.f[3]);
    const float top = std::max(box.f[2], box.f[4]);
    const float bottom = std::min(box.f[2], box.f[4]);
    const float xSpan = static_cast<float>(x.span);
    const float xMin = static_cast<float>(x.min);
    const float ySpan = static_cast<float>(y.span);
    const float yMin = static_cast<float>(y.min);
    const float newXMin = left * xSpan + xMin;
    const float newXMax = right * xSpan + xMin;
    const float newYMin = bottom * ySpan + yMin;
    const float newYMax = top * ySpan + yMin;
    if (newXMax - newXMin <= kMinXSpan && newYMax - newYMin <= kMinYSpan)
        return -2;
    ApplyY(y, newYMin, newYMax);
    ApplyX(x, newXMin, newXMax);
    return 0;
}

double TickValue(const ChartAxis& axis, int i, int count)
{
    const float step = static_cast<float>(axis.span / count);
    return i * static_cast<double>(step) + axis.min;
}

QString XTickText(double v)
{
    if (v < 1e8)
        return QString::asprintf("%.0f", v);
    return QString::asprintf("%.1fG", v / 1e9);
}

QString YTickText(double v)
{
    const double magnitude = std::abs(v);
    if (magnitude < 1e6)
        return QString::asprintf("%.0f", v);
    if (magnitude < 1e9)
        return QString::asprintf("%.1fM", v / 1e6);
    if (magnitude < 1e12)
        return QString::asprintf("%.1fG", v / 1e9);
    return QString::asprintf("%.0fT", v / 1e12);
}

int ReadoutValue(const ChartAxis& axis, double fraction)
{
    const double value = axis.span * fraction + axis.min;
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(value, double(INT_MIN), double(INT_MAX)));
}
