#include "controls/MenuEx.h"

#include <QApplication>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr QSize kItem(160, 19);

QImage Draw(const CMenuEx& menu, const tagMENUITEM& item, unsigned state)
{
    QImage image(kItem, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    menu.DrawItem(painter, QRect(QPoint(0, 0), kItem), item, state);
    return image;
}

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& test)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += test(image.pixelColor(x, y));
    return n;
}

TEST(MenuEx, MeasuresSeparatorsAndItems)
{
    CMenuEx menu;
    EXPECT_EQ(menu.MeasureItem({}).height(), 10);
    const QSize size = menu.MeasureItem({QStringLiteral("Open\tCtrl+O"), 0});
    EXPECT_EQ(size.height(), 19);
    EXPECT_EQ(size.width(), 16 + menu.fontMetrics().horizontalAdvance(QStringLiteral("Open Ctrl+O")) + 4);
}

TEST(MenuEx, FillsWithMenuOrHighlightColour)
{
    CMenuEx menu;
    const QPalette pal = QApplication::palette();
    const tagMENUITEM item {QStringLiteral("Open"), -1};
    EXPECT_EQ(Draw(menu, item, 0).pixelColor(150, 9), pal.color(QPalette::Window));
    EXPECT_EQ(Draw(menu, item, ODS_SELECTED).pixelColor(150, 9), pal.color(QPalette::Highlight));
    EXPECT_EQ(Draw(menu, {}, 0).pixelColor(150, 2), pal.color(QPalette::Window)) << "separator";
}

TEST(MenuEx, DrawsTheIconTwoPixelsFromTheCorner)
{
    CMenuEx menu;
    QImage strip(32, 15, QImage::Format_RGB32);
    strip.fill(Qt::green);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 16; ++x)
            strip.setPixelColor(x, y, Qt::red);
    menu.LoadIconStrip(QPixmap::fromImage(strip.copy(0, 0, 40, 15)));
    EXPECT_EQ(menu.IconCount(), 2) << "a partial icon at the end is dropped";
    const QImage image = Draw(menu, {QStringLiteral("Open"), 0}, 0);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(17, 16), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(Draw(menu, {QStringLiteral("Open"), 1}, 0).pixelColor(5, 5), QColor(Qt::green));
    EXPECT_NE(Draw(menu, {QStringLiteral("Open"), 5}, 0).pixelColor(5, 5), QColor(Qt::green)) << "no such icon";
}

TEST(MenuEx, CheckedItemsLookPressedAndSelectedOnesRaised)
{
    CMenuEx menu;
    const QPalette pal = menu.palette();
    EXPECT_EQ(Draw(menu, {QStringLiteral("Run"), -1}, ODS_CHECKED).pixelColor(0, 0).rgb(), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(Draw(menu, {QStringLiteral("Run"), -1}, ODS_SELECTED).pixelColor(0, 0).rgb(), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(Draw(menu, {QStringLiteral("Run"), -1}, 0).pixelColor(0, 0).rgb(), pal.color(QPalette::Window).rgb());
}

TEST(MenuEx, SplitsLabelAndAcceleratorAndGreysDisabledText)
{
    CMenuEx menu;
    const QColor text = QApplication::palette().color(QPalette::WindowText);
    const auto isText = [&](const QColor& c) { return c == text; };
    const QRect rightEnd(110, 0, 50, 19);
    EXPECT_EQ(CountPixels(Draw(menu, {QStringLiteral("Open"), -1}, 0), rightEnd, isText), 0);
    EXPECT_GT(CountPixels(Draw(menu, {QStringLiteral("Open\tCtrl+O"), -1}, 0), rightEnd, isText), 0) << "accelerator at the right";

    const QImage disabled = Draw(menu, {QStringLiteral("Open\tCtrl+O"), -1}, ODS_GRAYED);
    const QRect all(0, 0, kItem.width(), kItem.height());
    EXPECT_EQ(CountPixels(disabled, all, isText), 0);
    EXPECT_GT(CountPixels(disabled, all, [](const QColor& c) { return c == QColor(0x7F, 0x7F, 0x7F); }), 0);
    EXPECT_GT(CountPixels(disabled, all, [](const QColor& c) { return c == QColor(Qt::white); }), 0);
}

} // namespace
