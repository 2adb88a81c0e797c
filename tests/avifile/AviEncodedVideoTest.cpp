#include "decoder/UMovieDecoder.h"
#include "picture/TSafetyBitmap.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int frameCount = 30;
constexpr int framesPerSecond = 10;
constexpr int width = 64;
constexpr int height = 48;

// Frame i is grey: the left half with a level for i % 6, the right half one
// for i / 6, far enough apart to survive lossy coding.
int LevelOf(int digit)
{
    return 40 * digit + 20;
}

QByteArray NumberedFrame(int frame)
{
    QByteArray picture;
    const QByteArray left(width / 2 * 3, char(LevelOf(frame % 6)));
    const QByteArray right(width / 2 * 3, char(LevelOf(frame / 6)));
    for (int row = 0; row < height; ++row)
        picture.append(left).append(right);
    return picture;
}

// Encodes the numbered grey frames with one of FFmpeg's encoders into an AVI
// file (a key frame every 10 frames); empty when the encoder is missing.
QString Encode(const QTemporaryDir& folder, const QString& codec)
{
    QByteArray raw;
    for (int i = 0; i < frameCount; ++i)
        raw.append(NumberedFrame(i));
    const QString path = folder.filePath(codec + ".avi");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 { "-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24", "-s",
                   QStringLiteral("%1x%2").arg(width).arg(height), "-r", QString::number(framesPerSecond), "-i",
                   "pipe:0", "-c:v", codec, "-g", "10", path });
    if (!ffmpeg.waitForStarted())
        return {};
    ffmpeg.write(raw);
    ffmpeg.closeWriteChannel();
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return {};
    return path;
}

// The frame number a picture shows, read from the middle of both halves.
int FrameShown(const TSafetyBitmap& bitmap)
{
    // Each level sits in the middle of a band 40 wide.
    auto digit = [&](int x) { return int(bitmap.ScanLine(bitmap.Height() / 2)[3 * x + 1]) / 40; };
    return digit(bitmap.Width() / 4) + 6 * digit(bitmap.Width() * 3 / 4);
}

class AviEncodedVideo : public testing::TestWithParam<const char*>
{
};

} // namespace

TEST_P(AviEncodedVideo, OpensThroughTheAviBackEndAndFindsEveryFrame)
{
    QTemporaryDir folder;
    const QString path = Encode(folder, QString::fromLatin1(GetParam()));
    ASSERT_FALSE(path.isEmpty()) << "ffmpeg could not encode " << GetParam();
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(path));
    EXPECT_TRUE(decoder.UseAviFile());
    EXPECT_EQ(decoder.FrameWidth(), width);
    EXPECT_EQ(decoder.FrameHeight(), height);
    EXPECT_EQ(decoder.Duration(), (frameCount - 1) * 1000 / framesPerSecond);
    // Forwards, backwards across key frames, and inside one frame's span.
    for (int position : { 0, 99, 100, 1250, 1999, 2900, 850, 50, 1001, 2950, 5000 }) {
        ASSERT_TRUE(decoder.FetchFrame(position)) << position;
        const int expected = std::min(position * framesPerSecond / 1000, frameCount - 1);
        EXPECT_EQ(FrameShown(decoder.FrameBitmap()), expected) << position;
        EXPECT_EQ(decoder.FrameBitmap().Width(), width);
        EXPECT_EQ(decoder.FrameBitmap().Height(), height);
    }
    // Playback: every frame in turn.
    for (int position = 0; position < decoder.Duration(); position += 97) {
        ASSERT_TRUE(decoder.FetchFrame(position));
        EXPECT_EQ(FrameShown(decoder.FrameBitmap()), position * framesPerSecond / 1000) << position;
    }
}

INSTANTIATE_TEST_SUITE_P(ExcludedCodecs, AviEncodedVideo, testing::Values("cinepak", "msvideo1"));
