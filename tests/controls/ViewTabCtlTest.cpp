#include "controls/ViewTabCtl.h"

#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QStringList kCaptions {QStringLiteral("参数配置"), QStringLiteral("运行监测")};

QColor C(COLORREF ref) { return ColorFromRef(ref); }

bool IsCaption(const QColor& c)
{
    // Anti-aliased caption pixels lie between the caption colour and the fills.
    return c.red() < 150 && c.blue() > c.red();
}

int CaptionPixels(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += IsCaption(image.pixelColor(x, y));
    return n;
}

class TabLayout : public ::testing::Test {
protected:
    TabStripLayout layout {kCaptions, QFont()};
};

TEST_F(TabLayout, TabsLieSideBySideFromTheLeft)
{
    ASSERT_EQ(layout.Count(), 2);
    const QRect t0 = layout.TabShape(0, -1);
    const QRect t1 = layout.TabShape(1, -1);
    EXPECT_EQ(t0.left(), TabStripLayout::kLeftMargin);
    EXPECT_EQ(t1.left(), t0.right() + 1);
    EXPECT_GT(t0.width(), QFontMetrics(layout.CaptionFont()).horizontalAdvance(kCaptions.at(0)));
    for (int selected : {0, 1})
        for (int i : {0, 1})
            EXPECT_TRUE(QRect(QPoint(0, 0), layout.PictureSize()).contains(layout.TabShape(i, selected)));
}

TEST_F(TabLayout, CaptionsHaveAChineseFont)
{
    const QFontMetrics metrics(layout.CaptionFont());
    for (const QString& caption : kCaptions)
        for (QChar ch : caption)
            EXPECT_TRUE(metrics.inFont(ch)) << int(ch.unicode());
}

TEST_F(TabLayout, ClicksHitTheTabDrawnUnderThem)
{
    for (int selected : {0, 1}) {
        for (int i : {0, 1})
            EXPECT_EQ(layout.HitTest(layout.TabShape(i, selected).center(), selected), i);
        const int other = 1 - selected;
        const QRect otherShape = layout.TabShape(other, selected);
        // Above an unselected tab nothing is drawn; above the selected one its top is.
        EXPECT_EQ(layout.HitTest(QPoint(otherShape.center().x(), 0), selected), -1);
        EXPECT_EQ(layout.HitTest(QPoint(layout.TabShape(selected, selected).center().x(), 0), selected), selected);
    }

    // The selected tab reaches over the edge of its neighbour.
    const int border = layout.TabShape(1, -1).left();
    EXPECT_EQ(layout.HitTest(QPoint(border + 1, 10), 0), 0);
    EXPECT_EQ(layout.HitTest(QPoint(border + 1, 10), 1), 1);
    EXPECT_EQ(layout.HitTest(QPoint(border - 2, 10), 1), 1);
    EXPECT_EQ(layout.HitTest(QPoint(border - 3, 10), 1), 0);

    EXPECT_EQ(layout.HitTest(QPoint(layout.PictureSize().width() + 5, 10), 0), -1);
    EXPECT_EQ(layout.HitTest(QPoint(10, layout.RowHeight() + 1), 0), -1);
    EXPECT_EQ(layout.HitTest(QPoint(-1, 10), -1), -1);
    EXPECT_EQ(layout.HitTest(QPoint(1, 10), -1), -1) << "left of the first unselected tab";
}

TEST_F(TabLayout, AdjustRectGoesBothWays)
{
    const QRect strip(0, 4, 880, 696);
    const QRect page = layout.AdjustRect(false, strip);
    EXPECT_EQ(page.top(), strip.top() + layout.RowHeight() + TabStripLayout::kFrame);
    EXPECT_TRUE(strip.contains(page));
    EXPECT_EQ(layout.AdjustRect(true, page), strip);
}

// What each picture shows, tested at chosen pixels.
TEST_F(TabLayout, PicturePerSelection)
{
    const int base = layout.RowHeight() - 1;
    for (int selected : {0, 1}) {
        const QImage picture = layout.Picture(selected);
        ASSERT_EQ(picture.size(), layout.PictureSize());
        const int other = 1 - selected;
        const QRect on = layout.TabShape(selected, selected);
        const QRect off = layout.TabShape(other, selected);
        SCOPED_TRACE(selected);

        // The selected tab is raised to the top with its accent; the other starts lower.
        EXPECT_EQ(picture.pixelColor(on.center().x(), 0), C(kTabAccent));
        EXPECT_EQ(picture.pixelColor(on.center().x(), 1), C(kTabAccent));
        EXPECT_EQ(picture.pixelColor(off.center().x(), 0), C(kTabStripBackground));
        EXPECT_EQ(picture.pixelColor(off.center().x(), off.top()), C(kTabBorder));

        // Fills, beside the captions.
        EXPECT_EQ(picture.pixelColor(on.left() + 3, base - 3), C(kTabSelectedFill));
        EXPECT_EQ(picture.pixelColor(off.left() + 3, base - 3), C(kTabFill));

        // The base line runs under the unselected tab and is open under the selected one.
        EXPECT_EQ(picture.pixelColor(off.center().x(), base), C(kTabBorder));
        EXPECT_EQ(picture.pixelColor(on.center().x(), base), C(kTabSelectedFill));
        EXPECT_EQ(picture.pixelColor(on.left(), base), C(kTabBorder));

        // Both captions are drawn inside their tabs.
        EXPECT_GT(CaptionPixels(picture, on.adjusted(3, 3, -3, -3)), 30);
        EXPECT_GT(CaptionPixels(picture, off.adjusted(3, 3, -3, -3)), 30);
    }
    // The two pictures differ; none selected shows neither raised.
    EXPECT_NE(layout.Picture(0), layout.Picture(1));
    const QImage none = layout.Picture(-1);
    EXPECT_EQ(none.pixelColor(layout.TabShape(0, -1).center().x(), 0), C(kTabStripBackground));
    EXPECT_EQ(none.pixelColor(layout.TabShape(1, -1).center().x(), 0), C(kTabStripBackground));
}

std::unique_ptr<CViewTabCtl> MakeStrip()
{
    auto strip = std::make_unique<CViewTabCtl>();
    strip->resize(400, 200);
    strip->InsertItem(0, kCaptions.at(0));
    strip->InsertItem(1, kCaptions.at(1));
    return strip;
}

QImage Snapshot(CViewTabCtl& strip)
{
    return strip.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(ViewTabCtl, PaintsOnlyTheBackgroundWithNoTabSelected)
{
    auto strip = std::make_unique<CViewTabCtl>();
    strip->resize(200, 100);
    for (int pass = 0; pass < 2; ++pass) {
        const QImage image = Snapshot(*strip);
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                ASSERT_EQ(image.pixelColor(x, y), C(kTabStripBackground)) << x << "," << y;
        strip->InsertItem(0, kCaptions.at(0));
        strip->InsertItem(1, kCaptions.at(1));
        EXPECT_EQ(strip->GetCurSel(), -1);
    }
}

TEST(ViewTabCtl, PaintsThePictureOfTheSelectedTab)
{
    auto strip = MakeStrip();
    for (int selected : {0, 1, 0}) {
        strip->SetCurSel(selected);
        const QImage image = Snapshot(*strip);
        const QImage picture = strip->Picture(selected);
        EXPECT_EQ(image.copy(QRect(QPoint(0, 0), picture.size())), picture.convertToFormat(QImage::Format_RGB32));
        EXPECT_EQ(image.pixelColor(picture.width() + 5, 5), C(kTabStripBackground));
        EXPECT_EQ(image.pixelColor(100, 150), C(kTabStripBackground));
    }
}

TEST(ViewTabCtl, FollowsItsFont)
{
    auto strip = MakeStrip();
    const int before = strip->Layout().RowHeight();
    QFont big = strip->font();
    big.setPixelSize(40);
    strip->setFont(big);
    EXPECT_GT(strip->Layout().RowHeight(), before);
    EXPECT_EQ(strip->Picture(0).height(), strip->Layout().RowHeight());
}

TEST(ViewTabCtl, ItemsAndSelection)
{
    auto strip = std::make_unique<CViewTabCtl>();
    auto page0 = std::make_unique<QWidget>();
    auto page1 = std::make_unique<QWidget>();
    EXPECT_EQ(strip->InsertItem(-1, QStringLiteral("x")), -1);
    EXPECT_EQ(strip->InsertItem(5, kCaptions.at(1), page1.get()), 0) << "past the end appends";
    EXPECT_EQ(strip->SetCurSel(0), -1);
    EXPECT_EQ(strip->InsertItem(0, kCaptions.at(0), page0.get()), 0);
    EXPECT_EQ(strip->GetCurSel(), 1) << "the selected tab keeps its selection when a tab goes before it";
    EXPECT_EQ(strip->GetItemText(0), kCaptions.at(0));
    EXPECT_EQ(strip->GetItemData(1), page1.get());
    EXPECT_EQ(strip->GetItemData(2), nullptr);

    EXPECT_EQ(strip->SetCurSel(2), -1);
    EXPECT_EQ(strip->GetCurSel(), 1);
    EXPECT_EQ(strip->SetCurSel(0), 1);
    EXPECT_EQ(strip->SetCurSel(-1), 0);
    EXPECT_EQ(strip->GetCurSel(), -1);

    page1.reset();
    EXPECT_EQ(strip->GetItemData(1), nullptr) << "a page that is gone is not handed out";
    EXPECT_EQ(strip->focusPolicy(), Qt::NoFocus);
}

struct Notifications {
    QStringList log;
    bool veto = false;
};

void Watch(CViewTabCtl& strip, Notifications& n)
{
    QObject::connect(&strip, &CViewTabCtl::SelChanging, [&n, &strip](bool* cancel) {
        n.log << QStringLiteral("changing %1").arg(strip.GetCurSel());
        *cancel = n.veto;
    });
    QObject::connect(&strip, &CViewTabCtl::SelChange, [&n, &strip] { n.log << QStringLiteral("change %1").arg(strip.GetCurSel()); });
}

TEST(ViewTabCtl, AClickOnAnotherTabAsksThenSelects)
{
    auto strip = MakeStrip();
    strip->SetCurSel(0);
    Notifications n;
    Watch(*strip, n);

    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, strip->Layout().TabShape(1, 0).center());
    EXPECT_EQ(n.log, QStringList({"changing 0", "change 1"}));
    EXPECT_EQ(strip->GetCurSel(), 1);

    n.log.clear();
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, strip->Layout().TabShape(1, 1).center());
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, QPoint(300, 10));
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, QPoint(20, 100));
    QTest::mouseClick(strip.get(), Qt::RightButton, {}, strip->Layout().TabShape(0, 1).center());
    EXPECT_TRUE(n.log.isEmpty()) << "the current tab, empty space and the right button change nothing";
    EXPECT_EQ(strip->GetCurSel(), 1);

    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, strip->Layout().TabShape(0, 1).center());
    EXPECT_EQ(n.log, QStringList({"changing 1", "change 0"}));
}

TEST(ViewTabCtl, AVetoKeepsTheTab)
{
    auto strip = MakeStrip();
    strip->SetCurSel(1);
    Notifications n;
    n.veto = true;
    Watch(*strip, n);
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, strip->Layout().TabShape(0, 1).center());
    EXPECT_EQ(n.log, QStringList({"changing 1"}));
    EXPECT_EQ(strip->GetCurSel(), 1);
}

TEST(ViewTabCtl, SetTabRectPlacesStripAndPage)
{
    QWidget view;
    view.resize(900, 700);
    auto* strip = new CViewTabCtl(&view);
    auto* page = new QWidget(strip);
    QWidget sibling(&view);

    QRect area(0, 4, 880, 696);
    strip->SetTabRect(area, page);
    EXPECT_EQ(strip->geometry(), QRect(0, 4, 880, 696));
    const QRect expected = strip->AdjustRect(false, QRect(0, 4, 880, 696));
    EXPECT_EQ(area, expected) << "the area becomes the page area";
    EXPECT_EQ(page->geometry(), expected.translated(0, -4)) << "in the strip's own coordinates";
    EXPECT_EQ(strip->mapTo(&view, page->geometry().topLeft()), expected.topLeft());

    QRect again(10, 20, 400, 300);
    strip->SetTabRect(again, &sibling);
    EXPECT_EQ(sibling.geometry(), again) << "a page beside the strip shares its coordinates";

    QRect alone(0, 0, 300, 200);
    strip->SetTabRect(alone, nullptr);
    EXPECT_EQ(strip->geometry(), QRect(0, 0, 300, 200));
}

} // namespace
