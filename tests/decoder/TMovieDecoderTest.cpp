// The decoder facade: state before and after opens, refusals that go on to
// the AVI back end, and bad input refused cleanly.

#include "TDecoderTestSupport.h"

#include "decoder/UFFmpegBackend.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace DecoderTest;
using PellumoFixture::FixturePath;
using PellumoFixture::ReadFrameNumber;

namespace {

void ExpectInactive(const TMovieDecoder& decoder)
{
    EXPECT_FALSE(decoder.Active());
    EXPECT_TRUE(decoder.FileName().isEmpty());
    EXPECT_EQ(decoder.Duration(), -1);
    EXPECT_EQ(decoder.FrameWidth(), -1);
    EXPECT_EQ(decoder.FrameHeight(), -1);
}

bool FFmpegOpens(const QString& path)
{
    TFFmpegBackend backend;
    TSafetyBitmap frame;
    const bool opened = backend.Open(path, frame);
    backend.Close();
    return opened;
}

} // namespace

TEST(TMovieDecoderTest, NewDecoderIsInactive)
{
    TMovieDecoder decoder;
    ExpectInactive(decoder);
    EXPECT_FALSE(decoder.UseAviFile());
    EXPECT_FALSE(decoder.FetchFrame(0));
    EXPECT_FALSE(decoder.SeekTo(0));
    EXPECT_FALSE(decoder.RenderFrame());
    EXPECT_TRUE(decoder.FrameBitmap().Empty());
}

TEST(TMovieDecoderTest, CloseWhenInactiveChangesNothing)
{
    TMovieDecoder decoder;
    EXPECT_TRUE(decoder.Close());
    ExpectInactive(decoder);
}

TEST(TMovieDecoderTest, OpenSetsStateAndCloseClearsIt)
{
    TMovieDecoder decoder;
    const QString path = FixturePath("mpeg4.avi");
    ASSERT_TRUE(decoder.Open(path));
    EXPECT_TRUE(decoder.Active());
    EXPECT_EQ(decoder.FileName(), path);
    EXPECT_FALSE(decoder.UseAviFile());
    EXPECT_TRUE(decoder.Close());
    ExpectInactive(decoder);
    EXPECT_FALSE(decoder.FetchFrame(0));
}

TEST(TMovieDecoderTest, ReopenDeliversFramesOfTheNewFile)
{
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(FixturePath("dv.dv")));
    ASSERT_TRUE(decoder.FetchFrame(400));
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 10);
    ASSERT_TRUE(decoder.Open(FixturePath("h264_bframes.mp4")));
    EXPECT_EQ(decoder.FrameWidth(), 160);
    EXPECT_EQ(decoder.FrameBitmap().Width(), 160);
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 0);
    ASSERT_TRUE(decoder.FetchFrame(2000));
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 50);
    decoder.Close();
    ASSERT_TRUE(decoder.Open(FixturePath("h264_bframes.mp4")));
    ASSERT_TRUE(decoder.FetchFrame(1000));
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 25);
}

TEST(TMovieDecoderTest, FailedOpenClosesThePreviousVideo)
{
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(FixturePath("mpeg4.avi")));
    EXPECT_FALSE(decoder.Open(FixturePath(PellumoFixture::RandomBytesAvi)));
    ExpectInactive(decoder);
    EXPECT_FALSE(decoder.FetchFrame(0));
}

TEST(TMovieDecoderTest, CopiesOfTheFrameKeepTheirPicture)
{
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(FixturePath("mpeg2_bframes.mpg")));
    ASSERT_TRUE(decoder.FetchFrame(400));
    TSafetyBitmap copy;
    copy.Assign(decoder.FrameBitmap());
    ASSERT_TRUE(decoder.FetchFrame(2000));
    EXPECT_EQ(ReadFrameNumber(copy), 10);
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 50);
}

// The FFmpeg back end leaves these to the AVI back end.
class TRefusedVideoTest : public testing::TestWithParam<const char*>
{
};

TEST_P(TRefusedVideoTest, FFmpegBackEndRefuses)
{
    ASSERT_TRUE(QFile::exists(FixturePath(GetParam())));
    EXPECT_FALSE(FFmpegOpens(FixturePath(GetParam())));
}

// What the FFmpeg back end refuses, the facade offers to the AVI back end.
TEST(TMovieDecoderDispatchTest, ExcludedCodecsGoToTheAviBackEnd)
{
    for (const char* name : {"cinepak.avi", "msvideo1.avi"}) {
        TMovieDecoder decoder;
        ASSERT_TRUE(decoder.Open(FixturePath(name))) << name;
        EXPECT_TRUE(decoder.UseAviFile()) << name;
        EXPECT_EQ(decoder.FrameWidth(), 160);
        ASSERT_TRUE(decoder.FetchFrame(1000)) << name;
        EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 25) << name;
        // The next open starts with the FFmpeg back end again.
        ASSERT_TRUE(decoder.Open(FixturePath("mpeg4.avi")));
        EXPECT_FALSE(decoder.UseAviFile());
        ASSERT_TRUE(decoder.FetchFrame(1000));
        EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 25);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TRefusedVideoTest,
                         testing::Values("one_frame.avi", "no_duration.m4v", "cinepak.avi", "msvideo1.avi"));

TEST(TBadInputTest, DamagedFilesAreRefusedOrServedSafely)
{
    TMovieDecoder decoder;
    EXPECT_FALSE(decoder.Open(FixturePath(PellumoFixture::RandomBytesAvi)));
    ExpectInactive(decoder);
    EXPECT_FALSE(decoder.Open(FixturePath(PellumoFixture::TruncatedMp4)));
    ExpectInactive(decoder);
    // The first half of an AVI plays up to where it was cut; past the cut
    // its last whole frame is the last frame.
    ASSERT_TRUE(decoder.Open(FixturePath(PellumoFixture::TruncatedAvi)));
    int last = -1;
    for (auto [position, frame] : {std::pair{0, 0}, {1000, 25}, {3000, -1}, {480, 12}, {3999, -1}, {0, 0}}) {
        ASSERT_TRUE(decoder.FetchFrame(position)) << position;
        if (frame < 0 && last < 0)
            last = ReadFrameNumber(decoder.FrameBitmap());
        EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), frame < 0 ? last : frame) << position;
    }
    EXPECT_GT(last, 25);
    EXPECT_LT(last, 50);
}

TEST(TBadInputTest, NonFilesAreRefused)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString empty = folder.filePath("empty.avi");
    QFile(empty).open(QIODevice::WriteOnly);
    const QString fifo = folder.filePath("fifo.mpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    TMovieDecoder decoder;
    for (const QString& path : {empty, fifo, folder.path(), folder.filePath("missing.mp4"), QString(),
                                QString("/dev/zero")}) {
        EXPECT_FALSE(decoder.Open(path)) << path.toStdString();
        ExpectInactive(decoder);
    }
}

TEST(TBadInputTest, FileThatVanishesAfterOpenKeepsServing)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("copy.mp4");
    ASSERT_TRUE(QFile::copy(FixturePath("h264_bframes.mp4"), path));
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(path));
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(decoder.FetchFrame(3000));
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 75);
    EXPECT_TRUE(decoder.Close());
}

TEST(TBadInputTest, NamesThatLookLikeProtocolsAreFiles)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("concat:a|b.avi");
    ASSERT_TRUE(QFile::copy(FixturePath("mpeg4.avi"), path));
    TMovieDecoder decoder;
    EXPECT_TRUE(decoder.Open(path));
}

// Every test video with bytes overwritten in its middle: opening and
// fetching anywhere ends, and a picture that comes back is the right size.
class TCorruptedVideoTest : public testing::TestWithParam<TFixtureVideo>
{
};

TEST_P(TCorruptedVideoTest, FetchesEndCleanly)
{
    QFile source(FixturePath(GetParam().fileName));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    // Stripes of noise through the second quarter, none in the headers.
    uint32_t noise = 12345;
    for (qsizetype i = bytes.size() / 4; i < bytes.size() / 2; i += 97) {
        for (int j = 0; j < 16 && i + j < bytes.size(); ++j) {
            noise = noise * 1103515245u + 12345u;
            bytes[i + j] = static_cast<char>(noise >> 24);
        }
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QString("corrupt_") + GetParam().fileName);
    QFile target(path);
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.write(bytes);
    target.close();

    TMovieDecoder decoder;
    if (!decoder.Open(path))
        return; // a clean refusal is fine
    const int duration = decoder.Duration();
    for (int position : {0, duration / 3, duration / 2, duration - 1, duration / 4, 0, duration + 100, 97, 194}) {
        if (decoder.FetchFrame(position)) {
            EXPECT_EQ(decoder.FrameBitmap().Width(), decoder.FrameWidth());
            EXPECT_EQ(decoder.FrameBitmap().Height(), decoder.FrameHeight());
        }
    }
    EXPECT_TRUE(decoder.Close());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TCorruptedVideoTest, testing::ValuesIn(DecodableVideos()), FixtureTestName);
