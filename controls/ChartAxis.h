#pragma once

#include <optional>

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
    bool CanPlace(int pixels) const;
};

// Pixels further out than this are clamped before conversion to int. Lines to such points
// then lean by less than a tenth of a pixel inside any real chart, and no value however
// large can overflow the conversion.
constexpr double kChartPixelLimit = 4194304.0;

// Truncates a pixel offset toward zero after clamping it to +-kChartPixelLimit; nothing
// for a value that is not a number.
std::optional<int> ChartTruncatePixel(double offset);

// Pixel column of x on a plot `width` pixels wide, counted from the left edge. x is not
// clamped: points left or right of the range fall outside the plot. Column 0 is reported
// as 1, so the first point of a window never sits on the frame line.
std::optional<int> ChartPixelX(const ChartAxis& x, double value, int width);

// Pixel row of y on a plot `height` pixels high, counted from the top edge. y is first
// held inside the range (to the maximum, then to the minimum), so a value off the scale
// runs along the top or bottom edge.
std::optional<int> ChartPixelY(const ChartAxis& y, double value, int height);

// Grid line at num/den of `pixels`; nothing for a zero denominator.
std::optional<int> ChartGridPixel(int num, int den, int pixels);
