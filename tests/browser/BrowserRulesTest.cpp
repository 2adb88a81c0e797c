#include "browser/UBrowserRules.h"

#include <gtest/gtest.h>

TEST(BrowserRules, ThumbnailsFitTheBoxAndNeverVanish)
{
    const QSize box = ThumbnailBox(100);
    const struct { QSize source, expected; } cases[] = {
        {{640, 480}, {98, 74}},   // 73.5 rounds up
        {{480, 640}, {66, 88}},
        {{1920, 1080}, {98, 55}},
        {{2000, 1}, {98, 1}},
        {{1, 2000}, {1, 88}},
        {{49, 44}, {98, 88}},     // small pictures are enlarged
        {{0, 0}, {88, 88}},       // a picture without size still gets a box, not a crash
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitThumbnailSize(c.source, box), c.expected) << c.source.width() << "x" << c.source.height();
}

TEST(BrowserRules, CacheHoldsTenMebibytesOfThumbnailsAndAtLeastOne)
{
    EXPECT_EQ(ThumbnailCacheLimit(100), 349);
    EXPECT_EQ(ThumbnailCacheLimit(5000), 1);
    EXPECT_EQ(ThumbnailCacheLimit(0), ThumbnailCacheLimit(MinThumbnailSize));   // no division by zero
}

TEST(BrowserRules, GridCentresWholeColumnsWithoutTrailingGap)
{
    const struct { int view, cell, host, columns, margin, left; } cases[] = {
        {500, 110, 8, 4, 35, 43},
        {440, 110, 8, 4, 5, 10},    // the host offset may not push the last column out
        {110, 110, 8, 1, 5, 10},
        {99, 110, 8, 1, 0, 0},      // narrower than one cell: one column at the left
        {0, 110, 8, 1, 0, 0},
        {500, 0, 8, 1, 0, 8},
    };
    for (const auto& c : cases) {
        const TGridLayout grid = ArrangeGrid(c.view, c.cell);
        EXPECT_EQ(grid.columns, c.columns) << c.view << "/" << c.cell;
        EXPECT_EQ(grid.leftMargin, c.margin) << c.view << "/" << c.cell;
        EXPECT_EQ(GridLeft(grid, c.view, c.cell, c.host), c.left) << c.view << "/" << c.cell;
    }
}

TEST(BrowserRules, CaptionsAreShortenedBetweenWholeCharacters)
{
    // Every UTF-16 unit is 10 pixels wide, so a split pair or mark would save width.
    const auto measure = [](const QString& text) { return int(text.size()) * 10; };
    const QString decomposedGa = QStringLiteral("か\u3099");
    const struct { QString text; int width; QString expected; } cases[] = {
        {QStringLiteral("No.12"), 100, QStringLiteral("No.12")},
        {QStringLiteral("abcdef"), 60, QStringLiteral("abcdef")},
        {QStringLiteral("abcdefg"), 60, QStringLiteral("abc...")},
        {QStringLiteral("シーン番号の説明"), 70, QStringLiteral("シーン番...")},
        {QStringLiteral("ab\U00020BB7cdef"), 60, QStringLiteral("ab...")},
        {QStringLiteral("ab\U00020BB7cdef"), 70, QStringLiteral("ab\U00020BB7...")},
        {decomposedGa.repeated(4), 60, decomposedGa + QStringLiteral("...")},
        {QStringLiteral("abc"), 20, QStringLiteral("...")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortenCaption(c.text, c.width, measure), c.expected) << c.text.toStdString() << " @" << c.width;
}

TEST(BrowserRules, ThumbnailSizesStepThroughTheOfferedOnesAndStopAtTheEnds)
{
    const struct { int current; int steps; int size; } cases[] = {
        {100, 1, 160}, {160, 1, 240}, {240, 1, 240}, {240, -1, 160}, {100, -1, 100},
        {100, 5, 240}, {240, -5, 100}, {150, 0, 100}, {200, 1, 240}, {16, 0, 100}, {999, 0, 240},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StepThumbnailSize(c.current, c.steps), c.size) << c.current << " " << c.steps;
}
