#include "widgets/TAnchorLayout.h"

#include <QWidget>
#include <gtest/gtest.h>

TEST(TAnchorLayout, EachAnchorCombinationFollowsTheParentAsDesigned)
{
    const QRect design(10, 20, 100, 50);
    const QSize placedIn(400, 300), grown(460, 340);
    EXPECT_EQ(TAnchorLayout::Follow(design, placedIn, grown, Anchor::Left | Anchor::Top), design);
    EXPECT_EQ(TAnchorLayout::Follow(design, placedIn, grown, Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom),
              QRect(10, 20, 160, 90));
    EXPECT_EQ(TAnchorLayout::Follow(design, placedIn, grown, Anchor::Right | Anchor::Bottom), QRect(70, 60, 100, 50));
    EXPECT_EQ(TAnchorLayout::Follow(design, placedIn, grown, Anchor::Top | Anchor::Right | Anchor::Bottom),
              QRect(70, 20, 100, 90));
    EXPECT_EQ(TAnchorLayout::Follow(design, placedIn, grown, 0), QRect(40, 40, 100, 50));
    // Shrinking below the design never yields a negative size.
    EXPECT_EQ(TAnchorLayout::Follow(design, placedIn, QSize(200, 200), Anchor::Left | Anchor::Right).width(), 0);
}

TEST(TAnchorLayout, ChildrenFollowWhenTheParentIsResizedAndPlacingAgainRebases)
{
    QWidget parent;
    parent.resize(400, 300);
    parent.show(); // hidden widgets get their resize events only when shown
    auto* stretched = new QWidget(&parent);
    auto* corner = new QWidget(&parent);
    TAnchorLayout::Place(stretched, QRect(5, 5, 300, 200), Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom);
    TAnchorLayout::Place(corner, QRect(350, 280, 40, 15), Anchor::Right | Anchor::Bottom);
    parent.resize(500, 350);
    EXPECT_EQ(stretched->geometry(), QRect(5, 5, 400, 250));
    EXPECT_EQ(corner->geometry(), QRect(450, 330, 40, 15));

    TAnchorLayout::Place(stretched, QRect(5, 5, 400, 300), Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom);
    parent.resize(400, 300);
    EXPECT_EQ(stretched->geometry(), QRect(5, 5, 300, 250));
    EXPECT_EQ(corner->geometry(), QRect(350, 280, 40, 15));
    delete corner; // a destroyed child is skipped
    parent.resize(420, 300);
    EXPECT_EQ(stretched->geometry(), QRect(5, 5, 320, 250));
}

// Two neighbours that share the change in width keep their gap, whatever the
// change; the one on the right takes the rest up to the right edge.
TEST(TAnchorLayout, NeighboursSharingTheWidthKeepTheirGap)
{
    const QSize placedIn(800, 600);
    const QRect left(10, 10, 430, 400), right(450, 10, 320, 400);
    for (const int width : {800, 801, 1280, 1921, 3333}) {
        const QSize size(width, 700);
        const QRect a = TAnchorLayout::Follow(left, placedIn, size, Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom, THorizontalShare{0, 0.5});
        const QRect b = TAnchorLayout::Follow(right, placedIn, size, Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom, THorizontalShare{0.5, 1});
        EXPECT_EQ(b.left() - a.right(), right.left() - left.right()) << width;
        EXPECT_EQ(width - b.right(), placedIn.width() - right.right()) << width;
        EXPECT_NEAR(b.width() - right.width(), (width - 800) / 2, 1) << width;
        EXPECT_EQ(a.height(), 500);
    }
}
