#include "platform/DialogUnits.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {
// a * b / c rounded half away from zero, as dialog templates are scaled.
int MulDiv(int a, int b, int c)
{
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}
}

DialogUnits::DialogUnits(const QFont& dialogFont)
{
    const QFontMetrics metrics(dialogFont);
    // The average width is taken over the 52 Latin letters and rounded to the nearest
    // pixel, so the same font always gives the same grid.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (letters / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

DialogUnits::DialogUnits(int baseX, int baseY)
    : m_baseX(baseX)
    , m_baseY(baseY)
{
}

DialogUnits DialogUnits::OfSimSun(int pointSize)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    const int cell = std::max(2, static_cast<int>(std::lround(pointSize * dpi / 72.0)));
    return DialogUnits((cell + 1) / 2, cell);
}

int DialogUnits::ToPixelsX(int dluX) const
{
    return MulDiv(dluX, m_baseX, 4);
}

int DialogUnits::ToPixelsY(int dluY) const
{
    return MulDiv(dluY, m_baseY, 8);
}

QRect DialogUnits::ToPixels(const QRect& dluRect) const
{
    // Corners are converted, not sizes, so neighbouring controls keep meeting exactly.
    const int left = ToPixelsX(dluRect.x());
    const int top = ToPixelsY(dluRect.y());
    const int right = ToPixelsX(dluRect.x() + dluRect.width());
    const int bottom = ToPixelsY(dluRect.y() + dluRect.height());
    return QRect(left, top, right - left, bottom - top);
}

void DialogUnits::Place(QWidget* widget, int x, int y, int width, int height) const
{
    widget->setGeometry(ToPixels(QRect(x, y, width, height)));
}
