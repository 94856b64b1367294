#pragma once

#include <cstdint>

// One sample of a chart page: the polled quantity, a second quantity (0 on the run-monitor
// page), the time in milliseconds since monitoring started (the previous sample's time
// plus this one's step), the step in milliseconds since the previous sample, and the tick
// count when the sample was taken.
struct RetValue {
    double value = 0.0;
    double value2 = 0.0;
    uint32_t time = 0;
    uint32_t step = 0;
    uint32_t tick = 0;
};
