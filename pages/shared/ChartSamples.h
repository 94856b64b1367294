#pragma once

#include "controls/ChartAxis.h"
#include "pages/shared/RetValue.h"

#include <array>
#include <cstddef>
#include <vector>

// The run-monitor page's samples: four arrays (array i is curve i), of which the page fills
// array 0 with what its polling thread posts. Append does the arithmetic of one new sample
// and says how the chart shows it; the page only carries that out.
class ChartSamples {
public:
    static constexpr int kArrays = 4;
    // An array that grows beyond this is cut to its newest sample, so memory stays flat
    // however long monitoring runs.
    static constexpr std::size_t kMaxSamples = 60000;

    // How a new sample reaches the chart.
    struct Plot {
        enum class Kind {
            MoveTo,       // the first sample: the curve starts at (x, y)
            LineTo,       // a segment to (x, y) inside the X window
            PageForward,  // the X window moves to [xMin, xMax], the grid is redrawn and the
                          // curve starts afresh at (x, y)
        };
        Kind kind = Kind::MoveTo;
        double x = 0.0;
        double y = 0.0;
        double xMin = 0.0;
        double xMax = 0.0;
    };

    // Appends to an array (0 unless given) a sample of `value` taken `step` ms after the
    // array's one before (the first sample's time is its own step), seen in the X window `x`.
    Plot Append(int32_t value, int16_t value2, uint16_t step, uint32_t tick, const ChartAxis& x, int index = 0);

    void Clear();
    const std::vector<RetValue>& Array(int index) const { return m_arrays[static_cast<std::size_t>(index)]; }
    // The X window of the given span that holds `time`: [k * span, (k + 1) * span].
    static void WindowOf(double time, double span, double* min, double* max);

private:
    std::array<std::vector<RetValue>, kArrays> m_arrays;
};
