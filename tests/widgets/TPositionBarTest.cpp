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

// The range is a strip of its own colour, told from the played part (the
// groove's fill in the highlight colour) on both sides of the handle; the
// played part still shows inside the range.
TEST(TPositionBar, PaintsTheBandInItsOwnColourBesideThePlayedPartOnlyWhenShown)
{
    TPositionBar bar;
    bar.resize(400, 32);
    bar.setRange(0, 1000);
    bar.setTickPosition(QSlider::TicksBelow);
    bar.SetSelection(100, 900);
    const auto amber = [](const QColor& c) { return c.red() > c.blue() + 60 && c.green() > c.blue() + 40; };
    const QColor highlight = bar.palette().color(QPalette::Active, QPalette::Highlight);
    const QRect strip = bar.SplitRangeRect();
    ASSERT_LE(strip.bottom(), bar.height() - 1);
    const int played = bar.BandRect(200, 200).center().x(), ahead = bar.BandRect(800, 800).center().x();
    const int stripMiddle = strip.center().y();
    for (const int value : {500, 1000, 0}) {
        bar.setValue(value);
        QImage image(bar.size(), QImage::Format_RGB32);
        bar.render(&image);
        for (const int x : {played, ahead}) {
            EXPECT_TRUE(amber(image.pixelColor(x, stripMiddle))) << value << " at " << x;
            EXPECT_NE(image.pixelColor(x, stripMiddle), highlight);
        }
        if (value == 500) {
            // The style fills it with a gradient of the highlight colour.
            const QColor fill = image.pixelColor(played, bar.BandRect(0, 0).center().y());
            EXPECT_GT(fill.blue(), fill.red() + 60) << "the played part shows inside the range";
        }
    }
    bar.setValue(500);
    bar.SetShowSelRange(false);
    QImage image(bar.size(), QImage::Format_RGB32);
    bar.render(&image);
    EXPECT_FALSE(amber(image.pixelColor(played, stripMiddle)));
    EXPECT_FALSE(amber(image.pixelColor(ahead, stripMiddle)));
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
