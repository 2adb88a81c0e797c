#include "avifile/AviTestSupport.h"

#include "decoder/UAviBackend.h"
#include "decoder/UMovieDecoder.h"
#include "picture/TSafetyBitmap.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace avifile;
using namespace avitest;

namespace {

class AviBackendTest : public testing::Test
{
protected:
    QString Save(const QByteArray& avi, const QString& name = QStringLiteral("movie.avi"))
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(avi);
        return path;
    }

    // Blue, green, red of a pixel of the frame bitmap.
    static QByteArray PixelAt(const TSafetyBitmap& bitmap, int x, int y)
    {
        return QByteArray(reinterpret_cast<const char*>(bitmap.ScanLine(y)) + 3 * x, 3);
    }

    QTemporaryDir folder;
    TAviBackend backend;
    TSafetyBitmap frame;
};

QByteArray Bgr(int b, int g, int r)
{
    const char bytes[3] = { char(b), char(g), char(r) };
    return QByteArray(bytes, 3);
}

// 24-bit frames of 4 x 2 pixels: the bottom row (stored first) has the colour
// (i, 0, 0), the top row (0, i, 0).
TTestStream TwoRowStream(int frames)
{
    TTestStream stream;
    stream.format = TTestAviWriter::BitmapInfo(4, 2, 24);
    for (int i = 0; i < frames; ++i) {
        const QByteArray bottom = TTestAviWriter::SolidFrame24(4, 1, uchar(i + 1), 0, 0);
        const QByteArray top = TTestAviWriter::SolidFrame24(4, 1, 0, uchar(i + 1), 0);
        stream.frames.push_back(bottom + top);
    }
    return stream;
}

QByteArray Rle8Solid(int width, int height, int colour)
{
    QByteArray data;
    for (int row = 0; row < height; ++row)
        data.append(char(width)).append(char(colour)).append('\0').append('\0');
    data.append('\0').append('\1');
    return data;
}

TTestStream Rle8Stream(int frames)
{
    TTestStream stream;
    stream.handler = "mrle";
    stream.chunkType = "dc";
    stream.format = TTestAviWriter::BitmapInfo(6, 4, 8, BI_RLE8, 0, TTestAviWriter::GreyPalette(256));
    for (int i = 0; i < frames; ++i)
        stream.frames.push_back(Rle8Solid(6, 4, 10 * (i + 1)));
    return stream;
}

QByteArray Dib(int width, int height, int bitCount, quint32 compression, quint32 clrUsed, quint32 sizeImage,
               qsizetype totalSize)
{
    QByteArray dib = TTestAviWriter::BitmapInfo(width, height, bitCount, compression, clrUsed);
    qToLittleEndian<quint32>(sizeImage, dib.data() + 20);
    dib.resize(totalSize, '\x55');
    return dib;
}

} // namespace

TEST_F(AviBackendTest, OpensUncompressedVideoBlackAndDeliversFramesTopRowFirst)
{
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ TwoRowStream(5) })), frame));
    EXPECT_EQ(backend.FrameWidth(), 4);
    EXPECT_EQ(backend.FrameHeight(), 2);
    EXPECT_EQ(backend.FirstSample(), 0);
    EXPECT_EQ(backend.LastSample(), 4);
    EXPECT_EQ(backend.Duration(), 200); // the end of frame 4 at 25 frames a second
    ASSERT_EQ(frame.Width(), 4);
    EXPECT_EQ(frame.Image().format(), QImage::Format_BGR888);
    EXPECT_EQ(PixelAt(frame, 0, 0), Bgr(0, 0, 0));

    // position -> frame whose time span contains it; beyond the end -> last
    for (auto [position, expected] : { std::pair { 0, 0 }, { 39, 0 }, { 40, 1 }, { 119, 2 }, { 160, 4 }, { 99999, 4 },
                                       { -30, 0 }, { 80, 2 } }) {
        ASSERT_TRUE(backend.SeekTo(position)) << position;
        ASSERT_TRUE(backend.RenderFrame(frame)) << position;
        EXPECT_EQ(frame.Width(), 4);
        EXPECT_EQ(frame.Height(), 2);
        EXPECT_EQ(frame.PixelFormat(), TPixelFormat::Bgr24);
        EXPECT_EQ(PixelAt(frame, 3, 0), Bgr(0, expected + 1, 0)) << position;
        EXPECT_EQ(PixelAt(frame, 0, 1), Bgr(expected + 1, 0, 0)) << position;
    }
}

TEST_F(AviBackendTest, PalettisedFramesComeOutInTheirColours)
{
    TTestStream video;
    QByteArray palette = TTestAviWriter::GreyPalette(256);
    palette.replace(4 * 7, 4, QByteArray("\x10\x20\x30\x00", 4));
    video.format = TTestAviWriter::BitmapInfo(4, 1, 8, 0, 0, palette);
    video.frames = { QByteArray("\x07\x07\x01\x02", 4) };
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ video })), frame));
    ASSERT_TRUE(backend.SeekTo(0));
    ASSERT_TRUE(backend.RenderFrame(frame));
    EXPECT_EQ(PixelAt(frame, 0, 0), Bgr(0x10, 0x20, 0x30));
    EXPECT_EQ(PixelAt(frame, 3, 0), Bgr(2, 2, 2));
}

TEST_F(AviBackendTest, Rle8VideoIsDecoded)
{
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ Rle8Stream(4) })), frame));
    EXPECT_EQ(backend.FrameWidth(), 6);
    EXPECT_EQ(backend.FrameHeight(), 4);
    for (int i : { 3, 0, 2 }) {
        ASSERT_TRUE(backend.SeekTo(40 * i));
        ASSERT_TRUE(backend.RenderFrame(frame));
        EXPECT_EQ(PixelAt(frame, 5, 3), Bgr(10 * (i + 1), 10 * (i + 1), 10 * (i + 1)));
    }
}

TEST_F(AviBackendTest, VideoStreamWithTheLowestPriorityIsChosen)
{
    TTestStream first = TwoRowStream(2);
    TTestStream second = Rle8Stream(2);
    first.priority = 1;
    second.priority = 0;
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ first, second })), frame));
    EXPECT_EQ(backend.StreamNumber(), 1);
    EXPECT_EQ(backend.FrameWidth(), 6);

    second.priority = 1;
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ first, second }), "equal.avi"), frame));
    EXPECT_EQ(backend.StreamNumber(), 0);
    EXPECT_EQ(backend.FrameWidth(), 4);

    TTestStream audio;
    audio.type = "auds";
    audio.chunkType = "wb";
    audio.format = QByteArray(18, '\0');
    audio.frames = { QByteArray(4, 'a') };
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ audio, first }), "audio.avi"), frame));
    EXPECT_EQ(backend.StreamNumber(), 1);
}

TEST_F(AviBackendTest, OneFrameFileLastsOneFrameAndAlwaysShowsIt)
{
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ TwoRowStream(1) })), frame));
    EXPECT_EQ(backend.Duration(), 40);
    for (int position : { -1, 0, 500 }) {
        ASSERT_TRUE(backend.SeekTo(position));
        ASSERT_TRUE(backend.RenderFrame(frame));
        EXPECT_EQ(PixelAt(frame, 0, 0), Bgr(0, 1, 0));
    }
}

TEST_F(AviBackendTest, OpenDmlFileIsServed)
{
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ TwoRowStream(9) }, TTestIndex::OpenDml)), frame));
    EXPECT_EQ(backend.LastSample(), 8);
    ASSERT_TRUE(backend.SeekTo(40 * 7));
    ASSERT_TRUE(backend.RenderFrame(frame));
    EXPECT_EQ(PixelAt(frame, 0, 0), Bgr(0, 8, 0));
}

TEST_F(AviBackendTest, StartOfTheStreamIsItsFirstSample)
{
    TTestStream video = TwoRowStream(3);
    video.start = 10;
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ video })), frame));
    EXPECT_EQ(backend.FirstSample(), 10);
    EXPECT_EQ(backend.LastSample(), 12);
    EXPECT_EQ(backend.Duration(), 120);
    ASSERT_TRUE(backend.SeekTo(0));
    ASSERT_TRUE(backend.RenderFrame(frame));
    EXPECT_EQ(PixelAt(frame, 0, 0), Bgr(0, 1, 0));
}

TEST_F(AviBackendTest, FilesWithoutDeliverableEndsAreRefused)
{
    TTestStream shortFirst = TwoRowStream(3);
    shortFirst.frames.front().chop(1);
    TTestStream shortLast = TwoRowStream(3);
    shortLast.frames.back().chop(1);
    TTestStream empty = TwoRowStream(0);
    TTestStream audio;
    audio.type = "auds";
    audio.format = QByteArray(18, '\0');
    audio.frames = { QByteArray(4, 'a') };
    TTestStream unknownCodec = TwoRowStream(2);
    unknownCodec.format = TTestAviWriter::BitmapInfo(4, 2, 24, MakeFourCC('Z', 'Z', 'Z', 'Z'));
    for (const TTestStream& stream : { shortFirst, shortLast, empty, audio, unknownCodec }) {
        EXPECT_FALSE(backend.Open(Save(TTestAviWriter::Write({ stream })), frame));
        EXPECT_EQ(backend.Duration(), -1);
        EXPECT_EQ(backend.FrameWidth(), -1);
        EXPECT_FALSE(backend.SeekTo(0));
    }
    EXPECT_FALSE(backend.Open(folder.filePath("missing.avi"), frame));
    EXPECT_FALSE(backend.Open(Save("RIFF\x04\0\0\0AVI "), frame));
}

TEST_F(AviBackendTest, FrameThatCannotBeDeliveredFailsTheSeekOnly)
{
    TTestStream video = TwoRowStream(4);
    video.frames[2].chop(1);
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ video })), frame));
    ASSERT_TRUE(backend.SeekTo(40));
    EXPECT_FALSE(backend.SeekTo(80));
    // Nothing stale is rendered after a failed seek.
    EXPECT_FALSE(backend.RenderFrame(frame));
    ASSERT_TRUE(backend.SeekTo(120));
    ASSERT_TRUE(backend.RenderFrame(frame));
    EXPECT_EQ(PixelAt(frame, 0, 0), Bgr(0, 4, 0));
}

TEST_F(AviBackendTest, CloseForgetsTheFile)
{
    ASSERT_TRUE(backend.Open(Save(TTestAviWriter::Write({ TwoRowStream(2) })), frame));
    ASSERT_TRUE(backend.SeekTo(0));
    EXPECT_TRUE(backend.Close());
    EXPECT_EQ(backend.Duration(), -1);
    EXPECT_EQ(backend.FrameHeight(), -1);
    EXPECT_FALSE(backend.SeekTo(0));
    EXPECT_FALSE(backend.RenderFrame(frame));
    EXPECT_TRUE(backend.Close());
}

TEST_F(AviBackendTest, DecoderServesRefusedCodecsThroughTheAviBackEnd)
{
    TMovieDecoder decoder;
    const QString path = Save(TTestAviWriter::Write({ Rle8Stream(3) }));
    ASSERT_TRUE(decoder.Open(path));
    EXPECT_TRUE(decoder.UseAviFile());
    EXPECT_EQ(decoder.FileName(), path);
    EXPECT_EQ(decoder.Duration(), 120);
    EXPECT_EQ(decoder.FrameWidth(), 6);
    ASSERT_TRUE(decoder.FetchFrame(45));
    EXPECT_EQ(PixelAt(decoder.FrameBitmap(), 0, 0), Bgr(20, 20, 20));
    EXPECT_TRUE(decoder.Close());
    EXPECT_FALSE(decoder.FetchFrame(45));
}

TEST(BuildBitmapFileStream, ColourTableSizes)
{
    struct Case {
        int bitCount;
        quint32 compression;
        quint32 clrUsed;
        quint32 offBits;
    };
    for (const Case& c : { Case { 8, 0, 0, 54 + 1024 }, Case { 8, 0, 16, 54 + 64 }, Case { 4, 0, 0, 54 + 64 },
                           Case { 1, 0, 0, 54 + 8 }, Case { 32, 3, 0, 54 + 12 }, Case { 16, 3, 0, 54 + 12 },
                           Case { 32, 0, 0, 54 }, Case { 24, 0, 0, 54 } }) {
        const QByteArray dib = Dib(4, 2, c.bitCount, c.compression, c.clrUsed, 0, 4096);
        QBuffer stream;
        ASSERT_TRUE(TAviBackend::BuildBitmapFileStream(dib, stream)) << c.bitCount;
        const QByteArray file = stream.data();
        EXPECT_EQ(stream.pos(), 0);
        EXPECT_EQ(file.left(2), "BM");
        EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 10), c.offBits) << c.bitCount;
        const quint32 rowSize = (c.bitCount * 4 + 31) / 32 * 4;
        EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 2), c.offBits + 2 * rowSize);
        EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 6), 0u);
        EXPECT_EQ(file.size(), qsizetype(c.offBits + 2 * rowSize));
        EXPECT_EQ(file.mid(14), dib.left(file.size() - 14));
    }
}

TEST(BuildBitmapFileStream, ImageSizeFromHeaderOrAbsoluteHeight)
{
    QBuffer stream;
    ASSERT_TRUE(TAviBackend::BuildBitmapFileStream(Dib(5, -3, 24, 0, 0, 0, 4096), stream));
    EXPECT_EQ(qFromLittleEndian<quint32>(stream.data().constData() + 2), 54u + 3 * 16);
    ASSERT_TRUE(TAviBackend::BuildBitmapFileStream(Dib(5, -3, 24, 0, 0, 100, 4096), stream));
    EXPECT_EQ(qFromLittleEndian<quint32>(stream.data().constData() + 2), 54u + 100);
    EXPECT_EQ(stream.data().size(), 154);
}

TEST(BuildBitmapFileStream, RefusesDibsShorterThanTheirHeaders)
{
    QBuffer stream;
    EXPECT_FALSE(TAviBackend::BuildBitmapFileStream(Dib(5, 3, 24, 0, 0, 0, 40 + 3 * 16 - 1), stream));
    EXPECT_TRUE(TAviBackend::BuildBitmapFileStream(Dib(5, 3, 24, 0, 0, 0, 40 + 3 * 16), stream));
    EXPECT_FALSE(TAviBackend::BuildBitmapFileStream(Dib(5, 3, 8, 0, 0xFFFFFFFF, 0, 4096), stream));
    EXPECT_FALSE(TAviBackend::BuildBitmapFileStream(Dib(5, 3, 24, 0, 0, 0xFFFFFFFF, 4096), stream));
    EXPECT_FALSE(TAviBackend::BuildBitmapFileStream(QByteArray(39, '\0'), stream));
}
