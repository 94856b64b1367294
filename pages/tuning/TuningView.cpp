#include "pages/tuning/TuningView.h"

#include <cmath>

namespace {
constexpr int64_t kMinFeedbackSpan = 200;
}

std::optional<int64_t> FeedbackZoomSpan(double span, bool in)
{
    if (!std::isfinite(span))
        return std::nullopt;
    const auto s = static_cast<int64_t>(span);
    const int64_t h = in ? s / 2 : 2 * s;
    if (h < kMinFeedbackSpan)
        return std::nullopt;
    const int64_t twenties = h / 20;
    if (twenties % 10 == 0)
        return h;
    return std::max(kMinFeedbackSpan, 20 * (twenties - twenties % 10));
}

int64_t ErrorZoomSpan(double span, bool in)
{
    const auto s = std::isfinite(span) ? static_cast<int64_t>(span) : 0;
    const int64_t next = in ? s / 2 : 2 * s;
    return next < 10 ? 20 : next;
}

void HalfSpanRange(uint32_t span, double* max, double* min)
{
    const auto half = static_cast<int64_t>(span / 2);
    *max = static_cast<double>(half);
    *min = static_cast<double>(-half);
}

QString YDistanceText(const ChartAxis& y, uint32_t tenThousandths)
{
    return QString::asprintf("%.0f", (y.max - y.min) * tenThousandths / 10000);
}

QString MradText(double value)
{
    return QString::asprintf("%f", value * 10 * 3.1415926 / 180);
}
