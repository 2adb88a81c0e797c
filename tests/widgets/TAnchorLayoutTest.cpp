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
