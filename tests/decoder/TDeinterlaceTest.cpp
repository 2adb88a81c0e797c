// Line doubling of the top field, in place, for every pixel format.

#include "picture/TSafetyBitmap.h"
#include "picture/UDeinterlace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Row r is filled with the byte value r + 1, padding included.
TSafetyBitmap RowNumbered(int width, int height, QImage::Format format)
{
    QImage image(width, height, format);
    if (image.colorCount() == 0 && format == QImage::Format_Indexed8)
        image.setColorCount(256);
    for (int row = 0; row < height; ++row)
        std::memset(image.scanLine(row), row + 1, static_cast<size_t>(image.bytesPerLine()));
    TSafetyBitmap bitmap;
    bitmap.SetImage(image);
    return bitmap;
}

std::vector<int> RowValues(const TSafetyBitmap& bitmap)
{
    std::vector<int> values;
    for (int row = 0; row < bitmap.Height(); ++row) {
        const uchar* line = bitmap.ScanLine(row);
        for (qsizetype i = 1; i < bitmap.BytesPerLine(); ++i)
            EXPECT_EQ(line[i], line[0]) << "row " << row << " is not one whole copy";
        values.push_back(line[0]);
    }
    return values;
}

} // namespace

TEST(TDeinterlaceTest, HeightOneIsUnchanged)
{
    TSafetyBitmap bitmap = RowNumbered(5, 1, QImage::Format_BGR888);
    DeinterlaceBitmap(bitmap);
    EXPECT_EQ(RowValues(bitmap), std::vector<int>({1}));
}

TEST(TDeinterlaceTest, OddRowsCopyTheRowAbove)
{
    TSafetyBitmap three = RowNumbered(5, 3, QImage::Format_BGR888);
    DeinterlaceBitmap(three);
    EXPECT_EQ(RowValues(three), std::vector<int>({1, 1, 3}));

    TSafetyBitmap four = RowNumbered(5, 4, QImage::Format_BGR888);
    DeinterlaceBitmap(four);
    EXPECT_EQ(RowValues(four), std::vector<int>({1, 1, 3, 3}));
}

TEST(TDeinterlaceTest, WorksForOtherPixelFormats)
{
    for (QImage::Format format : {QImage::Format_Indexed8, QImage::Format_RGB32, QImage::Format_RGB16,
                                  QImage::Format_Mono}) {
        TSafetyBitmap bitmap = RowNumbered(7, 5, format);
        DeinterlaceBitmap(bitmap);
        EXPECT_EQ(RowValues(bitmap), std::vector<int>({1, 1, 3, 3, 5})) << format;
    }
}

TEST(TDeinterlaceTest, EmptyBitmapIsLeftAlone)
{
    TSafetyBitmap bitmap;
    DeinterlaceBitmap(bitmap);
    EXPECT_TRUE(bitmap.Empty());
}

TEST(TDeinterlaceTest, CopiesSharingThePictureKeepTheirRows)
{
    TSafetyBitmap original = RowNumbered(4, 4, QImage::Format_BGR888);
    TSafetyBitmap copy;
    copy.Assign(original);
    DeinterlaceBitmap(copy);
    EXPECT_EQ(RowValues(original), std::vector<int>({1, 2, 3, 4}));
    EXPECT_EQ(RowValues(copy), std::vector<int>({1, 1, 3, 3}));
}
