#pragma once

#include "controls/ChartAxis.h"

#include <QString>

#include <cstdint>
#include <optional>

// The PID-tuning page's chart arithmetic beyond what it shares with the run-monitor page
// (ChartView.h): the feedback and error zoom steps, the Y range a span setting gives and
// the texts of the readouts.

// Feedback "Big" (in) and "Small": the new span from the old one (truncated): half or
// double, nothing below 200. That span stays as it is when its count of whole twenties is a
// multiple of ten (9000, and 4510 too), else it is rounded down to a multiple of 200 (4300
// gives 4200), never below 200.
std::optional<int64_t> FeedbackZoomSpan(double span, bool in);
// Error "Big" and "Small": half or double the old span, 20 when that falls below 10.
int64_t ErrorZoomSpan(double span, bool in);
// The feedback curves' range for a Y span setting: -span/2 .. span/2, halved as an
// unsigned number and negated as a signed one.
void HalfSpanRange(uint32_t span, double* max, double* min);
// A marker distance in ten-thousandths of the plot height, in the units of `y`.
QString YDistanceText(const ChartAxis& y, uint32_t tenThousandths);
// A position error in 0.01 degree, as milliradians.
QString MradText(double value);
