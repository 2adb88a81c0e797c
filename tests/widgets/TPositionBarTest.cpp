#include "widgets/TPositionBar.h"

#include <gtest/gtest.h>

TEST(TPositionBar, BandSpansTheGrooveInProportionToTheSelection)
{
    TPositionBar bar;
    bar.resize(729, 32);
    bar.setRange(0, 600000);
    const QRect whole = bar.BandRect(0, 600000);
    const QRect half = bar.BandRect(0, 300000);
    const QRect quarter = bar.BandRect(150000, 300000);
    EXPECT_GT(whole.width(), 650);
    EXPECT_NEAR(half.width(), whole.width() / 2, 2);
    EXPECT_EQ(quarter.right(), half.right());
    EXPECT_NEAR(quarter.left() - whole.left(), whole.width() / 4, 2);
    // Ends beyond the range are drawn at the bar's ends; reversed ends too.
    EXPECT_EQ(bar.BandRect(-5, 900000), whole);
    EXPECT_EQ(bar.BandRect(300000, 0), half);
}

TEST(TPositionBar, PaintsTheBandInTheHighlightColourOnlyWhenShown)
{
    TPositionBar bar;
    bar.resize(400, 32);
    bar.setRange(0, 1000);
    bar.setValue(1000); // handle out of the way at the right end
    bar.SetSelection(0, 500);
    const QRect band = bar.BandRect(200, 300);
    const QPoint probe = band.center();
    QImage image(bar.size(), QImage::Format_RGB32);
    bar.render(&image);
    const QColor highlight = bar.palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_EQ(image.pixelColor(probe), highlight);

    bar.SetShowSelRange(false);
    bar.render(&image);
    EXPECT_NE(image.pixelColor(probe), highlight);
}

TEST(TPositionBar, DrawsItsGrooveAndTicksWithoutABand)
{
    TPositionBar bar;
    bar.resize(400, 32);
    bar.setRange(0, 1000);
    bar.setTickPosition(QSlider::TicksBelow);
    bar.setTickInterval(100);
    QImage image(bar.size(), QImage::Format_RGB32);
    bar.setValue(1000);
    bar.render(&image);
    // Along the middle of the groove, left of the handle, the picture is not
    // just the background.
    const QRect groove = bar.BandRect(0, 500);
    const QColor background = image.pixelColor(groove.center().x(), 1);
    int differing = 0;
    for (int y = groove.top(); y <= groove.bottom(); ++y)
        differing += image.pixelColor(groove.center().x(), y) != background;
    EXPECT_GT(differing, 0) << "groove drawn";
    int tickPixels = 0;
    for (int x = groove.left(); x <= groove.right(); ++x)
        tickPixels += image.pixelColor(x, bar.height() - 3) != background;
    EXPECT_GT(tickPixels, 3) << "tick marks drawn below";
}
