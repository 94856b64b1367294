#pragma once

#include "controls/ChartAxis.h"
#include "controls/ChartZoomRect.h"
#include "pages/shared/RetValue.h"

#include <QString>

#include <optional>
#include <vector>

// The run-monitor page's view of its chart: what each view button does to the X range
// (time, ms) and the Y range (the polled value), and the texts of the axes. Plain
// arithmetic on the chart's two ranges; the page redraws afterwards.
//
// X spans stay at least 100 and Y spans at least 20, as the chart's own range setters keep
// them. No operation leaves a bound that is not a finite number or lies beyond
// kViewLimit: an operation that would is not carried out (false), so pressing a zoom or
// pan button many times ends at the last sound view instead of an infinite one.

// Bounds of a view, far beyond any time (2^32 ms) and any value (2^31) a drive reports.
constexpr double kViewLimit = 1e12;

// The baseline modes of the Y scale: values from the bottom edge up, or around the centre.
enum MonitorBaseline : int {
    BASELINE_BOTTOM = 0,
    BASELINE_CENTER = 1,
};

// ← and →: by half the X span; left only while X minimum is above 0.00001.
bool PanLeft(ChartAxis& x);
bool PanRight(ChartAxis& x);
// X Big and X Small: X span halved or doubled, X minimum kept.
bool ZoomInX(ChartAxis& x);
bool ZoomOutX(ChartAxis& x);
// ↑ moves the range down by a tenth of the Y span, ↓ up.
bool MoveViewDown(ChartAxis& y);
bool MoveViewUp(ChartAxis& y);
// Y Big (only while half the span is at least 20) and Y Small (only while the span is at
// least 20): the span halved or doubled, over the bottom edge or around the centre.
bool ZoomInY(ChartAxis& y, int baselineMode);
bool ZoomOutY(ChartAxis& y, int baselineMode);
// The Y range put on baseline b: from b up, or centred on b.
bool SetBaseline(ChartAxis& y, int baselineMode, int b);
// A Y span typed by the user; a span below 20 is refused with the message returned.
std::optional<QString> SetYSpan(ChartAxis& y, int baselineMode, uint32_t span);
// A Y span the page worked out itself, over the bottom edge or around the centre (halved
// as an unsigned number); below 20 the range keeps its new minimum and spans 20, as the
// chart keeps it. False, changing nothing, for a range beyond what the chart can show.
bool ApplyYSpan(ChartAxis& y, int baselineMode, uint32_t span);
// An X span typed by the user; a span below 100 is refused with the message returned.
std::optional<QString> SetXSpan(ChartAxis& x, uint32_t span);
// Zero: Y on the zero baseline, X back to 0 .. X span.
bool ZeroView(ChartAxis& x, ChartAxis& y, int baselineMode);
// Catch: the X window of the same span that holds the last sample, Y centred on its
// value; only with more than one sample.
bool CatchLast(ChartAxis& x, ChartAxis& y, const std::vector<RetValue>& samples);
// The hidden reset button: Y from yMax down to yMin, X from xMin to xMax.
bool ResetAxes(ChartAxis& x, ChartAxis& y, int yMax, int yMin, int xMin, int xMax);
// The zoom box the chart reports: -2 (nothing changes) for a box of at most 100 X units
// by at most 20 Y units, else the view becomes the box and 0 is returned.
int ZoomToBox(ChartAxis& x, ChartAxis& y, const ChartZoomRect& box);

// The value at tick i of `count` equal steps across the axis. The step is taken in single
// precision.
double TickValue(const ChartAxis& axis, int i, int count);
// Tick texts: time "%.0f" below 1e8 ms, else "%.1fG" of it in 1e9 ms; values "%.0f"
// below 1e6 in magnitude, then "%.1fM", "%.1fG" and "%.0fT".
QString XTickText(double v);
QString YTickText(double v);
// The axis value under the mouse, at `fraction` of the plot, as a whole number.
int ReadoutValue(const ChartAxis& axis, double fraction);
