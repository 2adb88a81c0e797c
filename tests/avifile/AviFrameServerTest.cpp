#include "avifile/AviTestSupport.h"

#include "decoder/avifile/TAviFile.h"
#include "decoder/avifile/TAviIndexReader.h"
#include "decoder/avifile/TAviParser.h"
#include "decoder/avifile/TAviStream.h"
#include "decoder/avifile/TAviVideoDecoder.h"

#include <gtest/gtest.h>

using namespace avifile;
using namespace avitest;

namespace {

// The first pixel's bytes of every frame the server delivers, in order.
std::vector<QByteArray> FirstPixels(const QByteArray& avi, int bytesPerPixel = 3)
{
    PAVISTREAM stream = VideoStream(OpenBytes(avi));
    std::vector<QByteArray> pixels;
    if (!stream)
        return pixels;
    PGETFRAME server = AVIStreamGetFrameOpen(stream);
    if (!server)
        return pixels;
    for (int s = AVIStreamStart(stream); s < AVIStreamStart(stream) + AVIStreamLength(stream); ++s) {
        const auto dib = ViewDib(AVIStreamGetFrame(server, s));
        pixels.push_back(dib ? dib->pixels.left(bytesPerPixel) : QByteArray());
    }
    return pixels;
}

QByteArray Bgr(int b, int g, int r)
{
    const char bytes[3] = { char(b), char(g), char(r) };
    return QByteArray(bytes, 3);
}

std::vector<QByteArray> SolidColours(int frames)
{
    std::vector<QByteArray> colours;
    for (int i = 0; i < frames; ++i)
        colours.push_back(Bgr(i, 2 * i, 255 - i));
    return colours;
}

// An RLE8 picture: row r (0 = bottom) is filled with rowColours[r], or left
// as it was when that is negative.
QByteArray Rle8Frame(int width, const std::vector<int>& rowColours)
{
    QByteArray data;
    for (int colour : rowColours) {
        for (int left = colour >= 0 ? width : 0; left > 0; left -= 255)
            data.append(char(std::min(left, 255))).append(char(colour));
        data.append('\0').append('\0');
    }
    data.append('\0').append('\1');
    return data;
}

} // namespace

TEST(AviFrameServer, Uncompressed24BitFramesComeAsStored)
{
    const TTestStream video = Solid24Stream(5, 7, 3);
    PAVISTREAM stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video })));
    PGETFRAME server = AVIStreamGetFrameOpen(stream);
    ASSERT_TRUE(server);
    for (int i = 4; i >= 0; --i) {
        const auto dib = ViewDib(AVIStreamGetFrame(server, i));
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib->header.biWidth, 7);
        EXPECT_EQ(dib->header.biHeight, 3);
        EXPECT_EQ(dib->header.biBitCount, 24);
        EXPECT_EQ(dib->header.biSizeImage, 24u * 3);
        EXPECT_EQ(dib->pixels, video.frames[size_t(i)]);
    }
}

TEST(AviFrameServer, PalettisedFramesCarryTheirColourTable)
{
    TTestStream video;
    video.format = TTestAviWriter::BitmapInfo(4, 2, 8, 0, 0, TTestAviWriter::GreyPalette(256));
    video.frames = { QByteArray("\1\2\3\4\5\6\7\x08", 8) };
    PGETFRAME server = AVIStreamGetFrameOpen(VideoStream(OpenBytes(TTestAviWriter::Write({ video }))));
    ASSERT_TRUE(server);
    const auto dib = ViewDib(AVIStreamGetFrame(server, 0));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->header.biClrUsed, 256u);
    EXPECT_EQ(dib->table, TTestAviWriter::GreyPalette(256));
    EXPECT_EQ(dib->pixels, video.frames[0]);
}

TEST(AviFrameServer, ShortColourTableIsCompletedWithBlack)
{
    TTestStream video;
    video.format = TTestAviWriter::BitmapInfo(4, 1, 4, 0, 16, TTestAviWriter::GreyPalette(3));
    video.frames = { QByteArray("\x01\x23\0\0", 4) };
    PGETFRAME server = AVIStreamGetFrameOpen(VideoStream(OpenBytes(TTestAviWriter::Write({ video }))));
    ASSERT_TRUE(server);
    const auto dib = ViewDib(AVIStreamGetFrame(server, 0));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->header.biClrUsed, 16u);
    EXPECT_EQ(dib->table, TTestAviWriter::GreyPalette(3) + QByteArray(13 * 4, '\0'));
}

TEST(AviFrameServer, BitfieldFramesKeepTheirMasks)
{
    const QByteArray masks("\x00\xf8\x00\x00\xe0\x07\x00\x00\x1f\x00\x00\x00", 12);
    TTestStream video;
    video.format = TTestAviWriter::BitmapInfo(2, 2, 16, BI_BITFIELDS, 0, masks);
    video.frames = { QByteArray("\x1f\x00\xe0\x07\x00\xf8\xff\xff", 8) };
    PGETFRAME server = AVIStreamGetFrameOpen(VideoStream(OpenBytes(TTestAviWriter::Write({ video }))));
    ASSERT_TRUE(server);
    const auto dib = ViewDib(AVIStreamGetFrame(server, 0));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->header.biCompression, BI_BITFIELDS);
    EXPECT_EQ(dib->table, masks);
    EXPECT_EQ(dib->pixels, video.frames[0]);
}

TEST(AviFrameServer, FrameShorterThanItsImageIsNotDelivered)
{
    TTestStream video = Solid24Stream(2);
    video.frames[1].chop(1);
    PGETFRAME server = AVIStreamGetFrameOpen(VideoStream(OpenBytes(TTestAviWriter::Write({ video }))));
    ASSERT_TRUE(server);
    EXPECT_FALSE(AVIStreamGetFrame(server, 0).isEmpty());
    EXPECT_TRUE(AVIStreamGetFrame(server, 1).isEmpty());
}

TEST(AviFrameServer, EmptyChunkRepeatsThePreviousFrame)
{
    TTestStream video = Solid24Stream(3);
    video.frames[1].clear();
    const auto pixels = FirstPixels(TTestAviWriter::Write({ video }));
    EXPECT_EQ(pixels, (std::vector<QByteArray> { Bgr(0, 0, 255), Bgr(0, 0, 255), Bgr(2, 4, 253) }));
}

TEST(AviFrameServer, OddSizedChunksArePadded)
{
    // 8-bit rows of width 3 take 4 bytes; one spare byte makes each chunk odd.
    TTestStream video;
    video.format = TTestAviWriter::BitmapInfo(3, 1, 8, 0, 0, TTestAviWriter::GreyPalette(256));
    for (int i = 0; i < 4; ++i)
        video.frames.push_back(QByteArray(1, char(10 + i)) + QByteArray(4, '\0'));
    const QByteArray avi = TTestAviWriter::Write({ video });
    for (TTestIndex index : { TTestIndex::Idx1Relative, TTestIndex::None }) {
        const auto pixels = FirstPixels(TTestAviWriter::Write({ video }, index), 1);
        EXPECT_EQ(pixels, (std::vector<QByteArray> { "\x0a", "\x0b", "\x0c", "\x0d" }));
    }
}

TEST(AviFrameServer, EveryIndexFormFindsTheSameFrames)
{
    const TTestStream video = Solid24Stream(7);
    for (TTestIndex index : { TTestIndex::Idx1Relative, TTestIndex::Idx1Absolute, TTestIndex::None, TTestIndex::OpenDml })
        EXPECT_EQ(FirstPixels(TTestAviWriter::Write({ video }, index)), SolidColours(7)) << int(index);
}

TEST(AviFrameServer, InterleavedStreamsAreIndexedApart)
{
    TTestStream audio;
    audio.type = "auds";
    audio.chunkType = "wb";
    audio.format = QByteArray(18, '\0');
    audio.frames = { QByteArray(3, 'a'), QByteArray(5, 'b'), QByteArray(7, 'c') };
    const TTestStream video = Solid24Stream(4);
    for (TTestIndex index : { TTestIndex::Idx1Relative, TTestIndex::None })
        EXPECT_EQ(FirstPixels(TTestAviWriter::Write({ audio, video }, index)), SolidColours(4)) << int(index);
}

TEST(AviFrameServer, OpenDmlIndexGivesKeyFrames)
{
    TTestStream video = Solid24Stream(6);
    video.keyFrames = { true, false, false, true, false, false };
    auto device = std::make_unique<QBuffer>();
    device->setData(TTestAviWriter::Write({ video }, TTestIndex::OpenDml));
    device->open(QIODevice::ReadOnly);
    TRiffSource source(std::move(device));
    auto layout = TAviParser(source).Parse();
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->moviLists.size(), 2u);
    TAviIndexReader(source, *layout).Build();
    const auto& samples = layout->streams.front().samples;
    ASSERT_EQ(samples.size(), 6u);
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(samples[i].keyFrame, bool(video.keyFrames[i])) << i;
        EXPECT_EQ(samples[i].size, 20u * 4) << i; // rows of 18 bytes padded to 20
    }
}

TEST(AviFrameServer, Rle8FramesDecodeFromTheirKeyFrame)
{
    TTestStream video;
    video.handler = "mrle";
    video.chunkType = "dc";
    video.format = TTestAviWriter::BitmapInfo(8, 4, 8, BI_RLE8, 0, TTestAviWriter::GreyPalette(256));
    video.frames = {
        Rle8Frame(8, { 10, 10, 10, 10 }),
        Rle8Frame(8, { 20 }),
        Rle8Frame(8, { -1, 30 }),
        Rle8Frame(8, { 40, 40, 40, 40 }),
    };
    video.keyFrames = { true, false, false, true };
    PAVISTREAM stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video })));
    PGETFRAME server = AVIStreamGetFrameOpen(stream);
    ASSERT_TRUE(server);
    // Bottom-up rows of 8 pixels, 24 bytes each.
    auto rowGrey = [&](int sample, int row) {
        const auto dib = ViewDib(AVIStreamGetFrame(server, sample));
        if (!dib || dib->header.biBitCount != 24 || dib->header.biHeight != 4 || dib->header.biWidth != 8)
            return -1;
        return int(uchar(dib->pixels.at(row * 24)));
    };
    EXPECT_EQ(rowGrey(2, 0), 20);
    EXPECT_EQ(rowGrey(2, 1), 30);
    EXPECT_EQ(rowGrey(2, 2), 10);
    // Backwards: decoding starts again at the key frame, so row 1 is not 30.
    EXPECT_EQ(rowGrey(1, 1), 10);
    EXPECT_EQ(rowGrey(1, 0), 20);
    EXPECT_EQ(rowGrey(0, 0), 10);
    EXPECT_EQ(rowGrey(3, 3), 40);
    EXPECT_EQ(rowGrey(2, 1), 30);
    // A second server on the same stream picks up from the same state.
    PGETFRAME another = AVIStreamGetFrameOpen(stream);
    ASSERT_TRUE(another);
    const auto dib = ViewDib(AVIStreamGetFrame(another, 3));
    ASSERT_TRUE(dib);
    EXPECT_EQ(uchar(dib->pixels.at(0)), 40);
}

TEST(AviFrameServer, Rle4FramesAreDecoded)
{
    TTestStream video;
    video.chunkType = "dc";
    video.format = TTestAviWriter::BitmapInfo(16, 2, 4, BI_RLE4, 16, TTestAviWriter::GreyPalette(16));
    // Per row: 16 pixels alternating colours 3 and 5, then end of line; the
    // last row ends the picture.
    video.frames = { QByteArray("\x10\x35\x00\x00\x10\x35\x00\x01", 8) };
    PGETFRAME server = AVIStreamGetFrameOpen(VideoStream(OpenBytes(TTestAviWriter::Write({ video }))));
    ASSERT_TRUE(server);
    const auto dib = ViewDib(AVIStreamGetFrame(server, 0));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->header.biBitCount, 24);
    EXPECT_EQ(dib->pixels.left(6), QByteArray("\x03\x03\x03\x05\x05\x05", 6));
}

TEST(AviFrameServer, UnknownCodecHasNoServer)
{
    TTestStream video;
    video.format = TTestAviWriter::BitmapInfo(8, 4, 24, MakeFourCC('Q', 'Q', 'Q', 'Q'));
    video.frames = { QByteArray(10, 'x') };
    PAVISTREAM stream = VideoStream(OpenBytes(TTestAviWriter::Write({ video })));
    ASSERT_TRUE(stream);
    EXPECT_FALSE(AVIStreamGetFrameOpen(stream));
}

TEST(AviFrameServer, CodecsAreFoundThroughTheRiffTags)
{
    EXPECT_EQ(TAviVideoDecoder::FindCodec(BI_RLE8, 0), AV_CODEC_ID_MSRLE);
    EXPECT_EQ(TAviVideoDecoder::FindCodec(BI_RLE4, 0), AV_CODEC_ID_MSRLE);
    EXPECT_EQ(TAviVideoDecoder::FindCodec(MakeFourCC('c', 'v', 'i', 'd'), 0), AV_CODEC_ID_CINEPAK);
    EXPECT_EQ(TAviVideoDecoder::FindCodec(MakeFourCC('C', 'R', 'A', 'M'), 0), AV_CODEC_ID_MSVIDEO1);
    EXPECT_EQ(TAviVideoDecoder::FindCodec(MakeFourCC('I', 'V', '3', '2'), 0), AV_CODEC_ID_INDEO3);
    // An unknown compression falls back to the stream's handler.
    EXPECT_EQ(TAviVideoDecoder::FindCodec(MakeFourCC('?', '?', '?', '?'), MakeFourCC('c', 'v', 'i', 'd')),
              AV_CODEC_ID_CINEPAK);
    EXPECT_EQ(TAviVideoDecoder::FindCodec(MakeFourCC('?', '?', '?', '?'), 0), AV_CODEC_ID_NONE);
}
