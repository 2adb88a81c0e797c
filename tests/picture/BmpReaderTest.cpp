#include "BmpBuilder.h"

#include "picture/EInvalidGraphic.h"
#include "picture/TSafetyBitmap.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

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

// ---- layouts, one table -------------------------------------------------------

namespace {

QList<uint32_t> Palette(int count, uint32_t (*entry)(uint32_t index))
{
    QList<uint32_t> palette;
    for (int i = 0; i < count; ++i)
        palette.append(entry(uint32_t(i)));
    return palette;
}

struct TPixelAt
{
    int x, y;
    QRgb rgb; // opaque: any fourth byte in the file is ignored
};

struct TLayoutCase
{
    const char* name;
    BmpBuilder file;
    TPixelFormat format;
    QList<TPixelAt> pixels;
    int colours = 0; // size of the colour table kept, for paletted results
};

// The format each layout keeps (or is widened to) and the pixels it reads.
const TLayoutCase LayoutCases[] = {
    // The first row in the file is the bottom row: red; the top row is blue.
    {"24 bits bottom-up", {.pixels = QByteArray::fromHex("0000ff0000ff0000ff0000ff" "ff0000ff0000ff0000ff0000")},
     TPixelFormat::Bgr24, {{0, 1, 0xFF0000}, {3, 0, 0x0000FF}}},
    {"24 bits top-down", {.height = -2, .pixels = QByteArray::fromHex("00ff0000ff0000ff0000ff00" "000000000000000000000000")},
     TPixelFormat::Bgr24, {{0, 0, 0x00FF00}, {0, 1, 0x000000}}},
    {"1 bit through its palette",
     {.width = 10, .height = 1, .bitCount = 1, .palette = {0x000000, 0xFFFFFF}, .pixels = QByteArray::fromHex("a0400000")},
     TPixelFormat::Indexed1, {{0, 0, 0xFFFFFF}, {1, 0, 0x000000}, {2, 0, 0xFFFFFF}, {8, 0, 0x000000}, {9, 0, 0xFFFFFF}}, 2},
    {"4 bits keep sixteen colours",
     {.width = 3, .height = 1, .bitCount = 4, .palette = Palette(16, [](uint32_t i) { return i * 0x101010; }),
      .pixels = QByteArray::fromHex("f1e00000")},
     TPixelFormat::Indexed4, {{0, 0, 0xF0F0F0}, {1, 0, 0x101010}, {2, 0, 0xE0E0E0}}, 16},
    {"8 bits, short palette: missing indexes black",
     {.width = 2, .height = 1, .bitCount = 8, .colorsUsed = 2, .palette = {0x123456, 0xABCDEF},
      .pixels = QByteArray::fromHex("01090000")},
     TPixelFormat::Indexed8, {{0, 0, 0xABCDEF}, {1, 0, 0x000000}}},
    {"core header, 8 bits, all 256 colours",
     {.headerSize = 12, .width = 2, .height = 1, .bitCount = 8,
      .palette = Palette(256, [](uint32_t i) { return (i << 16) | ((255 - i) << 8) | 7; }),
      .pixels = QByteArray::fromHex("00ff0000")},
     TPixelFormat::Indexed8, {{0, 0, 0x00FF07}, {1, 0, 0xFF0007}}, 256},
    {"16 bits plain are 5-5-5", {.width = 2, .height = 1, .bitCount = 16, .pixels = QByteArray::fromHex("007c1f00")},
     TPixelFormat::Rgb555, {{0, 0, 0xFF0000}, {1, 0, 0x0000FF}}},
    {"16 bits with 5-6-5 fields keep sixteen bits",
     {.width = 2, .height = 1, .bitCount = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F},
      .pixels = QByteArray::fromHex("e00700f8")},
     TPixelFormat::Rgb565, {{0, 0, 0x00FF00}, {1, 0, 0xFF0000}}},
    {"32 bits ignore the fourth byte", {.width = 1, .height = 1, .bitCount = 32, .pixels = QByteArray::fromHex("30201000")},
     TPixelFormat::Rgb32, {{0, 0, 0x102030}}},
    {"odd bit-field masks widen to 24 bits",
     {.width = 2, .height = 1, .bitCount = 32, .compression = 3, .masks = {0x000000FF, 0x0000FF00, 0x00FF0000},
      .pixels = QByteArray::fromHex("11223300ff000000")},
     TPixelFormat::Bgr24, {{0, 0, 0x112233}, {1, 0, 0xFF0000}}},
    {"4-bit masks scale to the full range", // 0x00F8: green 15, blue 8
     {.width = 1, .height = 1, .bitCount = 16, .compression = 3, .masks = {0x0F00, 0x00F0, 0x000F},
      .pixels = QByteArray::fromHex("f8000000")},
     TPixelFormat::Bgr24, {{0, 0, 0x00FF88}}},
    {"version 5 header carries its own masks",
     {.headerSize = 124, .width = 1, .height = 1, .bitCount = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F},
      .pixels = QByteArray::fromHex("1f000000")},
     TPixelFormat::Rgb565, {{0, 0, 0x0000FF}}},
    // The offset field points past four 0x77 bytes: pixels start right after the colour table.
    {"pixels right after the colour table",
     {.width = 1, .height = 1, .gapBeforePixels = 4, .pixels = QByteArray::fromHex("00000000")},
     TPixelFormat::Bgr24, {{0, 0, 0x777777}}},
    // Bottom row: 3 x colour 1, absolute 2,3,2 (padded); end of line;
    // top row: delta (2, 0) then 2 x colour 3; end of bitmap.
    {"RLE8 runs, absolute runs and delta",
     {.width = 6, .height = 2, .bitCount = 8, .compression = 1, .colorsUsed = 4,
      .palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF},
      .pixels = QByteArray::fromHex("0301" "0003020302" "00" "0000" "00020200" "0203" "0001")},
     TPixelFormat::Bgr24,
     {{0, 1, 0xFF0000}, {2, 1, 0xFF0000}, {3, 1, 0x00FF00}, {4, 1, 0x0000FF}, {5, 1, 0x00FF00},
      {0, 0, 0x000000}, {2, 0, 0x0000FF}, {3, 0, 0x0000FF}, {4, 0, 0x000000}}},
    // A run of 3 alternating 1,2,1; absolute 3 pixels "2 1 2" in two bytes; end of bitmap.
    {"RLE4 alternates nibbles",
     {.width = 6, .height = 1, .bitCount = 4, .compression = 2, .colorsUsed = 3, .palette = {0x000000, 0xFF0000, 0x00FF00},
      .pixels = QByteArray::fromHex("0312" "00032120" "0001")},
     TPixelFormat::Bgr24,
     {{0, 0, 0xFF0000}, {1, 0, 0x00FF00}, {2, 0, 0xFF0000}, {3, 0, 0x00FF00}, {4, 0, 0xFF0000}, {5, 0, 0x00FF00}}},
    // A long run, a far delta and a truncated absolute run.
    {"RLE runs past the bitmap are clipped",
     {.width = 2, .height = 1, .bitCount = 8, .compression = 1, .colorsUsed = 2, .palette = {0x000000, 0xFFFFFF},
      .pixels = QByteArray::fromHex("ff01" "0002ffff" "ff01" "00ff")},
     TPixelFormat::Bgr24, {{1, 0, 0xFFFFFF}}},
};

} // namespace

TEST(BmpReaderLayouts, EachLayoutKeepsItsFormatAndReadsItsPixels)
{
    for (const TLayoutCase& c : LayoutCases) {
        SCOPED_TRACE(c.name);
        const TSafetyBitmap bmp = load(c.file.Build());
        EXPECT_EQ(bmp.PixelFormat(), c.format);
        EXPECT_EQ(bmp.Width(), c.file.width);
        EXPECT_EQ(bmp.Height(), std::abs(c.file.height));
        if (c.colours > 0) {
            EXPECT_EQ(bmp.Image().colorCount(), c.colours);
        }
        for (const TPixelAt& at : c.pixels)
            EXPECT_EQ(bmp.Image().pixel(at.x, at.y), 0xFF000000u | at.rgb) << at.x << "," << at.y;
    }
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
