// The contact sheet: its grid, and that each cell shows its own picture and
// caption where the layout says.

#include "picture/UContactSheet.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage Flat(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

// Pixels of `area` that are not the paper's white.
int InkIn(const QImage& sheet, const QRect& area)
{
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ink += sheet.pixelColor(x, y) != QColor(Qt::white) ? 1 : 0;
    return ink;
}

QImage Region(const QImage& sheet, const QRect& area)
{
    return sheet.copy(area);
}

} // namespace

TEST(ContactSheetLayoutTest, GridsForSceneCountsAndFrameSizes)
{
    struct TCase
    {
        int count;
        QSize frame;
        int columns; // asked for; 0: automatic
        int expectedColumns;
        int expectedRows;
    };
    const TCase cases[] = {
        {1, {1920, 1080}, 0, 1, 1},   {2, {1920, 1080}, 0, 2, 1},  {5, {640, 480}, 0, 3, 2},
        {16, {1920, 1080}, 0, 4, 4},  {17, {720, 576}, 0, 5, 4},   {99, {1920, 1080}, 0, 10, 10},
        {99, {1080, 1920}, 0, 10, 10}, {40, {4000, 100}, 0, 7, 6}, {12, {1920, 1080}, 6, 6, 2},
        {999, {1920, 1080}, 37, 37, 27}, {100, {360, 640}, 1, 1, 100},
        {990, {1080, 1920}, 10, 10, 99}, {999, {4000, 100}, 100, 100, 10}, {3, {}, 0, 2, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " scenes of " << c.frame.width() << "x" << c.frame.height()
                                        << " in " << c.columns << " columns");
        const TSheetLayout layout = ContactSheetLayout(c.count, c.frame, c.columns);
        EXPECT_EQ(layout.Columns, c.expectedColumns);
        EXPECT_EQ(layout.Rows, c.expectedRows);
        const QRect sheet(QPoint(0, 0), layout.Sheet);
        EXPECT_LE(layout.Sheet.width(), 16384);
        EXPECT_LE(layout.Sheet.height(), 16384);
        if (c.columns == 0) {
            EXPECT_LE(layout.Sheet.width(), 1920);
        }
        // The thumbnails keep the frame's shape (to a pixel) within 3:1 .. 1:3.
        if (c.frame.isValid()) {
            const double aspect = std::clamp(double(c.frame.width()) / c.frame.height(), 1 / 3.0, 3.0);
            EXPECT_NEAR(layout.Thumbnail.height(), layout.Thumbnail.width() / aspect, 1.0);
        }
        // Every cell lies inside the sheet, below the header, apart from its
        // neighbours, in reading order.
        QRect previous;
        for (int i = 0; i < c.count; ++i) {
            const QRect cell = layout.PictureRect(i).united(layout.CaptionRect(i));
            ASSERT_TRUE(sheet.contains(cell)) << "cell " << i;
            ASSERT_FALSE(cell.intersects(layout.HeaderRect())) << "cell " << i;
            if (i % layout.Columns != 0) {
                ASSERT_GT(cell.left(), previous.right()) << "cell " << i;
            } else if (i > 0) {
                ASSERT_GT(cell.top(), previous.bottom()) << "cell " << i;
            }
            previous = cell;
        }
    }
}

TEST(ContactSheetTest, EachCellShowsItsPictureAndCaption)
{
    const QList<QColor> colours = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    QList<TSheetScene> scenes;
    for (int i = 0; i < colours.size(); ++i)
        scenes.append({Flat({320, 240}, colours[i]), i + 1, 61230 * i});
    const TSheetHeader header{QStringLiteral("holiday.mp4"), 3723450, {320, 240}};
    const QImage sheet = RenderContactSheet(scenes, header);
    const TSheetLayout layout = ContactSheetLayout(int(scenes.size()), {320, 240});
    ASSERT_EQ(sheet.size(), layout.Sheet);

    EXPECT_GT(InkIn(sheet, layout.HeaderRect()), 0);
    for (int i = 0; i < scenes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sheet.pixelColor(layout.PictureRect(i).center()), colours[i]);
        EXPECT_GT(InkIn(sheet, layout.CaptionRect(i)), 0);
    }
    // The text stays in its place: the margin, the gap between cells and the
    // empty sixth cell are paper.
    EXPECT_EQ(InkIn(sheet, QRect(0, 0, sheet.width(), 8)), 0);
    EXPECT_EQ(InkIn(sheet, QRect(layout.PictureRect(0).right() + 2, layout.PictureRect(0).top(), 4,
                                 layout.PictureRect(0).height() + layout.CaptionHeight)), 0);
    EXPECT_EQ(InkIn(sheet, layout.PictureRect(5).united(layout.CaptionRect(5))), 0);
}

TEST(ContactSheetTest, CaptionsFollowTheScenesPositions)
{
    // Scenes 1 and 2 have the same number and time; scene 3 is one hundredth
    // of a second later; scene 4 has no picture and no position.
    const QImage picture = Flat({64, 36}, Qt::gray);
    const QList<TSheetScene> scenes = {{picture, 7, 5000}, {picture, 7, 5000}, {picture, 7, 5010}, {{}, 7, -1}};
    const QImage sheet = RenderContactSheet(scenes, {}, 2);
    const TSheetLayout layout = ContactSheetLayout(4, {64, 36}, 2);
    EXPECT_EQ(Region(sheet, layout.CaptionRect(0)), Region(sheet, layout.CaptionRect(1)));
    EXPECT_NE(Region(sheet, layout.CaptionRect(0)), Region(sheet, layout.CaptionRect(2)))
        << "5.00 s and 5.01 s must read differently";
    EXPECT_NE(Region(sheet, layout.CaptionRect(2)), Region(sheet, layout.CaptionRect(3)));
    // A scene without a picture leaves a dark, framed cell.
    EXPECT_EQ(sheet.pixelColor(layout.PictureRect(3).center()), QColor(Qt::black));
}

TEST(ContactSheetTest, HeaderKeepsLengthAndSizeWhateverTheName)
{
    const QList<TSheetScene> scenes = {{Flat({160, 90}, Qt::gray), 1, 0}};
    const TSheetLayout layout = ContactSheetLayout(1, {160, 90});
    const QRect header = layout.HeaderRect();
    for (const QString& name : {QStringLiteral("a.mp4"), QString(400, QChar(0x6620)) + QStringLiteral(".mp4")}) {
        SCOPED_TRACE(name.size());
        const TSheetHeader first{name, 83450, {160, 90}};
        TSheetHeader longer = first;
        longer.Duration = 93450;
        TSheetHeader larger = first;
        larger.FrameSize = {161, 90};
        const QImage a = RenderContactSheet(scenes, first);
        // The name gives way: the length and the size still show, and nothing
        // is drawn past the header's end.
        EXPECT_NE(Region(a, header), Region(RenderContactSheet(scenes, longer), header));
        EXPECT_NE(Region(a, header), Region(RenderContactSheet(scenes, larger), header));
        EXPECT_EQ(InkIn(a, QRect(header.right() + 1, header.top(), a.width() - header.right() - 1, header.height())),
                  0);
    }
}
