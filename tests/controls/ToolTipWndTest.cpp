#include "controls/ToolTipWnd.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Exclusive right and bottom edges, as the balloon is measured.
int RightEdge(const QRect& r) { return r.left() + r.width(); }
int BottomEdge(const QRect& r) { return r.top() + r.height(); }

bool IsDark(const QColor& c) { return c.red() < 100 && c.green() < 100 && c.blue() < 100; }

QImage Render(CToolTipWnd& tip)
{
    return tip.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(ToolTipWnd, DefaultBalloonGeometry)
{
    const BalloonShape shape = CToolTipWnd::Shape(QRect(0, 0, 100, 60));
    EXPECT_EQ(shape.ellipse.left(), 10);
    EXPECT_EQ(RightEdge(shape.ellipse), 100);
    EXPECT_EQ(shape.ellipse.top(), 0);
    EXPECT_EQ(BottomEdge(shape.ellipse), 60);

    // Half sizes int(45 / 1.41421) = 31 and int(30 / 1.41421) = 21 around the ellipse's centre.
    EXPECT_EQ(shape.textRect.left(), 55 - 31);
    EXPECT_EQ(RightEdge(shape.textRect), 55 + 31);
    EXPECT_EQ(shape.textRect.top(), 30 - 21);
    EXPECT_EQ(BottomEdge(shape.textRect), 30 + 21);

    ASSERT_EQ(shape.pointer.size(), 3);
    EXPECT_EQ(shape.pointer.point(0), QPoint(0, 20));
    EXPECT_EQ(shape.pointer.point(1), QPoint(15, 25));
    EXPECT_EQ(shape.pointer.point(2), QPoint(15, 35));

    const QRegion region = shape.Region();
    EXPECT_TRUE(region.contains(QPoint(55, 30)));
    EXPECT_TRUE(region.contains(QPoint(5, 23))) << "inside the pointer, left of the ellipse";
    EXPECT_FALSE(region.contains(QPoint(2, 2)));
    EXPECT_FALSE(region.contains(QPoint(99, 0))) << "corner outside the ellipse";
    EXPECT_LE(region.boundingRect().left(), 1) << "the pointer reaches the left edge";
}

TEST(ToolTipWnd, CreateCutsTheWindowToTheBalloon)
{
    CToolTipWnd tip;
    EXPECT_FALSE(tip.testAttribute(Qt::WA_WState_Created)) << "constructing makes no window";
    ASSERT_TRUE(tip.Create());
    EXPECT_EQ(tip.size(), QSize(100, 60));
    EXPECT_EQ(tip.mask(), CToolTipWnd::Shape(QRect(0, 0, 100, 60)).Region());
}

TEST(ToolTipWnd, CreateFailsWithAMessageWhenTheBalloonHasNoRoom)
{
    QList<MessageBoxRequest> boxes;
    SetMessageBoxHandler([&](const MessageBoxRequest& r) { boxes.append(r); return IDOK; });
    CToolTipWnd tip;
    EXPECT_FALSE(tip.Create(QSize(10, 60)));
    SetMessageBoxHandler({});
    EXPECT_FALSE(tip.IsCreated());
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.at(0).text, QStringLiteral("ERROR in Combining Region"));
    EXPECT_EQ(boxes.at(0).caption, QStringLiteral("Velquarin"));
}

TEST(ToolTipWnd, PaintsTheBalloonInItsColours)
{
    CToolTipWnd tip;
    ASSERT_TRUE(tip.Create());
    tip.SetTipText(QStringLiteral("Hi"));
    const QImage image = Render(tip);

    const QColor background = ColorFromRef(0xBCFEF9);
    const QColor border = ColorFromRef(0xFF0000);
    EXPECT_EQ(background, QColor(0xF9, 0xFE, 0xBC));
    EXPECT_EQ(border, QColor(0, 0, 255));

    EXPECT_EQ(image.pixelColor(30, 30), background);
    EXPECT_EQ(image.pixelColor(10, 30), border) << "left end of the ellipse";
    EXPECT_EQ(image.pixelColor(11, 30), border) << "the border is two pixels wide";
    const QRegion region = tip.mask();
    int top = 0;
    while (top < 60 && !region.contains(QPoint(55, top)))
        ++top;
    ASSERT_LT(top, 3);
    EXPECT_EQ(image.pixelColor(55, top), border) << "top of the ellipse";
    EXPECT_EQ(image.pixelColor(55, top + 1), background) << "the border is one pixel high";
    EXPECT_NE(image.pixelColor(2, 2), background) << "nothing outside the balloon";
    EXPECT_NE(image.pixelColor(2, 2), border);
    EXPECT_NE(image.pixelColor(99, 0), background);

    int dark = 0;
    for (int y = 20; y < 40; ++y)
        for (int x = 40; x < 70; ++x)
            dark += IsDark(image.pixelColor(x, y));
    EXPECT_GT(dark, 5) << "the text is drawn black in the middle";
}

TEST(ToolTipWnd, WrapsTextThatDoesNotFitOneLine)
{
    CToolTipWnd tip;
    ASSERT_TRUE(tip.Create());
    tip.SetTipText(QStringLiteral("one two three four five"));
    const QImage image = Render(tip);
    const QRect text = CToolTipWnd::Shape(tip.rect()).textRect;
    int firstRow = -1, lastRow = -1;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            if (IsDark(image.pixelColor(x, y))) {
                if (firstRow < 0)
                    firstRow = y;
                lastRow = y;
            }
    ASSERT_GE(firstRow, 0);
    EXPECT_GT(lastRow - firstRow, QFontMetrics(tip.font()).height()) << "more than one line";
}

TEST(ToolTipWnd, ShowsAToolsTextAtTheMouseAndHidesOnLeave)
{
    QWidget tool;
    tool.resize(50, 20);
    CToolTipWnd tip;
    tip.AddTool(&tool, QStringLiteral("Enable the drive"));
    EXPECT_EQ(tip.ToolText(&tool), QStringLiteral("Enable the drive"));

    const QPoint global(300, 200);
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), global);
    QApplication::sendEvent(&tool, &help);
    EXPECT_TRUE(tip.isVisible());
    EXPECT_TRUE(tip.IsCreated());
    EXPECT_EQ(tip.TipText(), QStringLiteral("Enable the drive"));
    EXPECT_EQ(tip.pos() + QPoint(0, 20), global) << "the pointer's point is at the mouse";

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&tool, &leave);
    EXPECT_FALSE(tip.isVisible());
}

TEST(ToolTipWnd, ToolsAndTipMayGoInEitherOrder)
{
    auto tip = std::make_unique<CToolTipWnd>();
    auto tool = std::make_unique<QWidget>();
    QWidget* raw = tool.get();
    tip->AddTool(raw, QStringLiteral("a"));
    tool.reset();
    EXPECT_TRUE(tip->ToolText(raw).isEmpty());

    tool = std::make_unique<QWidget>();
    tip->AddTool(tool.get(), QStringLiteral("b"));
    tip->RemoveTool(tool.get());
    EXPECT_TRUE(tip->ToolText(tool.get()).isEmpty());
    tip->AddTool(tool.get(), QStringLiteral("c"));
    tip.reset();
    QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(tool.get(), &help);
    EXPECT_FALSE(help.isAccepted()) << "the tool has its own handling again";
}

} // namespace
