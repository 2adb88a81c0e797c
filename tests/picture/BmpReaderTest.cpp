#include "BmpBuilder.h"

#include "picture/EInvalidGraphic.h"
#include "picture/TSafetyBitmap.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>

namespace {

TSafetyBitmap load(const QByteArray& data)
{
    QByteArray copy = data;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    TSafetyBitmap bitmap;
    bitmap.LoadFromStream(buffer);
    return bitmap;
}

QRgb pixel(const TSafetyBitmap& bitmap, int x, int y)
{
    return bitmap.Image().pixel(x, y) & 0xFFFFFF;
}

} // namespace

// ---- layouts that keep their format -----------------------------------------

TEST(BmpReaderFormats, TwentyFourBitBottomUpKeepsFormatAndRowOrder)
{
    BmpBuilder b;   // 4 x 2, 24 bits
    b.FillRows([](int row, int byte) { return uint8_t(row == 0 ? (byte % 3 == 2 ? 255 : 0) : (byte % 3 == 0 ? 255 : 0)); });
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf24bit);
    ASSERT_EQ(bmp.Width(), 4);
    ASSERT_EQ(bmp.Height(), 2);
    // The first row in the file is the bottom row: red; the top row is blue.
    EXPECT_EQ(pixel(bmp, 0, 1), 0xFF0000u);
    EXPECT_EQ(pixel(bmp, 3, 0), 0x0000FFu);
}

TEST(BmpReaderFormats, TopDownRowsStayInOrder)
{
    BmpBuilder b;
    b.height = -2;
    b.FillRows([](int row, int byte) { return uint8_t(row == 0 && byte % 3 == 1 ? 255 : 0); });
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(pixel(bmp, 0, 0), 0x00FF00u);
    EXPECT_EQ(pixel(bmp, 0, 1), 0x000000u);
}

TEST(BmpReaderFormats, OneBitUsesItsPalette)
{
    BmpBuilder b;
    b.width = 10;
    b.height = 1;
    b.bitCount = 1;
    b.palette = {0x000000, 0xFFFFFF};
    b.pixels = QByteArray::fromHex("a0400000");   // 1010 0000 0100 0000
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(pixel(bmp, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(pixel(bmp, 1, 0), 0x000000u);
    EXPECT_EQ(pixel(bmp, 2, 0), 0xFFFFFFu);
    EXPECT_EQ(pixel(bmp, 9, 0), 0xFFFFFFu);
    EXPECT_EQ(pixel(bmp, 8, 0), 0x000000u);
}

TEST(BmpReaderFormats, FourBitKeepsSixteenColours)
{
    BmpBuilder b;
    b.width = 3;
    b.height = 1;
    b.bitCount = 4;
    for (uint32_t i = 0; i < 16; ++i)
        b.palette.append(i * 0x101010);
    b.pixels = QByteArray::fromHex("f1e00000");
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf4bit);
    EXPECT_EQ(bmp.Image().colorCount(), 16);
    EXPECT_EQ(pixel(bmp, 0, 0), 0xF0F0F0u);
    EXPECT_EQ(pixel(bmp, 1, 0), 0x101010u);
    EXPECT_EQ(pixel(bmp, 2, 0), 0xE0E0E0u);
}

TEST(BmpReaderFormats, EightBitWithShortPaletteDrawsMissingIndexesBlack)
{
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bitCount = 8;
    b.colorsUsed = 2;
    b.palette = {0x123456, 0xABCDEF};
    b.pixels = QByteArray::fromHex("0109" "0000");
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(pixel(bmp, 0, 0), 0xABCDEFu);
    EXPECT_EQ(pixel(bmp, 1, 0), 0x000000u);
}

TEST(BmpReaderFormats, CoreHeaderEightBitLoadsAll256Colours)
{
    BmpBuilder b;
    b.headerSize = 12;
    b.width = 2;
    b.height = 1;
    b.bitCount = 8;
    for (uint32_t i = 0; i < 256; ++i)
        b.palette.append((i << 16) | ((255 - i) << 8) | 7);
    b.pixels = QByteArray::fromHex("00ff0000");
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bmp.Image().colorCount(), 256);
    EXPECT_EQ(pixel(bmp, 0, 0), 0x00FF07u);
    EXPECT_EQ(pixel(bmp, 1, 0), 0xFF0007u);
}

TEST(BmpReaderFormats, SixteenBitPlainIs555)
{
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bitCount = 16;
    b.pixels = QByteArray::fromHex("007c" "1f00");   // red, blue
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf15bit);
    EXPECT_EQ(pixel(bmp, 0, 0), 0xFF0000u);
    EXPECT_EQ(pixel(bmp, 1, 0), 0x0000FFu);
}

TEST(BmpReaderFormats, SixteenBitFields565KeepSixteenBits)
{
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bitCount = 16;
    b.compression = 3;
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixels = QByteArray::fromHex("e007" "00f8");   // green, red
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf16bit);
    EXPECT_EQ(pixel(bmp, 0, 0), 0x00FF00u);
    EXPECT_EQ(pixel(bmp, 1, 0), 0xFF0000u);
}

TEST(BmpReaderFormats, ThirtyTwoBitIgnoresFourthByte)
{
    BmpBuilder b;
    b.width = 1;
    b.height = 1;
    b.bitCount = 32;
    b.pixels = QByteArray::fromHex("30201000");
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(bmp.Image().pixel(0, 0), 0xFF102030u);
}

TEST(BmpReaderFormats, OddBitFieldMasksLoadAsTwentyFourBits)
{
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bitCount = 32;
    b.compression = 3;
    b.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};   // red in the low byte
    b.pixels = QByteArray::fromHex("11223300" "ff000000");
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(pixel(bmp, 0, 0), 0x112233u);
    EXPECT_EQ(pixel(bmp, 1, 0), 0xFF0000u);
}

TEST(BmpReaderFormats, SixteenBitFourBitMasksScaleToFullRange)
{
    BmpBuilder b;
    b.width = 1;
    b.height = 1;
    b.bitCount = 16;
    b.compression = 3;
    b.masks = {0x0F00, 0x00F0, 0x000F};
    b.pixels = QByteArray::fromHex("f8000000");   // 0x00F8: green 15, blue 8
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(pixel(bmp, 0, 0), 0x00FF88u);
}

TEST(BmpReaderFormats, Version5HeaderCarriesItsOwnMasks)
{
    BmpBuilder b;
    b.headerSize = 124;
    b.width = 1;
    b.height = 1;
    b.bitCount = 16;
    b.compression = 3;
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixels = QByteArray::fromHex("1f000000");
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf16bit);
    EXPECT_EQ(pixel(bmp, 0, 0), 0x0000FFu);
}

TEST(BmpReaderFormats, PixelDataIsTakenRightAfterTheColourTable)
{
    BmpBuilder b;
    b.width = 1;
    b.height = 1;
    b.gapBeforePixels = 4;       // the offset field points past four 0x77 bytes
    b.pixels = QByteArray::fromHex("00000000");
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(pixel(bmp, 0, 0), 0x777777u);
}

// ---- run-length encoded data ---------------------------------------------------

TEST(BmpReaderRle, Rle8RunsAbsoluteRunsAndDelta)
{
    BmpBuilder b;
    b.width = 6;
    b.height = 2;
    b.bitCount = 8;
    b.compression = 1;
    b.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    b.colorsUsed = 4;
    // bottom row: 3 x colour 1, absolute 2,3,2 (padded); end of line;
    // top row: delta (2, 0) then 2 x colour 3; end of bitmap.
    b.pixels = QByteArray::fromHex("0301" "0003020302" "00" "0000" "00020200" "0203" "0001");
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(pixel(bmp, 0, 1), 0xFF0000u);
    EXPECT_EQ(pixel(bmp, 2, 1), 0xFF0000u);
    EXPECT_EQ(pixel(bmp, 3, 1), 0x00FF00u);
    EXPECT_EQ(pixel(bmp, 4, 1), 0x0000FFu);
    EXPECT_EQ(pixel(bmp, 5, 1), 0x00FF00u);
    EXPECT_EQ(pixel(bmp, 0, 0), 0x000000u);   // skipped by the delta
    EXPECT_EQ(pixel(bmp, 2, 0), 0x0000FFu);
    EXPECT_EQ(pixel(bmp, 3, 0), 0x0000FFu);
    EXPECT_EQ(pixel(bmp, 4, 0), 0x000000u);
}

TEST(BmpReaderRle, Rle4AlternatesNibbles)
{
    BmpBuilder b;
    b.width = 6;
    b.height = 1;
    b.bitCount = 4;
    b.compression = 2;
    b.palette = {0x000000, 0xFF0000, 0x00FF00};
    b.colorsUsed = 3;
    // run of 3 alternating 1,2,1; absolute 3 pixels "2 1 2" in two bytes; end of bitmap
    b.pixels = QByteArray::fromHex("0312" "00032120" "0001");
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(pixel(bmp, 0, 0), 0xFF0000u);
    EXPECT_EQ(pixel(bmp, 1, 0), 0x00FF00u);
    EXPECT_EQ(pixel(bmp, 2, 0), 0xFF0000u);
    EXPECT_EQ(pixel(bmp, 3, 0), 0x00FF00u);
    EXPECT_EQ(pixel(bmp, 4, 0), 0xFF0000u);
    EXPECT_EQ(pixel(bmp, 5, 0), 0x00FF00u);
}

TEST(BmpReaderRle, RunsPastTheBitmapAreClipped)
{
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bitCount = 8;
    b.compression = 1;
    b.palette = {0x000000, 0xFFFFFF};
    b.colorsUsed = 2;
    b.pixels = QByteArray::fromHex("ff01" "0002ffff" "ff01" "00ff");   // long run, far delta, truncated absolute
    const TSafetyBitmap bmp = load(b.Build());
    EXPECT_EQ(pixel(bmp, 1, 0), 0xFFFFFFu);
}

// ---- refused files -------------------------------------------------------------

TEST(BmpReaderRefuses, WrongSignatureKeepsFormerContent)
{
    TSafetyBitmap bmp;
    bmp.SetSize24(3, 3);
    BmpBuilder b;
    b.signature = "PK";
    b.FillRows([](int, int) { return uint8_t(0); });
    QByteArray data = b.Build();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    try {
        bmp.LoadFromStream(buffer);
        FAIL() << "a file without BM was read";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ビットマップイメージが不正です"));
    }
    EXPECT_EQ(bmp.Width(), 3);
}

TEST(BmpReaderRefuses, EveryTruncationIsRefused)
{
    BmpBuilder b;
    b.width = 3;
    b.height = 3;
    b.bitCount = 8;
    b.colorsUsed = 4;
    b.palette = {1, 2, 3, 4};
    b.FillRows([](int r, int c) { return uint8_t((r + c) & 3); });
    const QByteArray whole = b.Build();
    EXPECT_NO_THROW(load(whole));
    for (int length = 0; length < whole.size(); ++length)
        EXPECT_ANY_THROW(load(whole.left(length))) << "length " << length;
}

TEST(BmpReaderRefuses, AbsurdHeaders)
{
    auto refused = [](const BmpBuilder& b) {
        try {
            load(b.Build());
        } catch (const EInvalidGraphic&) {
            return true;
        } catch (const EReadError&) {
            return false;
        }
        return false;
    };
    BmpBuilder base;
    base.FillRows([](int, int) { return uint8_t(0); });

    BmpBuilder b = base; b.width = 0; EXPECT_TRUE(refused(b));
    b = base; b.width = -4; EXPECT_TRUE(refused(b));
    b = base; b.height = 0; EXPECT_TRUE(refused(b));
    b = base; b.height = INT_MIN; EXPECT_TRUE(refused(b));
    b = base; b.width = 100000; b.height = 100000; EXPECT_TRUE(refused(b));
    b = base; b.width = INT_MAX; b.height = 1; EXPECT_TRUE(refused(b));
    b = base; b.bitCount = 7; EXPECT_TRUE(refused(b));
    b = base; b.planes = 0; EXPECT_TRUE(refused(b));
    // Found by fuzzing: planes x bit count overflowed an int and became a negative shift.
    b = base; b.planes = 65535; b.bitCount = 39723; EXPECT_TRUE(refused(b));
    b = base; b.headerSize = 12; b.planes = 65535; b.bitCount = 50177; EXPECT_TRUE(refused(b));
    b = base; b.headerSize = 20; EXPECT_TRUE(refused(b));
    b = base; b.compression = 4; EXPECT_TRUE(refused(b));           // embedded JPEG
    b = base; b.compression = 1; EXPECT_TRUE(refused(b));           // RLE8 on 24 bits
    b = base; b.bitCount = 8; b.colorsUsed = 257; EXPECT_TRUE(refused(b));
    b = base; b.bitCount = 4; b.colorsUsed = 17; EXPECT_TRUE(refused(b));
    b = base; b.bitCount = 8; b.compression = 1; b.height = -2; EXPECT_TRUE(refused(b));   // top-down RLE
    b = base; b.bitCount = 32; b.compression = 3; b.masks = {0xFF, 0xFF00, 0xFF0000}; b.sizeImage = 4;
    EXPECT_TRUE(refused(b));                                         // bit fields shorter than the rows
}

TEST(BmpReaderRefuses, HugeDeclaredRleSizeWithoutDataIsAReadError)
{
    BmpBuilder b;
    b.width = 8000;
    b.height = 8000;
    b.bitCount = 8;
    b.compression = 1;
    b.sizeImage = 0x3FFFFFFF;
    b.pixels = QByteArray::fromHex("0001");
    EXPECT_THROW(load(b.Build()), EReadError);
}

// ---- streams and files ---------------------------------------------------------

namespace {

// A stream that cannot seek or tell its size, like a pipe.
class SequentialBuffer : public QIODevice
{
public:
    explicit SequentialBuffer(const QByteArray* data) : data(*data) {}
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return data.size() - offset + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* target, qint64 maxSize) override
    {
        const qint64 n = qMin(maxSize, qint64(data.size()) - offset);
        if (n <= 0)
            return -1;
        memcpy(target, data.constData() + offset, size_t(n));
        offset += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data;
    qint64 offset = 0;
};

} // namespace

TEST(BmpReaderStream, SequentialStreamsReadTheSameAndStopAtTheEnd)
{
    for (int bits : {1, 4, 8, 24, 32}) {
        BmpBuilder b;
        b.width = 5;
        b.height = 3;
        b.bitCount = uint16_t(bits);
        for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
            b.palette.append(uint32_t(i * 0x010203));
        b.FillRows([](int row, int byte) { return uint8_t(row * 31 + byte * 7); });
        QByteArray whole = b.Build() + "after";
        SequentialBuffer sequential(&whole);
        sequential.open(QIODevice::ReadOnly);
        TSafetyBitmap fromPipe;
        fromPipe.LoadFromStream(sequential);
        EXPECT_EQ(sequential.read(100), QByteArray("after")) << bits;
        EXPECT_EQ(fromPipe.Image(), load(b.Build()).Image()) << bits;

        QByteArray cut = b.Build();
        cut.chop(1);
        SequentialBuffer truncated(&cut);
        truncated.open(QIODevice::ReadOnly);
        TSafetyBitmap refused;
        EXPECT_THROW(refused.LoadFromStream(truncated), EReadError) << bits;
    }
}

TEST(BmpReaderStream, SequentialStreamWithLyingSizeAllocatesNothingBig)
{
    BmpBuilder b;
    b.width = 8000;
    b.height = 8000;
    b.bitCount = 24;   // 192 MB of rows announced, 4 bytes present
    b.pixels = "abcd";
    QByteArray data = b.Build();
    SequentialBuffer sequential(&data);
    sequential.open(QIODevice::ReadOnly);
    TSafetyBitmap bitmap;
    EXPECT_THROW(bitmap.LoadFromStream(sequential), EReadError);
}

TEST(BmpReaderStream, LeavesTheStreamRightAfterThePixels)
{
    BmpBuilder b;
    b.width = 1;
    b.height = 1;
    b.bitCount = 1;
    b.palette = {0, 0xFFFFFF};
    b.pixels = QByteArray::fromHex("80000000");
    QByteArray data = b.Build() + "tail";
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TSafetyBitmap bmp;
    bmp.LoadFromStream(buffer);
    EXPECT_EQ(buffer.readAll(), QByteArray("tail"));
}

TEST(BmpReaderStream, ReadDataSkipsTheLengthPrefix)
{
    BmpBuilder b;
    b.FillRows([](int, int) { return uint8_t(0x40); });
    QByteArray data = QByteArray("\x10\x00\x00\x00", 4) + b.Build();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TSafetyBitmap bmp;
    bmp.ReadData(buffer);
    EXPECT_EQ(pixel(bmp, 0, 0), 0x404040u);
}

TEST(BmpReaderStream, LoadFromFileReadsAndMissingFileThrows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("frame.bmp");
    BmpBuilder b;
    b.FillRows([](int, int byte) { return uint8_t(byte % 3 == 1 ? 200 : 0); });
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(b.Build());
    file.close();
    TSafetyBitmap bmp;
    bmp.LoadFromFile(path);
    EXPECT_EQ(pixel(bmp, 1, 1), 0x00C800u);
    EXPECT_ANY_THROW(bmp.LoadFromFile(dir.filePath("missing.bmp")));
}
