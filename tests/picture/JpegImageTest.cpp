#include "JpegFixtures.h"

#include "picture/EInvalidGraphic.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "picture/TSafetyJPEGImage.h"

#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TSafetyJPEGImage::HeaderInfo scan(QByteArray data, qint64 start = 0)
{
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(start);
    const TSafetyJPEGImage::HeaderInfo info = TSafetyJPEGImage::ScanHeader(buffer);
    EXPECT_EQ(buffer.pos(), start) << "the scan must restore the position";
    return info;
}

// Loads from a stream that has `prefix` bytes before the JPEG; returns the
// position after a failure, or -1 after success.
qint64 loadAt(TSafetyJPEGImage& image, QByteArray data, QString* message = nullptr)
{
    const QByteArray prefix = "xyz";
    data.prepend(prefix);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(prefix.size());
    try {
        image.LoadFromStream(buffer);
        return -1;
    } catch (const EInvalidGraphic& e) {
        if (message)
            *message = e.Message();
        return buffer.pos();
    }
}

} // namespace

TEST(JpegHeaderScan, FindsEveryAcceptedFrameKind)
{
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive, JpegKind::Arithmetic, JpegKind::Grayscale}) {
        const auto info = scan(MakeJpeg(kind, 33, 17));
        EXPECT_EQ(info.width, 33) << int(kind);
        EXPECT_EQ(info.height, 17) << int(kind);
        EXPECT_EQ(info.components, kind == JpegKind::Grayscale ? 1 : 3) << int(kind);
    }
    EXPECT_EQ(scan(MakeJpeg(JpegKind::Cmyk, 8, 8)).components, 4);
}

TEST(JpegHeaderScan, FromTheMiddleOfAStream)
{
    const QByteArray data = "prefix" + MakeJpeg(JpegKind::Baseline, 20, 10);
    EXPECT_EQ(scan(data, 6).width, 20);
}

TEST(JpegHeaderScan, FillBytesAndStandaloneMarkers)
{
    // SOI, fill bytes, a restart marker, an APP0 segment, then SOF0 of 5 x 7, one component.
    const QByteArray data = QByteArray::fromHex("ffd8" "ffffff" "ffd0" "ffe00004abcd" "ffc0000b08000700050101110000");
    const auto info = scan(data);
    EXPECT_EQ(info.width, 5);
    EXPECT_EQ(info.height, 7);
    EXPECT_EQ(info.components, 1);
}

TEST(JpegHeaderScan, NotJpegOrNoFrameGivesNothing)
{
    for (const QByteArray& data : {QByteArray("BM6\x00\x00\x00", 6), QByteArray(), QByteArray::fromHex("ffd8"),
                                   QByteArray::fromHex("ffd8ffe0"), QByteArray::fromHex("ffd8ffe0ffff"),
                                   QByteArray::fromHex("ffd8ffc3000b08000700050101110000"),   // lossless
                                   QByteArray::fromHex("ffd8ffc00008")}) {                   // cut inside the frame
        const auto info = scan(data);
        EXPECT_EQ(info.width, -1);
        EXPECT_EQ(info.components, -1);
    }
}

TEST(JpegLoad, RefusesCmykNonJpegAndZeroSizeAtTheStartPosition)
{
    TSafetyJPEGImage image;
    const QString unsupported = QStringLiteral("未対応のJPEG形式です");
    for (const QByteArray& data : {MakeJpeg(JpegKind::Cmyk, 8, 8), QByteArray("GIF89a not a jpeg at all"),
                                   QByteArray::fromHex("ffd8ffc0000b08000000050101110000")}) {
        QString message;
        EXPECT_EQ(loadAt(image, data, &message), 3);
        EXPECT_EQ(message, unsupported);
    }
    EXPECT_TRUE(image.Empty());
}

TEST(JpegLoad, ProgressiveAndArithmeticLoadAndDecode)
{
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive, JpegKind::Arithmetic, JpegKind::Grayscale}) {
        TSafetyJPEGImage image;
        ASSERT_EQ(loadAt(image, MakeJpeg(kind, 40, 24)), -1) << int(kind);
        EXPECT_EQ(image.Width(), 40);
        EXPECT_EQ(image.Height(), 24);
        const QImage& pixels = image.Bitmap();
        ASSERT_EQ(pixels.size(), QSize(40, 24));
        if (kind != JpegKind::Grayscale) {
            // Red rises from left to right in the fixture.
            EXPECT_LT(qRed(pixels.pixel(1, 12)), 40) << int(kind);
            EXPECT_GT(qRed(pixels.pixel(38, 12)), 215) << int(kind);
        }
    }
}

TEST(JpegLoad, TruncatedOrCorruptDataDecodesOrIsRefused)
{
    const QByteArray data = MakeJpeg(JpegKind::Progressive, 64, 48);
    for (int length = 0; length <= data.size(); length += 5) {
        for (bool corrupt : {false, true}) {
            QByteArray damaged = data.left(length);
            if (corrupt && length > 40)
                damaged[length / 2] = char(~damaged[length / 2]);
            TSafetyJPEGImage image;
            bool sound = false;
            try {
                sound = loadAt(image, damaged) != -1 || image.Bitmap().size() == QSize(64, 48);
            } catch (const EInvalidGraphic&) {
                sound = true;   // refused while decoding
            }
            EXPECT_TRUE(sound) << "length " << length << (corrupt ? " corrupt" : "");
        }
    }
}

TEST(JpegScale, DownScalingAndFastMode)
{
    TSafetyJPEGImage image;
    ASSERT_EQ(loadAt(image, MakeJpeg(JpegKind::Baseline, 100, 60)), -1);
    const struct { TJpegScale scale; int width, height; } cases[] = {
        {TJpegScale::Half, 50, 30}, {TJpegScale::Quarter, 25, 15}, {TJpegScale::Eighth, 13, 8}, {TJpegScale::FullSize, 100, 60}};
    for (const auto& c : cases) {
        image.SetScale(c.scale);
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.Height(), c.height);
        EXPECT_EQ(image.Bitmap().size(), QSize(c.width, c.height));
    }
    EXPECT_EQ(image.JpegWidth(), 100);
    image.SetPerformance(TJpegPerformance::BestSpeed);
    image.SetSmoothing(false);
    image.SetScale(TJpegScale::Quarter);
    EXPECT_EQ(image.Bitmap().size(), QSize(25, 15));
    EXPECT_GT(qRed(image.Bitmap().pixel(24, 7)), 200);
}

TEST(JpegDraw, DecodingForDrawingIsNotAChange)
{
    TSafetyJPEGImage image;
    ASSERT_EQ(loadAt(image, MakeJpeg(JpegKind::Baseline, 16, 16)), -1);
    int changes = 0;
    image.OnChange = [&](TGraphic*) { ++changes; };
    QImage canvas(16, 16, QImage::Format_RGB32);
    QPainter painter(&canvas);
    image.Draw(painter, QRect(0, 0, 16, 16));
    painter.end();
    EXPECT_EQ(changes, 0);
    EXPECT_GT(qRed(canvas.pixel(15, 8)), 200);
}

TEST(JpegAssign, BitmapRoundTrip)
{
    TSafetyBitmap bitmap;
    QImage source(32, 16, QImage::Format_BGR888);
    source.fill(QColor(10, 200, 30));
    bitmap.SetImage(source);
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    EXPECT_EQ(jpeg.JpegWidth(), 32);
    TSafetyBitmap back;
    back.Assign(jpeg);
    ASSERT_EQ(back.Width(), 32);
    EXPECT_EQ(back.PixelFormat(), TPixelFormat::Bgr24);
    EXPECT_NEAR(qGreen(back.Image().pixel(5, 5)), 200, 6);
}

TEST(JpegFiles, GenericLoaderPicksTheSafeClasses)
{
    QTemporaryDir dir;
    const QString jpegPath = dir.filePath("photo.JPEG");
    const QString fakePath = dir.filePath("fake.jpg");
    QFile file(jpegPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(MakeJpeg(JpegKind::Progressive, 12, 9));
    file.close();
    QFile fake(fakePath);
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("this is not a picture");
    fake.close();

    TPictureEx picture;
    picture.LoadFromFile(jpegPath);
    EXPECT_NE(dynamic_cast<TSafetyJPEGImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 12);
    EXPECT_THROW(picture.LoadFromFile(fakePath), EInvalidGraphic);
    EXPECT_EQ(picture.Width(), 12) << "a refused file leaves the picture as it was";
    EXPECT_THROW(picture.LoadFromFile(dir.filePath("x.gif")), EInvalidGraphic);
}
