#include "support/UFormatPosition.h"
#include "app/UFrameGeometry.h"

#include <gtest/gtest.h>

TEST(FormatPosition, FieldsAreTwoDigitsAndHoursWrapAfter99)
{
    EXPECT_EQ(FormatPosition(-1), "--:--:--.--");
    EXPECT_EQ(FormatPosition(std::numeric_limits<int>::min()), "--:--:--.--");
    EXPECT_EQ(FormatPosition(0), "00:00:00.00");
    EXPECT_EQ(FormatPosition(9), "00:00:00.00");
    EXPECT_EQ(FormatPosition(59999), "00:00:59.99");
    EXPECT_EQ(FormatPosition(3723450), "01:02:03.45");
    EXPECT_EQ(FormatPosition(360000000), "00:00:00.00");
    EXPECT_EQ(FormatPosition(359999999), "99:59:59.99");
    EXPECT_EQ(FormatPosition(std::numeric_limits<int>::max()), "96:31:23.64");
}

TEST(MulDiv, RoundsHalvesAwayFromZeroWithA64BitProduct)
{
    EXPECT_EQ(MulDiv(640, 197, 480), 263);  // 262.67
    EXPECT_EQ(MulDiv(3, 1, 2), 2);          // 1.5
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);        // -1.5
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(5, 1, 4), 1);          // 1.25
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000); // product beyond 32 bits
    EXPECT_EQ(MulDiv(7, 3, 0), -1);
    EXPECT_EQ(MulDiv(std::numeric_limits<int>::max(), 4, 1), -1); // result does not fit
}

TEST(FitRectCentered, FitsKeepingTheAspectRatioAndCentres)
{
    // Wider panel: full height, centred horizontally.
    EXPECT_EQ(FitRectCentered(640, 480, 386, 197), QRect(QPoint(62, 0), QPoint(324, 196)));
    // Taller panel: full width, centred vertically.
    EXPECT_EQ(FitRectCentered(320, 240, 200, 300), QRect(QPoint(0, 75), QPoint(199, 224)));
    // Smaller pictures are enlarged.
    EXPECT_EQ(FitRectCentered(160, 120, 400, 300), QRect(0, 0, 400, 300));
    // 1920 x 1080 in the design panel.
    EXPECT_EQ(FitRectCentered(1920, 1080, 386, 197), QRect(18, 0, 350, 197));
    // Odd panel sizes: div truncates toward zero.
    EXPECT_EQ(FitRectCentered(100, 100, 51, 30), QRect(10, 0, 30, 30));
}
