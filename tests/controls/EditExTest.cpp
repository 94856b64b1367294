#include "controls/EditEx.h"
#include "controls/LogFont.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QImage Snapshot(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class RefuseDigits : public CharFilter {
public:
    bool Accept(char16_t ch) const override { return ch < u'0' || ch > u'9'; }
};

TEST(EditEx, ColourSettersReturnTheColourTheyReplace)
{
    CEditEx edit;
    const COLORREF initial = edit.BkColor();
    EXPECT_EQ(edit.SetBkColor(0xFAFAFA), initial);
    EXPECT_EQ(edit.SetBkColor(0x0000FF), 0xFAFAFAu);
    EXPECT_EQ(edit.BkColor(), 0x0000FFu);
    EXPECT_EQ(edit.BkBrush().color(), QColor(255, 0, 0)) << "0x0000FF is red";
    EXPECT_EQ(edit.BkBrush().style(), Qt::SolidPattern);

    const COLORREF text = edit.TextColor();
    EXPECT_EQ(edit.SetTextColor(0x808080), text);
    EXPECT_EQ(edit.SetTextColor(0xFFFFFF), 0x808080u);
}

// The lamps of the status strip are fields the user cannot type into; their colours must
// show whatever state the field is in.
TEST(EditEx, PaintsItsOwnColoursInEveryState)
{
    CEditEx edit;
    edit.resize(80, 24);
    edit.SetBkColor(RGB(0, 128, 0));
    edit.SetTextColor(RGB(255, 0, 0));
    for (int state = 0; state < 3; ++state) {
        edit.setReadOnly(state == 1);
        edit.setEnabled(state != 2);
        const QImage image = Snapshot(edit);
        EXPECT_EQ(image.pixelColor(70, 12), QColor(0, 128, 0)) << "state " << state;
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            EXPECT_EQ(edit.palette().color(group, QPalette::Text), QColor(255, 0, 0));
    }

    edit.setEnabled(true);
    edit.setText(QStringLiteral("WWWW"));
    const QImage image = Snapshot(edit);
    int reddish = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width() / 2; ++x) {
            const QColor c = image.pixelColor(x, y);
            reddish += c.red() > 150 && c.green() < 100 && c.blue() < 100;
        }
    EXPECT_GT(reddish, 10) << "the text is drawn in the text colour";
}

TEST(EditEx, SetFontIsAlwaysNormalWeightAndReplacesTheOldFont)
{
    CEditEx edit;
    edit.SetFont(-14, 900, 0, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(edit.font().pixelSize(), 14);
    EXPECT_EQ(edit.font().weight(), QFont::Normal);
    EXPECT_EQ(edit.font().family(), QStringLiteral("MS Sans Serif"));

    edit.SetFont(-20, 400, FIXED_PITCH | FF_MODERN, QStringLiteral("Courier New"));
    EXPECT_EQ(edit.font().pixelSize(), 20);
    EXPECT_EQ(edit.font().family(), QStringLiteral("Courier New"));
    EXPECT_TRUE(edit.font().fixedPitch());
    EXPECT_EQ(edit.font().styleHint(), QFont::Monospace);
}

TEST(EditEx, FaceNamesAreCutTo31Characters)
{
    const QString name32 = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    ASSERT_EQ(name32.size(), 32);
    CEditEx edit;
    edit.SetFont(-14, 0, 0, name32);
    EXPECT_EQ(edit.font().family(), name32.left(31));
    EXPECT_EQ(FontFromLogFont(-14, 0, 0, name32.left(31)).family(), name32.left(31));
}

TEST(EditEx, DropsCharactersItsFilterRefuses)
{
    CEditEx edit;
    QTest::keyClicks(&edit, QStringLiteral("1"));
    EXPECT_EQ(edit.text(), QStringLiteral("1")) << "without a filter everything is taken";
    edit.clear();
    edit.SetCharFilter(std::make_unique<RefuseDigits>());
    QTest::keyClicks(&edit, QStringLiteral("a1-b2"));
    EXPECT_EQ(edit.text(), QStringLiteral("a-b"));
    edit.SetCharFilter(nullptr);
    QTest::keyClicks(&edit, QStringLiteral("3"));
    EXPECT_EQ(edit.text(), QStringLiteral("a-b3"));
}

TEST(EditEx, ShowsItsOwnMenuWhenGivenOne)
{
    auto edit = std::make_unique<CEditEx>();
    edit->resize(80, 24);
    auto* menu = new QMenu;
    menu->addAction(QStringLiteral("Copy"));
    bool shown = false;
    QObject::connect(menu, &QMenu::aboutToShow, [&] {
        shown = true;
        QTimer::singleShot(0, menu, &QMenu::close);
    });
    edit->SetContextMenu(menu);
    EXPECT_EQ(menu->parent(), edit.get());

    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit.get(), &event);
    EXPECT_TRUE(shown);

    // A replaced menu is deleted, and so is the last one with the edit.
    QPointer<QMenu> first(menu);
    auto* second = new QMenu;
    QPointer<QMenu> secondGuard(second);
    edit->SetContextMenu(second);
    EXPECT_TRUE(first.isNull());
    edit.reset();
    EXPECT_TRUE(secondGuard.isNull());
}

} // namespace
