// The sharpest-frame search on a video made here: blurred frames around one
// sharp frame, a noisy near-black frame nearer the start position, and a
// second sharp frame outside the search window.

#include "decoder/UMovieDecoder.h"
#include "decoder/USharpestFrame.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

constexpr int Rate = 25;
constexpr int FrameMs = 1000 / Rate;
constexpr int Frames = 60;
constexpr int SharpFrame = 36;     // in the window around StartFrame
constexpr int FarSharpFrame = 5;   // outside it
constexpr int NearBlackFrame = 31; // noisy: its Laplacian beats every other frame's
constexpr int StartFrame = 30;

QImage SharpPicture()
{
    QImage image(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int level = ((x / 3 + y / 3) % 2) ? 70 : 190;
            image.setPixel(x, y, qRgb(level, level, level));
        }
    return image;
}

QImage Blurred(const QImage& picture)
{
    return picture.scaled(picture.size() / 6, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage NearBlackNoise()
{
    QImage image(320, 240, QImage::Format_RGB32);
    QRandomGenerator random(5);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int level = random.bounded(2) ? 18 : 0;
            image.setPixel(x, y, qRgb(level, level, level));
        }
    return image;
}

} // namespace

TEST(TSharpestFrameTest, FindsTheSharpFrameInTheWindowAndSkipsNearBlack)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QImage sharp = SharpPicture();
    const QImage blurred = Blurred(sharp);
    const QImage dark = NearBlackNoise();
    for (int frame = 0; frame < Frames; ++frame) {
        const QImage& picture = frame == SharpFrame || frame == FarSharpFrame ? sharp
                                : frame == NearBlackFrame                    ? dark
                                                                             : blurred;
        ASSERT_TRUE(picture.save(folder.filePath(QString::asprintf("f%03d.png", frame))));
    }
    const QString video = folder.filePath(QStringLiteral("sharp.mkv"));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-framerate", QString::number(Rate), "-i",
                                            folder.filePath(QStringLiteral("f%03d.png")), "-c:v", "ffv1",
                                            "-pix_fmt", "yuv420p", video});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();

    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(video));
    const TSharpestFrame found = FindSharpestFrame(decoder, StartFrame * FrameMs);
    EXPECT_EQ(found.position, SharpFrame * FrameMs);
    EXPECT_EQ(decoder.FramePosition(), SharpFrame * FrameMs);
    EXPECT_EQ(found.examined, 25); // frames 18 (720 ms) to 42 (1680 ms)

    // pellumo-grab writes that frame and prints its position.
    QProcess grab;
    grab.start(PELLUMO_GRAB_PATH, {"--sharpest", QString::number(StartFrame * FrameMs), "--format", "png", "-o",
                                   folder.path(), video});
    ASSERT_TRUE(grab.waitForFinished(60000));
    EXPECT_EQ(grab.exitCode(), 0);
    const QStringList lines = QString::fromLocal8Bit(grab.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1].section('\t', 0, 1), QString("001\t%1").arg(SharpFrame * FrameMs));
    const QImage written(folder.filePath("001.png"));
    EXPECT_GT(qGray(written.pixel(1, 1)) - qGray(written.pixel(4, 1)), 100); // 190 against 70 when sharp
}
