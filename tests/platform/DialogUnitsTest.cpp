#include "platform/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>
#include <gtest/gtest.h>

TEST(DialogUnits, BasesComeFromTheFontsAverageLetterAndHeight)
{
    QFont font;
    font.setPixelSize(12);
    const DialogUnits units(font);
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(units.BaseX(), (letters / 26 + 1) / 2);
    EXPECT_EQ(units.BaseY(), metrics.height());
    EXPECT_EQ(units.ToPixelsX(4), units.BaseX());
    EXPECT_EQ(units.ToPixelsY(8), units.BaseY());
    EXPECT_EQ(units.ToPixelsX(0), 0);

    QFont bigger = font;
    bigger.setPixelSize(24);
    const DialogUnits big(bigger);
    EXPECT_GT(big.BaseX(), units.BaseX());
    EXPECT_GT(big.BaseY(), units.BaseY());
}

TEST(DialogUnits, RoundsToTheNearestPixelAndNeighboursMeet)
{
    QFont font;
    font.setPixelSize(13);
    const DialogUnits units(font);
    for (int dlu = 0; dlu < 900; ++dlu) {
        EXPECT_EQ(units.ToPixelsX(dlu), static_cast<int>(std::lround(dlu * units.BaseX() / 4.0))) << dlu;
        EXPECT_EQ(units.ToPixelsY(dlu), static_cast<int>(std::lround(dlu * units.BaseY() / 8.0))) << dlu;
    }
    // Two controls that touch in dialog units touch in pixels, whatever the rounding.
    const QRect left = units.ToPixels(QRect(3, 1, 17, 13));
    const QRect right = units.ToPixels(QRect(20, 1, 9, 13));
    EXPECT_EQ(left.right() + 1, right.left());
    EXPECT_EQ(left.top(), right.top());
    EXPECT_EQ(left.height(), right.height());

    QWidget widget;
    units.Place(&widget, 3, 1, 17, 13);
    EXPECT_EQ(widget.geometry(), left);
}

TEST(DialogUnits, TheStripTemplatesGridIsSimSunsWhateverFontIsInstalled)
{
    // 9 pt at the offscreen screen's 96 dpi: a 12-pixel cell, 6 pixels a Latin letter.
    const DialogUnits units = DialogUnits::OfSimSun(9);
    EXPECT_EQ(units.BaseX(), 6);
    EXPECT_EQ(units.BaseY(), 12);
    EXPECT_EQ(units.ToPixelsX(846), 1269) << "the strip is the template's own width";
    EXPECT_EQ(units.ToPixelsY(53), 80);
}
