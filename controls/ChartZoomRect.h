#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>

// The zoom box a chart reports to its owner, as fractions of the plot: each x from the
// left edge, each y from the bottom edge. f[1] has no meaning and is always 0.
struct ChartZoomRect {
    float f[5] = {};  // [0] anchor x, [1] unused, [2] anchor y, [3] end x, [4] end y

    // From the press point and the release point in client pixels of `client`. A plot of
    // no size yields all zeros.
    static ChartZoomRect Make(QPoint anchor, QPoint end, const QRect& client);

    // The record travels in the notification's own copy of its bytes.
    QByteArray ToData() const;
    // False when the bytes are not a zoom record.
    static bool FromData(const QByteArray& data, ChartZoomRect* out);
};

static_assert(sizeof(ChartZoomRect) == 5 * sizeof(float));
