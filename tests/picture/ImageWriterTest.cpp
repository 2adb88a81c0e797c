#include "picture/TSafetyBitmap.h"
#include "picture/UImageWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Four coloured quadrants plus a gradient row, so that flipped rows, swapped
// channels or shifted columns all show.
QImage testPicture(int width = 37, int height = 21)
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            QRgb c = x < width / 2 ? (y < height / 2 ? qRgb(220, 30, 30) : qRgb(30, 200, 40))
                                   : (y < height / 2 ? qRgb(20, 40, 230) : qRgb(240, 240, 240));
            if (y == 0)
                c = qRgb(x * 6, 255 - x * 6, 128);
            image.setPixel(x, y, c);
        }
    return image;
}

QImage readBack(const QString& path, const char* expectedFormat)
{
    QImageReader reader(path);
    reader.setAutoDetectImageFormat(true);
    EXPECT_EQ(reader.format(), QByteArray(expectedFormat));
    return reader.read();
}

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

QStringList entries(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

TEST(ImageWriterFiles, BmpReadsBackExactly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scene.bmp");
    const QImage picture = testPicture();
    WriteBmpFile(picture, path);
    const QImage back = readBack(path, "bmp");
    ASSERT_EQ(back.size(), picture.size());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, picture.pixel(x, y) & 0xFFFFFF) << x << "," << y;
    // Uncompressed 24-bit, 40-byte header, rows padded to 4 bytes.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    EXPECT_EQ(data.size(), 14 + 40 + 21 * 112);
    EXPECT_EQ(uchar(data[28]), 24);
    EXPECT_EQ(uchar(data[30]), 0);
}

TEST(ImageWriterFiles, JpegIsBaselineColourQuality90)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scene.jpg");
    const QImage picture = testPicture(64, 48);
    WriteJpegFile(picture, path);
    const QImage back = readBack(path, "jpeg");
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_FALSE(back.isGrayscale());
    // Away from the edges between quadrants the colours survive compression.
    EXPECT_LE(channelDistance(back.pixel(8, 8), qRgb(220, 30, 30)), 12);
    EXPECT_LE(channelDistance(back.pixel(56, 40), qRgb(240, 240, 240)), 12);
    EXPECT_LE(channelDistance(back.pixel(8, 40), qRgb(30, 200, 40)), 12);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    EXPECT_TRUE(data.contains(QByteArray::fromHex("ffc0"))) << "baseline frame header";
    EXPECT_FALSE(data.contains(QByteArray::fromHex("ffc2"))) << "progressive frame header";
}

TEST(ImageWriterFiles, JpegQualityChangesTheSize)
{
    const QImage picture = testPicture(128, 96);
    EXPECT_GT(EncodeJpeg(picture, 95).size(), EncodeJpeg(picture, 20).size());
}

TEST(ImageWriterFiles, PngIs24BitAndExact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scene.png");
    const QImage picture = testPicture();
    WritePngFile(picture, path);
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("png"));
    EXPECT_EQ(reader.imageFormat(), QImage::Format_RGB32);   // colour type RGB, no alpha
    const QImage back = reader.read();
    ASSERT_EQ(back.size(), picture.size());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, picture.pixel(x, y) & 0xFFFFFF);
}

TEST(ImageWriterFailures, MissingFolderNamesTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("no/such/folder/scene.jpg");
    try {
        WriteJpegFile(testPicture(), path);
        FAIL() << "write into a missing folder succeeded";
    } catch (const EImageWriteError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(path)) << e.what();
    }
}

TEST(ImageWriterFailures, FailedWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scene.png");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous content");
    old.close();
    EXPECT_THROW(WritePngFile(QImage(), path), EImageWriteError);
    EXPECT_THROW(WriteBmpFile(QImage(), path), EImageWriteError);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("previous content"));
    EXPECT_EQ(entries(dir), QStringList{"scene.png"});
}

TEST(ImageWriterFailures, ExistingFileIsReplaced)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scene.bmp");
    WriteBmpFile(testPicture(10, 10), path);
    WriteBmpFile(testPicture(20, 5), path);
    EXPECT_EQ(QImageReader(path).size(), QSize(20, 5));
    EXPECT_EQ(entries(dir), QStringList{"scene.bmp"});
}

// Every layout the bitmap can hold survives a write and a read by our own reader.
TEST(ImageWriterRoundTrip, BitmapFormatsSurviveOwnReader)
{
    const QImage picture = testPicture(13, 7);
    for (TPixelFormat format : {TPixelFormat::Indexed1, TPixelFormat::Indexed4, TPixelFormat::Indexed8, TPixelFormat::Rgb555,
                                TPixelFormat::Rgb565, TPixelFormat::Bgr24, TPixelFormat::Rgb32}) {
        TSafetyBitmap source;
        source.SetImage(picture);
        source.SetPixelFormat(format);
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        source.SaveToStream(buffer);
        buffer.seek(0);
        TSafetyBitmap loaded;
        loaded.LoadFromStream(buffer);
        EXPECT_EQ(loaded.PixelFormat(), format) << int(format);
        ASSERT_EQ(loaded.Image().size(), picture.size());
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                ASSERT_EQ(loaded.Image().pixel(x, y), source.Image().pixel(x, y)) << int(format) << " at " << x << "," << y;
        // Qt's reader agrees with ours on what was written.
        buffer.seek(0);
        QImageReader reader(&buffer, "bmp");
        const QImage independent = reader.read();
        ASSERT_FALSE(independent.isNull()) << int(format);
        // (Qt widens 5-bit channels slightly differently, hence the tolerance.)
        EXPECT_LE(channelDistance(independent.pixel(3, 5), source.Image().pixel(3, 5)), 7) << int(format);
    }
}

namespace {

// The payloads of the comment segments before the scan data, found by walking
// the segment list (independent of libjpeg).
QList<QByteArray> jpegComments(const QByteArray& data)
{
    QList<QByteArray> comments;
    qsizetype at = 2;
    while (at + 4 <= data.size() && uchar(data[at]) == 0xFF && uchar(data[at + 1]) != 0xDA) {
        const int length = (uchar(data[at + 2]) << 8) | uchar(data[at + 3]);
        if (uchar(data[at + 1]) == 0xFE)
            comments.append(data.mid(at + 4, length - 2));
        at += 2 + length;
    }
    return comments;
}

const TImageTexts provenance{{"Software", "Pellumo"}, {"Movie", "/videos/旅行/trip.mpg"}, {"Position", "62040"}};

} // namespace

TEST(ImageWriterTexts, PngCarriesTextChunksReadableByQt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scene.png");
    WritePngFile(testPicture(), path, provenance);
    QImageReader reader(path);
    for (const TImageText& text : provenance)
        EXPECT_EQ(reader.text(text.Key), text.Value) << text.Key.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    EXPECT_TRUE(data.contains("tEXtSoftware\0Pellumo")) << "Latin-1 text stays plain tEXt";
    EXPECT_TRUE(data.contains("iTXtMovie")) << "a path outside Latin-1 needs UTF-8";
    EXPECT_EQ(reader.read().size(), testPicture().size());
}

TEST(ImageWriterTexts, JpegCarriesOneCommentSegment)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scene.jpg");
    WriteJpegFile(testPicture(), path, 90, provenance);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> comments = jpegComments(file.readAll());
    ASSERT_EQ(comments.size(), 1);
    EXPECT_EQ(QString::fromUtf8(comments[0]), "Software: Pellumo\nMovie: /videos/旅行/trip.mpg\nPosition: 62040");
    EXPECT_EQ(QImageReader(path).read().size(), testPicture().size());
    EXPECT_TRUE(jpegComments(EncodeJpeg(testPicture())).isEmpty());
}

TEST(ImageWriterFailures, ReadOnlyTargetOrFolderIsRefusedEvenForRoot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scene.bmp");
    WriteBmpFile(testPicture(10, 10), path);
    const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    for (const QString& locked : {path, dir.path()}) {
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_THROW(WriteBmpFile(testPicture(20, 5), path), EImageWriteError) << locked.toStdString();
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_THROW(WriteBmpFile(testPicture(20, 5), dir.filePath("new.bmp")), EImageWriteError);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(entries(dir), QStringList{"scene.bmp"});
}
