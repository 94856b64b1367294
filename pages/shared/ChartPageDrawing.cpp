#include "pages/shared/ChartPageDrawing.h"

#include "controls/CLineChartCtrl.h"
#include "pages/shared/ChartSamples.h"
#include "pages/shared/ChartView.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {
constexpr COLORREF kGridColour = 0xF0F0F0;
constexpr int kTickLength = 5;
const QString kXUnit = QStringLiteral("ms");
}

void DrawChartGrid(CLineChartCtrl& chart)
{
    chart.Clear();
    for (int i = 1; i < 10; ++i)
        chart.DrawVGridLine(i, 10, kGridColour, PS_SOLID);
    for (int k = 5; k < 100; k += 5)
        chart.DrawHGridLine(k, 100, kGridColour, PS_SOLID);
    chart.DrawHGridLine(50, 100, RGB(0, 0, 0), PS_SOLID);
}

void ReplotSamples(CLineChartCtrl& chart, const ChartSamples& samples, int firstCurve)
{
    for (int i = 0; i < ChartSamples::kArrays; ++i) {
        const std::vector<RetValue>& array = samples.Array(i);
        chart.DrawSamples(firstCurve + i, array.size(), [&array](std::size_t k) {
            return ChartPoint { static_cast<double>(array[k].time), array[k].value };
        });
        chart.Refresh();
    }
}

QRect XUnitBox(const QRect& chart, const QFontMetrics& metrics)
{
    const int right = chart.x() + chart.width();
    const int bottom = chart.y() + chart.height();
    return QRect(right + 2, bottom - 15, std::max(18, metrics.horizontalAdvance(kXUnit) + 1), 20);
}

void PaintChartAxes(QPainter& painter, const QRect& chart, const ChartAxis& x, const ChartAxis& y, const QString& unit,
    int unitHalfWidth)
{
    const int left = chart.x();
    const int top = chart.y();
    const int bottom = chart.y() + chart.height();
    const float width = static_cast<float>(chart.width());
    const float height = static_cast<float>(chart.height());
    for (int i = 0; i <= 10; ++i) {
        const int xPixel = left + static_cast<int>(i * width / 10);
        painter.drawLine(xPixel, bottom, xPixel, bottom + kTickLength);
        painter.drawText(QRect(QPoint(xPixel - 50, bottom + 7), QPoint(xPixel + 50, bottom + 27) - QPoint(1, 1)),
            Qt::AlignHCenter | Qt::AlignTop, XTickText(TickValue(x, i, 10)));
    }
    painter.drawText(XUnitBox(chart, painter.fontMetrics()), Qt::AlignLeft | Qt::AlignBottom, kXUnit);
    for (int i = 0; i <= 20; ++i) {
        const int yPixel = bottom - static_cast<int>(i * height / 20);
        painter.drawLine(left, yPixel, left - kTickLength, yPixel);
        painter.drawText(QRect(QPoint(left - 88, yPixel - 8), QPoint(left - 8, yPixel + 10) - QPoint(1, 1)),
            Qt::AlignRight | Qt::AlignVCenter, YTickText(TickValue(y, i, 20)));
    }
    painter.drawText(QRect(QPoint(left - unitHalfWidth, top - 23), QPoint(left + unitHalfWidth, top - 5)
                         - QPoint(1, 1)),
        Qt::AlignCenter, unit);
}
