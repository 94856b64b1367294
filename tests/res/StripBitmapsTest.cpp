#include "res/StripBitmaps.h"

#include <QImage>
#include <gtest/gtest.h>

TEST(StripBitmaps, SizesAndUnknownIds)
{
    EXPECT_EQ(LoadStripBitmap(IDB_CHAIN_CLOSED).size(), QSize(72, 48));
    EXPECT_EQ(LoadStripBitmap(IDB_CHAIN_BROKEN).size(), QSize(72, 48));
    EXPECT_EQ(LoadStripBitmap(IDB_REFRESH).size(), QSize(19, 21));
    EXPECT_TRUE(LoadStripBitmap(0).isNull());
    EXPECT_TRUE(LoadStripBitmap(152).isNull());
}

TEST(StripBitmaps, ClosedAndBrokenChainsLookDifferent)
{
    const QImage closed = LoadStripBitmap(IDB_CHAIN_CLOSED).toImage();
    const QImage broken = LoadStripBitmap(IDB_CHAIN_BROKEN).toImage();
    EXPECT_NE(closed, broken);
    // The middle of the closed chain is metal; the broken chain's middle is the red break.
    EXPECT_GT(closed.pixelColor(36, 24).alpha(), 200);
    EXPECT_GT(broken.pixelColor(36, 42).red(), 180);
    EXPECT_LT(broken.pixelColor(36, 42).green(), 80);
    // Both stay transparent at the corners, so the button's face shows through.
    EXPECT_EQ(closed.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(broken.pixelColor(71, 47).alpha(), 0);
}
