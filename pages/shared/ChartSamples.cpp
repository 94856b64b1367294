#include "pages/shared/ChartSamples.h"

#include <cmath>

ChartSamples::Plot ChartSamples::Append(int32_t value, int16_t value2, uint16_t step, uint32_t tick,
    const ChartAxis& x, int index)
{
    std::vector<RetValue>& samples = m_arrays.at(static_cast<std::size_t>(index));
    RetValue sample;
    sample.value = value;
    sample.value2 = value2;
    sample.step = step;
    sample.tick = tick;
    sample.time = samples.empty() ? step : samples.back().time + step;
    samples.push_back(sample);

    Plot plot;
    plot.x = sample.time;
    plot.y = sample.value;
    plot.xMin = x.min;
    plot.xMax = x.max;
    if (samples.size() == 1) {
        // The first point sits at the left edge, whatever its own time.
        plot.x = 0.0;
    } else if (sample.time <= x.max) {
        plot.kind = Plot::Kind::LineTo;
    } else {
        plot.kind = Plot::Kind::PageForward;
        WindowOf(sample.time, x.span, &plot.xMin, &plot.xMax);
    }
    if (samples.size() > kMaxSamples)
        samples.erase(samples.begin(), samples.end() - 1);
    return plot;
}

void ChartSamples::Clear()
{
    for (std::vector<RetValue>& samples : m_arrays)
        samples.clear();
}

void ChartSamples::WindowOf(double time, double span, double* min, double* max)
{
    const double k = std::floor(time / span);
    *min = k * span;
    *max = (k + 1) * span;
}
