#include "picture/TBmpReader.h"
#include "picture/EInvalidGraphic.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UAreaAverage.h"
#include "picture/UImageWriter.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

// The reduction written out the slow way, block by block, as the thumbnail
// rule defines it, for comparison.
QRgb blockMean(const QImage& source, int x0, int x1, int y0, int y1)
{
    quint64 r = 0, g = 0, b = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const QRgb p = source.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    const quint64 n = quint64(x1 - x0) * quint64(y1 - y0);
    return qRgb(int(r / n), int(g / n), int(b / n));
}

QImage noise(int width, int height)
{
    QImage image(width, height, QImage::Format_BGR888);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            image.setPixel(x, y, state >> 8);
        }
    return image;
}

} // namespace

TEST(AreaAverage, BlocksFollowTheIntegerBoundaries)
{
    const QImage source = noise(23, 17);
    const QImage small = ReduceByAreaAveraging(source, 5, 4);
    ASSERT_EQ(small.size(), QSize(5, 4));
    EXPECT_EQ(small.format(), QImage::Format_BGR888);
    // Columns end at (c + 1) * 23 / 5 = 4, 9, 13, 18, 23; rows at 4, 8, 12, 17.
    const int columnEnds[] = {4, 9, 13, 18, 23};
    const int rowEnds[] = {4, 8, 12, 17};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c) {
            const int x0 = c ? columnEnds[c - 1] : 0, y0 = r ? rowEnds[r - 1] : 0;
            EXPECT_EQ(small.pixel(c, r), blockMean(source, x0, columnEnds[c], y0, rowEnds[r])) << c << "," << r;
        }
}

TEST(AreaAverage, MeansTruncate)
{
    QImage source(2, 1, QImage::Format_BGR888);
    source.setPixel(0, 0, qRgb(0, 255, 10));
    source.setPixel(1, 0, qRgb(1, 0, 13));
    EXPECT_EQ(ReduceByAreaAveraging(source, 1, 1).pixel(0, 0), qRgb(0, 127, 11));
}

TEST(AreaAverage, SameSizeIsACopyAndOtherFormatsAreConverted)
{
    const QImage source = noise(9, 6);
    EXPECT_EQ(ReduceByAreaAveraging(source, 9, 6), source);
    const QImage indexed = source.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(ReduceByAreaAveraging(indexed, 9, 6), source);
}

TEST(AreaAverage, EnlargingRepeatsPixelsAndEmptyGivesNull)
{
    QImage source(2, 1, QImage::Format_BGR888);
    source.setPixel(0, 0, qRgb(255, 0, 0));
    source.setPixel(1, 0, qRgb(0, 0, 255));
    const QImage large = ReduceByAreaAveraging(source, 4, 3);
    ASSERT_EQ(large.size(), QSize(4, 3));
    EXPECT_EQ(large.pixel(0, 2), qRgb(255, 0, 0));
    EXPECT_EQ(large.pixel(3, 0), qRgb(0, 0, 255));
    EXPECT_TRUE(ReduceByAreaAveraging(source, 0, 3).isNull());
    EXPECT_TRUE(ReduceByAreaAveraging(QImage(), 3, 3).isNull());
}

TEST(BmpPixelLimit, LoweredLimitRefusesLargerBitmaps)
{
    QByteArray data = EncodeBmp(noise(40, 30));
    auto load = [&] {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        TSafetyBitmap bitmap;
        bitmap.LoadFromStream(buffer);
    };
    EXPECT_NO_THROW(load());
    TBmpReader::SetPixelLimit(1199);
    EXPECT_THROW(load(), EInvalidGraphic);
    TBmpReader::SetPixelLimit(1200);
    EXPECT_NO_THROW(load());
    TBmpReader::SetPixelLimit(qint64(1) << 40);
    EXPECT_EQ(TBmpReader::PixelLimit(), TBmpReader::DefaultPixelLimit) << "the limit is never raised past the default";
}
